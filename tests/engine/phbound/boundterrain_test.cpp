#include "phbound/boundterrain.h"

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "data/bytes.h"
#include "phcore/debuglines.h"
#include "phcore/isect.h"
#include "phcore/poly.h"
#include "phcore/segment.h"
#include "phbound/spheretests.h"
#include "tests/engine/phbound/boundfiles.h"
#include "tests/engine/phbound/terrains.h"
#include "tests/support/child.h"
#include "tests/support/console.h"
#include "tests/support/unmasked.h"

namespace {

// A mesh written as "name.bnd" with its grid written as "name.ter".
void WriteTerrain(BoundFiles& files, const char* name, const std::string& mesh, int columns,
                  int rows) {
    files.Write(name, "bnd", mesh);
    phBoundTerrain t;
    ASSERT_TRUE(t.phBoundGeometry::Load(name));
    BuildTerrainGrid(t, columns, rows);
    ASSERT_TRUE(t.Create(name));
}

phSegment Segment(const Vector3& a, const Vector3& b, int kind = phSegment::PROBE) {
    phSegment s;
    s.Set(a, b, kind, 0);
    return s;
}

bool Same(const Vector3& a, const Vector3& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

std::vector<int> Listed(const phBoundTerrain& t) {
    return std::vector<int>(t.BucketList, t.BucketList + t.NumListed);
}

void PutU32(std::string& file, size_t at, uint32_t v) {
    unsigned char b[4];
    EncodeU32(v, b);
    file.replace(at, 4, reinterpret_cast<const char*>(b), 4);
}

class TerrainTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteTerrain(m_Files, "flat", FlatSquareText(), 2, 2);
        ASSERT_TRUE(m_Flat.Load("flat"));
        phDebugLineCount = 0;
    }

    BoundFiles m_Files;
    phBoundTerrain m_Flat;
};

TEST_F(TerrainTest, CreateThenLoadReproducesEveryMember) {
    phBoundTerrain built;
    ASSERT_TRUE(built.phBoundGeometry::Load("flat"));
    BuildTerrainGrid(built, 2, 2);
    EXPECT_EQ(m_Files.Read("flat", "ter").size(), 561u);
    const phBoundTerrain& t = m_Flat;
    EXPECT_EQ(t.Type, phBound::TERRAIN);
    EXPECT_EQ(t.UseEdges, 1);
    EXPECT_TRUE(t.EdgeMarks != nullptr);
    EXPECT_TRUE(Same(t.GridVector, built.GridVector));
    EXPECT_EQ(t.NumLayers, 1);
    EXPECT_EQ(t.NumColumns, 2);
    EXPECT_EQ(t.NumRows, 2);
    EXPECT_EQ(t.NumBuckets, 4);
    EXPECT_EQ(t.NumBucketPolys, 8);
    EXPECT_EQ(t.NumEdges, 16);
    EXPECT_TRUE(Same(t.InvCellSize, built.InvCellSize));
    EXPECT_TRUE(Same(t.BoxMin, Vector3(0, 0, 0)));
    EXPECT_TRUE(Same(t.BoxMax, Vector3(2, 0, 2)));
    EXPECT_EQ(t.MarksDirty, 0);
    for (int b = 0; b < 4; ++b) {
        EXPECT_EQ(t.BucketStart[b], built.BucketStart[b]);
        EXPECT_EQ(t.BucketCount[b], built.BucketCount[b]);
    }
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(t.BucketPolys[i], built.BucketPolys[i]);
        for (int k = 0; k < 4; ++k) {
            EXPECT_EQ(t.Polygons[i].EdgeIndex[k], built.Polygons[i].EdgeIndex[k]);
        }
    }
    for (int e = 0; e < 16; ++e) {
        EXPECT_EQ(t.Edges[e][0], built.Edges[e][0]);
        EXPECT_EQ(t.Edges[e][1], built.Edges[e][1]);
        EXPECT_TRUE(Same(t.GeomEdgeNormals[e], built.GeomEdgeNormals[e]));
        EXPECT_EQ(BitsFromFloat(t.GeomEdgeAngles[e]), BitsFromFloat(built.GeomEdgeAngles[e]));
    }
    // Written back, the loaded terrain gives the same bytes.
    std::string first = m_Files.Read("flat", "ter");
    ASSERT_TRUE(m_Flat.Create("again"));
    EXPECT_EQ(m_Files.Read("again", "ter"), first);
    phBoundTerrainAlt alt;
    EXPECT_EQ(alt.Type, phBound::TERRAIN_ALT);
}

