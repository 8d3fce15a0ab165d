#include "data/hash.h"

#include "data/assert.h"
#include "data/string.h"

#include <algorithm>
#include <cstring>

struct HashEntry {
    char* m_Key;
    uintptr_t m_Value;
    HashEntry* m_Next;
    bool m_InUse;  // pooled entries of fixed-size tables only
};

HashTable* HashTable::sm_First = nullptr;

namespace {

// The ELF (PJW) hash. Bytes count as signed whatever the compiler's char is, so that slot
// numbers (and with them the iteration order) stay the same everywhere.
uint32_t ElfHash(const char* key) {
    uint32_t h = 0;
    for (; *key; ++key) {
        h = (h << 4) + (uint32_t)(int32_t)(signed char)*key;
        uint32_t g = h & 0xF0000000u;
        if (g) {
            h ^= g >> 24;
            h ^= g;
        }
    }
    return h;
}

}  // namespace

int NextPrime(int n) {
    if (n % 2 == 0) {
        ++n;
    }
    for (;;) {
        bool divisible = false;
        for (int d = 3; d <= n / 2 && !divisible; d += 2) {
            divisible = n % d == 0;
        }
        if (!divisible) {
            return n;
        }
        n += 2;
    }
}

HashTable::HashTable(int size, bool fixed, short nameLength)
    : nameLength(nameLength),
      FixedSize(fixed),
      m_Pool(nullptr),
      NumSlots(0),
      NumEntries(0),
      m_Slots(nullptr),
      m_Next(sm_First) {
    sm_First = this;
    Init(size);
    if (FixedSize) {
        m_Pool = new HashEntry[NumSlots];
        for (int i = 0; i < NumSlots; ++i) {
            m_Pool[i] = HashEntry{new char[nameLength], 0, nullptr, false};
        }
    }
}

HashTable::~HashTable() {
    Unlink();
    Kill();
}

void HashTable::Init(int size) {
    Kill();
    NumSlots = NextPrime(std::max(size, 100));
    NumEntries = 0;
}

void HashTable::Kill() {
    if (m_Pool) {
        // The pool was made for the slot count it still has: fixed tables never resize.
        for (int i = 0; i < NumSlots; ++i) {
            delete[] m_Pool[i].m_Key;
        }
        delete[] m_Pool;
        m_Pool = nullptr;
    } else if (m_Slots) {
        for (int slot = 0; slot < NumSlots; ++slot) {
            HashEntry* entry = m_Slots[slot];
            while (entry) {
                HashEntry* next = entry->m_Next;
                delete[] entry->m_Key;
                delete entry;
                entry = next;
            }
        }
    }
    delete[] m_Slots;
    m_Slots = nullptr;
    NumEntries = 0;
}

void HashTable::KillAll() {
    for (HashTable* table = sm_First; table; table = table->m_Next) {
        table->Kill();
    }
}

void HashTable::Unlink() {
    for (HashTable** link = &sm_First; *link; link = &(*link)->m_Next) {
        if (*link == this) {
            *link = m_Next;
            m_Next = nullptr;
            return;
        }
    }
}

int HashTable::Hash(const char* id) {
    if (!m_Slots) {
        m_Slots = new HashEntry*[NumSlots]();
    }
    return (int)(ElfHash(id) % (uint32_t)NumSlots);
}

HashEntry* HashTable::Find(const char* id, int slot) const {
    for (HashEntry* entry = m_Slots[slot]; entry; entry = entry->m_Next) {
        if (strcmp(entry->m_Key, id) == 0) {
            return entry;
        }
    }
    return nullptr;
}

HashEntry* HashTable::TakeEntry() {
    for (int i = 0; m_Pool && i < NumSlots; ++i) {
        if (!m_Pool[i].m_InUse) {
            return &m_Pool[i];
        }
    }
    FatalQuit("Couldn't find an empty hash table slot");
}

