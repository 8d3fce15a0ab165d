#include "phcore/poly.h"

#include <cmath>

#include <gtest/gtest.h>

#include "phcore/isect.h"
#include "phcore/segment.h"
#include "tests/support/child.h"
#include "tests/support/unmasked.h"

namespace {

// Vertex 0 is a spare so that the unit square can be a quad (its fourth index is not 0).
const Vector3 Vertices[] = {
    Vector3(9.0f, 9.0f, 9.0f),  Vector3(0.0f, 0.0f, 0.0f), Vector3(1.0f, 0.0f, 0.0f),
    Vector3(1.0f, 1.0f, 0.0f),  Vector3(0.0f, 1.0f, 0.0f), Vector3(2.0f, 0.0f, 0.0f),
    Vector3(0.0f, 0.0f, 0.0f),
};

phPolygon UnitTriangle() {
    phPolygon polygon;
    polygon.InitTriangle(1, 2, 4, Vertices);
    return polygon;
}

phPolygon UnitSquare() {
    phPolygon polygon;
    polygon.InitQuad(1, 2, 3, 4, Vertices);
    return polygon;
}

void ExpectVector(const Vector3& v, float x, float y, float z) {
    EXPECT_NEAR(v.x, x, 1e-6f);
    EXPECT_NEAR(v.y, y, 1e-6f);
    EXPECT_NEAR(v.z, z, 1e-6f);
}

phSegment MakeSegment(const Vector3& start, const Vector3& end) {
    phSegment segment;
    segment.Set(start, end, phSegment::PROBE, 0);
    return segment;
}

// A record whose fields show whether a test wrote it.
phIsect Untouched() {
    phIsect isect;
    isect.T = -7.0f;
    isect.Depth = -7.0f;
    isect.FrontSide = 7;
    return isect;
}

}  // namespace

TEST(PolyTest, TriangleNormalAreaAndEdgeNormals) {
    phPolygon polygon;
    EXPECT_EQ(polygon.NumSides(), 3);
    int sides = polygon.ComputeNormal(Vertices);
    EXPECT_EQ(sides, 3);
    polygon.InitTriangle(1, 2, 4, Vertices);
    ExpectVector(polygon.Normal, 0.0f, 0.0f, 1.0f);
    EXPECT_FLOAT_EQ(polygon.Area, 0.5f);
    const float r = 0.70710677f;
    const float expected[3][4] = {{0, 1, 0, 1}, {-r, -r, 0, 1}, {1, 0, 0, 1}};
    for (int k = 0; k < 3; ++k) {
        SCOPED_TRACE(k);
        EXPECT_NEAR(polygon.EdgeNormals[k].x, expected[k][0], 1e-6f);
        EXPECT_NEAR(polygon.EdgeNormals[k].y, expected[k][1], 1e-6f);
        EXPECT_NEAR(polygon.EdgeNormals[k].z, expected[k][2], 1e-6f);
        EXPECT_EQ(polygon.EdgeNormals[k].w, 1.0f);
    }
}

TEST(PolyTest, QuadAreaAndEdgeNormals) {
    phPolygon polygon = UnitSquare();
    EXPECT_EQ(polygon.NumSides(), 4);
    EXPECT_FLOAT_EQ(polygon.Area, 1.0f);
    ExpectVector(polygon.Normal, 0.0f, 0.0f, 1.0f);
    Vector4 planes[4];
    EXPECT_EQ(polygon.ComputeEdgePlanes(planes, Vertices), 4);
    const float expected[4][2] = {{0, 1}, {-1, 0}, {0, -1}, {1, 0}};
    for (int k = 0; k < 4; ++k) {
        SCOPED_TRACE(k);
        EXPECT_NEAR(planes[k].x, expected[k][0], 1e-6f);
        EXPECT_NEAR(planes[k].y, expected[k][1], 1e-6f);
        EXPECT_EQ(planes[k].w, 1.0f);
    }
}

TEST(PolyTest, CollinearCornersGiveZeroNormalAndEdgeNormals) {
    phPolygon polygon;
    polygon.InitTriangle(1, 2, 5, Vertices);
    ExpectVector(polygon.Normal, 0.0f, 0.0f, 0.0f);
    EXPECT_EQ(polygon.Area, 0.0f);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(polygon.EdgeNormals[k].x, 0.0f);
        EXPECT_EQ(polygon.EdgeNormals[k].y, 0.0f);
        EXPECT_EQ(polygon.EdgeNormals[k].z, 0.0f);
        EXPECT_EQ(polygon.EdgeNormals[k].w, 1.0f);
    }
}

TEST(PolyTest, RotateVerticesMovesIdsEdgesAndNormalsTogether) {
    phPolygon polygon = UnitSquare();
    for (int k = 0; k < 4; ++k) {
        polygon.EdgeIndex[k] = uint16_t(10 + k);
    }
    phPolygon before = polygon;
    polygon.RotateVertices();
    for (int k = 0; k < 4; ++k) {
        int from = (k + 1) % 4;
        EXPECT_EQ(polygon.VertexIndex[k], before.VertexIndex[from]);
        EXPECT_EQ(polygon.EdgeIndex[k], before.EdgeIndex[from]);
        EXPECT_EQ(polygon.EdgeNormals[k].x, before.EdgeNormals[from].x);
        EXPECT_EQ(polygon.EdgeNormals[k].y, before.EdgeNormals[from].y);
    }
}

