// The terrain bound: loading the mesh with its grid, the bucket queries over the X/Z grid,
// the segment, point and sphere tests through them, and its debug drawing. The ".ter" file
// itself is read and written in boundterrainfile.cpp.
#include "phbound/boundterrain.h"

#include <algorithm>
#include <cmath>

#include "data/asset.h"
#include "data/assert.h"
#include "phbound/impact.h"
#include "phbound/spheretests.h"
#include "phcore/debuglines.h"
#include "phcore/isect.h"
#include "phcore/poly.h"
#include "phcore/segment.h"

namespace {

const float NoNearHit = 2.0f;
const float NoFarHit = -1.0f;
// Without a grid the box grows this much on every side.
const float LooseBox = 0.0001f;
// Clipped segment ends move this far inside the box (in the segment's parameter).
const float ClipInset = 0.0001f;

const uint32_t BucketColour = 0xFF0000FF;
const uint32_t MissColour = 0xFF00FF00;
const uint32_t MissDiagonalColour = 0xFF008000;
const uint32_t HitColour = 0xFFFF00FF;
const uint32_t HitDiagonalColour = 0xFF800080;
const uint32_t BoxColour = 0xFF7F7F7F;
const uint32_t GridColour = 0xFF666666;
const uint32_t PolygonColour = 0xFFFFFFFF;

// Truncation toward zero of a cell coordinate, kept within int (a NaN counts as far below).
int Truncate(float f) {
    if (!(f > -1e9f)) {
        return -1000000000;
    }
    return int(std::min(f, 1e9f));
}

int Clamp(int v, int low, int high) {
    return v < low ? low : (v > high ? high : v);
}

// The listed buckets' polygons, each once per query: visit gets the polygon index and
// returns true to stop. Returns whether it stopped.
template <typename Visit>
bool VisitListed(phBoundTerrain& terrain, Visit visit) {
    for (int i = 0; i < terrain.NumListed; ++i) {
        int bucket = terrain.BucketList[i];
        Assert(bucket < terrain.NumBuckets);
        int start = terrain.BucketStart[bucket];
        for (int k = 0; k < terrain.BucketCount[bucket]; ++k) {
            int polynum = terrain.VisitPolygon(start + k);
            if (polynum < 0) {
                continue;
            }
            Assert(polynum < terrain.NumPolygons);
            if (visit(polynum)) {
                return true;
            }
        }
    }
    return false;
}

}  // namespace

phBoundTerrain::phBoundTerrain() {
    Type = TERRAIN;
    InvCellSize.Set(1.0f, 1.0f, 1.0f);
}

phBoundTerrain::~phBoundTerrain() {
    FreeGrid();
    EnableEdgeTests(false);
}

void phBoundTerrain::FreeGrid() {
    delete[] BucketStart;
    delete[] BucketCount;
    delete[] BucketPolys;
    delete[] PolyMarks;
    delete[] BucketList;
    BucketStart = BucketCount = BucketPolys = BucketList = nullptr;
    PolyMarks = nullptr;
    NumColumns = NumLayers = NumRows = NumBuckets = NumBucketPolys = NumListed = 0;
}

bool phBoundTerrain::Load(const char* name) {
    FreeGrid();
    EnableEdgeTests(false);
    const char* filename = name;
    if (datAssetManager::Exists("bound", name, "bbnd")) {
        Assert(phBoundGeometry::LoadBinary(filename));
    } else {
        Assert(phBoundGeometry::Load(filename));
    }
    if (!ReadGrid(name)) {
        phBoundGeometry::PostLoad();
        BoxMin -= Vector3(LooseBox, LooseBox, LooseBox);
        BoxMax += Vector3(LooseBox, LooseBox, LooseBox);
        return false;
    }
    CalcExtents();
    MarksDirty = 2;
    ClearPolyMarks();
    EnableEdgeTests(UseEdges != 0);
    return true;
}

