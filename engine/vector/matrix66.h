#ifndef VECTOR_MATRIX66_H
#define VECTOR_MATRIX66_H

#include "vector/matrix33.h"

// The 6x6 matrix [A B; C D] acting on a pair of Vector3 (linear and angular parts).
struct Matrix66 {
    Matrix33 A, B, C, D;

    void Set(const Matrix33& a, const Matrix33& b, const Matrix33& c, const Matrix33& d);
    void Set(const Matrix66& m);
    void Add(const Matrix66& m);
    void Add(const Matrix66& m1, const Matrix66& m2);
    void Subtract(const Matrix66& m);
    void Subtract(const Matrix66& m1, const Matrix66& m2);
    void Dot(const Matrix66& m);
    void Transpose();
    void Inverse();
    void Inverse(const Matrix66& m);
};

#endif