bool HashTable::Insert(const char* id, uintptr_t value) {
    int slot = Hash(id);
    if (Find(id, slot)) {
        return false;
    }
    HashEntry* entry;
    if (FixedSize) {
        entry = TakeEntry();
        Assert((short)strlen(id)+1<=nameLength);
        strcpy(entry->m_Key, id);
        entry->m_InUse = true;
    } else {
        entry = new HashEntry{StringDuplicate(id), 0, nullptr, false};
    }
    entry->m_Value = value;
    entry->m_Next = m_Slots[slot];
    m_Slots[slot] = entry;
    ++NumEntries;
    if (FixedSize) {
        Assert(NumEntries<NumSlots);
    } else if (NumEntries > NumSlots) {
        Resize(4 * NumSlots);
    }
    return true;
}

bool HashTable::Delete(const char* id) {
    int slot = Hash(id);
    for (HashEntry** link = &m_Slots[slot]; *link; link = &(*link)->m_Next) {
        HashEntry* entry = *link;
        if (strcmp(entry->m_Key, id) == 0) {
            *link = entry->m_Next;
            if (FixedSize) {
                entry->m_InUse = false;
            } else {
                delete[] entry->m_Key;
                delete entry;
            }
            --NumEntries;
            return true;
        }
    }
    return false;
}

uintptr_t HashTable::Access(const char* id) {
    uintptr_t value = 0;
    Lookup(id, value);
    return value;
}

bool HashTable::Lookup(const char* id, uintptr_t& value) {
    HashEntry* entry = Find(id, Hash(id));
    if (!entry) {
        return false;
    }
    value = entry->m_Value;
    return true;
}

bool HashTable::Rename(const char* oldId, const char* newId) {
    uintptr_t value;
    if (!Lookup(oldId, value)) {
        return false;
    }
    // Deleting first and failing the insert would lose the value.
    if (strcmp(oldId, newId) != 0 && Find(newId, Hash(newId))) {
        return false;
    }
    Delete(oldId);
    return Insert(newId, value);
}

void HashTable::CopyFrom(HashTable& other) {
    Assert(FixedSize==false);
    if (&other == this) {
        return;
    }
    Init(other.NumSlots - 1);
    Iterator iterator;
    for (bool more = other.First(iterator); more; more = other.Next(iterator)) {
        Insert(iterator.m_Key, iterator.m_Value);
    }
}

void HashTable::Resize(int size) {
    Assert(FixedSize==false);
    int newSlots = NextPrime(size);
    if (m_Slots) {
        HashEntry** fresh = new HashEntry*[newSlots]();
        for (int slot = 0; slot < NumSlots; ++slot) {
            HashEntry* entry = m_Slots[slot];
            while (entry) {
                HashEntry* next = entry->m_Next;
                int target = (int)(ElfHash(entry->m_Key) % (uint32_t)newSlots);
                entry->m_Next = fresh[target];
                fresh[target] = entry;
                entry = next;
            }
        }
        delete[] m_Slots;
        m_Slots = fresh;
    }
    NumSlots = newSlots;
}

bool HashTable::Settle(Iterator& iterator, int slot, const HashEntry* entry) {
    while (!entry && ++slot < NumSlots) {
        entry = m_Slots[slot];
    }
    iterator.m_Entry = entry;
    if (!entry) {
        return false;
    }
    iterator.m_Slot = slot;
    iterator.m_Key = entry->m_Key;
    iterator.m_Value = entry->m_Value;
    return true;
}

bool HashTable::First(Iterator& iterator) {
    iterator.m_Number = 0;
    iterator.m_Entry = nullptr;
    return m_Slots && Settle(iterator, 0, m_Slots[0]);
}

bool HashTable::Next(Iterator& iterator) {
    if (!iterator.m_Entry) {
        return false;
    }
    ++iterator.m_Number;
    return Settle(iterator, iterator.m_Slot, iterator.m_Entry->m_Next);
}

const HashEntry* HashTable::EntryAt(int number) {
    Iterator iterator;
    bool more = First(iterator);
    while (more && iterator.m_Number < number) {
        more = Next(iterator);
    }
    return more && number >= 0 ? iterator.m_Entry : nullptr;
}

const char* HashTable::KeyAt(int number) {
    const HashEntry* entry = EntryAt(number);
    return entry ? entry->m_Key : nullptr;
}

uintptr_t HashTable::ValueAt(int number) {
    const HashEntry* entry = EntryAt(number);
    return entry ? entry->m_Value : 0;
}
