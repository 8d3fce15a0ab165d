#include "bank/toggle.h"
#include "bank/widgets.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/support/child.h"

namespace {

// Room around the variable, so that any access beyond its width shows.
struct Guarded {
    unsigned char bytes[16];

    Guarded() { memset(bytes, 0xAB, sizeof(bytes)); }
    void* Value() { return bytes + 4; }
    bool Intact(int width) const {
        for (int i = 0; i < 16; ++i) {
            if ((i < 4 || i >= 4 + width) && bytes[i] != 0xAB) {
                return false;
            }
        }
        return true;
    }
};

int WidthOf(int kind) {
    if (kind == bkToggle::BYTE_BOOL || kind == bkToggle::BYTE_MASK) {
        return 1;
    }
    return kind == bkToggle::U16_MASK ? 2 : 4;
}

bkToggle* MakeToggle(int kind, void* value, uint32_t mask) {
    switch (kind) {
    case bkToggle::BYTE_BOOL:
        return new bkToggle(static_cast<uint8_t*>(value), NullCallback);
    case bkToggle::U32_BOOL:
        return new bkToggle(static_cast<uint32_t*>(value), NullCallback);
    case bkToggle::BYTE_MASK:
        return new bkToggle(static_cast<uint8_t*>(value), uint8_t(mask), NullCallback);
    case bkToggle::U16_MASK:
        return new bkToggle(static_cast<uint16_t*>(value), uint16_t(mask), NullCallback);
    default:
        return new bkToggle(static_cast<uint32_t*>(value), mask, NullCallback);
    }
}

TEST(Toggle, FlipsOnlyItsOwnBitsAndWidth) {
    struct Case {
        int kind;
        uint32_t start;
        uint32_t mask;
        bool stateBefore;
        uint32_t after;
        bool stateAfter;
    } cases[] = {
        {bkToggle::BYTE_BOOL, 5, 0, true, 0, false},
        {bkToggle::BYTE_BOOL, 0, 0, false, 1, true},
        {bkToggle::U32_BOOL, 0x10000, 0, true, 0, false},
        {bkToggle::U32_BOOL, 0, 0, false, 1, true},
        {bkToggle::BYTE_MASK, 0x81, 0x80, true, 0x01, false},
        {bkToggle::U16_MASK, 0x0303, 0x0100, true, 0x0203, false},
        {bkToggle::U32_MASK, 0x00010000, 0x80000000, false, 0x80010000, true},
    };
    for (const Case& c : cases) {
        int width = WidthOf(c.kind);
        Guarded g;
        memcpy(g.Value(), &c.start, width);
        bkToggle* toggle = MakeToggle(c.kind, g.Value(), c.mask);
        EXPECT_EQ(toggle->GetState() != 0, c.stateBefore) << "kind " << c.kind;
        toggle->Toggle();
        uint32_t after = 0;
        memcpy(&after, g.Value(), width);
        EXPECT_EQ(after, c.after) << "kind " << c.kind;
        EXPECT_EQ(toggle->GetState() != 0, c.stateAfter) << "kind " << c.kind;
        EXPECT_TRUE(g.Intact(width)) << "kind " << c.kind;
        delete toggle;
    }
}

TEST_CHILD(ToggleConstruction) {
    // Case 5 binds no variable; cases 0 to 4 are the kinds, over the fill at their own width.
    int kind = ChildCase();
    if (kind == 5) {
        MakeToggle(bkToggle::U16_MASK, nullptr, 1);
        return 0;
    }
    Guarded g;
    memset(g.Value(), 0xCD, WidthOf(kind));
    MakeToggle(kind, g.Value(), 1);
    return 0;
}

TEST(Toggle, ConstructionAssertions) {
    ExpectFatalChildren({
        {"ToggleConstruction", "Assert(value) failed in [bank/toggle", "case=5"},
        {"ToggleConstruction",
         "Assert(*(unsigned char*)value != 0xCD) failed in [bank/toggle", "case=0"},
        {"ToggleConstruction", "Assert(*value != 0xCDCDCDCD) failed in [bank/toggle", "case=1"},
        {"ToggleConstruction", "Assert(*value != 0xCD) failed in [bank/toggle", "case=2"},
        {"ToggleConstruction", "Assert(*value != 0xCDCD) failed in [bank/toggle", "case=3"},
        {"ToggleConstruction", "Assert(*value != 0xCDCDCDCD) failed in [bank/toggle", "case=4"},
    });
}

TEST(Toggle, AcceptsTheFillOfAnotherWidth) {
    uint32_t word = 0xCDCD;
    bkToggle toggle(&word, 0x1u, NullCallback);
    EXPECT_EQ(toggle.GetState(), 1u);
}

TEST(Text, KeepsABoundedCopyOfTheCallersText) {
    char buffer[8];
    memcpy(buffer, "abcdefgh", 8);  // no terminator within the buffer
    bkText text(buffer, 8, NullCallback);
    EXPECT_STREQ(text.GetCopy(), "abcdefg");

    char shortText[8] = "hi";
    bkText other(shortText, 8, NullCallback);
    EXPECT_STREQ(other.GetCopy(), "hi");
    shortText[0] = 'H';
    EXPECT_STREQ(other.GetCopy(), "hi");
}

TEST(Combo, ValueIsOffsetPlusIndexAtItsWidth) {
    int32_t value = 3;
    bkCombo combo(&value, 3, 2, NullCallback);
    EXPECT_EQ(combo.GetIndex(), 1);
    combo.SetIndex(2);
    EXPECT_EQ(value, 4);

    Guarded g;
    *static_cast<uint8_t*>(g.Value()) = 7;
    bkCombo byteCombo(static_cast<uint8_t*>(g.Value()), 4, 5, NullCallback);
    EXPECT_EQ(byteCombo.GetIndex(), 2);
    byteCombo.SetIndex(3);
    EXPECT_EQ(*static_cast<uint8_t*>(g.Value()), 8);
    EXPECT_TRUE(g.Intact(1));
}

}  // namespace
