// The city path editor: ground picks on the city's rooms, props and decals along the paths,
// and paths named after props.
#include "cityedit/citypath.h"

#include "bank/bank.h"
#include "city/psdl.h"
#include "city/sdl.h"
#include "cityedit/catalog.h"
#include "cityedit/psdltool.h"
#include "vector/matrix34.h"

#include "tests/engine/gfx/pipefixture.h"
#include "tests/engine/model/modelfixture.h"
#include "tests/game/cityedit/catalogfixture.h"
#include "tests/game/level/pathfixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// What the props draw: the model's name in the order drawn is not known here, so each call
// is its placement's position.
class ModelRecorder : public lvlEmitDrawer {
public:
    ModelRecorder() : m_Previous(EmitDrawer) { EmitDrawer = this; }
    ~ModelRecorder() override { EmitDrawer = m_Previous; }
    void BeginFan() override {}
    void BeginLineStrip() override {}
    void Colour(uint32_t) override {}
    void Vertex(float, float, float, float, float) override {}
    void End() override {}
    void BindTexture(gfxTexture*) override {}
    void DrawModel(const Matrix34& m, modStatic* model, modShader*) override {
        if (model) {
            m_Calls.push_back(DrawRecorder::Point(m.d));
        }
    }
    void Print(const Vector3&, const char*) override {}

    std::vector<std::string> m_Calls;
    lvlEmitDrawer* m_Previous;
};

class PlainBank : public bkBank {
public:
    void GetConfig(bool*, int*, int*, int*, int*) override {}
    void SetConfig(bool, int, int, int, int) override {}
};

// A geometry item of one triangle whose vertices stand at the heights given.
std::string PropItem(float y0, float y1, float y2) {
    std::string item = U32(1) + U32(3) + U32(0) + U32(0) + U32(0x142);
    item += U32(1) + U32(0) + U32(3) + U32(3);
    for (float y : {y0, y1, y2}) {
        item += F32(0.0f) + F32(y) + F32(0.0f) + U32(0xFF332211) + F32(0.0f) + F32(1.0f);
    }
    item += U32(3);
    for (int i = 0; i < 3; ++i) {
        item += std::string{(char)i, 0};
    }
    return item;
}

// Four fan rooms, ids 100 times their numbers, seen by the scripted mouse from above:
//   1: x 0 to 10 at height 0, plain;   2: x 0 to 10 at height 2, type bit 0x10;
//   3: x 20 to 30 at height 0, 0x10;   4: x 40 to 50 at height 0, plain.
class CityPaths : public FakePipeline {
protected:
    void SetUp() override {
        FakePipeline::SetUp();
        const float rooms[4][2] = {{0, 0}, {0, 2}, {20, 0}, {40, 0}};
        lvlPSDL::AllocateVertices(1 + 16);
        lvlPSDL::sm_Vertices[0] = Vector3(0, -5, 0);
        lvlPSDL::AllocateTextures(2);
        m_City.AllocateRooms(5);
        for (int r = 0; r < 4; ++r) {
            float x = rooms[r][0];
            float y = rooms[r][1];
            const Vector3 corners[4] = {{x, y, 0}, {x, y, 10}, {x + 10, y, 10}, {x + 10, y, 0}};
            SDLCODE_T base = SDLCODE_T(1 + 4 * r);
            for (int k = 0; k < 4; ++k) {
                lvlPSDL::sm_Vertices[base + k] = corners[k];
            }
            const SDLCODE_T words[] = {SDL_TEXTURE, 1, SDL_FAN | SDL_LAST | 2, base, SDLCODE_T(base + 1),
                                       SDLCODE_T(base + 2), SDLCODE_T(base + 3)};
            lvlSDL* room = lvlSDL::Create(4, 0);
            room->SetCodes(words, 7);
            for (uint16_t k = 0; k < 4; ++k) {
                room->GetPerimeterEntry(k).m_Vertex = uint16_t(base + k);
            }
            m_City.m_Rooms[r + 1].reset(room);
            m_City.m_RoomIds[r + 1] = 100 * (r + 1);
        }
        m_City.m_RoomTypes[2] = 0x10;
        m_City.m_RoomTypes[3] = 0x11;
        m_Editor.SetCity(&m_City);
        CityPathEditor::sm_CollideVsHighest = 1;
    }

    void TearDown() override {
        CityPathEditor::sm_CollideVsHighest = 1;
        FakePipeline::TearDown();
    }

    qvPath& NewPath(const char* name) {
        m_Editor.NewPath();
        m_Editor.GetCurrentPath()->SetName(name);
        return *m_Editor.GetCurrentPath();
    }

    ScriptedMouse m_Mouse;
    lvlPSDL m_City;
    CityPathEditor m_Editor;
};

}  // namespace

