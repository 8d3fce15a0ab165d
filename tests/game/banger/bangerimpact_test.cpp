#include <cstring>

#include <gtest/gtest.h>

#include "tests/game/banger/bangerfixture.h"

namespace {

class ImpactTest : public BangerFixture {
protected:
    void SetUp() override {
        BangerFixture::SetUp();
        WriteType("crate", [](qvBangerData& d) {
            d.CG = Vector3(0, 0.25f, 0);
            d.CollisionPrim = qvBangerData::PRIM_BOX;
        });
        WriteBangerPackage("crate");
    }

    // A type of mass 10 whose named parts (mass 5 each, their centres of gravity 1 apart
    // along x) have tuning files; the package holds every part's model.
    void WriteShattering(const std::string& name, int parts, const std::vector<int>& tuned) {
        WriteType(name, [parts](qvBangerData& d) {
            d.Mass = 10.0f;
            d.NumParts = int16_t(parts);
        });
        std::vector<std::string> models;
        for (int i = 1; i <= parts; ++i) {
            char suffix[16];
            snprintf(suffix, sizeof(suffix), "BREAK%02d", i);
            models.push_back(suffix);
        }
        for (int i : tuned) {
            WriteType(name + "_" + models[size_t(i - 1)], [i](qvBangerData& d) {
                d.Mass = 5.0f;
                d.CG = Vector3(float(i), 0, 0);
            });
        }
        WriteBangerPackage(name, models);
    }

    // The banger at x with its body, hit by a mover of the frame.
    qvBangerActive* Hit(qvBangerInstance* banger) {
        qvBangerActive* active = static_cast<qvBangerActive*>(banger->AttachEntity());
        EXPECT_TRUE(active);
        return active;
    }

