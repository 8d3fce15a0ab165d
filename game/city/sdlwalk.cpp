// The drawing walk over a room's words: strips and fans with texture coordinates and colours,
// chosen by level of detail and by where the eye stands, handed to a sink.
#include "city/sdlwalk.h"

#include "city/psdl.h"
#include "city/sdl.h"
#include "data/assert.h"
#include "data/printer.h"

#include <algorithm>
#include <cmath>

namespace {

const float KerbHeight = 0.15f;
const uint32_t ClosedRails = 0x2000;
const uint32_t BackFaces = 0x4000;
const uint32_t Roof = 8;
const uint32_t Trim = 4;
// The first and last rows of a divided road's median get end caps.
const uint32_t CapFirst = 0x40;
const uint32_t CapLast = 0x80;

enum { List = 4, Strip = 5, Fan = 6 };

Vector3 Raised(const Vector3& p, float h) {
    return Vector3(p.x, p.y + h, p.z);
}

// The point at distance d from a towards b (a itself when they coincide).
Vector3 Towards(const Vector3& a, const Vector3& b, float d) {
    Vector3 step = b - a;
    float length = step.Mag();
    return length > 0.0f ? a + step * (d / length) : a;
}

// Planar coordinates at a scale, anchored at a first point so that values stay small.
struct Planar {
    Planar(const Vector3& first, float scale)
        : m_Scale(scale),
          m_U(std::floor(first.x * scale)),
          m_V(std::floor(first.z * scale)) {}
    float U(const Vector3& p) const { return p.x * m_Scale - m_U; }
    float V(const Vector3& p) const { return p.z * m_Scale - m_V; }
    float m_Scale, m_U, m_V;
};

class DrawWalk {
public:
    DrawWalk(const lvlSDL& room, int lod, uint32_t tint, lvlRoomSink& sink)
        : m_Room(room),
          m_Lod(lod),
          m_Tint(tint),
          m_Half(((tint >> 1) & 0x7F7F7F) | 0xFF000000),
          m_Sink(sink) {}

    void Run();

private:
    static const uint32_t MaxVertices = 2 * lvlSDL::MAX_PRIM_SIZE + 8;

    const Vector3& V(uint32_t index) const { return *m_Room.GetVertex(index); }
    float F(uint32_t index) const { return m_Room.GetFloat(index); }
    bool SeenFromAbove(float y) const { return y <= lvlSDL::sm_ViewPoint.y; }

    void Begin(uint32_t kind, uint32_t slot) {
        m_Kind = kind;
        m_Count = 0;
        m_Sink.Texture(slot);
    }
    void Add(const Vector3& p, float u, float v) {
        Assert(m_Count < MaxVertices);
        m_Vertices[m_Count++] = lvlRoomVertex{p.x, p.y, p.z, u, v};
    }
    void End() {
        if (m_Count >= 3) {
            m_Sink.Primitive(m_Kind, m_Vertices, m_Count);
        }
    }
    // A piece in a colour of its own; the tint is current after it.
    void Colour(uint32_t colour) { m_Sink.Color(colour); }
    void Restore() { m_Sink.Color(m_Tint); }

    static void CheckRows(uint32_t count) {
        Assert(count > 0);
        Assert(count < lvlSDL::MAX_PRIM_SIZE);
    }
    // A strip between two columns of rows, u across the pair from StripTexCoords, v 0 and 1
    // (or the given pair of v values), each side raised by its lift.
    void RowStrip(uint32_t slot, const SDLCODE_T* rows, uint32_t count, uint32_t stride,
                  uint32_t a, uint32_t b, float va, float vb, float liftA = 0.0f,
                  float liftB = 0.0f);
    void Sidewalks(const SDLCODE_T* rows, uint32_t count, uint32_t stride);
    void Road(const sdlCommand& command);
    void Sidewalk(const sdlCommand& command);
    void Skirt(const SDLCODE_T* w);
    void Crosswalk(const SDLCODE_T* w);
    void FanAt(uint32_t slot, const SDLCODE_T* indices, uint32_t count, const float* height);
    void DividedRoad(const sdlCommand& command);
    void Median(const SDLCODE_T* rows, uint32_t count, uint32_t header, float h);
    void MedianCaps(const SDLCODE_T* rows, uint32_t count, uint32_t header, uint32_t slot,
                    float rise, float inset);
    void Facade(const SDLCODE_T* w);
    void Extension(const sdlCommand& command, const sdlCommand* next);
    void PerimeterWalls(const SDLCODE_T* w, float h);
    void Rails(const sdlCommand& command, const sdlCommand& next, float h);
    void ClosedRail(const SDLCODE_T* rows, uint32_t count, uint32_t stride, uint32_t rail,
                    uint32_t inner, uint32_t flags, float h, bool mirrored);

