#include "phcollide/contactmgr.h"

#include <cfloat>
#include <climits>
#include <map>
#include <memory>
#include <random>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "data/timemgr.h"
#include "phbound/bound.h"
#include "phbound/impact.h"
#include "phcollide/collider.h"
#include "tests/engine/phcollide/contactbodies.h"
#include "tests/support/child.h"

namespace {

const int OtherType = 5;  // hashed by idA alone

// The slot of the contact with these fields, found by walking its chain; -1 when absent.
int WalkTo(const phContactMgr& mgr, int type, int elementA, int elementB, uint32_t idA,
           uint32_t idB) {
    int head = mgr.HeadSlot(phContactMgr::HashKey(type, elementA, elementB, idA, idB));
    if (mgr.ContactList[head].HNext < 0) {
        return -1;
    }
    int i = head;
    do {
        const phContact& c = mgr.ContactList[i];
        if (c.Type == type && c.ElementA == elementA && c.ElementB == elementB &&
            c.ColliderIdA == idA && c.ColliderIdB == idB) {
            return i;
        }
        i = c.HNext;
    } while (i >= mgr.HashSize);
    return -1;
}

// Every chain is circular and doubly linked through one head, every contact sits in the
// chain of its key, and the chains hold every slot in use: answers the contacts counted.
int CheckChains(const phContactMgr& mgr) {
    int counted = 0;
    std::vector<bool> seen(mgr.NumContactSlots, false);
    for (int head = 0; head < mgr.HashSize; ++head) {
        if (mgr.ContactList[head].HNext < 0) {
            continue;
        }
        int i = head;
        do {
            const phContact& c = mgr.ContactList[i];
            EXPECT_TRUE(i < mgr.NumContactSlots && !seen[i]) << i;
            if (i >= mgr.NumContactSlots || seen[i]) {
                return -1;
            }
            seen[i] = true;
            ++counted;
            EXPECT_EQ(mgr.ContactList[c.HNext].HPrev, i);
            EXPECT_EQ(mgr.HeadSlot(phContactMgr::HashKey(c.Type, c.ElementA, c.ElementB,
                                                          c.ColliderIdA, c.ColliderIdB)),
                      head);
            if (c.meRefIndex) {
                EXPECT_EQ(*c.meRefIndex, i);
            }
            i = c.HNext;
        } while (i >= mgr.HashSize);
        EXPECT_EQ(i, head);
    }
    EXPECT_EQ(counted, mgr.NumContactSlots - mgr.HashSize +
                           [&] {
                               int heads = 0;
                               for (int h = 0; h < mgr.HashSize; ++h) {
                                   heads += mgr.ContactList[h].HNext >= 0;
                               }
                               return heads;
                           }());
    return counted;
}

// A contact placed by hand, hashed by idA alone: tag is kept in ElementA.
int AddTagged(phContactMgr& mgr, uint32_t idA, int tag) {
    int slot = mgr.AddContact(phContactMgr::HashKey(OtherType, tag, 0, idA, 0));
    phContact& c = mgr.ContactList[slot];
    c.Type = OtherType;
    c.ElementA = tag;
    c.ElementB = 0;
    c.ColliderIdA = idA;
    c.ColliderIdB = 0;
    c.Penetration = float(tag);
    c.ActiveFlag = phContact::KEPT;
    return slot;
}

class ContactMgrTest : public ::testing::Test {
protected:
    ContactMgrTest() : m_Ground(false) {
        datTimeManager::Seconds = 1.0f / 60.0f;
        datTimeManager::FPS = 60.0f;
        m_Mgr.BeginFrame();
    }
    ~ContactMgrTest() override {
        phContact::sm_TimeStep = 0.0f;
        phContact::sm_Seconds = 0.0f;
    }

    bool Process(const phImpact& impact, const Vector3& velA, Vector3& force,
                 const Vector3& fallback = Vector3(0, 0, 0)) {
        Matrix34 k;
        Vector3 zero(0, 0, 0);
        return m_Mgr.ProcessImpact(impact, velA, zero, fallback, force, k);
    }

    phContactMgr m_Mgr;
    ContactBody m_Box;
    ContactBody m_Ground;
};

}  // namespace

