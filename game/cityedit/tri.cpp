#include "cityedit/tri.h"

#include "cityedit/outline.h"
#include "data/assert.h"
#include "data/printer.h"

#include <cmath>
#include <memory>

namespace {

std::unique_ptr<TriSlot[]> Polys;
std::unique_ptr<TriSlot[]> Fans;
int MaxPolys;
int MaxFans;
int NumPolys;
int NumFans;

Vector3* Pool;
int PoolSize;
int PointCount;

// Seam points stand in for the points they were opened from while the geometry is tested;
// fans name the original points.
int RemapFrom[2] = {-1, -1};
int RemapTo[2] = {-1, -1};

const float TwoPi = 6.2831855f;

const Vector3& Point(const TriSlot& slot, int entry) {
    return Pool[slot.m_Index[entry]];
}

void RemoveDuplicates(TriSlot& slot) {
    int n = slot.m_Count;
    int kept = 0;
    for (int i = 0; i < n; ++i) {
        const Vector3& p = Pool[slot.m_Index[i]];
        const Vector3& next = Pool[slot.m_Index[(i + 1) % n]];
        if (p.x != next.x || p.y != next.y || p.z != next.z) {
            slot.m_Index[kept++] = slot.m_Index[i];
        }
    }
    slot.SetCount(kept);
}

void OpenSeam(TriSlot& slot) {
    int n = slot.m_Count;
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            if (j == i || slot.m_Index[i] != slot.m_Index[(j + 1) % n] ||
                slot.m_Index[(i + 1) % n] != slot.m_Index[j]) {
                continue;
            }
            Assert(PointCount + 2 <= PoolSize);
            int p = slot.m_Index[i];
            int q = slot.m_Index[(i + 1) % n];
            Vector3 u(-(Pool[p].z - Pool[q].z), 0.0f, Pool[p].x - Pool[q].x);
            u.Normalize();
            Pool[PointCount] = Pool[p] + u;
            Pool[PointCount + 1] = Pool[q] + u;
            slot.m_Index[i] = PointCount;
            slot.m_Index[(i + 1) % n] = PointCount + 1;
            RemapFrom[0] = PointCount;
            RemapTo[0] = p;
            RemapFrom[1] = PointCount + 1;
            RemapTo[1] = q;
            return;
        }
    }
}

int Remap(int index) {
    for (int k = 0; k < 2; ++k) {
        if (index == RemapFrom[k]) {
            return RemapTo[k];
        }
    }
    return index;
}

// The entry with the largest turn, measured so that a reflex corner of a clockwise ring (seen
// with x right and z up) exceeds pi; -1 when every angle is 0.
int FindReflex(const TriSlot& slot) {
    int n = slot.m_Count;
    int reflex = -1;
    float best = 0.0f;
    for (int i = 0; i < n; ++i) {
        Vector3 e1 = Point(slot, i) - Point(slot, (i + 1) % n);
        Vector3 e2 = Point(slot, i) - Point(slot, (i + n - 1) % n);
        e1.y = 0.0f;
        e2.y = 0.0f;
        float value = e1.Angle(e2);
        if (e1.z * e2.x - e1.x * e2.z < 0.0f) {
            value = TwoPi - value;
        }
        if (value > best) {
            best = value;
            reflex = i;
        }
    }
    return reflex;
}

bool NearXZ(float x, float z, const Vector3& p) {
    return std::fabs(x - p.x) < 0.001f && std::fabs(z - p.z) < 0.001f;
}

bool OverlapMoreThanPoint(float a0, float a1, float b0, float b1) {
    return std::fmax(std::fmin(a0, a1), std::fmin(b0, b1)) <
           std::fmin(std::fmax(a0, a1), std::fmax(b0, b1));
}

bool SegmentsCross(const Vector3& pi, const Vector3& pj, const Vector3& s, const Vector3& e) {
    float dx = pj.x - pi.x;
    float dz = pj.z - pi.z;
    float ex = e.x - s.x;
    float ez = e.z - s.z;
    float denom = dz * ex - dx * ez;
    if (std::fabs(denom) >= 1e-5f) {
        // Within both segments is judged by the parameters along them: the crossing point of
        // an axis-aligned edge rounds off the edge's own coordinate often enough to slip
        // through a test on coordinate ranges.
        float t = ((s.z - pi.z) * ex - (s.x - pi.x) * ez) / denom;
        float u = ((s.z - pi.z) * dx - (s.x - pi.x) * dz) / denom;
        float x = pi.x + dx * t;
        float z = pi.z + dz * t;
        return t >= 0.0f && t <= 1.0f && u >= 0.0f && u <= 1.0f && !NearXZ(x, z, s) &&
               !NearXZ(x, z, e);
    }
    if (std::fabs((s.x - pi.x) * dz - (s.z - pi.z) * dx) >= 1e-5f) {
        return false;
    }
    // Collinear: only a shared stretch blocks. Segments that merely meet end to end leave the
    // diagonal inside, whichever way the line runs.
    if (std::fabs(pi.x - pj.x) < 1e-6f && std::fabs(s.x - e.x) < 1e-6f) {
        return OverlapMoreThanPoint(pi.z, pj.z, s.z, e.z);
    }
    return OverlapMoreThanPoint(pi.x, pj.x, s.x, e.x);
}

