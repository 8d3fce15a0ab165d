#include "phbound/bound.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "phcore/isect.h"
#include "phcore/material.h"
#include "phcore/materialmgr.h"
#include "phcore/poly.h"
#include "phcore/segment.h"
#include "tests/support/child.h"
#include "tests/support/console.h"

namespace {

uint32_t Bits(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof(bits));
    return bits;
}

// A shape with two materials whose tests only count their calls and report a hit.
class TestBound : public phBound {
public:
    TestBound() : phBound(GEOMETRY) {
        m_Materials[0].SetName("first");
        m_Materials[0].Friction = 0.8f;
        m_Materials[0].Elasticity = 0.5f;
        m_Materials[1].SetName("second");
        m_Materials[1].Friction = 0.2f;
        m_Materials[1].Elasticity = 0.4f;
        NumMaterials = 2;
    }

    phMaterial* GetMaterial(int index) override { return &m_Materials[index]; }
    bool TestProbePoint(phSegment&, phIsect* isect, float tLimit) override {
        return Record(isect, tLimit);
    }
    bool TestAIPoint(phSegment&, phIsect* isect) override { return Record(isect, -1.0f); }
    int TestEdgeSegment(phSegment&, phIsect* isects, int) override {
        Record(isects, -2.0f);
        return 2;
    }
    bool TestProbeSegment(phSegment&, phIsect* isect, float tLimit) override {
        return Record(isect, tLimit);
    }

    int m_Calls = 0;

private:
    bool Record(phIsect* isect, float t) {
        ++m_Calls;
        isect->T = t;
        return true;
    }

    phMaterial m_Materials[2];
};

phSegment Segment(int kind) {
    phSegment segment;
    segment.Set(Vector3(0, 1, 0), Vector3(0, -1, 0), kind, 0);
    return segment;
}

class BoundTest : public ::testing::Test {
protected:
    ~BoundTest() override { phBound::SetDefaultMargins(0.035f); }
};

}  // namespace

TEST_F(BoundTest, NewBoundHasUnsetBoxAndDefaultMargins) {
    TestBound bound;
    EXPECT_EQ(bound.Type, phBound::GEOMETRY);
    for (float value : {bound.BoxMin.x, bound.BoxMin.y, bound.BoxMin.z, bound.BoxMax.x,
                        bound.BoxMax.y, bound.BoxMax.z}) {
        EXPECT_EQ(Bits(value), 0x7F800001u);
    }
    EXPECT_FALSE(bound.HasCentroidOffset());
    EXPECT_TRUE(bound.CentroidOffset.IsZero());
    EXPECT_EQ(bound.RadiusAroundCentroid, 0.0f);
    EXPECT_EQ(bound.ComponentMotion, 0.0f);
    EXPECT_EQ(bound.GravityScale, 1.0f);
    EXPECT_EQ(Bits(bound.Margin), 0x3D0F5C29u);
    EXPECT_EQ(Bits(bound.SecondaryMargin), 0x3C2C0832u);
    EXPECT_EQ(phCollisionMargin, 0.035f);

    phBound::SetDefaultMargins(0.0f);
    TestBound later;
    EXPECT_EQ(later.Margin, 0.0f);
    EXPECT_EQ(later.SecondaryMargin, 0.0f);
    EXPECT_EQ(Bits(bound.Margin), 0x3D0F5C29u);
}

TEST_F(BoundTest, BaseOperationDefaults) {
    TestBound bound;
    EXPECT_EQ(bound.GetNumMaterials(), 2);
    bound.SetFriction(0.9f);
    bound.SetElasticity(0.9f);
    EXPECT_EQ(bound.GetFriction(), 0.5f);
    EXPECT_EQ(bound.GetElasticity(), 0.5f);
    Vector3 position;
    Vector3 normal;
    float depth = 3.0f;
    EXPECT_FALSE(bound.TestSphere(Vector3(0, 0, 0), 1.0f, &position, &normal, &depth));
    EXPECT_EQ(bound.GetEffectiveMass(Vector3(0, 1, 0), Vector3(0, 0, 0), 0, 12.5f), 12.5f);
}

TEST_F(BoundTest, ScaleMarginsUsesTheThinnestSide) {
    struct Case {
        Vector3 sides;
        float margin;
        float secondary;
    };
    const Case cases[] = {
        {{4, 2, 6}, 0.07f, 0.021f},
        {{2, 1, 4}, 0.035f, 0.0105f},
        {{3, 5, 0.5f}, 0.0175f, 0.00525f},
        {{1, 0.0005f, 1}, 0.035f, 0.0105f},  // too thin: unchanged
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.margin);
        TestBound bound;
        bound.BoxMin.Set(-1, -1, -1);
        bound.BoxMax.Set(-1 + c.sides.x, -1 + c.sides.y, -1 + c.sides.z);
        bound.ScaleMargins();
        EXPECT_NEAR(bound.Margin, c.margin, 1e-7f);
        EXPECT_NEAR(bound.SecondaryMargin, c.secondary, 1e-7f);
    }
}

