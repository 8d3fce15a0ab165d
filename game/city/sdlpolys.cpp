#include "city/sdl.h"

#include "city/psdl.h"
#include "data/assert.h"
#include "data/printer.h"
#include "phcore/poly.h"

#include <algorithm>
#include <cmath>

namespace {

const float KerbLift = 0.15f;
const uint32_t MaxPrimSize = 256;
const uint32_t ClosedRails = 0x2000;
const uint32_t TextureBits = 11;
// A material that the ground fans do not collide with.
const int NoCollisionMaterial = 2;

float FlatDistance2(const Vector3& a, const Vector3& b) {
    float dx = a.x - b.x;
    float dz = a.z - b.z;
    return dx * dx + dz * dz;
}

// A closed rail's point beside the row vertex p: a third of the height out from its inner
// neighbour q, at p's height.
Vector3 RailPoint(const Vector3& p, const Vector3& q, float h) {
    float dx = p.x - q.x;
    float dz = p.z - q.z;
    float length = std::sqrt(dx * dx + dz * dz);
    if (length == 0.0f) {
        return p;
    }
    float scale = 0.333f * h / length;
    return Vector3(p.x + dx * scale, p.y, p.z + dz * scale);
}

// One walk of the collision interpreter: the polygons of one room into the caller's array.
class PolyWalk {
public:
    PolyWalk(const lvlSDL& room, const Vector4* sphere, phPolygon* polys, int maxPolys)
        : m_Room(room), m_Sphere(sphere), m_Polys(polys), m_MaxPolys(maxPolys) {}

    int Run(uint32_t* cursor);

private:
    const Vector3& V(uint32_t index) const { return *m_Room.GetVertex(index); }
    int Material(uint32_t texture) const {
        return texture < lvlPSDL::sm_MaterialIndex.size() ? m_Room.GetMaterialIndex(texture) : 0;
    }
    // The piece with corners a and b, opposite in x-z, lies near the sphere.
    bool Near(const Vector3& a, const Vector3& b) const {
        return NearSpan(a, FlatDistance2(a, b));
    }
    bool NearSpan(const Vector3& a, float span2) const {
        if (!m_Sphere) {
            return true;
        }
        Vector3 c(m_Sphere->x, m_Sphere->y, m_Sphere->z);
        float r = m_Sphere->w;
        return FlatDistance2(c, a) < 2.0f * (span2 + r * r);
    }
    bool Straddles(float y) const {
        return !m_Sphere || (m_Sphere->y + m_Sphere->w - y) * (m_Sphere->y - m_Sphere->w - y) < 0;
    }
    // The next free polygon, or null when the array is full.
    phPolygon* Next() {
        if (m_Count >= m_MaxPolys) {
            m_Full = true;
            return nullptr;
        }
        return &m_Polys[m_Count++];
    }

    void StripQuad(int material, const int* indices, const float* offsets);
    void EdgeWall(int material, int i0, int i1, float h0, float h1);
    void Rows(const SDLCODE_T* rows, uint32_t count, uint32_t stride);
    void Road(const sdlCommand& command);
    void Sidewalk(const sdlCommand& command);
    void Alley(const sdlCommand& command);
    void Crosswalk(const sdlCommand& command);
    void Fan(const sdlCommand& command);
    void Wall(const sdlCommand& command);
    void DividedRoad(const sdlCommand& command);
    void Extension(const sdlCommand& command, const sdlCommand* next);
    void FanTriangles(const SDLCODE_T* indices, uint32_t count, int material,
                      const float* height);

