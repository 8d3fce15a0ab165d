#ifndef LEVEL_PATHSET_H
#define LEVEL_PATHSET_H

#include <cstdint>
#include <memory>

#include "data/assert.h"
#include "vector/matrix34.h"
#include "vector/vector3.h"

struct Stream;

// Paths laid over the city (lines of props, left and right marks, decal strips) and the set
// of at most MAX_PATHS of them that the ".pathset" file holds. The editor's front end to a
// set is qvPathSet (level/pathedit.h).

const int MAX_PATHS = 192;

// 16 bytes in memory and in the file. The word holds a 24-bit value in its low bits and an
// 8-bit value in its high bits; nothing here reads them, and they are written back as read.
struct qvPathVertex {
    Vector3 m_Position;
    uint32_t m_Word;
};
static_assert(sizeof(qvPathVertex) == 16, "a path vertex is 16 bytes");

// Called by qvPath::Walk with each placement; user is the walker's own.
typedef void (*qvPathPlaceFunc)(const Matrix34& placement, void* user);

class qvPath {
public:
    enum Type { Points = 0, Lines = 1, LineStrip = 2 };
    static const int NAME_SIZE = 32;
    // Vertices are allocated this many at a time.
    static const int GROW = 32;

    explicit qvPath(const char* name);

    // A name of NAME_SIZE characters or more keeps its first NAME_SIZE - 1.
    void SetName(const char* name);
    const char* GetName() const { return m_Name; }

    int GetVertexCount() const { return m_VertCount; }
    qvPathVertex& GetVertex(int index) {
        Assert(index >= 0 && index < m_VertCount);
        return m_Vertices[index];
    }
    const qvPathVertex& GetVertex(int index) const {
        return const_cast<qvPath*>(this)->GetVertex(index);
    }
    // An index below 0 or past the count inserts at the current vertex. The current index
    // then grows by one, so the old current vertex stays current; a vertex added after the
    // last one becomes current.
    void InsertVertex(const qvPathVertex& vertex, int index);
    // Later vertices move down; a current index past the new last one becomes the last.
    void DeleteVertex(int index);
    // The vertex nearest the mouse on screen becomes current (the earliest on ties).
    void SelectNearestVertex();

    // 0 .. the count, which stands for "after the last vertex".
    int GetCurrentVertex() const { return m_CurrentVertex; }
    // The current vertex for reading: vertex 0 when the index is past the end.
    int ReadIndex() const { return m_CurrentVertex < m_VertCount ? m_CurrentVertex : 0; }
    // The current vertex for writing: the last one when the index is past the end.
    int WriteIndex() const {
        return m_CurrentVertex < m_VertCount ? m_CurrentVertex : m_VertCount - 1;
    }

    int GetType() const { return m_Type; }
    void SetType(int type) {
        Assert(type >= Points && type <= LineStrip);
        m_Type = type;
    }
    float GetSpacing() const { return m_Spacing; }
    void SetSpacing(float spacing) { m_Spacing = spacing; }

    // A path record of the ".pathset" file. Load gives null, with an error, for a record that
    // is cut short or no sound path; the count is checked against the bytes left first.
    static std::unique_ptr<qvPath> Load(Stream* stream);
    void Save(Stream* stream) const;

    // Through the installed path drawer; nothing without one.
    void Draw(bool highlighted) const;
    // Calls place with a placement matrix per prop: one per point, one per left-right pair,
    // and along a line strip one every spacing or a little more.
    void Walk(qvPathPlaceFunc place, void* user, float spacing) const;

    void SelectVertex(int idx) {
        Assert(idx >= 0 && idx < m_VertCount);
        m_CurrentVertex = idx;
    }

    // The editor's "Show Indices" (off) and "Show Markers" (on), shared by every path.
    static uint8_t sm_ShowIndices;
    static uint8_t sm_ShowMarkers;

private:
    void WalkStrip(qvPathPlaceFunc place, void* user, float spacing) const;

    char m_Name[NAME_SIZE];
    std::unique_ptr<qvPathVertex[]> m_Vertices;
    int m_VertCount;
    int m_Capacity;
    int m_CurrentVertex;
    int m_Type;
    float m_Spacing;
};

// A textured strip through the path, the texture named like the path; needs two vertices.
void DrawPathDecal(const qvPath& path);

class qvPathSetBase {
public:
    qvPathSetBase() : m_PathCount(0), m_CurrentPath(0) {}
    virtual ~qvPathSetBase() { Clear(); }

    // Deletes every path; the count and the current path become 0.
    void Clear();

    uint32_t GetPathCount() const { return m_PathCount; }
    qvPath* GetPath(uint32_t index) const {
        return index < m_PathCount ? m_Paths[index].get() : nullptr;
    }
    uint32_t GetCurrentPathIndex() const { return m_CurrentPath; }
    // Null when the set is empty.
    qvPath* GetCurrentPath() const { return GetPath(m_CurrentPath); }

protected:
    std::unique_ptr<qvPath> m_Paths[MAX_PATHS];
    uint32_t m_PathCount;
    uint32_t m_CurrentPath;
};

#endif
