#include "bank/dialogseam.h"
#include "city/psdl.h"
#include "cityedit/psdltool.h"
#include "data/bytes.h"
#include "vector/matrix34.h"

#include "tests/game/cityedit/emitfixture.h"
#include "tests/support/child.h"
#include "tests/support/console.h"
#include "tests/support/scratch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace {

typedef std::vector<SDLCODE_T> Words;

Words RoomWords(const lvlPSDL& city, int room) {
    const lvlSDL* sdl = city.m_Rooms[room].get();
    return Words(sdl->GetCodes(), sdl->GetCodes() + sdl->GetCodeCount());
}

Vector3 P(float i) { return Vector3(i, 1.0f, 2.0f * i + 1.0f); }

void Fan(int code, int vertices, float height = 0.0f) {
    BeginPrimitive(code, height);
    for (int i = 0; i < vertices; ++i) {
        EmitVertex(P(float(i)));
    }
    EndPrimitive();
}

class Emitters : public ::testing::Test {
protected:
    void SetUp() override { MakeEmptyCity(m_City); }

    ConsoleCapture m_Capture;
    lvlPSDL m_City;
};

}  // namespace

TEST_F(Emitters, FansCarryTheirCountInTheWordOrAfterIt) {
    m_City.BeginCompileRoom(1);
    Fan(SDL_FAN, 9);
    m_City.EndCompileRoom();
    EXPECT_EQ(RoomWords(m_City, 1), Words({183, 0, 1, 2, 3, 4, 5, 6, 7, 8}));

    m_City.BeginCompileRoom(2);
    Fan(SDL_FAN, 10);
    Fan(SDL_RAISEDFAN, 5, 2.5f);
    m_City.EndCompileRoom();
    EXPECT_EQ(RoomWords(m_City, 2),
              Words({48, 8, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 100 | 128, 0, 0, 1, 2, 3, 4}));
    EXPECT_EQ(lvlPSDL::sm_VertexCount, 10u);
    EXPECT_EQ(lvlPSDL::sm_Floats, std::vector<float>({2.5f}));
}

TEST_F(Emitters, EqualPositionsAndFloatsShareOneIndex) {
    m_City.BeginCompileRoom(1);
    BeginPrimitive(SDL_FLATFAN);
    EmitVertex(Vector3(0.0f, 1.0f, 2.0f));
    EmitVertex(Vector3(5.0f, 1.0f, 2.0f));
    EmitVertex(Vector3(-0.0f, 1.0f, 2.0f));
    EndPrimitive();
    EmitWall(Vector3(0.0f, 0.0f, 0.0f), Vector3(1.0f, 0.0f, 4.0f), 3.0f);
    m_City.EndCompileRoom();
    m_City.BeginCompileRoom(2);
    EmitSkirt(Vector3(5.0f, 1.0f, 2.0f), Vector3(1.0f, 0.0f, 4.0f), 3.0f, 0.5f);
    m_City.EndCompileRoom();

    // The wall's angle: (atan2(4, 1) + pi) * 64 / (2 pi) = 45.5.
    EXPECT_EQ(RoomWords(m_City, 1), Words({41, 0, 1, 0, 188, 45, 0, 2, 3}));
    EXPECT_EQ(RoomWords(m_City, 2), Words({28 | 128, 0, 1, 1, 3}));
    EXPECT_EQ(lvlPSDL::sm_VertexCount, 4u);
    EXPECT_EQ(lvlPSDL::sm_Floats, std::vector<float>({3.0f, 0.5f}));
    // The table grew in steps, with the spare pool behind the vertices.
    EXPECT_EQ(lvlPSDL::sm_VertexCapacity, 1024u);
    EXPECT_EQ(lvlPSDL::sm_Vertices.size(), 1024u + lvlPSDL::SpareVertices);
    EXPECT_TRUE(std::isnan(lvlPSDL::sm_Vertices[4].x));
}

