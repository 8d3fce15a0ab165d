// Textures: surfaces chosen per image format, the upload of an image chain, the texture list,
// names, binding and the end of a frame's use.
#include "gfx/texture.h"

#include <cstring>
#include <vector>

#include "data/assert.h"
#include "data/printer.h"
#include "gfx/drawstate.h"
#include "gfx/image.h"
#include "gfx/pipeline.h"
#include "gfx/print.h"
#include "gfx/texconvert.h"
#include "gfx/texreg.h"

gfxTexture* gfxTexture::sm_First;
gfxTexture* gfxTexture::sm_FirstUsed;
bool gfxTexture::sm_CacheEnabled;
gfxCachePool* gfxTexture::sm_FirstPool;
uint32_t gfxTexture::sm_UseCounter;
bool gfxTexture::sm_LODControl;
uint8_t gfxTexture::sm_LODLimit;
bool gfxTexturePreload = true;

namespace {

// One candidate surface format: bit count, masks red, green, blue, alpha, palette bits.
struct SurfaceFormat {
    uint32_t m_Bits;
    uint32_t m_Red, m_Green, m_Blue, m_Alpha;
    uint32_t m_PaletteBits;  // 4 or 8 for palette-indexed surfaces
};

const SurfaceFormat A8R8G8B8 = {32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000, 0};
const SurfaceFormat X8R8G8B8 = {32, 0xFF0000, 0xFF00, 0xFF, 0, 0};
const SurfaceFormat A4R4G4B4 = {16, 0xF00, 0xF0, 0xF, 0xF000, 0};
const SurfaceFormat R5G6B5 = {16, 0xF800, 0x7E0, 0x1F, 0, 0};
const SurfaceFormat A1R5G5B5 = {16, 0x7C00, 0x3E0, 0x1F, 0x8000, 0};
const SurfaceFormat X1R5G5B5 = {16, 0x7C00, 0x3E0, 0x1F, 0, 0};
const SurfaceFormat Palette8 = {8, 0, 0, 0, 0, 8};
const SurfaceFormat Palette4 = {4, 0, 0, 0, 0, 4};

// The formats to try for an image format, best first.
int Candidates(int format, const SurfaceFormat* out[3]) {
    bool wide = gfxUse32BitTextures;
    int n = 0;
    switch (format) {
    case gfxImage::rif8888:
        if (wide) {
            out[n++] = &A8R8G8B8;
        }
        out[n++] = &A4R4G4B4;
        break;
    case gfxImage::rif888:
        if (wide) {
            out[n++] = &X8R8G8B8;
        }
        out[n++] = &R5G6B5;
        break;
    case gfxImage::rif5551:
        out[n++] = &A1R5G5B5;
        break;
    case gfxImage::rif555:
        out[n++] = &R5G6B5;
        out[n++] = &X1R5G5B5;
        break;
    case gfxImage::rif8:
        out[n++] = &Palette8;
        out[n++] = &X1R5G5B5;
        break;
    case gfxImage::rif4:
        out[n++] = &Palette4;
        out[n++] = &Palette8;
        out[n++] = &X1R5G5B5;
        break;
    default:
        FatalQuit("Unsupported texture format!");
    }
    return n;
}

void FillPixelFormat(DDPIXELFORMAT& pf, const SurfaceFormat& f) {
    memset(&pf, 0, sizeof(pf));
    pf.dwSize = sizeof(pf);
    if (f.m_PaletteBits) {
        pf.dwFlags = DDPF_RGB | (f.m_PaletteBits == 8 ? DDPF_PALETTEINDEXED8 : DDPF_PALETTEINDEXED4);
        pf.dwRGBBitCount = f.m_Bits;
        return;
    }
    pf.dwFlags = DDPF_RGB | (f.m_Alpha ? DDPF_ALPHAPIXELS : 0);
    pf.dwRGBBitCount = f.m_Bits;
    pf.dwRBitMask = f.m_Red;
    pf.dwGBitMask = f.m_Green;
    pf.dwBBitMask = f.m_Blue;
    pf.dwRGBAlphaBitMask = f.m_Alpha;
}

// Makes the surface (and palette) of one candidate; false when DirectDraw refuses.
bool TryFormat(DDSURFACEDESC2 sd, const SurfaceFormat& f, bool last, IDirectDrawSurface7*& surface,
               IDirectDrawPalette*& palette) {
    FillPixelFormat(sd.ddpfPixelFormat, f);
    surface = nullptr;
    HRESULT result = lpDD->CreateSurface(&sd, &surface, nullptr);
    if (FAILED(result) || !surface) {
        surface = nullptr;
        if (last) {
            gfxFailed(result, "lpDD->CreateSurface(&SD,&surface,NULL)");
        }
        return false;
    }
    if (!f.m_PaletteBits) {
        return true;
    }
    PALETTEENTRY empty[256] = {};
    bool eight = f.m_PaletteBits == 8;
    if (gfxFailed(lpDD->CreatePalette(eight ? DDPCAPS_8BIT | DDPCAPS_ALLOW256 : DDPCAPS_4BIT,
                                      empty, &palette, nullptr),
                  eight ? "lpDD->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256,empty,&palette,NULL)"
                        : "lpDD->CreatePalette(DDPCAPS_4BIT,empty,&palette,NULL)")) {
        palette = nullptr;
    } else if (!gfxFailed(surface->SetPalette(palette), "surface->SetPalette(palette)")) {
        return true;
    }
    if (palette) {
        palette->Release();
        palette = nullptr;
    }
    surface->Release();
    surface = nullptr;
    return false;
}

void FillPalette(PALETTEENTRY* pe, int count, const gfxImage* image) {
    const uint8_t* p = image->m_Palette;
    for (int i = 0; i < count; ++i) {
        if (image->m_PaletteFormat == gfxImage::Palette555) {
            uint16_t w = uint16_t(p[2 * i] | p[2 * i + 1] << 8);
            pe[i].peRed = uint8_t((w << 3) & 0xF8);
            pe[i].peGreen = uint8_t((w >> 2) & 0xF8);
            pe[i].peBlue = uint8_t((w >> 7) & 0xF8);
        } else {
            pe[i].peRed = p[4 * i];
            pe[i].peGreen = p[4 * i + 1];
            pe[i].peBlue = p[4 * i + 2];
        }
        pe[i].peFlags = 0;
    }
}

// A palette image on a surface without a palette: each index through the palette to 5-5-5.
void ExpandIndices(uint8_t* dest, const gfxImage* image, int y, const PALETTEENTRY* pe) {
    const uint8_t* row = image->Row(y);
    for (int x = 0; x < image->m_XRes; ++x) {
        int index = image->m_Format == gfxImage::rif4 ? (x & 1 ? row[x / 2] >> 4 : row[x / 2] & 15)
                                                      : row[x];
        const PALETTEENTRY& e = pe[index];
        uint16_t w = uint16_t((e.peRed >> 3) << 10 | (e.peGreen >> 3) << 5 | e.peBlue >> 3);
        dest[2 * x] = uint8_t(w);
        dest[2 * x + 1] = uint8_t(w >> 8);
    }
}

bool PaletteSurface(const DDSURFACEDESC2& sd) {
    return (sd.ddpfPixelFormat.dwFlags & (DDPF_PALETTEINDEXED8 | DDPF_PALETTEINDEXED4)) != 0;
}

uint32_t SurfaceBits(const DDSURFACEDESC2& sd) {
    if (sd.ddpfPixelFormat.dwFlags & DDPF_PALETTEINDEXED4) {
        return 4;
    }
    if (sd.ddpfPixelFormat.dwFlags & DDPF_PALETTEINDEXED8) {
        return 8;
    }
    return sd.ddpfPixelFormat.dwRGBBitCount;
}

template <typename Com>
void ReleaseCom(Com*& object, const char* name) {
    if (object) {
        ULONG left = object->Release();
        PrintVerbose1(gfxDebugLevel, "Releasing %s: %d", name, (int)left);
        object = nullptr;
    }
}

IDirectDrawSurface7* ResidentSurfaceOf(const gfxTexture* texture) {
    return const_cast<gfxTexture*>(texture)->GetResidentSurface();
}

uint32_t FlagsOf(const gfxTexture* texture) {
    return texture->GetFlags();
}

const bool sAccessInstalled = (gfxInstallTextureAccess(), true);

// A surface of the description, or null after the failure is reported.
IDirectDrawSurface7* CreateSurface(DDSURFACEDESC2& sd, const char* call) {
    IDirectDrawSurface7* surface = nullptr;
    if (gfxFailed(lpDD->CreateSurface(&sd, &surface, nullptr), call) || !surface) {
        return nullptr;
    }
    return surface;
}

}  // namespace

