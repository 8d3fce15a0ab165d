#include "phbound/boundgeometry.h"

#include <cmath>
#include <string>

#include <gtest/gtest.h>

#include "phcore/material.h"
#include "phcore/materialmgr.h"
#include "phcore/poly.h"
#include "tests/engine/phbound/boundfiles.h"
#include "tests/support/child.h"
#include "tests/support/console.h"
#include "tests/support/unmasked.h"

namespace {

const char* const TwoTriangles =
    "version: 1.01\nverts: 4 materials: 1 edges: 0 polys: 2\n"
    "v 0 0 0\nv 1 0 0\nv 1 0 1\nv 0 0 1\n"
    "mtl flat {\n\telasticity: 0.1\n\tfriction: 0.5\n\teffect: none\n\tsound: none\n}\n"
    "tri 0 2 1 0\ntri 0 3 2 0\n";

std::string Header(int verts, int materials, int edges, int polys) {
    return "version: 1.01\nverts: " + std::to_string(verts) + " materials: " +
           std::to_string(materials) + " edges: " + std::to_string(edges) +
           " polys: " + std::to_string(polys) + "\n";
}

const char* const Material =
    "mtl m {\n\telasticity: 0.1\n\tfriction: 0.5\n\teffect: none\n\tsound: none\n}\n";

TEST(BoundGeometryFileTest, VersionAndEmptyMeshes) {
    struct Case {
        std::string text;
        bool loads;
        const char* message;
    };
    const Case cases[] = {
        {CubeText("1.010"), true, ""},
        {CubeText("1.02"), false, "Error: phBoundGeometry::Load()- Bad file version number: 1.020000"},
        {Header(0, 0, 0, 1), false, "Warning: phBoundGeometry::Load found zero vertices in b.bnd."},
        {Header(3, 0, 0, 0), false, "Warning: phBoundGeometry::Load found zero polygons in b.bnd."},
        {Header(3, 1, 0, 1) + "v 0 0 0\nv 1 0 0\nv 0 0 1\n" + Material + "pent 0 1 2 0\n", false,
         "Error: phBoundGeometry::Load()- Expecting 'tri' or 'quad'; found 'pent'"},
    };
    BoundFiles files;
    for (const Case& c : cases) {
        files.Write("b", "bnd", c.text);
        ConsoleCapture console;
        phBoundGeometry bound;
        EXPECT_EQ(bound.Load("b"), c.loads) << c.text;
        EXPECT_NE(console.Take().find(c.message), std::string::npos) << c.message;
    }
}

TEST(BoundGeometryFileTest, CountsAndIdsOutsideTheFileAreRefused) {
    const std::string verts = "v 0 0 0\nv 1 0 0\nv 0 0 1\n";
    struct Case {
        std::string text;
        const char* message;
    };
    const Case cases[] = {
        {Header(-3, 1, 0, 1) + verts + Material + "tri 0 1 2 0\n", "has bad counts"},
        {Header(3, 1, 0, 2000000000) + verts + Material + "tri 0 1 2 0\n", "has bad counts"},
        {Header(70000, 1, 0, 1) + verts + Material + "tri 0 1 2 0\n", "has bad counts"},
        {Header(3, -1, 0, 1) + verts + Material + "tri 0 1 2 0\n", "has bad counts"},
        {Header(3, 1, -5, 1) + verts + Material + "tri 0 1 2 0\n", "has bad counts"},
        {Header(3, 1, 0, 1) + verts + Material + "tri 0 1 3 0\n", "names vertex 3 of 3"},
        {Header(3, 1, 0, 1) + verts + Material + "quad 0 1 2 -1 0\n", "names vertex -1 of 3"},
        {Header(3, 1, 0, 1) + verts + Material + "tri 0 1 2 1\n", "names material 1 of 1"},
        {Header(3, 0, 0, 1) + verts + "tri 0 1 2 0\n", "names material 0 of 0"},
        {Header(3, 1, 1, 1) + verts + Material + "edge 3 0\ntri 0 1 2 0\n", "joins 3 and 0"},
    };
    BoundFiles files;
    for (const Case& c : cases) {
        files.Write("b", "bnd", c.text);
        ConsoleCapture console;
        phBoundGeometry bound;
        EXPECT_FALSE(bound.Load("b")) << c.text;
        EXPECT_NE(console.Take().find(c.message), std::string::npos) << c.message;
    }
}

// A vertex no bound can compute with (not finite, or beyond the coordinate range) refuses the
// file in both forms, before any normal is taken from it; the readers run as at start-up.
TEST(BoundGeometryFileTest, VerticesOutsideTheCoordinateRangeAreRefused) {
    BoundFiles files;
    InvalidUnmasked trapping;
    const char* const texts[] = {"1e39 0 0", "0 100001 0", "0 0 -1e30", "0 -100000.01 0"};
    for (const char* v : texts) {
        files.Write("b", "bnd",
                    Header(3, 1, 0, 1) + "v 0 0 0\nv " + v + "\nv 0 0 1\n" + Material +
                        "tri 0 1 2 0\n");
        ConsoleCapture console;
        phBoundGeometry bound;
        EXPECT_FALSE(bound.Load("b")) << v;
        EXPECT_NE(console.Take().find("phBoundGeometry::Load()- vertex 1 of 'b.bnd' is not a "
                                      "number within +-100000."),
                  std::string::npos)
            << v;
        EXPECT_EQ(bound.NumPolygons, 0);
    }
    files.Write("b", "bnd", Header(3, 1, 0, 1) + "v 0 0 0\nv 100000 -100000 0\nv 0 0 1\n" +
                                Material + "tri 0 1 2 0\n");
    phBoundGeometry edge;
    EXPECT_TRUE(edge.Load("b"));

    files.Write("cube", "bnd", CubeText());
    phBoundGeometry cube;
    ASSERT_TRUE(cube.Load("cube"));
    ASSERT_TRUE(cube.SaveBinary("good"));
    const std::string good = files.Read("good", "bbnd");
    const uint32_t bits[] = {0x7F800001, 0xFFC00000, 0x7F800000, 0x7149F2CA, 0x47C35080};
    for (uint32_t b : bits) {
        std::string bytes = good;
        for (int i = 0; i < 4; ++i) {
            bytes[13 + 12 * 5 + 8 + i] = char(b >> (8 * i));  // z of vertex 5
        }
        files.Write("bad", "bbnd", bytes);
        ConsoleCapture console;
        phBoundGeometry bound;
        EXPECT_FALSE(bound.LoadBinary("bad")) << b;
        EXPECT_NE(console.Take().find("phBoundGeometry::LoadBinary()- vertex 5 of 'bad.bbnd' is "
                                      "not a number within +-100000."),
                  std::string::npos)
            << b;
        EXPECT_EQ(bound.NumPolygons, 0);
    }
}

TEST(BoundGeometryFileTest, AQuadEndingInVertexZeroIsTurnedOnePlace) {
    BoundFiles files;
    files.Write("q", "bnd",
                Header(8, 6, 0, 1) + "v 0 0 0\nv 1 0 0\nv 1 0 1\nv 9 9 9\nv 9 9 9\nv 9 9 9\n"
                "v 9 9 9\nv 0 0 1\n" + Material + Material + Material + Material + Material +
                Material + "quad 7 1 2 0 5\n");
    phBoundGeometry bound;
    ASSERT_TRUE(bound.Load("q"));
    const uint16_t expected[4] = {1, 2, 0, 7};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(bound.Polygons[0].VertexIndex[k], expected[k]);
    }
    EXPECT_EQ(bound.Polygons[0].MaterialIndex, 5);
}

