#include "city/psdl.h"

#include "data/assert.h"
#include "data/printer.h"
#include "phbound/boundpolygonal.h"
#include "phcore/isect.h"
#include "phcore/poly.h"
#include "phcore/segment.h"

#include <vector>

bool lvlPSDL::TestSegmentRooms(phSegment& seg, phIsect* isect, float nearestT) {
    Assert(seg.m_Info);
    phSegmentInfo& info = *seg.m_Info;
    if (info.PolygonCache && info.CacheValid) {
        phPolygonCache& cache = *info.PolygonCache;
        if (cache.Polygon.TestSegment(cache.Vertices, seg, *isect, nearestT, -1.0f)) {
            isect->MaterialIndex = cache.Polygon.MaterialIndex;
            isect->Polygon = &cache.Polygon;
            isect->HitBound = this;
            return true;
        }
        info.CacheValid = false;
    }
    SetupSparePool();
    Vector3 mid = (seg.Start + seg.End) * 0.5f;
    Vector4 sphere(mid.x, mid.y, mid.z, 0.51f * (seg.End - seg.Start).Mag());
    bool hit = false;
    float t = nearestT;
    const lvlSDL* start = GetRoom(info.StartRoom);
    if (info.StartRoom != 0 && start && start->CollideSegment(&sphere, seg, isect, t, -1.0f)) {
        hit = true;
        t = isect->T;
    }
    const lvlSDL* end = GetRoom(info.EndRoom);
    if (info.EndRoom != info.StartRoom && info.EndRoom != 0 && end) {
        phIsect record;
        if (end->CollideSegment(&sphere, seg, &record, t, -1.0f)) {
            *isect = record;
            hit = true;
        } else if (hit && info.PolygonCache) {
            // The start room's hit stays cached.
            info.CacheValid = true;
        }
    }
    SetupSparePool();
    return hit;
}

namespace {

const int MaxLevelPolys = 256;
const uint16_t NoPolygon = 0xFFFF;

struct EdgeHits {
    float m_Near = 2.0f;
    float m_Far = -1.0f;
    float m_NearDepth = 0.0f;
    float m_FarDepth = 0.0f;
    // Whether the edge enters the polygon's back from its start (the end lies behind).
    bool m_NearFront = false;
    bool m_FarFront = false;
    uint16_t m_NearPoly = NoPolygon;
    uint16_t m_FarPoly = NoPolygon;
};

struct VertexHit {
    Vector3 m_From;
    float m_T = 2.0f;
    float m_Depth = 0.0f;
    uint16_t m_Poly = NoPolygon;
};

Vector4 Point4(const Vector3& p) {
    return Vector4(p.x, p.y, p.z, 1.0f);
}

}  // namespace