    std::vector<qvBangerLooseInstance*> LooseIn(int room) {
        std::vector<qvBangerLooseInstance*> found;
        for (int i = 0; i < m_Pool->GetCount(); ++i) {
            if (m_Pool->GetLoose(i)->GetRoom() == room) {
                found.push_back(m_Pool->GetLoose(i));
            }
        }
        return found;
    }
};

// Without parts the loose instance takes the banger's place and its body; the banger waits
// in room 0 for the reset.
TEST_F(ImpactTest, SwapHandsPlaceAndBodyToALooseInstance) {
    qvBangerInstance* crate = Place("crate", Vector3(15, 0, 5));
    crate->SetVariant(2);
    lvlInstance* other = Hitter(14.0f);
    qvBangerActive* active = Hit(crate);
    uint8_t owner = crate->GetOwner();
    Matrix34 scratch;
    Matrix34 placed = crate->GetMatrix(scratch);

    crate->Impact(other, nullptr);
    EXPECT_TRUE(InRoomList(crate, 0));
    EXPECT_EQ(crate->GetRoom(), 0);
    EXPECT_EQ(crate->GetHomeRoom(), 2);
    EXPECT_FALSE(crate->GetFlags() & qvBangerInstance::PLACED);
    EXPECT_TRUE(crate->GetFlags() & qvBangerInstance::UNDRIVEN);
    EXPECT_EQ(crate->GetOwner(), 0);
    EXPECT_EQ(crate->GetActive(), nullptr);

    std::vector<qvBangerLooseInstance*> loose = LooseIn(2);
    ASSERT_EQ(loose.size(), 1u);
    qvBangerLooseInstance* l = loose[0];
    EXPECT_TRUE(InRoomList(l, 2));
    EXPECT_EQ(l->GetTypeIndex(), crate->GetTypeIndex());
    EXPECT_EQ(l->GetGeomIndex(), crate->GetGeomIndex());
    EXPECT_EQ(l->GetVariant(), 2);
    EXPECT_FALSE(l->GetFlags() & qvBangerInstance::UNDRIVEN);
    EXPECT_EQ(l->GetOwner(), owner);
    EXPECT_EQ(active->GetTarget(), l);
    EXPECT_EQ(l->GetActive(), active);
    EXPECT_EQ(0, memcmp(&l->GetMatrix(scratch), &placed, sizeof(Matrix34)));
    EXPECT_EQ(active->GetCollider()->GetBound(), l->GetBound(3));
    const qvPhysManager::Mover* mover = MoverOf(l);
    ASSERT_TRUE(mover);
    EXPECT_EQ(mover->m_Flags, qvPhysManager::NEW);
    EXPECT_EQ(mover->m_Entity, active);
    EXPECT_TRUE(BangerErrors().empty()) << BangerErrors()[0];
}

// Once loose a banger collides with the bound its type record made, as it did standing (here
// a sphere, where the geometry set would lend a box of its radius); a type whose record made
// no bound (a geometry type without its bound file) falls back on the geometry set's bound.
TEST_F(ImpactTest, LooseBangerCollidesWithItsTypesBound) {
    WriteType("ball", [](qvBangerData& d) {
        d.CollisionPrim = qvBangerData::PRIM_SPHERE;
        d.YRadius = 0.4f;
    });
    WriteBangerPackage("ball");
    WriteType("urn", [](qvBangerData& d) { d.CollisionPrim = qvBangerData::PRIM_GEOMETRY; });
    WriteBangerPackage("urn");
    struct Case {
        const char* m_Type;
        bool m_RecordBound;
    };
    for (const Case& c : {Case{"ball", true}, Case{"urn", false}}) {
        SCOPED_TRACE(c.m_Type);
        qvBangerInstance* banger = Place(c.m_Type, Vector3(15, 0, 5));
        phBound* record = banger->GetData()->GetBound();
        EXPECT_EQ(record != nullptr, c.m_RecordBound);
        EXPECT_EQ(banger->GetBound(0), record);
        qvBangerActive* active = Hit(banger);
        banger->Impact(Hitter(14.0f), nullptr);
        ASSERT_EQ(active->GetTarget(), LooseIn(2).back());
        qvBangerLooseInstance* loose = LooseIn(2).back();
        phBound* bound = loose->GetBound(0);
        ASSERT_TRUE(bound);
        if (c.m_RecordBound) {
            EXPECT_EQ(bound, record);
            EXPECT_EQ(bound->Type, phBound::SPHERE);
        } else {
            // The geometry set's bound: without one in the package, a box of its radius.
            EXPECT_EQ(bound->Type, phBound::BOX);
            EXPECT_NEAR((bound->BoxMax - bound->BoxMin).x, 2.0f * loose->GetRadius(), 1e-5f);
        }
        EXPECT_EQ(active->GetCollider()->GetBound()->Type, bound->Type);
        active->Release();
        loose->Release();
    }
    EXPECT_TRUE(BangerErrors().empty()) << BangerErrors()[0];
}

// The impulses of the frame move every part as the whole body would have moved at its place.
TEST_F(ImpactTest, ShatterGivesEachPartItsShareOfTheImpulse) {
    WriteShattering("vase", 2, {1, 2});
    qvBangerInstance* vase = Place("vase", Vector3(15, 0, 5));
    lvlInstance* other = Hitter(14.0f);
    int type = vase->GetTypeIndex();
    int geometry = vase->GetGeomIndex();
    qvBangerActive* active = Hit(vase);
    active->GetICS()->Impulse = Vector3(10, 0, 0);
    active->GetICS()->AngImpulse = Vector3(0, 0, 0);
    ASSERT_FLOAT_EQ(active->GetICS()->InvMass, 0.1f);

    vase->Impact(other, nullptr);
    std::vector<qvBangerLooseInstance*> parts = LooseIn(2);
    ASSERT_EQ(parts.size(), 2u);
    for (int k = 0; k < 2; ++k) {
        qvBangerLooseInstance* part = parts[size_t(k)];
        EXPECT_EQ(part->GetTypeIndex(), type + k + 1);
        EXPECT_EQ(part->GetGeomIndex(), geometry + k + 2);
        EXPECT_FLOAT_EQ(part->GetPosition().x, 15.0f + float(k + 1)) << "at its own centre";
        qvBangerActive* body = static_cast<qvBangerActive*>(part->GetActive());
        ASSERT_TRUE(body);
        EXPECT_NE(body, active);
        EXPECT_FLOAT_EQ(body->GetICS()->Impulse.x, 5.0f);
        EXPECT_FLOAT_EQ(body->GetICS()->Impulse.y, 0.0f);
        EXPECT_FLOAT_EQ(body->GetICS()->Impulse.z, 0.0f);
        EXPECT_TRUE(MoverOf(part));
    }
    EXPECT_EQ(active->GetTarget(), nullptr);
    EXPECT_EQ(m_Active->GetCount(), 2) << "the whole body is free again";
    EXPECT_TRUE(InRoomList(vase, 0));
    EXPECT_EQ(vase->GetOwner(), 0);
}

// A spinning body hands each part the velocity of its place on the body: Δv + r × Δω with
// r the body's position less the part's; checked in double precision on seeded cases.
TEST_F(ImpactTest, ShatterSpinMatchesAReference) {
    WriteShattering("jar", 2, {1, 2});
    uint32_t seed = 12345;
    auto next = [&seed]() {
        seed = seed * 1664525u + 1013904223u;
        return float(int32_t(seed >> 8) % 2001 - 1000) / 100.0f;
    };
    for (int round = 0; round < 10; ++round) {
        qvBangerInstance* jar = Place("jar", Vector3(15, 0, 5));
        lvlInstance* other = Hitter(14.0f);
        qvBangerActive* active = Hit(jar);
        phInertialCS& body = *active->GetICS();
        body.Impulse = Vector3(next(), next(), next());
        body.AngImpulse = Vector3(next(), next(), next());
        // The whole body's inverse inertia: diagonal at identity orientation.
        double iw[3] = {body.InvAngInertia.x, body.InvAngInertia.y, body.InvAngInertia.z};
        double dv[3] = {double(body.Impulse.x) * body.InvMass, double(body.Impulse.y) * body.InvMass,
                        double(body.Impulse.z) * body.InvMass};
        double dw[3] = {iw[0] * body.AngImpulse.x, iw[1] * body.AngImpulse.y,
                        iw[2] * body.AngImpulse.z};
        Vector3 centre = body.Matrix.d;
        jar->Impact(other, nullptr);
        std::vector<qvBangerLooseInstance*> parts = LooseIn(2);
        ASSERT_EQ(parts.size(), 2u);
        for (qvBangerLooseInstance* part : parts) {
            phInertialCS& p = *static_cast<qvBangerActive*>(part->GetActive())->GetICS();
            double r[3] = {double(centre.x) - part->GetPosition().x,
                           double(centre.y) - part->GetPosition().y,
                           double(centre.z) - part->GetPosition().z};
            double want[3] = {p.Mass * (dv[0] + r[1] * dw[2] - r[2] * dw[1]),
                              p.Mass * (dv[1] + r[2] * dw[0] - r[0] * dw[2]),
                              p.Mass * (dv[2] + r[0] * dw[1] - r[1] * dw[0])};
            double ang[3] = {p.AngInertia.x * dw[0], p.AngInertia.y * dw[1],
                             p.AngInertia.z * dw[2]};
            const float* got = &p.Impulse.x;
            const float* gotAng = &p.AngImpulse.x;
            for (int i = 0; i < 3; ++i) {
                EXPECT_NEAR(got[i], want[i], 1e-4 * (1.0 + std::fabs(want[i]))) << round;
                EXPECT_NEAR(gotAng[i], ang[i], 1e-4 * (1.0 + std::fabs(ang[i]))) << round;
            }
        }
        m_Level->ResetInstances();
        m_Physics->Reset();
    }
}

// A part without tuning is left out, and types looked up between the banger's and its
// parts' take no part's place: the parts keep their own types and models.
TEST_F(ImpactTest, PartWithoutTuningShiftsNoOtherPart) {
    WriteShattering("urn", 3, {1, 3});
    WriteType("filler");
    int parent = m_Types->Lookup("urn");
    EXPECT_EQ(m_Types->Lookup("filler"), parent + 1);
    qvBangerInstance* urn = Place("urn", Vector3(15, 0, 5));
    ASSERT_EQ(urn->GetData()->PartTypes.size(), 2u);
    lvlInstance* other = Hitter(14.0f);
    Hit(urn);
    urn->Impact(other, nullptr);
    std::vector<qvBangerLooseInstance*> parts = LooseIn(2);
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_STREQ(parts[0]->GetData()->GetName(), "urn_BREAK01");
    EXPECT_STREQ(parts[1]->GetData()->GetName(), "urn_BREAK03");
    EXPECT_STREQ(parts[0]->GetGeomName(), "BREAK01");
    EXPECT_STREQ(parts[1]->GetGeomName(), "BREAK03");
    EXPECT_EQ(parts[1]->GetGeomIndex(), urn->GetGeomIndex() + 4) << "the untuned part's model was read";
}

TEST_F(ImpactTest, ResetStandsTheBangerInItsRoomAgain) {
    qvBangerInstance* crate = Place("crate", Vector3(15, 0, 5));
    Matrix34 scratch;
    Matrix34 placed = crate->GetMatrix(scratch);
    lvlInstance* other = Hitter(14.0f);
    qvBangerActive* active = Hit(crate);
    crate->Impact(other, nullptr);
    active->Update();
    m_Level->ResetInstances();
    EXPECT_TRUE(InRoomList(crate, 2));
    EXPECT_FALSE(InRoomList(crate, 0));
    EXPECT_TRUE(crate->GetFlags() & qvBangerInstance::PLACED);
    EXPECT_EQ(0, memcmp(&crate->GetMatrix(scratch), &placed, sizeof(Matrix34)));
    EXPECT_TRUE(LooseIn(2).empty());
    EXPECT_EQ(m_Active->GetCount(), 0);
    EXPECT_EQ(active->GetTarget(), nullptr);

    // A placed banger is linked again at its room's head.
    m_Level->MoveToRoom(other, 2);
    crate->Reset();
    EXPECT_EQ(m_Level->GetRoomHead(2), crate);
}

TEST_F(ImpactTest, PoolHandsOutInTurnAndFreesWhatItHands) {
    // A pool made again first frees its loose instances: out of the rooms, no body.
    qvBangerLooseInstance* old = m_Pool->Take();
    old->SetTypeIndex(m_Types->Lookup("crate"));
    m_Level->MoveToRoom(old, 1);
    qvBangerActive* oldBody = m_Active->Attach(old);
    ASSERT_EQ(m_Pool->Init(3), 3);
    EXPECT_EQ(m_Level->GetRoomHead(1), nullptr);
    EXPECT_EQ(m_Level->GetRoomHead(0), nullptr);
    EXPECT_EQ(oldBody->GetTarget(), nullptr);

    qvBangerLooseInstance* first = m_Pool->Take();
    qvBangerLooseInstance* second = m_Pool->Take();
    qvBangerLooseInstance* third = m_Pool->Take();
    EXPECT_EQ(first, m_Pool->GetLoose(0));
    EXPECT_EQ(second, m_Pool->GetLoose(1));
    EXPECT_EQ(third, m_Pool->GetLoose(2));

    first->SetTypeIndex(m_Types->Lookup("crate"));
    m_Level->MoveToRoom(first, 1);
    first->AddFlags(qvBangerInstance::TAKEN);
    qvBangerActive* active = m_Active->Attach(first);
    ASSERT_TRUE(active);
    EXPECT_EQ(m_Pool->Take(), first);
    EXPECT_EQ(first->GetRoom(), 0);
    EXPECT_EQ(first->GetActive(), nullptr);
    EXPECT_EQ(active->GetTarget(), nullptr);
    EXPECT_FALSE(first->GetFlags() & qvBangerInstance::TAKEN);

    m_Pool->Reset();
    EXPECT_EQ(m_Pool->Take(), first) << "the turn starts again";
}

// An empty pool hands out nothing: the banger stays standing with its body, or its parts are
// skipped.
TEST_F(ImpactTest, EmptyPoolLeavesTheBangerStanding) {
    EXPECT_EQ(m_Pool->Init(0), 0);
    EXPECT_EQ(m_Pool->Take(), nullptr);
    qvBangerInstance* crate = Place("crate", Vector3(15, 0, 5));
    lvlInstance* other = Hitter(14.0f);
    qvBangerActive* active = Hit(crate);
    crate->Impact(other, nullptr);
    EXPECT_TRUE(InRoomList(crate, 2));
    EXPECT_TRUE(crate->GetFlags() & qvBangerInstance::PLACED);
    EXPECT_EQ(active->GetTarget(), crate);

    WriteShattering("vase", 2, {1, 2});
    qvBangerInstance* vase = Place("vase", Vector3(15, 0, 6));
    Hit(vase);
    vase->Impact(other, nullptr);
    EXPECT_TRUE(InRoomList(vase, 0));
    EXPECT_EQ(vase->GetActive(), nullptr);
}

// With every body in use the parts take the longest-attached bodies of other bangers, never
// each other's nor the breaking banger's own.
TEST_F(ImpactTest, ShatterUnderAFullPoolGivesEachPartItsOwnBody) {
    WriteShattering("vase", 2, {1, 2});
    qvBangerInstance* vase = Place("vase", Vector3(15, 0, 5));
    qvBangerActive* own = Hit(vase);
    std::vector<qvBangerInstance*> crates;
    for (int i = 1; i < qvBangerActiveManager::MaxActive; ++i) {
        crates.push_back(Place("crate", Vector3(5, 0, float(i))));
        m_Active->Attach(crates.back());
    }
    m_Active->Update();
    m_Physics->Reset();
    lvlInstance* other = Hitter(14.0f);
    own->GetICS()->Impulse = Vector3(10, 0, 0);

    vase->Impact(other, nullptr);
    std::vector<qvBangerLooseInstance*> parts = LooseIn(2);
    ASSERT_EQ(parts.size(), 2u);
    qvPhysEntity* a = parts[0]->GetActive();
    qvPhysEntity* b = parts[1]->GetActive();
    ASSERT_TRUE(a && b);
    EXPECT_NE(a, b);
    EXPECT_NE(a, own);
    EXPECT_NE(b, own);
    EXPECT_FLOAT_EQ(static_cast<qvBangerActive*>(a)->GetICS()->Impulse.x, 5.0f);
    EXPECT_FLOAT_EQ(static_cast<qvBangerActive*>(b)->GetICS()->Impulse.x, 5.0f);
    EXPECT_EQ(crates[0]->GetOwner(), 0);
    EXPECT_EQ(crates[1]->GetOwner(), 0);
    EXPECT_NE(crates[2]->GetOwner(), 0);
}

}  // namespace