TEST_F(BoundTest, CentroidOffsetAndRadius) {
    TestBound bound;
    bound.BoxMin.Set(0, -2, -3);
    bound.BoxMax.Set(2, 2, 3);
    bound.CalcCentroidAndRadius();
    EXPECT_TRUE(bound.HasCentroidOffset());
    EXPECT_EQ(bound.CentroidOffset.x, 1.0f);
    EXPECT_EQ(bound.CentroidOffset.y, 0.0f);
    EXPECT_EQ(bound.CentroidOffset.z, 0.0f);
    EXPECT_FLOAT_EQ(bound.RadiusAroundCentroid, 3.7416575f);

    Matrix34 matrix;
    matrix.Identity();
    matrix.d.Set(10, 20, 30);
    Vector3 world;
    bound.GetWorldCentroid(matrix, world);
    EXPECT_EQ(world.x, 11.0f);
    EXPECT_EQ(world.y, 20.0f);

    bound.SetCentroidOffset(Vector3(0, 0, 0));
    EXPECT_TRUE(bound.HasCentroidOffset());
    bound.GetWorldCentroid(world, matrix);
    EXPECT_EQ(world.x, 10.0f);
    EXPECT_EQ(bound.RemoveCentroidOffset(), 0);
    EXPECT_FALSE(bound.HasCentroidOffset());
    bound.GetWorldCentroid(matrix, world);
    EXPECT_EQ(world.x, 10.0f);
}

TEST_F(BoundTest, SegmentTestsPickTheShapeTestByKind) {
    struct Case {
        bool point;  // TestSegmentPoint instead of TestSegment
        int kind;
        int maxIsects;
        int result;
        float t;  // written by the shape's test; 99 when none ran
        const char* message;
    };
    const Case cases[] = {
        {false, phSegment::PROBE, 1, 1, 2.0f, ""},
        {false, phSegment::PROBE, 0, 0, 99.0f, "phBound::TestSegment (PROBE): ran out of isects."},
        {false, phSegment::EDGE, 2, 2, -2.0f, ""},
        {false, phSegment::EDGE, 1, 0, 99.0f, "phBound::TestSegment (EDGE): ran out of isects."},
        {true, phSegment::PROBE, 1, 1, 2.0f, ""},
        {true, phSegment::PROBE, 0, 0, 99.0f,
         "phBound::TestSegmentPoint (PROBE): ran out of isects."},
        {true, phSegment::AI, 1, 1, -1.0f, ""},
        {true, phSegment::AI, 0, 0, 99.0f, "phBound::TestSegmentPoint (AI): ran out of isects."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        TestBound bound;
        phSegment segment = Segment(c.kind);
        phIsect isects[2];
        isects[0].T = 99.0f;
        ConsoleCapture console;
        int result = c.point ? bound.TestSegmentPoint(segment, isects, c.maxIsects)
                             : bound.TestSegment(segment, isects, c.maxIsects);
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(isects[0].T, c.t);
        EXPECT_EQ(console.Take(), c.message);
    }
}

TEST_F(BoundTest, MaterialPropertiesOfHits) {
    TestBound a;
    TestBound b;
    phPolygon polygon;
    polygon.MaterialIndex = 1;
    struct Case {
        const phPolygon* polygon;
        int materialIndex;
        float friction;
        float elasticity;
    };
    const Case cases[] = {
        {nullptr, -1, 0.5f, 0.1f},   // the default material
        {nullptr, 0, 0.8f, 0.5f},
        {nullptr, 1, 0.2f, 0.4f},
        {&polygon, 0, 0.2f, 0.4f},   // the polygon's material wins
        {nullptr, 7, 0.5f, 0.1f},    // not a material of the shape
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.materialIndex);
        phIsect isect;
        isect.Polygon = c.polygon;
        isect.MaterialIndex = c.materialIndex;
        float friction = 0;
        float elasticity = 0;
        a.GetMaterialProperties(isect, friction, elasticity);
        EXPECT_FLOAT_EQ(friction, c.friction);
        EXPECT_FLOAT_EQ(elasticity, c.elasticity);
    }

    // Each bound's material comes from the other side's record.
    phIsect p;
    p.MaterialIndex = 0;
    phIsect q;
    q.MaterialIndex = -1;
    float friction = 0;
    float elasticity = 0;
    phBound::CombineMaterialProperties(&a, p, &b, q, friction, elasticity);
    EXPECT_FLOAT_EQ(friction, 0.5f * 0.8f);
    EXPECT_FLOAT_EQ(elasticity, 0.1f * 0.5f);
}

TEST_CHILD(TestSegmentWithAIKind) {
    TestBound bound;
    phSegment segment = Segment(phSegment::AI);
    phIsect isect;
    return bound.TestSegment(segment, &isect, 1);
}

TEST_CHILD(TestSegmentPointWithEdgeKind) {
    TestBound bound;
    phSegment segment = Segment(phSegment::EDGE);
    phIsect isects[2];
    return bound.TestSegmentPoint(segment, isects, 2);
}

TEST_CHILD(GetVertexOfBase) {
    TestBound bound;
    bound.GetVertex(0);
    return 0;
}

TEST_CHILD(CombineTwoInteriorEdges) {
    TestBound a;
    TestBound b;
    phIsect p;
    p.Flags = phIsect::InteriorEdgeFlag;
    phIsect q = p;
    float friction;
    float elasticity;
    phBound::CombineMaterialProperties(&a, p, &b, q, friction, elasticity);
    return 0;
}

TEST(BoundAssertTest, MisuseAsserts) {
    struct Case {
        const char* child;
        const char* message;
    };
    const Case cases[] = {
        {"TestSegmentWithAIKind", "Assert(0) failed in [phbound/bound, line"},
        {"TestSegmentPointWithEdgeKind", "Assert(0) failed in [phbound/bound, line"},
        {"GetVertexOfBase",
         "Assert(0 && \"should never be called\") failed in [phbound/bound, line"},
        {"CombineTwoInteriorEdges",
         "Assert(!AisectPtr->InteriorEdge() || !BisectPtr->InteriorEdge()) failed in "
         "[phbound/bound, line"},
    };
    for (const Case& c : cases) {
        ChildResult result = RunChild(c.child);
        EXPECT_EQ(result.m_ExitCode, 1) << c.child;
        EXPECT_NE(result.m_Output.find(c.message), std::string::npos) << result.m_Output;
    }
}
