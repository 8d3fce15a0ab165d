#include <string>

#include <gtest/gtest.h>

#include "gfx/hooks.h"
#include "tests/support/console.h"

namespace {

std::string sOrder;
void First() { sOrder += "1"; }
void Second() { sOrder += "2"; }
void Filler() {}

}  // namespace

TEST(HookLists, RunInOrderOnceEach) {
    sOrder.clear();
    EXPECT_TRUE(gfxAddHook(gfxHookFrameStart, First));
    EXPECT_TRUE(gfxAddHook(gfxHookFrameStart, Second));
    EXPECT_TRUE(gfxAddHook(gfxHookFrameStart, First));
    gfxRunHooks(gfxHookFrameStart);
    gfxRunHooks(gfxHookFrameEnd);
    EXPECT_EQ("12", sOrder);
    gfxRemoveHook(gfxHookFrameStart, First);
    gfxRunHooks(gfxHookFrameStart);
    EXPECT_EQ("122", sOrder);
    gfxRemoveHook(gfxHookFrameStart, Second);
}

TEST(HookLists, AFullListRefusesAndSaysSo) {
    ConsoleCapture console;
    // Distinct functions: the list keeps each once.
    static void (*const fillers[])() = {
        [] {}, [] {}, [] {}, [] {}, [] {}, [] {}, [] {}, [] {},
        [] {}, [] {}, [] {}, [] {}, [] {}, [] {}, [] {}, [] {},
    };
    static_assert(sizeof(fillers) / sizeof(fillers[0]) == gfxMaxHooks, "one list's worth");
    for (auto filler : fillers) {
        EXPECT_TRUE(gfxAddHook(gfxHookInputPoll, filler));
    }
    EXPECT_FALSE(gfxAddHook(gfxHookInputPoll, Filler));
    EXPECT_NE(std::string::npos, console.Take().find("gfxAddHook: hook list"));
    for (auto filler : fillers) {
        gfxRemoveHook(gfxHookInputPoll, filler);
    }
    EXPECT_TRUE(gfxAddHook(gfxHookInputPoll, Filler));
    gfxRemoveHook(gfxHookInputPoll, Filler);
}