TEST_F(TerrainTest, BadFilesLeaveTheTerrainWithoutAGrid) {
    const std::string good = m_Files.Read("flat", "ter");
    struct Case {
        const char* name;
        size_t at;  // where a u32 is replaced; ~0 for no file at all
        uint32_t value;
        const char* message;
    };
    const size_t lists = 81;
    const size_t normals = good.size() - 16 * 16;  // 16 edges: their normals, then angles
    const size_t angles = good.size() - 4 * 16;
    const Case cases[] = {
        {"none", ~size_t(0), 0, "Warning: phBoundTerrain::Load()- Can't open file 't.ter'"},
        {"v1.0", 0, 0x3F800000, "Error: phBoundTerrain::Load() - t.ter is the wrong version"},
        {"v1.2", 0, 0x3F99999A, "Error: phBoundTerrain::Load() - t.ter is the wrong version"},
        {"polys", 4, 9, "Error: phBoundTerrain::Load() - t.bnd file and t.ter file don't match"},
        {"buckets", 37, 3, "t.ter is damaged: bucket count is not columns x rows"},
        {"columns", 25, 0, "t.ter is damaged: bucket count is not columns x rows"},
        {"huge", 41, 0x7FFFFFFF, "t.ter is damaged: cut short"},
        {"negative", 8, 0xFFFFFFF0, "t.ter is damaged: negative count"},
        {"cell", 45, 0, "t.ter is damaged: bad cell size"},
        {"start", lists, 0x00010007, "t.ter is damaged: bucket runs past the polygon list"},
        {"poly", lists + 16, 0x00000008, "t.ter is damaged: bucket names a missing polygon"},
        {"vertex", lists + 32, 0x00000009, "t.ter is damaged: edge names a missing vertex"},
        {"edge id", lists + 96, 16, "t.ter is damaged: polygon names a missing edge"},
        // Values the bucket walks and edge tests cannot compute with, signalling NaNs among them.
        {"cell NaN", 45, 0x7F800001, "t.ter is damaged: bad cell size"},
        {"cell 1e-30", 53, 0x0DA24260, "t.ter is damaged: bad cell size"},
        {"cell 1e30", 45, 0x7149F2CA, "t.ter is damaged: bad cell size"},
        {"edge normal NaN", normals + 4, 0x7FC00000, "t.ter is damaged: edge normal or angle"},
        {"edge normal 1e30", normals + 188, 0x7149F2CA, "t.ter is damaged: edge normal or angle"},
        {"edge angle inf", angles + 60, 0x7F800000, "t.ter is damaged: edge normal or angle"},
        {"edge angle NaN", angles, 0xFF800001, "t.ter is damaged: edge normal or angle"},
    };
    m_Files.Write("t", "bnd", FlatSquareText());
    // As at start-up: a value let through traps.
    InvalidUnmasked trapping;
    for (const Case& c : cases) {
        std::string file = good;
        if (c.at != ~size_t(0)) {
            PutU32(file, c.at, c.value);
            m_Files.Write("t", "ter", file);
        }
        ConsoleCapture console;
        phBoundTerrain t;
        EXPECT_FALSE(t.Load("t")) << c.name;
        EXPECT_NE(console.Take().find(c.message), std::string::npos) << c.name;
        EXPECT_EQ(t.NumBuckets, 0) << c.name;
        EXPECT_EQ(t.NumEdges, 16) << c.name;
        EXPECT_NEAR(t.BoxMin.x, -0.0001f, 1e-7f) << c.name;
        EXPECT_NEAR(t.BoxMin.y, -0.0001f, 1e-7f) << c.name;
        EXPECT_NEAR(t.BoxMax.z, 2.0001f, 1e-6f) << c.name;
        // Queries on such a terrain find nothing rather than reading a missing grid.
        phSegment s = Segment(Vector3(1, 1, 1), Vector3(1, -1, 1));
        phIsect isect;
        EXPECT_FALSE(t.TestProbeSegment(s, &isect, 1.0f)) << c.name;
        if (c.at == ~size_t(0)) {
            m_Files.Write("t", "ter", good);
        }
    }
}

