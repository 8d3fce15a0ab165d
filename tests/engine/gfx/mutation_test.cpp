// Damaged image files of every format: each is refused with a message or gives a sound image.
#include "gfx/imagefile.h"

#include "data/asset.h"
#include "tests/engine/gfx/imagebuild.h"
#include "tests/support/child.h"
#include "tests/support/console.h"
#include "tests/support/mutation.h"
#include "tests/support/scratch.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {

const int Mutants = 1200;

std::string Text(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

Bytes Ramp(size_t count) {
    Bytes bytes(count);
    for (size_t i = 0; i < count; ++i) {
        bytes[i] = (unsigned char)(i * 7);
    }
    return bytes;
}

Bytes Joined(Bytes head, const Bytes& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

std::vector<std::string> TexSeeds() {
    return {
        Text(Joined(TexHeader(8, 8, 1, 4, 1), Ramp(1024 + 64 + 16 + 4 + 1))),
        Text(Joined(TexHeader(4, 8, 2, 2, 0), Ramp(1024 + 64 + 16))),
        Text(Joined(TexHeader(4, 4, 14, 3, 0), Ramp(1024 + 16 + 4 + 1))),
        Text(Joined(TexHeader(8, 4, 15, 2, 0), Ramp(64 + 16 + 4))),
        Text(Joined(TexHeader(4, 4, 16, 1, 0), Ramp(64 + 8))),
        Text(Joined(TexHeader(4, 4, 6, 3, 0), Ramp(32 + 8 + 2))),
        Text(Joined(TexHeader(4, 2, 17, 2, 0), Ramp(24 + 6))),
        Text(Joined(TexHeader(2, 2, 18, 2, 0), Ramp(16 + 4))),
    };
}

std::vector<std::string> TgaSeeds() {
    Bytes withId = TgaHeader(3, 2, 24, 0, 2, 5);
    withId.insert(withId.end(), {'n', 'a', 'm', 'e', '!'});
    return {
        Text(Joined(TgaHeader(4, 4, 32, 0x20), Ramp(64))),
        Text(Joined(TgaHeader(8, 8, 24, 0), Ramp(192))),
        Text(Joined(withId, Ramp(18))),
    };
}

std::vector<std::string> BmpSeeds() {
    Bytes core = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0};
    Put32(core, 14 + 12 + 768);
    Put32(core, 12);
    Put16(core, 3);
    Put16(core, 2);
    Put16(core, 1);
    Put16(core, 8);
    return {
        Text(BmpFile(3, 2, 8, Ramp(1024), Ramp(8))),
        Text(BmpFile(5, 3, 24, {}, Ramp(48))),
        Text(BmpFile(4, 4, 24, {}, Ramp(48))),
        Text(Joined(core, Ramp(768 + 8))),
    };
}

std::vector<std::string> RawSeeds() { return {Text(Ramp(768))}; }

// A chain whose every level is as the image record says.
bool SoundImage(const gfxImage* image, std::string& why) {
    for (const gfxImage* level = image; level; level = level->m_Next) {
        int bits = gfxImage::BitsPerPixel(level->m_Format);
        bool good = bits > 0 && level->m_XRes > 0 && level->m_YRes > 0 && level->m_Pixels &&
                    level->m_Stride == (bits * level->m_XRes) >> 3 &&
                    (level->m_PaletteFormat == 0) == (level->m_Palette == nullptr) &&
                    level->m_Palette == image->m_Palette;
        if (level->m_Next) {
            good = good && level->m_Next->m_XRes == level->m_XRes / 2 &&
                   level->m_Next->m_YRes == level->m_YRes / 2;
        }
        if (!good) {
            why = "unsound image";
            return false;
        }
    }
    return true;
}

// Writes the mutant over the image file, loads it and checks what came back and was said.
bool CheckLoad(const char* extension, const std::string& file, gfxImage* (*load)(const char*, bool),
               bool wantMips, const std::vector<std::string>& allowed, std::string& why) {
    static ScratchDir scratch;
    static bool rooted = false;
    if (!rooted) {
        datAssetManager::SetPath(scratch.Root().c_str());
        CreateDirectoryA(scratch.Path("texture").c_str(), nullptr);
        rooted = true;
    }
    WriteWholeFile(scratch.Path(std::string("texture\\m.") + extension), file);
    ConsoleCapture console;
    gfxImage* image = load("m", wantMips);
    bool good = !image || SoundImage(image, why);
    gfxReleaseImage(image);
    std::string stray;
    if (good && !OnlyAllowedLines(console.Take(), allowed, &stray)) {
        why = "unexpected message: " + stray;
        good = false;
    }
    return good;
}

bool CheckTex(int index, std::string& why) {
    static const std::vector<std::string> seeds = TexSeeds();
    gfxPalettizedTextures = index % 3 == 0;
    return CheckLoad("tex", Mutant(seeds, index), gfxLoadTex, index % 2,
                     {"Texture 'm': Bad resolution", "unsupported .tex type",
                      "Texture 'm' is cut short."},
                     why);
}

bool CheckTga(int index, std::string& why) {
    static const std::vector<std::string> seeds = TgaSeeds();
    return CheckLoad("tga", Mutant(seeds, index), gfxLoadTga, index % 2,
                     {"Targa 'm': only uncompressed", "Targa 'm': Bad resolution",
                      "Targa 'm' is cut short."},
                     why);
}

bool CheckBmp(int index, std::string& why) {
    static const std::vector<std::string> seeds = BmpSeeds();
    return CheckLoad("bmp", Mutant(seeds, index), gfxLoadBmp, index % 2,
                     {"isn't a valid bitmap", "isn't 8bpp or 24bpp", "Don't support compression",
                      "Bitmap 'm' is cut short.", "Bitmap 'm' has a bad size",
                      "Can't autogenerate palettized texture mipmaps"},
                     why);
}

// The palette file is damaged; the index file takes sizes from none to a few hundred thousand.
bool CheckRaw(int index, std::string& why) {
    static const std::vector<std::string> seeds = RawSeeds();
    static const int sizes[] = {0, 1, 3, 4, 15, 16, 17, 1000, 16384, 65535, 262145};
    static ScratchDir scratch;
    gfxPalettizedTextures = true;
    std::string act = Mutant(seeds, index);
    std::string actPath = scratch.Path("texture\\m.act");
    DeleteFileA(actPath.c_str());
    CreateDirectoryA(scratch.Path("texture").c_str(), nullptr);
    if (index % 7) {
        WriteWholeFile(actPath, act);
    }
    datAssetManager::SetPath(scratch.Root().c_str());
    std::string raw(sizes[index % 11], 'r');
    return CheckLoad("raw", raw, gfxLoadRaw, false,
                     {"Palette 'm' is cut short.", "Cannot open file", "Raw image 'm' is too large."},
                     why);
}

}  // namespace

