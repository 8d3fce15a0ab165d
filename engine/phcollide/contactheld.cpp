// The contact manager's held pairs: colliders resting on each other whose contacts are carried
// on without new impacts while their relative placement holds. An open-addressed table with
// linear probing; each held contact's meRefIndex points at its entry in its pair's list.
#include "phcollide/contactmgr.h"

#include <cfloat>
#include <cmath>
#include <utility>

#include "data/assert.h"
#include "phbound/bound.h"
#include "phcollide/collider.h"
#include "phinertia/inertia.h"
#include "vector/nanfill.h"

namespace {

const uint32_t PairKey = 10007;

void Free(phHeldPair& pair) {
    pair.ColliderIdA = pair.ColliderIdB = 0;
    pair.NumContacts = 0;
}

float SumOfMagnitudes(const Vector3& v) {
    return std::fabs(v.x) + std::fabs(v.y) + std::fabs(v.z);
}

bool Pushed(const phColliderBase* collider) {
    return collider->ICS && collider->ICS->PushedLastFrame;
}

// The pair's colliders with the lower identifier first.
void Order(phColliderBase*& x, phColliderBase*& y) {
    if (x->GetColliderID() > y->GetColliderID()) {
        std::swap(x, y);
    }
}

}  // namespace

phHeldPair* phContactMgr::NewHeldTable(int size) {
    phHeldPair* table = new phHeldPair[size];
    for (int i = 0; i < size; ++i) {
        Free(table[i]);
        NanFloat(table[i].Drift);
    }
    return table;
}

int phContactMgr::HeldHome(uint32_t idA, uint32_t idB) const {
    return static_cast<int>(KeyMagnitude(idB * PairKey + idA) %
                            static_cast<uint32_t>(HeldTableSize));
}

int phContactMgr::FindHeld(uint32_t idA, uint32_t idB, int home) const {
    int i = home;
    for (int probes = 0; probes < HeldTableSize; ++probes) {
        const phHeldPair& pair = HeldContactHashTable[i];
        if (pair.ColliderIdA == 0) {
            return -1;
        }
        if (pair.ColliderIdA == idA && pair.ColliderIdB == idB) {
            return i;
        }
        i = (i + 1) % HeldTableSize;
    }
    return -1;
}

int phContactMgr::InsertHeld(const phHeldPair& pair) {
    int i = pair.Home;
    while (HeldContactHashTable[i].ColliderIdA != 0) {
        i = (i + 1) % HeldTableSize;
    }
    phHeldPair& to = HeldContactHashTable[i];
    to = pair;
    for (int k = 0; k < to.NumContacts; ++k) {
        if (to.HContactList[k] >= 0) {
            ContactList[to.HContactList[k]].meRefIndex = &to.HContactList[k];
        }
    }
    return i;
}

void phContactMgr::GrowHeldTable() {
    int oldSize = HeldTableSize;
    phHeldPair* oldTable = HeldContactHashTable;
    HeldTableSize *= 2;
    HeldContactHashTable = NewHeldTable(HeldTableSize);
    for (int i = 0; i < oldSize; ++i) {
        phHeldPair pair = oldTable[i];
        if (pair.ColliderIdA == 0) {
            continue;
        }
        uint32_t collIdA = pair.ColliderIdA;
        uint32_t collIdB = pair.ColliderIdB;
        Assert(collIdA<=collIdB);
        pair.Home = HeldHome(collIdA, collIdB);
        int hcIndex = FindHeld(collIdA, collIdB, pair.Home);
        Assert(hcIndex<0);
        int slot = InsertHeld(pair);
        if (LastHeldIndex == i) {
            LastHeldIndex = slot;
        }
    }
    delete[] oldTable;
}

Matrix34 phContactMgr::RelativeMatrix(const phColliderBase* a, const phColliderBase* b) {
    Matrix34 inverse;
    inverse.FastInverse(*a->CurrentMatrix);
    Matrix34 relative;
    relative.Dot(*b->CurrentMatrix, inverse);
    return relative;
}

