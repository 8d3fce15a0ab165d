// Writes the demo city's textures: small patterns made here, saved through the engine's own
// image writers, so that the city shows something without outside art.
//   demotextures <directory>      (e.g. assets\texture)
#include "gfx/imagefile.h"

#include "data/printer.h"

#include <cstdint>
#include <cstdio>
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

typedef Colour (*Pattern)(int x, int y, Noise& noise);

Colour Road(int x, int y, Noise& noise) {
    int grain = noise.Next(24) - 12;
    // A dashed centre line down the middle.
    if ((x == 15 || x == 16) && (y / 8) % 2 == 0) {
        return {230 + grain / 2, 190 + grain / 2, 40};
    }
    return {70 + grain, 70 + grain, 74 + grain};
}

Colour Sidewalk(int x, int y, Noise& noise) {
    int grain = noise.Next(16) - 8;
    bool joint = x % 16 == 0 || y % 16 == 0;
    int level = joint ? 120 : 170;
    return {level + grain, level + grain, level - 6 + grain};
}

Colour RoadLod(int, int, Noise&) { return {72, 72, 76}; }

Colour Grass(int, int, Noise& noise) {
    int grain = noise.Next(40) - 20;
    return {50 + grain / 2, 120 + grain, 40 + grain / 2};
}

Colour FlowA(int x, int y, Noise& noise) {
    int wave = ((x + y) / 4) % 2 ? 30 : 0;
    return {30, 80 + wave + noise.Next(10), 160 + wave};
}

Colour FlowB(int x, int y, Noise& noise) { return FlowA(x + 4, y, noise); }

Colour Median(int x, int y, int stripe, Colour a, Colour b, Noise& noise) {
    int grain = noise.Next(12) - 6;
    Colour c = ((x + y * (stripe & 1)) / stripe) % 2 ? a : b;
    return {c.r + grain, c.g + grain, c.b + grain};
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
        return {190 + grain / 2, 185 + grain / 2, 175 + grain / 2};
    }
    return {brick.r + grain, brick.g + grain, brick.b + grain};
}

Colour BrickA(int x, int y, Noise& n) { return Brick(x, y, 4, {150, 60, 45}, n); }
Colour BrickB(int x, int y, Noise& n) { return Brick(x, y, 4, {120, 90, 70}, n); }
Colour BrickStack(int x, int y, Noise& n) { return Brick(x, y, 8, {140, 110, 90}, n); }

struct Texture {
    const char* m_Name;
    Pattern m_Pattern;
    bool m_Bitmap;
};

const Texture Textures[] = {
    {"road_a", Road, false},       {"sidewalk_a", Sidewalk, false}, {"road_lod", RoadLod, false},
    {"grass", Grass, true},        {"flow-0001", FlowA, false},     {"flow-0002", FlowB, false},
    {"median_a", MedianA, false},  {"median_b", MedianB, false},    {"median_c", MedianC, true},
    {"median_d", MedianD, false},  {"brick_a", BrickA, false},      {"brick_b", BrickB, false},
    {"brick_stack", BrickStack, false},
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

int main(int argc, char** argv) {
    if (argc != 2) {
        PrintError("Usage: demotextures directory");
        return 1;
    }
    uint32_t seed = 1;
    for (const Texture& texture : Textures) {
        if (!Write(argv[1], texture, seed++)) {
            return 1;
        }
    }
    return 0;
}
