#include "phys/levelbound.h"

#include <cmath>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "city/materialmgr.h"
#include "data/stream.h"
#include "data/token.h"
#include "phbound/impact.h"
#include "phcore/isect.h"
#include "phcore/poly.h"
#include "phcore/segment.h"
#include "tests/engine/phbound/meshes.h"
#include "tests/game/phys/polygonlevel.h"
#include "tests/support/child.h"
#include "tests/support/scratch.h"

namespace {

// A level of one floor square at y = 0, 20 wide, made of the city's kind of polygon.
class TestCity : public lvlLevelBound {
public:
    TestCity() {
        m_Vertices[0] = Vector3(-10, 0, -10);
        m_Vertices[1] = Vector3(-10, 0, 10);
        m_Vertices[2] = Vector3(10, 0, 10);
        m_Vertices[3] = Vector3(10, 0, -10);
        m_Floor.InitQuad(0, 1, 2, 3, m_Vertices);
        m_Floor.MaterialIndex = 2;
        NumMaterials = 3;
    }

    const Vector3& GetVertex(int index) override { return m_Vertices[index]; }
    int TestSegmentIsects(phSegment& segment, phIsect* isects, int maxIsects) override {
        if (maxIsects < 1 || !m_Floor.TestSegment(m_Vertices, segment, isects[0], 2.0f, -1.0f)) {
            return 0;
        }
        isects[0].PolyIndex = 0;
        isects[0].Polygon = &m_Floor;
        isects[0].MaterialIndex = m_Floor.MaterialIndex;
        return 1;
    }
    bool TestSegmentRooms(phSegment& segment, phIsect* isect, float) override {
        return TestSegmentIsects(segment, isect, 1) == 1;
    }
    bool SegmentHits(phSegment& segment) override {
        phIsect isect;
        return TestSegmentIsects(segment, &isect, 1) == 1;
    }
    int CollideRoom(int room, phBoundPolygonal*, const Matrix34&, const Matrix34&,
                    phColliderBase*, phImpact*, int) override {
        m_Rooms.push_back(room);
        return 1;
    }
    int CollideRoomOffset(int room, phBoundPolygonal*, const Matrix34&, const Matrix34&,
                          phColliderBase*, phImpact*, int, const Vector3&,
                          const Matrix34& current, const Matrix34&) override {
        m_Rooms.push_back(room);
        m_OffsetY = current.d.y;
        return 1;
    }

    Vector3 m_Vertices[4];
    phPolygon m_Floor;
    std::vector<int> m_Rooms;
    float m_OffsetY = 0.0f;
};

// A level that keeps every default and refusal.
class BareLevel : public lvlLevelBound {
public:
    int TestSegmentIsects(phSegment&, phIsect*, int) override { return 0; }
    bool TestSegmentRooms(phSegment&, phIsect*, float) override { return false; }
    bool SegmentHits(phSegment&) override { return false; }
};

class LevelBoundTest : public ::testing::Test {
protected:
    ~LevelBoundTest() override { qvMaterialMgr::DeleteInstance(); }

    // A unit cube standing 0.01 deep in the test city's floor, collided into m_Isects.
    int CollideRestingCube(TestCity& city, bool vertexPaths) {
        MakeUnitCube(m_Cube);
        m_At = Translation(1, 0.49f, 2);
        int count = 0;
        city.CollidePolygonal(&m_Cube, 5, 77, m_At, m_At, m_Isects, 32, count, vertexPaths);
        return count;
    }