// A static collider (identifier 0) cannot be held: 0 marks a free slot.
int phContactMgr::AddHeldContact(phColliderBase* x, phColliderBase* y) {
    Order(x, y);
    uint32_t collIdA = x->GetColliderID();
    uint32_t collIdB = y->GetColliderID();
    if (collIdA == 0) {
        return -1;
    }
    if (4 * NumHeld >= HeldTableSize) {
        GrowHeldTable();
    }
    Assert(collIdA<=collIdB);
    int home = HeldHome(collIdA, collIdB);
    int hcIndex = FindHeld(collIdA, collIdB, home);
    Assert(hcIndex<0);
    ++NumHeld;
    phHeldPair pair;
    pair.ColliderIdA = collIdA;
    pair.ColliderIdB = collIdB;
    pair.Relative = RelativeMatrix(x, y);
    pair.Drift = 0.0f;
    pair.Home = home;
    pair.NumContacts = 0;
    int slot = InsertHeld(pair);
    LastHeldA = x;
    LastHeldB = y;
    LastHeldIndex = slot;
    return slot;
}

bool phContactMgr::AddContactToHeld(int heldIndex, int contactIndex) {
    phHeldPair& pair = HeldContactHashTable[heldIndex];
    if (pair.NumContacts >= phHeldPair::MaxContacts) {
        return false;
    }
    phContact& contact = ContactList[contactIndex];
    if (contact.meRefIndex) {
        Assert(0);
    }
    int32_t& entry = pair.HContactList[pair.NumContacts++];
    entry = contactIndex;
    contact.meRefIndex = &entry;
    return true;
}

bool phContactMgr::CheckHeld(phColliderBase* x, phColliderBase* y, int& outIndex) {
    Order(x, y);
    uint32_t idA = x->GetColliderID();
    uint32_t idB = y->GetColliderID();
    if (idA == 0) {
        return false;
    }
    int index = FindHeld(idA, idB, HeldHome(idA, idB));
    if (index < 0) {
        return false;
    }
    if (Pushed(x) || Pushed(y)) {
        RemoveHeld(index);
        return false;
    }
    Matrix34 change = RelativeMatrix(x, y);
    change.Subtract(HeldContactHashTable[index].Relative);
    float turn = std::fmax(SumOfMagnitudes(change.a),
                           std::fmax(SumOfMagnitudes(change.b), SumOfMagnitudes(change.c)));
    float radius = std::fmin(x->GetBound()->RadiusAroundCentroid,
                             y->GetBound()->RadiusAroundCentroid);
    float drift = SumOfMagnitudes(change.d) + turn * radius;
    if (drift < phBound::DefaultSecondaryMargin) {
        HeldContactHashTable[index].Drift = drift;
        outIndex = index;
        return true;
    }
    RemoveHeld(index);
    return false;
}

void phContactMgr::RemoveHeld(int heldIndex) {
    phHeldPair& removed = HeldContactHashTable[heldIndex];
    for (int k = 0; k < removed.NumContacts; ++k) {
        if (removed.HContactList[k] >= 0) {
            ContactList[removed.HContactList[k]].meRefIndex = nullptr;
        }
    }
    Free(removed);
    --NumHeld;
    if (LastHeldIndex == heldIndex) {
        LastHeldA = LastHeldB = nullptr;
        LastHeldIndex = -1;
    }
    // Close the gap in the probe cluster: a later pair moves into it unless its home lies
    // cyclically in (gap, its slot], where probing from home still reaches it.
    int gap = heldIndex;
    for (int j = (gap + 1) % HeldTableSize; HeldContactHashTable[j].ColliderIdA != 0;
         j = (j + 1) % HeldTableSize) {
        int home = HeldContactHashTable[j].Home;
        bool reachable = gap < j ? home > gap && home <= j : home > gap || home <= j;
        if (reachable) {
            continue;
        }
        phHeldPair* toPtr = &HeldContactHashTable[gap];
        phHeldPair* fromPtr = &HeldContactHashTable[j];
        *toPtr = *fromPtr;
        for (int i = 0; i < toPtr->NumContacts; ++i) {
            if (toPtr->HContactList[i] < 0) {
                continue;
            }
            Assert(toPtr->ColliderIdA+toPtr->ColliderIdB == (ContactList+toPtr->HContactList[i])->ColliderIdA+(ContactList+toPtr->HContactList[i])->ColliderIdB);
            Assert((ContactList+toPtr->HContactList[i])->meRefIndex == &(fromPtr->HContactList[i]));
            (ContactList + toPtr->HContactList[i])->meRefIndex = &toPtr->HContactList[i];
        }
        Free(*fromPtr);
        if (LastHeldIndex == j) {
            LastHeldIndex = gap;
        }
        gap = j;
    }
}

