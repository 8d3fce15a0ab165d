#include "phbound/boundhotdog.h"

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "phbound/boundbox.h"
#include "phbound/boundgeometry.h"
#include "phbound/impact.h"
#include "phcore/isect.h"
#include "phcore/segment.h"
#include "tests/engine/phbound/boundfiles.h"
#include "tests/engine/phbound/frames.h"
#include "tests/engine/phbound/meshes.h"
#include "tests/engine/phbound/strokes.h"
#include "tests/support/child.h"
#include "tests/support/console.h"

namespace {

// Distance in double precision from a point to the capsule's axis, from -h to h along y.
double AxisDistance(double x, double y, double z, double h) {
    double nearest = std::max(-h, std::min(h, y));
    return std::sqrt(x * x + (y - nearest) * (y - nearest) + z * z);
}

// Distance between two segments by sampling both.
double SampledDistance(const Vector3& pA, const Vector3& dA, const Vector3& pB,
                       const Vector3& dB, Vector3& onA, Vector3& onB) {
    const int Steps = 400;
    double best = 1e30;
    for (int i = 0; i <= Steps; ++i) {
        Vector3 a = pA + dA * (float(i) / Steps);
        for (int j = 0; j <= Steps; ++j) {
            Vector3 b = pB + dB * (float(j) / Steps);
            double d = (a - b).Mag();
            if (d < best) {
                best = d;
                onA = a;
                onB = b;
            }
        }
    }
    return best;
}

phSegment Segment(const Vector3& start, const Vector3& end) {
    phSegment segment;
    segment.Set(start, end, phSegment::EDGE, 0);
    return segment;
}

TEST(BoundHotdogTest, FittingAndSizing) {
    BoundFiles files;
    auto box = [](float y) {
        std::string ys = std::to_string(y);
        return "version: 1.01\nverts: 2 materials: 1 edges: 0 polys: 1\nv -1 -" + ys +
               " -1\nv 1 " + ys +
               " 1\nmtl dog {\n\telasticity: 0.2\n\tfriction: 0.6\n\teffect: none\n"
               "\tsound: none\n}\ntri 0 1 0 0\n";
    };
    files.Write("long", "bnd", box(3.0f));
    files.Write("short", "bnd", box(0.5f));
    phBoundHotdog dog;
    ASSERT_TRUE(dog.Load("long"));
    EXPECT_FLOAT_EQ(dog.Radius, 1.0f);
    EXPECT_FLOAT_EQ(dog.Length, 4.0f);
    EXPECT_FLOAT_EQ(dog.GetMaterial(3)->Friction, 0.6f);
    ASSERT_TRUE(dog.Load("short"));
    EXPECT_EQ(dog.Length, 0.0f);

    files.Write("bad", "bnd", CubeText("1.0"));
    ConsoleCapture console;
    EXPECT_FALSE(dog.Load("bad"));
    EXPECT_NE(console.Take().find("Error: phBoundHotdog::Load()- Bad file version number 1.0"),
              std::string::npos);

    dog.SetDimensions(2.0f, 1.0f);
    EXPECT_EQ(dog.Radius, 1.0f);
    EXPECT_EQ(dog.Length, 0.0f);
    phBoundHotdog scaled(1.0f, 2.0f);
    EXPECT_FLOAT_EQ(scaled.RadiusAroundCentroid, std::sqrt(2.0f + 4.0f));
    scaled.ScaleDimensions(2.0f, 1.0f);
    EXPECT_EQ(scaled.Length, 0.0f);
    EXPECT_EQ(scaled.Radius, 2.0f);
    scaled.SetSize(0.5f, 3.0f);
    EXPECT_FLOAT_EQ(scaled.RadiusAroundCentroid, 2.0f);
    EXPECT_FLOAT_EQ(scaled.BoxMax.y, 2.0f);
}

TEST(BoundHotdogTest, ContainsPointCountsTheSurfaceAsInside) {
    phBoundHotdog dog(1.0f, 2.0f);
    struct Case {
        Vector3 point;
        bool inside;
    };
    const Case cases[] = {
        {Vector3(0, 2, 0), true},      {Vector3(0, 2.001f, 0), false},
        {Vector3(1, 0, 0), true},      {Vector3(0.8f, 1.8f, 0), false},
        {Vector3(0, -2, 0), true},     {Vector3(0.6f, -1.6f, 0.6f), false},
        {Vector3(0.6f, 1.6f, 0), true}, {Vector3(0, 0, 1.001f), false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(dog.ContainsPoint(c.point), c.inside) << c.point.x << " " << c.point.y;
    }
}

// Crossings against the sign changes of (distance to the axis - r) along the segment,
// sampled in double precision.
TEST(BoundHotdogTest, RandomSegmentsAgreeWithSampledCrossings) {
    std::mt19937 rng(2602);
    std::uniform_real_distribution<float> coordinate(-3.0f, 3.0f);
    for (float length : {2.0f, 0.0f}) {
        phBoundHotdog dog(1.0f, length);
        double h = 0.5 * length;
        for (int i = 0; i < 600; ++i) {
            Vector3 s(coordinate(rng), coordinate(rng), coordinate(rng));
            Vector3 e(coordinate(rng), coordinate(rng), coordinate(rng));
            const int Steps = 20000;
            std::vector<double> crossings;
            bool wasInside = AxisDistance(s.x, s.y, s.z, h) <= 1.0;
            for (int k = 1; k <= Steps; ++k) {
                double t = double(k) / Steps;
                bool inside = AxisDistance(s.x + t * (e.x - s.x), s.y + t * (e.y - s.y),
                                           s.z + t * (e.z - s.z), h) <= 1.0;
                if (inside != wasInside) {
                    crossings.push_back(t);
                }
                wasInside = inside;
            }
            phSegment segment = Segment(s, e);
            phIsect records[2];
            int count = dog.TestEdgeSegment(segment, records, 2);
            // Grazing segments may cross between two samples; leave those out.
            if (int(crossings.size()) != count && count == 2 &&
                records[1].T - records[0].T < 2.0 / Steps) {
                continue;
            }
            ASSERT_EQ(count, int(crossings.size())) << "length " << length << " case " << i;
            for (int k = 0; k < count; ++k) {
                EXPECT_NEAR(records[k].T, crossings[k], 1.5 / Steps);
                const Vector3& p = records[k].Position;
                EXPECT_NEAR(AxisDistance(p.x, p.y, p.z, h), 1.0, 1e-4);
                int part = p.y > h ? 1 : p.y < -h ? 0 : 2;
                if (length > 0.0f) {
                    EXPECT_EQ(records[k].PolyIndex, part);
                }
                EXPECT_NEAR(records[k].Normal.Mag(), 1.0f, 1e-5f);
                EXPECT_EQ(records[k].FrontSide, dog.ContainsPoint(s) ? 0u : 1u);
            }
            phIsect probe;
            bool hit = dog.TestProbeSegment(segment, &probe, 2.0f);
            EXPECT_EQ(hit, !dog.ContainsPoint(s) && count > 0);
        }
    }
}

TEST(BoundHotdogTest, TestSphereBranches) {
    phBoundHotdog dog(1.0f, 2.0f);
    Vector3 position, normal;
    float depth = 0.0f;
    ASSERT_TRUE(dog.TestSphere(Vector3(0, 2.5f, 0), 1.0f, &position, &normal, &depth));
    EXPECT_FLOAT_EQ(depth, 0.5f);
    EXPECT_FLOAT_EQ(normal.y, 1.0f);
    EXPECT_FLOAT_EQ(position.y, 1.5f);
    // Exactly at the end of the cylinder: the side.
    ASSERT_TRUE(dog.TestSphere(Vector3(1.5f, 1.0f, 0), 1.0f, &position, &normal, &depth));
    EXPECT_FLOAT_EQ(normal.x, 1.0f);
    EXPECT_FLOAT_EQ(normal.y, 0.0f);
    EXPECT_FLOAT_EQ(position.y, 1.0f);
    EXPECT_FALSE(dog.TestSphere(Vector3(0, -4.1f, 0), 1.0f, &position, &normal, &depth));
    ASSERT_TRUE(dog.TestSphere(Vector3(0, 0, 0), 1.0f, &position, &normal, &depth));
    EXPECT_EQ(normal.x, 1.0f);
}

TEST(BoundHotdogTest, SphereAgainstCapsule) {
    phBoundHotdog dog(1.0f, 2.0f);
    phBoundHotdog other;
    Matrix34 identity = Matrix34::sm_Identity;
    phImpact impact;
    ASSERT_EQ(dog.CollideSphere(&other, 1.0f, identity, Vector3(0, 2.5f, 0), nullptr, nullptr,
                                &impact),
              1);
    EXPECT_FLOAT_EQ(impact.Depth, 0.5f);
    EXPECT_EQ(impact.FeatureB, 1);
    EXPECT_FLOAT_EQ(impact.Normal.y, 1.0f);
    EXPECT_NEAR((impact.Position - Vector3(0, 1.75f, 0)).Mag(), 0.0f, 1e-6f);
    // A centre on the axis is pushed out along the capsule's x axis.
    Matrix34 turned;
    turned.MakeRotateY(1.0f);
    turned.d.Set(0, 0, 0);
    ASSERT_EQ(dog.CollideSphere(&other, 0.5f, turned, Vector3(0, 0.3f, 0), nullptr, nullptr,
                                &impact),
              1);
    EXPECT_NEAR((impact.Normal - turned.a).Mag(), 0.0f, 1e-6f);
    EXPECT_FLOAT_EQ(impact.Depth, 1.5f);

    // Random spheres against a turned capsule, against the sampled axis.
    std::mt19937 rng(2603);
    std::uniform_real_distribution<float> coordinate(-2.5f, 2.5f);
    int touching = 0;
    for (int i = 0; i < 500; ++i) {
        Matrix34 matrix = RandomRotation(rng, Vector3(1, 2, 3));
        Vector3 centre = matrix.d + Vector3(coordinate(rng), coordinate(rng), coordinate(rng));
        Vector3 onAxis, onCentre;
        double distance = SampledDistance(matrix.d - matrix.b, matrix.b * 2.0f, centre,
                                          Vector3(0, 0, 0), onAxis, onCentre);
        int count = dog.CollideSphere(&other, 0.7f, matrix, centre - matrix.d, nullptr, nullptr,
                                      &impact);
        if (std::fabs(distance - 1.7) < 0.01) {
            continue;
        }
        ASSERT_EQ(count, distance < 1.7 ? 1 : 0) << i;
        if (count && distance > 0.05) {
            ++touching;
            EXPECT_NEAR(impact.Depth, 1.7 - distance, 0.01) << i;
            Vector3 expected = centre - onAxis;
            expected.Normalize();
            EXPECT_GT(impact.Normal.Dot(expected), 0.999f) << i;
        }
    }
    EXPECT_GT(touching, 50);
}

TEST(BoundHotdogTest, CapsuleAgainstCapsule) {
    phBoundHotdog a(0.5f, 2.0f), b(0.5f, 2.0f);
    Matrix34 matrixA = Translation(0.8f, 0, 0), matrixB = Translation(0, 0, 0);
    phImpact impacts[2];
    ASSERT_EQ(a.CollideHotdog(&b, matrixA, matrixB, nullptr, nullptr, impacts, 2), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_NEAR(impacts[i].Depth, 0.2f, 1e-6f);
        EXPECT_NEAR((impacts[i].Normal - Vector3(1, 0, 0)).Mag(), 0.0f, 1e-6f);
        EXPECT_NEAR((impacts[i].Position - Vector3(0.4f, i ? 1.0f : -1.0f, 0)).Mag(), 0.0f, 1e-6f);
        EXPECT_EQ(impacts[i].FeatureA, i);
        EXPECT_EQ(impacts[i].FeatureB, i);
    }
    EXPECT_EQ(a.CollideHotdog(&b, matrixA, matrixB, nullptr, nullptr, impacts, 1), 1);
    EXPECT_EQ(a.CollideHotdog(&b, Translation(1.01f, 0, 0), matrixB, nullptr, nullptr, impacts, 2),
              0);
    // Tilted 0.02 rad (still parallel): the upper ends are 0.98 apart, the lower 1.02, so
    // only the upper end touches.
    Matrix34 tilted;
    tilted.MakeRotateZ(0.02f);
    tilted.d.Set(1.0f, 0, 0);
    ASSERT_EQ(a.CollideHotdog(&b, tilted, matrixB, nullptr, nullptr, impacts, 2), 1);
    EXPECT_NEAR(impacts[0].Depth, 0.02f, 1e-3f);
    EXPECT_GT(impacts[0].Position.y, 0.9f);
    // Tilted 0.1 rad the axes are no longer parallel (the limit is 0.035 rad): one impact at
    // the closest points, though both ends would still overlap.
    Matrix34 leaning;
    leaning.MakeRotateZ(0.1f);
    leaning.d.Set(0.8f, 0, 0);
    EXPECT_EQ(a.CollideHotdog(&b, leaning, matrixB, nullptr, nullptr, impacts, 2), 1);
    // Crossing axes: the normal is their common normal, never NaN.
    Matrix34 crossing;
    crossing.MakeRotateZ(1.5707964f);
    crossing.d.Set(0, 0, 0);
    ASSERT_EQ(a.CollideHotdog(&b, crossing, matrixB, nullptr, nullptr, impacts, 2), 1);
    EXPECT_NEAR(std::fabs(impacts[0].Normal.z), 1.0f, 1e-6f);
    EXPECT_FLOAT_EQ(impacts[0].Depth, 1.0f);

    std::mt19937 rng(2604);
    std::uniform_real_distribution<float> coordinate(-1.5f, 1.5f);
    phBoundHotdog c(0.4f, 1.5f), d(0.3f, 0.0f);
    int checked = 0;
    for (int i = 0; i < 150; ++i) {
        Matrix34 mA = RandomRotation(rng, Vector3(coordinate(rng), coordinate(rng), coordinate(rng)));
        Matrix34 mB = RandomRotation(rng, Vector3(0, 0, 0));
        phBoundHotdog& other = i % 3 ? c : d;
        Vector3 onA, onB;
        double distance = SampledDistance(mA.d - mA.b * 0.75f, mA.b * 1.5f,
                                          mB.d - mB.b * (0.5f * other.Length),
                                          mB.b * other.Length, onA, onB);
        double reach = 0.4 + other.Radius;
        int count = c.CollideHotdog(&other, mA, mB, nullptr, nullptr, impacts, 2);
        if (std::fabs(distance - reach) < 0.01) {
            continue;
        }
        ASSERT_EQ(count > 0, distance < reach) << i;
        if (count && distance > 0.05) {
            ++checked;
            EXPECT_NEAR(impacts[0].Depth, reach - distance, 0.01) << i;
            Vector3 expected = onA - onB;
            expected.Normalize();
            EXPECT_GT(impacts[0].Normal.Dot(expected), 0.99f) << i;
        }
    }
    EXPECT_GT(checked, 20);
}

TEST(BoundHotdogTest, CapsuleAgainstPolygons) {
    // A floor of two triangles as a mesh bound, so that its edges carry their real normals
    // and angle values (the diagonal is flat).
    BoundFiles files;
    files.Write("floor", "bnd",
                "version: 1.01\nverts: 4 materials: 1 edges: 0 polys: 2\n"
                "v -10 0 -10\nv 10 0 -10\nv 10 0 10\nv -10 0 10\n"
                "mtl floor {\n\telasticity: 0.1\n\tfriction: 0.5\n\teffect: none\n"
                "\tsound: none\n}\ntri 0 2 1 0\ntri 0 3 2 0\n");
    phBoundGeometry floor;
    ASSERT_TRUE(floor.Load("floor"));
    phBoundHotdog dog(0.5f, 2.0f);
    Matrix34 identity = Matrix34::sm_Identity;
    phImpact impacts[16];

    // Lying across the diagonal of the floor, 0.1 deep.
    Matrix34 lying;
    lying.MakeRotateZ(1.5707964f);
    lying.d.Set(0.3f, 0.4f, 0.2f);
    int count = dog.CollidePolygonal(&floor, lying, identity, Vector3(0, 1, 0), nullptr,
                                     nullptr, impacts, 16);
    ASSERT_GT(count, 0);
    for (int i = 0; i < count; ++i) {
        EXPECT_NEAR(impacts[i].Normal.y, 1.0f, 1e-5f);
        EXPECT_NEAR(impacts[i].Depth, 0.1f, 1e-5f);
    }

    // Random tilts and heights: the deepest impact against the sampled lowest axis point.
    std::mt19937 rng(2605);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    int checked = 0;
    for (int i = 0; i < 300; ++i) {
        Matrix34 matrix = RandomRotation(rng, Vector3(4 * unit(rng) - 2, 0, 4 * unit(rng) - 2));
        float lowest = std::fabs(matrix.b.y);  // the lower cap's centre, below the middle
        matrix.d.y = lowest + 0.5f - 0.3f * unit(rng);
        const int Steps = 2000;
        double low = 1e30;
        for (int k = 0; k <= Steps; ++k) {
            Vector3 p = matrix.d + matrix.b * (-1.0f + 2.0f * k / Steps);
            low = std::min(low, double(p.y));
        }
        double expected = 0.5 - low;
        count = dog.CollidePolygonal(&floor, matrix, identity, Vector3(0, 1, 0), nullptr,
                                     nullptr, impacts, 16);
        if (expected < 0.005) {
            continue;
        }
        ASSERT_GT(count, 0) << i;
        float deepest = 0.0f;
        for (int k = 0; k < count; ++k) {
            deepest = std::max(deepest, impacts[k].Depth);
            EXPECT_GT(impacts[k].Normal.y, 0.999f) << i;
            EXPECT_LE(impacts[k].Depth, expected + 1e-3) << i;
        }
        EXPECT_NEAR(deepest, expected, 1e-3) << i;
        ++checked;
    }
    EXPECT_GT(checked, 100);

    // Lying along z across the top edge (x 0.5, y 0.5) of a unit cube: one edge contact
    // along the edge's own normal.
    files.Write("cube", "bnd", CubeText());
    phBoundGeometry cube;
    ASSERT_TRUE(cube.Load("cube"));
    Matrix34 alongZ;
    alongZ.MakeRotateX(1.5707964f);
    alongZ.d.Set(0.8f, 0.8f, 0.0f);
    count = dog.CollidePolygonal(&cube, alongZ, identity, Vector3(1, 1, 0), nullptr, nullptr,
                                 impacts, 16);
    ASSERT_EQ(count, 1);
    EXPECT_NEAR((impacts[0].Normal - Vector3(0.70710677f, 0.70710677f, 0)).Mag(), 0.0f, 1e-5f);
    EXPECT_NEAR(impacts[0].Depth, 0.5f - 0.3f * std::sqrt(2.0f), 1e-5f);
    EXPECT_EQ(impacts[0].FeatureA, phBoundHotdog::SIDE);
    // Axis and edge are parallel: the edge test names the nearer end of the edge.
    if (impacts[0].Type == phImpact::EDGE_EDGE) {
        EXPECT_EQ(impacts[0].FeatureB, cube.FindEdge(0, 4));
    } else {
        EXPECT_EQ(impacts[0].Type, phImpact::B_ON_FACE);
        EXPECT_TRUE(impacts[0].FeatureB == 0 || impacts[0].FeatureB == 4) << impacts[0].FeatureB;
    }

    // Standing through a thin plate with both caps beyond reach: the side is pushed out.
    TestMesh plate;
    MakeFloor(plate, 3.0f, 0.0f, false);
    count = dog.CollidePolygonal(&plate, Translation(0, 0.4f, 0), identity, Vector3(0, 1, 0),
                                 nullptr, nullptr, impacts, 16);
    ASSERT_GT(count, 0);
    EXPECT_NEAR(impacts[0].Normal.y, 1.0f, 1e-5f);
    EXPECT_NEAR(impacts[0].Depth, 1.1f, 1e-5f);
}

// A capsule lying on one face is held at both caps: one impact per cap on the same face, each
// as deep as its cap reaches below the face, under its own cap centre.
TEST(BoundHotdogTest, CapsuleLyingOnOneFaceRestsOnBothCaps) {
    TestMesh plate;
    MakeFloor(plate, 3.0f, 0.0f, false);
    phBoundBox box(Vector3(4.0f, 1.0f, 4.0f));
    struct Case {
        const char* Name;
        phBoundPolygonal* Bound;
        float Top;
        float Tilt;  // turn about z away from lying flat
    };
    const Case cases[] = {{"plate, flat", &plate, 0.0f, 0.0f},
                          {"plate, tilted", &plate, 0.0f, 0.02f},
                          {"box top, flat", &box, 0.5f, 0.0f},
                          {"box top, tilted", &box, 0.5f, -0.02f}};
    phBoundHotdog dog(0.5f, 2.0f);
    Matrix34 identity = Matrix34::sm_Identity;
    for (const Case& c : cases) {
        Matrix34 lying;
        lying.MakeRotateZ(1.5707964f + c.Tilt);
        lying.d.Set(0.3f, c.Top + 0.45f, 0.2f);
        phImpact impacts[16];
        int count = dog.CollidePolygonal(c.Bound, lying, identity, Vector3(0, 1, 0), nullptr,
                                         nullptr, impacts, 16);
        ASSERT_EQ(count, 2) << c.Name;
        bool seen[2] = {false, false};
        for (int i = 0; i < count; ++i) {
            const phImpact& impact = impacts[i];
            int cap = impact.FeatureA;
            ASSERT_TRUE(cap == phBoundHotdog::LOWER_CAP || cap == phBoundHotdog::UPPER_CAP)
                << c.Name;
            seen[cap] = true;
            EXPECT_EQ(impact.Type, phImpact::A_ON_FACE) << c.Name;
            EXPECT_EQ(impact.FeatureB, impacts[0].FeatureB) << c.Name;
            Vector3 centre = lying.d + lying.b * (cap == phBoundHotdog::UPPER_CAP ? 1.0f : -1.0f);
            EXPECT_NEAR(impact.Normal.y, 1.0f, 1e-5f) << c.Name;
            EXPECT_NEAR(impact.Depth, 0.5f - (centre.y - c.Top), 1e-4f) << c.Name;
            EXPECT_NEAR(impact.Position.x, centre.x, 1e-4f) << c.Name;
            EXPECT_NEAR(impact.Position.z, centre.z, 1e-4f) << c.Name;
        }
        EXPECT_TRUE(seen[0] && seen[1]) << c.Name;
    }
}

TEST(BoundHotdogTest, DrawOutlinesTheCapsule) {
    StrokeRecorder recorder;
    phBoundHotdog dog(0.5f, 2.0f);
    dog.Draw(Vector3(0, 0, 1));
    EXPECT_TRUE(recorder.m_Lighting);
    ASSERT_GE(recorder.m_Strokes.size(), 2u);
    EXPECT_EQ(recorder.m_Strokes[0].points.size(), 11u);
    for (const StrokeRecorder::Stroke& stroke : recorder.m_Strokes) {
        EXPECT_EQ(stroke.colour, 0xFF0000FFu);
        EXPECT_FALSE(stroke.lit);
        for (const Vector3& p : stroke.points) {
            EXPECT_NEAR(AxisDistance(p.x, p.y, p.z, 1.0), 0.5, 1e-5);
        }
    }
}

TEST_CHILD(HotdogEdgeTestWithOneRecord) {
    phBoundHotdog dog;
    phSegment segment = Segment(Vector3(0, 5, 0), Vector3(0, -5, 0));
    phIsect isect;
    return dog.TestEdgeSegment(segment, &isect, 1);
}

TEST(BoundHotdogTest, EdgeTestNeedsTwoRecords) {
    ExpectFatalChild("HotdogEdgeTestWithOneRecord",
                     "Assert(maxisects>=2) failed in [phbound/boundhotdog");
}

}  // namespace