TEST_F(TerrainTest, BiggestBucketAboveTenIsReported) {
    const std::string mesh = HeightFieldText(3, 2, 1.0f, [](int, int) { return 0.0f; });
    m_Files.Write("big", "bnd", mesh);
    for (int count : {10, 11}) {
        phBoundTerrain t;
        ASSERT_TRUE(t.phBoundGeometry::Load("big"));
        BuildTerrainGrid(t, 1, 1);
        ASSERT_EQ(t.BucketCount[0], 12);
        t.BucketCount[0] = uint16_t(count);
        ASSERT_TRUE(t.Create("big"));
        ConsoleCapture console;
        phBoundTerrain loaded;
        EXPECT_TRUE(loaded.Load("big"));
        EXPECT_EQ(console.Take(),
                  count == 11 ? "Warning: big: biggest bucket = 11\n" : std::string());
    }
}

TEST_F(TerrainTest, CreateThatCannotWriteSaysSo) {
    ConsoleCapture console;
    EXPECT_FALSE(m_Flat.Create("missing\\dir\\x"));
    EXPECT_NE(console.Take().find("Error: phBoundTerrain::Create()- Can't open file 'missing\\dir\\x'"),
              std::string::npos);
}

TEST_F(TerrainTest, SegmentFootprints) {
    struct Case {
        const char* name;
        Vector3 a, b;
        std::vector<int> buckets;
    };
    const Case cases[] = {
        {"corner: Z first", Vector3(0.5f, 0, 0.5f), Vector3(1.5f, 0, 1.5f), {0, 2, 3}},
        {"corner backwards", Vector3(1.5f, 0, 1.5f), Vector3(0.5f, 0, 0.5f), {3, 1, 0}},
        {"clipped entry", Vector3(-1, 0, 0.5f), Vector3(1.5f, 0, 0.5f), {0, 1}},
        {"along z", Vector3(1.5f, 0, 0.2f), Vector3(1.5f, 0, 5), {1, 3}},
        {"one cell", Vector3(0.2f, 1, 0.2f), Vector3(0.8f, -1, 0.7f), {0}},
        {"vertical at far face", Vector3(2, 1, 0.5f), Vector3(2, -1, 0.5f), {1}},
        {"vertical beyond", Vector3(2.001f, 1, 0.5f), Vector3(2.001f, -1, 0.5f), {}},
        {"boundary point", Vector3(1, 1, 1), Vector3(1, -1, 1), {3}},
        {"above the box", Vector3(0, 1, 0), Vector3(2, 1, 2), {}},
        {"outside in x", Vector3(-2, 0, -1), Vector3(-1, 0, 3), {}},
    };
    for (const Case& c : cases) {
        m_Flat.CollectSegmentBuckets(Segment(c.a, c.b));
        EXPECT_EQ(Listed(m_Flat), c.buckets) << c.name;
        EXPECT_EQ(m_Flat.MarksDirty, c.buckets.empty() ? 0 : 1) << c.name;
    }
}

TEST_F(TerrainTest, EmptyBucketsAreNeverListed) {
    m_Flat.BucketCount[1] = 0;
    m_Flat.CollectSegmentBuckets(Segment(Vector3(-1, 0, 0.5f), Vector3(1.5f, 0, 0.5f)));
    EXPECT_EQ(Listed(m_Flat), std::vector<int>({0}));
    m_Flat.CollectBucketPolys(Vector3(1.5f, 0, 0.5f), 0.2f);
    EXPECT_EQ(Listed(m_Flat), std::vector<int>());
    EXPECT_EQ(m_Flat.MarksDirty, 0);
}