TEST(ContactMgrKeys, KeysWrapIn32BitsAndLandInTheTable) {
    struct Case {
        int type;
        int elementA;
        int elementB;
        uint32_t idA;
        uint32_t idB;
        uint32_t key;
        int head;
    };
    const Case cases[] = {
        {1, 3, 0, 5, 7, 2237, 37},
        {2, 0, 3, 7, 5, 2237, 37},
        {0, 1, 2, 7, 5, 71603, 3},
        {0, 2, 1, 5, 7, 71603, 3},
        {OtherType, 0, 0, 42, 9, 42, 42},
        // Negative as signed 32-bit values: their magnitudes.
        {OtherType, 0, 0, 0xFFFFFFFFu, 0, 1, 1},
        {1, -20, 0, 1, 0, 3, 3},
        // The one without a positive counterpart stays a valid slot.
        {OtherType, 0, 0, 0x80000000u, 0, 0x80000000u, 48},
        // 429496729 * 10007 + 307 wraps to a negative 32-bit value.
        {0, 0, 0, 429496729u, 1, 1288495886u, 86},
    };
    phContactMgr mgr;
    for (const Case& c : cases) {
        uint32_t key = phContactMgr::HashKey(c.type, c.elementA, c.elementB, c.idA, c.idB);
        EXPECT_EQ(key, c.key) << c.idA;
        EXPECT_EQ(mgr.HeadSlot(key), c.head) << c.idA;
    }
    std::mt19937 rng(163);
    for (int i = 0; i < 20000; ++i) {
        uint32_t key = phContactMgr::HashKey(int(rng() % 4), int(rng()), int(rng()), rng(), rng());
        int head = mgr.HeadSlot(key);
        ASSERT_TRUE(head >= 0 && head < mgr.HashSize) << key;
    }
}

// The same pair of features named from either side is one contact.
TEST_F(ContactMgrTest, MirroredImpactFindsTheStoredContact) {
    for (int type : {0, 1, 2}) {
        phImpact impact = ContactImpact(&m_Box.collider, &m_Ground.collider, type, 4, 6);
        Vector3 force;
        int before = m_Mgr.NumContactSlots;
        Process(impact, Vector3(0, 0, 0), force);
        int slot = m_Mgr.FindContact(
            m_Mgr.HeadSlot(phContactMgr::HashKey(type, 4, 6, m_Box.Id(), m_Ground.Id())), impact);
        ASSERT_GE(slot, 0) << type;
        phImpact mirror = MirroredImpact(impact);
        EXPECT_EQ(m_Mgr.FindContact(m_Mgr.HeadSlot(phContactMgr::HashKey(
                                        mirror.Type, 6, 4, m_Ground.Id(), m_Box.Id())),
                                    mirror),
                  slot)
            << type;
        Process(mirror, Vector3(0, 0, 0), force);
        EXPECT_LE(m_Mgr.NumContactSlots, before + 1) << type;
        // Solved from the mirror's side now.
        EXPECT_EQ(m_Mgr.ContactList[slot].ColliderIdA, m_Ground.Id()) << type;
    }
    EXPECT_EQ(CheckChains(m_Mgr), 3);
}

// 200 overflow slots in one chain: the next addition, even to an empty head, doubles the
// table first; every contact keeps its data and its back-reference follows it, and the new
// contact lands in the chain of its key in the grown table.
TEST(ContactMgrTable, GrowsWhenTheOverflowSlotsRunOut) {
    phContactMgr mgr;
    std::vector<int32_t> refs(202, -2);
    for (int tag = 0; tag <= 200; ++tag) {
        int slot = AddTagged(mgr, uint32_t(tag) * 200u, tag);
        refs[tag] = slot;
        mgr.ContactList[slot].meRefIndex = &refs[tag];
    }
    EXPECT_EQ(mgr.NumContactSlots, 400);
    EXPECT_EQ(mgr.HashSize, 200);
    int slot = AddTagged(mgr, 205, 201);
    EXPECT_EQ(mgr.HashSize, 400);
    EXPECT_EQ(mgr.MaxContactSlots, 800);
    EXPECT_EQ(slot, 205);
    EXPECT_EQ(WalkTo(mgr, OtherType, 201, 0, 205, 0), 205);
    for (int tag = 0; tag <= 200; ++tag) {
        int at = WalkTo(mgr, OtherType, tag, 0, uint32_t(tag) * 200u, 0);
        ASSERT_GE(at, 0) << tag;
        EXPECT_EQ(refs[tag], at) << tag;
        EXPECT_EQ(mgr.ContactList[at].meRefIndex, &refs[tag]);
        EXPECT_EQ(mgr.ContactList[at].Penetration, float(tag));
        EXPECT_EQ(mgr.ContactList[at].ActiveFlag, phContact::KEPT);
    }
    EXPECT_EQ(CheckChains(mgr), 202);
}

