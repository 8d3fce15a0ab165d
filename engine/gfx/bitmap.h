#ifndef GFX_BITMAP_H
#define GFX_BITMAP_H

#include <cstdint>

#include <windows.h>
#include <ddraw.h>

class gfxImage;

// A plain surface of the screen's pixel format for blits, black as its colour key. Counted by
// hand like textures, in a list of its own.
class gfxBitmap {
public:
    static gfxBitmap* Create(int width, int height, bool videoMemory);
    void SetName(const char* name);
    // Only an image of the bitmap's size without a palette.
    bool Load(gfxImage* image);
    void Fill(uint32_t colour);
    static void Release(gfxBitmap* bitmap);

    char* m_Name;
    uint16_t m_Width;
    uint16_t m_Height;
    IDirectDrawSurface7* m_Surface;
    uint32_t m_RefCount;
    gfxBitmap* m_Next;

    static gfxBitmap* sm_First;

private:
    gfxBitmap() = default;
    void Destroy();
};

void gfxReleaseAllBitmaps();

#endif