gfxTexture* gfxTexture::Adopt(IDirectDrawSurface7* surface, int width, int height, uint32_t flags) {
    gfxTexture* t = new gfxTexture();
    t->m_Width = uint16_t(width);
    t->m_Height = uint16_t(height);
    t->m_Surface = surface;
    t->m_Flags = flags;
    t->m_Next = sm_First;
    sm_First = t;
    return t;
}

void gfxInstallTextureAccess() {
    gfxTextureHooks.m_ResidentSurface = ResidentSurfaceOf;
    gfxTextureHooks.m_Flags = FlagsOf;
}

int gfxTextureSize(int size) {
    if (size > 0 && (size & (size - 1)) == 0) {
        return size;
    }
    for (int side = 4; side <= 1024; side *= 2) {
        if (size < side) {
            return side;
        }
    }
    return 2048;
}

bool gfxSoftwareTextures() {
    return gfxUseSoftware;
}

gfxTexture::gfxTexture() {
    memset(static_cast<void*>(this), 0, sizeof(*this));
    m_RefCount = 1;
    m_LOD = 255;
}

gfxTexture* gfxTexture::Create(int width, int height, int f, int lf, int mipCount) {
    // Written as the assertion is reported.
    Assert(lf? ((f==gfxImage::rif4||f==gfxImage::rif8)&&(lf==gfxImage::rif5551||lf==gfxImage::rif8888)) : (f!=gfxImage::rif4&&f!=gfxImage::rif8));
    if (!lpDD) {
        PrintWarning("PIPE not started, cannot create textures.");
        return nullptr;
    }
    gfxInstallTextureAccess();
    // A texture first needed after the cache was built: the cache goes, and the next frame
    // start builds it again with this texture counted.
    if (sm_FirstPool) {
        ShutdownCache();
    }
    DDSURFACEDESC2 sd = {};
    sd.dwSize = sizeof(sd);
    sd.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    sd.dwWidth = gfxTextureSize(width);
    sd.dwHeight = gfxTextureSize(height);
    sd.ddsCaps.dwCaps = DDSCAPS_TEXTURE | DDSCAPS_3DDEVICE;
    bool software = gfxSoftwareTextures();
    if (software || sm_CacheEnabled) {
        sd.ddsCaps.dwCaps |= DDSCAPS_SYSTEMMEMORY;
    } else {
        sd.ddsCaps.dwCaps2 = DDSCAPS2_TEXTUREMANAGE;
    }
    if (mipCount > 0) {
        sd.dwFlags |= DDSD_MIPMAPCOUNT;
        sd.ddsCaps.dwCaps |= DDSCAPS_MIPMAP | DDSCAPS_COMPLEX;
        sd.dwMipMapCount = mipCount;
    }
    const SurfaceFormat* candidates[3];
    int count = Candidates(f, candidates);
    IDirectDrawSurface7* surface = nullptr;
    IDirectDrawPalette* palette = nullptr;
    const SurfaceFormat* chosen = nullptr;
    for (int i = 0; i < count && !chosen; ++i) {
        if (TryFormat(sd, *candidates[i], i == count - 1, surface, palette)) {
            chosen = candidates[i];
        }
    }
    if (!chosen) {
        return nullptr;
    }
    gfxTexture* t = Adopt(surface, sd.dwWidth, sd.dwHeight,
                          (software ? 0 : Hardware) | (chosen->m_Alpha ? Translucent : 0) |
                              (mipCount > 0 && !software ? HardwareMips : 0));
    t->m_Palette = palette;
    t->m_MipCount = uint8_t(mipCount);
    return t;
}