// Removing a head keeps its chain reachable; removing an overflow slot moves the last slot
// into the hole; every back-reference follows, and a removed contact's becomes -1.
TEST(ContactMgrTable, RemovalsKeepChainsAndBackReferences) {
    phContactMgr mgr;
    std::vector<int32_t> refs(6, -2);
    const uint32_t ids[6] = {0, 200, 400, 600, 7, 207};  // heads 0 and 7
    for (int tag = 0; tag < 6; ++tag) {
        int slot = AddTagged(mgr, ids[tag], tag);
        refs[tag] = slot;
        mgr.ContactList[slot].meRefIndex = &refs[tag];
    }
    ASSERT_EQ(mgr.NumContactSlots, 204);
    EXPECT_EQ(refs[0], 0);
    EXPECT_EQ(refs[5], 203);
    mgr.WatchContact(refs[5]);

    mgr.RemoveContact(0);
    EXPECT_EQ(refs[0], -1);
    EXPECT_EQ(mgr.NumContactSlots, 203);
    mgr.RemoveContact(refs[2]);
    EXPECT_EQ(refs[2], -1);
    EXPECT_EQ(mgr.NumContactSlots, 202);
    for (int tag : {1, 3, 4, 5}) {
        EXPECT_EQ(WalkTo(mgr, OtherType, tag, 0, ids[tag], 0), refs[tag]) << tag;
        EXPECT_EQ(mgr.ContactList[refs[tag]].ElementA, tag);
    }
    EXPECT_EQ(CheckChains(mgr), 4);
    EXPECT_EQ(phContact::sm_Watched, &mgr.ContactList[refs[5]]);
    // A lone head empties.
    mgr.RemoveContact(refs[4]);
    EXPECT_EQ(phContact::sm_Watched, &mgr.ContactList[refs[5]]);
    mgr.RemoveContact(refs[5]);
    EXPECT_EQ(phContact::sm_Watched, nullptr);
    EXPECT_EQ(mgr.ContactList[7].HNext, -1);
    EXPECT_EQ(CheckChains(mgr), 2);
}

namespace {

// The contacts as a plain map, keyed by the pair of features in the order first stored.
struct RefContact {
    int tag;
    int32_t* ref;  // null: no back-reference
    bool expire;   // left unseen for the coming frame
};
typedef std::tuple<int, int, int, uint32_t, uint32_t> FeatureKey;

FeatureKey KeyOf(const phImpact& i) {
    return FeatureKey(i.Type, i.FeatureA, i.FeatureB, i.ColliderA->GetColliderID(),
                      i.ColliderB->GetColliderID());
}

}  // namespace

// Random additions, finds from either side, removals and frame walks against a map: the same
// contacts are found, every back-reference is right after every move, and no slot is lost.
TEST(ContactMgrTable, AgreesWithAMapOverThousandsOfSteps) {
    phContact::sm_TimeStep = phContact::sm_Seconds = 1.0f / 60.0f;
    std::vector<std::unique_ptr<ContactBody>> bodies;
    for (int i = 0; i < 10; ++i) {
        bodies.emplace_back(new ContactBody(true));
    }
    phContactMgr mgr;
    std::map<FeatureKey, RefContact> reference;
    std::vector<std::unique_ptr<int32_t>> cells;
    std::mt19937 rng(6163);
    int nextTag = 0;
    int grown = 0;
    int frames = 0;

    auto randomImpact = [&]() {
        int a = int(rng() % bodies.size());
        int b = int(rng() % (bodies.size() - 1));
        b += b >= a;
        return ContactImpact(&bodies[a]->collider, &bodies[b]->collider, int(rng() % 3),
                             int(rng() % 5), int(rng() % 5));
    };
    // The stored form of an impact: its own key or its mirror's.
    auto stored = [&](const phImpact& impact) {
        auto found = reference.find(KeyOf(impact));
        return found != reference.end() ? found : reference.find(KeyOf(MirroredImpact(impact)));
    };
    auto slotOf = [&](const phImpact& impact) {
        return mgr.FindContact(
            mgr.HeadSlot(phContactMgr::HashKey(impact.Type, impact.FeatureA, impact.FeatureB,
                                               impact.ColliderA->GetColliderID(),
                                               impact.ColliderB->GetColliderID())),
            impact);
    };

    for (int step = 0; step < 12000; ++step) {
        unsigned op = rng() % 200;
        phImpact impact = randomImpact();
        auto entry = stored(impact);
        if (op < 100) {
            int slot = slotOf(impact);
            if (entry != reference.end()) {
                ASSERT_GE(slot, 0) << step;
                EXPECT_EQ(mgr.ContactList[slot].Penetration, float(entry->second.tag)) << step;
                continue;
            }
            ASSERT_EQ(slot, -1) << step;
            int before = mgr.HashSize;
            slot = mgr.AddContact(phContactMgr::HashKey(impact.Type, impact.FeatureA,
                                                        impact.FeatureB,
                                                        impact.ColliderA->GetColliderID(),
                                                        impact.ColliderB->GetColliderID()));
            grown += mgr.HashSize != before;
            phContact& c = mgr.ContactList[slot];
            c.InitFromImpact(impact);
            RefContact r{nextTag++, nullptr, false};
            c.Penetration = float(r.tag);
            if (rng() % 2) {
                cells.emplace_back(new int32_t(slot));
                r.ref = cells.back().get();
                c.meRefIndex = r.ref;
            }
            reference[KeyOf(impact)] = r;
        } else if (op < 150) {
            phImpact asked = rng() % 2 ? MirroredImpact(impact) : impact;
            int slot = slotOf(asked);
            ASSERT_EQ(slot >= 0, entry != reference.end()) << step;
            if (slot >= 0) {
                EXPECT_EQ(mgr.ContactList[slot].Penetration, float(entry->second.tag)) << step;
                if (entry->second.ref) {
                    EXPECT_EQ(*entry->second.ref, slot) << step;
                }
            }
        } else if (op < 199) {
            if (reference.empty()) {
                continue;
            }
            auto victim = reference.begin();
            std::advance(victim, rng() % reference.size());
            const FeatureKey& k = victim->first;
            int slot = WalkTo(mgr, std::get<0>(k), std::get<1>(k), std::get<2>(k),
                              std::get<3>(k), std::get<4>(k));
            ASSERT_GE(slot, 0) << step;
            mgr.RemoveContact(slot);
            if (victim->second.ref) {
                EXPECT_EQ(*victim->second.ref, -1) << step;
            }
            reference.erase(victim);
        } else {
            // A frame: a tenth of the contacts were not seen in it.
            for (auto& item : reference) {
                item.second.expire = rng() % 10 == 0;
            }
            for (int i = 0; i < mgr.NumContactSlots; ++i) {
                if (!mgr.SlotInUse(i)) {
                    continue;
                }
                phContact& c = mgr.ContactList[i];
                const RefContact& r = reference.at(FeatureKey(c.Type, c.ElementA, c.ElementB,
                                                              c.ColliderIdA, c.ColliderIdB));
                c.ActiveFlag = r.expire ? phContact::UNSEEN : phContact::KEPT;
            }
            mgr.BeginFrame();
            ++frames;
            for (auto it = reference.begin(); it != reference.end();) {
                if (it->second.expire) {
                    if (it->second.ref) {
                        EXPECT_EQ(*it->second.ref, -1) << step;
                    }
                    it = reference.erase(it);
                } else {
                    ++it;
                }
            }
        }
        ASSERT_EQ(CheckChains(mgr), int(reference.size())) << step;
        for (const auto& item : reference) {
            if (item.second.ref) {
                ASSERT_EQ(mgr.ContactList[*item.second.ref].meRefIndex, item.second.ref) << step;
                ASSERT_EQ(mgr.ContactList[*item.second.ref].Penetration, float(item.second.tag))
                    << step;
            }
        }
    }
    EXPECT_GT(grown, 0);
    EXPECT_GT(frames, 20);
    phContact::sm_TimeStep = phContact::sm_Seconds = 0.0f;
}

