#include "data/hash.h"
#include "data/printer.h"
#include "tests/support/child.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

std::map<std::string, uintptr_t> Contents(HashTable& table) {
    std::map<std::string, uintptr_t> contents;
    HashTable::Iterator iterator;
    for (bool more = table.First(iterator); more; more = table.Next(iterator)) {
        EXPECT_TRUE(contents.emplace(iterator.m_Key, iterator.m_Value).second) << iterator.m_Key;
    }
    return contents;
}

}  // namespace

TEST(HashTable, SlotCounts) {
    struct Case {
        int m_Requested;
        int m_Slots;
    };
    const Case cases[] = {{10, 101}, {100, 101}, {101, 101}, {150, 151}, {404, 409}, {1024, 1031}};
    for (const Case& c : cases) {
        HashTable table(c.m_Requested);
        EXPECT_EQ(table.GetNumSlots(), c.m_Slots) << c.m_Requested;
        EXPECT_EQ(NextPrime(c.m_Requested < 100 ? 100 : c.m_Requested), c.m_Slots);
    }
}

TEST(HashTable, ReferenceHashes) {
    HashTable table(10);
    struct Case {
        const char* m_Key;
        uint32_t m_Hash;
    };
    // Computed by hand; "\xE9t\xE9" only comes out this way with signed bytes (0xF129 unsigned).
    const Case cases[] = {
        {"abc", 0x6783}, {"Name", 0x54835}, {"name", 0x74835}, {"\xE9t\xE9", 0x0FFF2FD9}, {"", 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(table.Hash(c.m_Key), (int)(c.m_Hash % 101u)) << c.m_Key;
    }
    EXPECT_EQ(table.Hash("abc"), 37);
    EXPECT_NE(table.Hash("\xE9t\xE9"), (int)(0xF129u % 101u));
}

TEST(HashTable, InsertLookupDelete) {
    HashTable table(10);
    EXPECT_EQ(table.Access("absent"), 0u);
    uintptr_t value = 77;
    EXPECT_FALSE(table.Lookup("absent", value));
    EXPECT_EQ(value, 77u);

    uintptr_t pointer = uintptr_t(0x123456789abcull);
    EXPECT_TRUE(table.Insert("zero", 0));
    EXPECT_TRUE(table.Insert("Name", 1));
    EXPECT_TRUE(table.Insert("name", pointer));
    EXPECT_FALSE(table.Insert("Name", 5));
    EXPECT_EQ(table.GetNumEntries(), 3);
    EXPECT_TRUE(table.Lookup("zero", value));
    EXPECT_EQ(value, 0u);
    EXPECT_EQ(table.Access("Name"), 1u);
    EXPECT_EQ(table.Access("name"), pointer);

    EXPECT_TRUE(table.Delete("zero"));
    EXPECT_FALSE(table.Delete("zero"));
    EXPECT_FALSE(table.Lookup("zero", value));
    EXPECT_TRUE(table.Insert("zero", 9));
    EXPECT_EQ(table.Access("zero"), 9u);

    table.Kill();
    EXPECT_EQ(table.GetNumEntries(), 0);
    EXPECT_FALSE(table.Lookup("Name", value));
    EXPECT_TRUE(table.Insert("Name", 3));
    EXPECT_EQ(table.Access("Name"), 3u);
}

TEST(HashTable, GrowsAndKeepsEveryKey) {
    HashTable table(10);
    for (int i = 0; i < 102; ++i) {
        ASSERT_TRUE(table.Insert(("key" + std::to_string(i)).c_str(), i + 1));
        EXPECT_EQ(table.GetNumSlots(), i < 101 ? 101 : 409) << i;
    }
    for (int i = 0; i < 102; ++i) {
        EXPECT_EQ(table.Access(("key" + std::to_string(i)).c_str()), uintptr_t(i + 1));
    }
    EXPECT_EQ(Contents(table).size(), 102u);
    for (int i = 102; i < 1000; ++i) {
        table.Insert(("key" + std::to_string(i)).c_str(), i + 1);
    }
    EXPECT_EQ(table.GetNumSlots(), 1637);
    EXPECT_EQ(Contents(table).size(), 1000u);
}

TEST(HashTable, IterationGoesBySlotThenChain) {
    HashTable table(10);
    // "abc" lands in slot 37, "Name" in 38, "name" in 12; "" in 0.
    table.Insert("Name", 2);
    table.Insert("abc", 1);
    table.Insert("name", 3);
    table.Insert("", 4);
    const char* expected[] = {"", "name", "abc", "Name"};
    HashTable::Iterator iterator;
    int count = 0;
    for (bool more = table.First(iterator); more; more = table.Next(iterator)) {
        ASSERT_LT(count, 4);
        EXPECT_EQ(iterator.m_Number, count);
        EXPECT_STREQ(iterator.m_Key, expected[count]);
        EXPECT_STREQ(table.KeyAt(count), expected[count]);
        EXPECT_EQ(table.ValueAt(count), iterator.m_Value);
        ++count;
    }
    EXPECT_EQ(count, 4);
    EXPECT_FALSE(table.Next(iterator));
    EXPECT_EQ(table.KeyAt(4), nullptr);
    EXPECT_EQ(table.ValueAt(4), 0u);

    HashTable empty(10);
    EXPECT_FALSE(empty.First(iterator));
}

TEST(HashTable, RenameCopyAndKillAll) {
    HashTable table(10);
    table.Insert("old", 1);
    table.Insert("taken", 2);
    EXPECT_TRUE(table.Rename("old", "new"));
    EXPECT_EQ(table.Access("new"), 1u);
    EXPECT_FALSE(table.Rename("absent", "other"));
    // A taken name changes nothing rather than losing the renamed value.
    EXPECT_FALSE(table.Rename("new", "taken"));
    EXPECT_EQ(table.Access("new"), 1u);
    EXPECT_EQ(table.Access("taken"), 2u);

    HashTable copy(10);
    copy.Insert("stale", 5);
    copy.CopyFrom(table);
    EXPECT_EQ(Contents(copy), Contents(table));

    HashTable unlisted(10);
    unlisted.Insert("kept", 1);
    unlisted.Unlink();
    HashTable::KillAll();
    EXPECT_EQ(table.GetNumEntries(), 0);
    EXPECT_EQ(copy.Access("new"), 0u);
    EXPECT_EQ(unlisted.Access("kept"), 1u);
    EXPECT_TRUE(table.Insert("again", 1));
}

TEST(HashTable, FixedSizeHoldsKeysInItsPool) {
    HashTable table(10, true, 8);
    EXPECT_TRUE(table.Insert("1234567", 1));
    EXPECT_TRUE(table.Insert("b", 2));
    EXPECT_TRUE(table.Delete("b"));
    EXPECT_TRUE(table.Insert("c", 3));
    EXPECT_EQ(table.Access("1234567"), 1u);
    EXPECT_EQ(table.Access("c"), 3u);
    EXPECT_EQ(table.GetNumSlots(), 101);
}

TEST_CHILD(HashFixedKeyTooLong) {
    HashTable table(10, true, 8);
    table.Insert("12345678", 1);
    return 0;
}

TEST_CHILD(HashFixedFull) {
    HashTable table(10, true, 8);
    for (int i = 0; i < 101; ++i) {
        table.Insert(std::to_string(i).c_str(), 1);
    }
    return 0;
}

TEST_CHILD(HashFixedPoolGone) {
    HashTable table(10, true, 8);
    table.Kill();
    table.Insert("a", 1);
    return 0;
}

TEST_CHILD(HashFixedResize) {
    HashTable table(10, true, 8);
    table.Resize(400);
    return 0;
}

TEST(HashTable, FixedSizeLimitsAreFatal) {
    struct Case {
        const char* m_Child;
        const char* m_Message;
    };
    const Case cases[] = {
        {"HashFixedKeyTooLong", "Assert((short)strlen(id)+1<=nameLength) failed in [data/hash"},
        {"HashFixedFull", "Assert(NumEntries<NumSlots) failed in [data/hash"},
        {"HashFixedPoolGone", "Fatal Error: Couldn't find an empty hash table slot"},
        {"HashFixedResize", "Assert(FixedSize==false) failed in [data/hash"},
    };
    for (const Case& c : cases) {
        ChildResult result = RunChild(c.m_Child);
        EXPECT_NE(result.m_ExitCode, 0) << c.m_Child;
        EXPECT_NE(result.m_Output.find(c.m_Message), std::string::npos) << result.m_Output;
    }
}
