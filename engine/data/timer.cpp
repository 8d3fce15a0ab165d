#include "data/timer.h"

#include "data/printer.h"

#include <windows.h>
#include <x86intrin.h>

namespace {

const DWORD RealtimePriorityClass = 256;
const int TimeCriticalPriority = 15;
const DWORD CalibrationSleepMs = 100;

Timer::TickSource sm_TickSource = nullptr;
LARGE_INTEGER sm_Frequency;
DWORD sm_SavedPriorityClass = 0;
int sm_SavedThreadPriority = 0;

uint64_t ClockTicks() {
    if (Timer::sm_PerformanceCounter > 1) {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        return (uint64_t)now.QuadPart;
    }
    return timeGetTime();
}

// Every x64 processor has the time-stamp counter; only its rate needs measuring.
void Calibrate() {
    Timer::sm_PerformanceCounter = 1 + QueryPerformanceFrequency(&sm_Frequency);
    if (Timer::sm_PerformanceCounter > 1 && sm_Frequency.QuadPart) {
        Timer::sm_SecondsPerTick = 1.0f / (float)sm_Frequency.QuadPart;
    } else {
        Timer::sm_PerformanceCounter = 1;
        Timer::sm_SecondsPerTick = 0.001f;
    }
    Timer::sm_MsPerTick = Timer::sm_SecondsPerTick * 1000.0f;

    uint64_t ticks = ClockTicks();
    uint64_t cycles = __rdtsc();
    Sleep(CalibrationSleepMs);
    float elapsedMs = (float)(ClockTicks() - ticks) * Timer::sm_MsPerTick;
    uint64_t cycleCount = __rdtsc() - cycles;
    if (cycleCount && elapsedMs > 0) {
        Timer::sm_MsPerCycle = elapsedMs / (float)cycleCount;
        Timer::sm_CyclesPerMicrosecond = 0.001f / Timer::sm_MsPerCycle;
    }
}

}  // namespace

float Timer::sm_SecondsPerTick = 0;
float Timer::sm_MsPerTick = 0;
uint32_t Timer::sm_PerformanceCounter = 0;
float Timer::sm_MsPerCycle = 0;
float Timer::sm_CyclesPerMicrosecond = 0;

Timer::Timer() {
    if (sm_SecondsPerTick == 0) {
        Calibrate();
    }
    m_Start = Ticks();
}

uint64_t Timer::Ticks() { return sm_TickSource ? sm_TickSource() : ClockTicks(); }

uint64_t Timer::Cycles() { return sm_MsPerCycle != 0 ? __rdtsc() : 0; }

Timer::TickSource Timer::SetTickSource(TickSource source) {
    TickSource old = sm_TickSource;
    sm_TickSource = source;
    return old;
}

void RaisePriority() {
    HANDLE process = GetCurrentProcess();
    HANDLE thread = GetCurrentThread();
    sm_SavedPriorityClass = GetPriorityClass(process);
    sm_SavedThreadPriority = GetThreadPriority(thread);
    if (!SetPriorityClass(process, RealtimePriorityClass)) {
        PrintError("SetPriorityClass failed.");
    }
    if (!SetThreadPriority(thread, TimeCriticalPriority)) {
        PrintError("SetThreadPriority failed.");
    }
}

void RestorePriority() {
    SetPriorityClass(GetCurrentProcess(), sm_SavedPriorityClass);
    SetThreadPriority(GetCurrentThread(), sm_SavedThreadPriority);
}
