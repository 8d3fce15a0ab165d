#include "vector/random.h"

namespace {

const uint32_t Multiplier = 214013u;
const uint32_t Increment = 2531011u;
const float Scale = 3.0517578e-5f;

uint32_t sm_Seed = 0;
uint32_t sm_SideSeed = 0;
uint32_t sm_SavedSeed = 0;
RandomHookFunc sm_Hook = nullptr;
RandomHookFunc sm_SavedHook = nullptr;

uint32_t Step(uint32_t seed) {
    return seed * Multiplier + Increment;
}

int32_t Output(uint32_t seed) {
    return (int32_t)((seed >> 16) & 0x7FFF);
}

}  // namespace

int32_t RandomNext() {
    if (sm_Hook) {
        sm_Hook();
    }
    sm_Seed = Step(sm_Seed);
    return Output(sm_Seed);
}

float RandomFloat() {
    return (float)RandomNext() * Scale;
}

int32_t RandomHash(uint32_t x) {
    return Output(Step(x));
}

float RandomHashFloat(uint32_t x) {
    return (float)RandomHash(x) * Scale;
}

void RandomSave() {
    sm_SavedSeed = sm_Seed;
    sm_Seed = sm_SideSeed;
    sm_SavedHook = sm_Hook;
    sm_Hook = nullptr;
}

void RandomRestore() {
    sm_SideSeed = sm_Seed;
    sm_Seed = sm_SavedSeed;
    sm_Hook = sm_SavedHook;
}

void RandomReset() {
    sm_Seed = 1;
}

RandomHookFunc SetRandomHook(RandomHookFunc hook) {
    RandomHookFunc old = sm_Hook;
    sm_Hook = hook;
    return old;
}