TEST_CHILD(QuadOfZeroes) {
    BoundFiles files;
    files.Write("z", "bnd", Header(3, 1, 0, 1) + "v 0 0 0\nv 1 0 0\nv 0 0 1\n" + Material +
                                "quad 0 1 2 0 0\n");
    phBoundGeometry bound;
    return bound.Load("z");
}

TEST_CHILD(MaterialAbove255) {
    BoundFiles files;
    files.Write("m", "bnd", Header(3, 1, 0, 1) + "v 0 0 0\nv 1 0 0\nv 0 0 1\n" + Material +
                                "tri 0 1 2 256\n");
    phBoundGeometry bound;
    return bound.Load("m");
}

TEST(BoundGeometryFileTest, ImpossiblePolygonsAssert) {
    ExpectFatalChildren({{"QuadOfZeroes", "Assert(i3 != 0) failed in [phcore/poly, line"},
                         {"MaterialAbove255", "Assert(m <= 255) failed in [phbound/boundgeomfile"}});
}

TEST(BoundGeometryTest, ACubeGetsTwelveEdgesHalfwayBetweenItsFaces) {
    BoundFiles files;
    files.Write("cube", "bnd", CubeText());
    phBoundGeometry bound;
    ASSERT_TRUE(bound.Load("cube"));
    ASSERT_EQ(bound.NumEdges, 12);
    for (int e = 0; e < 12; ++e) {
        EXPECT_NEAR(bound.GetEdgeAngle(e), 0.7071068f, 1e-6f) << e;
        Vector3 normal;
        bound.GetEdgeNormal(e, normal);
        // The edge's midpoint lies along its normal: (±0.5, ±0.5, 0) and the like.
        int a = bound.Edges[e][0], b = bound.Edges[e][1];
        Vector3 mid = (bound.Vertices[a] + bound.Vertices[b]) * 0.70710677f;
        EXPECT_NEAR((normal - mid).Mag(), 0.0f, 1e-5f)
            << e << ": " << normal.x << " " << normal.y << " " << normal.z;
    }
    for (int p = 0; p < 6; ++p) {
        const phPolygon& polygon = bound.Polygons[p];
        for (int k = 0; k < 4; ++k) {
            int e = polygon.EdgeIndex[k];
            int a = polygon.VertexIndex[k], b = polygon.VertexIndex[(k + 1) & 3];
            EXPECT_EQ(bound.FindEdge(a, b), e);
        }
    }
    EXPECT_EQ(bound.BoxMin.x, -0.5f);
    EXPECT_EQ(bound.BoxMax.z, 0.5f);
    EXPECT_FLOAT_EQ(bound.RadiusAroundCentroid, 0.8660254f);
    EXPECT_FLOAT_EQ(bound.Margin, 0.035f);
    EXPECT_FLOAT_EQ(bound.SecondaryMargin, 0.0105f);
    EXPECT_FLOAT_EQ(bound.GetMaterial(0)->Friction, 0.75f);

    ConsoleCapture console;
    bound.ComputeEdgeNormals();
    EXPECT_NE(console.Take().find("phBoundGeometry::ComputeEdgeNormals called twice!."),
              std::string::npos);
}