TEST_F(ContactMgrTest, TimeStepIsTheManagersOwnOrTheFrameTime) {
    EXPECT_FLOAT_EQ(m_Mgr.GetTimeStep(), 1.0f / 60.0f);
    EXPECT_FLOAT_EQ(m_Mgr.GetInvTimeStep(), 60.0f);
    m_Mgr.SetTimeStep(0.01f);
    EXPECT_FLOAT_EQ(m_Mgr.GetTimeStep(), 0.01f);
    EXPECT_FLOAT_EQ(m_Mgr.GetInvTimeStep(), 100.0f);
    m_Mgr.BeginFrame();
    EXPECT_FLOAT_EQ(phContact::sm_TimeStep, 0.01f);
    EXPECT_FLOAT_EQ(phContact::sm_Seconds, 1.0f / 60.0f);
    m_Mgr.Reset();
    EXPECT_EQ(m_Mgr.OwnTimeStep, 0);
    EXPECT_EQ(phContact::sm_TimeStep, 0.0f);
    EXPECT_EQ(phContact::sm_Seconds, 0.0f);
    EXPECT_FLOAT_EQ(m_Mgr.GetTimeStep(), 1.0f / 60.0f);
}

// What ProcessImpact answers over a contact's first frames: a new contact too weak to hold
// against its damping is refused (the caller falls back to the impulse); one back after a
// dropped frame takes the fallback force instead; a kept contact is applied.
TEST_F(ContactMgrTest, ProcessImpactAnswersByTheContactsLastFrame) {
    phImpact impact = ContactImpact(&m_Box.collider, &m_Ground.collider, 1, 0, 0, 0.0007f);
    Vector3 force;
    const Vector3 fallback(0, 7, 0);
    // Separating at 1 m/s: the damping would pull, nothing is left.
    EXPECT_FALSE(Process(impact, Vector3(0, 1, 0), force, fallback));
    int slot = m_Mgr.FindContact(m_Mgr.HeadSlot(phContactMgr::HashKey(1, 0, 0, m_Box.Id(),
                                                                     m_Ground.Id())),
                                 impact);
    ASSERT_GE(slot, 0);
    const phContact& c = m_Mgr.ContactList[slot];
    EXPECT_EQ(c.ActiveFlag, phContact::DROPPED);
    EXPECT_EQ(c.LastStiffness, 0.0f);
    EXPECT_EQ(c.LastRatio, 0.0f);
    EXPECT_EQ(c.LastFraction, 0.0f);

    m_Mgr.BeginFrame();
    EXPECT_EQ(c.LastActiveFlag, phContact::DROPPED);
    EXPECT_TRUE(Process(impact, Vector3(0, 1, 0), force, fallback));
    EXPECT_EQ(force.y, 7.0f);
    EXPECT_EQ(c.ActiveFlag, phContact::KEPT);

    m_Mgr.BeginFrame();
    EXPECT_TRUE(Process(impact, Vector3(0, 1, 0), force, fallback));
    EXPECT_EQ(force.y, 0.0f);
    EXPECT_EQ(c.ActiveFlag, phContact::KEPT);

    // A new contact at rest holds: applied, but not yet kept.
    phImpact resting = ContactImpact(&m_Box.collider, &m_Ground.collider, 1, 1, 0, 0.0007f);
    EXPECT_TRUE(Process(resting, Vector3(0, 0, 0), force, fallback));
    EXPECT_NEAR(force.y, 2.45f, 1e-3f);
}