gfxTexture* gfxTexture::Create(gfxImage* image, bool wantMips) {
    if (image->m_XRes > 2048 || image->m_YRes > 2048) {
        PrintError("gfxTexture::Create: image of %d by %d is larger than a texture (2048)",
                   image->m_XRes, image->m_YRes);
        return nullptr;
    }
    int levels = wantMips ? image->LevelCount() : 0;
    int paletteFormat = image->m_Format == gfxImage::rif4 || image->m_Format == gfxImage::rif8
                            ? (image->m_PaletteFormat == gfxImage::Palette555 ? gfxImage::rif5551
                                                                              : gfxImage::rif8888)
                            : 0;
    gfxTexture* t = Create(image->m_XRes, image->m_YRes, image->m_Format, paletteFormat,
                           levels > 1 ? levels : 0);
    if (!t) {
        return nullptr;
    }
    t->Load(image);
    t->m_Flags |= image->m_Flags;
    return t;
}

bool gfxTexture::Load(gfxImage* image) {
    m_AverageColor = image->AverageColor();
    PALETTEENTRY pe[256] = {};
    int lutCount = gfxImage::PaletteEntries(image->m_Format);
    if (lutCount && image->m_Palette) {
        FillPalette(pe, lutCount, image);
        if (m_Palette) {
            gfxFailed(m_Palette->SetEntries(0, 0, lutCount, pe),
                      "m_Palette->SetEntries(0,0,lutCount,pe)");
            gfxFailed(m_Surface->SetPalette(m_Palette), "m_Surface->SetPalette(m_Palette)");
        }
    }
    IDirectDrawSurface7* pdds = m_Surface;
    pdds->AddRef();
    bool ok = true;
    for (gfxImage* level = image; level && pdds; level = level->m_Next) {
        DDSURFACEDESC2 sd = {};
        sd.dwSize = sizeof(sd);
        if (gfxFailed(pdds->Lock(nullptr, &sd, DDLOCK_WAIT, nullptr),
                      "pdds->Lock(NULL,&SD,DDLOCK_WAIT,0)")) {
            ok = false;
            break;
        }
        if (!sd.lpSurface) {
            pdds->Unlock(nullptr);
            ok = false;
            break;
        }
        bool paletteSurface = PaletteSurface(sd);
        uint32_t bits = SurfaceBits(sd);
        bool expand = !paletteSurface && lutCount;
        gfxRowConversion conversion =
            gfxChooseConversion(level->m_Format, bits, sd.ddpfPixelFormat.dwRBitMask, paletteSurface);
        if (paletteSurface && conversion == gfxConvNone) {
            pdds->Unlock(nullptr);
            pdds->Release();
            FatalQuit("Hardware doesn't support palettized textures");
        }
        // An image larger than its surface would write past it; the rest of a larger surface
        // is cleared so that it never shows stale memory.
        if (level->m_XRes > sd.dwWidth || level->m_YRes > sd.dwHeight) {
            PrintError("gfxTexture::Load: image of %d by %d does not fit its surface of %d by %d",
                       level->m_XRes, level->m_YRes, (int)sd.dwWidth, (int)sd.dwHeight);
            pdds->Unlock(nullptr);
            ok = false;
            break;
        }
        uint8_t* base = static_cast<uint8_t*>(sd.lpSurface);
        int rowBytes = gfxSurfaceRowBytes(bits, sd.dwWidth);
        for (uint32_t y = 0; y < sd.dwHeight; ++y) {
            uint8_t* row = base + size_t(y) * sd.lPitch;
            memset(row, 0, rowBytes);
            if (y >= level->m_YRes) {
                continue;
            }
            if (expand) {
                ExpandIndices(row, level, y, pe);
            } else {
                gfxConvertRow(conversion, row, level->Row(y), level->m_XRes);
            }
        }
        gfxFailed(pdds->Unlock(nullptr), "pdds->Unlock(NULL)");
        DDSCAPS2 caps = {};
        caps.dwCaps = DDSCAPS_TEXTURE | DDSCAPS_MIPMAP | DDSCAPS_COMPLEX;
        IDirectDrawSurface7* next = nullptr;
        if (FAILED(pdds->GetAttachedSurface(&caps, &next))) {
            next = nullptr;
        }
        pdds->Release();
        pdds = next;
    }
    if (pdds) {
        pdds->Release();
    }
    return ok;
}

