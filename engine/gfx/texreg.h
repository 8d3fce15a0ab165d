#ifndef GFX_TEXREG_H
#define GFX_TEXREG_H

#include <cstdint>

class gfxImage;
class gfxTexture;
class gfxBitmap;

// Registries that make every texture, bitmap and animated texture load once per name and be
// shared. A name that failed to load is remembered as absent and not tried again.

// A numbered sequence of frame textures "%s-%04d" cycling at a rate read from
// "tune/<name>.movie". Callers hand in the address of their texture pointer, which every update
// sets to the current frame.
struct gfxAnimTexture {
    static const int MaxFrames = 128;

    struct User {
        gfxTexture** m_Slot;
        User* m_Next;
    };

    char* m_Name;
    gfxAnimTexture* m_Next;
    gfxTexture** m_Frames;
    uint8_t m_FrameCount;
    uint8_t m_CurrentFrame;
    float m_Time;
    float m_Period;
    User* m_Users;
};

gfxTexture* gfxGetTexture(const char* name, int mipmap);
gfxAnimTexture* gfxGetAnimTexture(gfxTexture** slot, const char* name, int mipmap);
void gfxUpdateAnimTextures(float seconds);
void gfxResetAnimTextures();
gfxBitmap* gfxGetBitmap(const char* name, bool videoMemory, bool quiet);
void gfxReleaseBitmap(gfxBitmap* bitmap);
void gfxMemoryReport(const char* label);

// Replaces a heap copy of a name (null for none).
void gfxReplaceName(char*& name, const char* with);

// Whether textures can be made now: the pipeline has its DirectDraw object.
bool gfxCanCreateTextures();

// Called as the last reference of a named texture or bitmap goes.
void gfxForgetTextureName(const char* name);
void gfxForgetBitmapName(const char* name);

// The loader and the post-load step, replaceable.
typedef gfxImage* (*gfxLoadImageFunc)(const char* name, bool mipmap);
typedef gfxImage* (*gfxPostLoadFunc)(gfxImage* image, const char* name, bool mipmap);
extern gfxLoadImageFunc gfxLoadImageHook;
extern gfxPostLoadFunc gfxPostLoadHook;

// Bytes the image readers read since the last memory report.
extern uint32_t gfxImageBytesRead;

#endif
