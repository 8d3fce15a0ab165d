// One impact point's impulse, normal and friction found together for the point alone. Worked
// in the point's frame and in double: the slide's direction is the root of a sum of terms
// that nearly cancel there, and float would blur it.
#include "phcollide/pointimpulse.h"

#include <algorithm>
#include <cmath>

#include "phbound/bound.h"

namespace {

// Newton's steps at most from a start, and the turn (radians) after which the direction has
// settled: near a root each step squares the error, so one this small leaves some 1e-8.
const int NewtonSteps = 10;
const double SettledTurn = 1e-4;

}  // namespace

void phPointImpulse::Set(const Vector3& normal, float friction, const Matrix34& k) {
    m_Normal = normal;
    m_Friction = std::max(double(friction), 0.0);
    Vector3 kn = phRotateToWorld(normal, k);
    m_Knn = normal.Dot(kn);
    m_SlideC = 0.0;
    m_SlideS = 0.0;
    if (!(m_Knn > 0.0)) {
        m_Knn = 0.0;
        return;
    }
    m_Across1.Cross(normal, std::fabs(normal.x) < 0.5f ? Vector3::sm_XAxis : Vector3::sm_YAxis);
    m_Across1.Normalize();
    m_Across2.Cross(normal, m_Across1);
    m_Across2.Normalize();
    Vector3 k1 = phRotateToWorld(m_Across1, k);
    Vector3 k2 = phRotateToWorld(m_Across2, k);
    m_Kn1 = m_Across1.Dot(kn);
    m_Kn2 = m_Across2.Dot(kn);
    m_K11 = m_Across1.Dot(k1);
    m_K12 = m_Across2.Dot(k1);
    m_K22 = m_Across2.Dot(k2);
    // The symmetric inverse by cofactors.
    double c00 = m_K11 * m_K22 - m_K12 * m_K12;
    double c01 = m_Kn2 * m_K12 - m_Kn1 * m_K22;
    double c02 = m_Kn1 * m_K12 - m_Kn2 * m_K11;
    double det = m_Knn * c00 + m_Kn1 * c01 + m_Kn2 * c02;
    m_Invertible = det > 1e-9 * m_Knn * m_K11 * m_K22;
    if (m_Invertible) {
        double c11 = m_Knn * m_K22 - m_Kn2 * m_Kn2;
        double c12 = m_Kn1 * m_Kn2 - m_Knn * m_K12;
        double c22 = m_Knn * m_K11 - m_Kn1 * m_Kn1;
        double cofactors[3][3] = {{c00, c01, c02}, {c01, c11, c12}, {c02, c12, c22}};
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) m_Inverse[i][j] = cofactors[i][j] / det;
    }
}

// With the impulse jn (n - mu d) and jn = a / Stiffness, the slide left is
// w + jn K (n - mu d) across the normal; times Stiffness it is a quadratic plus a linear form
// in (c, s), smooth wherever Stiffness is.
phPointImpulse::Slide phPointImpulse::Evaluate(double c, double s, double w1, double w2,
                                               double a) const {
    double mu = m_Friction;
    Slide out;
    out.Stiffness = m_Knn - mu * (m_Kn1 * c + m_Kn2 * s);
    double f1 = out.Stiffness * w1 + a * (m_Kn1 - mu * (m_K11 * c + m_K12 * s));
    double f2 = out.Stiffness * w2 + a * (m_Kn2 - mu * (m_K12 * c + m_K22 * s));
    out.Across = c * f2 - s * f1;
    out.Along = c * f1 + s * f2;
    double crossK = m_Kn2 * c - m_Kn1 * s;
    double crossW = w2 * c - w1 * s;
    double crossKCross = m_K11 * s * s - 2.0 * m_K12 * s * c + m_K22 * c * c;
    out.Turn = -mu * crossK * crossW - out.Along - a * mu * crossKCross;
    return out;
}

bool phPointImpulse::Newton(double& c, double& s, double w1, double w2, double a) const {
    double length = std::sqrt(c * c + s * s);
    if (!(length > 0.0)) {
        return false;
    }
    c /= length;
    s /= length;
    for (int step = 0; step < NewtonSteps; ++step) {
        Slide slide = Evaluate(c, s, w1, w2, a);
        if (!(slide.Turn != 0.0)) {
            return false;
        }
        // At most half a radian a step: far from a root the slope says little.
        double turn = std::min(std::max(-slide.Across / slide.Turn, -0.5), 0.5);
        double norm = std::sqrt(1.0 + turn * turn);
        double nextC = (c - turn * s) / norm;
        s = (s + turn * c) / norm;
        c = nextC;
        if (std::fabs(turn) < SettledTurn) {
            // The equation times Stiffness has roots that are no slide: where the edge
            // cannot push, and where the slide runs against d.
            return slide.Stiffness > 0.0 && slide.Along >= 0.0;
        }
    }
    return false;
}

Vector3 phPointImpulse::Find(const Vector3& free, float target) {
    double a = double(target) - double(m_Normal.Dot(free));
    // An approach without bound has no answer that stays finite: none is given, so that the
    // other side is not filled with it.
    if (!(m_Knn > 0.0) || !(a > 0.0) || !std::isfinite(a)) {
        return Vector3::sm_Zero;
    }
    double w1 = m_Across1.Dot(free);
    double w2 = m_Across2.Dot(free);
    double mu = m_Friction;
    double jn = a / m_Knn;
    double j1 = 0.0;
    double j2 = 0.0;
    if (mu > 0.0) {
        double stick[3];
        for (int i = 0; i < 3; ++i) {
            stick[i] = m_Inverse[i][0] * a - m_Inverse[i][1] * w1 - m_Inverse[i][2] * w2;
        }
        if (m_Invertible && stick[0] >= 0.0 &&
            stick[1] * stick[1] + stick[2] * stick[2] <= mu * mu * stick[0] * stick[0]) {
            jn = stick[0];
            j1 = stick[1];
            j2 = stick[2];
        } else {
            // From the last answer's direction; else from the stick's friction, reversed;
            // else from the slide a frictionless impulse would leave. Should none of them
            // lead to a slide (not seen for sound input), the frictionless answer still
            // meets the target.
            const double starts[3][2] = {
                {m_SlideC, m_SlideS}, {-stick[1], -stick[2]}, {w1 + jn * m_Kn1, w2 + jn * m_Kn2}};
            for (const double* start : starts) {
                double c = start[0];
                double s = start[1];
                if (Newton(c, s, w1, w2, a)) {
                    jn = a / (m_Knn - mu * (m_Kn1 * c + m_Kn2 * s));
                    j1 = -mu * jn * c;
                    j2 = -mu * jn * s;
                    break;
                }
            }
        }
        m_SlideC = -j1;
        m_SlideS = -j2;
    }
    return m_Normal * float(jn) + m_Across1 * float(j1) + m_Across2 * float(j2);
}
