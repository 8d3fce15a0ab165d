// The texture editor bank: a combo of every named texture, sorted by name.
#include "gfx/texture.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "bank/bank.h"
#include "data/printer.h"

namespace {

// The combo keeps pointers into these for as long as the bank lives.
std::vector<const char*> sNames;
std::vector<gfxTexture*> sTextures;
int32_t sSelected;

}  // namespace

void gfxTextureEditorBank(bkBank* bank) {
    sTextures.clear();
    for (gfxTexture* t = gfxTexture::sm_First; t; t = t->m_Next) {
        if (t->m_Name) {
            sTextures.push_back(t);
        }
    }
    std::sort(sTextures.begin(), sTextures.end(),
              [](const gfxTexture* a, const gfxTexture* b) { return strcmp(a->m_Name, b->m_Name) < 0; });
    sNames.clear();
    for (gfxTexture* t : sTextures) {
        sNames.push_back(t->m_Name);
    }
    PrintMessage("******* %d textures in texeditor", int(sNames.size()));
    bank->AddCombo("MIPMAP Editor", &sSelected, int(sNames.size()), sNames.data(), 0);
}
