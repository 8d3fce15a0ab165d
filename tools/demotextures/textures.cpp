// The demo city's textures: small patterns made here and saved through the engine's own image
// writers, so that the city shows something without outside art.
#include "tools/demotextures/demoassets.h"

#include "data/asset.h"
#include "gfx/image.h"
#include "gfx/imagefile.h"

#include <cstdint>
#include <string>

namespace {

const int Side = 32;

struct Colour {
    int r, g, b;
};

// The same noise on every run.
class Noise {
public:
    explicit Noise(uint32_t seed) : m_State(seed) {}
    int Next(int range) {
        m_State = m_State * 1664525u + 1013904223u;
        return (int)((m_State >> 16) % (uint32_t)range);
    }

private:
    uint32_t m_State;
};

int Clamp(int v) { return v < 0 ? 0 : v > 255 ? 255 : v; }

Colour Grain(Colour c, int grain) { return {c.r + grain, c.g + grain, c.b + grain}; }

typedef Colour (*Pattern)(int x, int y, Noise& noise);

// Asphalt; on the carriageway v runs from the centre line (row 0) to the kerb (row 31).
Colour Asphalt(Noise& noise) { return Grain({68, 68, 72}, noise.Next(20) - 10); }

Colour Road(int x, int y, Noise& noise) {
    Colour c = Asphalt(noise);
    if (y <= 1 && (x / 8) % 2 == 0) {
        return {225, 185, 40};
    }
    if (y >= 29 && y <= 30) {
        return {215, 215, 210};
    }
    return c;
}

Colour Intersection(int, int, Noise& noise) { return Asphalt(noise); }

// Bars across the crossing, u running over the carriageway from one kerb to the other.
Colour Crosswalk(int x, int, Noise& noise) {
    return (x / 2) % 2 ? Grain({225, 225, 220}, noise.Next(10) - 5) : Asphalt(noise);
}

Colour Sidewalk(int x, int y, Noise& noise) {
    int grain = noise.Next(16) - 8;
    bool joint = x % 16 == 0 || y % 16 == 0;
    int level = joint ? 130 : 175;
    return {level + grain, level + grain, level - 6 + grain};
}

Colour RoadLod(int, int, Noise&) { return {72, 72, 76}; }

Colour Grass(int, int, Noise& noise) {
    int grain = noise.Next(40) - 20;
    return {60 + grain / 2, 130 + grain, 45 + grain / 2};
}

Colour Cobbles(int x, int y, Noise& noise) {
    int grain = noise.Next(24) - 12;
    bool gap = x % 6 == 0 || (y + (x / 6) * 3) % 6 == 0;
    return gap ? Colour{70, 64, 58} : Grain({135, 120, 100}, grain);
}

Colour Median(int x, int y, int stripe, Colour a, Colour b, Noise& noise) {
    int grain = noise.Next(12) - 6;
    Colour c = ((x + y * (stripe & 1)) / stripe) % 2 ? a : b;
    return Grain(c, grain);
}

Colour MedianA(int x, int y, Noise& n) { return Median(x, y, 8, {200, 200, 200}, {60, 60, 60}, n); }
Colour MedianB(int x, int y, Noise& n) { return Median(x, y, 4, {220, 180, 40}, {40, 40, 40}, n); }
Colour MedianC(int x, int y, Noise& n) { return Median(x, y, 5, {90, 130, 60}, {120, 100, 70}, n); }
Colour MedianD(int x, int y, Noise& n) { return Median(x, y, 16, {180, 60, 50}, {230, 230, 230}, n); }

// Courses of bricks, every second course shifted by half a brick, with light mortar lines.
Colour Brick(int x, int y, int height, Colour brick, Noise& noise) {
    int grain = noise.Next(20) - 10;
    int shift = (y / height) % 2 ? 4 : 0;
    if (y % height == 0 || (x + shift) % 8 == 0) {
        return Grain({190, 185, 175}, grain / 2);
    }
    return Grain(brick, grain);
}

Colour BrickA(int x, int y, Noise& n) { return Brick(x, y, 4, {150, 60, 45}, n); }
Colour BrickB(int x, int y, Noise& n) { return Brick(x, y, 4, {120, 90, 70}, n); }
Colour BrickStack(int x, int y, Noise& n) { return Brick(x, y, 8, {140, 110, 90}, n); }
Colour AlleyWall(int x, int y, Noise& n) { return Brick(x, y, 4, {95, 80, 75}, n); }

// One bay of a facade: a window of the given size in a frame of wall colour.
Colour Window(int x, int y, int left, int right, int top, int bottom, Colour wall, Colour glass,
              Noise& noise) {
    int grain = noise.Next(10) - 5;
    bool inside = x >= left && x < right && y >= top && y < bottom;
    if (!inside) {
        return Grain(wall, grain);
    }
    // A lighter pane towards the top of the glass.
    int shine = (bottom - y) * 40 / (bottom - top);
    return Grain({glass.r + shine / 2, glass.g + shine / 2, glass.b + shine}, grain / 2);
}

Colour WindowsA(int x, int y, Noise& n) {
    return Window(x % 16, y, 2, 14, 6, 26, {200, 196, 186}, {60, 90, 130}, n);
}
Colour WindowsB(int x, int y, Noise& n) {
    return Window(x % 16, y % 16, 4, 12, 3, 12, {205, 180, 140}, {50, 70, 95}, n);
}
Colour Glassfront(int x, int y, Noise& n) {
    return Window(x % 8, y % 8, 1, 8, 1, 8, {90, 100, 110}, {70, 130, 150}, n);
}

// A shop front: a sign band on top, a door on the right, a display window on the left.
Colour Shopfront(int x, int y, Colour sign, Noise& noise) {
    int grain = noise.Next(10) - 5;
    if (y < 6) {
        return Grain(sign, grain);
    }
    if (x >= 22 && x < 29 && y >= 12) {
        return Grain({90, 60, 40}, grain);
    }
    if (x >= 3 && x < 19 && y >= 11 && y < 28) {
        return Grain({110, 140, 160}, grain);
    }
    return Grain({185, 175, 160}, grain);
}
Colour ShopfrontA(int x, int y, Noise& n) { return Shopfront(x, y, {170, 40, 40}, n); }
Colour ShopfrontB(int x, int y, Noise& n) { return Shopfront(x, y, {40, 110, 60}, n); }

Colour Concrete(int, int, Noise& noise) { return Grain({150, 148, 142}, noise.Next(20) - 10); }
Colour Plinth(int, int y, Noise& noise) {
    return Grain(y % 8 == 0 ? Colour{60, 58, 56} : Colour{95, 92, 88}, noise.Next(12) - 6);
}

Colour RoofA(int x, int y, Noise& noise) {
    bool vent = x >= 10 && x < 16 && y >= 10 && y < 16;
    return vent ? Grain({170, 170, 175}, noise.Next(8)) : Grain({115, 112, 108}, noise.Next(30) - 15);
}
Colour RoofB(int, int, Noise& noise) { return Grain({105, 62, 52}, noise.Next(26) - 13); }

Colour Paving(int x, int y, Noise& noise) {
    bool joint = x % 8 == 0 || y % 8 == 0;
    return joint ? Colour{150, 140, 125} : Grain({200, 188, 165}, noise.Next(16) - 8);
}

// Parking: bays marked every 8 texels across, the aisle line along the top.
Colour Parking(int x, int y, Noise& noise) {
    if (x % 10 == 0 || y == 1) {
        return {220, 220, 215};
    }
    return Asphalt(noise);
}
Colour ParkingBays(int x, int, Noise& noise) {
    return x < 2 || x >= 30 ? Colour{235, 235, 230} : Grain({80, 80, 84}, noise.Next(12) - 6);
}

Colour Stone(int x, int y, Noise& noise) {
    bool joint = y % 6 == 0 || (x + (y / 6) * 5) % 10 == 0;
    return joint ? Colour{140, 132, 120} : Grain({190, 180, 160}, noise.Next(18) - 9);
}
Colour Water(int x, int y, Noise& noise) {
    int wave = ((x + 2 * y) / 4) % 2 ? 25 : 0;
    return {40, 100 + wave + noise.Next(10), 170 + wave};
}

struct Texture {
    const char* m_Name;
    Pattern m_Pattern;
    bool m_Bitmap;
};

// Every texture that the description, the catalogues and the models name. Two are bitmaps,
// so that both image readers are in use.
const Texture Textures[] = {
    {"road_a", Road, false},          {"sidewalk_a", Sidewalk, false},
    {"road_lod", RoadLod, false},     {"isect_a", Intersection, false},
    {"crosswalk", Crosswalk, false},  {"grass", Grass, true},
    {"alley_a", Cobbles, false},      {"alleywall", AlleyWall, false},
    {"median_a", MedianA, false},     {"median_b", MedianB, false},
    {"median_c", MedianC, true},      {"median_d", MedianD, false},
    {"brick_a", BrickA, false},       {"brick_b", BrickB, false},
    {"brick_stack", BrickStack, false}, {"windows_a", WindowsA, false},
    {"windows_b", WindowsB, false},   {"glassfront", Glassfront, false},
    {"shopfront", ShopfrontA, false}, {"shopfront_b", ShopfrontB, false},
    {"shop_stack", ShopfrontA, false}, {"sliver", Concrete, false},
    {"plinth", Plinth, false},        {"roof_a", RoofA, false},
    {"roof_b", RoofB, false},         {"paving", Paving, false},
    {"parking", Parking, false},      {"parking_bays", ParkingBays, false},
    {"stone", Stone, false},          {"water", Water, false},
};

bool Write(const std::string& directory, const Texture& texture, uint32_t seed) {
    gfxImage* image = gfxImage::Create(Side, Side, gfxImage::rif888, 0, 0);
    Noise noise(seed);
    for (int y = 0; y < Side; ++y) {
        for (int x = 0; x < Side; ++x) {
            Colour c = texture.m_Pattern(x, y, noise);
            unsigned char* pixel = image->Row(y) + 3 * x;
            // Bitmaps are written as screen images hold their pixels: blue first.
            pixel[texture.m_Bitmap ? 2 : 0] = (unsigned char)Clamp(c.r);
            pixel[1] = (unsigned char)Clamp(c.g);
            pixel[texture.m_Bitmap ? 0 : 2] = (unsigned char)Clamp(c.b);
        }
    }
    std::string path = directory + "\\" + texture.m_Name;
    bool saved = texture.m_Bitmap ? gfxSaveBmp(path.c_str(), image) : gfxSaveTga(path.c_str(), image);
    gfxReleaseImage(image);
    return saved;
}

}  // namespace

bool WriteDemoTextures() {
    std::string directory = std::string(datAssetManager::GetPath()) + "texture";
    uint32_t seed = 1;
    for (const Texture& texture : Textures) {
        if (!Write(directory, texture, seed++)) {
            return false;
        }
    }
    return true;
}
