#include "data/asset.h"
#include "data/parser.h"
#include "data/stream.h"
#include "tests/support/failingwrites.h"
#include "tests/support/scratch.h"
#include "vector/vector2.h"
#include "vector/vector3.h"
#include "vector/vector4.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <string>

namespace {

std::string sm_Reports;

void CaptureReport(const char* format, ...) {
    char text[256];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    sm_Reports += text;
    sm_Reports += "\n";
}

// The tuning record of the examples: a position and a child node with a count.
struct Tune {
    Vector3 m_Pos{1, 2, 3};
    int m_N = 5;
    float m_Mass = 9;
    datParser m_Parser{"tune"};

    explicit Tune(bool withMass = false) {
        m_Parser.AddItem(datParser::ItemVector3, "Pos", &m_Pos);
        datParser* sub = m_Parser.AddNode("Sub");
        sub->AddItem(datParser::ItemInt32, "N", &m_N);
        if (withMass) {
            m_Parser.AddItem(datParser::ItemFloat, "Mass", &m_Mass);
        }
    }
};

class ParserTest : public ::testing::Test {
protected:
    void SetUp() override {
        sm_Reports.clear();
        m_OldReporter = datParser::SetReporter(CaptureReport);
    }
    void TearDown() override { datParser::SetReporter(m_OldReporter); }

    std::string Write(const std::string& text) {
        std::string path = m_Scratch.Path("tune.txt");
        EXPECT_TRUE(WriteWholeFile(path, text));
        return path;
    }

    ScratchDir m_Scratch;
    datParser::ReportFunc m_OldReporter = nullptr;
};

TEST_F(ParserTest, TextFormIsIndentedByDepth) {
    Tune tune;
    std::string path = m_Scratch.Path("tune.txt");
    ASSERT_TRUE(tune.m_Parser.Save(path.c_str(), false));
    EXPECT_EQ("type: a\ntune {\n  Pos 1.000000\t2.000000\t3.000000 \n  Sub {\n    N 5 \n  }\n\n}\n",
              ReadWholeFile(path));
}

TEST_F(ParserTest, AssetsAreNamedByDirectoryNameAndExtension) {
    ASSERT_TRUE(CreateDirectoryA(m_Scratch.Path("tune").c_str(), nullptr));
    datAssetManager::SetPath(m_Scratch.Root().c_str());
    Tune saved;
    saved.m_N = 12;
    EXPECT_TRUE(saved.m_Parser.Save("tune", "banger", "tun", true));
    Tune loaded;
    EXPECT_TRUE(loaded.m_Parser.Load("tune", "banger", "tun"));
    EXPECT_EQ(12, loaded.m_N);
    EXPECT_FALSE(loaded.m_Parser.Load("tune", "absent", "tun"));
    datAssetManager::SetPath("");
    std::string file = ReadWholeFile(m_Scratch.Path("tune\\banger.tun"));
    EXPECT_EQ(0u, file.find(std::string("type: b\0", 8)));
}

TEST_F(ParserTest, AFailedSaveIsReportedAndKeepsTheOldFile) {
    ASSERT_TRUE(CreateDirectoryA(m_Scratch.Path("tune").c_str(), nullptr));
    datAssetManager::SetPath(m_Scratch.Root().c_str());
    std::string path = m_Scratch.Path("tune\\banger.tun");
    for (bool binary : {false, true}) {
        for (FailingWrites::Mode mode : {FailingWrites::Refuse, FailingWrites::Short}) {
            for (bool asAsset : {false, true}) {
                SCOPED_TRACE(testing::Message() << binary << " " << mode << " " << asAsset);
                Tune good;
                ASSERT_TRUE(good.m_Parser.Save(path.c_str(), binary));
                std::string old = ReadWholeFile(path);
                sm_Reports.clear();
                Tune changed;
                changed.m_N = 6;
                {
                    FailingWrites failing(20, mode);
                    EXPECT_FALSE(asAsset ? changed.m_Parser.Save("tune", "banger", "tun", binary)
                                         : changed.m_Parser.Save(path.c_str(), binary));
                }
                EXPECT_EQ("datParser::Save: could not write all of '" + path + "'.\n",
                          sm_Reports);
                EXPECT_EQ(old, ReadWholeFile(path));
                EXPECT_FALSE(FileExists(path + ReplacingSuffix));
            }
        }
    }
    datAssetManager::SetPath("");
}

TEST_F(ParserTest, ItemsLoadInAnyOrderAndAbsentOnesKeepTheirValues) {
    Tune tune(true);
    std::string path = Write("type: a\nother {\n  Sub {\n    N 7 \n  }\n  Pos 4 5 6\n}\n");
    ASSERT_TRUE(tune.m_Parser.Load(path.c_str()));
    EXPECT_EQ(7, tune.m_N);
    EXPECT_EQ(4, tune.m_Pos.x);
    EXPECT_EQ(6, tune.m_Pos.z);
    EXPECT_EQ(9, tune.m_Mass);
    EXPECT_STREQ("other", tune.m_Parser.GetName());
    EXPECT_EQ("", sm_Reports);
}

TEST_F(ParserTest, UnknownItemsAreReportedAndSkipped) {
    Tune tune(true);
    std::string path = Write(
        "type: a\ntune {\n  Foo 1 2 3\n  Pos 4 5 6\n  Bar { x 1 { y 2 } }\n"
        "  Sub {\n    Baz\n    N 8\n  }\n  Mass 2.5\n}\n");
    ASSERT_TRUE(tune.m_Parser.Load(path.c_str()));
    EXPECT_EQ("datParser::Read()- Unrecognized token 'Foo'\n"
              "datParser::Read()- Unrecognized token 'Bar'\n"
              "datParser::Read()- Unrecognized token 'Baz'\n",
              sm_Reports);
    EXPECT_EQ(5, tune.m_Pos.y);
    EXPECT_EQ(8, tune.m_N);
    EXPECT_EQ(2.5f, tune.m_Mass);
}

TEST_F(ParserTest, TruncatedFilesEndTheLoad) {
    const char* texts[] = {
        "type: a\ntune {\n  Pos 4 5 6\n",
        "type: a\ntune {\n  Sub {\n    N 8\n",
        "type: a\ntune {\n  Bar { x 1 \n",
    };
    for (const char* text : texts) {
        sm_Reports.clear();
        Tune tune;
        EXPECT_FALSE(tune.m_Parser.Load(Write(text).c_str())) << text;
        EXPECT_NE(std::string::npos, sm_Reports.find("Unexpected end of data")) << text;
    }
    Tune tune;
    EXPECT_FALSE(tune.m_Parser.Load(m_Scratch.Path("absent.txt").c_str()));
}

// Every value type, with values that hold line-feed and zero bytes in binary.
struct AllTypes {
    uint8_t m_Bool = 1;
    char m_Char = 'q';
    int16_t m_Shorts[3] = {-2, 10, 0x0A0A};
    int32_t m_Int = 0x0A00000A;
    float m_Float = 0.25f;
    Vector2 m_V2{1.5f, -2};
    Vector3 m_V3{3, 4, 5};
    Vector4 m_V4{6, 7, 8, 9};
    char m_Words[2][16] = {"hello world", "x"};
    datParser m_Parser{"all"};

