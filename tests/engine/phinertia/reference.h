#ifndef TESTS_ENGINE_PHINERTIA_REFERENCE_H
#define TESTS_ENGINE_PHINERTIA_REFERENCE_H

#include <cmath>
#include <random>

#include <gtest/gtest.h>

#include "phinertia/inertia.h"
#include "vector/matrix34.h"

// Double-precision rigid-body arithmetic for checking the float code, and random bodies
// from a fixed seed. Matrices are 3x3, row-major; vectors multiply them from the left as the
// engine's rows do.
struct DVec {
    double x = 0.0, y = 0.0, z = 0.0;

    DVec() {}
    DVec(double x, double y, double z) : x(x), y(y), z(z) {}
    explicit DVec(const Vector3& v) : x(v.x), y(v.y), z(v.z) {}
    DVec operator+(const DVec& b) const { return DVec(x + b.x, y + b.y, z + b.z); }
    DVec operator-(const DVec& b) const { return DVec(x - b.x, y - b.y, z - b.z); }
    DVec operator*(double s) const { return DVec(x * s, y * s, z * s); }
    double Dot(const DVec& b) const { return x * b.x + y * b.y + z * b.z; }
    DVec Cross(const DVec& b) const {
        return DVec(y * b.z - z * b.y, z * b.x - x * b.z, x * b.y - y * b.x);
    }
    double Mag() const { return std::sqrt(Dot(*this)); }
};

struct DMat {
    DVec r[3];

    static DMat Rows(const Matrix34& m) {
        DMat out;
        out.r[0] = DVec(m.a);
        out.r[1] = DVec(m.b);
        out.r[2] = DVec(m.c);
        return out;
    }
    static DMat Diagonal(const DVec& d) {
        DMat out;
        out.r[0] = DVec(d.x, 0, 0);
        out.r[1] = DVec(0, d.y, 0);
        out.r[2] = DVec(0, 0, d.z);
        return out;
    }
    DMat Transposed() const {
        DMat out;
        out.r[0] = DVec(r[0].x, r[1].x, r[2].x);
        out.r[1] = DVec(r[0].y, r[1].y, r[2].y);
        out.r[2] = DVec(r[0].z, r[1].z, r[2].z);
        return out;
    }
    DMat operator*(const DMat& b) const {
        DMat out;
        for (int i = 0; i < 3; ++i) {
            out.r[i] = b.r[0] * r[i].x + b.r[1] * r[i].y + b.r[2] * r[i].z;
        }
        return out;
    }
    DMat operator+(const DMat& b) const {
        DMat out;
        for (int i = 0; i < 3; ++i) {
            out.r[i] = r[i] + b.r[i];
        }
        return out;
    }
    double At(int i, int j) const {
        const DVec& row = r[i];
        return j == 0 ? row.x : j == 1 ? row.y : row.z;
    }
    // v·M.
    friend DVec operator*(const DVec& v, const DMat& m) {
        return m.r[0] * v.x + m.r[1] * v.y + m.r[2] * v.z;
    }
    DMat Inverse() const {
        DVec c0 = r[1].Cross(r[2]);
        DVec c1 = r[2].Cross(r[0]);
        DVec c2 = r[0].Cross(r[1]);
        double det = r[0].Dot(c0);
        DMat adj;
        adj.r[0] = c0 * (1.0 / det);
        adj.r[1] = c1 * (1.0 / det);
        adj.r[2] = c2 * (1.0 / det);
        return adj.Transposed();
    }
};

// The world inverse inertia Rᵀ·diag(1/I)·R and the velocity change of a point of a body per
// unit impulse at another: Δv = J/m + (J·I⁻¹_w applied to the arm) × arm.
inline DMat WorldInverseInertia(const phInertialCS& body) {
    DMat r = DMat::Rows(body.Matrix);
    DVec inverse(1.0 / body.AngInertia.x, 1.0 / body.AngInertia.y, 1.0 / body.AngInertia.z);
    return r.Transposed() * DMat::Diagonal(inverse) * r;
}

inline DVec VelocityChange(const phInertialCS& body, const DVec& impulse, const DVec& at,
                           const DVec& point) {
    DVec position(body.Matrix.d);
    DVec angular = (at - position).Cross(impulse) * WorldInverseInertia(body);
    return impulse * (1.0 / body.Mass) + angular.Cross(point - position);
}

inline void ExpectNear(const Vector3& actual, const DVec& expected, double tolerance) {
    double scale = 1.0 + expected.Mag();
    EXPECT_NEAR(actual.x, expected.x, tolerance * scale);
    EXPECT_NEAR(actual.y, expected.y, tolerance * scale);
    EXPECT_NEAR(actual.z, expected.z, tolerance * scale);
}

// Velocities with the momenta that the integration reads.
inline void SetMotion(phInertialCS& body, const Vector3& velocity, const Vector3& angVelocity) {
    body.Velocity = velocity;
    body.Momentum = velocity * body.Mass;
    body.AngVelocity = angVelocity;
    Matrix34 inertia;
    body.GetWorldInertia(inertia);
    body.AngMomentum =
        inertia.a * angVelocity.x + inertia.b * angVelocity.y + inertia.c * angVelocity.z;
}

inline bool IsFinite(const Vector3& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

inline bool IsFinite(const Matrix34& m) {
    return IsFinite(m.a) && IsFinite(m.b) && IsFinite(m.c) && IsFinite(m.d);
}

// Random bodies for the comparisons.
class RandomBodies {
public:
    explicit RandomBodies(unsigned seed) : m_Engine(seed) {}

    float Uniform(float low, float high) {
        return std::uniform_real_distribution<float>(low, high)(m_Engine);
    }
    Vector3 Vector(float extent) {
        return Vector3(Uniform(-extent, extent), Uniform(-extent, extent),
                       Uniform(-extent, extent));
    }
    Vector3 Unit() {
        Vector3 v;
        do {
            v = Vector(1.0f);
        } while (v.Mag2() < 0.01f || v.Mag2() > 1.0f);
        v.Normalize();
        return v;
    }
    Matrix34 Rotation() {
        Matrix34 m;
        m.Identity();
        m.RotateUnitAxis(Unit(), Uniform(-3.0f, 3.0f));
        return m;
    }
    // A box-like body of random mass, size and pose.
    void Body(phInertialCS& body) {
        body.InitBox(Uniform(0.5f, 20.0f), Uniform(0.2f, 3.0f), Uniform(0.2f, 3.0f),
                     Uniform(0.2f, 3.0f));
        body.Matrix = Rotation();
        body.Matrix.d = Vector(5.0f);
    }

private:
    std::mt19937 m_Engine;
};

#endif
