#include "phbound/impact.h"

#include <string>

#include <gtest/gtest.h>

#include "data/bytes.h"
#include "data/debuglog.h"
#include "phbound/bound.h"
#include "phcore/material.h"
#include "tests/support/child.h"
#include "tests/support/scratch.h"

namespace {

// A bound with one material of the given friction and elasticity.
class MaterialBound : public phBound {
public:
    MaterialBound(float friction, float elasticity, float margin) : phBound(SPHERE) {
        m_Material.Friction = friction;
        m_Material.Elasticity = elasticity;
        Margin = margin;
        NumMaterials = 1;
    }
    phMaterial* GetMaterial(int) override { return &m_Material; }
    bool TestProbePoint(phSegment&, phIsect*, float) override { return false; }
    bool TestAIPoint(phSegment&, phIsect*) override { return false; }
    int TestEdgeSegment(phSegment&, phIsect*, int) override { return 0; }
    bool TestProbeSegment(phSegment&, phIsect*, float) override { return false; }

private:
    phMaterial m_Material;
};

phImpact Impact(float x, float y, float depth, float normalY, int featureA) {
    phImpact impact;
    impact.Set(depth, Vector3(0, normalY, 0), Vector3(x, y, 0), nullptr, nullptr, nullptr,
               featureA, -1, -1);
    return impact;
}

}  // namespace

TEST(ImpactTest, SetTakesTheMatrixAndLeavesMaterialsForLater) {
    Matrix34 matrix;
    matrix.Identity();
    matrix.d.Set(0, 1, 0);
    phImpact impact;
    impact.Friction = 9.0f;
    impact.Set(0.25f, Vector3(0, 0, 1), Vector3(2, 3, 4), nullptr, nullptr, &matrix, 5, 6, 7);
    EXPECT_EQ(impact.Position.x, 2.0f);
    EXPECT_EQ(impact.Position.y, 4.0f);
    EXPECT_EQ(impact.Position.z, 4.0f);
    EXPECT_EQ(impact.Normal.z, 1.0f);
    EXPECT_EQ(impact.Normal.y, 0.0f);
    EXPECT_EQ(impact.Depth, 0.25f);
    EXPECT_EQ(impact.FeatureA, 5);
    EXPECT_EQ(impact.ComponentA, 6);
    EXPECT_EQ(impact.ComponentB, 7);
    EXPECT_EQ(impact.Friction, 0.5f);
    EXPECT_EQ(impact.Elasticity, 0.1f);

    matrix.MakeRotateZ(1.5707964f);
    impact.Set(0.25f, Vector3(1, 0, 0), Vector3(1, 0, 0), nullptr, nullptr, &matrix, 0, -1, -1);
    EXPECT_NEAR(impact.Normal.x, 0.0f, 1e-6f);
    EXPECT_NEAR(impact.Normal.y, 1.0f, 1e-6f);
    EXPECT_NEAR(impact.Position.y, 2.0f, 1e-6f);
}

TEST(ImpactTest, SetFeatureAndSetAllApplyMaterialsAndMargin) {
    MaterialBound a(0.5f, 0.2f, 0.05f);
    MaterialBound b(0.8f, 0.5f, 0.03f);
    struct Case {
        int kind;
        int type;
    };
    const Case cases[] = {{phImpact::VERTEX, 2}, {phImpact::EDGE, 0}, {phImpact::FACE, 1}};
    for (const Case& c : cases) {
        phImpact impact = Impact(0, 0, 0.1f, 1, 3);
        impact.SetFeature(c.kind, 8, &a, &b, 4);
        EXPECT_EQ(impact.Type, c.type);
        EXPECT_EQ(impact.FeatureA, 4);
        EXPECT_EQ(impact.FeatureB, 8);
        EXPECT_FLOAT_EQ(impact.Friction, 0.4f);
        EXPECT_FLOAT_EQ(impact.Elasticity, 0.1f);
        EXPECT_EQ(impact.Margin, 0.03f);
    }
    phImpact all;
    all.SetAll(nullptr, nullptr, Vector3(1, 2, 3), Vector3(0, 1, 0), 0.5f, &b, &a, 2, 11, 12);
    EXPECT_EQ(all.Type, 2);
    EXPECT_EQ(all.FeatureA, 11);
    EXPECT_EQ(all.FeatureB, 12);
    EXPECT_EQ(all.ComponentA, -1);
    EXPECT_EQ(all.ComponentB, -1);
    EXPECT_FLOAT_EQ(all.Friction, 0.4f);
    EXPECT_EQ(all.Margin, 0.03f);
}