TEST_F(TerrainTest, APolygonInTwoBucketsIsTestedOncePerQuery) {
    // One cell of 2 m under a 2 x 1 grid: both triangles lie in both buckets.
    WriteTerrain(m_Files, "wide", HeightFieldText(1, 1, 2.0f, [](int, int) { return 0.0f; }), 2,
                 1);
    phBoundTerrain t;
    ASSERT_TRUE(t.Load("wide"));
    ASSERT_EQ(t.NumBucketPolys, 4);
    // Outlines are queued whatever else is on.
    for (int query = 0; query < 2; ++query) {
        phDebugLineCount = 0;
        phSegment s = Segment(Vector3(0.5f, 1, 0.5f), Vector3(1.5f, -1, 0.6f));
        phIsect isect;
        EXPECT_TRUE(t.TestProbeSegment(s, &isect, 1.0f));
        // Two bucket outlines and two triangle outlines.
        EXPECT_EQ(phDebugLineCount, 2 * 4 + 2 * 3) << query;
        EXPECT_EQ(phDebugLines[8].Colour, isect.PolyIndex == 0 ? 0xFFFF00FFu : 0xFF00FF00u);
    }
}

TEST_F(TerrainTest, SegmentTests) {
    phSegment down = Segment(Vector3(0.3f, 1, 0.4f), Vector3(0.3f, -1, 0.4f));
    phIsect isect;
    ASSERT_TRUE(m_Flat.TestProbeSegment(down, &isect, 1.0f));
    EXPECT_FLOAT_EQ(isect.T, 0.5f);
    EXPECT_EQ(isect.Polygon, &m_Flat.Polygons[isect.PolyIndex]);
    EXPECT_EQ(isect.MaterialIndex, 0);
    EXPECT_EQ(isect.HitBound, &m_Flat);
    EXPECT_TRUE(Same(isect.SegEnd, Vector3(0.3f, -1, 0.4f)));
    phIsect probe;
    EXPECT_FALSE(m_Flat.TestProbePoint(down, &probe, 0.4f));
    EXPECT_TRUE(m_Flat.TestProbePoint(down, &probe, 0.6f));
    EXPECT_TRUE(m_Flat.TestAIPoint(down, &probe));
    phSegment up = Segment(Vector3(0.3f, -1, 0.4f), Vector3(0.3f, 1, 0.4f));
    EXPECT_FALSE(m_Flat.TestAIPoint(up, &probe)) << "one-sided: the terrain is met from above";

    phIsect pair[2];
    EXPECT_EQ(m_Flat.TestEdgeSegment(up, pair, 2), 1);
    EXPECT_FLOAT_EQ(pair[0].T, 0.5f);
    EXPECT_EQ(pair[0].PolyIndex, pair[1].PolyIndex);
    EXPECT_TRUE(Same(pair[0].Position, pair[1].Position));
    EXPECT_EQ(pair[0].Polygon, pair[1].Polygon);
}

TEST_F(TerrainTest, SphereContact) {
    Vector3 position, normal;
    float depth = -1.0f;
    ASSERT_TRUE(m_Flat.TestSphere(Vector3(0.7f, 0.3f, 0.2f), 0.5f, &position, &normal, &depth));
    EXPECT_NEAR(depth, 0.2f, 1e-6f);
    EXPECT_NEAR(normal.y, 1.0f, 1e-6f);
    EXPECT_NEAR((position - Vector3(0.7f, 0, 0.2f)).Mag(), 0.0f, 1e-6f);
    EXPECT_FALSE(m_Flat.TestSphere(Vector3(0.7f, 0.6f, 0.2f), 0.5f, &position, &normal, &depth));
    EXPECT_FALSE(m_Flat.TestSphere(Vector3(9, 0, 9), 0.5f, &position, &normal, &depth));
}

TEST_F(TerrainTest, EdgeTestsSwitchTheirMarks) {
    m_Flat.EnableEdgeTests(false);
    EXPECT_EQ(m_Flat.UseEdges, 0);
    EXPECT_EQ(m_Flat.EdgeMarks, nullptr);
    m_Flat.EnableEdgeTests(true);
    EXPECT_EQ(m_Flat.UseEdges, 1);
    EXPECT_NE(m_Flat.EdgeMarks, nullptr);
}

TEST(TerrainDeathTest, EdgeSegmentNeedsTwoRecords) {
    ExpectFatalChild("TerrainEdgeSegmentWithOneRecord",
                     "Assert(maxi>=2) failed in [phbound/boundterrain");
}

