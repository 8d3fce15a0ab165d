#include "data/memstream.h"
#include "data/printer.h"
#include "data/replay.h"
#include "data/timemgr.h"
#include "data/timer.h"
#include "tests/support/child.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {

uint64_t sm_Now = 0;
std::string sm_Console;

uint64_t ManualTicks() { return sm_Now; }
void CaptureConsole(const char* text) { sm_Console += text; }

void Advance(double seconds) { sm_Now += (uint64_t)(seconds / Timer::sm_SecondsPerTick + 0.5); }

// One frame of the given length, as a game loop would run it.
float Frame(double seconds) {
    Advance(seconds);
    datTimeManager::Update();
    return datTimeManager::Seconds;
}

class TimeManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_OldSource = Timer::SetTickSource(ManualTicks);
        // Far above 32 bits, so that tick arithmetic that narrows shows at once.
        sm_Now = 0x7FFFFFFF00ull;
        datTimeManager::SetMaxFPS(60);
        datTimeManager::sm_Paused = false;
        datTimeManager::sm_Banner = false;
        datTimeManager::Init();
        Frame(0.0);
    }
    void TearDown() override {
        datTimeManager::SlowMotion(false, 1);
        datTimeManager::SetMaxFPS(60);
        Timer::SetTickSource(m_OldSource);
    }
    Timer::TickSource m_OldSource = nullptr;
};

TEST_F(TimeManagerTest, FrameTimeIsMeasuredCappedAndClamped) {
    struct Case {
        float m_MaxFPS;
        double m_Frame;
        float m_Seconds;
    };
    const Case cases[] = {
        {60, 0.005, 0.005f},
        {60, 0.040, 1.0f / 60},
        {60, 0.00001, 0.0001f},
        {0, 0.2, 0.1f},
        {0, 0.05, 0.05f},
        {0, 0.00001, 0.0001f},
    };
    for (const Case& c : cases) {
        datTimeManager::SetMaxFPS(c.m_MaxFPS);
        EXPECT_NEAR(c.m_Seconds, Frame(c.m_Frame), 1e-6) << c.m_MaxFPS << " " << c.m_Frame;
        EXPECT_NEAR(1.0f / c.m_Seconds, datTimeManager::FPS, 0.05f);
    }
}

TEST_F(TimeManagerTest, FirstFrameTakesTheFixedStep) {
    datTimeManager::Init();
    EXPECT_NEAR(1.0f / 60, Frame(0.005), 1e-7);
    EXPECT_NEAR(0.005f, Frame(0.005), 1e-6);
}

TEST_F(TimeManagerTest, LongFramesAreMeasuredWhole) {
    datTimeManager::SetMaxFPS(0);
    Frame(500.0);
    EXPECT_NEAR(500.0f, datTimeManager::sm_RawSeconds, 0.01f);
    EXPECT_NEAR(0.1f, datTimeManager::Seconds, 1e-6);
    EXPECT_NEAR(500.0f, datTimeManager::sm_ElapsedTime, 0.01f);
}

TEST_F(TimeManagerTest, FixedAndPausedUseTheFixedStep) {
    datTimeManager::SetFixed(30, 2);
    EXPECT_NEAR(1.0f / 60, datTimeManager::Seconds, 1e-7);
    for (double frame : {0.005, 0.05, 0.2}) {
        EXPECT_NEAR(1.0f / 60, Frame(frame), 1e-7) << frame;
    }
    datTimeManager::SetMaxFPS(20);
    datTimeManager::sm_Paused = true;
    EXPECT_NEAR(0.05f, Frame(0.005), 1e-7);
}

TEST_F(TimeManagerTest, SlowMotionDividesOnce) {
    Frame(0.01);
    datTimeManager::SlowMotion(true, 4);
    datTimeManager::SlowMotion(true, 4);
    EXPECT_NEAR(0.0025f, datTimeManager::Seconds, 1e-7);
    EXPECT_NEAR(400.0f, datTimeManager::FPS, 0.01f);
    datTimeManager::SlowMotion(false, 4);
    EXPECT_NEAR(0.01f, datTimeManager::Seconds, 1e-7);
    datTimeManager::SlowMotion(false, 4);
    EXPECT_NEAR(0.01f, datTimeManager::Seconds, 1e-7);
}

TEST_F(TimeManagerTest, BannerFollowsFramesThatPrinted) {
    datTimeManager::sm_Banner = true;
    sm_Console.clear();
    PrintHookFunc old = SetConsoleHook(CaptureConsole);
    ClearPrinterPrinted();
    Frame(0.01);
    PrintMessage("something");
    uint32_t frame = datTimeManager::sm_FrameCount;
    Frame(0.01);
    Frame(0.01);
    SetConsoleHook(old);
    char banner[128];
    snprintf(banner, sizeof(banner),
             ">>>>>>>>>>>>>>>>>>>>>>>>>> FRAME: %u <<<<<<<<<<<<<<<<<<<<<<<<<<<<\n\n", frame);
    EXPECT_EQ(std::string("something\n") + banner, sm_Console);
}

TEST_F(TimeManagerTest, ReplayCarriesRawFrameTimes) {
    unsigned char buffer[64];
    datMemoryStream stream(buffer, sizeof(buffer));
    ASSERT_TRUE(ReplayBeginRecord(&stream));
    for (double frame : {0.005, 0.007, 0.009}) {
        ReplayBeginFrame();
        Frame(frame);
        ReplayEndFrame();
    }
    ReplayEnd();
    EXPECT_EQ(4u + 3 * 5, stream.Size());

    ASSERT_TRUE(ReplayBeginPlayback(&stream));
    bool more = true;
    for (float expected : {0.005f, 0.007f, 0.009f}) {
        ASSERT_TRUE(more);
        ReplayBeginFrame();
        EXPECT_NEAR(expected, Frame(0.040), 1e-6);
        more = ReplayEndFrame();
    }
    EXPECT_FALSE(more);
    EXPECT_FALSE(IsPlayback());
}

TEST_CHILD(FixedWithZeroOver) {
    datTimeManager::SetFixed(60, 0);
    return 0;
}

TEST(TimeManager, FixedNeedsOverAndFps) {
    ExpectFatalChild("FixedWithZeroOver",
                     "Fatal Error: Assert(over && fps) failed in [data/timemgr, line ");
}

TEST(Timer, CalibratedAtStartUp) {
    EXPECT_GT(Timer::sm_SecondsPerTick, 0.0f);
    EXPECT_FLOAT_EQ(Timer::sm_SecondsPerTick * 1000.0f, Timer::sm_MsPerTick);
    EXPECT_EQ(2u, Timer::sm_PerformanceCounter);
    EXPECT_GT(Timer::sm_CyclesPerMicrosecond, 1.0f);

    Timer timer;
    uint64_t cycles = Timer::Cycles();
    Sleep(20);
    double seconds = (double)(Timer::Ticks() - timer.m_Start) * Timer::sm_SecondsPerTick;
    EXPECT_GT(seconds, 0.015);
    EXPECT_LT(seconds, 1.0);
    EXPECT_GT(Timer::Cycles(), cycles);
}

TEST(Timer, PriorityIsRestored) {
    DWORD priorityClass = GetPriorityClass(GetCurrentProcess());
    int threadPriority = GetThreadPriority(GetCurrentThread());
    RaisePriority();
    RestorePriority();
    EXPECT_EQ(priorityClass, GetPriorityClass(GetCurrentProcess()));
    EXPECT_EQ(threadPriority, GetThreadPriority(GetCurrentThread()));
}

}  // namespace