// BeginFrame -> collisions through ProcessImpact -> integration -> CarryContacts for a
// further step of the same frame. A contact neither refreshed nor carried in a frame goes at
// the next BeginFrame; a carried contact that breaks goes at once.
TEST_F(ContactMgrTest, FrameOrderCarriesKeptContactsAndDropsStaleOnes) {
    phImpact impact = ContactImpact(&m_Box.collider, &m_Ground.collider, 1, 0, 0, 0.0007f);
    Vector3 force;
    int32_t ref = -2;
    EXPECT_TRUE(Process(impact, Vector3(0, 0, 0), force));
    int slot = m_Mgr.FindContact(m_Mgr.HeadSlot(phContactMgr::HashKey(1, 0, 0, m_Box.Id(),
                                                                     m_Ground.Id())),
                                 impact);
    ASSERT_GE(slot, 0);
    ref = slot;
    m_Mgr.ContactList[slot].meRefIndex = &ref;
    // Dropped in its first frame: not carried.
    m_Mgr.CarryContacts();
    EXPECT_TRUE(m_Box.body.OtherForce.IsZero());

    m_Mgr.BeginFrame();
    EXPECT_TRUE(Process(impact, Vector3(0, 0, 0), force));
    m_Mgr.CarryContacts();
    EXPECT_NEAR(m_Box.body.OtherForce.y, 2.45f, 1e-3f);
    EXPECT_EQ(m_Mgr.ContactList[ref].ActiveFlag, phContact::KEPT);

    // Not seen in a frame: gone at the start of the next.
    m_Mgr.BeginFrame();
    EXPECT_EQ(ref, slot);
    m_Mgr.BeginFrame();
    EXPECT_EQ(ref, -1);
    EXPECT_EQ(CheckChains(m_Mgr), 0);

    // Carried while the box leaves: broken and removed.
    m_Mgr.BeginFrame();
    Process(impact, Vector3(0, 0, 0), force);
    m_Mgr.BeginFrame();
    Process(impact, Vector3(0, 0, 0), force);
    slot = m_Mgr.FindContact(m_Mgr.HeadSlot(phContactMgr::HashKey(1, 0, 0, m_Box.Id(),
                                                                 m_Ground.Id())),
                             impact);
    ref = slot;
    m_Mgr.ContactList[slot].meRefIndex = &ref;
    m_Box.body.Velocity.Set(0, 1, 0);
    m_Box.body.OtherForce.Zero();
    m_Mgr.CarryContacts();
    EXPECT_EQ(ref, -1);
    EXPECT_TRUE(m_Box.body.OtherForce.IsZero());
    EXPECT_EQ(CheckChains(m_Mgr), 0);
}

// Carrying goes on with the contact that a removal moves into the slot: a leaving box's
// contacts all break, those of a box resting on a base all carry, and the base takes the
// opposite forces.
TEST_F(ContactMgrTest, CarryingSolvesTheContactMovedIntoABrokenOnesSlot) {
    ContactBody leaving;
    ContactBody resting;
    ContactBody base;
    // Type 5 hashes by A alone: each box's contacts share one chain.
    std::vector<phImpact> impacts;
    for (ContactBody* box : {&leaving, &resting}) {
        for (int element = 0; element < 3; ++element) {
            impacts.push_back(ContactImpact(&box->collider, &base.collider, OtherType, element,
                                            0, 0.0007f));
        }
    }
    Vector3 force;
    for (int frame = 0; frame < 2; ++frame) {
        m_Mgr.BeginFrame();
        for (const phImpact& impact : impacts) {
            Matrix34 k;
            Vector3 zero(0, 0, 0);
            m_Mgr.ProcessImpact(impact, zero, zero, zero, force, k);
        }
    }
    ASSERT_EQ(CheckChains(m_Mgr), 6);
    leaving.body.Velocity.Set(0, 1, 0);
    m_Mgr.CarryContacts();
    EXPECT_EQ(CheckChains(m_Mgr), 3);
    // Three contacts of a quarter of the weight each (k of mass 1/2, the base being a body).
    EXPECT_NEAR(resting.body.OtherForce.y, 3.0f * 0.5f * 2.45f, 1e-3f);
    EXPECT_NEAR(base.body.OtherForce.y, -3.0f * 0.5f * 2.45f, 1e-3f);
    EXPECT_TRUE(leaving.body.OtherForce.IsZero());
    for (int i = 0; i < m_Mgr.NumContactSlots; ++i) {
        if (m_Mgr.SlotInUse(i)) {
            EXPECT_EQ(m_Mgr.ContactList[i].ColliderIdA, resting.Id());
        }
    }
}

