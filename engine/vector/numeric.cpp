#include "vector/numeric.h"

#include "data/assert.h"

#include <algorithm>
#include <cmath>

namespace {

const double Pi = 3.14159265358979323846;
const double Root3 = 1.73205080756887729353;

// Newton steps on the monic polynomial x^degree + coefficients[0]·x^(degree−1) + … , in double
// so that the steps add no rounding of their own; a step is kept only while it brings the
// polynomial closer to zero, so a root that is already as good as a float can be stays.
double PolishRoot(double root, const double* coefficients, int degree) {
    const int MaxSteps = 8;
    double x = root;
    double value = 0.0;
    double slope = 0.0;
    auto evaluate = [&](double at) {
        value = 1.0;
        slope = 0.0;
        for (int i = 0; i < degree; ++i) {
            slope = slope * at + value;
            value = value * at + coefficients[i];
        }
    };
    evaluate(x);
    for (int step = 0; step < MaxSteps && value != 0.0 && slope != 0.0; ++step) {
        double next = x - value / slope;
        double size = std::fabs(value);
        evaluate(next);
        if (!(std::fabs(value) < size)) {
            break;
        }
        x = next;
    }
    return x;
}

}  // namespace

void RotationToMatrix(const Vector3& rotation, Matrix34& m) {
    float angle = rotation.Mag();
    Assert(angle != 0.0f);
    m.MakeRotateUnitAxis(rotation * (1.0f / angle), angle);
}

void QuaternionToMatrix33(const Quaternion& q, Matrix33& m) {
    float i = q.i;
    float j = q.j;
    float k = q.k;
    float r = q.r;
    m.a.Set(2.0f * i * i + 2.0f * r * r - 1.0f, 2.0f * (i * j + r * k), 2.0f * (i * k - j * r));
    m.b.Set(2.0f * (i * j - r * k), 2.0f * j * j + 2.0f * r * r - 1.0f, 2.0f * (j * k + r * i));
    m.c.Set(2.0f * (i * k + j * r), 2.0f * (j * k - r * i), 2.0f * k * k + 2.0f * r * r - 1.0f);
}

void MatrixFromPosRot(Matrix34& m, const Vector3& position, const Vector3& rotation) {
    m.Identity();
    // A vector too short for its length to show in float turns nothing and has no axis.
    if (rotation.Mag() != 0.0f) {
        RotationToMatrix(rotation, m);
    }
    m.d = position;
}

void RotateByVector(Matrix34& m, const Vector3& rotation) {
    float angle = rotation.Mag();
    // As in MatrixFromPosRot: no turn, and no division by a zero length.
    if (angle == 0.0f) {
        return;
    }
    m.RotateUnitAxis(rotation * (1.0f / angle), angle);
}

void OrthonormalizeIterate(Vector3& a, Vector3& b, Vector3& c, Vector3* v) {
    // Finite rows need at most two turns; the bound keeps NaN rows from turning forever.
    for (int turn = 0; turn < 2; ++turn) {
        if ((c - a).Dot(b - a) >= 0.0f && (c - b).Dot(a - b) >= 0.0f) {
            return;
        }
        Vector3 first = a;
        a = b;
        b = c;
        c = first;
        if (v) {
            v->Set(v->y, v->z, v->x);
        }
    }
}

namespace {

// CubeRoot and AngleOf in the precision of Real: the cubic is solved in double. In float
// the constants round to the values the system has always used.
template <typename Real>
Real CubeRootOf(Real x) {
    if (x > 0) {
        return std::pow(x, Real(1) / Real(3));
    }
    if (x < 0) {
        return -std::pow(-x, Real(1) / Real(3));
    }
    return 0;
}

template <typename Real>
Real AngleOfPoint(Real y, Real x) {
    if (x > 0) {
        return std::atan(y / x);
    }
    if (x < 0) {
        return Real(Pi) - std::atan(-y / x);
    }
    return y <= 0 ? -Real(Pi / 2) : Real(Pi / 2);
}

}  // namespace

float CubeRoot(float x) {
    return CubeRootOf(x);
}

float AngleOf(float y, float x) {
    return AngleOfPoint(y, x);
}

namespace {

// SolveQuadratic in the precision of Real: the quartic solves its factors in double.
template <typename Real>
int QuadraticRoots(Real b, Real c, Real& r1, Real& r2, Real tolerance) {
    Real d = b * b / 4 - c;
    Real epsilon = c * tolerance;
    if (d > epsilon) {
        Real root = std::sqrt(d);
        // The root of larger size first, without cancellation; the other from the product of
        // the roots, c, rather than from −b/2 ± √d, which cancels when c is small.
        Real large = b > 0 ? -b / 2 - root : -b / 2 + root;
        Real small = c / large;
        r1 = std::fmin(large, small);
        r2 = std::fmax(large, small);
        return 2;
    }
    if (d < -epsilon) {
        return 0;
    }
    r1 = -b / 2;
    return 1;
}

}  // namespace

int SolveQuadratic(float b, float c, float& r1, float& r2, float tolerance) {
    return QuadraticRoots(b, c, r1, r2, tolerance);
}

