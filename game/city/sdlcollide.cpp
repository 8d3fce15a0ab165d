#include "city/sdl.h"

#include "city/psdl.h"
#include "data/printer.h"
#include "phcore/isect.h"
#include "phcore/poly.h"
#include "phcore/segment.h"

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

}  // namespace

bool lvlSDL::CollideSegment(const Vector4* sphere, phSegment& segment, phIsect* isect,
                            float nearestT, float furthestT) const {
    phPolygon polys[MaxPolys];
    phPolygonCache best;
    bool hit = false;
    uint32_t cursor = 0;
    while (cursor != EndCursor) {
        uint32_t from = cursor;
        if (from != 0) {
            // The last batch's polygons are tested; the best one has corners of its own.
            lvlPSDL::SetupSparePool();
        }
        int count = BuildRoomPolys(sphere, polys, MaxPolys, &cursor);
        for (int k = 0; k < count; ++k) {
            phIsect record;
            if (!polys[k].TestSegment(lvlPSDL::sm_Vertices.data(), segment, record, nearestT,
                                      furthestT)) {
                continue;
            }
            // The record keeps the nearest hit, whichever bound the hit moves.
            if (!hit || record.T < nearestT) {
                *isect = record;
                isect->MaterialIndex = polys[k].MaterialIndex;
                CopyPolygon(polys[k], best);
            }
            nearestT = record.T < nearestT ? record.T : nearestT;
            furthestT = record.T > furthestT ? record.T : furthestT;
            hit = true;
        }
        if (cursor != EndCursor && cursor == from) {
            PrintError("CollideSegment: Primitive too large, raise maxPolys");
            break;
        }
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