namespace {

// Bodies resting on each other, for the held pairs.
class HeldTest : public ContactMgrTest {
protected:
    phImpact Between(int element) {
        return ContactImpact(&m_Top.collider, &m_Bottom.collider, 1, element, 0, 0.0007f);
    }
    int SlotOf(const phImpact& impact) {
        return m_Mgr.FindContact(
            m_Mgr.HeadSlot(phContactMgr::HashKey(impact.Type, impact.FeatureA, impact.FeatureB,
                                                 impact.ColliderA->GetColliderID(),
                                                 impact.ColliderB->GetColliderID())),
            impact);
    }

    ContactBody m_Top;
    ContactBody m_Bottom;
};

}  // namespace

// A held pair takes the contacts of the impacts between its colliders in the frame it was
// added; CheckHeld keeps it while neither body was pushed and the bodies drift less than
// DefaultSecondaryMargin, and lets it go otherwise.
TEST_F(HeldTest, PairsAreHeldWhileTheyKeepTheirPlacement) {
    int held = m_Mgr.AddHeldContact(&m_Top.collider, &m_Bottom.collider);
    ASSERT_GE(held, 0);
    const phHeldPair& pair = m_Mgr.HeldContactHashTable[held];
    EXPECT_EQ(pair.ColliderIdA, std::min(m_Top.Id(), m_Bottom.Id()));
    EXPECT_EQ(pair.ColliderIdB, std::max(m_Top.Id(), m_Bottom.Id()));
    EXPECT_EQ(m_Mgr.NumHeld, 1);
    Vector3 force;
    Process(Between(0), Vector3(0, 0, 0), force);
    Process(Between(1), Vector3(0, 0, 0), force);
    ASSERT_EQ(pair.NumContacts, 2);
    int slot = SlotOf(Between(1));
    EXPECT_EQ(m_Mgr.ContactList[slot].meRefIndex, &pair.HContactList[1]);
    EXPECT_EQ(pair.HContactList[1], slot);

    struct Case {
        const char* label;
        Vector3 move;
        float turn;
        bool held;
    };
    // A turn counts by the unit cube's radius around its centroid, sqrt(0.75).
    ASSERT_NEAR(m_Top.bound.RadiusAroundCentroid, std::sqrt(0.75f), 1e-6f);
    const Case cases[] = {
        {"still", Vector3(0, 0, 0), 0.0f, true},
        {"moved 0.005", Vector3(0.005f, 0, 0), 0.0f, true},
        {"turned 0.0115", Vector3(0, 0, 0), 0.0115f, true},
        {"moved 0.011", Vector3(0, 0, -0.011f), 0.0f, false},
        {"turned 0.013", Vector3(0, 0, 0), 0.013f, false},
    };
    for (const Case& c : cases) {
        m_Mgr.Reset();
        m_Top.body.Matrix.Identity();
        held = m_Mgr.AddHeldContact(&m_Bottom.collider, &m_Top.collider);
        m_Top.body.Matrix.MakeRotateY(c.turn);
        m_Top.body.Matrix.d = c.move;
        int index = -1;
        EXPECT_EQ(m_Mgr.CheckHeld(&m_Top.collider, &m_Bottom.collider, index), c.held) << c.label;
        EXPECT_EQ(m_Mgr.NumHeld, c.held ? 1 : 0) << c.label;
        if (c.held) {
            EXPECT_EQ(index, held);
            EXPECT_LT(m_Mgr.HeldContactHashTable[index].Drift, phBound::DefaultSecondaryMargin);
        }
    }
    // A push in the last frame lets the pair go.
    m_Mgr.Reset();
    m_Top.body.Matrix.Identity();
    m_Mgr.AddHeldContact(&m_Bottom.collider, &m_Top.collider);
    m_Bottom.body.PushedLastFrame = 1;
    int index = -1;
    EXPECT_FALSE(m_Mgr.CheckHeld(&m_Bottom.collider, &m_Top.collider, index));
    EXPECT_EQ(m_Mgr.NumHeld, 0);
    m_Bottom.body.PushedLastFrame = 0;
    // A fixed collider (identifier 0) is never held.
    ContactBody ground(false);
    phCollider fixed;
    fixed.InitStatic(nullptr, &ground.bound);
    EXPECT_EQ(m_Mgr.AddHeldContact(&fixed, &m_Top.collider), -1);
    EXPECT_FALSE(m_Mgr.CheckHeld(&fixed, &m_Top.collider, index));
    EXPECT_EQ(m_Mgr.NumHeld, 0);
}

