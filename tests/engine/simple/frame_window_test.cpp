#include "simple/simple.h"

#include <gtest/gtest.h>

#include "data/options.h"
#include "gfx/pipeline.h"
#include "tests/support/console.h"

TEST(EngineFrames, TheHeapIsCheckedInTheFirstFrameOnlyUnlessAskedForEveryFrame) {
    ConsoleCapture console;
    keshMemCheckMode = 1;
    keshInitPipeline(320, 240);
    ASSERT_NE(hwndMain, nullptr);
    EXPECT_TRUE(keshCheckHeap());
    keshBeginFrame(true);
    EXPECT_EQ(keshMemCheckMode, 1);
    keshEndFrame();
    EXPECT_EQ(keshMemCheckMode, 0);
    keshBeginFrame(true);
    keshEndFrame();
    EXPECT_EQ(keshMemCheckMode, 0);
    keshMemCheckMode = 2;
    keshBeginFrame(false);
    keshEndFrame();
    EXPECT_EQ(keshMemCheckMode, 2);

    // A closed window asks to quit once.
    EXPECT_FALSE(keshWantsQuit());
    gfxWindowFlags |= gfxQuitRequested;
    EXPECT_TRUE(keshWantsQuit());
    EXPECT_FALSE(keshWantsQuit());
    keshShutdown();
    EXPECT_EQ(lpD3DDev, nullptr);
    keshMemCheckMode = 1;
}
