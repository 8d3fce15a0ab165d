#include "banger/active.h"

#include <cmath>
#include <set>

#include <gtest/gtest.h>

#include "tests/game/banger/bangerfixture.h"
#include "tests/support/child.h"

namespace {

class ActiveTest : public BangerFixture {
protected:
    void SetUp() override {
        BangerFixture::SetUp();
        WriteBangerPackage("crate");
        WriteType("crate");
    }

    // count crates in room 1, each at its own z.
    std::vector<qvBangerInstance*> Crates(int count) {
        std::vector<qvBangerInstance*> crates;
        for (int i = 0; i < count; ++i) {
            crates.push_back(Place("crate", Vector3(5.0f, 0.0f, float(i))));
        }
        return crates;
    }

    static bool Undriven(const qvBangerInstance* b) {
        return b->GetOwner() == 0 && (b->GetFlags() & qvBangerInstance::UNDRIVEN);
    }
};

TEST_F(ActiveTest, AttachDrivesTheInstanceAndDetachLetsItGo) {
    qvBangerInstance* crate = Crates(1)[0];
    EXPECT_TRUE(crate->GetFlags() & qvBangerInstance::UNDRIVEN);
    qvBangerActive* active = m_Active->Attach(crate);
    ASSERT_TRUE(active);
    EXPECT_EQ(crate->GetOwner(), active->GetSlot() + 1);
    EXPECT_FALSE(crate->GetFlags() & qvBangerInstance::UNDRIVEN);
    EXPECT_EQ(crate->GetActive(), active);
    EXPECT_EQ(crate->AttachEntity(), active) << "a driven banger keeps its body";
    EXPECT_EQ(m_Active->GetCount(), 1);
    Matrix34 scratch;
    EXPECT_EQ(0, memcmp(&active->GetICS()->Matrix, &crate->GetMatrix(scratch), sizeof(Matrix34)));
    EXPECT_EQ(active->GetCollider()->GetBound(), crate->GetBound(3));
    EXPECT_EQ(active->GetSleep().VelTolerance2, 0.5f);
    EXPECT_EQ(active->GetSleep().AngVelTolerance2, 0.5f);

    active->Release();
    EXPECT_TRUE(Undriven(crate));
    EXPECT_EQ(active->GetTarget(), nullptr);
    EXPECT_EQ(m_Active->GetCount(), 0);
    EXPECT_EQ(crate->GetActive(), nullptr);
}

TEST_F(ActiveTest, ListKeepsInUseEntriesFirst) {
    std::vector<qvBangerInstance*> crates = Crates(3);
    qvBangerActive* first = m_Active->Attach(crates[0]);
    m_Active->Attach(crates[1]);
    qvBangerActive* third = m_Active->Attach(crates[2]);
    m_Active->Remove(first);
    EXPECT_EQ(m_Active->GetCount(), 2);
    EXPECT_EQ(m_Active->GetListEntry(0), third);
    EXPECT_EQ(m_Active->GetListEntry(2), first);

    EXPECT_EQ(m_Active->Attach(crates[1]), nullptr);
    EXPECT_EQ(m_Active->GetCount(), 2);
    ASSERT_EQ(BangerErrors().size(), 1u);
    EXPECT_EQ(BangerErrors()[0], "Banger's already attached");
}

// A full pool takes the longest-attached body, but never one attached this frame: the parts
// of one break take no body from each other.
TEST_F(ActiveTest, FullPoolTakesTheOldestBodyFromAnEarlierFrame) {
    std::vector<qvBangerInstance*> crates = Crates(35);
    for (int i = 0; i < qvBangerActiveManager::MaxActive; ++i) {
        ASSERT_TRUE(m_Active->Attach(crates[size_t(i)]));
    }
    EXPECT_EQ(m_Active->Attach(crates[32]), nullptr) << "every body was attached this frame";

    m_Active->Update();
    m_Physics->Reset();
    qvBangerInstance* oldest = m_Active->GetListEntry(0)->GetTarget();
    EXPECT_EQ(oldest, crates[0]);
    qvBangerActive* taken = m_Active->Attach(crates[32]);
    ASSERT_TRUE(taken);
    EXPECT_EQ(m_Active->GetCount(), 32);
    EXPECT_TRUE(Undriven(oldest));
    EXPECT_EQ(taken->GetTarget(), crates[32]);

    qvBangerActive* keep = m_Active->GetActive(crates[1]);
    qvBangerActive* next = m_Active->Attach(crates[33], keep);
    ASSERT_TRUE(next);
    EXPECT_NE(next, keep);
    EXPECT_NE(next, taken);
    EXPECT_EQ(crates[1]->GetActive(), keep);
    EXPECT_TRUE(Undriven(crates[2]));
}

// A body dropped for resting, falling or leaving the rooms lets go of its target, and an
// owner byte that names a slot driving another instance finds no body.
TEST_F(ActiveTest, DroppedBodiesLetGoOfTheirTargets) {
    std::vector<qvBangerInstance*> crates = Crates(3);
    qvBangerActive* resting = m_Active->Attach(crates[0]);
    qvBangerActive* fallen = m_Active->Attach(crates[1]);
    qvBangerActive* away = m_Active->Attach(crates[2]);
    resting->GetSleep().PutToRest();
    fallen->GetICS()->Matrix.d.y = -101.0f;
    m_Level->MoveToRoom(crates[2], 0);
    m_Active->Update();
    EXPECT_EQ(m_Active->GetCount(), 0);
    for (qvBangerInstance* crate : crates) {
        EXPECT_TRUE(Undriven(crate));
    }
    EXPECT_EQ(away->GetTarget(), nullptr);

    qvBangerInstance* other = Place("crate", Vector3(15, 0, 0));
    qvBangerActive* reused = m_Active->Attach(other);
    crates[0]->SetOwner(uint8_t(reused->GetSlot() + 1));
    EXPECT_EQ(crates[0]->GetActive(), nullptr);
    EXPECT_EQ(other->GetActive(), reused);
}

TEST_F(ActiveTest, ResetDetachesEveryBodyAndRebuildsTheList) {
    std::vector<qvBangerInstance*> crates = Crates(3);
    for (qvBangerInstance* crate : crates) {
        m_Active->Attach(crate);
    }
    m_Active->Remove(m_Active->GetListEntry(0));
    m_Active->Reset();
    EXPECT_EQ(m_Active->GetCount(), 0);
    for (int i = 0; i < qvBangerActiveManager::MaxActive; ++i) {
        EXPECT_EQ(m_Active->GetListEntry(i), m_Active->GetSlot(i));
        EXPECT_EQ(m_Active->GetSlot(i)->GetSlot(), i);
    }
    for (qvBangerInstance* crate : crates) {
        EXPECT_TRUE(Undriven(crate)) << "also the one taken out of the list without detaching";
    }
}

TEST_F(ActiveTest, MassFromTheTypeOrFromTheVolumeWhenTuning) {
    WriteType("slab", [](qvBangerData& d) {
        d.Size = Vector3(1.0f, 2.0f, 0.5f);
        d.Mass = 50.0f;
    });
    qvBangerInstance* slab = Place("slab", Vector3(5, 0, 5));
    qvBangerActive* active = m_Active->Attach(slab);
    EXPECT_FLOAT_EQ(active->GetICS()->Mass, 50.0f);
    EXPECT_FLOAT_EQ(active->GetICS()->AngInertia.x, 50.0f / 12.0f * (4.0f + 0.25f));
    active->Release();

    m_Types->TuneBangers = 1;
    active = m_Active->Attach(slab);
    EXPECT_FLOAT_EQ(active->GetICS()->Mass, 200.0f);
}

TEST_F(ActiveTest, TextureNumberPicksTheParticleTexture) {
    struct Case {
        int m_TexNumber;
        int m_Index;
    };
    for (const Case& c : {Case{0, 0}, Case{1, 0}, Case{10, 9}, Case{12, 9}, Case{-3, 0}}) {
        EXPECT_EQ(qvBangerActive::TextureIndex(c.m_TexNumber), c.m_Index) << c.m_TexNumber;
    }
    qvBangerInstance* crate = Crates(1)[0];
    qvBangerActive* active = m_Active->Attach(crate);
    EXPECT_EQ(active->GetParticles().GetLiveCount(), 0) << "TexNumber 0 emits nothing";
}

// One frame of a self-simulated prop falls under gravity; below -100 it is let go.
TEST_F(ActiveTest, FreeFallUntilOutOfTheWorld) {
    WriteType("stone", [](qvBangerData& d) { d.CollisionType = qvBangerData::SELF_SIMULATED; });
    qvBangerInstance* stone = Place("stone", Vector3(5, 0, 5));
    qvBangerActive* active = m_Active->Attach(stone);
    m_Active->Update();
    EXPECT_NEAR(active->GetICS()->Velocity.y, -19.6f / 60.0f, 1e-5f);
    EXPECT_LT(stone->GetPosition().y, 0.0f) << "the target moves with its body";
    EXPECT_EQ(m_Physics->GetMoverCount(), 0);

    float last = stone->GetPosition().y;
    int frames = 1;
    while (m_Active->GetCount() > 0 && frames < 1000) {
        last = stone->GetPosition().y;
        m_Active->Update();
        ++frames;
    }
    EXPECT_GE(last, -100.0f);
    EXPECT_LT(stone->GetPosition().y, -100.0f);
    EXPECT_TRUE(Undriven(stone));
    EXPECT_EQ(active->GetTarget(), nullptr);
}

// Each behaviour bit declares the target to the physics manager with its kind and flags; the
// self-simulated bit wins over them.
TEST_F(ActiveTest, CollisionTypeChoosesTheMoverEntry) {
    struct Case {
        const char* m_Type;
        uint8_t m_CollisionType;
        int m_Kind;
        uint16_t m_Flags;
    };
    const Case cases[] = {{"rolls", 0x04, 1, 3},   {"slides", 0x40, 2, 27},
                          {"plain", 0x10, 1, 27},  {"mixed", 0x54, 1, 3},
                          {"inert", 0x00, -1, 0},  {"own", 0x16, -1, 0}};
    std::vector<qvBangerInstance*> bangers;
    for (const Case& c : cases) {
        uint8_t type = c.m_CollisionType;
        WriteType(c.m_Type, [type](qvBangerData& d) { d.CollisionType = type; });
        WriteBangerPackage(c.m_Type);
        bangers.push_back(Place(c.m_Type, Vector3(5, 0, float(bangers.size()))));
        m_Active->Attach(bangers.back());
    }
    m_Active->Update();
    for (size_t i = 0; i < bangers.size(); ++i) {
        const qvPhysManager::Mover* mover = MoverOf(bangers[i]);
        if (cases[i].m_Kind < 0) {
            EXPECT_FALSE(mover) << cases[i].m_Type;
            continue;
        }
        ASSERT_TRUE(mover) << cases[i].m_Type;
        EXPECT_EQ(mover->m_Kind, cases[i].m_Kind) << cases[i].m_Type;
        EXPECT_EQ(mover->m_Flags, cases[i].m_Flags) << cases[i].m_Type;
        EXPECT_EQ(mover->m_Entity, bangers[i]->GetActive()) << cases[i].m_Type;
    }
}

TEST_CHILD(SecondActiveManager) {
    qvBangerActiveManager first;
    qvBangerActiveManager second;
    return 0;
}

TEST_CHILD(ReservedOperation) {
    qvBangerActive active;
    qvPhysEntity& entity = active;
    entity.Reserved();
    return 0;
}

TEST(ActiveFatal, SecondManager) {
    ExpectFatalChild("SecondActiveManager", "Already have qvBangerActiveManager");
}

TEST(ActiveFatal, ReservedOperationIsNeverToBeCalled) {
    ExpectFatalChild("ReservedOperation", "Assert(0) failed in [banger/active");
}

}  // namespace
