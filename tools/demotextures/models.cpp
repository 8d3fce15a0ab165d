// The demo city's models: custom facades, landmarks, extras and props built from boxes and
// quads, each written as a model package with its shaders, beside its join line and, for the
// shop front, a collision bound.
#include "tools/demotextures/demoassets.h"

#include "data/stream.h"
#include "model/package.h"

#include <cstdint>
#include <string>
#include <vector>

namespace {

const uint32_t Format = 0x142;  // position, colour, one coordinate pair
const uint32_t TriangleList = 3;

struct Point {
    float x, y, z;
};

struct Vertex {
    Point p;
    uint32_t colour;  // 0xAARRGGBB
    float u, v;
};

struct Packet {
    uint32_t m_Shader;
    std::vector<Vertex> m_Vertices;
    std::vector<uint16_t> m_Indices;
};

// Shades of the faces by the way they look, so that unlit boxes still read as boxes.
const uint32_t ShadeTop = 0xFFFFFFFF;
const uint32_t ShadeEast = 0xFFD8D8D8;
const uint32_t ShadeSouth = 0xFFC8C8C8;
const uint32_t ShadeWest = 0xFFB0B0B0;
const uint32_t ShadeNorth = 0xFFA0A0A0;

uint32_t Tint(uint32_t shade, uint32_t colour) {
    uint32_t out = 0xFF000000;
    for (int shift = 0; shift < 24; shift += 8) {
        out |= (((shade >> shift & 0xFF) * (colour >> shift & 0xFF)) / 255) << shift;
    }
    return out;
}

class Mesh {
public:
    // A quad from the bottom edge p0 p1 to the top edge p2 p3 (p2 above p1), the texture
    // repeated u times along and v times up, its top row at the top.
    void Quad(uint32_t shader, Point p0, Point p1, Point p2, Point p3, uint32_t colour, float u,
              float v) {
        Packet& packet = For(shader);
        uint16_t first = uint16_t(packet.m_Vertices.size());
        packet.m_Vertices.push_back({p0, colour, 0, v});
        packet.m_Vertices.push_back({p1, colour, u, v});
        packet.m_Vertices.push_back({p2, colour, u, 0});
        packet.m_Vertices.push_back({p3, colour, 0, 0});
        for (int i : {0, 1, 2, 0, 2, 3}) {
            packet.m_Indices.push_back(uint16_t(first + i));
        }
    }
    void Triangle(uint32_t shader, Point a, Point b, Point c, uint32_t colour) {
        Packet& packet = For(shader);
        uint16_t first = uint16_t(packet.m_Vertices.size());
        packet.m_Vertices.push_back({a, colour, 0, 1});
        packet.m_Vertices.push_back({b, colour, 1, 1});
        packet.m_Vertices.push_back({c, colour, 0.5f, 0});
        for (int i : {0, 1, 2}) {
            packet.m_Indices.push_back(uint16_t(first + i));
        }
    }
    // The four sides of a box, textured every tile units, and its top when asked for. A box
    // never has a bottom: it stands on the ground.
    void Box(uint32_t shader, Point lo, Point hi, uint32_t colour, float tile, bool top = true) {
        float h = (hi.y - lo.y) / tile;
        float dx = (hi.x - lo.x) / tile;
        float dz = (hi.z - lo.z) / tile;
        Quad(shader, {lo.x, lo.y, hi.z}, {hi.x, lo.y, hi.z}, {hi.x, hi.y, hi.z}, {lo.x, hi.y, hi.z},
             Tint(ShadeSouth, colour), dx, h);
        Quad(shader, {hi.x, lo.y, hi.z}, {hi.x, lo.y, lo.z}, {hi.x, hi.y, lo.z}, {hi.x, hi.y, hi.z},
             Tint(ShadeEast, colour), dz, h);
        Quad(shader, {hi.x, lo.y, lo.z}, {lo.x, lo.y, lo.z}, {lo.x, hi.y, lo.z}, {hi.x, hi.y, lo.z},
             Tint(ShadeNorth, colour), dx, h);
        Quad(shader, {lo.x, lo.y, lo.z}, {lo.x, lo.y, hi.z}, {lo.x, hi.y, hi.z}, {lo.x, hi.y, lo.z},
             Tint(ShadeWest, colour), dz, h);
        if (top) {
            Quad(shader, {lo.x, hi.y, hi.z}, {hi.x, hi.y, hi.z}, {hi.x, hi.y, lo.z},
                 {lo.x, hi.y, lo.z}, Tint(ShadeTop, colour), dx, dz);
        }
    }
    // A pyramid roof over a box's top.
    void Pyramid(uint32_t shader, Point lo, Point hi, float apex, uint32_t colour) {
        Point tip{(lo.x + hi.x) / 2, apex, (lo.z + hi.z) / 2};
        Triangle(shader, {lo.x, hi.y, hi.z}, {hi.x, hi.y, hi.z}, tip, Tint(ShadeSouth, colour));
        Triangle(shader, {hi.x, hi.y, hi.z}, {hi.x, hi.y, lo.z}, tip, Tint(ShadeEast, colour));
        Triangle(shader, {hi.x, hi.y, lo.z}, {lo.x, hi.y, lo.z}, tip, Tint(ShadeNorth, colour));
        Triangle(shader, {lo.x, hi.y, lo.z}, {lo.x, hi.y, hi.z}, tip, Tint(ShadeWest, colour));
    }