    AllTypes() {
        m_Parser.AddItem(datParser::ItemBool, "Bool", &m_Bool);
        m_Parser.AddItem(datParser::ItemChar, "Char", &m_Char);
        m_Parser.AddItem(datParser::ItemInt16, "Shorts", m_Shorts, 3);
        datParser* node = m_Parser.AddNode("Node");
        node->AddItem(datParser::ItemInt32, "Int", &m_Int);
        node->AddItem(datParser::ItemFloat, "Float", &m_Float);
        m_Parser.AddItem(datParser::ItemVector2, "V2", &m_V2);
        m_Parser.AddItem(datParser::ItemVector3, "V3", &m_V3);
        m_Parser.AddItem(datParser::ItemVector4, "V4", &m_V4);
        m_Parser.AddItem(datParser::ItemString, "Words", m_Words, 2, 0, 16);
    }
};

TEST_F(ParserTest, BothFormsRoundTrip) {
    for (bool binary : {false, true}) {
        AllTypes saved;
        std::string path = m_Scratch.Path(binary ? "all.bin" : "all.txt");
        ASSERT_TRUE(saved.m_Parser.Save(path.c_str(), binary));
        AllTypes loaded;
        loaded.m_Bool = 0;
        loaded.m_Char = 0;
        loaded.m_Shorts[2] = 0;
        loaded.m_Int = 0;
        loaded.m_Float = 0;
        loaded.m_V2 = Vector2(0, 0);
        loaded.m_V3 = Vector3(0, 0, 0);
        loaded.m_V4 = Vector4(0, 0, 0, 0);
        loaded.m_Words[0][0] = 0;
        ASSERT_TRUE(loaded.m_Parser.Load(path.c_str())) << binary;
        EXPECT_EQ(1, loaded.m_Bool);
        EXPECT_EQ('q', loaded.m_Char);
        EXPECT_EQ(0x0A0A, loaded.m_Shorts[2]);
        EXPECT_EQ(-2, loaded.m_Shorts[0]);
        EXPECT_EQ(0x0A00000A, loaded.m_Int);
        EXPECT_EQ(0.25f, loaded.m_Float);
        EXPECT_EQ(-2, loaded.m_V2.y);
        EXPECT_EQ(5, loaded.m_V3.z);
        EXPECT_EQ(9, loaded.m_V4.w);
        EXPECT_STREQ("hello world", loaded.m_Words[0]);
        EXPECT_STREQ("x", loaded.m_Words[1]);
        EXPECT_EQ("", sm_Reports);
    }
    std::string binary = ReadWholeFile(m_Scratch.Path("all.bin"));
    EXPECT_EQ(std::string("type: b\0all\0{\n\0Bool\0\1\0\0\0Char\0", 29), binary.substr(0, 29));
}

TEST_F(ParserTest, UnknownItemStopsABinaryLoad) {
    AllTypes saved;
    std::string path = m_Scratch.Path("all.bin");
    ASSERT_TRUE(saved.m_Parser.Save(path.c_str(), true));
    datParser fewer("all");
    uint8_t flag = 0;
    fewer.AddItem(datParser::ItemBool, "Bool", &flag);
    EXPECT_FALSE(fewer.Load(path.c_str()));
    EXPECT_EQ(1, flag);
    EXPECT_EQ("datParser::Read()- Unrecognized token 'Char'\n", sm_Reports);
}

}  // namespace
