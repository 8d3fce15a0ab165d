#include "model/package.h"

#include "data/asset.h"
#include "data/options.h"
#include "data/stream.h"
#include "tests/support/child.h"
#include "tests/support/console.h"
#include "tests/support/failingwrites.h"
#include "tests/support/scratch.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

std::string Item(const std::string& name, const std::string& payload, bool withLength = true) {
    std::string item = "FILE";
    item += (char)(name.size() + 1);
    item += name;
    item += '\0';
    if (withLength) {
        uint32_t n = (uint32_t)payload.size();
        item += std::string{(char)n, (char)(n >> 8), (char)(n >> 16), (char)(n >> 24)};
    }
    return item + payload;
}

std::string ReadPayload(Stream* stream, int count) {
    std::string payload(count, '\0');
    EXPECT_EQ(count, StreamRead(stream, &payload[0], count));
    return payload;
}

// Packages in a scratch asset root of the test's own, directory "geom".
class Packages : public ::testing::Test {
protected:
    void SetUp() override { datAssetManager::SetPath(m_Scratch.Root().c_str()); }
    void TearDown() override { datAssetManager::SetPath(""); }
    std::string Path(const char* name) { return m_Scratch.Path(std::string(name) + ".pkg"); }
    void Write(const char* name, const std::string& bytes) {
        ASSERT_TRUE(WriteWholeFile(Path(name), bytes));
    }

    ScratchDir m_Scratch;
};

// Child processes read a package written into their own scratch folder.
bool ChildPackage(modPackage& package, const std::string& bytes) {
    static ScratchDir scratch;
    datAssetManager::SetPath(scratch.Root().c_str());
    WriteWholeFile(scratch.Path("p.pkg"), bytes);
    return package.Open("", "p");
}

}  // namespace

TEST_F(Packages, WriterBackPatchesLengthsAndTheReaderFindsItemsInOrder) {
    {
        modPackage package;
        ASSERT_TRUE(package.Create("", "w"));
        ConsoleCapture console;
        Stream* shaders = package.BeginFile("shaders");
        ASSERT_NE(nullptr, shaders);
        StreamWrite(shaders, "0123456789", 10);
        package.CloseFile();
        Stream* h = package.BeginFile("H");
        StreamWrite(h, "abcdefg", 7);
        package.CloseFile();
        EXPECT_TRUE(package.Close());
        std::string text = console.Take();
        EXPECT_NE(std::string::npos, text.find("10 bytes in package"));
        EXPECT_NE(std::string::npos, text.find("7 bytes in package"));
    }
    EXPECT_EQ("PKG3" + Item("shaders", "0123456789") + Item("H", "abcdefg"),
              ReadWholeFile(Path("w")));

    modPackage package;
    ASSERT_TRUE(package.Open("", "w"));
    EXPECT_STREQ("shaders", package.NextItem());
    EXPECT_EQ(nullptr, package.OpenFile("H"));
    Stream* shaders = package.OpenFile("SHADERS");
    ASSERT_NE(nullptr, shaders);
    EXPECT_EQ("0123456789", ReadPayload(shaders, 10));
    package.CloseFile();
    EXPECT_EQ("abcdefg", ReadPayload(package.OpenFile("h"), 7));
    package.CloseFile();
    EXPECT_STREQ("[[[ EOF ]]]", package.NextItem());
    EXPECT_EQ(nullptr, package.OpenFile("H"));
}

TEST_F(Packages, MagicAloneIsAnEmptyPackage) {
    Write("m", "PKG3");
    modPackage package;
    ASSERT_TRUE(package.Open("", "m"));
    EXPECT_STREQ("[[[ EOF ]]]", package.NextItem());
    EXPECT_EQ(nullptr, package.OpenFile("x"));
}

TEST_F(Packages, DebugLinesGiveThePackageAddressInThirtyTwoBits) {
    Write("d", "PKG3" + Item("geometry", "g"));
    SetOption("assetDebug", "1");
    modPackage package;
    ASSERT_TRUE(package.Open("", "d"));
    ConsoleCapture console;
    EXPECT_EQ("g", ReadPayload(package.OpenFile("geometry"), 1));
    package.CloseFile();
    ClearOptions();
    std::string text = console.Take();
    char open[96];
    char close[64];
    unsigned address = (unsigned)(uintptr_t)&package;
    snprintf(open, sizeof(open), "modPackage::OpenFile(%x) - geometry [next = geometry]\n", address);
    snprintf(close, sizeof(close), "modPackage::CloseFile(%x)\n", address);
    EXPECT_NE(std::string::npos, text.find(open)) << text;
    EXPECT_NE(std::string::npos, text.find(close)) << text;
}

TEST_F(Packages, OpenRefusesMissingFilesAndBadMagic) {
    Write("bad", "PKG4" + Item("geometry", "x"));
    ConsoleCapture console;
    modPackage package;
    EXPECT_FALSE(package.Open("", "missing"));
    EXPECT_NE(std::string::npos, console.Take().find("Cannot open file"));
    EXPECT_FALSE(package.Open("geom", "bad"));
    // The flat name root\bad.pkg is not under "geom"; a root-level name is found.
    console.Take();
    EXPECT_FALSE(package.Open("", "bad"));
    EXPECT_NE(std::string::npos, console.Take().find("Error: modPackage::Open: /bad: Bad magic."));
    EXPECT_EQ(nullptr, package.OpenFile("geometry"));
}

