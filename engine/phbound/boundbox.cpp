// The box bound: its constant topology, sizes, file fitting and slab segment tests.
#include "phbound/boundbox.h"

#include <cmath>

#include "data/assert.h"
#include "data/printer.h"
#include "phbound/shapefile.h"
#include "phcore/isect.h"
#include "phcore/materialmgr.h"
#include "phcore/segment.h"

namespace {

const float R = 0.70710677f;

struct BoxFile : phShapeFile {
    explicit BoxFile(phMaterial** materials) : m_Materials(materials) {}
    // A seventh material replaces the first.
    void TakeMaterial(int index, phMaterial* material) override {
        m_Materials[index % phBoundBox::NUM_MATERIALS] = material;
    }
    phMaterial** m_Materials;
};

float Component(const Vector3& v, int axis) {
    return axis == 0 ? v.x : axis == 1 ? v.y : v.z;
}

}  // namespace

const Vector3 phBoundBox::UnitVertices[8] = {
    Vector3(0.5f, 0.5f, 0.5f),   Vector3(-0.5f, 0.5f, 0.5f),  Vector3(-0.5f, -0.5f, 0.5f),
    Vector3(0.5f, -0.5f, 0.5f),  Vector3(0.5f, 0.5f, -0.5f),  Vector3(-0.5f, 0.5f, -0.5f),
    Vector3(-0.5f, -0.5f, -0.5f), Vector3(0.5f, -0.5f, -0.5f)};

const Vector3 phBoundBox::CornerDirections[8] = {
    Vector3(1, 1, 1),   Vector3(-1, 1, 1),  Vector3(-1, -1, 1),  Vector3(1, -1, 1),
    Vector3(1, 1, -1),  Vector3(-1, 1, -1), Vector3(-1, -1, -1), Vector3(1, -1, -1)};

uint16_t phBoundBox::EdgeVertices[12][2] = {{0, 1}, {1, 2}, {2, 3}, {3, 0}, {4, 5}, {5, 6},
                                            {6, 7}, {7, 4}, {0, 4}, {1, 5}, {2, 6}, {3, 7}};

const Vector3 phBoundBox::EdgeNormals[12] = {
    Vector3(0, R, R),  Vector3(-R, 0, R),  Vector3(0, -R, R),  Vector3(R, 0, R),
    Vector3(0, R, -R), Vector3(-R, 0, -R), Vector3(0, -R, -R), Vector3(R, 0, -R),
    Vector3(R, R, 0),  Vector3(-R, R, 0),  Vector3(-R, -R, 0), Vector3(R, -R, 0)};

const int phBoundBox::FaceCorners[6][4] = {{4, 0, 3, 7}, {2, 1, 5, 6}, {1, 0, 4, 5},
                                           {7, 3, 2, 6}, {3, 0, 1, 2}, {5, 4, 7, 6}};

const int phBoundBox::FaceEdges[6][4] = {{8, 3, 11, 7}, {1, 9, 5, 10}, {0, 8, 4, 9},
                                         {11, 2, 10, 6}, {3, 0, 1, 2}, {4, 7, 6, 5}};

const Vector3 phBoundBox::FaceNormals[6] = {Vector3(1, 0, 0), Vector3(-1, 0, 0),
                                            Vector3(0, 1, 0), Vector3(0, -1, 0),
                                            Vector3(0, 0, 1), Vector3(0, 0, -1)};

const int phBoundBox::EdgeFaces[12][2] = {{2, 4}, {1, 4}, {3, 4}, {0, 4}, {2, 5}, {1, 5},
                                          {3, 5}, {0, 5}, {0, 2}, {1, 2}, {1, 3}, {0, 3}};

const int phBoundBox::VertexEdges[8][3] = {{0, 3, 8}, {0, 9, 1}, {2, 1, 10}, {3, 2, 11},
                                           {4, 8, 7}, {4, 5, 9}, {5, 6, 10}, {6, 7, 11}};

const int phBoundBox::SignVertex[8] = {6, 7, 5, 4, 2, 3, 1, 0};

