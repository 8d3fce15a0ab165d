#include "data/asset.h"
#include "data/options.h"
#include "data/stream.h"
#include "tests/support/console.h"
#include "tests/support/scratch.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <set>
#include <string>

namespace {

// Collects what the printer says; leaves the asset manager at its defaults.
class AssetTest : public ::testing::Test {
protected:
    void TearDown() override {
        ClearOptions();
        datAssetManager::SetFlatNames(false);
        datAssetManager::SetPath(".");
    }

    ConsoleCapture m_Console;
};

std::string Full(const char* directory, const char* name, const char* extension) {
    char full[datAssetManager::MaxName];
    EXPECT_TRUE(datAssetManager::FullPath(full, sizeof(full), directory, name, extension));
    return full;
}

std::string Full(const char* name, const char* extension) {
    char full[datAssetManager::MaxName];
    EXPECT_TRUE(datAssetManager::FullPath(full, sizeof(full), name, extension));
    return full;
}

}  // namespace

TEST_F(AssetTest, FullNames) {
    struct Case {
        const char* m_Root;
        bool m_Flat;
        const char* m_Directory;
        const char* m_Name;
        const char* m_Extension;
        const char* m_Expected;
    };
    const Case cases[] = {
        {"data", false, "city", "test", "sdl", "data\\city\\test.sdl"},
        {"data/", false, "city", "test", "sdl", "data\\city\\test.sdl"},
        {"data", true, "city", "test", "sdl", "data\\test.sdl"},
        {"data", false, "city", "test.SDL", "sdl", "data\\city\\test.SDL"},
        {"data", false, "city", "test.old", "sdl", "data\\city\\test.old.sdl"},
        {"data", false, "city", "c:\\x\\y", "sdl", "c:\\x\\y.sdl"},
        {"data", false, "city", "sub/y", "sdl", "sub/y.sdl"},
        {"data", false, "", "test", "sdl", "data\\test.sdl"},
        {"data", false, nullptr, "test", "sdl", "data\\test.sdl"},
        {"data", false, "city", "test", "", "data\\city\\test"},
        {"a/b\\c", false, "city", "t", "x", "a\\b\\c\\city\\t.x"},
        {"", false, "city", "test", "sdl", "city\\test.sdl"},
    };
    for (const Case& c : cases) {
        datAssetManager::SetPath(c.m_Root);
        datAssetManager::SetFlatNames(c.m_Flat);
        EXPECT_EQ(Full(c.m_Directory, c.m_Name, c.m_Extension), c.m_Expected) << c.m_Name;
    }
    EXPECT_EQ(m_Console.Take(), "");

    datAssetManager::SetFlatNames(false);
    datAssetManager::SetPath("data");
    struct TwoPart {
        const char* m_Name;
        const char* m_Extension;
        const char* m_Expected;
    };
    const TwoPart twoPart[] = {
        {"test", "sdl", "data\\test.sdl"},
        {"test", "", "data\\test."},
        {"test", nullptr, "data\\test"},
        {"a.b", "B", "data\\a.b"},
        {"c:x", "bmp", "c:x.bmp"},
    };
    for (const TwoPart& c : twoPart) {
        EXPECT_EQ(Full(c.m_Name, c.m_Extension), c.m_Expected) << c.m_Name;
    }
}

TEST_F(AssetTest, NamesNeverOverrunTheirRoom) {
    datAssetManager::SetPath("data");
    // "data\city\t.sdl" takes 16 bytes with its terminator.
    char small[16];
    EXPECT_TRUE(datAssetManager::FullPath(small, sizeof(small), "city", "t", "sdl"));
    EXPECT_STREQ(small, "data\\city\\t.sdl");
    EXPECT_FALSE(datAssetManager::FullPath(small, sizeof(small), "city", "tt", "sdl"));
    EXPECT_STREQ(small, "");

    std::string longName(130, 'n');
    EXPECT_EQ(datAssetManager::Open("city", longName.c_str(), "sdl"), nullptr);
    EXPECT_NE(m_Console.Take().find("Warning: Cannot open file 'data\\city\\nnnn"), std::string::npos);
    EXPECT_FALSE(datAssetManager::Exists("city", longName.c_str(), "sdl"));

    // A root that does not fit is refused whole, not cut.
    datAssetManager::SetPath(std::string(127, 'r').c_str());
    EXPECT_NE(m_Console.Take().find("Warning:"), std::string::npos);
    EXPECT_EQ(Full("city", "test", "sdl"), "data\\city\\test.sdl");
}

