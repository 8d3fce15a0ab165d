// Clean-up of mesh bounds for preparation tools: welding duplicate vertices and edges,
// dropping degenerate and doubled polygons, and merging coplanar triangle pairs into quads.
#include "phbound/boundgeometry.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "data/assert.h"
#include "phcore/poly.h"

namespace {

const float CollinearTolerance = 0.0005f;

bool SameEdge(const uint16_t* a, const uint16_t* b) {
    return (a[0] == b[0] && a[1] == b[1]) || (a[0] == b[1] && a[1] == b[0]);
}

bool HasVertex(const phPolygon& polygon, int vertex) {
    int sides = polygon.NumSides();
    for (int k = 0; k < sides; ++k) {
        if (polygon.VertexIndex[k] == vertex) {
            return true;
        }
    }
    return false;
}

Vector3 Direction(const Vector3& from, const Vector3& to) {
    Vector3 d = to - from;
    d.Normalize();
    return d;
}

}  // namespace

bool AreEdgesCollinear(const Vector3& p0, const Vector3& p1, const Vector3& p2, float tolerance) {
    float c = Direction(p0, p1).Dot(Direction(p1, p2));
    c = std::max(-1.0f, std::min(1.0f, c));
    return std::acos(std::fabs(c)) < tolerance;
}

bool IsConvexQuad(const Vector3& a, const Vector3& b, const Vector3& c, const Vector3& d) {
    Vector3 e0 = Direction(a, b), e1 = Direction(b, c), e2 = Direction(c, d), e3 = Direction(d, a);
    Vector3 c1, c2, c3, c4;
    c1.Cross(e0, e1);
    c2.Cross(e1, e2);
    c3.Cross(e2, e3);
    c4.Cross(e3, e0);
    return c1.Dot(c2) > 0.0f && c2.Dot(c3) > 0.0f && c3.Dot(c4) > 0.0f;
}

void phBoundGeometry::RemovePolygon(int index) {
    for (int i = index; i + 1 < NumPolygons; ++i) {
        Polygons[i] = Polygons[i + 1];
    }
    --NumPolygons;
}

// Later edges move down with their normals and angles; polygon edge ids above follow.
void phBoundGeometry::RemoveEdge(int edge) {
    for (int i = edge; i + 1 < NumEdges; ++i) {
        EdgeStorage[i][0] = EdgeStorage[i + 1][0];
        EdgeStorage[i][1] = EdgeStorage[i + 1][1];
        if (GeomEdgeNormals) {
            GeomEdgeNormals[i] = GeomEdgeNormals[i + 1];
            GeomEdgeAngles[i] = GeomEdgeAngles[i + 1];
        }
    }
    --NumEdges;
    for (int p = 0; p < NumPolygons; ++p) {
        for (uint16_t& id : Polygons[p].EdgeIndex) {
            if (id > edge) {
                --id;
            }
        }
    }
}

bool phBoundGeometry::WeldVertices() {
    std::vector<int> map(NumVertices);
    int distinct = 0;
    for (int i = 0; i < NumVertices; ++i) {
        map[i] = i;
    }
    for (int i = 0; i < NumVertices; ++i) {
        if (map[i] != i) {
            continue;
        }
        ++distinct;
        const Vector3& v = VertexStorage[i];
        for (int j = i + 1; j < NumVertices; ++j) {
            const Vector3& w = VertexStorage[j];
            if (map[j] == j && v.x == w.x && v.y == w.y && v.z == w.z) {
                map[j] = i;
            }
        }
    }
    if (distinct == NumVertices) {
        return false;
    }
    std::vector<bool> used(NumVertices, false);
    for (int p = 0; p < NumPolygons; ++p) {
        const phPolygon& polygon = Polygons[p];
        for (int k = 0; k < polygon.NumSides(); ++k) {
            used[map[polygon.VertexIndex[k]]] = true;
        }
    }
    // A vertex that is neither used nor welded has no place any more; edges that still name
    // it would name whatever moves there, so they go.
    for (int e = NumEdges - 1; e >= 0; --e) {
        int a = EdgeStorage[e][0], b = EdgeStorage[e][1];
        if ((map[a] == a && !used[a]) || (map[b] == b && !used[b])) {
            RemoveEdge(e);
        }
    }
    int dropped = 0;
    for (int i = 0; i < NumVertices; ++i) {
        if (used[i]) {
            VertexStorage[i - dropped] = VertexStorage[i];
            map[i] = i - dropped;
        } else {
            ++dropped;
            map[i] = map[map[i]];
        }
    }
    NumVertices -= dropped;
    for (int p = 0; p < NumPolygons; ++p) {
        phPolygon& polygon = Polygons[p];
        bool quad = polygon.NumSides() == 4;
        for (int k = 0; k < (quad ? 4 : 3); ++k) {
            polygon.VertexIndex[k] = uint16_t(map[polygon.VertexIndex[k]]);
        }
        if (quad && polygon.VertexIndex[3] == 0) {
            polygon.RotateVertices();
        }
    }
    for (int e = 0; e < NumEdges; ++e) {
        EdgeStorage[e][0] = uint16_t(map[EdgeStorage[e][0]]);
        EdgeStorage[e][1] = uint16_t(map[EdgeStorage[e][1]]);
    }
    return true;
}

