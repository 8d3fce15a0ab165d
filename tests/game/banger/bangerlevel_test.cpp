#include <cstring>

#include <gtest/gtest.h>

#include "phbound/impact.h"
#include "tests/game/banger/bangerfixture.h"

namespace {

class BangerLevelTest : public BangerFixture {
protected:
    void SetUp() override {
        BangerFixture::SetUp();
        WriteType("crate", [](qvBangerData& d) {
            d.CG = Vector3(0, 0.5f, 0);
            d.ImpulseLimit2 = 250.0f;
            d.CollisionPrim = qvBangerData::PRIM_BOX;
        });
        WriteBangerPackage("crate");
    }
};

// The level's loader makes its props through the seams; a reset after one broke loose stands
// it where it was loaded.
TEST_F(BangerLevelTest, LoadedPropsAreBangersAndResetStandsThemAgain) {
    InstFile file;
    file.Compact(0x2, 1, 2, "crate", 0.0f, 1.0f, Vector3(15, 0, 5));
    file.Compact(0x2, 0, 2, "nosuch", 1.0f, 0.0f, Vector3(16, 0, 5));
    WriteInst("t", file);
    ASSERT_TRUE(m_Level->LoadInstances("city", "t"));
    ASSERT_EQ(m_Level->GetInstanceCount(), 1);
    qvBangerInstance* crate = static_cast<qvBangerInstance*>(m_Level->GetRoomHead(2));
    ASSERT_TRUE(crate);
    EXPECT_EQ(crate->SizeOf(), sizeof(qvBangerCompactInstance));
    EXPECT_STREQ(crate->GetData()->GetName(), "crate");
    EXPECT_EQ(crate->GetVariant(), 1);
    EXPECT_FLOAT_EQ(crate->GetPosition().y, 0.5f);
    Matrix34 scratch;
    Matrix34 loaded = crate->GetMatrix(scratch);

    lvlInstance* other = Hitter(14.0f);
    ASSERT_TRUE(crate->AttachEntity());
    phImpact impact;
    float limit = 0.0f;
    ASSERT_TRUE(qvPhysManager::sm_Bangers.m_ImpulseLimit(crate, limit));
    EXPECT_EQ(limit, 250.0f);
    qvPhysManager::sm_Bangers.m_BreakLoose(crate, other, impact);
    EXPECT_EQ(crate->GetRoom(), 0);

    m_Level->ResetInstances();
    EXPECT_EQ(m_Level->GetRoomHead(2), crate);
    EXPECT_TRUE(crate->GetFlags() & qvBangerInstance::PLACED);
    EXPECT_EQ(0, memcmp(&crate->GetMatrix(scratch), &loaded, sizeof(Matrix34)));
    EXPECT_EQ(m_Active->GetCount(), 0);
}

// A loose prop culled outside the active rooms lets go of its body and parks in room 0.
TEST_F(BangerLevelTest, CulledLoosePropParksInRoomZero) {
    qvBangerInstance* crate = Place("crate", Vector3(15, 0, 5));
    lvlInstance* other = Hitter(14.0f);
    qvBangerActive* active = static_cast<qvBangerActive*>(crate->AttachEntity());
    crate->Impact(other, nullptr);
    qvBangerInstance* loose = active->GetTarget();
    ASSERT_NE(loose, crate);
    m_Physics->Reset();

    m_Active->Update();
    ASSERT_TRUE(MoverOf(loose));
    m_Physics->Update();
    EXPECT_EQ(m_Physics->GetCulledCount(), 1);
    EXPECT_EQ(loose->GetRoom(), 0);
    EXPECT_EQ(loose->GetActive(), nullptr);
    EXPECT_EQ(active->GetTarget(), nullptr);
    EXPECT_EQ(m_Active->GetCount(), 0);
}

}  // namespace
