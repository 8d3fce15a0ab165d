#include "cityedit/outline.h"

#include "tests/support/child.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

TEST(Outline, SegmentIntersections) {
    struct Case {
        const char* m_Name;
        Vector3 m_A, m_B, m_C, m_D;
        float m_T;
        float m_X, m_Z;
    };
    const Case cases[] = {
        {"cross", Vector3(0, 5, 0), Vector3(4, 5, 0), Vector3(1, 0, -1), Vector3(1, 0, 1), 0.25f, 1,
         0},
        {"touching end", Vector3(0, 0, 0), Vector3(4, 0, 4), Vector3(4, 0, 4), Vector3(8, 0, 0),
         1.0f, 4, 4},
        {"parallel", Vector3(0, 0, 0), Vector3(4, 0, 0), Vector3(0, 0, 1), Vector3(4, 0, 1), -1.0f,
         0, 0},
        {"collinear", Vector3(0, 0, 0), Vector3(4, 0, 0), Vector3(2, 0, 0), Vector3(6, 0, 0), -1.0f,
         0, 0},
        {"short of it", Vector3(0, 0, 0), Vector3(1, 0, 0), Vector3(2, 0, -1), Vector3(2, 0, 1),
         -1.0f, 0, 0},
    };
    for (const Case& c : cases) {
        float x = -99.0f;
        float z = -99.0f;
        float t = SegmentIntersectXZ(x, z, c.m_A, c.m_B, c.m_C, c.m_D);
        EXPECT_FLOAT_EQ(c.m_T, t) << c.m_Name;
        if (t >= 0.0f) {
            EXPECT_FLOAT_EQ(c.m_X, x) << c.m_Name;
            EXPECT_FLOAT_EQ(c.m_Z, z) << c.m_Name;
        } else {
            EXPECT_EQ(-99.0f, x) << c.m_Name;
        }
        Vector2 out;
        float tAB = -1.0f;
        float tCD = -1.0f;
        bool crossed =
            SegmentIntersect2D(out, tAB, tCD, Vector2(c.m_A.x, c.m_A.z), Vector2(c.m_B.x, c.m_B.z),
                               Vector2(c.m_C.x, c.m_C.z), Vector2(c.m_D.x, c.m_D.z));
        EXPECT_EQ(t >= 0.0f, crossed) << c.m_Name;
        if (crossed) {
            EXPECT_FLOAT_EQ(c.m_T, tAB) << c.m_Name;
            EXPECT_FLOAT_EQ(c.m_X, out.x) << c.m_Name;
        }
    }
    Vector2 out;
    float tAB;
    float tCD;
    ASSERT_TRUE(SegmentIntersect2D(out, tAB, tCD, Vector2(0, 0), Vector2(4, 0), Vector2(3, -1),
                                   Vector2(3, 3)));
    EXPECT_FLOAT_EQ(0.75f, tAB);
    EXPECT_FLOAT_EQ(0.25f, tCD);
}

TEST(Outline, PointInPolygonIsEvenOdd) {
    // A U shape: the notch between its arms is outside.
    const float xs[] = {0, 6, 6, 4, 4, 2, 2, 0};
    const float zs[] = {0, 0, 6, 6, 2, 2, 6, 6};
    struct Case {
        float m_X, m_Z;
        bool m_Inside;
    };
    const Case cases[] = {{1, 1, true},  {3, 4, false},  {5, 4, true}, {1, 5, true},
                          {7, 1, false}, {3, -1, false}, {3, 1, true}};
    for (const Case& c : cases) {
        EXPECT_EQ(c.m_Inside, PointInPolygonXZ(8, xs, zs, c.m_X, c.m_Z)) << c.m_X << "," << c.m_Z;
    }
}

