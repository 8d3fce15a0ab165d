#ifndef TESTS_SUPPORT_FAILINGWRITES_H
#define TESTS_SUPPORT_FAILINGWRITES_H

#include "data/stream.h"

#include <algorithm>

// While it lives, files written through the stream layer are real files, but only the first
// allowed bytes go through, as on a full disk. The write that meets the end fails (Refuse) or,
// as Wine and many file systems do, takes what still fits and reports that shorter count (Short);
// later writes take nothing.
class FailingWrites {
public:
    enum Mode { Refuse, Short };

    explicit FailingWrites(int allowed = 0, Mode mode = Refuse) : m_Previous(StreamWriteDevice) {
        Allowed() = allowed;
        ShortCounts() = mode == Short;
        static StreamDevice device = Failing();
        StreamWriteDevice = &device;
    }
    ~FailingWrites() { StreamWriteDevice = m_Previous; }
    FailingWrites(const FailingWrites&) = delete;
    FailingWrites& operator=(const FailingWrites&) = delete;

private:
    static int& Allowed() {
        static int allowed;
        return allowed;
    }
    static bool& ShortCounts() {
        static bool shortCounts;
        return shortCounts;
    }
    static int Write(uintptr_t handle, const void* buffer, int count) {
        if (count > Allowed() && !ShortCounts()) {
            Allowed() = 0;
            return -1;
        }
        int taken = std::min(count, Allowed());
        Allowed() -= taken;
        return taken > 0 ? Win32FileDevice.Write(handle, buffer, taken) : 0;
    }
    static StreamDevice Failing() {
        StreamDevice device = Win32FileDevice;
        device.Write = Write;
        return device;
    }

    const StreamDevice* m_Previous;
};

#endif
