#include "city/sdl.h"

#include "city/psdl.h"
#include "data/printer.h"
#include "phcore/isect.h"
#include "phcore/poly.h"
#include "phcore/segment.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

const int MaxPolys = 128;

// The polygon with its own corners 0 to 3, so that it outlives the spare pool.
void CopyPolygon(const phPolygon& polygon, phPolygonCache& cache) {
    cache.Polygon = polygon;
    for (int k = 0; k < 4; ++k) {
        cache.Vertices[k] = lvlPSDL::sm_Vertices[polygon.VertexIndex[k]];
        cache.Polygon.VertexIndex[k] = uint16_t(k);
    }
    if (polygon.VertexIndex[3] == 0) {
        cache.Polygon.VertexIndex[3] = 0;
    }
}

// Every polygon of the room near the sphere (null for all), batch by batch; the spare pool
// is set up afresh for each batch after the first. False when a primitive does not fit a
// batch: the walk stops there.
template <typename Visit>
bool WalkRoomPolys(const lvlSDL& room, const Vector4* sphere, Visit&& visit) {
    phPolygon polys[MaxPolys];
    uint32_t cursor = 0;
    while (cursor != lvlSDL::EndCursor) {
        uint32_t from = cursor;
        if (from != 0) {
            // The last batch's polygons are visited; whatever a visit keeps has corners of
            // its own.
            lvlPSDL::SetupSparePool();
        }
        int count = room.BuildRoomPolys(sphere, polys, MaxPolys, &cursor);
        for (int k = 0; k < count; ++k) {
            visit(polys[k]);
        }
        if (cursor != lvlSDL::EndCursor && cursor == from) {
            return false;
        }
    }
    return true;
}

// Whether the segment from start to end meets the box from low to high on all three axes.
bool SegmentMeetsBox(const Vector3& start, const Vector3& end, const Vector3& low,
                     const Vector3& high) {
    const float p[3] = {start.x, start.y, start.z};
    const float d[3] = {end.x - start.x, end.y - start.y, end.z - start.z};
    const float lo[3] = {low.x, low.y, low.z};
    const float hi[3] = {high.x, high.y, high.z};
    float t0 = 0.0f;
    float t1 = 1.0f;
    for (int a = 0; a < 3; ++a) {
        if (d[a] == 0.0f) {
            if (p[a] < lo[a] || p[a] > hi[a]) {
                return false;
            }
            continue;
        }
        float enter = (lo[a] - p[a]) / d[a];
        float leave = (hi[a] - p[a]) / d[a];
        if (enter > leave) {
            std::swap(enter, leave);
        }
        t0 = std::max(t0, enter);
        t1 = std::min(t1, leave);
        if (t0 > t1) {
            return false;
        }
    }
    return true;
}

float LargestMagnitude(const Vector3& v) {
    return std::max(std::fabs(v.x), std::max(std::fabs(v.y), std::fabs(v.z)));
}

}  // namespace

bool lvlSDL::SegmentNearRoom(const phSegment& segment) const {
    if (!m_HasBox) {
        const float inf = std::numeric_limits<float>::infinity();
        m_BoxMin.Set(inf, inf, inf);
        m_BoxMax.Set(-inf, -inf, -inf);
        bool whole = WalkRoomPolys(*this, nullptr, [this](const phPolygon& polygon) {
            for (int k = 0; k < polygon.NumSides(); ++k) {
                const Vector3& corner = lvlPSDL::sm_Vertices[polygon.VertexIndex[k]];
                m_BoxMin.Set(std::min(m_BoxMin.x, corner.x), std::min(m_BoxMin.y, corner.y),
                             std::min(m_BoxMin.z, corner.z));
                m_BoxMax.Set(std::max(m_BoxMax.x, corner.x), std::max(m_BoxMax.y, corner.y),
                             std::max(m_BoxMax.z, corner.z));
            }
        });
        if (!whole) {
            // A primitive too large for a batch: the box would miss what a walk round a
            // sphere builds, so every segment goes on to the polygons.
            m_BoxMin.Set(-inf, -inf, -inf);
            m_BoxMax.Set(inf, inf, inf);
        }
        lvlPSDL::SetupSparePool();
        m_HasBox = true;
    }
    if (!(m_BoxMin.x <= m_BoxMax.x)) {
        return false;
    }
    // A polygon test rounds on the scale of the segment and of the coordinates: a hit may lie
    // that far outside the polygon, so the box grows by as much.
    float margin = 0.01f + 1e-4f * (LargestMagnitude(segment.End - segment.Start) +
                                    std::max(LargestMagnitude(m_BoxMin),
                                             LargestMagnitude(m_BoxMax)));
    Vector3 grow(margin, margin, margin);
    return SegmentMeetsBox(segment.Start, segment.End, m_BoxMin - grow, m_BoxMax + grow);
}

bool lvlSDL::CollideSegment(const Vector4* sphere, phSegment& segment, phIsect* isect,
                            float nearestT, float furthestT) const {
    phPolygonCache best;
    bool hit = false;
    auto test = [&](const phPolygon& polygon) {
        phIsect record;
        if (!polygon.TestSegment(lvlPSDL::sm_Vertices.data(), segment, record, nearestT,
                                 furthestT)) {
            return;
        }
        // The record keeps the nearest hit, whichever bound the hit moves.
        if (!hit || record.T < nearestT) {
            *isect = record;
            isect->MaterialIndex = polygon.MaterialIndex;
            CopyPolygon(polygon, best);
        }
        nearestT = record.T < nearestT ? record.T : nearestT;
        furthestT = record.T > furthestT ? record.T : furthestT;
        hit = true;
    };
    if (SegmentNearRoom(segment) && !WalkRoomPolys(*this, sphere, test)) {
        PrintError("CollideSegment: Primitive too large, raise maxPolys");
    }
    phSegmentInfo* info = segment.m_Info;
    if (!hit) {
        if (info) {
            info->CacheValid = false;
        }
        return false;
    }
    isect->SegStart = segment.Start;
    isect->SegEnd = segment.End;
    isect->User = segment.User;
    isect->Id = 0;
    isect->Flags = 0;
    isect->HitBound = lvlLevelBound::sm_Instance;
    isect->Polygon = nullptr;
    if (info && info->PolygonCache) {
        *info->PolygonCache = best;
        info->CacheValid = true;
        isect->Polygon = &info->PolygonCache->Polygon;
    }
    return true;
}