TEST(Outline, PolygonCentroid) {
    const float xs[] = {0, 1, 1, 0};
    const float zs[] = {0, 0, 1, 1};
    float cx = -1.0f;
    float cz = -1.0f;
    float area = 0.0f;
    EXPECT_EQ(0, PolygonCentroid(xs, zs, 4, cx, cz, area));
    EXPECT_FLOAT_EQ(0.5f, cx);
    EXPECT_FLOAT_EQ(0.5f, cz);
    EXPECT_FLOAT_EQ(1.0f, area);

    const float rxs[] = {0, 1, 1, 0};
    const float rzs[] = {1, 1, 0, 0};
    EXPECT_EQ(0, PolygonCentroid(rxs, rzs, 4, cx, cz, area));
    EXPECT_FLOAT_EQ(0.5f, cx);
    EXPECT_FLOAT_EQ(0.5f, cz);
    EXPECT_FLOAT_EQ(-1.0f, area);

    const float lxs[] = {0, 1, 2};
    const float lzs[] = {0, 1, 2};
    EXPECT_EQ(2, PolygonCentroid(lxs, lzs, 3, cx, cz, area));
    cx = 7.0f;
    area = 7.0f;
    EXPECT_EQ(1, PolygonCentroid(xs, zs, 2, cx, cz, area));
    EXPECT_EQ(7.0f, cx);
    EXPECT_EQ(7.0f, area);
}

TEST(Outline, OffsetsAndPointsAlong) {
    Vector3 moved = OffsetPoint(Vector3(1, 3, 1), Vector3(5, 0, 0), 2.0f);
    EXPECT_FLOAT_EQ(1.0f, moved.x);
    EXPECT_FLOAT_EQ(3.0f, moved.y);
    EXPECT_FLOAT_EQ(3.0f, moved.z);

    // Clockwise with x right and z up: the left of every edge is outside, so a negative
    // distance shrinks the square.
    const Vector3 square[] = {Vector3(0, 1, 0), Vector3(0, 1, 10), Vector3(10, 1, 10),
                              Vector3(10, 1, 0)};
    Vector3 inner[4];
    OffsetOutline(square, 4, -1.0f, inner);
    const float expected[4][2] = {{1, 1}, {1, 9}, {9, 9}, {9, 1}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(expected[i][0], inner[i].x) << i;
        EXPECT_FLOAT_EQ(1.0f, inner[i].y) << i;
        EXPECT_FLOAT_EQ(expected[i][1], inner[i].z) << i;
    }
    // Outwards the moved edges do not meet within themselves.
    Vector3 outer[4];
    OffsetOutline(square, 4, 1.0f, outer);
    EXPECT_FLOAT_EQ(-0.5f, outer[0].x);
    EXPECT_FLOAT_EQ(-0.5f, outer[0].z);

    struct Case {
        float m_T;
        float m_X, m_Z;
    };
    const Case cases[] = {
        {0.5f, 0, 5}, {2.25f, 10, 7.5f}, {4.0f, 0, 0}, {-0.5f, 5, 0}, {7.5f, 5, 0}};
    for (const Case& c : cases) {
        Vector3 p = PointAlongOutline(square, 4, c.m_T);
        EXPECT_FLOAT_EQ(c.m_X, p.x) << c.m_T;
        EXPECT_FLOAT_EQ(c.m_Z, p.z) << c.m_T;
    }
}

TEST_CHILD(OutlinePointAtInfinity) {
    const Vector3 square[] = {Vector3(0, 0, 0), Vector3(0, 0, 1), Vector3(1, 0, 1),
                              Vector3(1, 0, 0)};
    Vector3 p = PointAlongOutline(square, 4, std::numeric_limits<float>::infinity());
    return p.x == p.x ? 0 : 3;
}

TEST(Outline, PointAlongOutlineRefusesAnInfinitePosition) {
    ExpectFatalChildren(
        {{"OutlinePointAtInfinity", "Assert(std::isfinite(t)) failed in [cityedit/outline"}});
}

}  // namespace