TEST_F(Emitters, VerticesOfTheDescriptionAreFoundAgain) {
    lvlPSDL::AllocateVertices(3);
    lvlPSDL::sm_Vertices[0] = Vector3(1.0f, 2.0f, 3.0f);
    lvlPSDL::sm_Vertices[1] = Vector3(0.0f, 0.0f, 0.0f);
    lvlPSDL::sm_Vertices[2] = Vector3(-0.0f, 0.0f, 0.0f);
    EXPECT_EQ(VertexIndex(Vector3(-0.0f, 0.0f, 0.0f)), 1);
    EXPECT_EQ(VertexIndex(Vector3(1.0f, 2.0f, 3.0f)), 0);
    EXPECT_EQ(VertexIndex(Vector3(1.0f, 2.0f, 4.0f)), 3);
    EXPECT_EQ(lvlPSDL::sm_VertexCapacity, 3u + 1024u);
    // A new table is not answered from the hash of the old one.
    lvlPSDL::AllocateVertices(1);
    lvlPSDL::sm_Vertices[0] = Vector3(7.0f, 7.0f, 7.0f);
    EXPECT_EQ(VertexIndex(Vector3(1.0f, 2.0f, 3.0f)), 1);
}

TEST_F(Emitters, FloatsAreFoundAtTheirFirstEqualEntry) {
    // Against a search of the table from its start, on values that repeat, zeros of both
    // signs (equal) and NaN (never equal), after a table that came with the city.
    lvlPSDL::AllocateFloats(3);
    lvlPSDL::sm_Floats = {1.5f, -0.0f, 1.5f};
    std::mt19937 random(16);
    for (int i = 0; i < 20000; ++i) {
        float value;
        switch (random() % 4) {
        case 0:
            value = float(random() % 64) * 0.25f;
            break;
        case 1:
            value = random() % 2 ? 0.0f : -0.0f;
            break;
        case 2:
            value = random() % 8 ? FloatFromBits(uint32_t(random())) : NAN;
            break;
        default:
            value = float(random() % 50000);
            break;
        }
        const std::vector<float>& floats = lvlPSDL::sm_Floats;
        size_t expected = std::find(floats.begin(), floats.end(), value) - floats.begin();
        size_t size = floats.size();
        ASSERT_EQ(FloatIndex(value), expected) << value;
        ASSERT_EQ(floats.size(), size + (expected == size)) << value;
    }
    // A new table of the same size is not answered from the hash of the old one, nor a
    // cleared one.
    std::vector<float> reversed(lvlPSDL::sm_Floats.rbegin(), lvlPSDL::sm_Floats.rend());
    lvlPSDL::AllocateFloats(uint32_t(reversed.size()));
    lvlPSDL::sm_Floats = reversed;
    for (float value : {1.5f, 0.0f, 7.0f}) {
        size_t expected = std::find(reversed.begin(), reversed.end(), value) - reversed.begin();
        EXPECT_EQ(FloatIndex(value), expected) << value;
    }
    lvlPSDL::sm_Floats.clear();
    EXPECT_EQ(FloatIndex(8.0f), 0);
    EXPECT_EQ(FloatIndex(7.0f), 1);
}

