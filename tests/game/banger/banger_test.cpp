#include "banger/banger.h"

#include <cmath>
#include <cstring>

#include <gtest/gtest.h>

#include "phbound/bound.h"
#include "tests/game/banger/bangerfixture.h"
#include "tests/game/banger/tuning.h"
#include "tests/support/child.h"

namespace {

class BangerTest : public BangerFixture {
protected:
    static Matrix34 Heading(float angle, const Vector3& position) {
        Matrix34 m;
        float c = std::cos(angle), s = std::sin(angle);
        m.a = Vector3(c, 0, s);
        m.b = Vector3(0, 1, 0);
        m.c = Vector3(-s, 0, c);
        m.d = position;
        return m;
    }
    static bool SameBits(const Matrix34& a, const Matrix34& b) {
        return memcmp(&a, &b, sizeof(Matrix34)) == 0;
    }
};

TEST_F(BangerTest, CreateNeedsAKnownType) {
    WriteType("post");
    EXPECT_EQ(qvBangerInstance::Create("nosuch", true), nullptr);
    qvBangerInstance* post = qvBangerInstance::Create("post", false);
    ASSERT_TRUE(post);
    EXPECT_EQ(post->GetFlags(), 0x213);
    EXPECT_TRUE(std::isnan(post->GetPosition().x)) << "unplaced until Init";
    EXPECT_EQ(lvlBangers.m_Create("nosuch", true), nullptr);
}

// The placement is the given matrix moved by the rotated centre of gravity; the flags follow
// the type.
TEST_F(BangerTest, InitPlacesAndFlagsByType) {
    struct Case {
        const char* m_Name;
        uint32_t m_BillFlags;
        int m_Glows;
        uint8_t m_CollisionType;
        uint16_t m_Flags;
    };
    const Case cases[] = {{"plain", 0x10, 0, 0x10, 0x213},
                          {"lamp", 0x00, 2, 0x10, 0x2D3},
                          {"ramp", 0x10, 0, 0x30, 0x233}};
    float angle = 0.7f;
    Vector3 at(12.0f, 1.0f, 3.0f);
    for (const Case& c : cases) {
        WriteType(c.m_Name, [&c](qvBangerData& d) {
            d.CG = Vector3(0.0f, 0.5f, 0.0f);
            d.BillFlags = c.m_BillFlags;
            d.CollisionType = c.m_CollisionType;
            d.NumGlows = int16_t(c.m_Glows);
            d.GlowOffset.reset(new Vector3[2]{Vector3(0, 1, 0), Vector3(0, 2, 0)});
        });
        WriteBangerPackage(c.m_Name);
        qvBangerInstance* b = qvBangerInstance::Create(c.m_Name, false);
        ASSERT_TRUE(b);
        EXPECT_TRUE(b->Init(c.m_Name, Heading(angle, at), 0));
        EXPECT_EQ(b->GetFlags(), c.m_Flags) << c.m_Name;
        EXPECT_EQ(b->GetState(), 255);
        EXPECT_EQ(b->GetData()->GetName(), std::string(c.m_Name));
        EXPECT_EQ(b->GetData()->PartGeometry, b->GetGeomIndex());
        Matrix34 scratch;
        ExpectMatrix(b->GetMatrix(scratch), Heading(angle, at + Vector3(0, 0.5f, 0)), c.m_Name);
    }
}

TEST_F(BangerTest, CompactFormKeepsOnlyPositionAndHeading) {
    WriteType("post");
    WriteBangerPackage("post");
    qvBangerInstance* post = qvBangerInstance::Create("post", false);
    post->Init("post", Heading(0.3f, Vector3(1, 2, 3)), 0);
    Matrix34 tilted = Heading(1.1f, Vector3(4, 5, 6));
    tilted.b = Vector3(0.1f, 0.9f, 0.2f);
    tilted.a.y = 0.5f;
    post->SetMatrix(tilted);
    Matrix34 scratch;
    const Matrix34& m = post->GetMatrix(scratch);
    ExpectMatrix(m, Heading(1.1f, Vector3(4, 5, 6)), "compact");
}

// Without its package a banger is still placed where it stands; it has no radius.
TEST_F(BangerTest, BangerWithoutGeometryIsPlaced) {
    WriteType("ghost", [](qvBangerData& d) { d.CG = Vector3(0, 1, 0); });
    qvBangerInstance* ghost = qvBangerInstance::Create("ghost", true);
    EXPECT_FALSE(ghost->Init("ghost", Heading(0, Vector3(3, 0, 4)), 0));
    EXPECT_EQ(ghost->GetGeomIndex(), 0);
    EXPECT_FLOAT_EQ(ghost->GetPosition().x, 3.0f);
    EXPECT_FLOAT_EQ(ghost->GetPosition().y, 1.0f);
    EXPECT_FLOAT_EQ(ghost->GetPosition().z, 4.0f);
    EXPECT_EQ(ghost->GetRadius(), 0.0f);
}

TEST_F(BangerTest, VariantWrapsByTheSetsVariants) {
    WriteType("post");
    WriteType("ghost");
    WriteBangerPackage("post", {}, 3);
    qvBangerInstance* post = Place("post", Vector3(5, 0, 5));
    post->SetVariant(7);
    EXPECT_EQ(post->GetVariant(), 1);
    qvBangerInstance* ghost = Place("ghost", Vector3(5, 0, 6));
    ghost->SetVariant(7);
    EXPECT_EQ(ghost->GetVariant(), 0);
}

TEST_F(BangerTest, BoundOfLevelOneIsABoxOfTheExtents) {
    WriteType("ball", [](qvBangerData& d) {
        d.CollisionPrim = qvBangerData::PRIM_SPHERE;
        d.YRadius = 0.4f;
    });
    WriteType("box", [](qvBangerData& d) {
        d.CollisionPrim = qvBangerData::PRIM_BOX;
        d.Size = Vector3(1, 2, 3);
    });
    qvBangerInstance* ball = Place("ball", Vector3(5, 0, 5));
    phBound* sphere = ball->GetBound(0);
    ASSERT_TRUE(sphere);
    EXPECT_EQ(sphere->Type, phBound::SPHERE);
    EXPECT_EQ(ball->GetBound(), sphere);
    phBound* first = ball->GetBound(1);
    phBound* second = ball->GetBound(1);
    ASSERT_TRUE(first && second);
    EXPECT_NE(first, second);
    for (phBound* box : {first, second}) {
        EXPECT_EQ(box->Type, phBound::BOX);
        Vector3 size = box->BoxMax - box->BoxMin;
        EXPECT_NEAR(size.x, 0.8f, 1e-6f);
        EXPECT_NEAR(size.y, 0.8f, 1e-6f);
        EXPECT_NEAR(size.z, 0.8f, 1e-6f);
        Vector3 centre = (box->BoxMax + box->BoxMin) * 0.5f;
        EXPECT_NEAR(centre.Mag(), 0.0f, 1e-6f);
    }
    qvBangerInstance* box = Place("box", Vector3(5, 0, 6));
    EXPECT_EQ(box->GetBound(1), box->GetBound(0)) << "a box is its own extents";
}

// A geometry bound lies off its origin (its corners less the CG): the box of its extents is
// placed about the bound's own centre, corner for corner.
TEST_F(BangerTest, ExtentsBoxOfAnOffsetBoundCoversItsCorners) {
    WriteTetraBound(m_Scratch.Root(), "statue_bound");
    WriteType("statue", [](qvBangerData& d) {
        d.CollisionPrim = qvBangerData::PRIM_GEOMETRY;
        d.CG = Vector3(0.0f, 0.25f, 0.0f);
    });
    qvBangerInstance* statue = Place("statue", Vector3(5, 0, 5));
    phBound* geometry = statue->GetBound(0);
    ASSERT_TRUE(geometry);
    ASSERT_EQ(geometry->Type, phBound::GEOMETRY);
    phBound* box = statue->GetBound(1);
    ASSERT_TRUE(box);
    EXPECT_EQ(box->Type, phBound::BOX);
    const Vector3 low(0.0f, -0.25f, 0.0f), high(1.0f, 0.75f, 1.0f);
    for (int k = 0; k < 3; ++k) {
        SCOPED_TRACE(k);
        EXPECT_NEAR((&box->BoxMin.x)[k], (&low.x)[k], 1e-6f);
        EXPECT_NEAR((&box->BoxMax.x)[k], (&high.x)[k], 1e-6f);
        EXPECT_NEAR((&box->CentroidOffset.x)[k], 0.5f * ((&low.x)[k] + (&high.x)[k]), 1e-6f);
    }
}

TEST_F(BangerTest, AttachEntityFailsWithoutAManager) {
    WriteType("post");
    qvBangerInstance* post = Place("post", Vector3(5, 0, 5));
    m_Active.reset();
    EXPECT_EQ(post->AttachEntity(), nullptr);
    EXPECT_EQ(post->GetVelocity().Mag2(), 0.0f);
}

TEST_CHILD(InitUnknownType) {
    qvBangerDataManager types;
    qvBangerInstance* b = lvlInstance::Create<qvBangerMatrixInstance>();
    b->Init("nosuch", Matrix34::sm_Identity, 0);
    return 0;
}

TEST_CHILD(ImpactWithoutBody) {
    qvBangerActiveManager bodies;
    qvBangerInstance* b = lvlInstance::Create<qvBangerMatrixInstance>();
    b->Impact(nullptr, nullptr);
    return 0;
}

TEST(BangerFatal, Assertions) {
    ExpectFatalChildren({{"InitUnknownType", "Assert(Data) failed in [banger/banger"},
                         {"ImpactWithoutBody", "Assert(OldActive) failed in [banger/bangerimpact"}});
}

}  // namespace
