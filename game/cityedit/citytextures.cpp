// The city's texture names turned into textures once the description is read.
#include "city/psdl.h"

#include "gfx/texreg.h"

void LoadCityTextures() {
    for (uint32_t i = 1; i < lvlPSDL::sm_TextureCount && i < lvlPSDL::sm_Textures.size(); ++i) {
        lvlCityTexture& entry = lvlPSDL::sm_Textures[i];
        if (!entry.m_Texture && !entry.m_Name.empty()) {
            gfxGetAnimTexture(&entry.m_Texture, entry.m_Name.c_str(), true);
        }
    }
}