// A diagonal through another corner of the outline only grazes the outline there, and may go
// on outside the polygon beyond it; it counts as blocked.
bool PassesThroughCorner(const Vector3& pi, const Vector3& pj, const Vector3& corner) {
    float dx = pj.x - pi.x;
    float dz = pj.z - pi.z;
    float length2 = dx * dx + dz * dz;
    if (length2 == 0.0f || NearXZ(corner.x, corner.z, pi) || NearXZ(corner.x, corner.z, pj)) {
        return false;
    }
    float t = ((corner.x - pi.x) * dx + (corner.z - pi.z) * dz) / length2;
    float ox = pi.x + dx * t - corner.x;
    float oz = pi.z + dz * t - corner.z;
    return t > 0.0f && t < 1.0f && ox * ox + oz * oz < 1e-6f;
}

bool CrossesOutline(const TriSlot& slot, int i, int j) {
    int n = slot.m_Count;
    int a = slot.m_Index[i];
    int b = slot.m_Index[j];
    for (int cur = 0, prev = n - 1; cur < n; prev = cur++) {
        int s = slot.m_Index[prev];
        int e = slot.m_Index[cur];
        if ((s == a && e == b) || (s == b && e == a)) {
            continue;
        }
        if (PassesThroughCorner(Pool[a], Pool[b], Pool[e])) {
            return true;
        }
        if (SegmentsCross(Pool[a], Pool[b], Pool[s], Pool[e])) {
            return true;
        }
    }
    return false;
}

bool MidpointInside(const TriSlot& slot, int i, int j) {
    float px = (Point(slot, i).x + Point(slot, j).x) * 0.5f;
    float pz = (Point(slot, i).z + Point(slot, j).z) * 0.5f;
    int n = slot.m_Count;
    bool inside = false;
    for (int cur = 0, prev = n - 1; cur < n; prev = cur++) {
        const Vector3& a = Point(slot, prev);
        const Vector3& b = Point(slot, cur);
        if (EdgeCrossesRayXZ(a.x, a.z, b.x, b.z, px, pz)) {
            inside = !inside;
        }
    }
    return inside;
}

bool DiagonalValid(const TriSlot& slot, int i, int j, bool midpoint) {
    return !CrossesOutline(slot, i, j) && (!midpoint || MidpointInside(slot, i, j));
}

// Any cut that stays inside, tried from r onwards.
bool FindAnyDiagonal(const TriSlot& slot, int r, int& a, int& b) {
    int n = slot.m_Count;
    for (int m = 0; m < n; ++m) {
        int i = (r + m) % n;
        for (int gap = 2; gap <= n - 2; ++gap) {
            int j = (i + gap) % n;
            if (DiagonalValid(slot, i, j, true)) {
                a = i;
                b = j;
                return true;
            }
        }
    }
    return false;
}

// Walking round from the reflex entry r, the first diagonal the outline blocks starts a pocket
// and the next one that gets through ends it; the pocket's mouth a-b is the cut. A fan from r
// is only sound when nothing was blocked, so when the mouth is no good cut (it leaves the
// polygon, or collinear points make its ends neighbours) another cut is looked for.
bool FindSplit(const TriSlot& slot, int r, int& a, int& b) {
    int n = slot.m_Count;
    if (n < 3) {
        return false;
    }
    a = -1;
    b = -1;
    for (int k = 2; k <= n - 1; ++k) {
        int j = (r + k) % n;
        bool valid = DiagonalValid(slot, r, j, k != n - 1);
        if (valid && a != -1) {
            b = j;
            break;
        }
        if (!valid && a == -1) {
            a = j == 0 ? n - 1 : j - 1;
        }
    }
    if (a == -1) {
        return false;
    }
    if (b != -1) {
        if (!DiagonalValid(slot, a, b, true)) {
            a = a == 0 ? n - 1 : a - 1;
        }
        int gap = (b - a + n) % n;
        if (gap > 1 && gap < n - 1 && DiagonalValid(slot, a, b, true)) {
            return true;
        }
    }
    return FindAnyDiagonal(slot, r, a, b);
}