// A pair let go is no longer the last one held: the impacts that follow in the frame are not
// listed in its freed slot.
TEST_F(HeldTest, ReleasedPairTakesNoMoreContacts) {
    int held = m_Mgr.AddHeldContact(&m_Top.collider, &m_Bottom.collider);
    m_Top.body.PushedLastFrame = 1;
    int index = -1;
    EXPECT_FALSE(m_Mgr.CheckHeld(&m_Top.collider, &m_Bottom.collider, index));
    m_Top.body.PushedLastFrame = 0;
    EXPECT_EQ(m_Mgr.LastHeldA, nullptr);
    Vector3 force;
    Process(Between(0), Vector3(0, 0, 0), force);
    EXPECT_EQ(m_Mgr.HeldContactHashTable[held].NumContacts, 0);
    EXPECT_EQ(m_Mgr.ContactList[SlotOf(Between(0))].meRefIndex, nullptr);
}

TEST_F(HeldTest, APairHoldsAtMost24Contacts) {
    int held = m_Mgr.AddHeldContact(&m_Top.collider, &m_Bottom.collider);
    Vector3 force;
    for (int element = 0; element < 25; ++element) {
        Process(Between(element), Vector3(0, 0, 0), force);
    }
    EXPECT_EQ(m_Mgr.HeldContactHashTable[held].NumContacts, 24);
    EXPECT_EQ(m_Mgr.ContactList[SlotOf(Between(24))].meRefIndex, nullptr);
    EXPECT_FALSE(m_Mgr.AddContactToHeld(held, SlotOf(Between(24))));
}

// BeginFrame keeps a held pair only with a drift within the margin, contacts, and all of
// them still in the table; solved held contacts carry the forces to both bodies, each in its
// contact's own order of sides.
TEST_F(HeldTest, BeginFrameKeepsLiveHeldPairsAndApplyHeldSolvesThem) {
    int held = m_Mgr.AddHeldContact(&m_Top.collider, &m_Bottom.collider);
    Vector3 force;
    Process(Between(0), Vector3(0, 0, 0), force);
    // The second contact is named from the bottom's side.
    Process(MirroredImpact(Between(1)), Vector3(0, 0, 0), force);
    m_Mgr.BeginFrame();
    ASSERT_EQ(m_Mgr.NumHeld, 1);
    EXPECT_EQ(m_Mgr.LastHeldA, nullptr);
    EXPECT_EQ(m_Mgr.HeldContactHashTable[held].Drift, FLT_MAX);

    int index = -1;
    ASSERT_TRUE(m_Mgr.CheckHeld(&m_Bottom.collider, &m_Top.collider, index));
    m_Mgr.ApplyHeld(&m_Bottom.collider, &m_Top.collider, index);
    // Each contact pushes the top up by a quarter of its weight, the bottom down.
    EXPECT_NEAR(m_Top.body.OtherForce.y, 2.0f * 0.5f * 2.45f, 1e-3f);
    EXPECT_NEAR(m_Bottom.body.OtherForce.y, -2.0f * 0.5f * 2.45f, 1e-3f);
    for (int k = 0; k < 2; ++k) {
        const phContact& c = m_Mgr.ContactList[m_Mgr.HeldContactHashTable[index].HContactList[k]];
        EXPECT_EQ(c.Touched, 1u);
        EXPECT_EQ(c.ActiveFlag, phContact::KEPT);
    }
    // Carried and checked this frame: kept.
    m_Mgr.BeginFrame();
    EXPECT_EQ(m_Mgr.NumHeld, 1);
    // Not checked in a frame: no drift measured, let go.
    m_Mgr.BeginFrame();
    EXPECT_EQ(m_Mgr.NumHeld, 0);
    for (int i = 0; i < m_Mgr.NumContactSlots; ++i) {
        if (m_Mgr.SlotInUse(i)) {
            EXPECT_EQ(m_Mgr.ContactList[i].meRefIndex, nullptr);
        }
    }

    // A pair whose contact left the table, and a pair without contacts, go as well.
    m_Mgr.Reset();
    held = m_Mgr.AddHeldContact(&m_Top.collider, &m_Bottom.collider);
    Process(Between(0), Vector3(0, 0, 0), force);
    ContactBody third;
    m_Mgr.AddHeldContact(&m_Top.collider, &third.collider);
    m_Mgr.RemoveContact(SlotOf(Between(0)));
    EXPECT_EQ(m_Mgr.HeldContactHashTable[held].HContactList[0], -1);
    m_Mgr.BeginFrame();
    EXPECT_EQ(m_Mgr.NumHeld, 0);
}