namespace {

// Cardano's formulas, with the trigonometric branch for three roots, in double: in float the
// discriminant p³ + q² cancels to noise when the roots differ much in size, and the count
// goes wrong with it.
int CardanoRoots(double a, double b, double c, double roots[3], double tolerance) {
    double q = a * b / 6.0 - c / 2.0 - a * a * a / 27.0;
    double p = b / 3.0 - a * a / 9.0;
    double discriminant = p * p * p + q * q;
    double epsilon = q * q * tolerance;
    double third = a / 3.0;
    if (discriminant > epsilon) {
        double root = std::sqrt(discriminant);
        roots[0] = CubeRootOf(q + root) + CubeRootOf(q - root) - third;
        return 1;
    }
    if (discriminant < -epsilon) {
        double s = std::sqrt(-discriminant);
        if (q != 0.0) {
            double theta = AngleOfPoint(s, q) / 3.0;
            double rho = CubeRootOf(std::sqrt(q * q - discriminant));
            double cosine = rho * std::cos(theta);
            double sine = Root3 * rho * std::sin(theta);
            roots[0] = 2.0 * cosine - third;
            roots[1] = -third - cosine - sine;
            roots[2] = -third - cosine + sine;
        } else {
            double spread = Root3 * CubeRootOf(s);
            roots[0] = -third;
            roots[1] = -third - spread;
            roots[2] = -third + spread;
        }
        return 3;
    }
    if (q != 0.0) {
        double u = CubeRootOf(q);
        roots[0] = 2.0 * u - third;
        roots[1] = -third - u;
        return 2;
    }
    roots[0] = -third;
    return 1;
}

}  // namespace

int SolveCubic(float a, float b, float c, float& r1, float& r2, float& r3, float tolerance) {
    double roots[3] = {0.0, 0.0, 0.0};
    int count = CardanoRoots(a, b, c, roots, tolerance);
    // The formulas still cancel (two close cube roots, a small root beside −a/3 of a large
    // one): every root is polished on the cubic itself.
    const double coefficients[3] = {a, b, c};
    float* out[3] = {&r1, &r2, &r3};
    for (int i = 0; i < count; ++i) {
        *out[i] = (float)PolishRoot(roots[i], coefficients, 3);
    }
    return count;
}

int SolveQuartic(float a, float b, float c, float d, float roots[4], float tolerance) {
    // Depressed form y⁴ + p·y² + q·y + r with x = y − a/4, in double: the resolvent and the
    // split below cancel heavily in float.
    double shift = -(double)a / 4.0;
    double a2 = (double)a * a;
    double p = b - 3.0 * a2 / 8.0;
    double q = c - (double)a * b / 2.0 + a2 * a / 8.0;
    double r = d - (double)a * c / 4.0 + a2 * b / 16.0 - 3.0 * a2 * a2 / 256.0;

    // Resolvent z³ − (p/2)·z² − r·z + (p·r/2 − q²/8): its largest real root z makes
    // (y² + z)² − (m·y − n)² the quartic, with m² = 2z − p, n² = z² − r and 2mn = q; that
    // root is at least p/2, so m² is not negative.
    const double resolvent[3] = {-p / 2.0, -r, p * r / 2.0 - q * q / 8.0};
    double z3[3] = {0.0, 0.0, 0.0};
    int found = CardanoRoots(resolvent[0], resolvent[1], resolvent[2], z3, tolerance);
    // Rounding can hide a double root at p/2 from the count: the root taken is never below it.
    double z = PolishRoot(std::fmax(*std::max_element(z3, z3 + found), p / 2.0), resolvent, 3);
    double m2 = std::fmax(2.0 * z - p, 0.0);
    double n2 = std::fmax(z * z - r, 0.0);
    double m = 0.0;
    double n = 0.0;
    // Of m and n the one whose square cancels less is taken from it, the other from 2mn = q.
    if (m2 * (z * z + std::fabs(r)) > n2 * (2.0 * std::fabs(z) + std::fabs(p))) {
        m = std::sqrt(m2);
        n = q / (2.0 * m);
    } else {
        n = q < 0.0 ? -std::sqrt(n2) : std::sqrt(n2);
        m = n != 0.0 ? q / (2.0 * n) : 0.0;
    }

    const double quartic[4] = {a, b, c, d};
    int count = 0;
    // The factors y² + σ·m·y + z − σ·n, solved in x = y + shift: roots that lie close
    // together after the shift (a large root beside small ones) stay apart in x.
    for (int sign = -1; sign <= 1; sign += 2) {
        double b2 = sign * m - 2.0 * shift;
        double c2 = shift * shift - sign * m * shift + z - sign * n;
        double r1 = 0.0;
        double r2 = 0.0;
        int quadratic = QuadraticRoots(b2, c2, r1, r2, (double)tolerance);
        const double factorRoots[2] = {r1, r2};
        for (int i = 0; i < quadratic; ++i) {
            roots[count++] = (float)PolishRoot(factorRoots[i], quartic, 4);
        }
    }
    return count;
}

float ArrivalAccel(float time, float start, float startSpeed, float target, float targetSpeed) {
    float delta = target - start;
    float speeds = startSpeed + targetSpeed;
    if (speeds != 0.0f) {
        float meanTime = 2.0f * delta / speeds;
        if (0.0f < meanTime && meanTime < time) {
            return (targetSpeed * targetSpeed - startSpeed * startSpeed) / (2.0f * delta);
        }
    }
    // No time left to arrive in: no acceleration rather than a division by zero.
    if (time <= 0.0f) {
        return 0.0f;
    }
    float half = time / 2.0f;
    return 2.0f * (delta - half * startSpeed) / (half * half);
}

void ArrivalAccel3(Vector3& accel, float time, const Vector3& start, const Vector3& startSpeed,
                   const Vector3& target, const Vector3& targetSpeed) {
    accel.Set(ArrivalAccel(time, start.x, startSpeed.x, target.x, targetSpeed.x),
              ArrivalAccel(time, start.y, startSpeed.y, target.y, targetSpeed.y),
              ArrivalAccel(time, start.z, startSpeed.z, target.z, targetSpeed.z));
}