TEST_CHILD(TerrainEdgeSegmentWithOneRecord) {
    phBoundTerrain t;
    phSegment s;
    phIsect isect;
    t.TestEdgeSegment(s, &isect, 1);
    return 0;
}

TEST(TerrainNormals, PackAndUnpack) {
    EXPECT_EQ(NormalToByte(1.0f), 255);
    EXPECT_EQ(NormalToByte(-1.0f), 1);
    EXPECT_EQ(NormalToByte(0.0f), 128);
    EXPECT_EQ(NormalToByte(-5.0f), 0);
    EXPECT_EQ(NormalToByte(5.0f), 255);
    const float v[4] = {1.0f, 0.0f, -1.0f, 0.5f};
    uint32_t packed = 0;
    PackNormal(packed, v);
    EXPECT_EQ(packed, 0xC00180FFu);
    float out[4];
    UnpackNormal(out, packed);
    for (int k = 0; k < 4; ++k) {
        EXPECT_NEAR(out[k], v[k], 0.01f);
    }
}

// The grid must find exactly what testing every polygon finds.
TEST(TerrainGrid, QueriesAgreeWithEveryPolygon) {
    BoundFiles files;
    std::mt19937 random(2718);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::vector<float> heights(13 * 13);
    for (float& h : heights) {
        h = 2.0f * unit(random);
    }
    WriteTerrain(files, "hills",
                 HeightFieldText(12, 12, 1.5f, [&](int i, int j) { return heights[j * 13 + i]; }),
                 11, 13);
    phBoundTerrain t;
    ConsoleCapture console;  // the coarse grid has big buckets
    ASSERT_TRUE(t.Load("hills"));
    ASSERT_EQ(t.NumPolygons, 288);
    auto point = [&](float spread) {
        return Vector3(-2 + 22 * unit(random), -1 + 4 * unit(random) * spread,
                       -2 + 22 * unit(random));
    };
    int segmentHits = 0;
    for (int i = 0; i < 600; ++i) {
        Vector3 a = point(1);
        Vector3 b = i % 4 == 0 ? Vector3(a.x, a.y - 3, a.z)
                               : (i % 4 == 1 ? a + (point(1) - a) * 0.1f : point(1));
        phSegment s = Segment(a, b);
        phIsect grid;
        bool found = t.TestProbeSegment(s, &grid, 1.0f);
        float nearest = 1.0f;
        int nearestPolygon = -1;
        phIsect all;
        for (int p = 0; p < t.NumPolygons; ++p) {
            if (t.Polygons[p].TestSegmentFront(t.Vertices, s, all, nearest)) {
                nearest = all.T;
                nearestPolygon = p;
            }
        }
        ASSERT_EQ(found, nearestPolygon >= 0) << i;
        if (found) {
            ++segmentHits;
            EXPECT_EQ(grid.T, nearest) << i;
        }
        phIsect pair[2];
        int edgeHits = t.TestEdgeSegment(s, pair, 2);
        int allHits = 0;
        for (int p = 0; p < t.NumPolygons; ++p) {
            phIsect hit;
            allHits += t.Polygons[p].TestSegment(t.Vertices, s, hit, 2.0f, -1.0f);
        }
        EXPECT_EQ(edgeHits, std::min(allHits, 2)) << i;
    }
    EXPECT_GT(segmentHits, 100);
    int sphereHits = 0;
    for (int i = 0; i < 400; ++i) {
        Vector3 c = point(1);
        float r = 0.1f + 3.0f * unit(random);
        Vector3 position, normal;
        float depth = 0.0f;
        bool found = t.TestSphere(c, r, &position, &normal, &depth);
        float best = 0.0f;
        for (int p = 0; p < t.NumPolygons; ++p) {
            Vector3 contact, contactNormal;
            float contactDepth = 0.0f;
            int feature = 0;
            if (phSpherePolygon(c, r, t, p, contact, contactNormal, contactDepth, feature) != 3 &&
                contactDepth < r && contactDepth > best) {
                best = contactDepth;
            }
        }
        ASSERT_EQ(found, best > 0.0f) << i;
        if (found) {
            ++sphereHits;
            EXPECT_EQ(depth, best) << i;
        }
    }
    EXPECT_GT(sphereHits, 50);
}

}  // namespace