TEST_CHILD(MutateTex) { return RunMutantsInChild(Mutants, CheckTex); }
TEST_CHILD(MutateTga) { return RunMutantsInChild(Mutants, CheckTga); }
TEST_CHILD(MutateBmp) { return RunMutantsInChild(Mutants, CheckBmp); }
TEST_CHILD(MutateRaw) { return RunMutantsInChild(Mutants, CheckRaw); }

TEST(ImageMutation, DamagedFilesAreRefusedOrSound) {
    RunMutation("MutateTex", Mutants, {});
    RunMutation("MutateTga", Mutants, {"Assert(h.xOrigin == 0)", "Assert(h.yOrigin == 0)"});
    RunMutation("MutateBmp", Mutants, {});
    RunMutation("MutateRaw", Mutants, {});
}

TEST(ImageMutation, SeedsLoadWhole) {
    ScratchDir scratch;
    datAssetManager::SetPath(scratch.Root().c_str());
    CreateDirectoryA(scratch.Path("texture").c_str(), nullptr);
    struct Format {
        const char* m_Extension;
        std::vector<std::string> m_Seeds;
        gfxImage* (*m_Load)(const char*, bool);
    };
    const Format formats[] = {{"tex", TexSeeds(), gfxLoadTex},
                              {"tga", TgaSeeds(), gfxLoadTga},
                              {"bmp", BmpSeeds(), gfxLoadBmp}};
    for (const Format& f : formats) {
        for (const std::string& seed : f.m_Seeds) {
            SCOPED_TRACE(std::string(f.m_Extension) + " seed " + std::to_string(&seed - &f.m_Seeds[0]));
            WriteWholeFile(scratch.Path(std::string("texture\\s.") + f.m_Extension), seed);
            ConsoleCapture console;
            gfxImage* image = f.m_Load("s", true);
            EXPECT_NE(nullptr, image) << console.Take();
            gfxReleaseImage(image);
        }
    }
    datAssetManager::SetPath("");
}