void phBoundTerrain::EnableEdgeTests(bool on) {
    UseEdges = on ? 1 : 0;
    if (on && !EdgeMarks) {
        EdgeMarks = new uint8_t[(NumEdges + 7) / 8 + 1]();
    } else if (!on && EdgeMarks) {
        delete[] EdgeMarks;
        EdgeMarks = nullptr;
    }
}

void phBoundTerrain::ClearPolyMarks() {
    if (MarksDirty && PolyMarks) {
        std::fill(PolyMarks, PolyMarks + (NumPolygons + 7) / 8, uint8_t(0));
    }
    MarksDirty = 0;
}

int phBoundTerrain::VisitPolygon(int entry) {
    int polynum = BucketPolys[entry];
    Assert(polynum >= 0);
    uint8_t bit = uint8_t(1 << (polynum & 7));
    if (PolyMarks[polynum >> 3] & bit) {
        return -1;
    }
    PolyMarks[polynum >> 3] |= bit;
    return polynum;
}

int phBoundTerrain::ColumnOf(float x) const {
    return Clamp(Truncate((x - BoxMin.x) * InvCellSize.x), 0, NumColumns - 1);
}

int phBoundTerrain::RowOf(float z) const {
    return Clamp(Truncate((z - BoxMin.z) * InvCellSize.z), 0, NumRows - 1);
}

void phBoundTerrain::ListBucket(int bucket) {
    if (BucketCount[bucket] == 0 || NumListed > NumBuckets) {
        return;
    }
    BucketList[NumListed++] = uint16_t(bucket);
    int column = bucket % NumColumns;
    int row = bucket / NumColumns;
    float x0 = BoxMin.x + column / InvCellSize.x;
    float x1 = BoxMin.x + (column + 1) / InvCellSize.x;
    float z0 = BoxMin.z + row / InvCellSize.z;
    float z1 = BoxMin.z + (row + 1) / InvCellSize.z;
    Vector3 corners[4] = {Vector3(x0, 0, z0), Vector3(x1, 0, z0), Vector3(x1, 0, z1),
                          Vector3(x0, 0, z1)};
    for (int k = 0; k < 4; ++k) {
        phDebugLineAdd(corners[k], corners[(k + 1) % 4], BucketColour);
    }
}

void phBoundTerrain::ListRowSpan(int row, int first, int last) {
    for (int column = first; column <= last; ++column) {
        ListBucket(row * NumColumns + column);
    }
}

void phBoundTerrain::CollectBucketPolys(const Vector3& centre, float radius) {
    ClearPolyMarks();
    MarksDirty = 1;
    NumListed = 0;
    const float ox = centre.x - BoxMin.x;
    const float oz = centre.z - BoxMin.z;
    int cmin = Truncate((ox - radius) * InvCellSize.x);
    int cmax = Truncate((ox + radius) * InvCellSize.x);
    int rmin = Truncate((oz - radius) * InvCellSize.z);
    int rmax = Truncate((oz + radius) * InvCellSize.z);
    if (NumBuckets == 0 || cmax < 0 || cmin > NumColumns - 1 || rmax < 0 ||
        rmin > NumRows - 1 || centre.y - radius > BoxMax.y || centre.y + radius < BoxMin.y) {
        MarksDirty = 0;
        return;
    }
    cmin = std::max(cmin, 0);
    cmax = std::min(cmax, NumColumns - 1);
    rmin = std::max(rmin, 0);
    rmax = std::min(rmax, NumRows - 1);
    const int centreRow = Truncate(oz * InvCellSize.z);
    if (centreRow >= 0 && centreRow < NumRows) {
        ListRowSpan(centreRow, cmin, cmax);
    }
    const float depth = 1.0f / InvCellSize.z;
    // The nearest z of each other row to the centre decides the half chord over that row.
    auto listRow = [&](int row, float dz) {
        float h = std::sqrt(std::max(0.0f, radius * radius - dz * dz));
        if ((ox + h) * InvCellSize.x < 0.0f) {
            return false;
        }
        int first = std::max(0, Truncate((ox - h) * InvCellSize.x));
        int last = std::min(NumColumns - 1, Truncate((ox + h) * InvCellSize.x));
        ListRowSpan(row, first, last);
        return true;
    };
    float dz = oz - centreRow * depth;
    for (int row = centreRow - 1; row >= rmin; --row, dz += depth) {
        if (row < NumRows && !listRow(row, dz)) {
            break;
        }
    }
    dz = (centreRow + 1) * depth - oz;
    for (int row = centreRow + 1; row <= rmax; ++row, dz += depth) {
        if (row >= 0 && !listRow(row, dz)) {
            break;
        }
    }
    if (NumListed == 0) {
        MarksDirty = 0;
    }
}

