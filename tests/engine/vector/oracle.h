#ifndef TESTS_ENGINE_VECTOR_ORACLE_H
#define TESTS_ENGINE_VECTOR_ORACLE_H

// Double-precision references for the differential tests of the math module, written plainly
// and independently of the code under test, with a seeded generator of cases.

#include "vector/vector3.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <vector>

// One step of float rounding.
const double FloatStep = FLT_EPSILON;

struct Dvec {
    double x, y, z;
};

inline Dvec D(const Vector3& v) { return {v.x, v.y, v.z}; }
inline Dvec operator+(Dvec a, Dvec b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Dvec operator-(Dvec a, Dvec b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Dvec operator*(Dvec a, double s) { return {a.x * s, a.y * s, a.z * s}; }
inline double Dot(Dvec a, Dvec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Dvec Cross(Dvec a, Dvec b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double Length(Dvec a) { return std::sqrt(Dot(a, a)); }
inline Dvec Unit(Dvec a) { return a * (1.0 / Length(a)); }
inline double Largest(Dvec a) { return std::max({std::fabs(a.x), std::fabs(a.y), std::fabs(a.z)}); }

// Seeded generator, the same on every run and every library.
class CaseRandom {
public:
    explicit CaseRandom(uint32_t seed) : m_State(seed * 2654435761u + 1u) {}
    uint32_t Next() {
        m_State ^= m_State << 13;
        m_State ^= m_State >> 17;
        m_State ^= m_State << 5;
        return m_State;
    }
    double Uniform(double low, double high) { return low + (high - low) * (Next() / 4294967296.0); }
    // 10 to a power uniform in low..high, with a random sign when signed.
    double Magnitude(double low, double high, bool sign = false) {
        double m = std::pow(10.0, Uniform(low, high));
        return sign && (Next() & 1) ? -m : m;
    }
    Dvec UnitVector() {
        for (;;) {
            Dvec v = {Uniform(-1, 1), Uniform(-1, 1), Uniform(-1, 1)};
            double l = Length(v);
            if (l > 0.1 && l <= 1.0) {
                return v * (1.0 / l);
            }
        }
    }
    Vector3 Floats(Dvec v) { return Vector3((float)v.x, (float)v.y, (float)v.z); }

private:
    uint32_t m_State;
};

// Row-major square matrices of any size in double.
typedef std::vector<double> Dmatrix;

inline Dmatrix Multiply(const Dmatrix& a, const Dmatrix& b, int n) {
    Dmatrix r(n * n, 0.0);
    for (int i = 0; i < n; ++i) {
        for (int k = 0; k < n; ++k) {
            for (int j = 0; j < n; ++j) {
                r[i * n + j] += a[i * n + k] * b[k * n + j];
            }
        }
    }
    return r;
}

// Inverse by Gauss-Jordan with full rows swapped on the largest pivot; empty when singular.
inline Dmatrix Invert(Dmatrix a, int n) {
    Dmatrix r(n * n, 0.0);
    for (int i = 0; i < n; ++i) {
        r[i * n + i] = 1.0;
    }
    for (int col = 0; col < n; ++col) {
        int pivot = col;
        for (int row = col + 1; row < n; ++row) {
            if (std::fabs(a[row * n + col]) > std::fabs(a[pivot * n + col])) {
                pivot = row;
            }
        }
        if (a[pivot * n + col] == 0.0) {
            return Dmatrix();
        }
        for (int k = 0; k < n; ++k) {
            std::swap(a[pivot * n + k], a[col * n + k]);
            std::swap(r[pivot * n + k], r[col * n + k]);
        }
        double f = 1.0 / a[col * n + col];
        for (int k = 0; k < n; ++k) {
            a[col * n + k] *= f;
            r[col * n + k] *= f;
        }
        for (int row = 0; row < n; ++row) {
            double g = a[row * n + col];
            if (row != col && g != 0.0) {
                for (int k = 0; k < n; ++k) {
                    a[row * n + k] -= g * a[col * n + k];
                    r[row * n + k] -= g * r[col * n + k];
                }
            }
        }
    }
    return r;
}

inline double MaxAbs(const Dmatrix& a) {
    double m = 0.0;
    for (double v : a) {
        m = std::max(m, std::fabs(v));
    }
    return m;
}

// A random orthogonal matrix: Gram-Schmidt on random columns.
inline Dmatrix RandomOrthogonal(CaseRandom& random, int n) {
    Dmatrix q(n * n);
    for (int j = 0; j < n; ++j) {
        for (;;) {
            std::vector<double> v(n);
            for (double& e : v) {
                e = random.Uniform(-1, 1);
            }
            for (int k = 0; k < j; ++k) {
                double d = 0.0;
                for (int i = 0; i < n; ++i) {
                    d += v[i] * q[i * n + k];
                }
                for (int i = 0; i < n; ++i) {
                    v[i] -= d * q[i * n + k];
                }
            }
            double l = 0.0;
            for (double e : v) {
                l += e * e;
            }
            l = std::sqrt(l);
            if (l > 0.1) {
                for (int i = 0; i < n; ++i) {
                    q[i * n + j] = v[i] / l;
                }
                break;
            }
        }
    }
    return q;
}

// U·diag(σ)·V with singular values from 1 down to 1/condition, times scale.
inline Dmatrix RandomConditioned(CaseRandom& random, int n, double condition, double scale) {
    Dmatrix s(n * n, 0.0);
    for (int i = 0; i < n; ++i) {
        s[i * n + i] = scale * std::pow(condition, -(double)i / (n - 1));
    }
    return Multiply(Multiply(RandomOrthogonal(random, n), s, n), RandomOrthogonal(random, n), n);
}

// Condition number in the max-row-sum norm.
inline double Condition(const Dmatrix& a, const Dmatrix& inverse, int n) {
    auto norm = [n](const Dmatrix& m) {
        double largest = 0.0;
        for (int i = 0; i < n; ++i) {
            double sum = 0.0;
            for (int j = 0; j < n; ++j) {
                sum += std::fabs(m[i * n + j]);
            }
            largest = std::max(largest, sum);
        }
        return largest;
    };
    return norm(a) * norm(inverse);
}

// The monic polynomial x^n + c[0]·x^(n−1) + … + c[n−1] and its derivative.
inline double Poly(const std::vector<double>& c, double x) {
    double v = 1.0;
    for (double k : c) {
        v = v * x + k;
    }
    return v;
}

inline double PolySlope(const std::vector<double>& c, double x) {
    double v = 1.0;
    double s = 0.0;
    for (double k : c) {
        s = s * x + v;
        v = v * x + k;
    }
    return s;
}

// Σ|c_i|·|x|^i: the size of the terms, against which rounding of the coefficients is measured.
inline double PolyScale(const std::vector<double>& c, double x) {
    double v = 1.0;
    for (double k : c) {
        v = v * std::fabs(x) + std::fabs(k);
    }
    return v;
}

// Root of p between lo and hi, where p changes sign, by bisection to the last bit.
inline double Bisect(const std::vector<double>& c, double lo, double hi) {
    double flo = Poly(c, lo);
    for (int i = 0; i < 2000 && lo < hi; ++i) {
        double mid = lo + (hi - lo) / 2.0;
        if (mid <= lo || mid >= hi) {
            break;
        }
        double fm = Poly(c, mid);
        if ((fm < 0.0) == (flo < 0.0)) {
            lo = mid;
            flo = fm;
        } else {
            hi = mid;
        }
    }
    return lo + (hi - lo) / 2.0;
}

// The real roots of the monic polynomial where it changes sign, in order; its critical
// points (roots of the derivative) split the line into monotone pieces. near is set when a
// critical value lies within the rounding of the coefficients, where the count of real roots
// is not settled by float coefficients.
inline std::vector<double> RealRoots(const std::vector<double>& c, bool* near = nullptr) {
    int n = (int)c.size();
    if (near) {
        *near = false;
    }
    if (n == 1) {
        return {-c[0]};
    }
    std::vector<double> slope(n - 1);
    for (int i = 0; i < n - 1; ++i) {
        slope[i] = c[i] * (n - 1 - i) / n;
    }
    std::vector<double> critical = RealRoots(slope);
    double bound = 1.0;
    for (double k : c) {
        bound = std::max(bound, 1.0 + std::fabs(k));
    }
    std::vector<double> edges = {-bound};
    for (double x : critical) {
        edges.push_back(x);
        if (near && std::fabs(Poly(c, x)) <= 1024.0 * FloatStep * PolyScale(c, x)) {
            *near = true;
        }
    }
    edges.push_back(bound);
    std::vector<double> roots;
    for (size_t i = 0; i + 1 < edges.size(); ++i) {
        double a = Poly(c, edges[i]);
        double b = Poly(c, edges[i + 1]);
        if ((a < 0.0) != (b < 0.0) && a != 0.0) {
            roots.push_back(Bisect(c, edges[i], edges[i + 1]));
        } else if (a == 0.0 && (i == 0 || roots.empty() || roots.back() != edges[i])) {
            roots.push_back(edges[i]);
        }
    }
    return roots;
}

// How far a float root may lie from the true one: a few float steps of the coefficients,
// divided by the slope (the condition of a simple root), plus a few steps of the root itself.
inline double RootTolerance(const std::vector<double>& c, double x, double steps) {
    double slope = std::fabs(PolySlope(c, x));
    return steps * FloatStep * (PolyScale(c, x) / slope + std::fabs(x));
}

#endif
