// The event ring: 32 slots, a read and a write index; the slots after the read index up to and
// including the write index hold the pending events.
#include "input/event.h"

namespace {

inpEvent sRing[inpRingSize];
uint32_t sRead;
uint32_t sWrite;

uint32_t Next(uint32_t index) {
    return (index + 1) % inpRingSize;
}

}  // namespace

void inpPostEvent(uint32_t type, int32_t x, int32_t y, uint32_t data) {
    if (sRead != sWrite && type == inpMouseMove && sRing[sWrite].type == inpMouseMove) {
        sRing[sWrite].x = x;
        sRing[sWrite].y = y;
        return;
    }
    if (Next(sWrite) == sRead) {
        return;
    }
    sWrite = Next(sWrite);
    sRing[sWrite] = inpEvent{type, x, y, data};
}

void inpPostCommand(uint32_t code) {
    inpPostEvent(inpCommand, 0, 0, code);
}

bool inpGetEvent(inpEvent& event) {
    if (sRead == sWrite) {
        return false;
    }
    sRead = Next(sRead);
    event = sRing[sRead];
    return true;
}

bool inpPeekEvent(inpEvent& event, uint32_t& cursor) {
    uint32_t slot = (sRead + cursor) % inpRingSize;
    if (slot == sWrite) {
        return false;
    }
    event = sRing[Next(slot)];
    ++cursor;
    return true;
}

void inpFlushEvents() {
    sRead = sWrite;
}