void phBoundTerrain::CollectSegmentBuckets(const phSegment& segment) {
    ClearPolyMarks();
    MarksDirty = 1;
    NumListed = 0;
    const Vector3& s = segment.Start;
    const Vector3& e = segment.End;
    if (NumBuckets == 0) {
        // No grid: nothing to list.
    } else if (s.x == e.x && s.z == e.z) {
        if (s.x >= BoxMin.x && s.x <= BoxMax.x && s.z >= BoxMin.z && s.z <= BoxMax.z) {
            ListBucket(RowOf(s.z) * NumColumns + ColumnOf(s.x));
        }
    } else if (!((s.x < BoxMin.x && e.x < BoxMin.x) || (s.y < BoxMin.y && e.y < BoxMin.y) ||
                 (s.z < BoxMin.z && e.z < BoxMin.z) || (s.x > BoxMax.x && e.x > BoxMax.x) ||
                 (s.y > BoxMax.y && e.y > BoxMax.y) || (s.z > BoxMax.z && e.z > BoxMax.z))) {
        if (ColumnOf(s.x) == ColumnOf(e.x) && RowOf(s.z) == RowOf(e.z)) {
            ListBucket(RowOf(s.z) * NumColumns + ColumnOf(s.x));
        } else {
            WalkBuckets(s.x, s.z, e.x, e.z);
        }
    }
    if (NumListed == 0) {
        MarksDirty = 0;
    }
}

namespace {

// Narrows [tmin, tmax] to where the coordinate running from a0 to a1 lies in low..high.
bool ClipSlab(float a0, float a1, float low, float high, float& tmin, float& tmax) {
    if (a1 == a0) {
        return a0 >= low && a0 <= high;
    }
    float t0 = (low - a0) / (a1 - a0);
    float t1 = (high - a0) / (a1 - a0);
    if (t0 > t1) {
        std::swap(t0, t1);
    }
    if (t1 < 0.0f || t0 > 1.0f) {
        return false;
    }
    tmin = std::max(tmin, t0);
    tmax = std::min(tmax, t1);
    return true;
}

}  // namespace