void gfxTexture::SetName(const char* name) {
    gfxReplaceName(m_Name, name);
}

void gfxTexture::Bind() {
    if (!sm_CacheEnabled) {
        if (gfxTexturePreload) {
            PreLoad();
        }
        return;
    }
    GetResidentSurface();
}

void gfxTexture::PreLoad() {
    if (!gfxSoftwareTextures() && lpD3DDev && m_Surface) {
        gfxFailed(lpD3DDev->PreLoad(m_Surface), "lpD3DDev->PreLoad(m_Surface)");
    }
}

void gfxTexture::FirstUse() {
    m_NextUsed = sm_FirstUsed;
    sm_FirstUsed = this;
    SetLOD();
}

void gfxTexture::SetLOD() {
    m_LOD = sm_LODLimit < m_MipCount ? sm_LODLimit : m_MipCount;
    if (sm_LODControl && m_Surface) {
        gfxFailed(m_Surface->SetLOD(m_LOD), "m_Surface->SetLOD(m_LOD)");
    }
}

void gfxTexture::Release(gfxTexture* texture) {
    if (!texture) {
        return;
    }
    if (texture->m_RefCount == 1 && texture->m_Name) {
        gfxForgetTextureName(texture->m_Name);
    }
    if (--texture->m_RefCount == 0) {
        texture->Destroy();
        delete texture;
    }
}

