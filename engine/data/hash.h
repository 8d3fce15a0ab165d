#ifndef DATA_HASH_H
#define DATA_HASH_H

#include <cstdint>

struct HashEntry;

// String keys (case-sensitive) to one pointer-sized value each, chained, with a prime number
// of slots. Every table stands on one global list so that KillAll can empty them all.
class HashTable {
public:
    // Iteration order is slots ascending, each chain from its head. Do not insert or delete
    // while iterating: the cursor points into the chains.
    struct Iterator {
        int m_Number;
        const char* m_Key;
        uintptr_t m_Value;
        int m_Slot;
        const HashEntry* m_Entry;
    };

    explicit HashTable(int size = 100, bool fixed = false, short nameLength = 0);
    ~HashTable();
    HashTable(const HashTable&) = delete;
    HashTable& operator=(const HashTable&) = delete;

    void Init(int size);
    void Kill();
    static void KillAll();
    void Unlink();

    bool Insert(const char* id, uintptr_t value);
    bool Delete(const char* id);
    uintptr_t Access(const char* id);
    bool Lookup(const char* id, uintptr_t& value);
    bool Rename(const char* oldId, const char* newId);
    void CopyFrom(HashTable& other);
    void Resize(int size);

    bool First(Iterator& iterator);
    bool Next(Iterator& iterator);
    const char* KeyAt(int number);
    uintptr_t ValueAt(int number);

    // The slot of a key (ELF hash modulo the slot count); allocates the slots on first use.
    int Hash(const char* id);

    int GetNumSlots() const { return NumSlots; }
    int GetNumEntries() const { return NumEntries; }

private:
    HashEntry* Find(const char* id, int slot) const;
    HashEntry* TakeEntry();
    const HashEntry* EntryAt(int number);
    bool Settle(Iterator& iterator, int slot, const HashEntry* entry);

    short nameLength;
    bool FixedSize;
    HashEntry* m_Pool;
    int NumSlots;
    int NumEntries;
    HashEntry** m_Slots;
    HashTable* m_Next;

    static HashTable* sm_First;
};

// The smallest odd prime at or above n; meant for n >= 100.
int NextPrime(int n);

#endif
