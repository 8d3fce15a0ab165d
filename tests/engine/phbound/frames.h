#ifndef TESTS_ENGINE_PHBOUND_FRAMES_H
#define TESTS_ENGINE_PHBOUND_FRAMES_H

#include <random>

#include "vector/matrix34.h"

// A rotation about a random axis by a random angle, placed at position.
inline Matrix34 RandomRotation(std::mt19937& rng, const Vector3& position) {
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    Vector3 axis(unit(rng), unit(rng), unit(rng));
    axis.Normalize();
    Matrix34 m;
    m.MakeRotateUnitAxis(axis, 3.14159f * unit(rng));
    m.d = position;
    return m;
}

#endif