void phBoundTerrain::WalkBuckets(float x0, float z0, float x1, float z1) {
    float tmin = 0.0f;
    float tmax = 1.0f;
    if (!ClipSlab(x0, x1, BoxMin.x, BoxMax.x, tmin, tmax) ||
        !ClipSlab(z0, z1, BoxMin.z, BoxMax.z, tmin, tmax) || tmin > tmax) {
        return;
    }
    if (tmin > 0.0f) {
        tmin += ClipInset;
    }
    if (tmax < 1.0f) {
        tmax -= ClipInset;
    }
    const float fx0 = (x0 + tmin * (x1 - x0) - BoxMin.x) * InvCellSize.x;
    const float fz0 = (z0 + tmin * (z1 - z0) - BoxMin.z) * InvCellSize.z;
    const float fx1 = (x0 + tmax * (x1 - x0) - BoxMin.x) * InvCellSize.x;
    const float fz1 = (z0 + tmax * (z1 - z0) - BoxMin.z) * InvCellSize.z;
    const float dfx = fx1 - fx0;
    const float dfz = fz1 - fz0;
    int column = Clamp(Truncate(fx0), 0, NumColumns - 1);
    int row = Clamp(Truncate(fz0), 0, NumRows - 1);
    const bool alongZ = Truncate(fx1) == Truncate(fx0);
    const bool alongX = !alongZ && Truncate(fz1) == Truncate(fz0);
    // Each step enters a new cell, so a walk has at most this many; a bound against bad input.
    for (int steps = NumColumns + NumRows; steps >= 0; --steps) {
        // A step out of the grid ends the walk: a column past the last one is not the next row.
        if (column < 0 || column >= NumColumns || row < 0 || row >= NumRows) {
            return;
        }
        ListBucket(row * NumColumns + column);
        if (alongZ) {
            row += dfz < 0.0f ? -1 : 1;
            if (dfz < 0.0f ? row <= fz1 - 1.0f : row >= fz1) {
                return;
            }
        } else if (alongX) {
            column += dfx < 0.0f ? -1 : 1;
            if (dfx < 0.0f ? column <= fx1 - 1.0f : column >= fx1) {
                return;
            }
        } else {
            float tx = ((dfx < 0.0f ? column : column + 1) - fx0) / dfx;
            float tz = ((dfz < 0.0f ? row : row + 1) - fz0) / dfz;
            if (tx > 1.0f && tz > 1.0f) {
                return;
            }
            if (tz <= tx) {
                row += dfz < 0.0f ? -1 : 1;
            } else {
                column += dfx < 0.0f ? -1 : 1;
            }
        }
    }
}

void phBoundTerrain::OutlinePolygon(int polygon, bool hit) {
    const phPolygon& p = Polygons[polygon];
    int sides = p.NumSides();
    for (int k = 0; k < sides; ++k) {
        phDebugLineAdd(Vertices[p.VertexIndex[k]], Vertices[p.VertexIndex[(k + 1) % sides]],
                       hit ? HitColour : MissColour);
    }
    if (sides == 4) {
        uint32_t colour = hit ? HitDiagonalColour : MissDiagonalColour;
        phDebugLineAdd(Vertices[p.VertexIndex[0]], Vertices[p.VertexIndex[2]], colour);
        phDebugLineAdd(Vertices[p.VertexIndex[1]], Vertices[p.VertexIndex[3]], colour);
    }
}

bool phBoundTerrain::TestProbePoint(phSegment& segment, phIsect* isect, float tLimit) {
    CollectSegmentBuckets(segment);
    isect->T = tLimit;
    bool hit = false;
    VisitListed(*this, [&](int p) {
        bool now = Polygons[p].TestSegmentFront(Vertices, segment, *isect, isect->T) != 0;
        OutlinePolygon(p, now);
        hit = hit || now;
        return false;
    });
    return hit;
}

bool phBoundTerrain::TestAIPoint(phSegment& segment, phIsect* isect) {
    CollectSegmentBuckets(segment);
    isect->T = NoNearHit;
    return VisitListed(*this, [&](int p) {
        return Polygons[p].TestSegmentFront(Vertices, segment, *isect, NoNearHit) != 0;
    });
}

bool phBoundTerrain::TestProbeSegment(phSegment& segment, phIsect* isect, float tLimit) {
    CollectSegmentBuckets(segment);
    isect->Polygon = nullptr;
    isect->T = tLimit;
    bool hit = false;
    VisitListed(*this, [&](int p) {
        bool now = Polygons[p].TestSegmentFront(Vertices, segment, *isect, isect->T) != 0;
        OutlinePolygon(p, now);
        if (now) {
            isect->PolyIndex = p;
            hit = true;
        }
        return false;
    });
    if (hit) {
        isect->SegStart = segment.Start;
        isect->SegEnd = segment.End;
        isect->Polygon = &Polygons[isect->PolyIndex];
        isect->MaterialIndex = isect->Polygon->MaterialIndex;
        isect->HitBound = this;
    }
    return hit;
}