TEST_F(Emitters, TextureCommandsOnlyWhenTheTextureChanges) {
    struct Case {
        const char* m_Title;
        std::vector<const char*> m_Textures;  // null selects none
        Words m_Words;
    };
    const std::vector<Case> cases = {
        {"same twice", {"grass", "grass"}, {80, 1, 176 | 1, 0, 1, 2}},
        {"none in between", {"grass", nullptr, "grass"}, {80, 1, 80, 1, 176 | 1, 0, 1, 2}},
        {"two textures", {"grass", "tar", "grass"}, {80, 1, 80, 2, 80, 1, 176 | 1, 0, 1, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_Title);
        MakeEmptyCity(m_City);
        m_City.BeginCompileRoom(1);
        for (const char* texture : c.m_Textures) {
            SetTexture(texture);
        }
        Fan(SDL_FAN, 3);
        m_City.EndCompileRoom();
        EXPECT_EQ(RoomWords(m_City, 1), c.m_Words);
    }
    EXPECT_EQ(lvlPSDL::sm_TextureCount, 3u);
    EXPECT_EQ(lvlPSDL::sm_Textures[2].m_Name, "tar");
    EXPECT_EQ(lvlPSDL::sm_MaterialIndex.size(), 3u);
}

TEST_F(Emitters, TextureIndicesAboveAByteAndNamesTheDescriptionListed) {
    lvlPSDL::AllocateTextures(300);
    lvlPSDL::sm_Textures[5].m_Name = "grass";
    m_City.BeginCompileRoom(1);
    // A texture the description listed gets a new index on its first use in a make.
    SetTexture("grass");
    Fan(SDL_FAN, 3);
    m_City.EndCompileRoom();
    EXPECT_EQ(RoomWords(m_City, 1), Words({81, 44, 176 | 1, 0, 1, 2}));
    EXPECT_EQ(lvlPSDL::sm_Textures[300].m_Name, "grass");
    EXPECT_EQ(lvlPSDL::sm_MaterialIndex.size(), 301u);
}

TEST_F(Emitters, FacadeRepeatsRoundAndDegenerateEdgesWriteNothing) {
    Vector3 a(0.0f, 0.0f, 0.0f);
    Vector3 b(4.0f, 0.0f, 0.0f);
    m_City.BeginCompileRoom(1);
    EmitFacade(a, b, 1.0f, 5.0f, 2.5f, 0.2f);
    EmitFacade(a, b, 1.0f, 1.0f, 2.0f, 2.0f);
    EmitFacade(a, a, 1.0f, 5.0f, 2.0f, 2.0f);
    EmitWall(b, b, 3.0f);
    EmitSkirt(a, a, 0.0f, 1.0f);
    m_City.EndCompileRoom();
    EXPECT_EQ(RoomWords(m_City, 1), Words({94 | 128, 0, 1, 3, 1, 0, 1}));
}

TEST_F(Emitters, EndingARoomWithoutWordsDependsOnItsType) {
    struct Case {
        uint8_t m_Type;
        Words m_After;
    };
    const Case cases[] = {{0x01, {}}, {0x04, {}}, {0x10, {176 | 128 | 1, 0, 1, 2}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.m_Type));
        m_City.m_RoomTypes[1] = c.m_Type;
        m_City.BeginCompileRoom(1);
        Fan(SDL_FAN, 3);
        m_City.EndCompileRoom();
        // A texture alone is no drawing command: the room counts as empty.
        m_City.BeginCompileRoom(1);
        SetTexture("grass");
        m_City.EndCompileRoom();
        EXPECT_EQ(RoomWords(m_City, 1), c.m_After);
    }
}

TEST_F(Emitters, FanOfTwoVerticesIsDroppedWithAWarning) {
    m_City.BeginCompileRoom(1);
    Fan(SDL_FAN, 3);
    Fan(SDL_FLATFAN, 2);
    m_City.EndCompileRoom();
    EXPECT_EQ(RoomWords(m_City, 1), Words({176 | 128 | 1, 0, 1, 2}));
    EXPECT_EQ(m_Capture.Take(),
              "Warning: EndPrimitive: primitive of 3 words dropped, too few vertices.\n");
}

TEST_F(Emitters, InstanceRecordsAreCompactWhenUpright) {
    ScratchDir scratch;
    Matrix34 upright;
    upright.Identity();
    upright.a.Set(0.6f, 0.0f, -0.8f);
    upright.d.Set(10.0f, 2.0f, -3.0f);
    Matrix34 tilted = upright;
    tilted.b.z = 0.0001f;
    Matrix34 negativeZero = upright;
    negativeZero.b.x = -0.0f;

    auto emit = [&](lvlPSDL* city) {
        city->BeginCompileRoom(2);
        lvlPSDL::EmitInstance(upright, "lamp", nullptr, nullptr, 1, 0);
        lvlPSDL::EmitInstance(tilted, "lamp", nullptr, nullptr, 0x21, 0x1FF);
        lvlPSDL::EmitInstance(negativeZero, "x", nullptr, nullptr, 1, 0);
        city->EndCompileRoom();
    };
    static decltype(emit)* current;
    current = &emit;
    m_City.MakeCity(scratch.Path("inst").c_str(), [](lvlPSDL* city) { (*current)(city); });

    std::string bytes = ReadWholeFile(scratch.Path("inst.inst"));
    auto f = [](float value) { return std::string(reinterpret_cast<const char*>(&value), 4); };
    std::string expected = std::string("\x02\x00\x00\x01\x85lamp\0", 10) + f(0.6f) + f(-0.8f) +
                           f(10.0f) + f(2.0f) + f(-3.0f);
    ASSERT_EQ(expected.size(), 30u);
    expected += std::string("\x02\x00\xFF\x21\x05lamp\0", 10);
    for (const Vector3* row : {&tilted.a, &tilted.b, &tilted.c, &tilted.d}) {
        expected += f(row->x) + f(row->y) + f(row->z);
    }
    expected += std::string("\x02\x00\x00\x01\x82x\0", 7) + f(0.6f) + f(-0.8f) + f(10.0f) +
                f(2.0f) + f(-3.0f);
    EXPECT_EQ(bytes, expected);
    // Outside a room nothing is written.
    lvlPSDL::EmitInstance(upright, "lamp", nullptr, nullptr, 1, 0);
}

