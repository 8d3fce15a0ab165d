#include "vector/random.h"

#include "tests/support/child.h"

#include <gtest/gtest.h>

namespace {

int sm_HookCalls = 0;

void CountCall() {
    ++sm_HookCalls;
}

}  // namespace

TEST(Random, SequenceHashAndReset) {
    // The state is process-wide; a reset puts it at seed 1, from which 41 comes first.
    RandomReset();
    EXPECT_EQ(RandomNext(), 41);
    EXPECT_EQ(RandomHash(0), 38);
    EXPECT_EQ(RandomHash(2531011u), 7719);
    EXPECT_EQ(RandomHash(1), 41);
    EXPECT_FLOAT_EQ(RandomHashFloat(0), 38.0f / 32768.0f);
    // The hash leaves the state alone.
    RandomReset();
    RandomHash(12345);
    EXPECT_EQ(RandomNext(), 41);
}

TEST(Random, FloatStaysBelowOne) {
    // The largest output, 32767, scaled.
    uint32_t seed = 0;
    for (uint32_t x = 0; x < 200000; ++x) {
        if (RandomHash(x) == 32767) {
            seed = x;
            break;
        }
    }
    ASSERT_EQ(RandomHash(seed), 32767);
    EXPECT_LT(RandomHashFloat(seed), 1.0f);
    EXPECT_EQ(RandomHashFloat(seed), 32767.0f / 32768.0f);
    for (int i = 0; i < 1000; ++i) {
        float r = RandomFloat();
        EXPECT_GE(r, 0.0f);
        EXPECT_LT(r, 1.0f);
    }
}

TEST(Random, SideStreamLeavesTheMainSequenceAlone) {
    RandomReset();
    int expected[2] = {RandomNext(), RandomNext()};
    RandomReset();

    RandomSave();
    int side[3] = {RandomNext(), RandomNext(), RandomNext()};
    RandomRestore();
    EXPECT_EQ(RandomNext(), expected[0]);

    // A second bracket continues the side sequence where it stopped.
    RandomSave();
    int more = RandomNext();
    RandomRestore();
    EXPECT_EQ(RandomNext(), expected[1]);
    EXPECT_NE(more, side[0]);

    uint32_t sideSeed = 0;
    for (int i = 0; i < 3; ++i) {
        sideSeed = sideSeed * 214013u + 2531011u;
    }
    EXPECT_EQ(more, RandomHash(sideSeed));
}

TEST(Random, HookIsParkedWhileTheSideStreamIsCurrent) {
    RandomHookFunc previous = SetRandomHook(CountCall);
    sm_HookCalls = 0;
    RandomNext();
    EXPECT_EQ(sm_HookCalls, 1);
    RandomSave();
    RandomNext();
    EXPECT_EQ(sm_HookCalls, 1);
    RandomRestore();
    RandomNext();
    EXPECT_EQ(sm_HookCalls, 2);
    SetRandomHook(previous);
}

// A fresh process, so that the state is the one of start-up (both seeds 0).
TEST_CHILD(RandomFromStart) {
    int first = RandomNext();
    int second = RandomNext();
    int third = RandomNext();
    return first == 38 && second == 7719 && third == 21238 ? 0 : 1;
}

TEST(Random, FirstDrawsFromTheStartState) {
    ChildResult result = RunChild("RandomFromStart");
    EXPECT_EQ(result.m_ExitCode, 0) << result.m_Output;
}
