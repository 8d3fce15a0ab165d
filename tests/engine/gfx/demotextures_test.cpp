// The demo city's generated files, as tools/demotextures writes them, against the kept assets.
#include "gfx/image.h"
#include "gfx/imagefile.h"

#include "data/asset.h"
#include "tests/support/child.h"
#include "tests/support/console.h"
#include "tests/support/scratch.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

// The file names of a folder.
std::vector<std::string> FilesOf(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            names.push_back(found.cFileName);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

std::string Generator() {
    const char* path = getenv("PLATTOR_DEMOTEXTURES");
    std::string program = std::string("Z:") + (path ? path : "demotextures.exe");
    for (char& c : program) {
        c = c == '/' ? '\\' : c;
    }
    return program;
}

}  // namespace

// The generator writes exactly the kept textures, models, join lines, bound, path set and
// light-map image, byte for byte, and every one of those asset folders holds only its files.
TEST(DemoTextures, TheGeneratorMakesTheKeptAssets) {
    ScratchDir scratch;
    ChildResult result = RunProgram("\"" + Generator() + "\" \"" + scratch.Root() + "\"");
    ASSERT_EQ(0, result.m_ExitCode) << result.m_Output;
    for (const char* folder : {"texture", "geometry", "scene", "bound"}) {
        SCOPED_TRACE(folder);
        std::vector<std::string> made = FilesOf(scratch.Path(folder));
        EXPECT_EQ(FilesOf(SourcePath(std::string("assets\\") + folder)).size(), made.size());
        EXPECT_FALSE(made.empty());
        for (const std::string& name : made) {
            std::string kept = ReadWholeFile(SourcePath(std::string("assets\\") + folder + "\\" + name));
            EXPECT_TRUE(kept == ReadWholeFile(scratch.Path(std::string(folder) + "\\" + name))) << name;
        }
    }
    std::vector<std::string> city = FilesOf(scratch.Path("city"));
    EXPECT_EQ(2u, city.size());
    for (const std::string& name : city) {
        EXPECT_TRUE(ReadWholeFile(SourcePath("assets\\city\\" + name)) ==
                    ReadWholeFile(scratch.Path("city\\" + name)))
            << name;
    }
}

// Every texture of the demo loads through the texture loader, both the targas and the bitmaps.
TEST(DemoTextures, EveryTextureOfTheDemoCityLoads) {
    datAssetManager::SetPath(SourcePath("assets").c_str());
    std::vector<std::string> files = FilesOf(SourcePath("assets\\texture"));
    ASSERT_GT(files.size(), 20u);
    ConsoleCapture console;
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        gfxImage* image = gfxLoadImage(file.substr(0, file.find('.')).c_str(), true);
        ASSERT_NE(nullptr, image);
        EXPECT_EQ(32, image->m_XRes);
        EXPECT_EQ(32, image->m_YRes);
        EXPECT_EQ(gfxImage::rif888, image->m_Format);
        gfxReleaseImage(image);
    }
    EXPECT_EQ(std::string::npos, console.Take().find("Warning"));
    EXPECT_EQ(nullptr, gfxLoadImage("nosuchimage", false));
    EXPECT_NE(std::string::npos, console.Take().find("Texture 'nosuchimage' not found."));
    datAssetManager::SetPath("");
}