bool phBoundGeometry::MergeEdges() {
    std::vector<int> map(NumEdges);
    int distinct = 0;
    for (int i = 0; i < NumEdges; ++i) {
        map[i] = i;
    }
    for (int i = 0; i < NumEdges; ++i) {
        if (map[i] != i) {
            continue;
        }
        ++distinct;
        for (int j = i + 1; j < NumEdges; ++j) {
            if (map[j] == j && SameEdge(EdgeStorage[i], EdgeStorage[j])) {
                map[j] = i;
            }
        }
    }
    for (int p = 0; p < NumPolygons; ++p) {
        for (int k = 0; k < Polygons[p].NumSides(); ++k) {
            Polygons[p].EdgeIndex[k] = uint16_t(map[Polygons[p].EdgeIndex[k]]);
        }
    }
    if (distinct == NumEdges) {
        return false;
    }
    std::vector<bool> used(NumEdges, false);
    for (int p = 0; p < NumPolygons; ++p) {
        for (int k = 0; k < Polygons[p].NumSides(); ++k) {
            used[Polygons[p].EdgeIndex[k]] = true;
        }
    }
    int dropped = 0;
    for (int i = 0; i < NumEdges; ++i) {
        if (used[i]) {
            int to = i - dropped;
            EdgeStorage[to][0] = EdgeStorage[i][0];
            EdgeStorage[to][1] = EdgeStorage[i][1];
            if (GeomEdgeNormals) {
                GeomEdgeNormals[to] = GeomEdgeNormals[i];
                GeomEdgeAngles[to] = GeomEdgeAngles[i];
            }
            map[i] = to;
        } else {
            ++dropped;
            map[i] = map[map[i]];
        }
    }
    for (int p = 0; p < NumPolygons; ++p) {
        for (int k = 0; k < Polygons[p].NumSides(); ++k) {
            Polygons[p].EdgeIndex[k] = uint16_t(map[Polygons[p].EdgeIndex[k]]);
        }
    }
    NumEdges -= dropped;
    return true;
}

void phBoundGeometry::RemoveDegenerateTriangles() {
    for (int i = 0; i < NumPolygons;) {
        const phPolygon& polygon = Polygons[i];
        if (polygon.NumSides() == 3) {
            int a = polygon.VertexIndex[0], b = polygon.VertexIndex[1], c = polygon.VertexIndex[2];
            if (a == b || b == c || a == c ||
                AreEdgesCollinear(VertexStorage[a], VertexStorage[b], VertexStorage[c],
                                  CollinearTolerance)) {
                RemovePolygon(i);
                continue;
            }
        }
        ++i;
    }
}

void phBoundGeometry::RemoveDuplicatePolygons() {
    for (int i = 0; i < NumPolygons; ++i) {
        for (int j = i + 1; j < NumPolygons;) {
            const phPolygon& a = Polygons[i];
            const phPolygon& b = Polygons[j];
            bool same = a.NumSides() == b.NumSides() && a.Normal.Dot(b.Normal) > 0.0f;
            for (int k = 0; same && k < a.NumSides(); ++k) {
                same = HasVertex(b, a.VertexIndex[k]);
            }
            if (same) {
                RemovePolygon(j);
            } else {
                ++j;
            }
        }
    }
}

