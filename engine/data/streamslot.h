#ifndef DATA_STREAMSLOT_H
#define DATA_STREAMSLOT_H

#include "data/stream.h"

// Takes the first free slot for a handle that a device has already opened, or prints the
// open-file list and "Out of file handles." and gives null. Names longer than the slot holds
// are cut.
Stream* StreamAttach(const char* name, const StreamDevice* device, uintptr_t handle);

#endif