TEST_CHILD(SetFeatureWithUnknownKind) {
    MaterialBound a(0.5f, 0.2f, 0.05f);
    phImpact impact;
    impact.SetFeature(3, 0, &a, &a, 0);
    return 0;
}

TEST(ImpactTest, SetFeatureWithUnknownKindAsserts) {
    ExpectFatalChild("SetFeatureWithUnknownKind", "failed in [phbound/impact, line");
}

TEST(ImpactTest, MergeKeepsTheDeeperOfOneContact) {
    struct Case {
        const char* name;
        float listedDepth;
        float addedDepth;
        int listedFeature;
        bool kept;
        float survivorDepth;  // of the list after counting a kept impact
    };
    const Case cases[] = {
        {"new one deeper", 0.1f, 0.2f, 3, true, 0.2f},
        {"listed one deeper", 0.2f, 0.1f, 3, false, 0.2f},
        {"equal depths", 0.1f, 0.1f, 3, false, 0.1f},
        {"other feature", 0.1f, 0.2f, 4, true, 0.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        phImpact impacts[3];
        impacts[0] = Impact(0.0f, 0.05f - 0.5f * c.listedDepth, c.listedDepth, 1, c.listedFeature);
        impacts[1] = Impact(0.5f, 0.05f - 0.5f * c.addedDepth, c.addedDepth, 1, 3);
        int count = 1;
        bool kept = phMergeImpact(impacts, count);
        EXPECT_EQ(kept, c.kept);
        if (!kept) {
            EXPECT_EQ(count, 1);
            EXPECT_EQ(impacts[0].Depth, c.survivorDepth);
            continue;
        }
        ++count;
        if (c.listedFeature == 3) {
            ASSERT_EQ(count, 1);
            EXPECT_EQ(impacts[0].Depth, c.survivorDepth);
            EXPECT_EQ(impacts[0].Position.x, 0.5f);
        } else {
            ASSERT_EQ(count, 2);
        }
    }
}

TEST(ImpactTest, MergeTurnsImpactsOfTheOtherSideAround) {
    phImpact impacts[2];
    // The listed impact sees the contact from the other collider: its normal points down.
    impacts[0] = Impact(0.0f, 0.0f, 0.1f, -1, 9);
    impacts[0].FeatureB = 3;
    impacts[0].ColliderA = reinterpret_cast<phColliderBase*>(uintptr_t(0x1000));
    impacts[0].Position.y = 0.15f;
    impacts[1] = Impact(0.2f, 0.0f, 0.2f, 1, 3);
    int count = 1;
    EXPECT_TRUE(phMergeImpact(impacts, count));
    EXPECT_EQ(count, 0);
    EXPECT_EQ(impacts[0].Depth, 0.2f);
}

TEST(ImpactTest, MergeAlongAxisOnlyMeetsImpactsOnTheSameSide) {
    Vector3 axisPoint(0, 0, 0);
    Vector3 axis(1, 0, 0);
    struct Case {
        const char* name;
        float listedY;
        float listedNormalY;
        bool kept;
        int count;
    };
    const Case cases[] = {
        {"listed reaches past the new one", 0.2f, 1, false, 2},
        {"listed on the opposite face", 1.0f, -1, true, 2},
        {"listed below the new one", -1.0f, 1, true, 1},
    };
    // Exactly at the axis point: on neither side, so never met (it would reach past otherwise).
    phImpact level[3];
    level[0] = Impact(0.0f, 0.2f, 0.1f, 1, 0);
    level[1] = Impact(1.2f, 0.0f, 0.3f, 1, 3);
    int levelCount = 1;
    EXPECT_TRUE(phMergeImpactAlongAxis(level, levelCount, axisPoint, axis));
    EXPECT_EQ(levelCount, 1);

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        phImpact impacts[3];
        // On the other side of the axis point: never met, whatever its position.
        impacts[0] = Impact(-1.0f, 0.2f, 0.1f, 1, 0);
        impacts[1] = Impact(1.0f, c.listedY, 0.1f, c.listedNormalY, 7);
        impacts[2] = Impact(1.2f, 0.0f, 0.3f, 1, 3);
        int count = 2;
        EXPECT_EQ(phMergeImpactAlongAxis(impacts, count, axisPoint, axis), c.kept);
        ASSERT_EQ(count, c.count);
        EXPECT_EQ(impacts[0].Position.x, -1.0f);
        EXPECT_EQ(impacts[count].Depth, 0.3f);
    }
}