TEST_F(Emitters, MakeWarnsAboveSixtyThousandVertices) {
    static std::vector<std::string> boxes;
    boxes.clear();
    bkMessageBoxFunc previous = bkSetMessageBoxFunc([](HWND, const char* text,
                                                       const char* caption, UINT type) {
        boxes.push_back(std::string(caption) + "|" + text + "|" + std::to_string(type));
        return IDOK;
    });
    static int calls;
    calls = 0;
    lvlPSDL::AllocateVertices(60000);
    m_City.MakeCity(nullptr, [](lvlPSDL*) { ++calls; });
    EXPECT_TRUE(boxes.empty());
    lvlPSDL::AllocateVertices(60001);
    m_City.MakeCity(nullptr, [](lvlPSDL*) { ++calls; });
    bkSetMessageBoxFunc(previous);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(boxes, std::vector<std::string>({"Warning!|60001 verts used out of a possible "
                                               "65535.|" + std::to_string(MB_OK | MB_ICONSTOP)}));
}

TEST_F(Emitters, DrawModeDrawsAtOnce) {
    struct Case {
        const char* m_Title;
        void (*m_Draw)();
        const char* m_Log;
    };
    const Case cases[] = {
        {"raised fan at its height",
         [] {
             BeginPrimitive(SDL_RAISEDFAN, 4.0f);
             EmitVertex(Vector3(1, 2, 3));
             EndPrimitive();
             BeginPrimitive(SDL_FAN);
             EmitVertex(Vector3(1, 2, 3));
             EndPrimitive();
         },
         "fan (1 4 3|1 3);fan (1 2 3|1 3);"},
        {"facade", [] { EmitFacade(Vector3(0, 0, 0), Vector3(3, 0, 4), 1.0f, 2.0f, 2.4f, 0.0f); },
         "fan (0 1 0|0 0) (3 1 4|2 0) (3 2 4|2 1) (0 2 0|0 1);"},
        {"skirt under both ends",
         [] { EmitSkirt(Vector3(0, 2, 0), Vector3(3, 3, 4), 1.0f, 0.5f); },
         "fan (0 2 0|0 0.5) (3 3 4|3 1) (3 1 4|3 0) (0 1 0|0 0);"},
        {"skirt from a base corner",
         [] { EmitSkirt(Vector3(0, 1, 0), Vector3(3, 3, 4), 1.0f, 0.5f); },
         "fan (0 1 0|0 0) (3 3 4|3 1) (3 1 4|3 0);"},
        {"skirt to a base corner",
         [] { EmitSkirt(Vector3(0, 2, 0), Vector3(3, 1, 4), 1.0f, 0.5f); },
         "fan (0 2 0|0 0.5) (3 1 4|3 0) (0 1 0|0 0);"},
        {"flat skirt and walls draw nothing",
         [] {
             EmitSkirt(Vector3(0, 1, 0), Vector3(3, 1, 4), 1.0f, 0.5f);
             EmitWall(Vector3(0, 1, 0), Vector3(3, 1, 4), 1.0f);
         },
         ""},
        {"textures and models",
         [] {
             SetTexture("grass");
             SetTexture(nullptr);
             Matrix34 m;
             m.Identity();
             m.d.x = 7.0f;
             lvlPSDL::EmitInstance(m, "lamp", nullptr, nullptr, 1, 0);
         },
         "notex;notex;model at 7;"},
    };
    EmitRecorder recorder;
    EmitDrawer = &recorder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_Title);
        recorder.m_Log.clear();
        c.m_Draw();
        EXPECT_EQ(recorder.m_Log, c.m_Log);
    }
    EmitDrawer = nullptr;
    EXPECT_EQ(lvlPSDL::sm_VertexCount, 0u);
    EXPECT_EQ(lvlPSDL::sm_TextureCount, 1u);
}

