// The contact manager: the hash table of contacts, the impacts that find or create them, and
// the frame's bookkeeping and time step.
#include "phcollide/contactmgr.h"

#include <cfloat>
#include <initializer_list>

#include "data/assert.h"
#include "data/timemgr.h"
#include "phbound/impact.h"
#include "phcollide/collider.h"
#include "phinertia/inertia.h"
#include "vector/nanfill.h"

namespace {

const uint32_t PairKey = 10007;
const uint32_t SecondKey = 307;
const uint32_t ElementKey = 17;

// A fresh table: every float the signalling NaN, so that a record read before it is filled
// shows; the slots' links are set by whoever hands them out.
phContact* NewContactTable(int size) {
    phContact* table = new phContact[size];
    for (int i = 0; i < size; ++i) {
        phContact& c = table[i];
        for (float* f : {&c.Friction, &c.Elasticity, &c.Penetration, &c.LastRatio,
                         &c.LastFraction, &c.LastStiffness, &c.LastCosine, &c.Stiffness,
                         &c.Damping}) {
            NanFloat(*f);
        }
    }
    return table;
}

}  // namespace

// The magnitude of a key read as a signed 32-bit value; the one value without a positive
// counterpart stays as it is, which as an unsigned value is still a valid magnitude.
uint32_t phContactMgr::KeyMagnitude(uint32_t key) {
    return static_cast<int32_t>(key) < 0 ? 0u - key : key;
}

phContactMgr::phContactMgr()
    : NumContactSlots(StartHashSize),
      HashSize(StartHashSize),
      MaxContactSlots(StartContactSlots),
      ContactList(NewContactTable(StartContactSlots)),
      HeldTableSize(StartHeldTableSize),
      HeldContactHashTable(NewHeldTable(StartHeldTableSize)),
      NumHeld(0),
      LastHeldA(nullptr),
      LastHeldB(nullptr),
      LastHeldIndex(-1),
      OwnTimeStep(0),
      TimeStep(0.0f),
      InvTimeStep(0.0f) {
    NanFloat(TimeStep);
    NanFloat(InvTimeStep);
    Reset();
}

phContactMgr::~phContactMgr() {
    if (phContact::sm_Watched >= ContactList &&
        phContact::sm_Watched < ContactList + MaxContactSlots) {
        phContact::sm_Watched = nullptr;
    }
    delete[] ContactList;
    delete[] HeldContactHashTable;
}

void phContactMgr::Reset() {
    for (int i = 0; i < HashSize; ++i) {
        ContactList[i].HPrev = ContactList[i].HNext = -1;
        ContactList[i].meRefIndex = nullptr;
    }
    NumContactSlots = HashSize;
    for (int i = 0; i < HeldTableSize; ++i) {
        HeldContactHashTable[i].ColliderIdA = HeldContactHashTable[i].ColliderIdB = 0;
        HeldContactHashTable[i].NumContacts = 0;
    }
    NumHeld = 0;
    LastHeldA = LastHeldB = nullptr;
    LastHeldIndex = -1;
    OwnTimeStep = 0;
    phContact::sm_TimeStep = 0.0f;
    phContact::sm_Seconds = 0.0f;
}

void phContactMgr::SetTimeStep(float dt) {
    OwnTimeStep = 1;
    TimeStep = dt;
    InvTimeStep = 1.0f / dt;
}

float phContactMgr::GetTimeStep() const {
    return OwnTimeStep ? TimeStep : datTimeManager::Seconds;
}

float phContactMgr::GetInvTimeStep() const {
    return OwnTimeStep ? InvTimeStep : datTimeManager::FPS;
}

// Keys wrap in 32 bits, as the stored slots were laid out.
uint32_t phContactMgr::HashKey(int type, int elementA, int elementB, uint32_t idA,
                               uint32_t idB) {
    uint32_t eA = static_cast<uint32_t>(elementA);
    uint32_t eB = static_cast<uint32_t>(elementB);
    uint32_t key;
    switch (type) {
        case 0:
            key = idA >= idB ? idA * PairKey + idB * SecondKey + eA * ElementKey + eB
                             : idB * PairKey + idA * SecondKey + eB * ElementKey + eA;
            break;
        case 1:
            key = idA * ElementKey + idB * SecondKey + eA;
            break;
        case 2:
            key = idB * ElementKey + idA * SecondKey + eB;
            break;
        default:
            key = idA;
            break;
    }
    return KeyMagnitude(key);
}

int phContactMgr::HeadSlot(uint32_t key) const {
    return HashSize > 0 ? static_cast<int>(key % static_cast<uint32_t>(HashSize)) : 0;
}

