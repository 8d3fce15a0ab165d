// The demo city's binary city files: its path set and the image of its light-map definition.
#include "tools/demotextures/demoassets.h"

#include "data/asset.h"
#include "data/stream.h"

#include <cmath>
#include <string>
#include <vector>

namespace {

struct PathVertex {
    float x, y, z;
};

enum PathType { Points = 0, Lines = 1, LineStrip = 2 };

void PutPath(DemoBytes& file, const char* name, PathType type, float spacing,
             const std::vector<PathVertex>& vertices) {
    file.Name(name, 32);
    file.U32(uint32_t(vertices.size()));
    file.U32(0);
    for (const PathVertex& v : vertices) {
        file.U32(0);
        file.F32(v.x);
        file.F32(v.y);
        file.F32(v.z);
    }
    file.U8(type);
    file.U8(uint32_t(spacing * 4));
    file.U8(0);
    file.U8(0);
}

// A TIFF tag of one short or long value.
void PutTag(DemoBytes& file, uint16_t tag, uint16_t type, uint32_t value) {
    file.U16(tag);
    file.U16(type);
    file.U32(1);
    file.U32(value);
}

}  // namespace

bool WriteDemoFile(const char* directory, const char* name, const char* extension,
                   const std::string& bytes) {
    Stream* stream = datAssetManager::CreateReplacing(directory, name, extension);
    if (!stream) {
        return false;
    }
    bool written = StreamWrite(stream, bytes.data(), int(bytes.size())) == int(bytes.size());
    return StreamClose(stream) == 0 && written;
}

// Lamps along the south sidewalk of the road between the two northern blocks of the middle
// column, and parking bays painted across the car park of block 0,0.
bool WriteDemoPathSet() {
    DemoBytes file;
    file.Text("PTH1");
    file.U32(2);
    file.U32(0);
    PutPath(file, "lamp", LineStrip, 10.0f, {{-38, 0, -41.5f}, {38, 0, -41.5f}});
    const float y = 0.05f;
    PutPath(file, "parking_bays", Lines, 5.0f,
            {{-118, y, -104}, {-118, y, -96}, {-82, y, -104}, {-82, y, -96}});
    return WriteDemoFile("city", "demo", "pathset", file.Bytes());
}

// A baseline uncompressed RGB TIFF: warm light in the middle of the district, cooler towards
// its edges. The definition "city/demo.ldef" spreads it over the whole district.
bool WriteDemoLightImage() {
    const uint32_t side = 64;
    const uint16_t Short = 3, Long = 4;
    const uint32_t tagCount = 10;
    const uint32_t ifd = 8;
    const uint32_t bitsAt = ifd + 2 + 12 * tagCount + 4;
    const uint32_t pixelsAt = bitsAt + 6;
    DemoBytes file;
    file.Text("II");
    file.U16(42);
    file.U32(ifd);
    file.U16(tagCount);
    PutTag(file, 256, Short, side);           // ImageWidth
    PutTag(file, 257, Short, side);           // ImageLength
    file.U16(258);                            // BitsPerSample: 8, 8, 8 after the directory
    file.U16(Short);
    file.U32(3);
    file.U32(bitsAt);
    PutTag(file, 259, Short, 1);              // Compression: none
    PutTag(file, 262, Short, 2);              // PhotometricInterpretation: RGB
    PutTag(file, 273, Long, pixelsAt);        // StripOffsets
    PutTag(file, 277, Short, 3);              // SamplesPerPixel
    PutTag(file, 278, Short, side);           // RowsPerStrip
    PutTag(file, 279, Long, side * side * 3); // StripByteCounts
    PutTag(file, 284, Short, 1);              // PlanarConfiguration: contiguous
    file.U32(0);
    for (int i = 0; i < 3; ++i) {
        file.U16(8);
    }
    for (uint32_t y = 0; y < side; ++y) {
        for (uint32_t x = 0; x < side; ++x) {
            float dx = (float(x) + 0.5f) / side - 0.5f;
            float dy = (float(y) + 0.5f) / side - 0.5f;
            float d = std::sqrt(dx * dx + dy * dy) * 2.0f;
            float warm = d > 1.0f ? 0.0f : 1.0f - d;
            file.U8(uint32_t(170 + 85 * warm));
            file.U8(uint32_t(175 + 60 * warm));
            file.U8(uint32_t(220 - 40 * warm));
        }
    }
    return WriteDemoFile("city", "demolight", "tif", file.Bytes());
}