int phBoundTerrain::TestEdgeSegment(phSegment& segment, phIsect* isects, int maxIsects) {
    int maxi = maxIsects;
    Assert(maxi>=2);
    CollectSegmentBuckets(segment);
    float bestT = NoNearHit;
    float worstT = NoFarHit;
    int hits = 0;
    VisitListed(*this, [&](int p) {
        phIsect hit;
        bool now = Polygons[p].TestSegment(Vertices, segment, hit, bestT, worstT) != 0;
        OutlinePolygon(p, now);
        if (now) {
            ++hits;
            phKeepEdgeHit(hit, p, &Polygons[p], isects, bestT, worstT);
        }
        return false;
    });
    return hits < 2 ? hits : 2;
}

bool phBoundTerrain::TestSphere(const Vector3& centre, float radius, Vector3* position,
                                Vector3* normal, float* depth) {
    float reach = radius + RadiusAroundCentroid;
    if ((centre - CentroidOffset).Mag2() > reach * reach) {
        return false;
    }
    CollectBucketPolys(centre, radius);
    float best = 0.0f;
    Vector3 point;
    VisitListed(*this, [&](int p) {
        Vector3 contact;
        Vector3 contactNormal;
        float contactDepth = 0.0f;
        int feature = 0;
        int kind = phSpherePolygon(centre, radius, *this, p, contact, contactNormal,
                                   contactDepth, feature);
        if (kind != 3 && contactDepth < radius && contactDepth > best) {
            best = contactDepth;
            point = contact;
            *normal = contactNormal;
        }
        return false;
    });
    *depth = best;
    if (!(best > 0.0f)) {
        return false;
    }
    *position = point + *normal * (best * 0.5f);
    return true;
}

void phBoundTerrain::ListedPolygons(std::vector<int>& out) {
    out.clear();
    VisitListed(*this, [&](int p) {
        out.push_back(p);
        return false;
    });
}

int phBoundTerrain::CollideSphere(phBound* sphere, const Vector3& centre, float radius,
                                  const Matrix34& matrix, const Vector3& motion,
                                  const Vector3& direction, phColliderBase* colliderA,
                                  phColliderBase* colliderB, phImpact* impacts, int maxImpacts) {
    // The cull and the buckets take the sphere over its whole step, so that a fast sphere
    // that ended below the terrain still finds the polygons it passed through; and the cull
    // is about the world centroid, so that a terrain placed away from its origin still meets
    // what is near its polygons.
    const float swept = radius + 0.5f * motion.Mag();
    const Vector3 middle = centre - motion * 0.5f;
    Vector3 centroid;
    GetWorldCentroid(matrix, centroid);
    float reach = swept + RadiusAroundCentroid;
    if ((middle - centroid).Mag2() > reach * reach || maxImpacts <= 0) {
        return 0;
    }
    Vector3 local = phRotateToLocal(centre - matrix.d, matrix);
    // The contact test looks back along the step: from the centre less the motion.
    Vector3 back = phRotateToLocal(motion, matrix) * -1.0f;
    CollectBucketPolys(local + back * 0.5f, swept);
    int count = 0;
    VisitListed(*this, [&](int p) {
        AddSphereImpact(sphere, local, radius, back, p, matrix, colliderA, colliderB,
                        Polygons[p].MaterialIndex, impacts, count);
        return count >= maxImpacts;
    });
    if (count > 1) {
        phReduceImpacts(impacts, count, direction);
    }
    return count;
}

void phBoundTerrain::Draw(int) {
    DrawFrame(false);
}