bool phContactMgr::SlotInUse(int index) const {
    if (index < 0) {
        return false;
    }
    return index < HashSize ? ContactList[index].HNext >= 0 : index < NumContactSlots;
}

// The head is taken from the key after any growth, so that a contact added right after the
// table doubled lands in the chain where it will be looked for.
int phContactMgr::AddContact(uint32_t key) {
    if (NumContactSlots >= MaxContactSlots) {
        GrowContactTable();
    }
    int head = HeadSlot(key);
    phContact& h = ContactList[head];
    if (h.HNext < 0) {
        h.HPrev = h.HNext = head;
        h.meRefIndex = nullptr;
        return head;
    }
    int slot = NumContactSlots++;
    phContact& c = ContactList[slot];
    c.HPrev = head;
    c.HNext = h.HNext;
    c.meRefIndex = nullptr;
    ContactList[h.HNext].HPrev = slot;
    h.HNext = slot;
    return slot;
}

void phContactMgr::GrowContactTable() {
    int oldHsize = HashSize;
    int oldSlots = NumContactSlots;
    phContact* oldList = ContactList;
    HashSize *= 2;
    MaxContactSlots *= 2;
    ContactList = NewContactTable(MaxContactSlots);
    for (int i = 0; i < HashSize; ++i) {
        ContactList[i].HPrev = ContactList[i].HNext = -1;
    }
    NumContactSlots = HashSize;
    for (int i = 0; i < oldSlots; ++i) {
        const phContact& old = oldList[i];
        if (old.HNext < 0) {
            Assert(i<oldHsize);
            continue;
        }
        int slot = AddContact(HashKey(old.Type, old.ElementA, old.ElementB, old.ColliderIdA,
                                      old.ColliderIdB));
        ContactList[slot].Copy(old);
        ContactList[slot].meRefIndex = old.meRefIndex;
        if (old.meRefIndex) {
            *old.meRefIndex = slot;
        }
        if (phContact::sm_Watched == &old) {
            phContact::sm_Watched = &ContactList[slot];
        }
    }
    delete[] oldList;
}

void phContactMgr::RemoveContact(int index) {
    Assert(SlotInUse(index));
    phContact& removed = ContactList[index];
    if (removed.meRefIndex) {
        *removed.meRefIndex = -1;
        removed.meRefIndex = nullptr;
    }
    if (phContact::sm_Watched == &removed) {
        phContact::sm_Watched = nullptr;
    }
    int removeIndex = index;
    if (index < HashSize) {
        if (removed.HNext == index) {
            removed.HPrev = removed.HNext = -1;
            return;
        }
        // The head keeps its place in the chain: the first overflow contact moves into it.
        int saveRI = removed.HNext;
        phContact* oldC = &ContactList[saveRI];
        Assert((!oldC->meRefIndex) || *(oldC->meRefIndex) == saveRI);
        removed.Copy(*oldC);
        removed.meRefIndex = oldC->meRefIndex;
        if (oldC->meRefIndex) {
            *(oldC->meRefIndex) = removeIndex;
            Assert(*(oldC->meRefIndex) == removeIndex);
        }
        oldC->meRefIndex = nullptr;
        if (phContact::sm_Watched == oldC) {
            phContact::sm_Watched = &removed;
        }
        removeIndex = saveRI;
    }
    phContact& gone = ContactList[removeIndex];
    ContactList[gone.HPrev].HNext = gone.HNext;
    ContactList[gone.HNext].HPrev = gone.HPrev;
    --NumContactSlots;
    if (removeIndex == NumContactSlots) {
        return;
    }
    // The last slot fills the hole, so that the slots in use stay contiguous.
    phContact* moveC = &ContactList[NumContactSlots];
    if (moveC->meRefIndex) {
        Assert(*(moveC->meRefIndex) == NumContactSlots);
        *(moveC->meRefIndex) = removeIndex;
    }
    gone = *moveC;
    moveC->meRefIndex = nullptr;
    if (phContact::sm_Watched == moveC) {
        phContact::sm_Watched = &gone;
    }
    ContactList[gone.HPrev].HNext = removeIndex;
    ContactList[gone.HNext].HPrev = removeIndex;
}

int phContactMgr::FindContact(int head, const phImpact& impact) const {
    if (ContactList[head].HNext < 0) {
        return -1;
    }
    int i = head;
    do {
        if (ContactList[i].Matches(impact)) {
            return i;
        }
        i = ContactList[i].HNext;
    } while (i >= HashSize);
    return -1;
}

