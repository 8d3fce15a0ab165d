#ifndef PHINERTIA_SLEEP_H
#define PHINERTIA_SLEEP_H

#include <cstdint>

class bkBank;
class datCallback;
class phInertialCS;

// The rest monitor of one rigid body: after MaxTicks quiet ticks in a row the body is put to
// rest (no longer integrated); motion, a push or the wake time wakes it again.
class phSleep {
public:
    enum { RESTING = 0, AWAKE = 1, DEEP_REST = 2 };

    phSleep();
    phSleep(phInertialCS* body, void* owner);
    ~phSleep();
    phSleep(const phSleep&) = delete;
    phSleep& operator=(const phSleep&) = delete;

    void Init(phInertialCS* body, void* owner);
    void WakeUp();
    void Reset();
    void WakeAtCurrentTime();
    void PutToRest();
    // Once per simulation tick.
    void Update();
    // Takes ownership; called with 0 when the body is put to rest.
    void SetCallback(datCallback* callback);
    void AddWidgets(bkBank& bank);

    uint32_t Enabled;
    phInertialCS* Body;
    void* Owner;
    int32_t RestTicks;
    int32_t RestTickLimit;
    int32_t QuietTicks;
    int32_t MaxTicks;
    float VelTolerance2;
    float AngVelTolerance2;
    float WakeTime;
    int32_t State;
    datCallback* Callback;

private:
    bool IsQuiet() const;
};

#endif