TEST(BoundGeometryTest, EdgeValuesOfAFlatPairAndMergingItIntoAQuad) {
    BoundFiles files;
    files.Write("pair", "bnd",
                std::string(TwoTriangles).replace(strlen("version: 1.01\nverts: 4 materials: 1 "),
                                                  8, "edges: 1"));
    // The file's one edge is one no polygon uses: it keeps (1, 0, 0) and -1.
    std::string text = ReadWholeFile(files.Path("pair", "bnd"));
    text.insert(text.find("tri"), "edge 1 3\n");
    files.Write("pair", "bnd", text);
    phBoundGeometry bound;
    ASSERT_TRUE(bound.Load("pair"));
    ASSERT_EQ(bound.NumEdges, 6);
    EXPECT_EQ(bound.GetEdgeAngle(0), -1.0f);
    EXPECT_EQ(bound.GeomEdgeNormals[0].x, 1.0f);
    int shared = bound.FindEdge(0, 2);
    EXPECT_FLOAT_EQ(bound.GetEdgeAngle(shared), 1.0f);
    int border = bound.FindEdge(0, 1);
    EXPECT_FLOAT_EQ(bound.GetEdgeAngle(border), 0.0f);
    // One polygon (0 2 1, normal +y) has the side 1 -> 0, so N2 is +y and the normal is
    // N2 x (P1 - P0) = (0, 1, 0) x (1, 0, 0) = (0, 0, -1): pointing out of the mesh.
    EXPECT_FLOAT_EQ(bound.GeomEdgeNormals[border].z, -1.0f);

    // The unused edge is the file's and stays; the merge drops the shared one.
    EXPECT_TRUE(bound.MergeCoplanarTriangles());
    ASSERT_EQ(bound.NumPolygons, 1);
    EXPECT_EQ(bound.NumEdges, 5);
    const phPolygon& quad = bound.Polygons[0];
    ASSERT_EQ(quad.NumSides(), 4);
    EXPECT_TRUE(IsConvexQuad(bound.Vertices[quad.VertexIndex[0]],
                             bound.Vertices[quad.VertexIndex[1]],
                             bound.Vertices[quad.VertexIndex[2]],
                             bound.Vertices[quad.VertexIndex[3]]));
    EXPECT_FLOAT_EQ(quad.Normal.y, 1.0f);
    for (int k = 0; k < 4; ++k) {
        int e = quad.EdgeIndex[k];
        ASSERT_LT(e, bound.NumEdges);
        EXPECT_EQ(bound.FindEdge(quad.VertexIndex[k], quad.VertexIndex[(k + 1) & 3]), e);
    }
}