    const lvlSDL& m_Room;
    const Vector4* m_Sphere;
    phPolygon* m_Polys;
    int m_MaxPolys;
    int m_Count = 0;
    bool m_Full = false;
    uint32_t m_Texture = 0;
};

void PolyWalk::StripQuad(int material, const int* indices, const float* offsets) {
    if (!Near(V(indices[0]), V(indices[3]))) {
        return;
    }
    if (phPolygon* poly = Next()) {
        lvlSDL::MakeStripPoly(*poly, material, indices, offsets);
    }
}

void PolyWalk::EdgeWall(int material, int i0, int i1, float h0, float h1) {
    if (!Near(V(i0), V(i1))) {
        return;
    }
    if (phPolygon* poly = Next()) {
        lvlSDL::MakeEdgeWall(*poly, material, i0, i1, h0, h1);
    }
}

// Quads between consecutive rows: the sidewalks on the two outer column pairs when they differ
// in the first row, kerb side raised, and the carriageways on the column pairs between.
void PolyWalk::Rows(const SDLCODE_T* rows, uint32_t count, uint32_t stride) {
    int sidewalk = Material(m_Texture + 1);
    int ground = Material(m_Texture);
    float flat[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    for (uint32_t i = 0; i + 1 < count; ++i) {
        const SDLCODE_T* a = rows + i * stride;
        const SDLCODE_T* b = a + stride;
        if (a[0] != a[1]) {
            int corners[4] = {a[0], a[1], b[0], b[1]};
            float offsets[4] = {0.0f, KerbLift, 0.0f, KerbLift};
            StripQuad(sidewalk, corners, offsets);
        }
        for (uint32_t c = 1; c + 1 < stride - 1; c += 2) {
            int corners[4] = {a[c], a[c + 1], b[c], b[c + 1]};
            StripQuad(ground, corners, flat);
        }
        uint32_t r = stride - 2;
        if (a[r] != a[r + 1]) {
            int corners[4] = {a[r], a[r + 1], b[r], b[r + 1]};
            float offsets[4] = {KerbLift, 0.0f, KerbLift, 0.0f};
            StripQuad(sidewalk, corners, offsets);
        }
    }
}

void PolyWalk::Road(const sdlCommand& command) {
    Assert(command.m_Count > 0);
    Rows(command.m_Operands, command.m_Count, 4);
}

void PolyWalk::Sidewalk(const sdlCommand& command) {
    Assert(command.m_Count > 0);
    const SDLCODE_T* w = command.m_Operands;
    if (command.m_Count == 2 && w[0] == w[1] && w[0] <= 1) {
        return;
    }
    int material = Material(m_Texture + 1);
    for (uint32_t i = 0; i + 1 < command.m_Count; ++i) {
        const SDLCODE_T* a = w + i * 2;
        int corners[4] = {a[0], a[1], a[2], a[3]};
        float offsets[4] = {KerbLift, 0.0f, KerbLift, 0.0f};
        StripQuad(material, corners, offsets);
    }
}

void PolyWalk::Alley(const sdlCommand& command) {
    int material = Material(m_Texture);
    for (uint32_t i = 0; i + 1 < command.m_Count; ++i) {
        const SDLCODE_T* a = command.m_Operands + i * 2;
        int corners[4] = {a[0], a[1], a[2], a[3]};
        float flat[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        StripQuad(material, corners, flat);
    }
}

void PolyWalk::Crosswalk(const sdlCommand& command) {
    const SDLCODE_T* w = command.m_Operands;
    if (!Near(V(w[1]), V(w[2]))) {
        return;
    }
    if (phPolygon* poly = Next()) {
        lvlSDL::MakeFlatPoly(*poly, Material(m_Texture + 2), w[1], w[0], w[3], w[2], V(w[0]).y);
    }
}

// The fan's triangles (first, k-1, k), flattened to the height when one is given; a flat fan
// only when the sphere straddles its height.
void PolyWalk::FanTriangles(const SDLCODE_T* indices, uint32_t count, int material,
                            const float* height) {
    if (height && !Straddles(*height)) {
        return;
    }
    const Vector3& a = V(indices[0]);
    for (uint32_t k = 2; k < count; ++k) {
        const Vector3& b = V(indices[k - 1]);
        const Vector3& c = V(indices[k]);
        float longest = std::max(FlatDistance2(a, b),
                                 std::max(FlatDistance2(a, c), FlatDistance2(b, c)));
        if (!NearSpan(a, longest)) {
            continue;
        }
        phPolygon* poly = Next();
        if (poly && height) {
            lvlSDL::MakeFlatPoly(*poly, material, indices[0], indices[k - 1], indices[k], -1,
                                 *height);
        } else if (poly) {
            lvlSDL::MakePoly(*poly, material, indices[0], indices[k - 1], indices[k], 0);
        }
    }
}

void PolyWalk::Fan(const sdlCommand& command) {
    if (Material(m_Texture) == NoCollisionMaterial) {
        return;
    }
    const SDLCODE_T* w = command.m_Operands;
    float height = V(w[0]).y;
    FanTriangles(w, command.m_OperandCount, Material(m_Texture),
                 command.m_Opcode == SDL_FLATFAN ? &height : nullptr);
}

void PolyWalk::Wall(const sdlCommand& command) {
    const SDLCODE_T* w = command.m_Operands;
    float top = m_Room.GetFloat(w[1]);
    EdgeWall(Material(m_Texture), w[2], w[3], top, top);
}

void PolyWalk::DividedRoad(const sdlCommand& command) {
    uint32_t rows = command.m_OperandCount / 6;
    Assert(rows > 0);
    const SDLCODE_T* w = command.m_Operands;
    Rows(w, rows, 6);
    uint32_t header = w[-2];
    float h = float(w[-1]) / 256.0f;
    uint32_t type = header & 0x3F;
    uint32_t median = header >> 8;
    for (uint32_t i = 0; i + 1 < rows && (type == 1 || type == 2); ++i) {
        const SDLCODE_T* a = w + i * 6;
        const SDLCODE_T* b = a + 6;
        float lift = type == 2 ? h : 0.0f;
        int corners[4] = {a[2], a[3], b[2], b[3]};
        float offsets[4] = {lift, lift, lift, lift};
        StripQuad(Material(median + type), corners, offsets);
        if (type == 2) {
            int sides = Material(m_Texture + 1);
            EdgeWall(sides, a[2], b[2], V(a[2]).y + h, V(b[2]).y + h);
            EdgeWall(sides, a[3], b[3], V(a[3]).y + h, V(b[3]).y + h);
        }
    }
}

// Perimeter walls (10 words) and rail walls (3 words, on the next command's rows).
void PolyWalk::Extension(const sdlCommand& command, const sdlCommand* next) {
    const SDLCODE_T* w = command.m_Operands;
    float h = command.m_Count >= 2 ? float(w[1]) / 256.0f : 0.0f;
    if (command.m_Count == 10) {
        uint32_t perimeter = m_Room.GetPerimeterCount();
        AssertText(perimeter < 32, "GetPerimeterCount() < 32");
        uint32_t mask = uint32_t(w[4]) | uint32_t(w[5]) << 16;
        for (uint32_t i = 0; i < perimeter && h != 0.0f; ++i) {
            if (mask & (1u << i)) {
                uint32_t a = m_Room.GetPerimeterVertex(i == 0 ? perimeter - 1 : i - 1);
                uint32_t b = m_Room.GetPerimeterVertex(i);
                EdgeWall(Material(m_Texture + 1), a, b, V(a).y + h, V(b).y + h);
            }
        }
        return;
    }
    if (command.m_Count != 3 || !next) {
        return;
    }
    uint32_t stride = next->m_Opcode == SDL_ROAD ? 4 : next->m_Opcode == SDL_ALLEY ? 2 : 6;
    uint32_t rows = next->m_OperandCount / stride;
    Assert(rows < MaxPrimSize);
    int material = Material(m_Texture);
    uint32_t flags = w[0];
    for (uint32_t side = 0; side < 2; ++side) {
        // The rail's row vertex and its neighbour inwards.
        uint32_t column = side == 0 ? 0 : stride - 1;
        uint32_t inner = side == 0 ? 1 : stride - 2;
        for (uint32_t i = 0; i + 1 < rows; ++i) {
            uint32_t a = next->m_Operands[i * stride + column];
            uint32_t b = next->m_Operands[(i + 1) * stride + column];
            if (!(flags & ClosedRails)) {
                if (flags & (1u << side)) {
                    EdgeWall(material, a, b, V(a).y + h, V(b).y + h);
                }
                continue;
            }
            bool closeA = i == 0 && (flags & 0x10);
            bool closeB = i + 2 == rows && (flags & 0x20);
            Vector3 pa = V(a);
            Vector3 pb = V(b);
            Vector3 ra = closeA ? pa : RailPoint(pa, V(next->m_Operands[i * stride + inner]), h);
            Vector3 rb =
                closeB ? pb : RailPoint(pb, V(next->m_Operands[(i + 1) * stride + inner]), h);
            const Vector3 up(0.0f, h, 0.0f);
            const Vector3 strip[8] = {pb + up,         pa + up,         rb + up * 0.75f,
                                      ra + up * 0.75f, rb + up * 0.25f, ra + up * 0.25f,
                                      pb,              pa};
            for (int q = 0; q < 6; q += 2) {
                if (!Near(strip[q], strip[q + 3])) {
                    continue;
                }
                if (phPolygon* poly = Next()) {
                    lvlSDL::MakeStripPoly(*poly, material, strip + q);
                }
            }
        }
    }
}

int PolyWalk::Run(uint32_t* cursor) {
    const SDLCODE_T* words = m_Room.GetCodes();
    uint32_t count = m_Room.GetCodeCount();
    uint32_t position = *cursor >> TextureBits;
    m_Texture = *cursor & ((1u << TextureBits) - 1);
    sdlCommand command;
    for (;;) {
        uint32_t start = position;
        int startCount = m_Count;
        uint32_t startTexture = m_Texture;
        if (!sdlNextCommand(words, count, &position, &command)) {
            break;
        }
        bool skip = m_Texture == 0;
        switch (command.m_Opcode) {
        case SDL_TEXTURE:
            AssertText(command.m_Texture < lvlPSDL::sm_TextureCount,
                       "tex < SDL_CLASS_NAME::GetTextureCount()");
            m_Texture = command.m_Texture;
            break;
        case SDL_ROAD:
            if (!skip) Road(command);
            break;
        case SDL_SIDEWALK:
            if (!skip) Sidewalk(command);
            break;
        case SDL_ALLEY:
            if (!skip) Alley(command);
            break;
        case SDL_CROSSWALK:
            if (!skip) Crosswalk(command);
            break;
        case SDL_FLATFAN:
        case SDL_FAN:
            if (!skip) Fan(command);
            break;
        case SDL_DIVROAD:
            if (!skip) DividedRoad(command);
            break;
        case SDL_WALL:
            Wall(command);
            break;
        case SDL_RAISEDFAN: {
            float height = m_Room.GetFloat(command.m_Operands[0]);
            FanTriangles(command.m_Operands + 1, command.m_OperandCount - 1, Material(m_Texture),
                         &height);
            break;
        }
        case SDL_EXT: {
            sdlCommand next;
            Extension(command, sdlRailTarget(words, count, position, command, &next));
            break;
        }
        default:
            break;
        }
        if (m_Full) {
            m_Count = startCount;
            *cursor = start << TextureBits | startTexture;
            return m_Count;
        }
        if (command.m_Last) {
            break;
        }
    }
    *cursor = lvlSDL::EndCursor;
    return m_Count;
}

}  // namespace

int lvlSDL::BuildRoomPolys(const Vector4* sphere, phPolygon* polys, int maxPolys,
                           uint32_t* cursor) const {
    return PolyWalk(*this, sphere, polys, maxPolys).Run(cursor);
}