bool phContactMgr::ProcessImpact(const phImpact& impact, const Vector3& velA,
                                 const Vector3& velB, const Vector3& fallbackForce,
                                 Vector3& outForce, Matrix34& outK) {
    uint32_t key = HashKey(impact.Type, impact.FeatureA, impact.FeatureB,
                           impact.ColliderA->GetColliderID(), impact.ColliderB->GetColliderID());
    int slot = FindContact(HeadSlot(key), impact);
    if (slot < 0) {
        slot = AddContact(key);
        ContactList[slot].InitFromImpact(impact);
    }
    phContact& contact = ContactList[slot];
    contact.Touched = 0;
    int held = -1;
    if (LastHeldA && ((impact.ColliderA == LastHeldA && impact.ColliderB == LastHeldB) ||
                      (impact.ColliderA == LastHeldB && impact.ColliderB == LastHeldA))) {
        if (AddContactToHeld(LastHeldIndex, slot)) {
            held = LastHeldIndex;
        }
    }

    Vector3 u = velA - velB;
    float damping;
    if (!contact.Resolve(&impact, u, velA, velB, outForce, outK, damping, GetTimeStep())) {
        if (held >= 0) {
            HeldContactHashTable[held].Drift = FLT_MAX;
        }
        contact.ActiveFlag = phContact::DROPPED;
        return false;
    }
    // A force that does no more than the damping of the approach is too weak to hold.
    bool weak = outForce.Mag2() <= u.Mag2() * damping * damping;
    switch (contact.LastActiveFlag) {
        case phContact::KEPT:
            contact.ActiveFlag = phContact::KEPT;
            return true;
        case phContact::NEW:
            contact.ActiveFlag = phContact::DROPPED;
            if (weak) {
                contact.LastRatio = contact.LastFraction = contact.LastStiffness = 0.0f;
                return false;
            }
            return true;
        default:
            if (weak) {
                outForce = fallbackForce;
            }
            contact.ActiveFlag = phContact::KEPT;
            return true;
    }
}

void phContactMgr::BeginFrame() {
    for (int i = 0; i < HeldTableSize;) {
        const phHeldPair& pair = HeldContactHashTable[i];
        if (pair.ColliderIdA != 0 &&
            !(pair.Drift <= phBound::DefaultSecondaryMargin && pair.NumContacts > 0 &&
              HeldContactsPresent(pair))) {
            // A removal closes the gap with a later pair: look at this slot again.
            RemoveHeld(i);
            continue;
        }
        ++i;
    }
    for (int i = 0; i < HeldTableSize; ++i) {
        HeldContactHashTable[i].Drift = FLT_MAX;
    }
    LastHeldA = LastHeldB = nullptr;

    for (int i = 0; i < NumContactSlots;) {
        if (SlotInUse(i) && ContactList[i].ActiveFlag == phContact::UNSEEN) {
            // The removal fills this slot with another contact: look at it again.
            RemoveContact(i);
            continue;
        }
        ++i;
    }
    for (int i = 0; i < NumContactSlots; ++i) {
        if (SlotInUse(i)) {
            ContactList[i].LastActiveFlag = ContactList[i].ActiveFlag;
            ContactList[i].ActiveFlag = phContact::UNSEEN;
        }
    }
    phContact::sm_Seconds = datTimeManager::Seconds;
    phContact::sm_TimeStep = GetTimeStep();
}

void phContactMgr::CarryContacts() {
    for (int i = 0; i < NumContactSlots;) {
        if (!SlotInUse(i) || ContactList[i].ActiveFlag != phContact::KEPT) {
            ++i;
            continue;
        }
        phContact& contact = ContactList[i];
        Vector3 velA;
        Vector3 velB;
        VelocityOf(contact.A, contact.Point, velA);
        VelocityOf(contact.B, contact.Point, velB);
        Vector3 force;
        Matrix34 k;
        float damping;
        if (!contact.Resolve(nullptr, velA - velB, velA, velB, force, k, damping, GetTimeStep())) {
            // A later contact moves into the slot; it has not been carried yet.
            RemoveContact(i);
            continue;
        }
        Matrix34 kA;
        Matrix34 kB;
        phShareStiffness(*contact.A, contact.ComponentA, *contact.B, contact.ComponentB,
                         contact.Point, contact.Normal, k, kA, kB);
        contact.A->ApplyContactForce(force, contact, kA);
        contact.B->ApplyContactForce(force * -1.0f, contact, kB);
        contact.ActiveFlag = phContact::KEPT;
        ++i;
    }
}

void phContactMgr::VelocityOf(const phColliderBase* collider, const Vector3& point,
                              Vector3& out) {
    if (collider->ICS) {
        collider->ICS->GetVelocityAtPoint(point, out);
    } else {
        out.Zero();
    }
}

void phContactMgr::WatchContact(int index) {
    phContact::sm_Watched = index >= 0 ? &ContactList[index] : nullptr;
}
