#include "data/timemgr.h"

#include "data/assert.h"
#include "data/bytes.h"
#include "data/replay.h"
#include "data/timer.h"

namespace {

const float SixtiethSecond = 1.0f / 60.0f;

// Built before main, which calibrates the timers.
Timer sm_FrameTimer;
uint64_t sm_LastTick = 0;

}  // namespace

float datTimeManager::Seconds = SixtiethSecond;
float datTimeManager::FPS = 60.0f;
float datTimeManager::sm_RawSeconds = SixtiethSecond;
float datTimeManager::sm_FixedFPS = 60.0f;
float datTimeManager::sm_FixedSeconds = SixtiethSecond;
float datTimeManager::sm_MaxSeconds = 0.1f;
float datTimeManager::sm_MinSeconds = 0.0001f;
int datTimeManager::sm_Over = 1;
float datTimeManager::sm_ElapsedTime = 0;
float datTimeManager::sm_PrevElapsedTime = 0;
uint32_t datTimeManager::sm_FrameCount = 0;
bool datTimeManager::sm_FirstFrame = true;
bool datTimeManager::sm_FixedMode = false;
bool datTimeManager::sm_Paused = false;
bool datTimeManager::sm_Banner = false;
bool datTimeManager::sm_InSlowMotion = false;
float datTimeManager::sm_NormalSeconds = SixtiethSecond;

void datTimeManager::Init() {
    sm_FirstFrame = true;
    Seconds = SixtiethSecond;
    FPS = 60.0f;
    sm_ElapsedTime = 0;
    sm_PrevElapsedTime = 0;
    sm_FrameCount = 0;
}

void datTimeManager::Update() {
    uint64_t now = Timer::Ticks();
    sm_RawSeconds = (float)(now - sm_LastTick) * Timer::sm_SecondsPerTick;
    sm_LastTick = now;
    if (IsPlayback()) {
        sm_RawSeconds = FloatFromBits(ReplayReadU32());
    } else if (IsRecording()) {
        ReplayWriteU32(BitsFromFloat(sm_RawSeconds));
    }

    if (sm_FirstFrame) {
        Seconds = sm_FixedSeconds;
        sm_FirstFrame = false;
    } else {
        sm_PrevElapsedTime = sm_ElapsedTime;
        sm_ElapsedTime += sm_RawSeconds;
        if (sm_Paused || sm_FixedMode) {
            Seconds = sm_FixedSeconds;
        } else if (sm_FixedSeconds == 0) {
            Seconds = sm_RawSeconds;
        } else if (sm_RawSeconds < sm_FixedSeconds) {
            Seconds = sm_RawSeconds;
            sm_Over = 1;
        } else {
            Seconds = sm_FixedSeconds;
        }
        if (sm_Banner && PrinterPrinted()) {
            PrintLevel1(">>>>>>>>>>>>>>>>>>>>>>>>>> FRAME: %u <<<<<<<<<<<<<<<<<<<<<<<<<<<<\n",
                        sm_FrameCount);
            ClearPrinterPrinted();
        }
        ++sm_FrameCount;
    }

    if (Seconds < sm_MinSeconds) {
        Seconds = sm_MinSeconds;
    } else if (Seconds > sm_MaxSeconds) {
        Seconds = sm_MaxSeconds;
    }
    FPS = 1.0f / Seconds;
}

void datTimeManager::SetMaxFPS(float fps) {
    sm_FixedFPS = 60.0f;
    sm_FixedMode = false;
    sm_FixedSeconds = fps != 0 ? 1.0f / fps : 0.0f;
}

void datTimeManager::SetFixed(float fps, int over) {
    Assert(over && fps);
    sm_Over = over;
    sm_FixedFPS = fps;
    sm_FixedMode = true;
    sm_FixedSeconds = 1.0f / ((float)over * fps);
    Seconds = sm_FixedSeconds;
    FPS = 1.0f / Seconds;
}

void datTimeManager::SlowMotion(bool on, float divisor) {
    if (on) {
        if (!sm_InSlowMotion) {
            sm_NormalSeconds = Seconds;
            sm_InSlowMotion = true;
        }
        Seconds = sm_NormalSeconds / divisor;
        FPS = 1.0f / Seconds;
    } else if (sm_InSlowMotion) {
        Seconds = sm_NormalSeconds;
        FPS = 1.0f / Seconds;
        sm_InSlowMotion = false;
    }
}