TEST_CHILD(InitQuadWithoutFourthCorner) {
    phPolygon polygon;
    polygon.InitQuad(1, 2, 3, 0, Vertices);
    return 0;
}

TEST(PolyTest, InitQuadWithFourthIndexZeroAsserts) {
    ChildResult result = RunChild("InitQuadWithoutFourthCorner");
    EXPECT_EQ(result.m_ExitCode, 1);
    EXPECT_NE(result.m_Output.find("Assert(i3 != 0) failed in [phcore/poly, line"),
              std::string::npos)
        << result.m_Output;
}

TEST(PolyTest, SegmentTests) {
    const phPolygon triangle = UnitTriangle();
    const phPolygon square = UnitSquare();
    struct Case {
        const char* name;
        const phPolygon* polygon;
        Vector3 start;
        Vector3 end;
        int front;     // TestSegmentFront result
        int twoSided;  // TestSegment result
        float t;
        float depth;
        unsigned frontSide;  // of TestSegment
    };
    const Case cases[] = {
        {"down through", &triangle, {0.25f, 0.25f, 1}, {0.25f, 0.25f, -1}, 1, 1, 0.5f, 1, 1},
        {"up through", &triangle, {0.25f, 0.25f, -1}, {0.25f, 0.25f, 1}, 0, 1, 0.5f, 1, 0},
        {"outside the hypotenuse", &triangle, {0.6f, 0.6f, 1}, {0.6f, 0.6f, -1}, 0, 0, 0, 0, 0},
        {"outside reversed", &triangle, {0.6f, 0.6f, -1}, {0.6f, 0.6f, 1}, 0, 0, 0, 0, 0},
        {"ends on the plane", &triangle, {0.25f, 0.25f, 1}, {0.25f, 0.25f, 0}, 0, 0, 0, 0, 0},
        {"crosses on a side", &triangle, {0.5f, 0.0f, 1}, {0.5f, 0.0f, -1}, 1, 1, 0.5f, 1, 1},
        {"slanted through", &triangle, {0.0f, 0.0f, 1}, {0.5f, 0.5f, -3}, 1, 1, 0.25f, 3, 1},
        {"above, parallel", &triangle, {0.1f, 0.1f, 1}, {0.3f, 0.3f, 1}, 0, 0, 0, 0, 0},
        {"in the plane", &triangle, {0.1f, 0.1f, 0}, {0.3f, 0.3f, 0}, 0, 0, 0, 0, 0},
        {"vertical through a quad", &square, {0.5f, 0.5f, 2}, {0.5f, 0.5f, -2}, 1, 1, 0.5f, 2, 1},
        {"through a quad's corner", &square, {1.0f, 1.0f, 1}, {1.0f, 1.0f, -3}, 1, 1, 0.25f, 3, 1},
        {"slanted across a quad", &square, {0.0f, 0.5f, 1}, {2.0f, 0.5f, -1}, 1, 1, 0.5f, 1, 1},
        {"along a quad's edge", &square, {0.0f, 0.0f, 0}, {1.0f, 0.0f, 0}, 0, 0, 0, 0, 0},
        {"parallel above a quad", &square, {0.0f, 0.5f, 1}, {1.0f, 0.5f, 1}, 0, 0, 0, 0, 0},
        {"beside a quad", &square, {1.5f, 0.5f, 1}, {1.5f, 0.5f, -1}, 0, 0, 0, 0, 0},
        {"zero length above", &square, {0.5f, 0.5f, 1}, {0.5f, 0.5f, 1}, 0, 0, 0, 0, 0},
        {"zero length on the plane", &square, {0.5f, 0.5f, 0}, {0.5f, 0.5f, 0}, 0, 0, 0, 0, 0},
    };
    // Segments in and along the plane are degenerate queries: none may lean on masked NaNs.
    InvalidUnmasked trapping;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        phSegment segment = MakeSegment(c.start, c.end);
        phIsect front = Untouched();
        phIsect both = Untouched();
        EXPECT_EQ(c.polygon->TestSegmentFront(Vertices, segment, front, 2.0f), c.front);
        EXPECT_EQ(c.polygon->TestSegment(Vertices, segment, both, 2.0f, -1.0f), c.twoSided);
        struct Result {
            const phIsect* isect;
            bool hit;
            unsigned frontSide;
        };
        const Result results[] = {{&front, c.front != 0, 1},
                                  {&both, c.twoSided != 0, c.frontSide}};
        for (const Result& r : results) {
            if (!r.hit) {
                EXPECT_EQ(r.isect->T, -7.0f);
                EXPECT_EQ(r.isect->Depth, -7.0f);
                EXPECT_EQ(r.isect->FrontSide, 7u);
                continue;
            }
            EXPECT_FLOAT_EQ(r.isect->T, c.t);
            EXPECT_FLOAT_EQ(r.isect->Depth, c.depth);
            EXPECT_EQ(r.isect->FrontSide, r.frontSide);
            ExpectVector(r.isect->Normal, 0.0f, 0.0f, 1.0f);
            ExpectVector(r.isect->Position, c.start.x + c.t * (c.end.x - c.start.x),
                         c.start.y + c.t * (c.end.y - c.start.y), 0.0f);
        }
    }
}

