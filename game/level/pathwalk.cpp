// Placement matrices along a path, for the props that stand on it.

#include <cmath>

#include "data/printer.h"
#include "level/pathset.h"

namespace {

// A longer run on one segment is bad data (a vertex flung far away), not a line of props.
const double MaxPropsPerSegment = 1 << 20;

// Rows for a forward axis: a the side (up x forward), b the third (forward x side), c forward.
// The side is made unit length, so that a sloping forward axis gives no squashed prop.
void SetAxes(Matrix34& m, const Vector3& forward) {
    m.c = forward;
    m.a.Cross(Vector3::sm_YAxis, forward);
    if (!m.a.IsZero()) {
        m.a.Normalize();
    }
    m.b.Cross(forward, m.a);
}

}  // namespace

void qvPath::Walk(qvPathPlaceFunc place, void* user, float spacing) const {
    Matrix34 m;
    switch (m_Type) {
    case Points:
        m.Identity();
        for (int i = 0; i < m_VertCount; ++i) {
            m.d = m_Vertices[i].m_Position;
            place(m, user);
        }
        break;
    case Lines:
        // Left and right marks in pairs; an odd last vertex has no partner.
        for (int i = 0; i < m_VertCount - 1; i += 2) {
            Vector3 forward = m_Vertices[i + 1].m_Position - m_Vertices[i].m_Position;
            forward.y = 0.0f;
            if (!forward.IsZero()) {
                forward.Normalize();
            }
            SetAxes(m, forward);
            m.d = m_Vertices[i].m_Position;
            place(m, user);
        }
        break;
    default:
        WalkStrip(place, user, spacing);
        break;
    }
}

// Each segment of length L takes n = floor(L / spacing) props a step L / n apart, from its
// first vertex on. Positions are taken from the vertex each time rather than stepped, so that
// long segments neither drift nor stall on a step that no longer changes the sum.
void qvPath::WalkStrip(qvPathPlaceFunc place, void* user, float spacing) const {
    if (!(spacing > 0.0f)) {
        return;
    }
    for (int i = 0; i < m_VertCount - 1; ++i) {
        const Vector3& from = m_Vertices[i].m_Position;
        Vector3 d = m_Vertices[i + 1].m_Position - from;
        // In double: the squares of far-flung coordinates leave the float range.
        double length = std::sqrt(double(d.x) * d.x + double(d.y) * d.y + double(d.z) * d.z);
        double n = std::floor(length / spacing);
        if (!(n >= 1.0)) {
            continue;
        }
        if (n > MaxPropsPerSegment) {
            PrintWarning("BAD PATH DATA: %s  (segment %d would take %.0f props, skipping it).",
                         m_Name, i, n);
            continue;
        }
        float step = float(length / n);
        d.Normalize();
        Matrix34 m;
        SetAxes(m, d);
        bool sound = !d.IsZero() && !m.a.IsZero() && !m.b.IsZero();
        for (int k = 0; k < int(n); ++k) {
            if (!sound) {
                PrintWarning("BAD PATH DATA: %s  (skipping this prop).", m_Name);
                continue;
            }
            m.d = from + d * (step * float(k));
            place(m, user);
        }
    }
}
