#ifndef TESTS_ENGINE_INPUT_EVENTS_H
#define TESTS_ENGINE_INPUT_EVENTS_H

#include <vector>

#include "input/event.h"

// Takes every pending event, oldest first.
inline std::vector<inpEvent> TakeAll() {
    std::vector<inpEvent> events;
    inpEvent event;
    while (inpGetEvent(event)) {
        events.push_back(event);
    }
    return events;
}

#endif
