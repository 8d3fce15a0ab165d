#ifndef DATA_TIMER_H
#define DATA_TIMER_H

#include <cstdint>

// Elapsed time in ticks of the performance counter (the multimedia clock when there is none).
// Ticks are kept whole: at the 10 MHz of some counters 32 bits wrap after seven minutes.
// Elapsed seconds are (Ticks() - m_Start) * sm_SecondsPerTick.
class Timer {
public:
    Timer();
    void Reset() { m_Start = Ticks(); }

    static uint64_t Ticks();
    // The processor's time-stamp counter, or 0 when calibration could not scale it.
    static uint64_t Cycles();

    // Replaces the tick source (tests drive time by hand); null restores the counter.
    typedef uint64_t (*TickSource)();
    static TickSource SetTickSource(TickSource source);

    uint64_t m_Start;

    static float sm_SecondsPerTick;
    static float sm_MsPerTick;
    static uint32_t sm_PerformanceCounter;  // 1 + the frequency query's result: 1 means none
    static float sm_MsPerCycle;
    static float sm_CyclesPerMicrosecond;
};

void RaisePriority();
void RestorePriority();

#endif