TEST(BoundGeometryTest, RidgeAndValleyEdgeValues) {
    // Two faces of a floor meeting along z at right angles: over a ridge the value is the
    // cosine of half the angle between the faces, in a valley it marks the edge concave.
    struct Case {
        const char* verts;
        float value;
    };
    const Case cases[] = {
        {"v 0 1 0\nv 0 1 1\nv -1 0 0\nv 1 0 0\n", 0.7071068f},
        {"v 0 0 0\nv 0 0 1\nv -1 1 0\nv 1 1 0\n", 2.0f},
    };
    BoundFiles files;
    for (const Case& c : cases) {
        files.Write("fold", "bnd",
                    Header(4, 1, 0, 2) + c.verts + Material + "tri 0 2 1 0\ntri 0 1 3 0\n");
        phBoundGeometry bound;
        ASSERT_TRUE(bound.Load("fold"));
        ASSERT_GT(bound.Polygons[0].Normal.y, 0.0f);
        ASSERT_GT(bound.Polygons[1].Normal.y, 0.0f);
        int edge = bound.FindEdge(0, 1);
        ASSERT_GE(edge, 0);
        EXPECT_NEAR(bound.GetEdgeAngle(edge), c.value, 1e-6f) << c.verts;
        EXPECT_NEAR(bound.GeomEdgeNormals[edge].y, 1.0f, 1e-6f) << c.verts;
    }
}

TEST(BoundGeometryTest, MergingRefusesPairsThatMakeNoConvexQuad) {
    // An arrowhead cut along its inner diagonal 3-1: coplanar, facing the same way, but the
    // quad is concave at vertex 3.
    BoundFiles files;
    files.Write("dart", "bnd",
                Header(4, 1, 0, 2) + "v 0 0 0\nv 2 0 1\nv 0 0 2\nv 0.5 0 1\n" + Material +
                    "tri 0 3 1 0\ntri 3 2 1 0\n");
    phBoundGeometry bound;
    ASSERT_TRUE(bound.Load("dart"));
    EXPECT_TRUE(bound.MergeCoplanarTriangles());
    EXPECT_EQ(bound.NumPolygons, 2);
    EXPECT_EQ(bound.NumEdges, 5);
}

void ExpectSameBound(phBoundGeometry& a, phBoundGeometry& b, float tolerance) {
    ASSERT_EQ(a.NumVertices, b.NumVertices);
    ASSERT_EQ(a.NumPolygons, b.NumPolygons);
    ASSERT_EQ(a.NumMaterials, b.NumMaterials);
    EXPECT_EQ(a.NumEdges, b.NumEdges);
    for (int i = 0; i < a.NumVertices; ++i) {
        EXPECT_NEAR((a.Vertices[i] - b.Vertices[i]).Mag(), 0.0f, tolerance) << i;
    }
    for (int i = 0; i < a.NumMaterials; ++i) {
        EXPECT_EQ(a.GetMaterial(i), b.GetMaterial(i));
    }
    for (int p = 0; p < a.NumPolygons; ++p) {
        EXPECT_EQ(a.Polygons[p].MaterialIndex, b.Polygons[p].MaterialIndex);
        for (int k = 0; k < 4; ++k) {
            EXPECT_EQ(a.Polygons[p].VertexIndex[k], b.Polygons[p].VertexIndex[k]);
            EXPECT_EQ(a.Polygons[p].EdgeIndex[k], b.Polygons[p].EdgeIndex[k]);
        }
    }
}

