#include "vector/numeric.h"

#include "data/assert.h"

#include <algorithm>
#include <cmath>

namespace {

const float Root3 = 1.7320508f;
const float HalfPi = 1.5707964f;

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

float CubeRoot(float x) {
    if (x > 0.0f) {
        return std::pow(x, 1.0f / 3.0f);
    }
    if (x < 0.0f) {
        return -std::pow(-x, 1.0f / 3.0f);
    }
    return 0.0f;
}

float AngleOf(float y, float x) {
    if (x > 0.0f) {
        return std::atan(y / x);
    }
    if (x < 0.0f) {
        return 3.1415927f - std::atan(-y / x);
    }
    return y <= 0.0f ? -HalfPi : HalfPi;
}

int SolveQuadratic(float b, float c, float& r1, float& r2, float tolerance) {
    float d = b * b / 4.0f - c;
    float epsilon = c * tolerance;
    if (d > epsilon) {
        float root = std::sqrt(d);
        r1 = -b / 2.0f - root;
        r2 = -b / 2.0f + root;
        return 2;
    }
    if (d < -epsilon) {
        return 0;
    }
    r1 = -b / 2.0f;
    return 1;
}

int SolveCubic(float a, float b, float c, float& r1, float& r2, float& r3, float tolerance) {
    float q = a * b / 6.0f - c / 2.0f - a * a * a * 0.037037f;
    float p = b / 3.0f - a * a / 9.0f;
    float discriminant = p * p * p + q * q;
    float epsilon = q * q * tolerance;
    float third = a / 3.0f;
    if (discriminant > epsilon) {
        float root = std::sqrt(discriminant);
        r1 = CubeRoot(q + root) + CubeRoot(q - root) - third;
        return 1;
    }
    if (discriminant < -epsilon) {
        float s = std::sqrt(-discriminant);
        if (q != 0.0f) {
            float theta = AngleOf(s, q) / 3.0f;
            float rho = CubeRoot(std::sqrt(q * q - discriminant));
            float cosine = rho * std::cos(theta);
            float sine = Root3 * rho * std::sin(theta);
            r1 = 2.0f * cosine - third;
            r2 = -third - cosine - sine;
            r3 = -third - cosine + sine;
        } else {
            float spread = Root3 * CubeRoot(s);
            r1 = -third;
            r2 = -third - spread;
            r3 = -third + spread;
        }
        return 3;
    }
    if (q != 0.0f) {
        float u = CubeRoot(q);
        r1 = 2.0f * u - third;
        r2 = -third - u;
        return 2;
    }
    r1 = -third;
    return 1;
}

namespace {

// Appends the real roots of y² + b·y + c, shifted by shift.
void AddQuadraticRoots(float b, float c, float shift, float tolerance, float roots[4], int& count) {
    float r1 = 0.0f;
    float r2 = 0.0f;
    int found = SolveQuadratic(b, c, r1, r2, tolerance);
    if (found >= 1) {
        roots[count++] = r1 + shift;
    }
    if (found == 2) {
        roots[count++] = r2 + shift;
    }
}

}  // namespace

int SolveQuartic(float a, float b, float c, float d, float roots[4], float tolerance) {
    // Depressed form y⁴ + p·y² + q·y + r with x = y − a/4.
    float shift = -a / 4.0f;
    float a2 = a * a;
    float p = b - 3.0f * a2 / 8.0f;
    float q = c - a * b / 2.0f + a2 * a / 8.0f;
    float r = d - a * c / 4.0f + a2 * b / 16.0f - 3.0f * a2 * a2 / 256.0f;
    int count = 0;

    // Resolvent z³ − (p/2)·z² − r·z + (p·r/2 − q²/8): its largest real root makes
    // (y² + z)² − ((2z − p)·y² − q·y + z² − r) split into two quadratics.
    float z[3] = {0.0f, 0.0f, 0.0f};
    int found = SolveCubic(-p / 2.0f, -r, p * r / 2.0f - q * q / 8.0f, z[0], z[1], z[2], tolerance);
    float largest = *std::max_element(z, z + found);
    float m2 = 2.0f * largest - p;
    if (m2 > 0.0f) {
        float m = std::sqrt(m2);
        float offset = q / (2.0f * m);
        AddQuadraticRoots(-m, largest + offset, shift, tolerance, roots, count);
        AddQuadraticRoots(m, largest - offset, shift, tolerance, roots, count);
        return count;
    }
    // Biquadratic (q is zero): y² is a root of t² + p·t + r.
    float t[2] = {0.0f, 0.0f};
    int squares = SolveQuadratic(p, r, t[0], t[1], tolerance);
    for (int i = 0; i < squares; ++i) {
        if (t[i] > 0.0f) {
            float y = std::sqrt(t[i]);
            roots[count++] = shift - y;
            roots[count++] = shift + y;
        } else if (t[i] == 0.0f) {
            roots[count++] = shift;
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