// Random holds and releases against a map, across the table's growth: every pair found from
// its home, the lookups by collider, and each held contact's back-reference in its pair.
TEST_F(HeldTest, HeldTableAgreesWithAMap) {
    std::vector<std::unique_ptr<ContactBody>> bodies;
    for (int i = 0; i < 14; ++i) {
        bodies.emplace_back(new ContactBody(true));
    }
    std::map<std::pair<uint32_t, uint32_t>, int> reference;  // ids -> contact element tag
    std::mt19937 rng(30);
    int grown = 0;
    for (int step = 0; step < 3000; ++step) {
        int a = int(rng() % bodies.size());
        int b = int(rng() % (bodies.size() - 1));
        b += b >= a;
        phColliderBase* x = &bodies[a]->collider;
        phColliderBase* y = &bodies[b]->collider;
        auto key = std::make_pair(std::min(x->GetColliderID(), y->GetColliderID()),
                                  std::max(x->GetColliderID(), y->GetColliderID()));
        auto found = reference.find(key);
        int index = m_Mgr.FindHeld(key.first, key.second, m_Mgr.HeldHome(key.first, key.second));
        ASSERT_EQ(index >= 0, found != reference.end()) << step;
        if (found == reference.end() && reference.size() < 40) {
            int size = m_Mgr.HeldTableSize;
            int held = m_Mgr.AddHeldContact(x, y);
            grown += size != m_Mgr.HeldTableSize;
            phImpact impact = ContactImpact(x, y, 1, step, 0, 0.0007f);
            int slot = m_Mgr.AddContact(phContactMgr::HashKey(1, step, 0, x->GetColliderID(),
                                                              y->GetColliderID()));
            m_Mgr.ContactList[slot].InitFromImpact(impact);
            ASSERT_TRUE(m_Mgr.AddContactToHeld(held, slot));
            reference[key] = step;
        } else if (found != reference.end()) {
            m_Mgr.RemoveHeld(index);
            reference.erase(found);
        }
        if (step % 25 == 24) {
            // A frame: half the pairs drifted away, the others were checked and kept with
            // their contacts.
            for (auto it = reference.begin(); it != reference.end();) {
                int at = m_Mgr.FindHeld(it->first.first, it->first.second,
                                        m_Mgr.HeldHome(it->first.first, it->first.second));
                phHeldPair& pair = m_Mgr.HeldContactHashTable[at];
                bool keep = rng() % 2 == 0;
                pair.Drift = keep ? 0.0f : FLT_MAX;
                m_Mgr.ContactList[pair.HContactList[0]].ActiveFlag = phContact::KEPT;
                it = keep ? std::next(it) : reference.erase(it);
            }
            m_Mgr.BeginFrame();
        }
        ASSERT_EQ(m_Mgr.NumHeld, int(reference.size()));
        for (const auto& item : reference) {
            int at = m_Mgr.FindHeld(item.first.first, item.first.second,
                                    m_Mgr.HeldHome(item.first.first, item.first.second));
            ASSERT_GE(at, 0) << step;
            const phHeldPair& pair = m_Mgr.HeldContactHashTable[at];
            ASSERT_EQ(pair.NumContacts, 1);
            const phContact& c = m_Mgr.ContactList[pair.HContactList[0]];
            ASSERT_EQ(c.meRefIndex, &pair.HContactList[0]) << step;
            ASSERT_EQ(c.ElementA, item.second) << step;
            int byCollider = -1;
            ASSERT_TRUE(m_Mgr.FindHeldByCollider(item.first.second, byCollider));
            const phHeldPair& first = m_Mgr.HeldContactHashTable[byCollider];
            EXPECT_TRUE(first.ColliderIdA == item.first.second ||
                        first.ColliderIdB == item.first.second);
        }
    }
    EXPECT_GT(grown, 0);
    // The partners of one collider, walked.
    uint32_t id = bodies[0]->Id();
    std::vector<uint32_t> partners;
    int iterator = 0;
    uint32_t other = 0;
    while (m_Mgr.NextHeldPartner(id, iterator, other)) {
        partners.push_back(other);
    }
    size_t expected = 0;
    for (const auto& item : reference) {
        expected += item.first.first == id || item.first.second == id;
    }
    EXPECT_EQ(partners.size(), expected);
}

TEST_CHILD(HeldTwice) {
    ContactBody a;
    ContactBody b;
    ContactBody c;
    phContactMgr mgr;
    int held = mgr.AddHeldContact(&a.collider, &b.collider);
    if (ChildCase() == 0) {
        mgr.AddHeldContact(&b.collider, &a.collider);
    } else {
        int other = mgr.AddHeldContact(&a.collider, &c.collider);
        int slot = mgr.AddContact(7);
        mgr.AddContactToHeld(held, slot);
        mgr.AddContactToHeld(other, slot);
    }
    return 0;
}

TEST(ContactMgrFatalTest, HoldingTwiceEndsTheProgram) {
    ExpectFatalChildren({{"HeldTwice", "Assert(hcIndex<0) failed in [phcollide/contactheld", "case=0"},
                         {"HeldTwice", "Assert(0) failed in [phcollide/contactheld", "case=1"}});
}
