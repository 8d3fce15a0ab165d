#ifndef TESTS_SUPPORT_FAILINGWRITES_H
#define TESTS_SUPPORT_FAILINGWRITES_H

#include "data/stream.h"

// While it lives, files written through the stream layer are real files, but every write past
// the first allowed bytes fails, as on a full disk.
class FailingWrites {
public:
    explicit FailingWrites(int allowed = 0) : m_Previous(StreamWriteDevice) {
        Allowed() = allowed;
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
    static int Write(uintptr_t handle, const void* buffer, int count) {
        if (count > Allowed()) {
            Allowed() = 0;
            return -1;
        }
        Allowed() -= count;
        return Win32FileDevice.Write(handle, buffer, count);
    }
    static StreamDevice Failing() {
        StreamDevice device = Win32FileDevice;
        device.Write = Write;
        return device;
    }

    const StreamDevice* m_Previous;
};

#endif