// The limits end the make before anything is written past them.
TEST_CHILD(EmitPastALimit) {
    lvlPSDL city;
    MakeEmptyCity(city);
    std::string limit = __argv[__argc - 1];
    city.BeginCompileRoom(1);
    if (limit == "vertices") {
        for (int i = 0;; ++i) {
            VertexIndex(Vector3(float(i), 1.0f, 2.0f));
        }
    } else if (limit == "floats") {
        lvlPSDL::AllocateFloats(lvlPSDL::MaxFloats - 1);
        FloatIndex(-1.0f);
        FloatIndex(-2.0f);
    } else if (limit == "room buffer") {
        for (int i = 0;; ++i) {
            EmitWall(Vector3(0, 0, 0), Vector3(1, 0, float(i % 100)), 1.0f);
        }
    } else if (limit == "extended count") {
        SDLCODE_T* before = PsdlTool::sm_RoomBuf + PsdlTool::maxCompile - 12;
        PsdlTool::sm_RIP = before;
        Fan(SDL_FAN, 11);
    } else if (limit == "long fan") {
        Fan(SDL_FAN, 258);
    } else if (limit == "open primitive") {
        BeginPrimitive(SDL_FAN);
        EmitVertex(Vector3(1, 0, 0));
        city.EndCompileRoom();
    } else if (limit == "room twice") {
        city.BeginCompileRoom(2);
    } else if (limit == "no room") {
        city.EndCompileRoom();
        city.EndCompileRoom();
    } else if (limit == "vertex outside a primitive") {
        EmitVertex(Vector3(1, 0, 0));
    } else if (limit == "primitive in a primitive") {
        BeginPrimitive(SDL_FAN);
        BeginPrimitive(SDL_FAN);
    } else if (limit == "textures") {
        lvlPSDL::AllocateTextures(lvlPSDL::MaxTextures);
        SetTexture("one too many");
    } else if (limit == "draw code") {
        city.EndCompileRoom();
        BeginPrimitive(56);
    } else if (limit == "instance name") {
        std::string name(127, 'n');
        Matrix34 m;
        m.Identity();
        PsdlTool::sm_InstFile = reinterpret_cast<Stream*>(1);
        lvlPSDL::EmitInstance(m, name.c_str(), nullptr, nullptr, 1, 0);
    }
    return 0;
}

TEST(EmitterLimits, PassingALimitIsFatal) {
    struct Case {
        const char* m_Limit;
        const char* m_Message;
    };
    const Case cases[] = {
        {"vertices", "Assert(lvlPSDL::sm_VertexCount < lvlPSDL::MaxVertices) failed in [cityedit/vertexindex"},
        {"floats", "Assert(floats.size() < lvlPSDL::MaxFloats) failed in [cityedit/vertexindex"},
        {"room buffer", "Assert(sm_RIP < sm_RoomBuf + maxCompile) failed in [cityedit/psdltool"},
        {"extended count", "Assert(sm_RIP < sm_RoomBuf + maxCompile) failed in [cityedit/psdltool"},
        {"long fan", "Assert(count < 256) failed in [cityedit/psdltool"},
        {"room twice", "Assert(!sm_CompileRoom) failed in [cityedit/psdltool"},
        {"no room", "Assert(sm_CompileRoom) failed in [cityedit/psdltool"},
        {"vertex outside a primitive", "Assert(sm_Begin) failed in [cityedit/psdltool"},
        {"primitive in a primitive", "Assert(!sm_Begin) failed in [cityedit/psdltool"},
        {"open primitive", "Assert(!sm_Begin) failed in [cityedit/psdltool"},
        {"textures", "Assert(sm_TextureCount < MaxTextures) failed in [city/psdl"},
        {"draw code", "Bad SDL code"},
        {"instance name", "Assert(length < UprightBit) failed in [cityedit/instance"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_Limit);
        ChildResult result = RunChild("EmitPastALimit", std::string("\"") + c.m_Limit + "\"");
        EXPECT_NE(result.m_ExitCode, 0);
        EXPECT_NE(result.m_Output.find(c.m_Message), std::string::npos) << result.m_Output;
    }
}