namespace {

const Vector3 UnitSize(1.0f, 1.0f, 1.0f);

// A flat or inverted box has faces without normals and corners that collide as NaN.
bool HasRoom(const Vector3& size, const char* where) {
    bool room = size.x > 0.0f && size.y > 0.0f && size.z > 0.0f && std::isfinite(size.x) &&
                std::isfinite(size.y) && std::isfinite(size.z);
    if (!room) {
        PrintError("%s- box size (%g, %g, %g) has no room on every axis; refused", where,
                   double(size.x), double(size.y), double(size.z));
    }
    return room;
}

}  // namespace

phBoundBox::phBoundBox() : phBoundBox(UnitSize) {}

phBoundBox::phBoundBox(const Vector3& size) : phBoundPolygonal(BOX) {
    Build(HasRoom(size, "phBoundBox::phBoundBox()") ? size : UnitSize);
}

void phBoundBox::Build(const Vector3& size) {
    NumVertices = 8;
    NumPolygons = 6;
    NumEdges = 12;
    NumMaterials = NUM_MATERIALS;
    Vertices = BoxVertices;
    Polygons = Faces;
    Edges = EdgeVertices;
    BoxMaterials = new phMaterial*[NUM_MATERIALS];
    phMaterialMgr::Instance();
    for (int i = 0; i < NUM_MATERIALS; ++i) {
        BoxMaterials[i] = phMaterialMgr::DefaultMaterial;
    }
    Size = size;
    for (int i = 0; i < 8; ++i) {
        BoxVertices[i].Set(UnitVertices[i].x * size.x, UnitVertices[i].y * size.y,
                           UnitVertices[i].z * size.z);
    }
    for (int f = 0; f < 6; ++f) {
        const int* c = FaceCorners[f];
        Faces[f].InitQuad(c[0], c[1], c[2], c[3], BoxVertices);
        for (int k = 0; k < 4; ++k) {
            Faces[f].EdgeIndex[k] = uint16_t(FaceEdges[f][k]);
        }
        Faces[f].MaterialIndex = 0;
    }
    CentroidOffset.Set(0.0f, 0.0f, 0.0f);
    CalcExtents();
}

phBoundBox::~phBoundBox() {
    delete[] BoxMaterials;
}

phMaterial* phBoundBox::GetMaterial(int index) {
    return BoxMaterials[index];
}

float phBoundBox::GetEdgeAngle(int) {
    return 0.7853982f;
}

Vector3 phBoundBox::GetEdgeNormal(int edge, Vector3& out) {
    out = EdgeNormals[edge];
    return out;
}

bool phBoundBox::SetSize(const Vector3& size) {
    if (!HasRoom(size, "phBoundBox::SetSize()")) {
        return false;
    }
    Size = size;
    for (int i = 0; i < 8; ++i) {
        BoxVertices[i].Set(UnitVertices[i].x * size.x + CentroidOffset.x,
                           UnitVertices[i].y * size.y + CentroidOffset.y,
                           UnitVertices[i].z * size.z + CentroidOffset.z);
    }
    for (int f = 5; f >= 0; --f) {
        Faces[f].ComputeNormal(BoxVertices);
    }
    CalcExtents();
    return true;
}

bool phBoundBox::ScaleSize(const Vector3& scale) {
    Vector3 extent = BoxMax - BoxMin;
    return SetSize(Vector3(extent.x * scale.x, extent.y * scale.y, extent.z * scale.z));
}

void phBoundBox::OffsetVertices(const Vector3& offset) {
    for (Vector3& v : BoxVertices) {
        v += offset;
    }
    CalcExtents();
}

void phBoundBox::CalcExtents() {
    BoxMax = Size * 0.5f;
    BoxMin = BoxMax * -1.0f;
    RadiusAroundCentroid = BoxMax.Mag();
    BoxMax += CentroidOffset;
    BoxMin += CentroidOffset;
    ScaleMargins();
}

bool phBoundBox::Load(const char* name) {
    BoxFile file(BoxMaterials);
    if (!file.Read("phBoundBox", name)) {
        return false;
    }
    // The list holds six materials whatever the file's count.
    NumMaterials = file.NumMaterials < NUM_MATERIALS ? file.NumMaterials : NUM_MATERIALS;
    BoxMin = file.BoxMin;
    BoxMax = file.BoxMax;
    return true;
}

