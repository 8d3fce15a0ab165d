#ifndef TESTS_ENGINE_PHBOUND_MESHES_H
#define TESTS_ENGINE_PHBOUND_MESHES_H

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "phbound/boundpolygonal.h"
#include "phcore/material.h"
#include "phcore/poly.h"

// A polygonal bound built from corner lists for the collision tests. Each face is wound so
// that its normal points along the wanted direction; edges come from the faces' sides, each
// with the mean normal of its faces.
class TestMesh : public phBoundPolygonal {
public:
    TestMesh() : phBoundPolygonal(GEOMETRY) { NumMaterials = 1; }

    phMaterial* GetMaterial(int) override { return &m_Material; }
    float GetEdgeAngle(int) override { return m_EdgeAngle; }
    Vector3 GetEdgeNormal(int edge, Vector3& out) override {
        out = m_EdgeNormals[edge];
        return out;
    }

    int AddVertex(float x, float y, float z) {
        m_Vertices.push_back(Vector3(x, y, z));
        return int(m_Vertices.size()) - 1;
    }

    void AddFace(std::vector<int> corners, const Vector3& wanted) {
        Vector3 n = Normal(corners);
        if (n.Dot(wanted) < 0.0f) {
            corners = std::vector<int>(corners.rbegin(), corners.rend());
        }
        // A quad cannot end with vertex 0: the fourth index 0 marks a triangle.
        while (corners.size() == 4 && corners[3] == 0) {
            corners.insert(corners.begin(), corners.back());
            corners.pop_back();
        }
        m_Faces.push_back(corners);
    }

    // Fixes the arrays; call once after the last face.
    void Finish() {
        m_Polygons.assign(m_Faces.size(), phPolygon());
        for (size_t p = 0; p < m_Faces.size(); ++p) {
            const std::vector<int>& c = m_Faces[p];
            phPolygon& polygon = m_Polygons[p];
            if (c.size() == 4) {
                polygon.InitQuad(c[0], c[1], c[2], c[3], m_Vertices.data());
            } else {
                polygon.InitTriangle(c[0], c[1], c[2], m_Vertices.data());
            }
            for (size_t k = 0; k < c.size(); ++k) {
                polygon.EdgeIndex[k] = uint16_t(EdgeOf(c[k], c[(k + 1) % c.size()]));
            }
        }
        m_EdgeNormals.assign(m_Edges.size(), Vector3(0.0f, 0.0f, 0.0f));
        for (const phPolygon& polygon : m_Polygons) {
            for (int k = 0; k < polygon.NumSides(); ++k) {
                m_EdgeNormals[polygon.EdgeIndex[k]] += polygon.Normal;
            }
        }
        for (Vector3& normal : m_EdgeNormals) {
            normal.Normalize();
        }
        NumVertices = int(m_Vertices.size());
        NumPolygons = int(m_Polygons.size());
        NumEdges = int(m_Edges.size());
        Vertices = m_Vertices.data();
        Polygons = m_Polygons.data();
        Edges = reinterpret_cast<uint16_t(*)[2]>(m_Edges.data());
        if (m_Vertices.empty()) {
            return;
        }
        Vector3 low = m_Vertices[0];
        Vector3 high = m_Vertices[0];
        for (const Vector3& v : m_Vertices) {
            low.Set(std::fmin(low.x, v.x), std::fmin(low.y, v.y), std::fmin(low.z, v.z));
            high.Set(std::fmax(high.x, v.x), std::fmax(high.y, v.y), std::fmax(high.z, v.z));
        }
        BoxMin = low;
        BoxMax = high;
        CalcCentroidAndRadius();
    }

    float m_EdgeAngle = 0.70710678f;
    phMaterial m_Material;

private:
    Vector3 Normal(const std::vector<int>& c) const {
        Vector3 n;
        n.Cross(m_Vertices[c[2]] - m_Vertices[c[1]], m_Vertices[c[0]] - m_Vertices[c[1]]);
        return n;
    }

    int EdgeOf(int a, int b) {
        for (size_t e = 0; e < m_Edges.size(); ++e) {
            if ((m_Edges[e].v[0] == a && m_Edges[e].v[1] == b) ||
                (m_Edges[e].v[0] == b && m_Edges[e].v[1] == a)) {
                return int(e);
            }
        }
        m_Edges.push_back({{uint16_t(a), uint16_t(b)}});
        return int(m_Edges.size()) - 1;
    }

    struct EdgePair {
        uint16_t v[2];
    };
    static_assert(sizeof(EdgePair) == 4, "edges are viewed as pairs of u16");

    std::vector<Vector3> m_Vertices;
    std::vector<std::vector<int>> m_Faces;
    std::vector<phPolygon> m_Polygons;
    std::vector<EdgePair> m_Edges;
    std::vector<Vector3> m_EdgeNormals;
};

// An axis-aligned box about the origin: faces +x, -x, +y, -y, +z, -z in that order; extra
// vertices at the centre, in no face, after the eight corners.
inline void MakeBox(TestMesh& mesh, float hx, float hy, float hz, int extra = 0) {
    for (int i = 0; i < 8; ++i) {
        mesh.AddVertex(i & 1 ? hx : -hx, i & 2 ? hy : -hy, i & 4 ? hz : -hz);
    }
    for (int i = 0; i < extra; ++i) {
        mesh.AddVertex(0.0f, 0.0f, 0.0f);
    }
    mesh.AddFace({1, 3, 7, 5}, Vector3(1, 0, 0));
    mesh.AddFace({0, 2, 6, 4}, Vector3(-1, 0, 0));
    mesh.AddFace({2, 3, 7, 6}, Vector3(0, 1, 0));
    mesh.AddFace({0, 1, 5, 4}, Vector3(0, -1, 0));
    mesh.AddFace({4, 5, 7, 6}, Vector3(0, 0, 1));
    mesh.AddFace({0, 1, 3, 2}, Vector3(0, 0, -1));
    mesh.Finish();
}

inline void MakeUnitCube(TestMesh& mesh) {
    MakeBox(mesh, 0.5f, 0.5f, 0.5f);
}

// A square at height y, facing up, of half-size h; split into two triangles when asked.
inline void MakeFloor(TestMesh& mesh, float h, float y, bool triangles) {
    mesh.AddVertex(-h, y, -h);
    mesh.AddVertex(h, y, -h);
    mesh.AddVertex(h, y, h);
    mesh.AddVertex(-h, y, h);
    Vector3 up(0, 1, 0);
    if (triangles) {
        mesh.AddFace({0, 1, 2}, up);
        mesh.AddFace({0, 2, 3}, up);
    } else {
        mesh.AddFace({0, 1, 2, 3}, up);
    }
    mesh.Finish();
}

// Sets the process-wide collision margin for one test and puts the old one back.
class CollisionMarginScope {
public:
    explicit CollisionMarginScope(float margin) : m_Old(phCollisionMargin) {
        phCollisionMargin = margin;
    }
    ~CollisionMarginScope() { phCollisionMargin = m_Old; }

private:
    float m_Old;
};

inline Matrix34 Translation(float x, float y, float z) {
    Matrix34 m = Matrix34::sm_Identity;
    m.d.Set(x, y, z);
    return m;
}

#endif
