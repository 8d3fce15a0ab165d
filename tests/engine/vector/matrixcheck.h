#ifndef TESTS_ENGINE_VECTOR_MATRIXCHECK_H
#define TESTS_ENGINE_VECTOR_MATRIXCHECK_H

#include "vector/matrix34.h"

#include <gtest/gtest.h>

inline void ExpectVectorNear(const Vector3& v, const Vector3& w, float tolerance) {
    EXPECT_NEAR(v.x, w.x, tolerance);
    EXPECT_NEAR(v.y, w.y, tolerance);
    EXPECT_NEAR(v.z, w.z, tolerance);
}

inline void ExpectMatrixNear(const Matrix34& m, const Matrix34& n, float tolerance) {
    ExpectVectorNear(m.a, n.a, tolerance);
    ExpectVectorNear(m.b, n.b, tolerance);
    ExpectVectorNear(m.c, n.c, tolerance);
    ExpectVectorNear(m.d, n.d, tolerance);
}

inline bool SameBits(const Matrix34& m, const Matrix34& n) {
    return memcmp(&m, &n, sizeof(m)) == 0;
}

#endif