bool phContactMgr::HeldContactsPresent(const phHeldPair& pair) const {
    for (int k = 0; k < pair.NumContacts; ++k) {
        int index = pair.HContactList[k];
        if (!SlotInUse(index) || ContactList[index].meRefIndex != &pair.HContactList[k]) {
            return false;
        }
    }
    return true;
}

// Each contact is solved in its own order of sides; x takes the force on the contact's side
// that x is.
void phContactMgr::ApplyHeld(phColliderBase* x, phColliderBase* y, int heldIndex) {
    const phHeldPair& pair = HeldContactHashTable[heldIndex];
    for (int k = 0; k < pair.NumContacts; ++k) {
        if (pair.HContactList[k] < 0) {
            continue;
        }
        phContact& contact = ContactList[pair.HContactList[k]];
        bool flipped = contact.ColliderIdA != x->GetColliderID();
        Vector3 velX;
        Vector3 velY;
        VelocityOf(x, contact.Point, velX);
        VelocityOf(y, contact.Point, velY);
        const Vector3& velA = flipped ? velY : velX;
        const Vector3& velB = flipped ? velX : velY;
        Vector3 force;
        Matrix34 k3;
        if (!ResolveHeld(heldIndex, contact, velA - velB, velA, velB, force, k3)) {
            continue;
        }
        if (flipped) {
            force.Negate();
        }
        Matrix34 kA;
        Matrix34 kB;
        phShareStiffness(*contact.A, contact.ComponentA, *contact.B, contact.ComponentB,
                         contact.Point, contact.Normal, k3, kA, kB);
        x->ApplyContactForce(force, contact, flipped ? kB : kA);
        y->ApplyContactForce(force * -1.0f, contact, flipped ? kA : kB);
    }
}

bool phContactMgr::ResolveHeld(int heldIndex, phContact& contact, const Vector3& u,
                               const Vector3& velA, const Vector3& velB, Vector3& outForce,
                               Matrix34& outK) {
    contact.Touched = 1;
    float damping;
    if (!contact.Resolve(nullptr, u, velA, velB, outForce, outK, damping, GetTimeStep())) {
        HeldContactHashTable[heldIndex].Drift = FLT_MAX;
        contact.ActiveFlag = phContact::DROPPED;
        return false;
    }
    int hcIndex = heldIndex;
    const phContact* theContact = &contact;
    Assert(((HeldContactHashTable+hcIndex)->ColliderIdA==theContact->ColliderIdA && (HeldContactHashTable+hcIndex)->ColliderIdB==theContact->ColliderIdB) || ((HeldContactHashTable+hcIndex)->ColliderIdA==theContact->ColliderIdB && (HeldContactHashTable+hcIndex)->ColliderIdB==theContact->ColliderIdA));
    Assert(theContact->LastActiveFlag == 0 || theContact->LastActiveFlag == 1);
    Assert((HeldContactHashTable+hcIndex)->ColliderIdA<=(HeldContactHashTable+hcIndex)->ColliderIdB);
    contact.ActiveFlag = phContact::KEPT;
    return true;
}

bool phContactMgr::FindHeldByCollider(uint32_t id, int& outIndex) const {
    int iterator = 0;
    uint32_t other;
    if (!NextHeldPartner(id, iterator, other)) {
        return false;
    }
    outIndex = iterator - 1;
    return true;
}

bool phContactMgr::NextHeldPartner(uint32_t id, int& iterator, uint32_t& outOtherId) const {
    if (id == 0) {
        return false;
    }
    for (; iterator < HeldTableSize; ++iterator) {
        const phHeldPair& pair = HeldContactHashTable[iterator];
        if (pair.ColliderIdA == id || pair.ColliderIdB == id) {
            outOtherId = pair.ColliderIdA == id ? pair.ColliderIdB : pair.ColliderIdA;
            ++iterator;
            return true;
        }
    }
    return false;
}
