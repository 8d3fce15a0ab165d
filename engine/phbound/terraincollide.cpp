// The terrain against polygonal and box bounds: the pass of the terrain's own edges over the
// other bound, then either the sweep of a small bound's vertex paths and edges over the
// terrain polygons under it, or the bound's own segments against the terrain.
#include <algorithm>
#include <cfloat>
#include <vector>

#include "phbound/boundterrain.h"
#include "phbound/impact.h"
#include "phbound/spheretests.h"
#include "phcore/isect.h"
#include "phcore/poly.h"
#include "phcore/segment.h"

namespace {

// The other bound's sphere in the terrain's frame.
void OtherSphere(const phBound& other, const Matrix34& otherMatrix, const Matrix34& matrix,
                 Vector3& centre) {
    Vector3 world;
    other.GetWorldCentroid(otherMatrix, world);
    centre = phRotateToLocal(world - matrix.d, matrix);
}

Vector3 IntoFrame(const Vector3& local, const Matrix34& from, const Matrix34& to) {
    Vector3 world = local;
    world.Transform(from);
    return phRotateToLocal(world - to.d, to);
}

}  // namespace

int phBoundTerrain::CollideEdges(phBoundPolygonal* other, const Matrix34& otherMatrix,
                                 const Matrix34& matrix, phColliderBase* collider,
                                 phIsect* isects, int maxIsects) {
    if (!UseEdges || !EdgeMarks) {
        return 0;
    }
    std::fill(EdgeMarks, EdgeMarks + (NumEdges + 7) / 8, uint8_t(0));
    Vector3 centre;
    OtherSphere(*other, otherMatrix, matrix, centre);
    const float radius = other->RadiusAroundCentroid;
    CollectBucketPolys(centre, radius);
    std::vector<int> polygons;
    ListedPolygons(polygons);
    int count = 0;
    for (int p : polygons) {
        const phPolygon& polygon = Polygons[p];
        for (int k = 0; k < polygon.NumSides() && maxIsects - count >= 2; ++k) {
            int edge = polygon.EdgeIndex[k];
            uint8_t bit = uint8_t(1 << (edge & 7));
            if (EdgeMarks[edge >> 3] & bit) {
                continue;
            }
            EdgeMarks[edge >> 3] |= bit;
            const Vector3& a = Vertices[Edges[edge][0]];
            const Vector3& b = Vertices[Edges[edge][1]];
            if (!phSegmentNearPointSq(centre, radius * radius, a, b)) {
                continue;
            }
            phSegment segment;
            segment.Set(IntoFrame(a, matrix, otherMatrix), IntoFrame(b, matrix, otherMatrix),
                        phSegment::EDGE, 0);
            phIsect* records = isects + count;
            int hits = other->TestEdgeSegment(segment, records, maxIsects - count);
            for (int h = 0; h < hits; ++h) {
                phIsect& record = records[h];
                record.SegStart = segment.Start;
                record.SegEnd = segment.End;
                record.Polygon = &other->Polygons[record.PolyIndex];
                record.MaterialIndex = record.Polygon->MaterialIndex;
                record.Collider = collider;
                record.MovingBound = this;
                record.HitBound = other;
                record.FeatureIndex = edge;
                record.VertexA = Edges[edge][0];
                record.VertexB = Edges[edge][1];
                GetEdgeNormal(edge, record.EdgeNormal);
                record.Flags &= uint16_t(~(phIsect::VertexPath | phIsect::InteriorEdgeFlag));
            }
            count += hits;
        }
    }
    return count;
}

int phBoundTerrain::CollidePolygonal(phBoundPolygonal* other, const Matrix34& otherMatrix,
                                     const Matrix34& otherLast, const Matrix34& matrix,
                                     phColliderBase* collider, phIsect* terrainIsects, int& terrainCount,
                                     phIsect* otherIsects, int& otherCount, int maxIsects,
                                     const Vector3& direction) {
    terrainCount = CollideEdges(other, otherMatrix, matrix, collider, terrainIsects, maxIsects);
    otherCount = 0;
    if (other->NumVertices > SweepVertexLimit) {
        other->CollideSegments(this, otherMatrix, otherLast, matrix, true, otherIsects, maxIsects,
                               otherCount, -FLT_MAX, direction * -1.0f);
        return terrainCount + otherCount;
    }
    Vector3 centre;
    OtherSphere(*other, otherMatrix, matrix, centre);
    CollectBucketPolys(centre, other->RadiusAroundCentroid);
    std::vector<int> polygons;
    ListedPolygons(polygons);
    // The terrain stands still: its last place is its current one.
    other->CollidePolysOver(this, otherMatrix, matrix, otherLast, matrix, otherIsects, maxIsects,
                            otherCount, -FLT_MAX, direction, true, &polygons, false);
    // Every polygon swept over is outlined, and again in the hit colour when it was hit.
    for (int p : polygons) {
        OutlinePolygon(p, false);
    }
    for (int i = 0; i < otherCount; ++i) {
        OutlinePolygon(otherIsects[i].PolyIndex, true);
    }
    return terrainCount + otherCount;
}

int phBoundTerrainAlt::CollidePolygonal(phBoundPolygonal* other, const Matrix34& otherMatrix,
                                        const Matrix34& otherLast, const Matrix34& matrix,
                                        phColliderBase*, phIsect*, int& terrainCount,
                                        phIsect* otherIsects, int& otherCount, int maxIsects,
                                        const Vector3& direction) {
    terrainCount = 0;
    otherCount = 0;
    other->CollideSegments(this, otherMatrix, otherLast, matrix, true, otherIsects, maxIsects, otherCount,
                           -FLT_MAX, phRotateToWorld(direction, matrix));
    return otherCount;
}
