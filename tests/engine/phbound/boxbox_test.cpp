#include "phbound/boundbox.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include <gtest/gtest.h>

#include "data/timemgr.h"
#include "phbound/impact.h"

namespace {

typedef phBoundBox::AxisScore Score;

TEST(BoxBoxTest, ScoreAxisRules) {
    struct Case {
        float depth, margin, speed;
        Score expected;
    };
    const Case cases[] = {
        // Closing, already within the margin: no depth, began just now.
        {0.02f, 0.035f, 1.0f, {0.0f, 0.0f}},
        // Closing: the depth beyond the margin took depth / speed to build up.
        {0.135f, 0.035f, 2.0f, {0.05f, 0.1f}},
        // Not closing: no time, and a depth inside the margin stays negative.
        {0.135f, 0.035f, 0.0f, {FLT_MAX, 0.1f}},
        {0.02f, 0.035f, -3.0f, {FLT_MAX, -0.015f}},
    };
    for (const Case& c : cases) {
        Score s = phBoundBox::ScoreAxis(c.depth, c.margin, c.speed);
        EXPECT_FLOAT_EQ(s.Time, c.expected.Time) << c.depth << " " << c.speed;
        EXPECT_FLOAT_EQ(s.Depth, c.expected.Depth) << c.depth << " " << c.speed;
    }

    const float gate = 0.025f;
    struct Offer {
        Score best, candidate;
        bool taken;
    };
    const Offer offers[] = {
        // An old best gives way to anything shallower, and only to that.
        {{1.0f, 0.1f}, {5.0f, 0.05f}, true},
        {{1.0f, 0.1f}, {0.0f, 0.2f}, false},
        {{1.0f, 0.1f}, {0.0f, 0.1f}, false},
        // A fresh best (within the gate) gives way only to a shallower and fresher one.
        {{0.01f, 0.1f}, {0.02f, 0.05f}, false},
        {{0.01f, 0.1f}, {0.01f, 0.05f}, false},
        {{0.01f, 0.1f}, {0.005f, 0.05f}, true},
        {{0.01f, 0.1f}, {0.005f, 0.2f}, false},
        // At the gate the best is old.
        {{0.025f, 0.1f}, {FLT_MAX, 0.05f}, true},
    };
    for (const Offer& o : offers) {
        EXPECT_EQ(phBoundBox::TakesAxis(o.best, o.candidate, gate), o.taken)
            << o.best.Time << "/" << o.best.Depth << " against " << o.candidate.Time << "/"
            << o.candidate.Depth;
    }
}

// A unit box A over the top corner edge of a box B of size 2 at the origin: 0.1 into B's side
// and 0.05 into its top. Which face the contacts take depends on how A got there.
TEST(BoxBoxTest, FreshContactsHoldAgainstShallowerOldOnes) {
    struct Case {
        float lastX;    // where A was on the previous step
        float seconds;  // the engine's frame time
        Vector3 normal;
        float depth;
    };
    const float margin = 0.035f;
    const Case cases[] = {
        // Still: the shallower top face.
        {1.4f, 1.0f / 60.0f, Vector3(0, 1, 0), 0.05f},
        // Driven in sideways this step: the side it came through.
        {1.6f, 1.0f / 60.0f, Vector3(1, 0, 0), 0.1f},
        // The same with a gate of no time: the shallower face again.
        {1.6f, 0.0f, Vector3(0, 1, 0), 0.05f},
        // Slow enough that the side contact began more than 1.5 frames ago.
        {1.41f, 1.0f / 60.0f, Vector3(0, 1, 0), 0.05f},
    };
    const float seconds = datTimeManager::Seconds;
    for (const Case& c : cases) {
        datTimeManager::Seconds = c.seconds;
        phBoundBox a, b(Vector3(2, 2, 2));
        Matrix34 now = Matrix34::sm_Identity, last = Matrix34::sm_Identity;
        now.d.Set(1.4f, 1.45f, 0);
        last.d.Set(c.lastX, 1.45f, 0);
        phImpact impacts[8];
        int count = a.CollideBox(&b, now, last, Matrix34::sm_Identity, Matrix34::sm_Identity,
                                 nullptr, nullptr, impacts, 8);
        ASSERT_EQ(count, 4) << c.lastX << " " << c.seconds;
        for (int k = 0; k < count; ++k) {
            EXPECT_NEAR((impacts[k].Normal - c.normal).Mag(), 0.0f, 1e-5f) << c.lastX;
            EXPECT_NEAR(impacts[k].Depth, c.depth - margin, 1e-5f) << c.lastX;
        }
    }
    datTimeManager::Seconds = seconds;
}

struct Point {
    double x, y, z;
};

Point Corner(const Matrix34& m, const Vector3& size, int vertex) {
    const Vector3& c = phBoundBox::UnitVertices[vertex];
    double lx = c.x * double(size.x), ly = c.y * double(size.y), lz = c.z * double(size.z);
    return {m.d.x + lx * m.a.x + ly * m.b.x + lz * m.c.x,
            m.d.y + lx * m.a.y + ly * m.b.y + lz * m.c.y,
            m.d.z + lx * m.a.z + ly * m.b.z + lz * m.c.z};
}

// The edge whose two corners lie lowest (sign 1) or highest (sign -1).
int ExtremeEdge(const Matrix34& m, const Vector3& size, double sign) {
    int best = -1;
    double bestHeight = 1e30;
    for (int e = 0; e < 12; ++e) {
        double h = sign * std::max(Corner(m, size, phBoundBox::EdgeVertices[e][0]).y * sign,
                                   Corner(m, size, phBoundBox::EdgeVertices[e][1]).y * sign);
        if (h * sign < bestHeight) {
            bestHeight = h * sign;
            best = e;
        }
    }
    return best;
}

// Closest points of the lines through two edges, in double.
void ClosestPoints(const Point& p0, const Point& p1, const Point& q0, const Point& q1,
                   Point& onP, Point& onQ) {
    double u[3] = {p1.x - p0.x, p1.y - p0.y, p1.z - p0.z};
    double v[3] = {q1.x - q0.x, q1.y - q0.y, q1.z - q0.z};
    double w[3] = {p0.x - q0.x, p0.y - q0.y, p0.z - q0.z};
    auto dot = [](const double* a, const double* b) {
        return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
    };
    double a = dot(u, u), b = dot(u, v), c = dot(v, v), d = dot(u, w), e = dot(v, w);
    double s = (b * e - c * d) / (a * c - b * b), t = (a * e - b * d) / (a * c - b * b);
    onP = {p0.x + u[0] * s, p0.y + u[1] * s, p0.z + u[2] * s};
    onQ = {q0.x + v[0] * t, q0.y + v[1] * t, q0.z + v[2] * t};
}

// A long box turned 45 degrees about x lies with its lowest edge across the highest edge of a
// box turned 45 degrees about z: one edge-against-edge contact, checked in double.
TEST(BoxBoxTest, CrossedEdges) {
    struct Case {
        Vector3 sizeA;
        float yaw;  // of A's edge about the vertical
        Vector3 offsetA;
        Vector3 sizeB;
        float offsetB;
        float penetration;
    };
    const Case cases[] = {
        {Vector3(3, 1, 1), 0.0f, Vector3(0.4f, 0, 0.2f), Vector3(1, 1, 2), -0.1f, 0.02f},
        {Vector3(3, 0.8f, 1.2f), 0.5235988f, Vector3(-0.3f, 0, 0.25f), Vector3(1.2f, 0.6f, 2.5f),
         0.15f, 0.05f},
    };
    for (const Case& c : cases) {
        phBoundBox a(c.sizeA), b(c.sizeB);
        Matrix34 mB;
        mB.MakeRotateZ(0.7853982f);
        mB.d.Set(c.offsetB, 0, 0);
        Matrix34 mA;
        mA.MakeRotateX(0.7853982f);
        mA.RotateY(c.yaw);
        mA.d = c.offsetA;
        const int edgeA = ExtremeEdge(mA, c.sizeA, 1.0);
        const int edgeB = ExtremeEdge(mB, c.sizeB, -1.0);
        double bottomA = Corner(mA, c.sizeA, phBoundBox::EdgeVertices[edgeA][0]).y;
        double topB = Corner(mB, c.sizeB, phBoundBox::EdgeVertices[edgeB][0]).y;
        mA.d.y = float(topB - bottomA - c.penetration);

        Point pA, pB;
        ClosestPoints(Corner(mA, c.sizeA, phBoundBox::EdgeVertices[edgeA][0]),
                      Corner(mA, c.sizeA, phBoundBox::EdgeVertices[edgeA][1]),
                      Corner(mB, c.sizeB, phBoundBox::EdgeVertices[edgeB][0]),
                      Corner(mB, c.sizeB, phBoundBox::EdgeVertices[edgeB][1]), pA, pB);

        phImpact impacts[8];
        int count = a.CollideBox(&b, mA, mB, nullptr, nullptr, impacts, 8);
        ASSERT_EQ(count, 1) << c.yaw;
        const phImpact& impact = impacts[0];
        EXPECT_EQ(impact.Type, phImpact::EDGE_EDGE);
        EXPECT_EQ(impact.FeatureA, edgeA);
        EXPECT_EQ(impact.FeatureB, edgeB);
        EXPECT_NEAR((impact.Normal - Vector3(0, 1, 0)).Mag(), 0.0f, 1e-5f);
        EXPECT_NEAR(impact.Depth, (pB.y - pA.y) - std::min(a.Margin, b.Margin), 1e-5);
        EXPECT_NEAR(impact.Position.x, (pA.x + pB.x) / 2, 1e-5);
        EXPECT_NEAR(impact.Position.y, (pA.y + pB.y) / 2, 1e-5);
        EXPECT_NEAR(impact.Position.z, (pA.z + pB.z) / 2, 1e-5);
    }
}

// A centroid offset moves the box's centre with its matrix: a small box offset along its own
// x and turned a quarter about y rests on the unit box with its bottom corners where its
// corners are.
TEST(BoxBoxTest, CentroidOffsetsMoveTheBox) {
    phBoundBox a, b;
    a.SetCentroidOffset(Vector3(0.3f, 0, 0));
    a.SetSize(Vector3(0.6f, 1, 0.8f));
    Matrix34 m = Matrix34::sm_Identity;
    m.MakeRotateY(1.5707964f);
    Vector3 offset = a.CentroidOffset;
    offset.Transform(m);
    m.d = Vector3(0.05f, 0.95f, -0.05f) - offset;
    phImpact impacts[8];
    int count = a.CollideBox(&b, m, Matrix34::sm_Identity, nullptr, nullptr, impacts, 8);
    ASSERT_EQ(count, 4);
    for (int k = 0; k < count; ++k) {
        EXPECT_NEAR(impacts[k].Position.y, 0.475f, 1e-5f);
        EXPECT_NEAR((impacts[k].Normal - Vector3(0, 1, 0)).Mag(), 0.0f, 1e-5f);
        EXPECT_EQ(impacts[k].Type, phImpact::A_ON_FACE);
        Vector3 corner = a.Vertices[impacts[k].FeatureA];
        corner.Transform(m);
        EXPECT_NEAR(corner.y, 0.45f, 1e-5f) << k;
        EXPECT_NEAR(impacts[k].Position.x, corner.x, 1e-5f) << k;
        EXPECT_NEAR(impacts[k].Position.z, corner.z, 1e-5f) << k;
    }
}

// A box turned 45 degrees and tipped by less than the dead zone still rests face on face,
// with the corners of the outlines' overlap, rather than on one corner and its edges.
TEST(BoxBoxTest, TippedWithinTheDeadZoneRestsFaceOnFace) {
    phBoundBox a, b;
    Matrix34 m = Matrix34::sm_Identity;
    m.MakeRotateY(0.7853982f);
    m.RotateX(0.01f);
    float lowest = 1e30f;
    for (int v = 0; v < 8; ++v) {
        Vector3 corner = a.Vertices[v];
        corner.Transform(m);
        lowest = std::min(lowest, corner.y);
    }
    m.d.Set(0, 0.5f - 0.05f - lowest, 0);
    phImpact impacts[8];
    int count = a.CollideBox(&b, m, Matrix34::sm_Identity, nullptr, nullptr, impacts, 8);
    EXPECT_EQ(count, 8);
    for (int k = 0; k < count; ++k) {
        EXPECT_GT(impacts[k].Normal.y, 0.999f) << k;
    }
}

}  // namespace