TEST(ImpactTest, ReduceKeepsImpactsAlongTheDirection) {
    Vector3 up(0, 1, 0);
    struct Case {
        float normals[3];
        int count;
        float kept[3];
    };
    const Case cases[] = {
        {{1, -1, 1}, 2, {1, 1, 0}},
        {{-1, 1, -1}, 1, {1, 0, 0}},
        {{-1, -1, 0}, 3, {-1, -1, 0}},  // none along: unchanged
    };
    for (const Case& c : cases) {
        phImpact impacts[3];
        for (int i = 0; i < 3; ++i) {
            impacts[i] = Impact(float(i), 0, 0.1f, c.normals[i], i);
        }
        int count = 3;
        phReduceImpacts(impacts, count, up);
        ASSERT_EQ(count, c.count);
        for (int i = 0; i < count; ++i) {
            EXPECT_EQ(impacts[i].Normal.y, c.kept[i]);
        }
        if (c.count == 2) {
            EXPECT_EQ(impacts[0].FeatureA, 0);
            EXPECT_EQ(impacts[1].FeatureA, 2);
        }
    }
}

TEST(ImpactTest, FindImpactByKind) {
    phImpact impacts[3];
    impacts[0].Type = 0;
    impacts[0].FeatureA = 1;
    impacts[0].FeatureB = 2;
    impacts[1].Type = 1;
    impacts[1].FeatureA = 3;
    impacts[1].FeatureB = 4;
    impacts[2].Type = 2;
    impacts[2].FeatureA = 5;
    impacts[2].FeatureB = 6;
    struct Case {
        int a;
        int b;
        int kind;
        bool found;
    };
    const Case cases[] = {
        {1, 2, 1, true},  {2, 1, 1, false}, {1, 2, 0, false}, {3, 4, 0, true},
        {4, 3, 0, false}, {6, 5, 0, true},  {5, 6, 0, false}, {4, 3, 2, true},
        {5, 6, 2, true},  {3, 4, 2, false}, {1, 2, 2, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(phFindImpact(c.a, c.b, c.kind, impacts, 3), c.found)
            << c.a << " " << c.b << " kind " << c.kind;
    }
}

TEST(ImpactTest, ClearKeepsTheColliders) {
    phImpact impacts[2];
    impacts[0] = Impact(1, 2, 0.5f, 1, 3);
    phColliderBase* a = reinterpret_cast<phColliderBase*>(uintptr_t(0x10));
    phColliderBase* b = reinterpret_cast<phColliderBase*>(uintptr_t(0x20));
    phImpact::SetColliders(a, b, impacts, 2);
    EXPECT_EQ(impacts[1].ColliderA, a);
    impacts[0].Clear();
    EXPECT_EQ(impacts[0].ColliderA, a);
    EXPECT_EQ(impacts[0].ColliderB, b);
    EXPECT_EQ(impacts[0].FeatureA, 0);
    EXPECT_EQ(impacts[0].Friction, 0.0f);
    EXPECT_TRUE(impacts[0].Position.IsZero());
}

TEST(ImpactTest, DebugLogRecordsEveryFieldUnderItsTagInOrder) {
    ScratchDir scratch;
    std::string path = scratch.Path("impact.log");
    phImpact impact = Impact(1, 2, 0.5f, 1, 3);
    DebugLogOpen(false, path.c_str());
    impact.DebugLog();
    DebugLogClose();
    std::string bytes = ReadWholeFile(path);
    const uint32_t tags[] = {0x69545950, 0x69494441, 0x69494442, 0x69434D41,
                             0x69434D42, 0x69504F53, 0x694E4F52, 0x69444550,
                             0x6950454E, 0x69465249, 0x69454C41};
    const uint32_t sizes[] = {4, 4, 4, 4, 4, 12, 12, 4, 4, 4, 4};
    size_t offset = 0;
    for (int i = 0; i < 11; ++i) {
        ASSERT_LE(offset + 8, bytes.size());
        const unsigned char* record = reinterpret_cast<const unsigned char*>(bytes.data()) + offset;
        EXPECT_EQ(DecodeU32(record), tags[i]) << i;
        EXPECT_EQ(DecodeU32(record + 4), sizes[i]) << i;
        offset += 8 + DecodeU32(record + 4) + 32;
    }
    EXPECT_EQ(offset, bytes.size());
}