    const lvlSDL& m_Room;
    int m_Lod;
    uint32_t m_Tint;
    uint32_t m_Half;
    lvlRoomSink& m_Sink;
    uint32_t m_Texture = 0;
    uint32_t m_Shade = 0;
    uint32_t m_Kind = Strip;
    uint32_t m_Count = 0;
    lvlRoomVertex m_Vertices[MaxVertices];
};

void DrawWalk::RowStrip(uint32_t slot, const SDLCODE_T* rows, uint32_t count, uint32_t stride,
                        uint32_t a, uint32_t b, float va, float vb, float liftA, float liftB) {
    float u[lvlSDL::MAX_PRIM_SIZE];
    lvlSDL::StripTexCoords(u, rows + a, int(stride), int(count), int(b) - int(a));
    Begin(Strip, slot);
    for (uint32_t i = 0; i < count; ++i) {
        const SDLCODE_T* row = rows + i * stride;
        Add(Raised(V(row[a]), liftA), u[i], va);
        Add(Raised(V(row[b]), liftB), u[i], vb);
    }
    End();
}

// The outer sidewalks of a road or divided road, each with its half-bright kerb face at the
// highest detail; a side whose outer and kerb columns meet in the first row has none.
void DrawWalk::Sidewalks(const SDLCODE_T* rows, uint32_t count, uint32_t stride) {
    float lift = m_Lod == 3 ? KerbHeight : 0.0f;
    uint32_t outerR = stride - 1;
    uint32_t kerbR = stride - 2;
    if (rows[0] != rows[1]) {
        RowStrip(m_Texture + 1, rows, count, stride, 0, 1, 1.0f, 0.0f, 0.0f, lift);
        if (m_Lod == 3) {
            Colour(m_Half);
            RowStrip(m_Texture + 1, rows, count, stride, 1, 1, 0.0f, 0.0f, KerbHeight, 0.0f);
            Restore();
        }
    }
    if (rows[kerbR] != rows[outerR]) {
        RowStrip(m_Texture + 1, rows, count, stride, kerbR, outerR, 0.0f, 1.0f, lift, 0.0f);
        if (m_Lod == 3) {
            Colour(m_Half);
            RowStrip(m_Texture + 1, rows, count, stride, kerbR, kerbR, 0.0f, 0.0f, 0.0f,
                     KerbHeight);
            Restore();
        }
    }
}

void DrawWalk::Road(const sdlCommand& command) {
    const SDLCODE_T* rows = command.m_Operands;
    uint32_t count = command.m_Count;
    CheckRows(count);
    if (m_Lod < 2) {
        RowStrip(m_Texture + 2, rows, count, 4, 0, 3, 0.0f, 1.0f);
        return;
    }
    Sidewalks(rows, count, 4);
    // The carriageway in two halves, split at the centre line.
    float u[lvlSDL::MAX_PRIM_SIZE];
    lvlSDL::StripTexCoords(u, rows + 1, 4, int(count), 1);
    for (int half = 0; half < 2; ++half) {
        Begin(Strip, m_Texture);
        for (uint32_t i = 0; i < count; ++i) {
            const Vector3& r1 = V(rows[i * 4 + 1]);
            const Vector3& r2 = V(rows[i * 4 + 2]);
            Vector3 middle = r1 + (r2 - r1) * 0.5f;
            if (half == 0) {
                Add(r1, u[i], 1.0f);
                Add(middle, u[i], 0.0f);
            } else {
                Add(middle, u[i], 0.0f);
                Add(r2, u[i], 1.0f);
            }
        }
        End();
    }
}

void DrawWalk::Sidewalk(const sdlCommand& command) {
    const SDLCODE_T* w = command.m_Operands;
    uint32_t count = command.m_Count;
    CheckRows(count);
    if (count == 2 && w[0] == w[1] && w[0] <= 1) {
        // A kerb end: the triangle that closes the kerb face at the second row.
        if (m_Lod == 3) {
            const Vector3& c = V(w[2]);
            const Vector3& d = V(w[3]);
            Begin(List, m_Texture + 1);
            Colour(m_Half);
            Planar planar(c, 0.25f);
            Vector3 top = Raised(c, KerbHeight);
            const Vector3* corners[3] = {&top, &d, &c};
            if (w[0] == 1) {
                corners[0] = &c;
                corners[2] = &top;
            }
            for (const Vector3* p : corners) {
                Add(*p, planar.U(*p), planar.V(*p));
            }
            End();
            Restore();
        }
        return;
    }
    Planar planar(V(w[0]), 0.25f);
    if (m_Lod == 3) {
        Colour(m_Half);
        Begin(Strip, m_Texture + 1);
        for (uint32_t i = 0; i < count; ++i) {
            const Vector3& a = V(w[i * 2]);
            Add(a, planar.U(a), planar.V(a));
            Add(Raised(a, KerbHeight), planar.U(a), planar.V(a));
        }
        End();
        Restore();
    }
    float lift = m_Lod == 3 ? KerbHeight : 0.0f;
    Begin(Strip, m_Texture + 1);
    for (uint32_t i = 0; i < count; ++i) {
        const Vector3& a = V(w[i * 2]);
        const Vector3& b = V(w[i * 2 + 1]);
        Add(Raised(a, lift), planar.U(a), planar.V(a));
        Add(b, planar.U(b), planar.V(b));
    }
    End();
}

void DrawWalk::Skirt(const SDLCODE_T* w) {
    const Vector3& a = V(w[2]);
    const Vector3& b = V(w[3]);
    if (lvlSDL::IsBackFacing(a, b)) {
        return;
    }
    float base = F(w[0]);
    float scale = F(w[1]);
    float U = std::floor(a.FlatDist(b) * scale + 0.5f);
    float va = (a.y - base) * scale;
    float vb = (b.y - base) * scale;
    if (va == 0.0f && vb == 0.0f) {
        return;
    }
    Colour(ColorMultiply(lvlLevelBound::sm_ShadeTable[m_Shade], m_Tint));
    Begin(Fan, m_Texture);
    Add(a, 0.0f, va);
    Add(b, U, vb);
    if (vb != 0.0f) {
        Add(Vector3(b.x, base, b.z), U, 0.0f);
    }
    if (va != 0.0f) {
        Add(Vector3(a.x, base, a.z), 0.0f, 0.0f);
    }
    End();
    Restore();
}

void DrawWalk::Crosswalk(const SDLCODE_T* w) {
    if (!SeenFromAbove(V(w[0]).y)) {
        return;
    }
    float width = w[0] == w[1] ? V(w[2]).Dist(V(w[3])) : V(w[0]).Dist(V(w[1]));
    // A crosswalk without width gets no stripes rather than infinite coordinates.
    float d = width > 0.0f ? V(w[0]).Dist(V(w[2])) / width : 0.0f;
    Begin(Strip, m_Texture + 2);
    Add(V(w[1]), 0.0f, 0.0f);
    Add(V(w[0]), 1.0f, 0.0f);
    Add(V(w[3]), 0.0f, d);
    Add(V(w[2]), 1.0f, d);
    End();
}

// A fan at the vertices' own positions, or all at one height.
void DrawWalk::FanAt(uint32_t slot, const SDLCODE_T* indices, uint32_t count,
                     const float* height) {
    Planar planar(V(indices[0]), 0.125f);
    Begin(Fan, slot);
    for (uint32_t i = 0; i < count; ++i) {
        Vector3 p = V(indices[i]);
        if (height) {
            p.y = *height;
        }
        Add(p, planar.U(p), planar.V(p));
    }
    End();
}

void DrawWalk::DividedRoad(const sdlCommand& command) {
    const SDLCODE_T* rows = command.m_Operands;
    uint32_t count = command.m_OperandCount / 6;
    CheckRows(count);
    if (m_Lod < 2) {
        RowStrip(m_Texture + 2, rows, count, 6, 0, 5, 0.0f, 1.0f);
        return;
    }
    Sidewalks(rows, count, 6);
    RowStrip(m_Texture, rows, count, 6, 1, 2, 1.0f, 0.0f);
    RowStrip(m_Texture, rows, count, 6, 3, 4, 0.0f, 1.0f);
    Median(rows, count, rows[-2], float(rows[-1]) / 256.0f);
}

void DrawWalk::Median(const SDLCODE_T* rows, uint32_t count, uint32_t header, float h) {
    uint32_t m = header >> 8;
    switch (header & 0x3F) {
    case 1:
        RowStrip(m + 1, rows, count, 6, 2, 3, 0.0f, h);
        return;
    case 2: {
        Colour(m_Half);
        RowStrip(m, rows, count, 6, 2, 2, 0.0f, 1.0f, 0.0f, h);
        RowStrip(m, rows, count, 6, 3, 3, 1.0f, 0.0f, h, 0.0f);
        Restore();
        // The top in three bands: h wide along each edge, the middle between them.
        float u[lvlSDL::MAX_PRIM_SIZE];
        lvlSDL::StripTexCoords(u, rows + 2, 6, int(count), 1);
        for (int band = 0; band < 3; ++band) {
            Begin(Strip, band == 1 ? m + 2 : m + 1);
            for (uint32_t i = 0; i < count; ++i) {
                const Vector3& r2 = V(rows[i * 6 + 2]);
                const Vector3& r3 = V(rows[i * 6 + 3]);
                Vector3 inner2 = Towards(r2, r3, h);
                Vector3 inner3 = Towards(r3, r2, h);
                const Vector3& from = band == 0 ? r2 : band == 1 ? inner2 : inner3;
                const Vector3& to = band == 0 ? inner2 : band == 1 ? inner3 : r3;
                Add(Raised(from, h), u[i], 0.0f);
                Add(Raised(to, h), u[i], 1.0f);
            }
            End();
        }
        MedianCaps(rows, count, header, m + 3, h, 0.0f);
        return;
    }
    case 3: {
        const float inset = 0.4f;
        const float rise = 1.0f;
        float u[lvlSDL::MAX_PRIM_SIZE];
        lvlSDL::StripTexCoords(u, rows + 2, 6, int(count), 1);
        for (int side = 0; side < 2; ++side) {
            Begin(Strip, m + 1);
            for (uint32_t i = 0; i < count; ++i) {
                const Vector3& r2 = V(rows[i * 6 + 2]);
                const Vector3& r3 = V(rows[i * 6 + 3]);
                const Vector3& foot = side == 0 ? r2 : r3;
                Vector3 top = Raised(Towards(foot, side == 0 ? r3 : r2, inset), rise);
                Add(side == 0 ? foot : top, u[i], side == 0 ? 0.0f : 1.0f);
                Add(side == 0 ? top : foot, u[i], side == 0 ? 1.0f : 0.0f);
            }
            End();
        }
        MedianCaps(rows, count, header, m + 3, rise, inset);
        return;
    }
    default:
        PrintError("Bad Median Type");
        return;
    }
}

// The caps that close a raised median or a barrier at its first and last rows.
void DrawWalk::MedianCaps(const SDLCODE_T* rows, uint32_t count, uint32_t header, uint32_t slot,
                          float rise, float inset) {
    for (int last = 0; last < 2; ++last) {
        if (!(header & (last ? CapLast : CapFirst))) {
            continue;
        }
        const SDLCODE_T* row = rows + (last ? count - 1 : 0) * 6;
        const Vector3& r2 = V(row[2]);
        const Vector3& r3 = V(row[3]);
        Vector3 t2 = Raised(Towards(r2, r3, inset), rise);
        Vector3 t3 = Raised(Towards(r3, r2, inset), rise);
        Begin(Strip, slot);
        Add(last ? r3 : r2, 0.0f, 0.0f);
        Add(last ? r2 : r3, 1.0f, 0.0f);
        Add(last ? t3 : t2, 1.0f, 1.0f);
        Add(last ? t2 : t3, 0.0f, 1.0f);
        End();
    }
}

void DrawWalk::Facade(const SDLCODE_T* w) {
    const Vector3& a = V(w[4]);
    const Vector3& b = V(w[5]);
    if (lvlSDL::IsBackFacing(a, b)) {
        return;
    }
    float bottom = F(w[0]);
    float top = F(w[1]);
    float U = float(w[2]);
    float Vr = float(w[3]);
    Colour(ColorMultiply(lvlLevelBound::sm_ShadeTable[m_Shade], m_Tint));
    Begin(Fan, m_Texture);
    Add(Vector3(a.x, bottom, a.z), 0.0f, 0.0f);
    Add(Vector3(b.x, bottom, b.z), U, 0.0f);
    Add(Vector3(b.x, top, b.z), U, Vr);
    Add(Vector3(a.x, top, a.z), 0.0f, Vr);
    End();
    Restore();
}

void DrawWalk::Extension(const sdlCommand& command, const sdlCommand* next) {
    const SDLCODE_T* w = command.m_Operands;
    float h = command.m_Count >= 2 ? float(w[1]) / 256.0f : 0.0f;
    if (command.m_Count == 10) {
        PerimeterWalls(w, h);
    } else if (command.m_Count == 3) {
        Assert(next);
        Rails(command, *next, h);
    }
}

// Walls along the perimeter edges of the first mask, a roof over the room and a lowered
// second outline with trim strips along the walls. Edges past the masks' 32 bits are unset.
void DrawWalk::PerimeterWalls(const SDLCODE_T* w, float h) {
    uint32_t count = m_Room.GetPerimeterCount();
    if (h == 0.0f || count == 0) {
        return;
    }
    uint32_t flags = w[0];
    uint32_t masks[3];
    for (int k = 0; k < 3; ++k) {
        masks[k] = uint32_t(w[4 + 2 * k]) | uint32_t(w[5 + 2 * k]) << 16;
    }
    auto edgeSet = [&](int mask, uint32_t edge) { return edge < 32 && (masks[mask] >> edge) & 1; };
    auto corner = [&](uint32_t i) -> const Vector3& { return V(m_Room.GetPerimeterVertex(i % count)); };
    for (uint32_t i = 0; i < count; ++i) {
        if (!edgeSet(0, i)) {
            continue;
        }
        const Vector3& a = corner(i + count - 1);
        const Vector3& b = corner(i);
        float U = std::max(1.0f, a.Dist(b) / h);
        for (int face = 0; face < ((flags & BackFaces) ? 2 : 1); ++face) {
            const Vector3& first = face ? a : b;
            const Vector3& second = face ? b : a;
            Begin(Strip, m_Texture);
            Add(first, 0.0f, 0.0f);
            Add(Raised(first, h), 0.0f, 1.0f);
            Add(second, U, 0.0f);
            Add(Raised(second, h), U, 1.0f);
            End();
        }
    }
    if (flags & Roof) {
        uint32_t s = w[3] < count ? w[3] : 0;
        Planar planar(corner(s), 0.125f);
        Begin(Fan, m_Texture + 2);
        for (uint32_t k = 0; k < count; ++k) {
            const Vector3& p = corner(s + count - k);
            Add(Raised(p, h), planar.U(p), planar.V(p));
        }
        End();
    }
    if (!(flags & Trim)) {
        return;
    }
    Begin(Fan, m_Texture + 3);
    for (uint32_t k = count; k-- > 0;) {
        const Vector3& p = corner(k);
        Vector3 d;
        bool moved = true;
        if (edgeSet(0, (k + 1) % count)) {
            d = corner(k + 1) - p;
        } else if (edgeSet(0, k)) {
            d = p - corner(k + count - 1);
        } else {
            moved = false;
        }
        Vector3 q = p;
        float length = moved ? d.Mag() : 0.0f;
        if (length > 0.0f) {
            q.x -= d.z / length * h * 0.5f;
            q.z += d.x / length * h * 0.5f;
        }
        Add(Raised(q, moved ? -0.85f : -0.7f), q.x * 0.125f, q.z * 0.125f);
    }
    End();
    for (uint32_t i = 0; i < count; ++i) {
        if (!edgeSet(0, i)) {
            continue;
        }
        const Vector3& a = corner(i + count - 1);
        const Vector3& b = corner(i);
        float L = a.FlatDist(b);
        if (L == 0.0f) {
            continue;
        }
        float U = std::max(1.0f, L / h);
        Vector3 n(-(b.z - a.z) * h / (2.0f * L), 0.0f, (b.x - a.x) * h / (2.0f * L));
        Vector3 cornerOffset(n.x - 1.414f * n.z, 0.0f, n.z - 1.414f * n.x);
        Vector3 A = edgeSet(1, i) ? cornerOffset : n;
        Vector3 B = edgeSet(2, i) ? cornerOffset : n;
        Begin(Strip, m_Texture + 4);
        Add(Raised(b + A, -0.85f), 0.0f, 0.0f);
        Add(Raised(b + A, h), 0.0f, 1.0f);
        Add(Raised(a + B, -0.85f), U, 0.0f);
        Add(Raised(a + B, h), U, 1.0f);
        Add(Raised(b + A, h), 0.0f, 0.0f);
        Add(Raised(b, h), 0.0f, 1.0f);
        Add(Raised(a + B, h), U, 0.0f);
        Add(Raised(a, h), U, 1.0f);
        End();
    }
}

void DrawWalk::Rails(const sdlCommand& command, const sdlCommand& next, float h) {
    AssertText(command.m_Count == 3, "count == 3");
    uint32_t stride = next.m_Opcode == SDL_ROAD ? 4 : next.m_Opcode == SDL_ALLEY ? 2 : 6;
    uint32_t count = next.m_OperandCount / stride;
    AssertText(count < lvlSDL::MAX_PRIM_SIZE, "count < MAX_PRIM_SIZE");
    const SDLCODE_T* rows = next.m_Operands;
    uint32_t flags = command.m_Operands[0];
    if (flags & ClosedRails) {
        ClosedRail(rows, count, stride, 0, 1, flags, h, false);
        ClosedRail(rows, count, stride, stride - 1, stride - 2, flags, h, true);
        return;
    }
    float u[lvlSDL::MAX_PRIM_SIZE];
    for (uint32_t side = 0; side < 2; ++side) {
        if (!(flags & (1u << side))) {
            continue;
        }
        uint32_t column = side == 0 ? 0 : stride - 1;
        lvlSDL::RailTexCoords(u, rows + column, h, int(count), int(stride));
        for (int face = 0; face < ((flags & BackFaces) ? 2 : 1); ++face) {
            Begin(Strip, m_Texture);
            for (uint32_t i = 0; i < count; ++i) {
                const Vector3& p = V(rows[i * stride + column]);
                Add(face ? p : Raised(p, h), u[i], face ? 0.0f : 1.0f);
                Add(face ? Raised(p, h) : p, u[i], face ? 1.0f : 0.0f);
            }
            End();
        }
    }
}

// A closed rail beside one side of the rows: per segment a strip of eight from the top of the
// row vertices out to the rail points and down again. The right side runs its rows the other
// way round so that it faces out like the left.
void DrawWalk::ClosedRail(const SDLCODE_T* rows, uint32_t count, uint32_t stride, uint32_t rail,
                          uint32_t inner, uint32_t flags, float h, bool mirrored) {
    float u[lvlSDL::MAX_PRIM_SIZE];
    lvlSDL::RailTexCoords(u, rows + rail, h, int(count), int(stride));
    auto railPoint = [&](uint32_t i, bool closed) {
        const Vector3& p = V(rows[i * stride + rail]);
        const Vector3& q = V(rows[i * stride + inner]);
        Vector3 out(p.x - q.x, 0.0f, p.z - q.z);
        float length = out.Mag();
        if (closed || length == 0.0f) {
            return p;
        }
        return p + out * (0.333f * h / length);
    };
    for (uint32_t i = 0; i + 1 < count; ++i) {
        uint32_t first = mirrored ? i : i + 1;
        uint32_t second = mirrored ? i + 1 : i;
        const Vector3& p1 = V(rows[first * stride + rail]);
        const Vector3& p0 = V(rows[second * stride + rail]);
        bool closeFirst = (flags & 0x10) && i == 0;
        bool closeLast = (flags & 0x20) && i + 2 == count;
        Vector3 r[2];
        for (int k = 0; k < 2; ++k) {
            uint32_t row = k == 0 ? first : second;
            bool closed = (row == 0 && closeFirst) || (row == count - 1 && closeLast);
            r[k] = railPoint(row, closed);
        }
        Begin(Strip, m_Texture);
        Add(Raised(p1, h), u[first], 1.0f);
        Add(Raised(p0, h), u[second], 1.0f);
        Add(Raised(r[0], 0.75f * h), u[first], 0.75f);
        Add(Raised(r[1], 0.75f * h), u[second], 0.75f);
        Add(Raised(r[0], 0.25f * h), u[first], 0.25f);
        Add(Raised(r[1], 0.25f * h), u[second], 0.25f);
        Add(p1, u[first], 0.0f);
        Add(p0, u[second], 0.0f);
        End();
    }
}

void DrawWalk::Run() {
    const SDLCODE_T* words = m_Room.GetCodes();
    uint32_t count = m_Room.GetCodeCount();
    uint32_t position = 0;
    sdlCommand command;
    while (sdlNextCommand(words, count, &position, &command)) {
        bool skip = m_Texture == 0;
        const SDLCODE_T* w = command.m_Operands;
        switch (command.m_Opcode) {
        case SDL_TEXTURE: {
            const uint32_t tex = command.m_Texture;
            AssertText(tex < lvlPSDL::sm_TextureCount, "tex < SDL_CLASS_NAME::GetTextureCount()");
            m_Texture = tex;
            break;
        }
        case SDL_ROAD:
            if (!skip) Road(command);
            break;
        case SDL_SIDEWALK:
            if (!skip) Sidewalk(command);
            break;
        case SDL_ALLEY:
            if (!skip) {
                CheckRows(command.m_Count);
                RowStrip(m_Texture, w, command.m_Count, 2, 0, 1, 0.0f, 1.0f);
            }
            break;
        case SDL_SKIRT:
            Skirt(w);
            break;
        case SDL_CROSSWALK:
            if (!skip) Crosswalk(w);
            break;
        case SDL_FLATFAN:
            if (!skip && SeenFromAbove(V(w[0]).y)) FanAt(m_Texture, w, command.m_OperandCount, nullptr);
            break;
        case SDL_FAN:
            if (!skip) FanAt(m_Texture, w, command.m_OperandCount, nullptr);
            break;
        case SDL_WALL:
            m_Shade = w[0] % lvlLevelBound::SHADE_COUNT;
            break;
        case SDL_DIVROAD:
            if (!skip) DividedRoad(command);
            break;
        case SDL_EXT: {
            sdlCommand next;
            Extension(command, sdlRailTarget(words, count, position, command, &next));
            break;
        }
        case SDL_FACADE:
            Facade(w);
            break;
        case SDL_RAISEDFAN: {
            float height = F(w[0]);
            if (SeenFromAbove(height)) {
                FanAt(m_Texture, w + 1, command.m_OperandCount - 1, &height);
            }
            break;
        }
        default:
            break;
        }
        if (command.m_Last) {
            return;
        }
    }
}

}  // namespace

void lvlWalkRoom(const lvlSDL& room, int lod, uint32_t tint, lvlRoomSink& sink) {
    DrawWalk(room, lod, tint, sink).Run();
}