    TestMesh m_Cube;
    Matrix34 m_At;
    phIsect m_Isects[32];
};

TEST_F(LevelBoundTest, GameManagerTakesTheSlotBeforeTheLevelIsBuilt) {
    TestCity city;
    EXPECT_EQ(lvlLevelBound::sm_Instance, &city);
    EXPECT_EQ(city.Type, phBound::LEVEL);
    EXPECT_EQ(phMaterialMgr::Instance(), qvMaterialMgr::Instance());
    EXPECT_EQ(phMaterialMgr::DefaultMaterial, qvMaterialMgr::Instance()->GetMaterial(0));
    // The default is a game material: its width is the game default.
    EXPECT_FLOAT_EQ(qvMaterialMgr::Instance()->GetMaterial(0)->Width, 1.0f);
    for (uint32_t shade : lvlLevelBound::sm_ShadeTable) {
        EXPECT_EQ(shade, 0xFFFFFFFFu);
    }
}

TEST_CHILD(PlainManagerBeforeTheLevel) {
    phMaterialMgr::Instance();
    BareLevel level;
    return 0;
}

TEST_F(LevelBoundTest, APlainManagerInTheSlotFirstIsFatal) {
    ChildResult child = RunChild("PlainManagerBeforeTheLevel");
    EXPECT_NE(child.m_ExitCode, 0);
    EXPECT_NE(child.m_Output.find("Assert(RefCount == 1) failed"), std::string::npos)
        << child.m_Output;
}

TEST_F(LevelBoundTest, MaterialsByIndex) {
    BareLevel level;
    EXPECT_EQ(level.GetNumMaterials(), 1);
    ScratchDir scratch;
    std::string path = scratch.Path("l.mtl");
    ASSERT_TRUE(WriteWholeFile(path,
                               "mtl first { elasticity: 0.1 friction: 0.2 effect: none sound: none }\n"
                               "mtl second { elasticity: 0.3 friction: 0.4 effect: none sound: none }\n"));
    Stream* stream = StreamOpen(path.c_str());
    ASSERT_NE(stream, nullptr);
    TokenReader reader(path.c_str(), stream);
    qvMaterialMgr::Instance()->Load(reader);
    qvMaterialMgr::Instance()->Load(reader);
    StreamClose(stream);
    EXPECT_EQ(level.GetMaterial(0), phMaterialMgr::DefaultMaterial);
    EXPECT_EQ(level.GetMaterial(1), qvMaterialMgr::Instance()->GetMaterial(0));
    EXPECT_EQ(level.GetMaterial(2), qvMaterialMgr::Instance()->GetMaterial(1));
    EXPECT_STREQ(level.GetMaterial(3)->Name, "second");
}

TEST_F(LevelBoundTest, OneLevelAtATime) {
    { BareLevel first; }
    BareLevel again;
    EXPECT_EQ(lvlLevelBound::sm_Instance, &again);
}

TEST_CHILD(TwoLevels) {
    BareLevel first;
    BareLevel second;
    return 0;
}

TEST_F(LevelBoundTest, TwoLevelsAtOnceAreFatal) {
    ChildResult child = RunChild("TwoLevels");
    EXPECT_NE(child.m_ExitCode, 0);
    EXPECT_NE(child.m_Output.find("Assert(!sm_Instance) failed in [phys/levelbound, line"),
              std::string::npos)
        << child.m_Output;
    EXPECT_EQ(lvlLevelBound::sm_Instance, nullptr);
}

TEST_F(LevelBoundTest, Defaults) {
    BareLevel level;
    EXPECT_EQ(level.PassThrough(3, 7.5f), 7.5f);
    EXPECT_EQ(level.ValueQuery(1), 0.0f);
    EXPECT_EQ(level.CountQuery(1, 2, 3), 0);
    EXPECT_FALSE(level.TestQuery(1, 2, 3));
    EXPECT_FALSE(level.PairTest(1, 2));
    Vector3 position;
    Vector3 normal;
    float depth = 0.0f;
    EXPECT_FALSE(level.TestSphere(Vector3(0, 0, 0), 1.0f, &position, &normal, &depth));
    phPolygonCache* cache = level.CreatePolygonCache();
    ASSERT_NE(cache, nullptr);
    EXPECT_TRUE(cache->Polygon.Normal.IsZero());
    EXPECT_EQ(cache->Polygon.VertexIndex[3], 0);
    EXPECT_EQ(cache->Polygon.EdgeNormals[2].x, 0.0f);
    delete cache;
    EXPECT_EQ(level.CollideRoom(1, nullptr, Matrix34::sm_Identity, Matrix34::sm_Identity,
                                nullptr, nullptr, 4),
              0);
    EXPECT_EQ(level.CollideRooms(nullptr, Matrix34::sm_Identity, Matrix34::sm_Identity, 1.0f,
                                 nullptr, nullptr, 4),
              0);
}

TEST_CHILD(Refusal) {
    BareLevel level;
    phSegment segment;
    phIsect isect;
    Vector3 out;
    const std::string which = std::getenv("PLATTOR_REFUSAL");
    if (which == "TestEdgeSegment") {
        level.TestEdgeSegment(segment, &isect, 2);
    } else if (which == "TestProbeSegment") {
        level.TestProbeSegment(segment, &isect, 1.0f);
    } else if (which == "GetEdgeAngle") {
        level.GetEdgeAngle(0, 0);
    } else if (which == "GetEdgeNormal") {
        level.GetEdgeNormal(0, 0, out);
    } else if (which == "TestProbePoint") {
        level.TestProbePoint(segment, &isect, 1.0f);
    } else {
        level.TestAIPoint(segment, &isect);
    }
    return 0;
}

TEST_F(LevelBoundTest, RefusedOperationsFailAssertionZero) {
    struct Case {
        const char* operation;
        int line;
    };
    const Case cases[] = {{"TestEdgeSegment", 39}, {"TestProbeSegment", 45},
                          {"GetEdgeAngle", 51},    {"GetEdgeNormal", 57},
                          {"TestProbePoint", 63},  {"TestAIPoint", 69}};
    for (const Case& c : cases) {
        _putenv_s("PLATTOR_REFUSAL", c.operation);
        ChildResult child = RunChild("Refusal");
        EXPECT_NE(child.m_ExitCode, 0) << c.operation;
        std::string expected =
            "Assert(0) failed in [phys/levelbound, line " + std::to_string(c.line) + "].";
        EXPECT_NE(child.m_Output.find(expected), std::string::npos) << child.m_Output;
    }
}

TEST_F(LevelBoundTest, CubeRestingInTheFloorGivesOneImpactPerBottomVertex) {
    TestCity city;
    int count = CollideRestingCube(city, true);
    TestMesh& cube = m_Cube;
    Matrix34& at = m_At;
    phIsect* isects = m_Isects;
    // The four upright edges cross the floor; the vertex paths have no length.
    ASSERT_EQ(count, 4);
    for (int i = 0; i < count; ++i) {
        EXPECT_EQ(isects[i].Id, 77u);
        EXPECT_EQ(isects[i].HitBound, &city);
        EXPECT_EQ(isects[i].Flags & phIsect::VertexPath, 0);
        EXPECT_NEAR(isects[i].EdgeNormal.Mag(), 1.0f, 1e-5f);
    }
    EXPECT_TRUE(city.AnySegmentHits(&cube, at, at));
    Matrix34 above = Translation(1, 0.6f, 2);
    EXPECT_FALSE(city.AnySegmentHits(&cube, above, above));

    phImpact impacts[8];
    int made = city.FindImpacts(&cube, at, at, nullptr, nullptr, 4, isects, count, impacts, 8);
    ASSERT_EQ(made, 4);
    for (int i = 0; i < made; ++i) {
        EXPECT_NEAR(impacts[i].Depth, 0.01f, 1e-5f);
        EXPECT_FLOAT_EQ(impacts[i].Normal.y, 1.0f);
        EXPECT_NEAR(impacts[i].Position.y, -0.005f, 1e-5f);
        EXPECT_FALSE(std::isnan(impacts[i].Position.x));
        EXPECT_EQ(impacts[i].ComponentA, 4);  // the cube's material on its side
    }
}

TEST_F(LevelBoundTest, FullImpactTableIsReported) {
    TestCity city;
    int count = CollideRestingCube(city, false);
    phImpact impacts[2];
    testing::internal::CaptureStdout();
    EXPECT_EQ(city.FindImpacts(&m_Cube, m_At, m_At, nullptr, nullptr, 0, m_Isects, count,
                               impacts, 2),
              2);
    std::string output = testing::internal::GetCapturedStdout();
    EXPECT_NE(output.find("FindImpacts: Completely filled intersection table!"),
              std::string::npos)
        << output;
}

int FourRooms(const Vector3&, float, int* rooms, int max) {
    int found[] = {7, 3, 4, 5};
    int n = 0;
    for (int room : found) {
        if (n < max) {
            rooms[n++] = room;
        }
    }
    return n;
}

TEST_F(LevelBoundTest, RoomSetsVisitTheRoomAndItsNeighbours) {
    TestCity city;
    lvlLevelBound::sm_RoomQuery = FourRooms;
    phImpact impacts[8];
    Matrix34 at = Translation(0, 1, 0);
    EXPECT_EQ(city.CollideRooms(nullptr, at, at, 2.0f, nullptr, impacts, 8), 4);
    EXPECT_EQ(city.m_Rooms, (std::vector<int>{7, 3, 4, 5}));
    city.m_Rooms.clear();
    EXPECT_EQ(city.CollideRoomsOffset(nullptr, at, at, 2.0f, Vector3(0, 10, 0), nullptr,
                                      impacts, 2),
              2);
    EXPECT_EQ(city.m_Rooms, (std::vector<int>{7, 3}));
    EXPECT_FLOAT_EQ(city.m_OffsetY, 11.0f);
    lvlLevelBound::sm_RoomQuery = nullptr;
}

// The world direction of a cube's edge normal: from the cube's centre to the edge's middle.
Vector3 CubeEdgeDirection(TestMesh& cube, const Matrix34& at, int edge) {
    Vector3 middle = (cube.GetVertex(cube.Edges[edge][0]) + cube.GetVertex(cube.Edges[edge][1])) *
                     0.5f;
    middle.Transform(at);
    Vector3 direction = middle - at.d;
    direction.Normalize();
    return direction;
}

// Turned and dropping a little: edge records carry the cube's edge normal in the world, vertex
// paths no first vertex.
TEST_F(LevelBoundTest, RecordsCarryWorldEdgeNormalsAndVertexPathsHaveNoFirstVertex) {
    TestCity city;
    MakeUnitCube(m_Cube);
    Matrix34 at = Matrix34::sm_Identity;
    at.MakeRotateY(0.5f);
    at.d.Set(1, 0.49f, 2);
    Matrix34 last = at;
    last.d.y += 0.3f;
    int count = 0;
    city.CollidePolygonal(&m_Cube, 5, 77, at, last, m_Isects, 32, count, true);
    int edges = 0;
    int paths = 0;
    for (int i = 0; i < count; ++i) {
        const phIsect& r = m_Isects[i];
        SCOPED_TRACE(i);
        if (r.Flags & phIsect::VertexPath) {
            ++paths;
            EXPECT_EQ(r.VertexA, -1);
            EXPECT_EQ(r.VertexB, r.FeatureIndex);
            EXPECT_LT(m_Cube.GetVertex(r.VertexB).y, 0.0f);
            continue;
        }
        ++edges;
        Vector3 expected = CubeEdgeDirection(m_Cube, at, r.FeatureIndex);
        EXPECT_NEAR(r.EdgeNormal.x, expected.x, 1e-5f);
        EXPECT_NEAR(r.EdgeNormal.y, expected.y, 1e-5f);
        EXPECT_NEAR(r.EdgeNormal.z, expected.z, 1e-5f);
        EXPECT_EQ(r.VertexA, m_Cube.Edges[r.FeatureIndex][0]);
        EXPECT_EQ(r.VertexB, m_Cube.Edges[r.FeatureIndex][1]);
    }
    EXPECT_EQ(edges, 4);
    EXPECT_EQ(paths, 4);
}

// A level whose first segment test collides another bound with it, as a nested query would.
class NestingLevel : public TestCity {
public:
    int TestSegmentIsects(phSegment& segment, phIsect* isects, int maxIsects) override {
        if (m_Inner) {
            TestMesh* inner = m_Inner;
            m_Inner = nullptr;
            phIsect records[32];
            int count = 0;
            Matrix34 far = Translation(-5, 0.2f, -5);
            CollidePolygonal(inner, 0, 0, far, far, records, 32, count, false);
        }
        return TestCity::TestSegmentIsects(segment, isects, maxIsects);
    }