void CopyRun(const TriSlot& from, int first, int last, TriSlot& to) {
    int n = from.m_Count;
    if (n == 0) {
        to.SetCount(0);
        return;
    }
    int count = (last - first + n) % n + 1;
    to.SetCount(count);
    for (int k = 0; k < count; ++k) {
        to.m_Index[k] = from.m_Index[(first + k) % n];
    }
}

}  // namespace

void TriSlot::SetCount(int n) {
    Assert(n < MAX_TRI_INDEX);
    m_Count = n;
}

void InitTriangulator(int maxPolys, int maxFans, Vector3* pool, int poolSize) {
    MaxPolys = maxPolys;
    MaxFans = maxFans;
    Polys.reset(new TriSlot[maxPolys]);
    Fans.reset(new TriSlot[maxFans]);
    for (int i = 0; i < maxPolys; ++i) {
        Polys[i].m_Count = 0;
    }
    for (int i = 0; i < maxFans; ++i) {
        Fans[i].m_Count = 0;
    }
    NumPolys = 0;
    NumFans = 0;
    Pool = pool;
    PoolSize = poolSize;
    PointCount = 0;
}

void SetTriangulatorPolygon(const int* indices, int count, int pointCount) {
    Assert(MaxPolys > 0);
    Assert(pointCount >= 0 && pointCount <= PoolSize);
    Polys[0].SetCount(count);
    for (int i = 0; i < count; ++i) {
        Assert(indices[i] >= 0 && indices[i] < pointCount);
        Polys[0].m_Index[i] = indices[i];
    }
    NumPolys = 1;
    NumFans = 0;
    PointCount = pointCount;
}

bool Triangulate() {
    Assert(MaxPolys > 0);
    RemapFrom[0] = RemapFrom[1] = -1;
    RemapTo[0] = RemapTo[1] = -1;
    RemoveDuplicates(Polys[0]);
    OpenSeam(Polys[0]);
    // Every step empties the slot it visits and any split leaves two smaller polygons, so
    // the passes end once no slot holds entries (an outline of duplicates holds none at all).
    int pending = 0;
    for (int i = 0; i < NumPolys; ++i) {
        pending += Polys[i].m_Count != 0;
    }
    while (pending > 0) {
        int polys = NumPolys;
        for (int s = 0; s < polys; ++s) {
            if (Polys[s].m_Count == 0) {
                continue;
            }
            int r = FindReflex(Polys[s]);
            int a;
            int b;
            bool split = r >= 0 && FindSplit(Polys[s], r, a, b);
            // An outline too complex for the slots is the caller's data, not a broken program:
            // the decomposition stops and says so.
            if (split ? NumPolys >= MaxPolys - 1 : NumFans >= MaxFans) {
                return false;
            }
            if (split) {
                EmitPolygon(s, a, b);
                ++pending;
            } else {
                EmitFan(s, r < 0 ? 0 : r);
                --pending;
            }
        }
    }
    return true;
}

int TriangulatorFanCount() {
    return NumFans;
}

const TriSlot& TriangulatorFan(int i) {
    Assert(i >= 0 && i < NumFans);
    return Fans[i];
}

void EmitFan(int polygon, int start) {
    Assert(NumFans < MaxFans);
    TriSlot& slot = Polys[polygon];
    TriSlot& fan = Fans[NumFans++];
    CopyRun(slot, start, start == 0 ? slot.m_Count - 1 : start - 1, fan);
    for (int k = 0; k < fan.m_Count; ++k) {
        fan.m_Index[k] = Remap(fan.m_Index[k]);
    }
    slot.m_Count = 0;
}

void EmitPolygon(int polygon, int a, int b) {
    Assert(NumPolys < MaxPolys-1);
    TriSlot& slot = Polys[polygon];
    CopyRun(slot, a, b, Polys[NumPolys]);
    CopyRun(slot, b, a, Polys[NumPolys + 1]);
    NumPolys += 2;
    slot.m_Count = 0;
}

namespace {

void DumpSlot(const char* title, int i, const TriSlot& slot) {
    PrintMessage(title, i);
    for (int k = 0; k < slot.m_Count; ++k) {
        const Vector3& p = Pool[slot.m_Index[k]];
        PrintMessage("Vertex[%d] index=%d\t\t%f,%f,%f", k, slot.m_Index[k], p.x, p.y, p.z);
    }
}

}  // namespace

void DumpPolygon(int i) {
    Assert(i >= 0 && i < MaxPolys);
    DumpSlot("Polygon[%d]:", i, Polys[i]);
}

void DumpFan(int i) {
    Assert(i >= 0 && i < MaxFans);
    DumpSlot("Fan[%d]:", i, Fans[i]);
}
