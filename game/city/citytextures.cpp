// The city's texture table gets its texture objects from the registry.
#include "city/psdl.h"

#include "gfx/texreg.h"

void LoadCityTextures() {
    if (!gfxCanCreateTextures()) {
        return;
    }
    for (uint32_t i = 1; i < lvlPSDL::sm_TextureCount; ++i) {
        lvlCityTexture& entry = lvlPSDL::sm_Textures[i];
        if (!entry.m_Name.empty() && !entry.m_Texture) {
            gfxGetAnimTexture(&entry.m_Texture, entry.m_Name.c_str(), 1);
        }
    }
}