    // The geometry item: its packets in shader order.
    std::string Item() const {
        DemoBytes item;
        uint32_t total = 0;
        for (const Packet& packet : m_Packets) {
            total += uint32_t(packet.m_Vertices.size());
        }
        item.U32(uint32_t(m_Packets.size()));
        item.U32(total);
        item.U32(0);
        item.U32(0);
        item.U32(Format);
        for (const Packet& packet : m_Packets) {
            item.U32(1);
            item.U32(packet.m_Shader);
            item.U32(TriangleList);
            item.U32(uint32_t(packet.m_Vertices.size()));
            for (const Vertex& v : packet.m_Vertices) {
                item.F32(v.p.x);
                item.F32(v.p.y);
                item.F32(v.p.z);
                // Stored 0xAABBGGRR.
                item.U32((v.colour & 0xFF00FF00) | (v.colour >> 16 & 0xFF) |
                         (v.colour & 0xFF) << 16);
                item.F32(v.u);
                item.F32(v.v);
            }
            item.U32(uint32_t(packet.m_Indices.size()));
            for (uint16_t index : packet.m_Indices) {
                item.U16(index);
            }
        }
        return item.Bytes();
    }

private:
    Packet& For(uint32_t shader) {
        for (Packet& packet : m_Packets) {
            if (packet.m_Shader == shader) {
                return packet;
            }
        }
        m_Packets.push_back({shader, {}, {}});
        return m_Packets.back();
    }

