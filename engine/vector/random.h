#ifndef VECTOR_RANDOM_H
#define VECTOR_RANDOM_H

#include <cstdint>

// One process-wide generator (the common C library's constants and output bits) with a side
// stream, so that bursts of effect randomness do not shift the sequence the rest sees.

typedef void (*RandomHookFunc)();

int32_t RandomNext();
float RandomFloat();
int32_t RandomHash(uint32_t x);
float RandomHashFloat(uint32_t x);
// Brackets a burst of side-stream draws; calls do not nest.
void RandomSave();
void RandomRestore();
void RandomReset();
// Called before every draw when set; returns the hook it replaces.
RandomHookFunc SetRandomHook(RandomHookFunc hook);

#endif