TEST(BoundGeometryFileTest, TextAndBinaryRoundTrips) {
    BoundFiles files;
    files.Write("cube", "bnd", CubeText());
    phBoundGeometry cube;
    ASSERT_TRUE(cube.Load("cube"));
    cube.OffsetVertices(Vector3(0.1234567f, 0, 0));

    ASSERT_TRUE(cube.Save("copy"));
    std::string text = files.Read("copy", "bnd");
    EXPECT_EQ(text.find("version: 1.01\nverts: 8 \nmaterials: 1 \nedges: 0 \npolys: 6 \n\nv\t"),
              0u);
    EXPECT_NE(text.find("v\t0.623457\t0.500000\t0.500000 \n"), std::string::npos);
    EXPECT_NE(text.find("quad 4  0  3  7  0 \n"), std::string::npos);
    phBoundGeometry text2;
    ASSERT_TRUE(text2.Load("copy"));
    ExpectSameBound(cube, text2, 1e-6f);

    ASSERT_TRUE(cube.SaveBinary("copy"));
    std::string binary = files.Read("copy", "bbnd");
    EXPECT_EQ(binary.size(), size_t(13 + 12 * 8 + 104 * 1 + 10 * 6));
    phBoundGeometry binary2;
    ASSERT_TRUE(binary2.LoadBinary("copy"));
    ExpectSameBound(cube, binary2, 0.0f);

    // Exactly the vertices go out, not the storage rounded up to four.
    files.Write("tri", "bnd", Header(3, 1, 0, 1) + "v 0 0 0\nv 1 0 0\nv 0 0 1\n" + Material +
                                  "tri 0 1 2 0\n");
    phBoundGeometry triangle;
    ASSERT_TRUE(triangle.Load("tri"));
    ASSERT_TRUE(triangle.SaveBinary("tri"));
    EXPECT_EQ(files.Read("tri", "bbnd").size(), size_t(13 + 12 * 3 + 104 + 10));
    phBoundGeometry triangle2;
    ASSERT_TRUE(triangle2.LoadBinary("tri"));
    ExpectSameBound(triangle, triangle2, 0.0f);

    // The version byte is carried from the last binary load to the next save.
    binary[0] = 7;
    files.Write("seven", "bbnd", binary);
    phBoundGeometry seven;
    ASSERT_TRUE(seven.LoadBinary("seven"));
    ASSERT_TRUE(seven.SaveBinary("again"));
    EXPECT_EQ(files.Read("again", "bbnd")[0], 7);
    phBoundGeometry::BinaryVersion = 1;
}

TEST(BoundGeometryFileTest, MaterialsLeftUnsetAreSavedAsTheDefault) {
    BoundFiles files;
    files.Write("cube", "bnd", CubeText());
    phBoundGeometry cube;
    ASSERT_TRUE(cube.Load("cube"));
    // A bound built by hand: Init leaves the material entries empty, and only one is set.
    phBoundGeometry built;
    built.Init(3, 2, 0, 2);
    built.VertexStorage[0].Set(0, 0, 0);
    built.VertexStorage[1].Set(1, 0, 0);
    built.VertexStorage[2].Set(0, 0, 1);
    built.Polygons[0].InitTriangle(0, 2, 1, built.VertexStorage);
    built.Polygons[1].InitTriangle(0, 1, 2, built.VertexStorage);
    built.Polygons[1].MaterialIndex = 1;
    built.GeomMaterials[1] = cube.GetMaterial(0);
    built.PostLoad();

    ASSERT_TRUE(built.Save("built"));
    phBoundGeometry text;
    ASSERT_TRUE(text.Load("built"));
    ASSERT_TRUE(built.SaveBinary("built"));
    phBoundGeometry binary;
    ASSERT_TRUE(binary.LoadBinary("built"));
    for (phBoundGeometry* loaded : {&text, &binary}) {
        ASSERT_EQ(loaded->NumMaterials, 2);
        EXPECT_EQ(loaded->GetMaterial(0), phMaterialMgr::DefaultMaterial);
        EXPECT_EQ(loaded->GetMaterial(1), cube.GetMaterial(0));
        EXPECT_EQ(loaded->Polygons[1].MaterialIndex, 1);
    }
    EXPECT_EQ(built.GeomMaterials[0], nullptr);
}