void phBoundTerrain::DrawFrame(bool polygons) {
    phDebugLineDrawer* drawer = DebugLineDrawer;
    if (!drawer) {
        return;
    }
    bool lighting = drawer->Enable(phDebugLineDrawer::LIGHTING, false);
    drawer->LoadIdentity();
    drawer->UnbindTextures();
    drawer->Color(BoxColour);
    const Vector3& a = BoxMin;
    const Vector3& b = BoxMax;
    const Vector3 faces[6][4] = {
        {Vector3(a.x, a.y, a.z), Vector3(b.x, a.y, a.z), Vector3(b.x, b.y, a.z), Vector3(a.x, b.y, a.z)},
        {Vector3(a.x, a.y, b.z), Vector3(b.x, a.y, b.z), Vector3(b.x, b.y, b.z), Vector3(a.x, b.y, b.z)},
        {Vector3(a.x, a.y, a.z), Vector3(a.x, b.y, a.z), Vector3(a.x, b.y, b.z), Vector3(a.x, a.y, b.z)},
        {Vector3(b.x, a.y, a.z), Vector3(b.x, b.y, a.z), Vector3(b.x, b.y, b.z), Vector3(b.x, a.y, b.z)},
        {Vector3(a.x, a.y, a.z), Vector3(b.x, a.y, a.z), Vector3(b.x, a.y, b.z), Vector3(a.x, a.y, b.z)},
        {Vector3(a.x, b.y, a.z), Vector3(b.x, b.y, a.z), Vector3(b.x, b.y, b.z), Vector3(a.x, b.y, b.z)}};
    for (const auto& face : faces) {
        drawer->Begin(phDebugLineDrawer::LINE_STRIP);
        for (int k = 0; k <= 4; ++k) {
            drawer->Vertex(face[k % 4].x, face[k % 4].y, face[k % 4].z);
        }
        drawer->End();
    }
    drawer->Color(GridColour);
    drawer->Begin(phDebugLineDrawer::LINE_LIST);
    for (int i = 0; i <= NumColumns; ++i) {
        float x = a.x + i * (b.x - a.x) / NumColumns;
        drawer->Vertex(x, 0.0f, a.z);
        drawer->Vertex(x, 0.0f, b.z);
    }
    for (int j = 0; j <= NumRows; ++j) {
        float z = a.z + j * (b.z - a.z) / NumRows;
        drawer->Vertex(a.x, 0.0f, z);
        drawer->Vertex(b.x, 0.0f, z);
    }
    drawer->End();
    if (polygons) {
        drawer->Color(PolygonColour);
        for (int p = 0; p < NumPolygons; ++p) {
            const phPolygon& polygon = Polygons[p];
            int sides = polygon.NumSides();
            drawer->Begin(phDebugLineDrawer::LINE_STRIP);
            for (int k = 0; k <= sides; ++k) {
                const Vector3& v = Vertices[polygon.VertexIndex[k % sides]];
                drawer->Vertex(v.x, v.y, v.z);
            }
            drawer->End();
        }
    }
    drawer->Enable(phDebugLineDrawer::LIGHTING, lighting);
}

phBoundTerrainAlt::phBoundTerrainAlt() {
    Type = TERRAIN_ALT;
}

void phBoundTerrainAlt::Draw(int) {
    DrawFrame(true);
}

uint8_t NormalToByte(float v) {
    float f = v * 127.0f + 128.5f;
    if (!(f > 0.0f)) {
        return 0;
    }
    return f >= 255.0f ? 255 : uint8_t(int(f));
}

void PackNormal(uint32_t& out, const float v[4]) {
    out = 0;
    for (int k = 0; k < 4; ++k) {
        out |= uint32_t(NormalToByte(v[k])) << (8 * k);
    }
}

float ByteToNormal(uint8_t b) {
    return (int(b) - 128) * 0.007874016f;
}

void UnpackNormal(float out[4], uint32_t packed) {
    for (int k = 0; k < 4; ++k) {
        out[k] = ByteToNormal(uint8_t(packed >> (8 * k)));
    }
}