void gfxTexture::Destroy() {
    Evict();
    SetName(nullptr);
    gfxTexture** i = &sm_First;
    while (*i && *i != this) {
        i = &(*i)->m_Next;
    }
    Assert(*i);
    *i = m_Next;
    for (gfxTexture** u = &sm_FirstUsed; *u; u = &(*u)->m_NextUsed) {
        if (*u == this) {
            *u = m_NextUsed;
            break;
        }
    }
    ReleaseCom(m_Surface, "m_Surface");
    ReleaseCom(m_Palette, "m_Palette");
}

gfxTexture* gfxTexture::CreateRenderTarget(int width, int height) {
    if (!lpDD || !lpdsRend) {
        PrintWarning("PIPE not started, cannot create textures.");
        return nullptr;
    }
    DDSURFACEDESC2 target = {};
    target.dwSize = sizeof(target);
    if (gfxFailed(lpdsRend->GetSurfaceDesc(&target), "lpdsRend->GetSurfaceDesc(&SD)")) {
        return nullptr;
    }
    DDSURFACEDESC2 sd = {};
    sd.dwSize = sizeof(sd);
    sd.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    sd.dwWidth = width;
    sd.dwHeight = height;
    sd.ddpfPixelFormat = target.ddpfPixelFormat;
    sd.ddsCaps.dwCaps = DDSCAPS_TEXTURE | DDSCAPS_3DDEVICE |
                        (gfxSoftwareTextures() ? DDSCAPS_SYSTEMMEMORY : DDSCAPS_VIDEOMEMORY);
    IDirectDrawSurface7* surface = CreateSurface(sd, "lpDD->CreateSurface(&SD,&surface,NULL)");
    return surface ? Adopt(surface, width, height, gfxSoftwareTextures() ? 0 : Hardware) : nullptr;
}

