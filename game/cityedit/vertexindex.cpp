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

struct VertexNode {
    float x, y, z;
    uint32_t m_Index;
    int32_t m_Next;  // node number, -1 at the end of the chain
};

// Chains of nodes, which are never freed; heads and links are node numbers.
std::vector<int32_t> sm_VertexHash;
std::vector<VertexNode> sm_VertexNodes;

// Adding 0 turns -0 into +0, so that the two meet in one chain, where they compare equal.
// The coordinates are mixed rather than multiplied: a product puts every vertex with one zero
// coordinate (all the ground at height 0) and most round coordinates into chain 0.
uint32_t HashKey(const Vector3& p) {
    uint32_t key = BitsFromFloat(p.x + 0.0f) * 0x9E3779B1u;
    key = (key ^ BitsFromFloat(p.y + 0.0f)) * 0x85EBCA77u;
    key = (key ^ BitsFromFloat(p.z + 0.0f)) * 0xC2B2AE3Du;
    return (key ^ (key >> 16)) & 0xFFFF;
}

int32_t Find(const Vector3& p, uint32_t key) {
    for (int32_t node = sm_VertexHash[key]; node >= 0; node = sm_VertexNodes[node].m_Next) {
        const VertexNode& n = sm_VertexNodes[node];
        if (n.x == p.x && n.y == p.y && n.z == p.z) {
            return int32_t(n.m_Index);
        }
    }
    return -1;
}

void AddNode(const Vector3& p, uint32_t index, uint32_t key) {
    sm_VertexNodes.push_back(VertexNode{p.x, p.y, p.z, index, sm_VertexHash[key]});
    sm_VertexHash[key] = int32_t(sm_VertexNodes.size() - 1);
}

void FillFromTable() {
    sm_VertexHash.assign(HashHeads, -1);
    sm_VertexNodes.clear();
    // The first of equal positions in the table keeps the chain.
    for (uint32_t i = 0; i < lvlPSDL::sm_VertexCount; ++i) {
        const Vector3& p = lvlPSDL::sm_Vertices[i];
        uint32_t key = HashKey(p);
        if (Find(p, key) < 0) {
            AddNode(p, i, key);
        }
    }
    lvlPSDL::sm_VertexHashStale = false;
}

// The spare pool stays behind the vertices: the table always has room for it.
void GrowVertices() {
    lvlPSDL::sm_VertexCapacity += Growth;
    lvlPSDL::sm_Vertices.resize(lvlPSDL::sm_VertexCapacity + lvlPSDL::SpareVertices);
    std::fill(lvlPSDL::sm_Vertices.begin() + lvlPSDL::sm_VertexCount, lvlPSDL::sm_Vertices.end(),
              Vector3());
}

}  // namespace

uint16_t VertexIndex(const Vector3& position) {
    if (lvlPSDL::sm_VertexHashStale) {
        FillFromTable();
    }
    uint32_t key = HashKey(position);
    int32_t found = Find(position, key);
    if (found >= 0) {
        return uint16_t(found);
    }
    Assert(lvlPSDL::sm_VertexCount < lvlPSDL::MaxVertices);
    if (lvlPSDL::sm_VertexCount == lvlPSDL::sm_VertexCapacity) {
        GrowVertices();
    }
    uint32_t index = lvlPSDL::sm_VertexCount++;
    lvlPSDL::sm_Vertices[index] = position;
    AddNode(position, index, key);
    return uint16_t(index);
}

uint16_t FloatIndex(float value) {
    std::vector<float>& floats = lvlPSDL::sm_Floats;
    for (uint32_t i = 0; i < floats.size(); ++i) {
        if (floats[i] == value) {
            return uint16_t(i);
        }
    }
    Assert(floats.size() < lvlPSDL::MaxFloats);
    if (floats.size() == floats.capacity()) {
        floats.reserve(floats.size() + Growth);
    }
    floats.push_back(value);
    return uint16_t(floats.size() - 1);
}