TEST_F(Packages, SkipsAndOldPackages) {
    Write("three", "PKG3" + Item("geometry", "ggg") + Item("shaders", "ss") + Item("mtx", "m"));
    modPackage package;
    ASSERT_TRUE(package.Open("", "three"));
    package.SkipFile();
    EXPECT_STREQ("shaders", package.NextItem());
    package.SkipTo("MTX");
    EXPECT_EQ("m", ReadPayload(package.OpenFile("mtx"), 1));
    package.CloseFile();
    package.SkipTo("geometry");
    EXPECT_STREQ("[[[ EOF ]]]", package.NextItem());
    EXPECT_EQ(nullptr, package.OpenFile("geometry"));

    // An old package gives no lengths: its readers take exactly their payload.
    Write("old", "PKG2" + Item("geometry", "ggg", false) + Item("shaders", "ss", false));
    modPackage old;
    ASSERT_TRUE(old.Open("", "old"));
    EXPECT_EQ("ggg", ReadPayload(old.OpenFile("geometry"), 3));
    old.CloseFile();
    EXPECT_EQ("ss", ReadPayload(old.OpenFile("shaders"), 2));
    old.CloseFile();
    EXPECT_STREQ("[[[ EOF ]]]", old.NextItem());
}

TEST_F(Packages, NamesAreLimitedAndAlwaysTerminated) {
    {
        modPackage package;
        ASSERT_TRUE(package.Create("", "n"));
        ConsoleCapture console;
        EXPECT_EQ(nullptr, package.BeginFile(std::string(32, 'n').c_str()));
        EXPECT_NE(std::string::npos, console.Take().find("is too long"));
        ASSERT_NE(nullptr, package.BeginFile(std::string(31, 'n').c_str()));
        package.CloseFile();
        package.Close();
    }
    modPackage package;
    ASSERT_TRUE(package.Open("", "n"));
    EXPECT_EQ(std::string(31, 'n'), package.NextItem());

    // 32 stored bytes without their zero.
    std::string unterminated = "PKG3FILE";
    unterminated += (char)32;
    unterminated += std::string(32, 'u') + std::string(4, '\0');
    Write("u", unterminated);
    modPackage other;
    ASSERT_TRUE(other.Open("", "u"));
    EXPECT_EQ(std::string(31, 'u'), other.NextItem());
}

TEST_F(Packages, PackagesNestNewestFirst) {
    Write("a", "PKG3");
    EXPECT_EQ(nullptr, modPackage::m_First);
    {
        modPackage outer;
        EXPECT_EQ(&outer, modPackage::m_First);
        {
            modPackage inner;
            ASSERT_TRUE(inner.Open("", "a"));
            EXPECT_EQ(&inner, modPackage::m_First);
        }
        EXPECT_EQ(&outer, modPackage::m_First);
    }
    EXPECT_EQ(nullptr, modPackage::m_First);
}

TEST_F(Packages, AFailedWriteKeepsTheOldPackage) {
    Write("keep", "PKG3" + Item("geometry", "old"));
    // The write that meets the end of the disk fails or is taken short.
    for (FailingWrites::Mode mode : {FailingWrites::Refuse, FailingWrites::Short}) {
        {
            FailingWrites full(10, mode);
            modPackage package;
            ASSERT_TRUE(package.Create("", "keep"));
            Stream* item = package.BeginFile("geometry");
            StreamWrite(item, std::string(5000, 'x').data(), 5000);
            package.CloseFile();
            EXPECT_FALSE(package.Close()) << mode;
        }
        EXPECT_EQ("PKG3" + Item("geometry", "old"), ReadWholeFile(Path("keep"))) << mode;
    }
}

TEST_CHILD(PackageUnreadPayload) {
    modPackage package;
    ChildPackage(package, "PKG3" + Item("geometry", "ggg") + Item("shaders", "s"));
    ReadPayload(package.OpenFile("geometry"), 2);
    package.CloseFile();
    return 0;
}

TEST_CHILD(PackageSkipToOld) {
    modPackage package;
    ChildPackage(package, "PKG2" + Item("geometry", "ggg", false));
    package.SkipTo("shaders");
    return 0;
}

TEST_CHILD(PackageLongName) {
    modPackage package;
    std::string bytes = "PKG3FILE";
    bytes += (char)33;
    ChildPackage(package, bytes + std::string(40, 'x'));
    return 0;
}

TEST_CHILD(PackageOutOfOrder) {
    modPackage* first = new modPackage;
    modPackage second;
    delete first;
    return 0;
}

TEST(PackagesFatal, DamagedStreamsAndMisuseEndTheProgram) {
    ExpectFatalChildren({
        {"PackageUnreadPayload",
         "modPackage: missing file magic, previous reader didn't consume all data."},
        {"PackageSkipToOld", "modPackage::SkipTo - old format, can't use SkipTo"},
        {"PackageLongName", "Assert(len <= sizeof(m_NextItem)) failed in [model/package"},
        {"PackageOutOfOrder", "Assert(m_First == this) failed in [model/package"},
    });
}