    std::vector<Packet> m_Packets;
};

// A shader table: per variant one texture name per shader ("" for none), white material.
std::string ShaderItem(const std::vector<std::vector<std::string>>& variants) {
    DemoBytes item;
    item.U32(uint32_t(variants.size()));
    item.U32(uint32_t(variants[0].size()));
    for (const std::vector<std::string>& shaders : variants) {
        for (const std::string& name : shaders) {
            item.U8(name.empty() ? 0 : uint32_t(name.size() + 1));
            if (!name.empty()) {
                item.Name(name, name.size() + 1);
            }
            const float diffuse[4] = {1, 1, 1, 1};
            for (float c : diffuse) {
                item.F32(c);
            }
            for (int i = 0; i < 4; ++i) {
                item.F32(1.0f);
            }
            for (int i = 0; i < 8; ++i) {
                item.F32(0);
            }
            item.F32(0);
        }
    }
    return item.Bytes();
}

struct Model {
    const char* m_Name;
    Mesh m_Mesh;
    std::vector<std::vector<std::string>> m_Shaders;
    bool m_HasOffset;
    Point m_Offset;
    std::vector<Point> m_Join;
};

void PutItem(modPackage& package, const char* name, const std::string& payload) {
    StreamWrite(package.BeginFile(name), payload.data(), int(payload.size()));
    package.CloseFile();
}

bool WritePackage(const Model& model) {
    modPackage package;
    if (!package.Create("geometry", model.m_Name)) {
        return false;
    }
    std::string mesh = model.m_Mesh.Item();
    std::string shaders = ShaderItem(model.m_Shaders);
    // Every level the readers ask for holds the one mesh.
    for (const char* level : {"H", "M", "L", "VL"}) {
        PutItem(package, level, mesh);
    }
    PutItem(package, "shaders", shaders);
    if (model.m_HasOffset) {
        DemoBytes offset;
        offset.F32(model.m_Offset.x);
        offset.F32(model.m_Offset.y);
        offset.F32(model.m_Offset.z);
        PutItem(package, "offset", offset.Bytes());
    }
    return package.Close();
}

bool WriteJoin(const Model& model) {
    DemoBytes join;
    join.U32(uint32_t(model.m_Join.size()));
    for (const Point& p : model.m_Join) {
        join.F32(p.x);
        join.F32(p.y);
        join.F32(p.z);
    }
    return WriteDemoFile("scene", model.m_Name, "join", join.Bytes());
}

// A footprint from (x0, z0) to (x1, z1) as a join line in the order the sewing expects.
std::vector<Point> Footprint(float x0, float z0, float x1, float z1) {
    return {{x0, 0, z0}, {x1, 0, z0}, {x1, 0, z1}, {x0, 0, z1}};
}

// A room outline as the join line of an extra standing in it: sewing leaves the room as it is.
std::vector<Point> RoomOutline(float x0, float z0, float x1, float z1) {
    return {{x0, 0, z0}, {x0, 0, z1}, {x1, 0, z1}, {x1, 0, z0}};
}

// Custom facades span their join line: 4 along x, 4 up y, facing +z out of the building.
Model Shopfront() {
    Model m{"shopfront", {}, {{"shopfront"}, {"shopfront_b"}}, false, {}, {}};
    m.m_Mesh.Quad(0, {0, 0, 0}, {4, 0, 0}, {4, 4, 0}, {0, 4, 0}, 0xFFFFFFFF, 1, 1);
    m.m_Join = {{0, 0, 0}, {4, 0, 0}, {4, 4, 0}, {0, 4, 0}};
    return m;
}

Model Glassfront() {
    Model m{"glassfront", {}, {{"glassfront"}}, false, {}, {}};
    m.m_Mesh.Quad(0, {0, 0, 0}, {4, 0, 0}, {4, 4, 0}, {0, 4, 0}, 0xFFFFFFFF, 2, 2);
    m.m_Join = {{0, 0, 0}, {4, 0, 0}, {4, 4, 0}, {0, 4, 0}};
    return m;
}

// The tower in the middle of the district: one box of office storeys.
Model Tower() {
    Model m{"tower", {}, {{"windows_a", "roof_a"}}, false, {}, Footprint(-7, -7, 7, 7)};
    m.m_Mesh.Box(0, {-7, 0, -7}, {7, 48, 7}, 0xFFFFFFFF, 4, false);
    m.m_Mesh.Quad(1, {-7, 48, 7}, {7, 48, 7}, {7, 48, -7}, {-7, 48, -7}, ShadeTop, 3, 3);
    return m;
}

// A church: a nave under a gable roof and a bell tower with a spire, side by side.
Model Church() {
    // The join line runs round the nave and the narrower tower, so that the ground is sewn
    // up to every wall.
    Model m{"church", {}, {{"stone", "roof_b"}}, false, {},
            {{-6, 0, -14}, {6, 0, -14}, {6, 0, 8}, {4, 0, 8}, {4, 0, 14}, {-4, 0, 14},
             {-4, 0, 8}, {-6, 0, 8}}};
    Mesh& mesh = m.m_Mesh;
    mesh.Box(0, {-6, 0, -14}, {6, 10, 8}, 0xFFFFFFFF, 3, false);
    // The gable roof: two slopes facing up and out, and the two gable ends.
    mesh.Quad(1, {-6, 10, -14}, {-6, 10, 8}, {0, 16, 8}, {0, 16, -14}, ShadeWest, 4, 2);
    mesh.Quad(1, {6, 10, 8}, {6, 10, -14}, {0, 16, -14}, {0, 16, 8}, ShadeEast, 4, 2);
    mesh.Triangle(0, {6, 10, -14}, {-6, 10, -14}, {0, 16, -14}, ShadeNorth);
    mesh.Triangle(0, {-6, 10, 8}, {6, 10, 8}, {0, 16, 8}, ShadeSouth);
    mesh.Box(0, {-4, 0, 8}, {4, 26, 14}, 0xFFFFFFFF, 3, false);
    mesh.Pyramid(1, {-4, 26, 8}, {4, 26, 14}, 38, 0xFFFFFFFF);
    return m;
}

// The plaza of block 0,2 stands where its package says: a paved square over the whole lot,
// open under a fountain basin with a column in the water.
Model Plaza() {
    Model m{"plaza", {}, {{"paving", "stone", "water"}}, true, {-100, 0, 100},
            Footprint(-20, -20, 20, 20)};
    Mesh& mesh = m.m_Mesh;
    const float outer = 20, basin = 5;
    mesh.Quad(0, {-outer, 0, outer}, {outer, 0, outer}, {outer, 0, basin}, {-outer, 0, basin},
              ShadeTop, 8, 3);
    mesh.Quad(0, {-outer, 0, -basin}, {outer, 0, -basin}, {outer, 0, -outer}, {-outer, 0, -outer},
              ShadeTop, 8, 3);
    mesh.Quad(0, {-outer, 0, basin}, {-basin, 0, basin}, {-basin, 0, -basin}, {-outer, 0, -basin},
              ShadeTop, 3, 2);
    mesh.Quad(0, {basin, 0, basin}, {outer, 0, basin}, {outer, 0, -basin}, {basin, 0, -basin},
              ShadeTop, 3, 2);
    mesh.Box(1, {-basin, 0, -basin}, {basin, 0.8f, basin}, 0xFFFFFFFF, 2, false);
    // The water is the basin's top, open round the column.
    const float column = 0.8f;
    const float w = 0.8f;
    mesh.Quad(2, {-basin, w, basin}, {basin, w, basin}, {basin, w, column}, {-basin, w, column},
              ShadeTop, 2, 1);
    mesh.Quad(2, {-basin, w, -column}, {basin, w, -column}, {basin, w, -basin}, {-basin, w, -basin},
              ShadeTop, 2, 1);
    mesh.Quad(2, {-basin, w, column}, {-column, w, column}, {-column, w, -column},
              {-basin, w, -column}, ShadeTop, 1, 1);
    mesh.Quad(2, {column, w, column}, {basin, w, column}, {basin, w, -column}, {column, w, -column},
              ShadeTop, 1, 1);
    mesh.Box(1, {-column, w, -column}, {column, 9, column}, 0xFFFFFFFF, 2, false);
    mesh.Pyramid(1, {-column, w, -column}, {column, 9, column}, 10.5f, 0xFFFFFFFF);
    return m;
}

// Extras stand on the sidewalks of their roads.
Model Kiosk() {
    Model m{"kiosk", {}, {{"", "roof_b"}}, true, {-58.5f, 0, 0}, RoomOutline(-60, -40, -40, 40)};
    m.m_Mesh.Box(0, {-1, 0, -1.5f}, {1, 2.4f, 1.5f}, 0xFF3C7850, 1, false);
    m.m_Mesh.Pyramid(1, {-1, 2.4f, -1.5f}, {1, 2.4f, 1.5f}, 3.2f, 0xFFFFFFFF);
    return m;
}

Model Shelter() {
    Model m{"shelter", {}, {{"glassfront", ""}}, true, {10, 0, -58.5f},
            RoomOutline(-40, -60, 40, -40)};
    m.m_Mesh.Quad(0, {-2, 0, -0.6f}, {2, 0, -0.6f}, {2, 2.3f, -0.6f}, {-2, 2.3f, -0.6f},
                  0xFFFFFFFF, 2, 1);
    m.m_Mesh.Box(1, {-2.2f, 2.3f, -0.8f}, {2.2f, 2.5f, 0.8f}, 0xFFB03030, 1);
    return m;
}

// Props of the catalogue.
Model Lamp() {
    Model m{"lamp", {}, {{""}}, false, {}, {}};
    m.m_Mesh.Box(0, {-0.1f, 0, -0.1f}, {0.1f, 5, 0.1f}, 0xFF404448, 1, false);
    m.m_Mesh.Box(0, {-0.3f, 5, -0.3f}, {0.3f, 5.4f, 0.3f}, 0xFFF0E8A0, 1);
    return m;
}

Model Tree() {
    Model m{"tree", {}, {{""}}, false, {}, {}};
    m.m_Mesh.Box(0, {-0.25f, 0, -0.25f}, {0.25f, 2.5f, 0.25f}, 0xFF6A4A30, 1, false);
    m.m_Mesh.Box(0, {-1.8f, 2.5f, -1.8f}, {1.8f, 6, 1.8f}, 0xFF3A8A3A, 1);
    return m;
}

// The shop front's bound: a thin box over its face, one material.
std::string ShopfrontBound() {
    return "version: 1.01\n"
           "verts: 8 materials: 1 edges: 0 polys: 6\n"
           "v 0 0 0\nv 4 0 0\nv 4 4 0\nv 0 4 0\n"
           "v 0 0 0.2\nv 4 0 0.2\nv 4 4 0.2\nv 0 4 0.2\n"
           "mtl shopfront {\n\telasticity: 0.1\n\tfriction: 0.5\n\teffect: none\n\tsound: none\n}\n"
           "quad 0 1 2 3 0\nquad 5 4 7 6 0\nquad 4 0 3 7 0\nquad 1 5 6 2 0\n"
           "quad 3 2 6 7 0\nquad 4 5 1 0 0\n";
}

}  // namespace

bool WriteDemoModels() {
    const Model models[] = {Shopfront(), Glassfront(), Tower(), Church(), Plaza(),
                            Kiosk(),     Shelter(),    Lamp(),  Tree()};
    for (const Model& model : models) {
        if (!WritePackage(model) || (!model.m_Join.empty() && !WriteJoin(model))) {
            return false;
        }
    }
    return WriteDemoFile("bound", "shopfront_BOUND", "bnd", ShopfrontBound());
}
