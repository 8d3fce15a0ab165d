#include "phbound/boundsphere.h"

#include <cmath>
#include <random>

#include <gtest/gtest.h>

#include "phbound/impact.h"
#include "phcore/isect.h"
#include "phcore/segment.h"
#include "tests/engine/phbound/boundfiles.h"
#include "tests/engine/phbound/strokes.h"
#include "tests/support/child.h"
#include "tests/support/console.h"

namespace {

phSegment Segment(const Vector3& start, const Vector3& end, int kind = phSegment::PROBE) {
    phSegment segment;
    segment.Set(start, end, kind, 0);
    return segment;
}

TEST(BoundSphereTest, LoadFitsTheRadiusAndTakesTheLastMaterial) {
    BoundFiles files;
    std::string text = CubeText();
    for (const char* v : {"0.5", "-0.5"}) {
        for (size_t at = text.find(std::string(" ") + v); at != std::string::npos;
             at = text.find(std::string(" ") + v, at + 2)) {
            text.replace(at + 1, strlen(v), v[0] == '-' ? "-1.0" : "1.0");
        }
    }
    std::string block = text.substr(text.find("mtl"), text.find("quad") - text.find("mtl"));
    std::string second = block, third = block;
    second.replace(second.find("cubestuff"), 9, "second");
    third.replace(third.find("cubestuff"), 9, "third");
    third.replace(third.find("0.75"), 4, "0.33");
    text.replace(text.find("materials: 1"), 12, "materials: 3");
    text.insert(text.find("quad"), second + third);
    files.Write("ball", "bnd", text);

    phBoundSphere sphere(0.25f);
    ASSERT_TRUE(sphere.Load("ball"));
    EXPECT_NEAR(sphere.Radius, 1.0f, 1.2e-7f);
    // The collisions work with the radius round the centroid: it is the loaded one.
    EXPECT_EQ(sphere.RadiusAroundCentroid, sphere.Radius);
    EXPECT_EQ(sphere.BoxMax.x, 1.0f);
    EXPECT_STREQ(sphere.GetMaterial(5)->Name, "third");
    EXPECT_FLOAT_EQ(sphere.GetMaterial(0)->Friction, 0.33f);
    EXPECT_EQ(sphere.NumMaterials, 3);

    struct Case {
        std::string text;
        bool loads;
        const char* message;
    };
    const Case cases[] = {
        {CubeText("1.010"), false, "Error: phBoundSphere::Load()- Bad file version number 1.010"},
        {CubeText().replace(CubeText().find("polys: 6"), 8, "polys: 0"), true,
         "Warning: phBoundSphere::Load found zero polygons in s.bnd."},
        {CubeText().replace(CubeText().find("quad 5"), 4, "hexa"), false,
         "Error: phBoundSphere::Load()- Expecting 'tri' or 'quad'; found 'hexa'"},
    };
    for (const Case& c : cases) {
        files.Write("s", "bnd", c.text);
        ConsoleCapture console;
        phBoundSphere loaded;
        EXPECT_EQ(loaded.Load("s"), c.loads);
        EXPECT_NE(console.Take().find(c.message), std::string::npos) << c.message;
    }
}

// A file whose vertices span 4 x 1 x 1 about (1, 0, 0): the sphere of the box's mean
// extent, the box as the vertices give it, and a centroid offset set before loading kept.
TEST(BoundSphereTest, LoadKeepsTheFilesBoxAndTheCentroidOffset) {
    BoundFiles files;
    std::string text = CubeText();
    for (size_t at = text.find("\nv "); at != std::string::npos; at = text.find("\nv ", at + 1)) {
        bool negative = text[at + 3] == '-';
        text.replace(at + 3, negative ? 4 : 3, negative ? "-1.0" : "3.0");
    }
    files.Write("rod", "bnd", text);
    phBoundSphere sphere;
    sphere.SetCentroidOffset(Vector3(0.0f, 0.25f, 0.0f));
    ASSERT_TRUE(sphere.Load("rod"));
    float radius = 0.5f * std::sqrt(18.0f * 0.33333334f);
    EXPECT_FLOAT_EQ(sphere.Radius, radius);
    EXPECT_FLOAT_EQ(sphere.RadiusAroundCentroid, radius);
    EXPECT_EQ(sphere.BoxMin.x, -1.0f);
    EXPECT_EQ(sphere.BoxMax.x, 3.0f);
    EXPECT_EQ(sphere.BoxMax.y, 0.5f);
    EXPECT_EQ(sphere.CentroidOffset.y, 0.25f);
}

// The shapes fitted to a file take no vertex they could not compute with.
TEST(BoundSphereTest, AVertexOutsideTheCoordinateRangeRefusesTheFile) {
    BoundFiles files;
    for (const char* v : {"v -1e39 0.5 0.5", "v 0.5 100001 0.5"}) {
        std::string text = CubeText();
        text.replace(text.find("v 0.5 0.5 0.5"), 13, v);
        files.Write("ball", "bnd", text);
        ConsoleCapture console;
        phBoundSphere sphere;
        EXPECT_FALSE(sphere.Load("ball")) << v;
        EXPECT_NE(console.Take().find("phBoundSphere::Load()- vertex 0 of 'ball.bnd' is not a "
                                      "number within +-100000."),
                  std::string::npos)
            << v;
        EXPECT_EQ(sphere.Radius, 1.0f);
    }
}

TEST(BoundSphereTest, SegmentTestsThroughTheSphere) {
    phBoundSphere sphere(1.0f);
    phSegment down = Segment(Vector3(0, 5, 0), Vector3(0, -5, 0));
    phIsect hit;
    ASSERT_TRUE(sphere.TestProbeSegment(down, &hit, 2.0f));
    EXPECT_FLOAT_EQ(hit.T, 0.4f);
    EXPECT_FLOAT_EQ(hit.Position.y, 1.0f);
    EXPECT_FLOAT_EQ(hit.Normal.y, 1.0f);
    EXPECT_EQ(hit.FrontSide, 1u);
    EXPECT_EQ(hit.PolyIndex, 0);
    EXPECT_FALSE(sphere.TestProbePoint(down, &hit, 0.3f));

    phIsect two[2];
    ASSERT_EQ(sphere.TestEdgeSegment(down, two, 2), 2);
    EXPECT_FLOAT_EQ(two[1].T, 0.6f);
    EXPECT_FLOAT_EQ(two[1].Normal.y, -1.0f);
    EXPECT_EQ(two[1].FrontSide, 1u);

    // A start on the surface counts as outside; one inside only leaves.
    phSegment onSurface = Segment(Vector3(0, 1, 0), Vector3(0, -5, 0));
    ASSERT_TRUE(sphere.TestAIPoint(onSurface, &hit));
    EXPECT_EQ(hit.T, 0.0f);
    phSegment inside = Segment(Vector3(0, 0.5f, 0), Vector3(0, 5, 0));
    EXPECT_FALSE(sphere.TestProbePoint(inside, &hit, 2.0f));
    ASSERT_EQ(sphere.TestEdgeSegment(inside, two, 2), 1);
    EXPECT_EQ(two[0].FrontSide, 0u);
    EXPECT_FLOAT_EQ(two[0].Position.y, 1.0f);
    phSegment within = Segment(Vector3(0, 0.5f, 0), Vector3(0.5f, 0, 0));
    EXPECT_EQ(sphere.TestEdgeSegment(within, two, 2), 0);
}

// The crossings against the roots of |S + t d|^2 = r^2 worked in double precision.
TEST(BoundSphereTest, RandomSegmentsAgreeWithTheDoubleReference) {
    std::mt19937 rng(2601);
    std::uniform_real_distribution<float> coordinate(-3.0f, 3.0f);
    phBoundSphere sphere(1.3f);
    int hits = 0;
    for (int i = 0; i < 2000; ++i) {
        Vector3 s(coordinate(rng), coordinate(rng), coordinate(rng));
        Vector3 e(coordinate(rng), coordinate(rng), coordinate(rng));
        double dx = e.x - s.x, dy = e.y - s.y, dz = e.z - s.z;
        double a = dx * dx + dy * dy + dz * dz;
        double b = s.x * dx + s.y * dy + s.z * dz;
        double c = double(s.x) * s.x + double(s.y) * s.y + double(s.z) * s.z - 1.3 * 1.3;
        double disc = b * b - a * c;
        std::vector<double> roots;
        if (disc >= 0.0) {
            for (double root : {(-b - std::sqrt(disc)) / a, (-b + std::sqrt(disc)) / a}) {
                if (root >= 0.0 && root <= 1.0) {
                    roots.push_back(root);
                }
            }
        }
        phSegment segment = Segment(s, e, phSegment::EDGE);
        phIsect records[2];
        int count = sphere.TestEdgeSegment(segment, records, 2);
        if (c < 0.0 && (e.Mag2() < 1.3f * 1.3f)) {
            EXPECT_EQ(count, 0);
            continue;
        }
        ASSERT_EQ(size_t(count), roots.size()) << i;
        for (int k = 0; k < count; ++k) {
            EXPECT_NEAR(records[k].T, roots[k], 1e-4) << i;
            EXPECT_NEAR(records[k].Position.Mag(), 1.3f, 1e-4f) << i;
        }
        phIsect probe;
        bool probed = sphere.TestProbeSegment(segment, &probe, 2.0f);
        EXPECT_EQ(probed, c >= 0.0 && !roots.empty()) << i;
        hits += probed;
    }
    EXPECT_GT(hits, 200);
}

TEST(BoundSphereTest, SphereAgainstSphere) {
    struct Case {
        float radiusA, radiusB;
        Vector3 offset;  // B's centre from A's
        int impacts;
        float depth;
        Vector3 contact;
        Vector3 normal;
    };
    const Case cases[] = {
        {1, 1, Vector3(1.5f, 0, 0), 1, 0.5f, Vector3(10.75f, 0, 0), Vector3(-1, 0, 0)},
        {1, 1, Vector3(0, 2, 0), 0, 0, Vector3(), Vector3()},
        {1, 0.5f, Vector3(0, 0, 1.2f), 1, 0.3f, Vector3(10, 0, 0.85f), Vector3(0, 0, -1)},
        {1, 1, Vector3(0, 0, 0), 1, 2.0f, Vector3(10, -0, 0), Vector3(0, 1, 0)},
    };
    for (const Case& c : cases) {
        phBoundSphere a(c.radiusA), b(c.radiusB);
        Matrix34 matrix;
        matrix.Identity();
        matrix.d.Set(10, 0, 0);
        phImpact impact;
        ASSERT_EQ(a.CollideSphere(&b, matrix, c.offset, nullptr, nullptr, &impact), c.impacts);
        if (!c.impacts) {
            continue;
        }
        EXPECT_FLOAT_EQ(impact.Depth, c.depth);
        EXPECT_NEAR((impact.Normal - c.normal).Mag(), 0.0f, 1e-6f);
        if (c.offset.Mag2() > 0.0f) {
            EXPECT_NEAR((impact.Position - c.contact).Mag(), 0.0f, 1e-5f);
        }
    }
}

TEST(BoundSphereTest, TestSphereAndDraw) {
    phBoundSphere sphere(1.0f);
    Vector3 position, normal;
    float depth = 0.0f;
    ASSERT_TRUE(sphere.TestSphere(Vector3(0, 1.5f, 0), 1.0f, &position, &normal, &depth));
    EXPECT_FLOAT_EQ(depth, 0.5f);
    EXPECT_FLOAT_EQ(normal.y, 1.0f);
    EXPECT_FLOAT_EQ(position.y, 1.0f);
    EXPECT_FALSE(sphere.TestSphere(Vector3(0, 2.0f, 0), 1.0f, &position, &normal, &depth));
    ASSERT_TRUE(sphere.TestSphere(Vector3(0, 0, 0), 1.0f, &position, &normal, &depth));
    EXPECT_EQ(normal.y, 1.0f);

    StrokeRecorder recorder;
    sphere.SetRadius(2.0f);
    sphere.Draw(Vector3(1.0f, 0.5f, 0.0f));
    EXPECT_TRUE(recorder.m_Lighting);
    ASSERT_EQ(recorder.m_Strokes.size(), 3u);
    for (const StrokeRecorder::Stroke& stroke : recorder.m_Strokes) {
        EXPECT_FALSE(stroke.lit);
        EXPECT_EQ(stroke.colour, 0xFFFF7F00u);
        ASSERT_EQ(stroke.points.size(), 13u);
        for (const Vector3& p : stroke.points) {
            EXPECT_NEAR(p.Mag(), 2.0f, 1e-5f);
        }
    }
}

TEST_CHILD(SphereEdgeTestWithOneRecord) {
    phBoundSphere sphere;
    phSegment segment = Segment(Vector3(0, 5, 0), Vector3(0, -5, 0));
    phIsect isect;
    return sphere.TestEdgeSegment(segment, &isect, 1);
}

TEST(BoundSphereTest, EdgeTestNeedsTwoRecords) {
    ExpectFatalChild("SphereEdgeTestWithOneRecord",
                     "Assert(maxisects >= 2) failed in [phbound/boundsphere");
}

}  // namespace
