#ifndef TESTS_GAME_CITYEDIT_TIFFFIXTURE_H
#define TESTS_GAME_CITYEDIT_TIFFFIXTURE_H

#include "city/psdl.h"
#include "city/sdl.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// TIFF files written by the tests through libtiff, and a city whose rooms stand where the
// tests want their centroids.

struct TiffLayout {
    int m_Samples = 3;  // 3 RGB, 4 RGB with an alpha sample
    int m_RowsPerStrip = 1 << 20;
    bool m_BottomUp = false;  // rows stored from the image's bottom one
    bool m_PackBits = false;
};

// Colour 0xRRGGBB (alpha 0xFF) of the pixel at x, counting rows from the image's top.
typedef std::function<uint32_t(int x, int fromTop)> TiffPixels;

inline bool WriteTiff(const std::string& path, int width, int height, const TiffPixels& pixels,
                      const TiffLayout& layout = TiffLayout()) {
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    if (!tiff) {
        return false;
    }
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, uint32_t(width));
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, uint32_t(height));
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, layout.m_Samples);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, layout.m_PackBits ? COMPRESSION_PACKBITS : COMPRESSION_NONE);
    TIFFSetField(tiff, TIFFTAG_ORIENTATION,
                 layout.m_BottomUp ? ORIENTATION_BOTLEFT : ORIENTATION_TOPLEFT);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, uint32_t(std::min(layout.m_RowsPerStrip, height)));
    if (layout.m_Samples == 4) {
        uint16_t extra = EXTRASAMPLE_UNASSALPHA;
        TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, &extra);
    }
    std::vector<unsigned char> row(size_t(width) * layout.m_Samples);
    bool ok = true;
    for (int r = 0; r < height && ok; ++r) {
        int fromTop = layout.m_BottomUp ? height - 1 - r : r;
        for (int x = 0; x < width; ++x) {
            uint32_t c = pixels(x, fromTop);
            unsigned char* p = &row[size_t(x) * layout.m_Samples];
            p[0] = (unsigned char)(c >> 16);
            p[1] = (unsigned char)(c >> 8);
            p[2] = (unsigned char)c;
            if (layout.m_Samples == 4) {
                p[3] = 0xFF;
            }
        }
        ok = TIFFWriteScanline(tiff, row.data(), uint32_t(r), 0) == 1;
    }
    TIFFClose(tiff);
    return ok;
}

// The 2 by 2 image: top row blue, white; bottom row red, green.
inline uint32_t Quadrants(int x, int fromTop) {
    static const uint32_t colours[2][2] = {{0x0000FF, 0xFFFFFF}, {0xFF0000, 0x00FF00}};
    return colours[fromTop][x];
}

// Rooms 1 to count - 1, each a small square round its centroid, ids 100 times their numbers.
struct CentroidCity {
    explicit CentroidCity(const std::vector<std::pair<float, float>>& centroids) {
        uint32_t rooms = uint32_t(centroids.size()) + 1;
        lvlPSDL::AllocateVertices(4 * (rooms - 1));
        m_City.AllocateRooms(rooms);
        for (uint32_t r = 1; r < rooms; ++r) {
            float x = centroids[r - 1].first;
            float z = centroids[r - 1].second;
            const float corners[4][2] = {{-0.5f, -0.5f}, {0.5f, -0.5f}, {0.5f, 0.5f}, {-0.5f, 0.5f}};
            lvlSDL* room = lvlSDL::Create(4, 0);
            for (uint16_t k = 0; k < 4; ++k) {
                uint16_t index = uint16_t(4 * (r - 1) + k);
                lvlPSDL::sm_Vertices[index] = Vector3(x + corners[k][0], 0, z + corners[k][1]);
                room->GetPerimeterEntry(k).m_Vertex = index;
            }
            m_City.m_Rooms[r].reset(room);
            m_City.m_RoomIds[r] = 100 * r;
        }
    }

    lvlPSDL m_City;
};

#endif
