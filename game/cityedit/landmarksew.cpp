// Sewing a landmark's ground to its lot: the fans between the lot outline and the model's
// join line.

#include "cityedit/block.h"
#include "cityedit/landmark.h"
#include "cityedit/tri.h"

#include "data/printer.h"

#include <cmath>

namespace {

// The ring and the two points the decomposer opens its seam with.
const int MaxRingPoints = 128;
const int MaxSewnPoints = MaxRingPoints - 2;
const int MaxSewSlots = 32;
// Fan bytes carry an end mark in bit 7.
const int MaxFanIndices = 128;
const float TangleDist2 = 0.1f;

void TooComplex(BlockLandmark& landmark) {
    PrintError("Too many verts in resulting fans, lot or landmark perimeter is too complex.");
    landmark.m_FanIndices.clear();
}

}  // namespace

Matrix34 BlockLandmark::GetMatrix() const {
    float angle = m_Rotation * 3.14159265f / 127.0f;
    float s = m_Scale / 128.0f;
    float c = std::cos(angle);
    float n = std::sin(angle);
    return Matrix34(Vector3(c * s, 0.0f, n * s), Vector3(0.0f, s, 0.0f),
                    Vector3(-n * s, 0.0f, c * s), m_Position);
}

float CheckJoinLine(const char* name, const Vector3* points, int n) {
    float total = 0.0f;
    for (int i = 0; i < n; ++i) {
        Vector3 d1 = points[i] - points[(i + n - 1) % n];
        Vector3 d2 = points[(i + 1) % n] - points[i];
        Vector3 cross;
        cross.Cross(d1, d2);
        float length = cross.Mag();
        float turn = length == 0.0f ? 0.0f : cross.y / length;
        float angle = d1.Angle(d2);
        total += turn >= 0.0f ? angle : -angle;
    }
    if (total > 0.0f) {
        PrintWarning("The join line for '%s' appears to be CW. It should be CCW", name);
    }
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            if (i != j && (points[i] - points[j]).Mag2() < TangleDist2) {
                PrintWarning("The join line for '%s' appears to be closed or tangled. It should "
                             "be an single open loop.",
                             name);
            }
        }
    }
    return total;
}

void BlockLandmark::Sew(const CityBlock& block, BlockLot& lot) {
    int joins = static_cast<int>(m_JoinPoints.size());
    if (joins == 0) {
        return;
    }
    int corners = lot.VertexCount();
    m_RingPoints.assign(joins + corners, Vector3(0.0f, 0.0f, 0.0f));

    Matrix34 m = GetMatrix();
    m.d += block.Vertex(0)->m_Position;
    bool reversed = CheckJoinLine(m_Name.c_str(), m_JoinPoints.data(), joins) > 0.0f;
    for (int i = 0; i < joins; ++i) {
        Vector3 p = m_JoinPoints[reversed ? joins - 1 - i : i];
        p.Transform(m);
        m_RingPoints[i] = p;
    }
    int nearest = 0;
    float best = 0.0f;
    for (int k = 0; k < corners; ++k) {
        float d2 = (block.Vertex(lot.VertexIndex(k))->m_Position - m_RingPoints[0]).Mag2();
        if (k == 0 || d2 < best) {
            best = d2;
            nearest = k;
        }
    }
    for (int k = 0; k < corners; ++k) {
        m_RingPoints[joins + k] =
            block.Vertex(lot.VertexIndex((nearest + k) % corners))->m_Position;
    }
    if (joins + corners > MaxSewnPoints) {
        TooComplex(*this);
        return;
    }

    // The join line, a bridge to the outline, the outline, and the bridge walked back.
    Vector3 pool[MaxRingPoints];
    std::copy(m_RingPoints.begin(), m_RingPoints.end(), pool);
    int ring[MaxRingPoints];
    int count = 0;
    for (int i = 0; i < joins; ++i) {
        ring[count++] = i;
    }
    ring[count++] = 0;
    for (int k = 0; k < corners; ++k) {
        ring[count++] = joins + k;
    }
    ring[count++] = joins;
    InitTriangulator(MaxSewSlots, MaxSewSlots, pool, MaxRingPoints);
    SetTriangulatorPolygon(ring, count, joins + corners);
    if (!Triangulate()) {
        TooComplex(*this);
        return;
    }
    m_FanIndices.clear();
    for (int f = 0; f < TriangulatorFanCount(); ++f) {
        const TriSlot& fan = TriangulatorFan(f);
        if (fan.m_Count < 3) {
            continue;
        }
        if (static_cast<int>(m_FanIndices.size()) + fan.m_Count >= MaxFanIndices) {
            TooComplex(*this);
            return;
        }
        for (int k = 0; k < fan.m_Count; ++k) {
            m_FanIndices.push_back(static_cast<uint8_t>(fan.m_Index[k]));
        }
        m_FanIndices.back() |= 0x80;
    }
    if (!m_FanIndices.empty()) {
        m_FanIndices.back() &= 0x7F;
    }
}
