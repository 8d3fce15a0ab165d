// The texture cache: pools of video-memory slots built at a frame start from the textures
// that exist, and the least-recently-used replacement of resident textures.
#include "gfx/texcache.h"

#include <cstring>

#include "data/assert.h"
#include "data/printer.h"
#include "data/timer.h"
#include "gfx/hooks.h"
#include "gfx/pipeline.h"
#include "gfx/texture.h"

namespace {

float sAddSlotSeconds;

float SecondsSince(const Timer& timer) {
    return float(Timer::Ticks() - timer.m_Start) * Timer::sm_SecondsPerTick;
}

bool SameFormat(const DDPIXELFORMAT& a, const DDPIXELFORMAT& b) {
    // All but the size word.
    return memcmp(&a.dwFlags, &b.dwFlags, sizeof(DDPIXELFORMAT) - sizeof(DWORD)) == 0;
}

bool AddSlot(gfxCachePool* pool) {
    if (pool->m_Exhausted) {
        return false;
    }
    Timer timer;
    DDSURFACEDESC2 sd = {};
    sd.dwSize = sizeof(sd);
    sd.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    sd.dwWidth = pool->m_Width;
    sd.dwHeight = pool->m_Height;
    sd.ddpfPixelFormat = pool->m_Format;
    sd.ddsCaps.dwCaps = DDSCAPS_VIDEOMEMORY | DDSCAPS_LOCALVIDMEM | DDSCAPS_TEXTURE | DDSCAPS_3DDEVICE;
    if (pool->m_MipCount) {
        sd.dwFlags |= DDSD_MIPMAPCOUNT;
        sd.ddsCaps.dwCaps |= DDSCAPS_MIPMAP | DDSCAPS_COMPLEX;
        sd.dwMipMapCount = pool->m_MipCount;
    }
    IDirectDrawSurface7* surface = nullptr;
    HRESULT result = lpDD->CreateSurface(&sd, &surface, nullptr);
    sAddSlotSeconds += SecondsSince(timer);
    if (FAILED(result) || !surface) {
        pool->m_Exhausted = 1;
        return false;
    }
    gfxCacheSlot* slot = new gfxCacheSlot();
    slot->m_Address = surface;
    slot->m_Next = pool->m_Slots;
    pool->m_Slots = slot;
    ++pool->m_SlotCount;
    return true;
}

gfxCachePool* FindPool(const DDSURFACEDESC2& sd, uint16_t mips) {
    for (gfxCachePool* p = gfxTexture::sm_FirstPool; p; p = p->m_Next) {
        if (p->m_Width == sd.dwWidth && p->m_Height == sd.dwHeight && p->m_MipCount == mips &&
            SameFormat(p->m_Format, sd.ddpfPixelFormat)) {
            return p;
        }
    }
    return nullptr;
}

}  // namespace

void gfxEvictSlot(gfxCacheSlot* slot) {
    gfxTexture* resident = slot->m_Resident;
    if (!resident) {
        return;
    }
    resident->m_Surface->Release();
    resident->m_CacheEntry = nullptr;
    slot->m_Resident = nullptr;
}

gfxCacheSlot* gfxLeastRecentSlot(gfxCachePool* pool) {
    gfxCacheSlot* best = pool->m_Slots;
    for (gfxCacheSlot* s = pool->m_Slots; s; s = s->m_Next) {
        if (s->m_LastUse < best->m_LastUse) {
            best = s;
        }
        if (s->m_LastUse == 0) {
            return s;
        }
    }
    return best;
}

void gfxTexture::Evict() {
    if (m_CacheEntry) {
        gfxEvictSlot(m_CacheEntry);
    }
}

void gfxTexture::LoadIntoPool() {
    gfxCacheSlot* slot = gfxLeastRecentSlot(m_Pool);
    gfxEvictSlot(slot);
    Assert(slot->m_Resident == 0);
    Assert(m_CacheEntry == 0);
    Assert(slot->m_Address);
    slot->m_Resident = this;
    m_CacheEntry = slot;
    gfxFailed(lpD3DDev->Load(slot->m_Address, nullptr, m_Surface, nullptr, 0),
              "lpD3DDev->Load(slot->m_Address,NULL,m_Surface,NULL,0)");
    m_Surface->AddRef();
}

IDirectDrawSurface7* gfxTexture::GetResidentSurface() {
    if (!sm_CacheEnabled || !m_Pool) {
        return m_Surface;
    }
    if (!m_CacheEntry) {
        LoadIntoPool();
    }
    m_CacheEntry->m_LastUse = ++sm_UseCounter;
    return m_CacheEntry->m_Address;
}