bool gfxTexture::CreateCubeMap(int size, gfxTexture* faces[7]) {
    if (!lpDD) {
        PrintWarning("PIPE not started, cannot create textures.");
        return false;
    }
    DDSURFACEDESC2 sd = {};
    sd.dwSize = sizeof(sd);
    sd.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    sd.dwWidth = sd.dwHeight = gfxTextureSize(size);
    FillPixelFormat(sd.ddpfPixelFormat, R5G6B5);
    sd.ddsCaps.dwCaps = DDSCAPS_TEXTURE | DDSCAPS_3DDEVICE | DDSCAPS_COMPLEX;
    sd.ddsCaps.dwCaps2 = DDSCAPS2_CUBEMAP | DDSCAPS2_CUBEMAP_ALLFACES;
    IDirectDrawSurface7* cube = CreateSurface(sd, "lpDD->CreateSurface(&SD,&cube,NULL)");
    if (!cube) {
        return false;
    }
    static const DWORD faceCaps[6] = {DDSCAPS2_CUBEMAP_POSITIVEX, DDSCAPS2_CUBEMAP_NEGATIVEX,
                                      DDSCAPS2_CUBEMAP_POSITIVEY, DDSCAPS2_CUBEMAP_NEGATIVEY,
                                      DDSCAPS2_CUBEMAP_POSITIVEZ, DDSCAPS2_CUBEMAP_NEGATIVEZ};
    for (int i = 0; i < 7; ++i) {
        IDirectDrawSurface7* surface = cube;
        if (i < 6) {
            DDSCAPS2 caps = {};
            caps.dwCaps2 = faceCaps[i];
            if (FAILED(cube->GetAttachedSurface(&caps, &surface))) {
                surface = cube;
                cube->AddRef();
            }
        }
        faces[i] = Adopt(surface, sd.dwWidth, sd.dwHeight, gfxSoftwareTextures() ? 0 : Hardware);
    }
    return true;
}

gfxTexture* gfxTexture::Copy() {
    DDSURFACEDESC2 sd = {};
    sd.dwSize = sizeof(sd);
    if (gfxFailed(m_Surface->GetSurfaceDesc(&sd), "m_Surface->GetSurfaceDesc(&SD)")) {
        return nullptr;
    }
    sd.dwFlags &= ~DDSD_MIPMAPCOUNT;
    sd.ddsCaps.dwCaps &= ~(DDSCAPS_MIPMAP | DDSCAPS_COMPLEX);
    IDirectDrawSurface7* surface = CreateSurface(sd, "lpDD->CreateSurface(&SD,&surface,NULL)");
    if (!surface) {
        return nullptr;
    }
    gfxTexture* t = Adopt(surface, m_Width, m_Height, m_Flags & ~HardwareMips);
    t->m_AverageColor = m_AverageColor;
    if (m_Palette) {
        t->m_Palette = m_Palette;
        m_Palette->AddRef();
        gfxFailed(surface->SetPalette(m_Palette), "surface->SetPalette(palette)");
    }
    gfxFailed(surface->Blt(nullptr, m_Surface, nullptr, DDBLT_WAIT, nullptr),
              "surface->Blt(NULL,m_Surface,NULL,DDBLT_WAIT,NULL)");
    return t;
}

void gfxResetTextureUse() {
    while (gfxTexture* t = gfxTexture::sm_FirstUsed) {
        gfxTexture::sm_FirstUsed = t->m_NextUsed;
        t->m_NextUsed = nullptr;
        t->m_LOD = 255;
    }
}

void gfxReleaseAllTextures() {
    // The debug font's texture is on the list too: its owner lets go of it and forgets it,
    // and the next frame makes it again.
    gfxReleaseFontTexture();
    while (gfxTexture::sm_First) {
        gfxTexture::Release(gfxTexture::sm_First);
    }
    gfxTexture::sm_FirstUsed = nullptr;
}

void gfxEvictAllTextures() {
    if (lpD3D) {
        gfxFailed(lpD3D->EvictManagedTextures(), "lpD3D->EvictManagedTextures()");
    }
    PrintWarning("Evicted all textures...");
}
