#ifndef GFX_IMAGE_H
#define GFX_IMAGE_H

#include "vector/vector3.h"

#include <cstdint>

// A picture in main memory: pixels in one of six formats, an optional palette and a chain of
// smaller mip levels. Images are counted by hand: whoever drops the last reference calls
// Release and deletes the image.
class gfxImage {
public:
    enum Format : uint8_t {
        rif8888 = 1,  // bytes red, green, blue, alpha
        rif888 = 2,   // bytes red, green, blue
        rif5551 = 3,  // word: alpha 15, red 10-14, green 5-9, blue 0-4
        rif555 = 4,   // word laid out 5-6-5 (or as the frame buffer it was copied from)
        rif8 = 5,     // palette index per byte
        rif4 = 6,     // palette indices, even x in the low nibble
    };
    // Palette formats: none, rif8888 entries (4 bytes each), and words with red 0-4,
    // green 5-9, blue 10-14 and bit 15 set.
    enum PaletteFormat : uint8_t { NoPalette = 0, PaletteRGBA = 1, Palette555 = 3 };

    static int BitsPerPixel(int format);
    static int PaletteEntries(int format);
    static int PaletteBytes(int format, int paletteFormat);
    // Whether an image of this size and format can be held: both sides 1 to 65535 and a row
    // of at most 65535 bytes.
    static bool Fits(int width, int height, int format);

    // mipCount counts the levels below this one; the chain stops at a level 1 pixel wide or
    // tall. Every level shares the palette of the last one.
    static gfxImage* Create(int width, int height, int format, int paletteFormat, int mipCount);
    void Release();

    void GenerateMipmaps();
    void Scale(int newWidth, int newHeight);
    void Reformat(int newFormat);
    uint32_t AverageColor() const;
    void SetPixel(int x, int y, uint32_t value, int rowStep);
    void Annotate(const char* text);
    void FlipVertical();

    int GetDepth() const { return BitsPerPixel(m_Format); }
    int LevelCount() const;
    unsigned char* Row(int y) const { return m_Pixels + y * m_Stride; }
    uint16_t Word(int x, int y) const;
    void SetWord(int x, int y, uint16_t value);

    uint16_t m_XRes;
    uint16_t m_YRes;
    uint16_t m_Stride;
    uint8_t m_Format;
    uint8_t m_PaletteFormat;
    uint32_t m_Flags;
    unsigned char* m_Pixels;
    unsigned char* m_Palette;
    uint32_t m_RefCount;
    gfxImage* m_Next;

private:
    gfxImage() = default;
    bool HasPalette() const { return m_PaletteFormat != NoPalette; }
};

// Drops one reference and, at the last, releases and deletes the image.
void gfxReleaseImage(gfxImage* image);

// The debug font as a 128 by 64 rif5551 image, built on the first call; both cells are 8.
gfxImage* gfxGetFontImage(int& cellWidth, int& cellHeight);
void gfxReleaseFontImage();
// The 8 by 8 glyphs of the characters 32 to 127, one byte per row from the top, bit 7 leftmost.
extern const unsigned char gfxFontGlyphs[96 * 8];

// The largest side a loaded texture may keep; 0 is no limit. Returns the previous limit.
int gfxSetMaxImageSize(int size);
gfxImage* gfxLimitImageSize(gfxImage* image);

// Hue, saturation and value and red, green and blue, each from 0 to 1.
void gfxHsvToRgb(Vector3& rgb, const Vector3& hsv);
void gfxRgbToHsv(Vector3& hsv, const Vector3& rgb);
// How often n halves before it reaches 1 (0 for 0 and 1).
int gfxLog2(int n);

#endif
