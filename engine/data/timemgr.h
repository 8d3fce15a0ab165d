#ifndef DATA_TIMEMGR_H
#define DATA_TIMEMGR_H

#include <cstdint>

// Process-wide frame time for simulation: a frame loop calls Update once per frame; everyone
// reads Seconds and FPS.
class datTimeManager {
public:
    static void Init();
    static void Update();
    static void SetMaxFPS(float fps);
    static void SetFixed(float fps, int over);
    static void SlowMotion(bool on, float divisor);

    static float Seconds;
    static float FPS;
    static float sm_RawSeconds;
    static float sm_FixedFPS;
    static float sm_FixedSeconds;  // fixed step, and the cap of a slow frame; 0: no cap
    static float sm_MaxSeconds;
    static float sm_MinSeconds;
    static int sm_Over;
    static float sm_ElapsedTime;
    static float sm_PrevElapsedTime;
    static uint32_t sm_FrameCount;
    static bool sm_FirstFrame;
    static bool sm_FixedMode;
    static bool sm_Paused;
    static bool sm_Banner;  // frame banner in the log between frames that printed something
    static bool sm_InSlowMotion;
    static float sm_NormalSeconds;  // Seconds outside slow motion
};

#endif