TEST(PolyTest, CrossingLimits) {
    phPolygon triangle = UnitTriangle();
    phSegment segment = MakeSegment(Vector3(0.25f, 0.25f, 1), Vector3(0.25f, 0.25f, -1));
    phIsect isect = Untouched();
    EXPECT_EQ(triangle.TestSegmentFront(Vertices, segment, isect, 0.3f), 0);
    EXPECT_EQ(triangle.TestSegmentFront(Vertices, segment, isect, 0.5f), 1);
    struct Case {
        float tNear;
        float tFar;
        int hit;
    };
    const Case cases[] = {{0.2f, 0.7f, 0}, {0.6f, 0.7f, 1}, {2.0f, -1.0f, 1}, {2.0f, 2.0f, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tNear);
        phIsect limited = Untouched();
        EXPECT_EQ(triangle.TestSegment(Vertices, segment, limited, c.tNear, c.tFar), c.hit);
        EXPECT_EQ(limited.T, c.hit ? 0.5f : -7.0f);
    }
}

// Distances of +0 and -0 from the plane have different sign bits; their crossing parameter is
// 0/0 and must neither come back as a hit nor trap while invalid operations are unmasked.
TEST(PolyTest, NoCrossingParameterIsNeverAHit) {
    InvalidUnmasked trapping;
    const Vector3 corners[] = {Vector3(1, 1, 0), Vector3(0, 1, 0), Vector3(1, 0, 0)};
    phPolygon polygon;
    polygon.InitTriangle(0, 1, 2, corners);
    polygon.Normal.Set(0.0f, 0.0f, 1.0f);  // the computed one has x = -0
    phSegment segment = MakeSegment(Vector3(0.6f, 0.6f, 0.0f), Vector3(0.7f, 0.7f, -0.0f));
    float d0 = (segment.Start - corners[0]).Dot(polygon.Normal);
    float d1 = (segment.End - corners[0]).Dot(polygon.Normal);
    ASSERT_EQ(d0, 0.0f);
    ASSERT_EQ(d1, 0.0f);
    ASSERT_NE(std::signbit(d0), std::signbit(d1));
    phIsect isect = Untouched();
    EXPECT_EQ(polygon.TestSegment(corners, segment, isect, 2.0f, 2.0f), 0);
    EXPECT_EQ(isect.T, -7.0f);

    phPolygon triangle = UnitTriangle();
    const float inf = INFINITY;
    phSegment endless = MakeSegment(Vector3(0.25f, 0.25f, inf), Vector3(0.25f, 0.25f, -inf));
    EXPECT_EQ(triangle.TestSegmentFront(Vertices, endless, isect, 2.0f), 0);
    EXPECT_EQ(triangle.TestSegment(Vertices, endless, isect, 2.0f, -1.0f), 0);
    EXPECT_EQ(isect.T, -7.0f);
}

TEST(PolyTest, LineInsideTests) {
    phPolygon triangle = UnitTriangle();
    struct Case {
        Vector3 p;
        Vector3 q;
        int front;
        int twoSided;
    };
    const Case cases[] = {
        {{0.25f, 0.25f, 1}, {0.25f, 0.25f, -1}, 1, 1},
        {{0.25f, 0.25f, 5}, {0.25f, 0.25f, 4}, 1, 1},    // the line, not the segment
        {{0.6f, 0.6f, 1}, {0.6f, 0.6f, -1}, 0, 0},
        {{0.25f, 0.25f, -1}, {0.25f, 0.25f, 1}, 1, 1},
        {{0.6f, 0.6f, -1}, {0.6f, 0.6f, 1}, 1, 0},        // back to front: never outside one-sided
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.p.x);
        EXPECT_EQ(triangle.IntersectSegmentFront(Vertices, c.p, c.q), c.front);
        Vector4 p(c.p.x, c.p.y, c.p.z, 123.0f);
        Vector4 q(c.q.x, c.q.y, c.q.z, -5.0f);
        EXPECT_EQ(triangle.IntersectSegment(Vertices, p, q), c.twoSided);
    }
}

TEST(PolyTest, CachedPolygonTestsWithItsOwnCorners) {
    phPolygonCache cache;
    for (int k = 0; k < 4; ++k) {
        cache.Vertices[k] = Vertices[k + 1];
    }
    cache.Polygon.InitQuad(0, 1, 2, 3, cache.Vertices);
    phSegment segment = MakeSegment(Vector3(0.5f, 0.5f, 1), Vector3(0.5f, 0.5f, -1));
    phIsect isect;
    EXPECT_EQ(cache.Polygon.TestSegmentFront(cache.Vertices, segment, isect, 2.0f), 1);
}