TEST(BoundGeometryFileTest, DamagedBinaryFilesAreRefused) {
    BoundFiles files;
    files.Write("cube", "bnd", CubeText());
    phBoundGeometry cube;
    ASSERT_TRUE(cube.Load("cube"));
    ASSERT_TRUE(cube.SaveBinary("good"));
    const std::string good = files.Read("good", "bbnd");
    auto withU32 = [&](int offset, uint32_t value) {
        std::string bytes = good;
        for (int i = 0; i < 4; ++i) {
            bytes[offset + i] = char(value >> (8 * i));
        }
        return bytes;
    };
    const int polygons = 13 + 12 * 8 + 104;
    std::string badVertex = good;
    badVertex[polygons + 2] = 8;
    std::string badMaterial = good;
    badMaterial[polygons + 8] = 1;
    struct Case {
        std::string bytes;
        const char* message;
    };
    const Case cases[] = {
        {good.substr(0, 10), "is cut short"},
        {good.substr(0, good.size() - 1), "has bad counts"},
        {withU32(1, 0), "has bad counts"},
        {withU32(1, 0xFFFFFFFF), "has bad counts"},
        {withU32(5, 0x7FFFFFFF), "has bad counts"},
        {withU32(9, 0x80000000), "has bad counts"},
        {withU32(9, 0), "has bad counts"},
        {badVertex, "names vertex 8 of 8"},
        {badMaterial, "names material 1 of 1"},
    };
    for (const Case& c : cases) {
        files.Write("bad", "bbnd", c.bytes);
        ConsoleCapture console;
        phBoundGeometry bound;
        EXPECT_FALSE(bound.LoadBinary("bad"));
        EXPECT_NE(console.Take().find(c.message), std::string::npos) << c.message;
        EXPECT_EQ(bound.NumPolygons, 0);
    }
}

TEST(BoundGeometryFileTest, ASaveThatCannotCommitKeepsTheOldFile) {
    BoundFiles files;
    files.Write("cube", "bnd", CubeText());
    phBoundGeometry cube;
    ASSERT_TRUE(cube.Load("cube"));
    // The name is a directory: nothing can be created there, and nothing is lost.
    CreateDirectoryA(files.Path("dir", "bnd").c_str(), nullptr);
    ConsoleCapture console;
    EXPECT_FALSE(cube.Save("dir"));
    EXPECT_NE(console.Take().find("phBoundGeometry::Save()- Can't"), std::string::npos);
    EXPECT_TRUE(cube.Save("cube"));
    EXPECT_EQ(files.Read("cube", "bnd").find("version: 1.01\nverts: 8 "), 0u);
}

TEST(BoundGeometryTest, ScaleVerticesLeavesAxesWithoutAPositiveFactor) {
    BoundFiles files;
    files.Write("cube", "bnd", CubeText());
    phBoundGeometry cube;
    ASSERT_TRUE(cube.Load("cube"));
    cube.ScaleVertices(2.0f, 0.0f, -1.0f);
    EXPECT_EQ(cube.Vertices[0].x, 1.0f);
    EXPECT_EQ(cube.Vertices[0].y, 0.5f);
    EXPECT_EQ(cube.Vertices[0].z, 0.5f);
    EXPECT_EQ(cube.BoxMax.x, 1.0f);
    EXPECT_FLOAT_EQ(cube.Polygons[0].Normal.x, 1.0f);
}

