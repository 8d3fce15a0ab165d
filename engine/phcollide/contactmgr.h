#ifndef PHCOLLIDE_CONTACTMGR_H
#define PHCOLLIDE_CONTACTMGR_H

#include <cstdint>

#include "phcollide/contact.h"
#include "vector/matrix34.h"
#include "vector/vector3.h"

class phColliderBase;
struct phImpact;

// A pair of colliders resting on each other whose contacts are carried on without new
// impacts while the pair keeps its relative placement.
struct phHeldPair {
    static const int MaxContacts = 24;

    uint32_t ColliderIdA;  // 0: a free slot
    uint32_t ColliderIdB;  // never below ColliderIdA
    // B's matrix times the inverse of A's when the pair was held.
    Matrix34 Relative;
    float Drift;  // the largest float: not measured
    int32_t Home;
    int32_t NumContacts;
    // Slots of the held contacts; each contact's meRefIndex points at its entry here, and
    // an entry is -1 once its contact has left the table.
    int32_t HContactList[MaxContacts];
};

// Keeps the contacts of all colliding pairs from frame to frame and solves them.
//
// Contacts live in one flat array: slots 0 to HashSize-1 are the heads of circular, doubly
// linked hash chains (HNext -1: an empty head), the overflow slots follow up to
// NumContactSlots. Removal fills the hole with the last slot, so every reference to a contact
// from outside goes through its meRefIndex, which every move repoints.
//
// A physics frame runs: BeginFrame; the collisions, each impact through ProcessImpact (a
// pair that CheckHeld finds still held goes through ApplyHeld instead of colliding); the
// bodies integrate; CarryContacts then serves each further integration step of the same frame
// that runs without collisions, solving again the contacts kept this frame.
class phContactMgr {
public:
    static const int StartHashSize = 200;
    static const int StartContactSlots = 400;
    static const int StartHeldTableSize = 30;

    phContactMgr();
    ~phContactMgr();
    phContactMgr(const phContactMgr&) = delete;
    phContactMgr& operator=(const phContactMgr&) = delete;

    // Empties both tables and returns to the time manager's time step.
    void Reset();
    void SetTimeStep(float dt);
    float GetTimeStep() const;
    float GetInvTimeStep() const;

    // Finds or creates the impact's contact and solves it; answers whether outForce (on A;
    // B takes its negation) and outK are to be applied. velA and velB are the velocities of
    // the impact point as a point of each side; their difference is the relative velocity
    // the solve uses. fallbackForce replaces a refreshed contact's force that stays within
    // its damping.
    bool ProcessImpact(const phImpact& impact, const Vector3& velA, const Vector3& velB,
                       const Vector3& fallbackForce, Vector3& outForce, Matrix34& outK);
    void BeginFrame();
    // Solves again, without impacts, every contact kept this frame and applies the forces;
    // contacts that no longer hold are removed.
    void CarryContacts();

    // The hash table. HashKey answers the key of a pair of features (its magnitude as a
    // signed 32-bit value); a mirrored pair (type 0 with the sides exchanged, type 1 against
    // type 2) has the same key. HeadSlot answers the head of a key's chain.
    static uint32_t HashKey(int type, int elementA, int elementB, uint32_t idA, uint32_t idB);
    int HeadSlot(uint32_t key) const;
    // A slot in the chain of the key: the head itself when empty. The table grows first
    // when full, and the head is taken after the growth.
    int AddContact(uint32_t key);
    void GrowContactTable();
    // Clears the contact's back-reference (its target becomes -1) and frees its slot.
    void RemoveContact(int index);
    // The slot of the impact's contact in the chain of the head, or -1.
    int FindContact(int head, const phImpact& impact) const;
    // Whether the slot holds a contact.
    bool SlotInUse(int index) const;

    // Held pairs. Colliders may be named in either order.
    // Holds the pair (which must not be held yet) and answers its slot.
    int AddHeldContact(phColliderBase* x, phColliderBase* y);
    // Whether the pair is still held: it is let go when either body was pushed last frame or
    // the bodies drifted apart by DefaultSecondaryMargin or more.
    bool CheckHeld(phColliderBase* x, phColliderBase* y, int& outIndex);
    // False when the pair already holds its most contacts.
    bool AddContactToHeld(int heldIndex, int contactIndex);
    void RemoveHeld(int heldIndex);
    // Solves the held contacts without impacts and applies the forces, x's share to x.
    void ApplyHeld(phColliderBase* x, phColliderBase* y, int heldIndex);
    bool ResolveHeld(int heldIndex, phContact& contact, const Vector3& u, const Vector3& velA,
                     const Vector3& velB, Vector3& outForce, Matrix34& outK);
    // The slot of the pair (idA <= idB) probing from home, or -1.
    int FindHeld(uint32_t idA, uint32_t idB, int home) const;
    int HeldHome(uint32_t idA, uint32_t idB) const;
    // The first held pair that names the collider on either side.
    bool FindHeldByCollider(uint32_t id, int& outIndex) const;
    // From slot iterator on, the next held pair that names the collider: answers its other
    // collider and leaves the iterator past that slot.
    bool NextHeldPartner(uint32_t id, int& iterator, uint32_t& outOtherId) const;

    // The contact whose solves the debug hook records (-1: none); the watch follows the
    // contact through the table's moves and ends with its removal.
    void WatchContact(int index);

    int32_t NumContactSlots;
    int32_t HashSize;
    int32_t MaxContactSlots;
    phContact* ContactList;
    int32_t HeldTableSize;
    phHeldPair* HeldContactHashTable;
    int32_t NumHeld;
    phColliderBase* LastHeldA;
    phColliderBase* LastHeldB;
    int32_t LastHeldIndex;
    uint8_t OwnTimeStep;
    float TimeStep;
    float InvTimeStep;

private:
    static uint32_t KeyMagnitude(uint32_t key);
    static phHeldPair* NewHeldTable(int size);
    void GrowHeldTable();
    // Places the pair's record in the first free slot from its home; answers the slot.
    int InsertHeld(const phHeldPair& pair);
    // Whether every contact the pair lists is still the one in the table.
    bool HeldContactsPresent(const phHeldPair& pair) const;
    // The pair's colliders' relative placement: B's matrix times the inverse of A's.
    static Matrix34 RelativeMatrix(const phColliderBase* a, const phColliderBase* b);
    // The velocity of a point as a point of the collider's rigid body (zero without one).
    static void VelocityOf(const phColliderBase* collider, const Vector3& point, Vector3& out);
};

#endif