int lvlPSDL::CollidePolyToLevel(phBoundPolygonal* other, const int* rooms, int roomCount,
                                uint32_t id, const Matrix34& current, const Matrix34& last,
                                phIsect* isects, int maxIsects, int& count, bool vertexPaths) {
    m_LevelPolys.resize(MaxLevelPolys);
    phPolygon* polys = m_LevelPolys.data();
    SetupSparePool();
    // The radius is measured from the other bound's centroid, which may lie far from its origin.
    Vector3 centre = other->CentroidOffset;
    centre.Transform(current);
    float radius = other->RadiusAroundCentroid;
    Vector4 sphere(centre.x, centre.y, centre.z, radius);
    int built = 0;
    for (int r = 0; r < roomCount; ++r) {
        const lvlSDL* room = GetRoom(rooms[r]);
        if (!room) {
            continue;
        }
        uint32_t cursor = 0;
        built += room->BuildRoomPolys(&sphere, polys + built, MaxLevelPolys - built, &cursor);
        if (cursor != lvlSDL::EndCursor) {
            PrintError("CollidePolyToLevel - buffer overflow, polys lost (room %d)", rooms[r]);
        }
    }
    m_LevelSpares.assign(sm_Vertices.begin() + sm_VertexCount, sm_Vertices.begin() + sm_NextSpare);

    int vertexCount = other->NumVertices;
    std::vector<Vector3> positions(vertexCount);
    std::vector<VertexHit> vertices(vertexPaths ? vertexCount : 0);
    for (int i = 0; i < vertexCount; ++i) {
        positions[i] = other->GetVertex(i);
        positions[i].Transform(current);
        if (vertexPaths) {
            vertices[i].m_From = other->GetVertex(i);
            vertices[i].m_From.Transform(last);
        }
    }
    std::vector<EdgeHits> edges(other->NumEdges);
    std::vector<float> distance(vertexCount);
    for (int k = 0; k < built; ++k) {
        const phPolygon& poly = polys[k];
        const Vector3& onPlane = sm_Vertices[poly.VertexIndex[0]];
        for (int i = 0; i < vertexCount; ++i) {
            distance[i] = (positions[i] - onPlane).Dot(poly.Normal);
        }
        for (int i = 0; vertexPaths && i < vertexCount; ++i) {
            VertexHit& hit = vertices[i];
            if (distance[i] >= 0.0f) {
                continue;
            }
            Vector3 from = hit.m_From;
            float e = (from - onPlane).Dot(poly.Normal);
            if (e <= 0.0f && e > -1.5f * Margin) {
                phExtendSegment(from, positions[i], Margin);
                e = (from - onPlane).Dot(poly.Normal);
            }
            if (e <= 0.0f) {
                continue;
            }
            float t = e / (e - distance[i]);
            if (t < hit.m_T &&
                poly.IntersectSegment(sm_Vertices.data(), Point4(from), Point4(positions[i]))) {
                hit.m_T = t;
                hit.m_Poly = uint16_t(k);
                hit.m_Depth = -distance[i];
            }
        }
        float above = (centre - onPlane).Dot(poly.Normal);
        for (int e = 0; e < other->NumEdges && above <= radius; ++e) {
            float d0 = distance[other->Edges[e][0]];
            float d1 = distance[other->Edges[e][1]];
            bool behind = d0 < 0.0f;
            if (behind == (d1 < 0.0f) ||
                !poly.IntersectSegment(sm_Vertices.data(), Point4(positions[other->Edges[e][0]]),
                                       Point4(positions[other->Edges[e][1]]))) {
                continue;
            }
            float t = d0 / (d0 - d1);
            // The depth is how far the end that lies behind the plane went in.
            float depth = behind ? -d0 : -d1;
            EdgeHits& hits = edges[e];
            if (behind ? t < hits.m_Near : t <= hits.m_Near) {
                hits.m_Near = t;
                hits.m_NearDepth = depth;
                hits.m_NearFront = !behind;
                hits.m_NearPoly = uint16_t(k);
            }
            if (behind ? t >= hits.m_Far : t > hits.m_Far) {
                hits.m_Far = t;
                hits.m_FarDepth = depth;
                hits.m_FarFront = !behind;
                hits.m_FarPoly = uint16_t(k);
            }
        }
    }

    count = 0;
    // A record runs from a to b; front when a lies before the plane and b behind it.
    auto emit = [&](int polyIndex, float t, float depth, bool front, const Vector3& a,
                    const Vector3& b) {
        if (count >= maxIsects) {
            PrintWarning("CollidePolyToLevel: Completely filled intersection table!");
            return static_cast<phIsect*>(nullptr);
        }
        const phPolygon& poly = polys[polyIndex];
        phIsect& record = isects[count++];
        record = phIsect();
        record.SegStart = a;
        record.SegEnd = b;
        record.SetPosition(t, a, b);
        record.T = t;
        record.Depth = depth;
        record.FrontSide = front ? 1 : 0;
        record.Polygon = &poly;
        record.PolyIndex = polyIndex;
        record.MaterialIndex = poly.MaterialIndex;
        record.Normal = poly.Normal;
        record.HitBound = this;
        record.MovingBound = this;
        record.Id = id;
        return &record;
    };
    bool full = false;
    for (int i = 0; vertexPaths && i < vertexCount && !full; ++i) {
        const VertexHit& hit = vertices[i];
        if (hit.m_Poly == NoPolygon) {
            continue;
        }
        phIsect* record = emit(hit.m_Poly, hit.m_T, hit.m_Depth, true, hit.m_From, positions[i]);
        full = !record;
        if (record) {
            record->Flags = phIsect::VertexPath;
            record->FeatureIndex = i;
            record->VertexB = i;
        }
    }
    for (int e = 0; e < other->NumEdges && !full; ++e) {
        const EdgeHits& hits = edges[e];
        if (hits.m_NearPoly == NoPolygon) {
            continue;
        }
        int i0 = other->Edges[e][0];
        int i1 = other->Edges[e][1];
        Vector3 edgeNormal = other->GetWorldEdgeNormal(e, current);
        bool two = hits.m_FarPoly != hits.m_NearPoly;
        for (int end = 0; end < (two ? 2 : 1) && !full; ++end) {
            phIsect* record =
                end == 0 ? emit(hits.m_NearPoly, hits.m_Near, hits.m_NearDepth, hits.m_NearFront,
                                positions[i0], positions[i1])
                         : emit(hits.m_FarPoly, hits.m_Far, hits.m_FarDepth, hits.m_FarFront,
                                positions[i0], positions[i1]);
            full = !record;
            if (record) {
                record->FeatureIndex = e;
                record->VertexA = i0;
                record->VertexB = i1;
                record->EdgeNormal = edgeNormal;
            }
        }
    }
    return count;
}