TEST_F(CityPaths, PicksTheGroundOnTheRoomsWithTheirIds) {
    struct Case {
        const char* m_Label;
        const char* m_Path;
        bool m_Opposite;
        uint8_t m_Highest;
        int m_X;
        const char* m_Point;  // null for a miss
        uint32_t m_Word;
    };
    const Case cases[] = {
        {"first of two stacked rooms", "PATH01", false, 1, 5, "5,0,5", 0xAB000064},
        {"last of two stacked rooms", "PATH01", false, 0, 5, "5,2,5", 0xAB0000C8},
        {"an Opp path skips plain rooms", "oppRamp", false, 1, 5, "5,2,5", 0xAB0000C8},
        {"an Opp path on a 0x10 room", "OPPside", false, 1, 25, "25,0,5", 0xAB00012C},
        {"an Opp path over a plain room", "OppRamp", false, 1, 45, nullptr, 0},
        {"opposite asked over a plain room", "PATH01", true, 1, 45, nullptr, 0},
        {"a plain path on a plain room", "PATH01", false, 1, 45, "45,0,5", 0xAB000190},
        {"over no room", "PATH01", false, 0, 15, nullptr, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_Label);
        CityPathEditor::sm_CollideVsHighest = c.m_Highest;
        qvPath path(c.m_Path);
        qvPathVertex point = PathVertex(7, 7, 7, 0xAB123456);
        bool hit = m_Editor.Pick(&path, point, c.m_X, 5, c.m_Opposite);
        EXPECT_EQ(hit, c.m_Point != nullptr);
        if (c.m_Point) {
            EXPECT_EQ(DrawRecorder::Point(point.m_Position), c.m_Point);
            EXPECT_EQ(point.m_Word, c.m_Word);
        } else {
            EXPECT_EQ(DrawRecorder::Point(point.m_Position), "7,7,7");
            EXPECT_EQ(point.m_Word, 0xAB123456u);
        }
    }
}

// The base's mouse editing adds the picked vertex, its room in the word.
TEST_F(CityPaths, ClicksAddVerticesOnTheRooms) {
    qvPath& path = NewPath("PATH01");
    m_Mouse.Post(qvPathEvent::LeftDown, 45, 5);
    m_Mouse.Post(qvPathEvent::LeftDown, 15, 5);  // over no room: nothing
    m_Mouse.Post(qvPathEvent::LeftDown, 25, 3);
    m_Editor.EditMouse();
    ASSERT_EQ(path.GetVertexCount(), 2);
    EXPECT_EQ(DrawRecorder::Point(path.GetVertex(0).m_Position), "45,0,5");
    EXPECT_EQ(path.GetVertex(0).m_Word, 400u);
    EXPECT_EQ(DrawRecorder::Point(path.GetVertex(1).m_Position), "25,0,3");
    EXPECT_EQ(path.GetVertex(1).m_Word, 300u);
}

TEST_F(CityPaths, PropsStandOnThePathAndMissingOnesAreLookedForOnce) {
    CatalogFiles files;
    files.WriteAsset("geometry", "low.pkg", "PKG3" + PackageItem("H", PropItem(-0.5f, 1, 2)));
    files.WriteAsset("geometry", "high.pkg",
                     "PKG3" + PackageItem("M", PropItem(1, 2, 3)) + PackageItem("L", PropItem(-9, 0, 0)));
    for (const char* name : {"low", "high", "gone"}) {
        qvPath& path = NewPath(name);
        AddPoints(path, {{0, 0, 0}, {10, 0, 0}});
        path.SetSpacing(5.0f);
    }
    ModelRecorder models;
    DrawRecorder lines;
    m_Editor.m_DisplayMode = CityPathEditor::ShowProps;
    m_Editor.Draw();
    // The low model is raised by its lowest point; the high one (its M level, the first that
    // loads) is not lowered; the missing one draws nothing.
    EXPECT_EQ(models.m_Calls, (std::vector<std::string>{"0,0.5,0", "5,0.5,0", "0,0,0", "5,0,0"}));
    // The base still draws the paths as lines.
    EXPECT_NE(std::find(lines.m_Calls.begin(), lines.m_Calls.end(), "begin 3"), lines.m_Calls.end());

    files.WriteAsset("geometry", "gone.pkg", "PKG3" + PackageItem("H", PropItem(0, 1, 2)));
    models.m_Calls.clear();
    m_Editor.Draw();
    EXPECT_EQ(models.m_Calls.size(), 4u);

    // Decals are strips textured with the path's name; plain paths draw nothing more.
    lines.m_Calls.clear();
    m_Editor.m_DisplayMode = CityPathEditor::ShowDecals;
    m_Editor.Draw();
    EXPECT_NE(std::find(lines.m_Calls.begin(), lines.m_Calls.end(), "texture high"), lines.m_Calls.end());
    models.m_Calls.clear();
    m_Editor.m_DisplayMode = CityPathEditor::ShowPaths;
    m_Editor.Draw();
    EXPECT_TRUE(models.m_Calls.empty());
}

TEST_F(CityPaths, ThePropGroupNamesTheCurrentPath) {
    CatalogFiles files;
    files.Write("props", "street,lamp\r\nstreet,bench\r\n");
    PropsCatalog.Load("props");
    PlainBank bank;
    m_Editor.AddWidgets(&bank);
    EXPECT_EQ(m_Editor.m_DisplayMode, 0);
    EXPECT_EQ(m_Editor.m_PropIndex, 0);
    NewPath("PATH01");
    m_Editor.m_PropIndex = 1;
    m_Editor.SelectProp();
    EXPECT_STREQ(m_Editor.GetCurrentPath()->GetName(), "bench");
    m_Editor.m_PropIndex = 0;
    m_Editor.SelectProp();
    EXPECT_STREQ(m_Editor.GetCurrentPath()->GetName(), "lamp");
}