    TestMesh* m_Inner = nullptr;
};

TEST_F(LevelBoundTest, CollidePolygonalIsReentrant) {
    NestingLevel city;
    TestMesh tall;
    MakeBox(tall, 0.25f, 1.0f, 0.25f);
    city.m_Inner = &tall;
    int count = CollideRestingCube(city, false);
    ASSERT_EQ(count, 4);
    for (int i = 0; i < count; ++i) {
        const phIsect& r = m_Isects[i];
        Vector3 start = m_Cube.GetVertex(r.VertexA);
        start.Transform(m_At);
        Vector3 end = m_Cube.GetVertex(r.VertexB);
        end.Transform(m_At);
        EXPECT_EQ(r.SegStart.Dist(start), 0.0f) << i;
        EXPECT_EQ(r.SegEnd.Dist(end), 0.0f) << i;
    }
}

// Upright edges through a slab give a pair of records each, which the vertex search passes
// by: their impacts come from the records' own contact points, the level on side A. Random
// turns of a tall box are checked against the crossing computed in double.
TEST_F(LevelBoundTest, PairedRecordsGiveDirectImpactsAtTheirContactPoints) {
    PolygonLevel level;
    const float thickness = 0.2f;
    level.MakeSlab(thickness);
    level.Margin = 0.02f;
    TestMesh tall;
    MakeBox(tall, 0.1f, 1.0f, 0.1f);
    tall.Margin = 0.03f;
    char body = 0;
    char ground = 0;
    phColliderBase* collider = reinterpret_cast<phColliderBase*>(&body);
    phColliderBase* levelCollider = reinterpret_cast<phColliderBase*>(&ground);
    const int material = 6;
    std::mt19937 random(1616);
    std::uniform_real_distribution<float> tilt(-0.3f, 0.3f);
    std::uniform_real_distribution<float> place(-3.0f, 3.0f);
    // Some boxes end inside the slab: their edges cross the top alone and go to the vertex
    // search.
    std::uniform_real_distribution<float> height(-0.3f, 1.0f);
    int direct = 0;
    int vertex = 0;
    for (int trial = 0; trial < 200; ++trial) {
        SCOPED_TRACE(trial);
        Matrix34 at = Matrix34::sm_Identity;
        at.MakeRotateX(tilt(random));
        at.RotateZ(tilt(random));
        at.d.Set(place(random), height(random), place(random));
        phIsect isects[32];
        int count = 0;
        level.CollidePolygonal(&tall, 0, 1, at, at, isects, 32, count, false);
        phIsect records[32];
        std::copy(isects, isects + count, records);
        phImpact impacts[32];
        int made = level.FindImpacts(&tall, at, at, collider, levelCollider, material, isects,
                                     count, impacts, 32);
        for (int i = 0; i < made; ++i) {
            const phImpact& impact = impacts[i];
            if (impact.ColliderA == collider) {
                // From the vertex search: the body's vertex on a level polygon.
                ++vertex;
                EXPECT_EQ(impact.ColliderB, levelCollider);
                EXPECT_EQ(impact.ComponentA, material);
                EXPECT_EQ(impact.ComponentB, -1);
                continue;
            }
            ++direct;
            ASSERT_EQ(impact.ColliderA, levelCollider);
            EXPECT_EQ(impact.ColliderB, collider);
            EXPECT_EQ(impact.ComponentA, -1);
            EXPECT_EQ(impact.ComponentB, material);
            EXPECT_EQ(impact.Friction, 1.0f);
            EXPECT_EQ(impact.Elasticity, 0.25f);
            EXPECT_EQ(impact.Margin, 0.02f);
            // The record of this edge on this polygon, as CollidePolygonal wrote it.
            const phIsect* record = nullptr;
            for (int r = 0; r < count; ++r) {
                if (records[r].FeatureIndex == impact.FeatureB &&
                    records[r].PolyIndex == impact.FeatureA) {
                    record = &records[r];
                }
            }
            ASSERT_NE(record, nullptr);
            const bool top = impact.FeatureA == 0;
            const double planeY = top ? 0.0 : -thickness;
            // The level's normal turned round to point at the level: down through the top.
            EXPECT_EQ(impact.Normal.y, top ? -1.0f : 1.0f);
            EXPECT_EQ(impact.Normal.x, 0.0f);
            double y0 = record->SegStart.y;
            double y1 = record->SegEnd.y;
            double t = (planeY - y0) / (y1 - y0);
            for (int k = 0; k < 3; ++k) {
                double a = (&record->SegStart.x)[k];
                double b = (&record->SegEnd.x)[k];
                EXPECT_NEAR((&impact.Position.x)[k], a + t * (b - a), 1e-5) << k;
            }
            // The depth is how far the end behind the polygon went in.
            double behind = top ? std::max(-y0, -y1) : std::max(y0, y1) + thickness;
            EXPECT_NEAR(impact.Depth, behind, 1e-5);
            // The second record of a pair (the underside's, after the top's) counts as a point
            // on the face.
            EXPECT_EQ(impact.Type, top ? phImpact::EDGE_EDGE : phImpact::A_ON_FACE);
        }
    }
    EXPECT_GT(direct, 200);
    EXPECT_GT(vertex, 0);
}

}  // namespace