// The slab test between lo and hi. Faces 2k and 2k + 1 are the plus and minus faces of axis
// k; an entering face is taken only for t >= 0 and a leaving one only for t <= 1 (-1 when
// there is none). False when the segment misses the box.
bool phBoundBox::Slabs(const Vector3& start, const Vector3& end, const Vector3& lo,
                       const Vector3& hi, int& enterFace, float& tEnter, int& exitFace,
                       float& tExit) {
    enterFace = exitFace = -1;
    tEnter = -1.0f;
    tExit = 2.0f;
    for (int axis = 0; axis < 3; ++axis) {
        float s = Component(start, axis);
        float d = Component(end, axis) - s;
        float low = Component(lo, axis), high = Component(hi, axis);
        if (d == 0.0f) {
            if (s < low || s > high) {
                return false;
            }
            continue;
        }
        float t0 = ((d > 0.0f ? low : high) - s) / d;
        float t1 = ((d > 0.0f ? high : low) - s) / d;
        if (t1 < 0.0f || t0 > 1.0f) {
            return false;
        }
        if (t0 >= 0.0f && t0 > tEnter) {
            tEnter = t0;
            enterFace = 2 * axis + (d > 0.0f ? 1 : 0);
        }
        if (t1 <= 1.0f && t1 < tExit) {
            tExit = t1;
            exitFace = 2 * axis + (d > 0.0f ? 0 : 1);
        }
        if (tEnter > tExit) {
            return false;
        }
    }
    return true;
}

void phBoundBox::WriteHit(const phSegment& segment, int face, float t, bool entering,
                          phIsect& isect) const {
    const Vector3& n = Faces[face].Normal;
    const Vector3& corner = BoxVertices[FaceCorners[face][0]];
    // How far the far end (entering) or the start (leaving) lies behind the face.
    const Vector3& behind = entering ? segment.End : segment.Start;
    Vector3 position = segment.Start + (segment.End - segment.Start) * t;
    isect.SetHit(position, n, t, -(behind - corner).Dot(n), entering);
    isect.PolyIndex = face;
}

bool phBoundBox::TestProbePoint(phSegment& segment, phIsect* isect, float tLimit) {
    int enterFace, exitFace;
    float tEnter, tExit;
    if (!Slabs(segment.Start, segment.End, BoxMin, BoxMax, enterFace, tEnter, exitFace, tExit) ||
        enterFace < 0 || tEnter > tLimit) {
        return false;
    }
    WriteHit(segment, enterFace, tEnter, true, *isect);
    return true;
}

bool phBoundBox::TestAIPoint(phSegment& segment, phIsect* isect) {
    return TestProbePoint(segment, isect, 2.0f);
}

bool phBoundBox::TestProbeSegment(phSegment& segment, phIsect* isect, float tLimit) {
    if (!TestProbePoint(segment, isect, tLimit)) {
        return false;
    }
    isect->Polygon = &Faces[isect->PolyIndex];
    return true;
}

int phBoundBox::TestEdgeSegment(phSegment& segment, phIsect* isects, int maxi) {
    Assert(maxi >= 2);
    int enterFace, exitFace;
    float tEnter, tExit;
    if (!Slabs(segment.Start, segment.End, BoxMin, BoxMax, enterFace, tEnter, exitFace, tExit)) {
        return 0;
    }
    int count = 0;
    if (enterFace >= 0) {
        WriteHit(segment, enterFace, tEnter, true, isects[count]);
        isects[count++].Polygon = &Faces[enterFace];
    }
    if (exitFace >= 0) {
        WriteHit(segment, exitFace, tExit, false, isects[count]);
        isects[count++].Polygon = &Faces[exitFace];
    }
    return count;
}

// Slabs from -h to h; h is a half extent on every axis, the depth measured from the face
// corner h x (+-1, +-1, +-1).
int phBoundBox::TestCentredSegment(const Vector3& start, const Vector3& end, const Vector3& h,
                                   float tLimit, phIsect& isect) {
    int face, exitFace;
    float tEnter, tExit;
    if (!Slabs(start, end, h * -1.0f, h, face, tEnter, exitFace, tExit)) {
        return -1;
    }
    if (face < 0 || tEnter > tLimit) {
        return -1;
    }
    const Vector3& n = FaceNormals[face];
    const Vector3& c = CornerDirections[FaceCorners[face][0]];
    Vector3 corner(c.x * h.x, c.y * h.y, c.z * h.z);
    isect.SetHit(start + (end - start) * tEnter, n, tEnter, -(end - corner).Dot(n), true);
    isect.PolyIndex = face;
    return face;
}