TEST(BoundGeometryTest, RemoveDuplicatesWeldsVerticesAndDropsWhatNamesTheDropped) {
    BoundFiles files;
    files.Write("cube", "bnd", CubeText());
    phBoundGeometry cube;
    ASSERT_TRUE(cube.Load("cube"));
    EXPECT_FALSE(cube.RemoveDuplicates());
    EXPECT_EQ(cube.NumVertices, 8);
    EXPECT_EQ(cube.NumEdges, 12);

    // Vertex 4 repeats vertex 1; vertex 5 is used by nothing but the file's one edge.
    files.Write("dup", "bnd",
                Header(6, 1, 1, 2) + "v 0 0 0\nv 1 0 0\nv 1 0 1\nv 0 0 1\nv 1 0 0\nv 5 5 5\n" +
                    Material + "edge 5 2\ntri 0 2 4 0\ntri 0 3 2 0\n");
    phBoundGeometry dup;
    ASSERT_TRUE(dup.Load("dup"));
    ASSERT_EQ(dup.NumEdges, 6);
    EXPECT_TRUE(dup.RemoveDuplicates());
    EXPECT_EQ(dup.NumVertices, 4);
    EXPECT_EQ(dup.Polygons[0].VertexIndex[2], 1);
    EXPECT_EQ(dup.NumEdges, 5);
    for (int e = 0; e < dup.NumEdges; ++e) {
        EXPECT_LT(dup.Edges[e][0], 4);
        EXPECT_LT(dup.Edges[e][1], 4);
        EXPECT_NE(dup.GetEdgeAngle(e), -1.0f) << e;
    }
    for (int p = 0; p < dup.NumPolygons; ++p) {
        for (int k = 0; k < 3; ++k) {
            const phPolygon& polygon = dup.Polygons[p];
            EXPECT_EQ(dup.FindEdge(polygon.VertexIndex[k], polygon.VertexIndex[(k + 1) % 3]),
                      polygon.EdgeIndex[k]);
        }
    }
}

TEST(BoundGeometryTest, RemoveDuplicatesDropsDegenerateAndDoubledTriangles) {
    BoundFiles files;
    files.Write("junk", "bnd",
                Header(4, 1, 0, 4) + "v 0 0 0\nv 1 0 0\nv 2 0 0\nv 0 0 1\n" + Material +
                    "tri 0 3 1 0\ntri 0 1 2 0\ntri 1 3 0 0\ntri 3 1 0 0\n");
    phBoundGeometry bound;
    ASSERT_TRUE(bound.Load("junk"));
    bound.RemoveDuplicates();
    // The collinear triangle goes; of the same corners with the same facing the first is
    // kept, and the one facing the other way stays.
    ASSERT_EQ(bound.NumPolygons, 2);
    EXPECT_EQ(bound.Polygons[0].VertexIndex[1], 3);
    EXPECT_EQ(bound.Polygons[1].VertexIndex[0], 1);
}

TEST(BoundGeometryTest, PerimeterTestsTurnTheMeshAboutY) {
    BoundFiles files;
    files.Write("cube", "bnd", CubeText());
    phBoundGeometry cube;
    ASSERT_TRUE(cube.Load("cube"));
    cube.OffsetVertices(Vector3(10, 0, 0));
    // A square round (0, 10) in x and z: the cube lies there only after a quarter turn
    // (c 0, s 1 takes (10, 0) to (0, 10)).
    const Vector3 square[4] = {Vector3(-1, 0, 9), Vector3(1, 0, 9), Vector3(1, 0, 11),
                               Vector3(-1, 0, 11)};
    EXPECT_FALSE(cube.AnyVertexInPerimeter(square, 4, 1.0f, 0.0f));
    EXPECT_TRUE(cube.AnyVertexInPerimeter(square, 4, 0.0f, 1.0f));

    // Only the faces with a corner inside a strip that holds the upper corners are copied.
    const Vector3 strip[4] = {Vector3(-1, 0, 10.2f), Vector3(1, 0, 10.2f), Vector3(1, 0, 11),
                              Vector3(-1, 0, 11)};
    phBoundGeometry part;
    ASSERT_TRUE(part.CopyInsidePerimeter(&cube, strip, 4, 0.0f, 1.0f));
    EXPECT_EQ(part.NumPolygons, 5);
    EXPECT_EQ(part.SharesArrays, 1u);
    EXPECT_EQ(part.GeomMaterials, cube.GeomMaterials);
    EXPECT_EQ(part.NumEdges, 0);
    // Box and centroid in the turned frame; vertices back in the source's orientation about
    // that centroid.
    EXPECT_FLOAT_EQ(part.CentroidOffset.z, 10.0f);
    EXPECT_FLOAT_EQ(part.BoxMin.x, -0.5f);
    for (int i = 0; i < part.NumVertices; ++i) {
        Vector3 expected = cube.Vertices[i] - Vector3(10, 0, 0);
        EXPECT_NEAR((part.Vertices[i] - expected).Mag(), 0.0f, 1e-5f) << i;
    }
}

}  // namespace
