#include "cityedit/psdltool.h"

#include "city/psdl.h"
#include "data/assert.h"
#include "data/bytes.h"
#include "vector/vector3.h"

#include <algorithm>
#include <vector>

namespace {

const uint32_t HashHeads = 65536;
const uint32_t Growth = 1024;

// Adding 0 turns -0 into +0, so that the two meet in one chain, where they compare equal.
// The coordinates are mixed rather than multiplied: a product puts every vertex with one zero
// coordinate (all the ground at height 0) and most round coordinates into chain 0.
uint32_t HashKey(const Vector3& p) {
    uint32_t key = BitsFromFloat(p.x + 0.0f) * 0x9E3779B1u;
    key = (key ^ BitsFromFloat(p.y + 0.0f)) * 0x85EBCA77u;
    key = (key ^ BitsFromFloat(p.z + 0.0f)) * 0xC2B2AE3Du;
    return (key ^ (key >> 16)) & 0xFFFF;
}

uint32_t HashKey(float value) {
    uint32_t key = BitsFromFloat(value + 0.0f) * 0x9E3779B1u;
    return (key ^ (key >> 16)) & 0xFFFF;
}

bool Equal(const Vector3& a, const Vector3& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

bool Equal(float a, float b) {
    return a == b;
}

// Chains of table entries by key, so that the first entry equal to a value is found without
// searching the table. A node keeps the value it was entered with; nodes are freed only when
// the chains are made anew.
template <typename T>
class IndexChains {
public:
    void Clear() {
        m_Heads.assign(HashHeads, -1);
        m_Nodes.clear();
    }

    int32_t Find(const T& value, uint32_t key) const {
        for (int32_t node = m_Heads[key]; node >= 0; node = m_Nodes[node].m_Next) {
            if (Equal(m_Nodes[node].m_Value, value)) {
                return int32_t(m_Nodes[node].m_Index);
            }
        }
        return -1;
    }

    void Add(const T& value, uint32_t index, uint32_t key) {
        m_Nodes.push_back(Node{value, index, m_Heads[key]});
        m_Heads[key] = int32_t(m_Nodes.size() - 1);
    }

    // Enters table entries first to end - 1; of equal entries the first keeps the chain.
    void Enter(const T* table, uint32_t first, uint32_t end) {
        for (uint32_t i = first; i < end; ++i) {
            uint32_t key = HashKey(table[i]);
            if (Find(table[i], key) < 0) {
                Add(table[i], i, key);
            }
        }
    }

private:
    struct Node {
        T m_Value;
        uint32_t m_Index;
        int32_t m_Next;  // node number, -1 at the end of the chain
    };

    std::vector<int32_t> m_Heads;
    std::vector<Node> m_Nodes;
};

IndexChains<Vector3> sm_VertexHash;
IndexChains<float> sm_FloatHash;
// Float table entries entered in the float hash.
uint32_t sm_FloatsEntered;

// The spare pool stays behind the vertices: the table always has room for it.
void GrowVertices() {
    lvlPSDL::sm_VertexCapacity += Growth;
    lvlPSDL::sm_Vertices.resize(lvlPSDL::sm_VertexCapacity + lvlPSDL::SpareVertices);
    std::fill(lvlPSDL::sm_Vertices.begin() + lvlPSDL::sm_VertexCount, lvlPSDL::sm_Vertices.end(),
              Vector3());
}

// The float hash covers the table as it stands: made anew for a new or shortened table, and
// given the entries appended since it was last used.
void UpdateFloatHash() {
    const std::vector<float>& floats = lvlPSDL::sm_Floats;
    if (lvlPSDL::sm_FloatHashStale || floats.size() < sm_FloatsEntered) {
        sm_FloatHash.Clear();
        sm_FloatsEntered = 0;
        lvlPSDL::sm_FloatHashStale = false;
    }
    sm_FloatHash.Enter(floats.data(), sm_FloatsEntered, uint32_t(floats.size()));
    sm_FloatsEntered = uint32_t(floats.size());
}

}  // namespace

uint16_t VertexIndex(const Vector3& position) {
    if (lvlPSDL::sm_VertexHashStale) {
        sm_VertexHash.Clear();
        sm_VertexHash.Enter(lvlPSDL::sm_Vertices.data(), 0, lvlPSDL::sm_VertexCount);
        lvlPSDL::sm_VertexHashStale = false;
    }
    uint32_t key = HashKey(position);
    int32_t found = sm_VertexHash.Find(position, key);
    if (found >= 0) {
        return uint16_t(found);
    }
    Assert(lvlPSDL::sm_VertexCount < lvlPSDL::MaxVertices);
    if (lvlPSDL::sm_VertexCount == lvlPSDL::sm_VertexCapacity) {
        GrowVertices();
    }
    uint32_t index = lvlPSDL::sm_VertexCount++;
    lvlPSDL::sm_Vertices[index] = position;
    sm_VertexHash.Add(position, index, key);
    return uint16_t(index);
}

uint16_t FloatIndex(float value) {
    UpdateFloatHash();
    uint32_t key = HashKey(value);
    int32_t found = sm_FloatHash.Find(value, key);
    if (found >= 0) {
        return uint16_t(found);
    }
    std::vector<float>& floats = lvlPSDL::sm_Floats;
    Assert(floats.size() < lvlPSDL::MaxFloats);
    if (floats.size() == floats.capacity()) {
        floats.reserve(floats.size() + Growth);
    }
    floats.push_back(value);
    sm_FloatHash.Add(value, uint32_t(floats.size() - 1), key);
    sm_FloatsEntered = uint32_t(floats.size());
    return uint16_t(floats.size() - 1);
}