TEST_F(AssetTest, OpenCreateExists) {
    ScratchDir scratch;
    datAssetManager::SetPath(scratch.Root().c_str());
    std::string root = scratch.Root() + "\\";

    EXPECT_EQ(datAssetManager::Open("city", "nofile", "sdl"), nullptr);
    EXPECT_EQ(m_Console.Take(), "Warning: Cannot open file '" + root + "city\\nofile.sdl'.\n");
    EXPECT_EQ(datAssetManager::Open("city", "nofile", "sdl", true), nullptr);
    EXPECT_FALSE(datAssetManager::Exists("city", "nofile", "sdl"));
    EXPECT_EQ(m_Console.Take(), "");

    EXPECT_EQ(datAssetManager::Create("missing", "made", "txt"), nullptr);
    EXPECT_EQ(m_Console.Take(), "Warning: Cannot create file '" + root + "missing\\made.txt'.\n");

    Stream* stream = datAssetManager::Create("made", "txt");
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(StreamWrite(stream, "abc", 3), 3);
    StreamClose(stream);
    EXPECT_EQ(ReadWholeFile(root + "made.txt"), "abc");
    // More tests than there are stream slots: each one gives its slot back.
    for (int i = 0; i < 2 * Stream::MaxStreams; ++i) {
        ASSERT_TRUE(datAssetManager::Exists("made", "TXT")) << i;
    }
    stream = datAssetManager::Open("made", "txt");
    ASSERT_NE(stream, nullptr);
    char bytes[4] = {};
    EXPECT_EQ(StreamRead(stream, bytes, 3), 3);
    EXPECT_STREQ(bytes, "abc");
    StreamClose(stream);
    EXPECT_EQ(m_Console.Take(), "");
}

TEST_F(AssetTest, DebugMessages) {
    SetOption("assetDebug", "2");
    datAssetManager::SetPath("data/");
    Full("city", "test", "sdl");
    Full("test", "sdl");
    datAssetManager::Open("nofile", "sdl", true);
    EXPECT_EQ(m_Console.Take(),
              "datAssetManager::SetPath(data\\)\n"
              "FullPath(city,test,sdl) = data\\city\\test.sdl\n"
              "FullPath(test,sdl) = data\\test.sdl\n"
              "FullPath(nofile,sdl) = data\\nofile.sdl\n"
              "Opening 'data\\nofile.sdl'...\n");
    ClearOptions();
    datAssetManager::SetPath("");
    EXPECT_EQ(m_Console.Take(), "");
}

TEST(AssetNames, FileNamePartAndBaseName) {
    struct Case {
        const char* m_Path;
        const char* m_Part;
        const char* m_Base;
    };
    const Case cases[] = {
        {"c:\\city\\test.sdl", "test.sdl", "c:\\city\\test"},
        {"a/b\\c.d.e", "c.d.e", "a/b\\c"},
        {"plain", "plain", "plain"},
        {"dir/", "", "dir/"},
        {"averylongname.x", "averylongname.x", "averyl"},
    };
    for (const Case& c : cases) {
        EXPECT_STREQ(FileNamePart(c.m_Path), c.m_Part) << c.m_Path;
        char base[7];
        CopyBaseName(c.m_Path, base, sizeof(base));
        EXPECT_EQ(std::string(base), std::string(c.m_Base).substr(0, 6)) << c.m_Path;
    }
}

namespace {

void CollectName(const char* name, bool isDirectory, uintptr_t user) {
    if (!isDirectory) {
        ((std::set<std::string>*)user)->insert(name);
    }
}

}  // namespace

TEST_F(AssetTest, EnumerateDirListsUnderTheRoot) {
    ScratchDir scratch;
    CreateDirectoryA(scratch.Path("city").c_str(), nullptr);
    WriteWholeFile(scratch.Path("city\\a.sdl"), "a");
    WriteWholeFile(scratch.Path("city\\b.sdl"), "b");
    datAssetManager::SetPath(scratch.Root().c_str());
    const std::set<std::string> expected = {"a.sdl", "b.sdl"};
    const std::string standing = scratch.Path("city");
    for (const char* path : {"city", standing.c_str()}) {
        for (bool direct : {false, true}) {
            std::set<std::string> names;
            EXPECT_GE(datAssetManager::EnumerateDir(path, CollectName, (uintptr_t)&names, direct),
                      2);
            EXPECT_EQ(names, expected) << path << direct;
        }
    }
}
