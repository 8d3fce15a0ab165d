#ifndef INPUT_EVENT_H
#define INPUT_EVENT_H

#include <cstdint>

// Input events in one ring of 32 slots, posted by the input window procedure and by bank
// buttons, read once per frame by the program's loop.

enum inpEventType : uint32_t {
    inpMouseMove = 0,
    inpLeftDown = 1,
    inpLeftUp = 2,
    inpRightDown = 3,
    inpRightUp = 4,
    inpMiddleDown = 5,
    inpMiddleUp = 6,
    inpKeyDown = 7,
    inpCharacter = 8,
    inpKeyUp = 9,
    inpCommand = 10
};

// Mouse events: client x and y and the buttons held (1 left, 2 right, 4 middle). Key events:
// the DirectInput key code in data, 0 for a key without one. Characters: the character code.
// Commands: the command code.
struct inpEvent {
    uint32_t type;
    int32_t x;
    int32_t y;
    uint32_t data;
};
static_assert(sizeof(inpEvent) == 16, "an event is four 32-bit words");

// The ring holds at most this many less one event.
const uint32_t inpRingSize = 32;

// A mouse move right after a mouse move only moves the newest event; a full ring drops the
// event.
void inpPostEvent(uint32_t type, int32_t x, int32_t y, uint32_t data);
void inpPostCommand(uint32_t code);
// Takes the oldest event; false when the ring is empty.
bool inpGetEvent(inpEvent& event);
// Copies the event cursor places after the oldest unread one and advances the cursor; false
// past the newest. The ring is left as it is.
bool inpPeekEvent(inpEvent& event, uint32_t& cursor);
// Drops every pending event: the frame loop's end of a peek pass.
void inpFlushEvents();

#endif
