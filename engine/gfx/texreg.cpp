// The texture, bitmap and animated-texture registries, and the loaders' memory report.
#include "gfx/texreg.h"

#include <cstdio>
#include <cstring>

#include "data/asset.h"
#include "data/hash.h"
#include "data/options.h"
#include "data/printer.h"
#include "data/stream.h"
#include "data/token.h"
#include "gfx/bitmap.h"
#include "gfx/image.h"
#include "gfx/imagefile.h"
#include "gfx/pipeline.h"
#include "gfx/texture.h"

gfxLoadImageFunc gfxLoadImageHook = gfxLoadImage;
gfxPostLoadFunc gfxPostLoadHook = [](gfxImage* image, const char*, bool) {
    return gfxLimitImageSize(image);
};
uint32_t gfxImageBytesRead;

namespace {

HashTable sTextures(101, false, 32);
HashTable sBitmaps(101, false, 32);
HashTable sAnimTextures(101, false, 32);
gfxAnimTexture* sFirstAnim;
uint32_t sTotalBytes;

const float DefaultPeriod = 0.033333335f;

void AddUser(gfxAnimTexture* anim, gfxTexture** slot) {
    anim->m_Users = new gfxAnimTexture::User{slot, anim->m_Users};
}

// The period from "tune/<name>.movie": the token after "rate" is frames per second.
void ReadPeriod(gfxAnimTexture* anim, const char* name) {
    Stream* stream = datAssetManager::Open("tune", name, "movie");
    if (!stream) {
        return;
    }
    TokenReader reader(name, stream);
    char token[64];
    while (reader.GetToken(token, sizeof(token))) {
        if (strcmp(token, "rate") == 0) {
            float rate = reader.GetFloat();
            // A rate of 0 or less would never let the frame advance end.
            if (rate > 0.0f) {
                anim->m_Period = 1.0f / rate;
            } else {
                PrintWarning("gfxGetAnimTexture: '%s' has rate %g; keeping %g", name, rate,
                             anim->m_Period);
            }
        }
    }
    StreamClose(stream);
}

}  // namespace

gfxTexture* gfxGetTexture(const char* name, int mipmap) {
    uintptr_t value = 0;
    if (sTextures.Lookup(name, value)) {
        gfxTexture* found = reinterpret_cast<gfxTexture*>(value);
        if (found) {
            ++found->m_RefCount;
        }
        return found;
    }
    bool mips = (mipmap & 0xFF) != 0;
    gfxTexture* texture = nullptr;
    gfxImage* image = gfxLoadImageHook(name, mips);
    if (image) {
        if (!image->m_Next) {
            mips = false;
        }
        image = gfxPostLoadHook(image, name, mips);
        if (HasOption("annotate")) {
            image->Annotate(name);
        }
        texture = gfxTexture::Create(image, mips);
        if (texture) {
            texture->SetName(name);
        }
        gfxReleaseImage(image);
        // Asked for before the pipeline exists: not a verdict on the name, so it is not kept.
        if (!texture && !lpDD) {
            return nullptr;
        }
    }
    sTextures.Insert(name, reinterpret_cast<uintptr_t>(texture));
    return texture;
}

void gfxReplaceName(char*& name, const char* with) {
    delete[] name;
    name = nullptr;
    if (with) {
        name = new char[strlen(with) + 1];
        strcpy(name, with);
    }
}

bool gfxCanCreateTextures() {
    return lpDD != nullptr;
}

void gfxForgetTextureName(const char* name) {
    sTextures.Delete(name);
}

gfxAnimTexture* gfxGetAnimTexture(gfxTexture** slot, const char* name, int mipmap) {
    *slot = gfxGetTexture(name, mipmap);
    if (*slot) {
        return nullptr;
    }
    uintptr_t value = 0;
    if (sAnimTextures.Lookup(name, value)) {
        gfxAnimTexture* found = reinterpret_cast<gfxAnimTexture*>(value);
        if (found) {
            AddUser(found, slot);
            *slot = found->m_Frames[found->m_CurrentFrame];
        }
        return found;
    }
    int step = 1;
    GetOption("texframeskip", 0, step);
    gfxTexture* frames[gfxAnimTexture::MaxFrames];
    int count = 0;
    for (; count < gfxAnimTexture::MaxFrames; ++count) {
        char frameName[96];
        snprintf(frameName, sizeof(frameName), "%s-%04d", name, step * count + 1);
        frames[count] = gfxGetTexture(frameName, mipmap);
        if (!frames[count]) {
            break;
        }
    }
    if (count == 0) {
        sAnimTextures.Insert(name, 0);
        return nullptr;
    }
    gfxAnimTexture* anim = new gfxAnimTexture();
    gfxReplaceName(anim->m_Name, name);
    anim->m_Frames = new gfxTexture*[count];
    memcpy(anim->m_Frames, frames, sizeof(gfxTexture*) * count);
    anim->m_FrameCount = uint8_t(count);
    anim->m_Period = DefaultPeriod;
    ReadPeriod(anim, name);
    anim->m_Next = sFirstAnim;
    sFirstAnim = anim;
    sAnimTextures.Insert(name, reinterpret_cast<uintptr_t>(anim));
    *slot = anim->m_Frames[0];
    AddUser(anim, slot);
    return anim;
}

void gfxUpdateAnimTextures(float seconds) {
    for (gfxAnimTexture* anim = sFirstAnim; anim; anim = anim->m_Next) {
        anim->m_Time += seconds;
        while (anim->m_Time >= anim->m_Period) {
            anim->m_CurrentFrame = uint8_t((anim->m_CurrentFrame + 1) % anim->m_FrameCount);
            anim->m_Time -= anim->m_Period;
        }
        for (gfxAnimTexture::User* user = anim->m_Users; user; user = user->m_Next) {
            *user->m_Slot = anim->m_Frames[anim->m_CurrentFrame];
        }
    }
}

void gfxResetAnimTextures() {
    sFirstAnim = nullptr;
}

gfxBitmap* gfxGetBitmap(const char* name, bool videoMemory, bool quiet) {
    uintptr_t value = 0;
    if (sBitmaps.Lookup(name, value)) {
        gfxBitmap* found = reinterpret_cast<gfxBitmap*>(value);
        if (found) {
            ++found->m_RefCount;
        }
        return found;
    }
    gfxBitmap* bitmap = nullptr;
    gfxImage* image = gfxLoadImageHook(name, false);
    if (image) {
        bitmap = gfxBitmap::Create(image->m_XRes, image->m_YRes, videoMemory);
        if (bitmap && !bitmap->Load(image)) {
            gfxBitmap::Release(bitmap);
            bitmap = nullptr;
        }
        if (bitmap) {
            bitmap->SetName(name);
        }
        gfxReleaseImage(image);
    } else if (!quiet) {
        FatalQuit("gfxGetBitmap: Bitmap '%s' NOT found.", name);
    }
    sBitmaps.Insert(name, reinterpret_cast<uintptr_t>(bitmap));
    return bitmap;
}

void gfxReleaseBitmap(gfxBitmap* bitmap) {
    gfxBitmap::Release(bitmap);
}

void gfxForgetBitmapName(const char* name) {
    sBitmaps.Delete(name);
}

void gfxMemoryReport(const char* label) {
    sTotalBytes += gfxImageBytesRead;
    PrintMessage("Memory Usage (%s), %dk (%d total)", label, int(gfxImageBytesRead / 1024),
                 int(sTotalBytes / 1024));
    gfxImageBytesRead = 0;
}
