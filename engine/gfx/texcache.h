#ifndef GFX_TEXCACHE_H
#define GFX_TEXCACHE_H

#include <cstdint>

#include <windows.h>
#include <ddraw.h>

class gfxTexture;

// The texture cache: video-memory slots grouped in pools by surface description, each slot
// holding at most one resident texture, the least recently used giving way.
struct gfxCacheSlot {
    gfxTexture* m_Resident;
    IDirectDrawSurface7* m_Address;
    uint32_t m_LastUse;
    gfxCacheSlot* m_Next;
};

struct gfxCachePool {
    uint16_t m_Width;
    uint16_t m_Height;
    uint16_t m_MipCount;
    uint16_t m_TextureCount;
    uint16_t m_SlotCount;
    uint16_t m_Exhausted;
    gfxCacheSlot* m_Slots;
    gfxCachePool* m_Next;
    DDPIXELFORMAT m_Format;
};

// Makes the slot empty: its resident texture gives back the reference the slot took.
void gfxEvictSlot(gfxCacheSlot* slot);

// The slot a pool gives to the next texture: the first never used, else the least recently
// used (the earlier of equals).
gfxCacheSlot* gfxLeastRecentSlot(gfxCachePool* pool);

#endif