bool phBoundGeometry::RemoveDuplicates() {
    bool welded = WeldVertices();
    MergeEdges();
    RemoveDegenerateTriangles();
    RemoveDuplicatePolygons();
    return welded;
}

bool phBoundGeometry::MergeCoplanarTriangles() {
    RemoveDuplicates();
    bool found = false;
    for (int i = 0; i < NumPolygons; ++i) {
        if (Polygons[i].NumSides() != 3) {
            continue;
        }
        for (int j = i + 1; j < NumPolygons; ++j) {
            phPolygon& a = Polygons[i];
            const phPolygon& b = Polygons[j];
            if (b.NumSides() != 3 || b.MaterialIndex != a.MaterialIndex ||
                (b.Normal - a.Normal).Mag2() > 1e-6f) {
                continue;
            }
            int shared = -1;
            for (int k = 0; k < 3 && shared < 0; ++k) {
                for (int l = 0; l < 3; ++l) {
                    if (a.EdgeIndex[k] == b.EdgeIndex[l]) {
                        shared = a.EdgeIndex[k];
                        break;
                    }
                }
            }
            if (shared < 0) {
                continue;
            }
            found = true;
            int p = EdgeStorage[shared][0], q = EdgeStorage[shared][1];
            int x = -1;
            for (int k = 0; k < 3 && x < 0; ++k) {
                if (b.VertexIndex[k] != p && b.VertexIndex[k] != q) {
                    x = b.VertexIndex[k];
                }
            }
            if (x < 0) {
                continue;
            }
            int t0 = a.VertexIndex[0], t1 = a.VertexIndex[1], t2 = a.VertexIndex[2];
            int quad[4];
            if (t0 != p && t0 != q) {
                quad[0] = t0, quad[1] = t1, quad[2] = x, quad[3] = t2;
            } else if (t2 != p && t2 != q) {
                quad[0] = x, quad[1] = t1, quad[2] = t2, quad[3] = t0;
            } else {
                quad[0] = t0, quad[1] = t1, quad[2] = t2, quad[3] = x;
            }
            const Vector3* v = VertexStorage;
            bool accepted = IsConvexQuad(v[quad[0]], v[quad[1]], v[quad[2]], v[quad[3]]);
            for (int k = 0; accepted && k < 4; ++k) {
                accepted = !AreEdgesCollinear(v[quad[k]], v[quad[(k + 1) & 3]],
                                              v[quad[(k + 2) & 3]], CollinearTolerance);
            }
            if (!accepted) {
                continue;
            }
            if (quad[3] == 0) {
                std::rotate(quad, quad + 1, quad + 4);
            }
            uint16_t edges[4];
            for (int k = 0; k < 4; ++k) {
                const uint16_t pair[2] = {uint16_t(quad[k]), uint16_t(quad[(k + 1) & 3])};
                int temp = -1;
                for (int l = 0; l < 3 && temp < 0; ++l) {
                    if (SameEdge(EdgeStorage[a.EdgeIndex[l]], pair)) {
                        temp = a.EdgeIndex[l];
                    }
                }
                for (int l = 0; l < 3 && temp < 0; ++l) {
                    if (SameEdge(EdgeStorage[b.EdgeIndex[l]], pair)) {
                        temp = b.EdgeIndex[l];
                    }
                }
                Assert(temp >= 0);
                edges[k] = uint16_t(temp);
            }
            a.InitQuad(quad[0], quad[1], quad[2], quad[3], VertexStorage);
            std::copy(edges, edges + 4, a.EdgeIndex);
            RemovePolygon(j);
            bool referred = false;
            for (int r = 0; r < NumPolygons && !referred; ++r) {
                for (int k = 0; k < Polygons[r].NumSides(); ++k) {
                    referred = referred || Polygons[r].EdgeIndex[k] == shared;
                }
            }
            if (!referred) {
                RemoveEdge(shared);
            }
            break;
        }
    }
    return found;
}