void gfxTexture::EnableCache(bool on) {
    if (sm_First) {
        FatalQuit("Can't call EnableCache if you already have textures defined.");
    }
    sm_CacheEnabled = on;
}

void gfxTexture::InitCache() {
    if (!sm_CacheEnabled || sm_FirstPool || !lpDD) {
        return;
    }
    Timer timer;
    sAddSlotSeconds = 0;
    int newPools = 0;
    for (gfxTexture* t = sm_First; t; t = t->m_Next) {
        DDSURFACEDESC2 sd = {};
        sd.dwSize = sizeof(sd);
        if (gfxFailed(t->m_Surface->GetSurfaceDesc(&sd), "m_Surface->GetSurfaceDesc(&SD)")) {
            continue;
        }
        gfxCachePool* pool = FindPool(sd, t->m_MipCount);
        if (pool) {
            ++pool->m_TextureCount;
        } else {
            pool = new gfxCachePool();
            pool->m_Width = uint16_t(sd.dwWidth);
            pool->m_Height = uint16_t(sd.dwHeight);
            pool->m_MipCount = t->m_MipCount;
            pool->m_TextureCount = 1;
            pool->m_Format = sd.ddpfPixelFormat;
            pool->m_Next = sm_FirstPool;
            sm_FirstPool = pool;
            ++newPools;
        }
        t->m_Pool = pool;
    }
    PrintMessage("gfxTexture::InitCache - %d unique pool types found.", newPools);
    for (gfxCachePool* p = sm_FirstPool; p; p = p->m_Next) {
        if (!AddSlot(p)) {
            FatalQuit("Can't bootstrap the texture cache.");
        }
    }
    for (gfxCachePool* p = sm_FirstPool; p; p = p->m_Next) {
        if (p->m_TextureCount > 1 && !AddSlot(p)) {
            PrintError("gfxTexture::InitCache - Only one texture of a type allocated, "
                       "performance may suffer.");
        }
    }
    for (bool added = true; added;) {
        added = false;
        for (gfxCachePool* p = sm_FirstPool; p; p = p->m_Next) {
            if (p->m_SlotCount < p->m_TextureCount && AddSlot(p)) {
                added = true;
            }
        }
    }
    PrintMessage("gfxTexture::InitCache: %.2f seconds to create cache (%.2fms in AddSlot).",
                 SecondsSince(timer), sAddSlotSeconds * 1000.0f);
    for (gfxCachePool* p = sm_FirstPool; p; p = p->m_Next) {
        if (p->m_SlotCount < p->m_TextureCount) {
            return;
        }
    }
    PrintMessage("gfxTexture::InitCache: Loading all textures into video memory...");
    Timer load;
    for (gfxTexture* t = sm_First; t; t = t->m_Next) {
        if (t->m_Pool) {
            t->GetResidentSurface();
        }
    }
    PrintMessage("gfxTexture::InitCache: %.2f seconds to fully load video memory", SecondsSince(load));
}

void gfxTexture::ShutdownCache() {
    if (!sm_FirstPool) {
        return;
    }
    PrintWarning("gfxTexture::ShutdownCache: Shutting down texture cache.");
    if (lpD3DDev) {
        lpD3DDev->SetTexture(0, nullptr);
        lpD3DDev->SetTexture(1, nullptr);
    }
    for (gfxTexture* t = sm_First; t; t = t->m_Next) {
        t->Evict();
        t->m_Pool = nullptr;
    }
    while (gfxCachePool* p = sm_FirstPool) {
        sm_FirstPool = p->m_Next;
        while (gfxCacheSlot* s = p->m_Slots) {
            p->m_Slots = s->m_Next;
            Assert(s->m_Address);
            s->m_Address->Release();
            delete s;
        }
        delete p;
    }
    sm_UseCounter = 0;
}

namespace {

// Slots live in video memory: lost surfaces and a closing device take the cache with them, and
// the next frame start builds it again.
void ShutdownCacheHook() {
    gfxTexture::ShutdownCache();
}

const bool sHooked = gfxAddHook(gfxHookFrameStart, gfxTexture::InitCache) &&
                     gfxAddHook(gfxHookFrameEnd, gfxResetTextureUse) &&
                     gfxAddHook(gfxHookSurfacesRestored, ShutdownCacheHook) &&
                     gfxAddHook(gfxHookDeviceReleasing, ShutdownCacheHook);

}  // namespace
