#ifndef GFX_TEXTURE_H
#define GFX_TEXTURE_H

#include <cstdint>

#include <windows.h>
#include <ddraw.h>

class bkBank;
class gfxImage;
struct gfxCacheSlot;
struct gfxCachePool;

// A DirectDraw texture surface with its palette, made from an image. Textures are counted by
// hand: the registry hands them out, Release drops a reference and destroys at the last one.
// With the texture cache on, textures live in system memory and are copied on demand into
// video-memory slots grouped in pools of one surface description.
class gfxTexture {
public:
    // A texture without a surface, for code that fills one in itself.
    gfxTexture();

    // Flag bits besides the image's own.
    static const uint32_t Translucent = 0x20000;  // the surface format has alpha
    static const uint32_t Hardware = 0x40000;     // made on a hardware device
    static const uint32_t HardwareMips = 0x80000;

    static gfxTexture* Create(int width, int height, int format, int paletteFormat, int mipCount);
    static gfxTexture* Create(gfxImage* image, bool wantMips);
    // Render target of the target's pixel format; the six faces of a cube map (x, -x, y, -y,
    // z, -z) and the whole cube in faces[6]; a copy without mips.
    static gfxTexture* CreateRenderTarget(int width, int height);
    static bool CreateCubeMap(int size, gfxTexture* faces[7]);
    gfxTexture* Copy();

    bool Load(gfxImage* image);
    void SetName(const char* name);
    void SetFlags(uint32_t flags) { m_Flags = flags; }
    uint32_t GetFlags() const { return m_Flags; }
    uint32_t GetAverageColor() const { return m_AverageColor; }

    void Bind();
    void PreLoad();
    void FirstUse();
    void SetLOD();
    // What a draw binds: the cache slot's surface while resident, else the texture's own.
    IDirectDrawSurface7* GetResidentSurface();

    // Null is allowed.
    static void Release(gfxTexture* texture);

    static void EnableCache(bool on);
    static void InitCache();
    static void ShutdownCache();

    uint32_t m_BatchSlot;  // texture batches: slot + 1, 0 when none
    char* m_Name;
    uint16_t m_Width;
    uint16_t m_Height;
    uint32_t m_Flags;
    uint32_t m_AverageColor;
    IDirectDrawSurface7* m_Surface;
    IDirectDrawPalette* m_Palette;
    gfxCacheSlot* m_CacheEntry;
    gfxCachePool* m_Pool;
    uint32_t m_RefCount;
    gfxTexture* m_Next;
    gfxTexture* m_NextUsed;
    uint8_t m_LOD;  // 255 until first bound in a frame
    uint8_t m_MipCount;

    static gfxTexture* sm_First;
    static gfxTexture* sm_FirstUsed;
    static bool sm_CacheEnabled;
    static gfxCachePool* sm_FirstPool;
    static uint32_t sm_UseCounter;
    static bool sm_LODControl;
    static uint8_t sm_LODLimit;

private:
    // A new texture over the surface, first in the list.
    static gfxTexture* Adopt(IDirectDrawSurface7* surface, int width, int height, uint32_t flags);
    void Destroy();
    void Evict();
    void LoadIntoPool();
    friend void gfxEvictSlot(gfxCacheSlot* slot);
};

// A surface side for a requested one: powers of two stay, others go to the next of 4 to 1024,
// anything above 1024 to 2048.
int gfxTextureSize(int size);

// End of frame: every texture used this frame forgets its level of detail.
void gfxResetTextureUse();
void gfxReleaseAllTextures();
void gfxEvictAllTextures();
// The "MIPMAP Editor" combo of all named textures.
void gfxTextureEditorBank(bkBank* bank);

// Gives the state applier its way to a texture's surface and flags; done when textures are
// made, and again by whoever resets the applier.
void gfxInstallTextureAccess();

// Whether textures are made in system memory for a software device.
bool gfxSoftwareTextures();

// The default of the preload switch is on.
extern bool gfxTexturePreload;

#endif
