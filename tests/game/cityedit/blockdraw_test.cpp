// What the block editor draws, written down by a recording drawer for its lines, markers and
// labels and by a recording emitter for the lots' own geometry, in one log.
#include "cityedit/blockeditor.h"

#include "bank/bank.h"
#include "bank/gfxbank.h"
#include "city/psdl.h"
#include "city/sdl.h"
#include "cityedit/block.h"
#include "cityedit/psdltool.h"
#include "devcam/pick.h"
#include "gfx/viewport.h"

#include "tests/engine/devcam/recorder.h"
#include "tests/engine/gfx/pipefixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

typedef std::vector<std::string> Calls;

std::string Point(const char* prefix, const Vector3& p) {
    char text[96];
    snprintf(text, sizeof(text), "%s %.2f %.2f %.2f", prefix, p.x, p.y, p.z);
    return text;
}

std::string Color(uint32_t colour) {
    char text[32];
    snprintf(text, sizeof(text), "Color %08X", colour);
    return text;
}

// The lots' geometry, one entry per primitive: its kind, its size and its first vertex.
class LotRecorder : public lvlEmitDrawer {
public:
    explicit LotRecorder(Calls& calls) : m_Calls(calls), m_Previous(EmitDrawer) {
        EmitDrawer = this;
    }
    ~LotRecorder() override { EmitDrawer = m_Previous; }

    void BeginFan() override { Begin("fan"); }
    void BeginLineStrip() override { Begin("strip"); }
    void Colour(uint32_t colour) override { m_Calls.push_back(Color(colour)); }
    void Vertex(float x, float y, float z, float, float) override {
        if (m_Count++ == 0) {
            m_First.Set(x, y, z);
        }
    }
    void End() override {
        m_Calls.push_back(Point(("Lot " + m_Kind + " " + std::to_string(m_Count)).c_str(),
                                m_First));
    }
    void BindTexture(gfxTexture*) override {}
    void DrawModel(const Matrix34&, modStatic*, modShader*) override {}
    void Print(const Vector3& p, const char* text) override {
        m_Calls.push_back(Point("Lot print", p) + " " + text);
    }

private:
    void Begin(const std::string& kind) {
        m_Kind = kind;
        m_Count = 0;
    }

    Calls& m_Calls;
    lvlEmitDrawer* m_Previous;
    std::string m_Kind;
    int m_Count = 0;
    Vector3 m_First;
};

// A square block of side 4 round the origin cut along its diagonal from corner 0 to corner 2,
// so that lot 0 is corners (0, 1, 2) and lot 1 corners (2, 3, 0), in room 1 of a city whose
// outline is a square of side 6 round it; the camera looks at the origin from 10 units away.
class BlockDraw : public FakePipeline {
protected:
    void SetUp() override {
        FakePipeline::SetUp();
        LookAtOriginFromTen();
        bkManager::CreateInstance(gfxBankManager::Create);
        m_Editor.reset(new BlockEditor);

        lvlPSDL::AllocateVertices(4);
        m_City.AllocateRooms(2);
        m_City.m_Rooms[1].reset(lvlSDL::Create(4, 0));
        for (int i = 0; i < 4; ++i) {
            lvlPSDL::sm_Vertices[i] = Corner(i, 3.0f);
            m_City.m_Rooms[1]->GetPerimeterEntry(i).m_Vertex = uint16_t(i);
        }
        Vector3 square[4] = {Corner(0, 2.0f), Corner(1, 2.0f), Corner(2, 2.0f), Corner(3, 2.0f)};
        m_Block.BuildFromOutline(square, 4);
        m_Block.MakeEdge(0, 0, 2);
        ASSERT_EQ(2, m_Block.LotCount());
        m_Editor->SetEditedBlock(&m_Block, 1);
        m_Editor->m_DrawMode = DrawWireframe;
    }
    void TearDown() override {
        m_Editor->SetEditedBlock(nullptr, 0);
        m_Editor.reset();
        bkManager::DeleteInstance();
        FakePipeline::TearDown();
    }

    // Corner i of the square of half-side h, counter-clockwise from (-h, 0, -h).
    static Vector3 Corner(int i, float h) {
        const float signs[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
        return Vector3(signs[i][0] * h, 0.0f, signs[i][1] * h);
    }
    const Vector3& LotCorner(int lot, int i) const {
        BlockLot* l = m_Block.Lot(lot);
        return m_Block.Vertex(l->VertexIndex(i % l->VertexCount()))->m_Position;
    }

    // Everything one DrawBlockLots sends.
    Calls Draw() {
        RecordingDrawer drawer;
        LotRecorder lots(drawer.m_Calls);
        m_Editor->DrawBlockLots(nullptr, &m_City);
        return drawer.m_Calls;
    }

    // The square marker round the projected point.
    static Calls Marker(const Vector3& p, uint32_t colour) {
        Vector4 screen;
        EXPECT_TRUE(dcProjectToScreen(screen, p));
        Calls calls = {Color(colour), "Enable 0 0", "Begin 2"};
        const float offsets[8][2] = {{-4, -4}, {4, -4}, {4, -4}, {4, 4},
                                     {4, 4},   {-4, 4}, {-4, 4}, {-4, -4}};
        for (const auto& offset : offsets) {
            calls.push_back(
                Point("Vertex", Vector3(screen.x + offset[0], screen.y + offset[1], 0.0f)));
        }
        calls.push_back("End");
        calls.push_back("Enable 0 1");
        return calls;
    }
    // The lot's outline for a lot not under edit, or its edges for the current one.
    Calls Overlay(int lot, bool current, int currentEdge) const {
        Calls calls = {Color(0xFFFFFFFF), Point("Lot strip 4", LotCorner(lot, 0))};
        if (!current) {
            calls.push_back(Color(0xFF404040));
            calls.push_back("Begin 3");
            for (int i = 0; i <= 3; ++i) {
                calls.push_back(Point("Vertex", LotCorner(lot, i)));
            }
        } else {
            calls.push_back("Begin 2");
            for (int i = 0; i < 3; ++i) {
                calls.push_back(Color(i == currentEdge ? 0xFF00FF00 : 0xFF008000));
                calls.push_back(Point("Vertex", LotCorner(lot, i)));
                calls.push_back(Point("Vertex", LotCorner(lot, i + 1)));
            }
        }
        calls.push_back("End");
        return calls;
    }

    static void Append(Calls& calls, const Calls& more) {
        calls.insert(calls.end(), more.begin(), more.end());
    }
    static int Count(const Calls& calls, const std::string& call) {
        return int(std::count(calls.begin(), calls.end(), call));
    }

    lvlPSDL m_City;
    CityBlock m_Block{7};
    std::unique_ptr<BlockEditor> m_Editor;
};

}  // namespace

TEST_F(BlockDraw, TheRoomTheLotsAndTheMarksOfTheCurrentLotInOrder) {
    BlockEditor& e = *m_Editor;
    e.m_Digitize = 1;
    e.m_CurrentLot = 1;
    e.m_CurrentEdge = 1;
    e.m_CurrentVertex = 2;
    e.m_Anchor = 0;
    e.m_CursorParameter = 0.5f;
    e.m_Cursor = (LotCorner(1, 1) + LotCorner(1, 2)) * 0.5f;
    e.m_OppositeShown = 1;
    e.m_OppositeCursor = LotCorner(1, 0);

    Calls expected = {Color(0xFF0000FF), "Enable 0 0", "Begin 3"};
    for (int i = 0; i <= 4; ++i) {
        expected.push_back(Point("Vertex", Corner(i % 4, 3.0f)));
    }
    Append(expected, {"End", "Enable 0 1", Color(0xFFFFFFFF)});
    Append(expected, Overlay(0, false, -1));
    Append(expected, Overlay(1, true, 1));
    Append(expected, Marker(LotCorner(1, 0), 0xFF008000));
    Append(expected, Marker(LotCorner(1, 1), 0xFF008000));
    Append(expected, Marker(LotCorner(1, 2), 0xFF00FF00));
    Append(expected, Marker(e.m_Cursor, 0xFFFF0000));
    Append(expected, Marker(e.m_OppositeCursor, 0xFF7F0000));
    Append(expected, {Color(0xFF00FFFF), "Begin 2", Point("Vertex", LotCorner(1, 0)),
                      Point("Vertex", LotCorner(1, 2)), "End"});
    EXPECT_EQ(Draw(), expected);

    // The draw mode chooses how the lots themselves are drawn.
    e.m_DrawMode = DrawSolid;
    Calls solid = Draw();
    EXPECT_EQ(Count(solid, Point("Lot fan 3", LotCorner(0, 0))), 1);
    EXPECT_EQ(Count(solid, Point("Lot fan 3", LotCorner(1, 0))), 1);
}

TEST_F(BlockDraw, EditingMarksShowOnlyWhereTheyMeanSomething) {
    struct Case {
        const char* name;
        uint8_t digitize;
        float parameter;
        uint8_t opposite;
        int anchor;
        bool cursor, oppositeCursor, anchorLine;
    };
    const Case cases[] = {
        {"cursor inside the edge", 1, 0.25f, 0, -1, true, false, false},
        {"cursor on the edge's start", 1, 0.0f, 0, -1, false, false, false},
        {"cursor on the edge's end", 1, 1.0f, 1, -1, false, true, false},
        {"anchor on another vertex", 1, 0.0f, 0, 1, false, false, true},
        {"anchor on the current vertex", 1, 0.0f, 0, 2, false, false, false},
        {"assign mode", 0, 0.25f, 1, 1, false, false, false},
    };
    BlockEditor& e = *m_Editor;
    e.m_CurrentLot = 0;
    e.m_CurrentVertex = 2;
    e.m_Cursor = Vector3(0.5f, 0.0f, -2.0f);
    e.m_OppositeCursor = Vector3(-0.5f, 0.0f, 2.0f);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        e.m_Digitize = c.digitize;
        e.m_CursorParameter = c.parameter;
        e.m_OppositeShown = c.opposite;
        e.m_Anchor = c.anchor;
        Calls calls = Draw();
        EXPECT_EQ(Count(calls, Color(0xFFFF0000)), c.cursor ? 1 : 0);
        EXPECT_EQ(Count(calls, Color(0xFF7F0000)), c.oppositeCursor ? 1 : 0);
        EXPECT_EQ(Count(calls, Color(0xFF00FFFF)), c.anchorLine ? 1 : 0);
        EXPECT_EQ(e.m_Anchor, c.anchor);
    }
}

// After an edit took away lots or vertices the editor may point past them: everything is
// brought back into range before the first line is drawn, so the first lot is not drawn twice.
TEST_F(BlockDraw, IndicesPastTheLotAreBroughtBackBeforeDrawing) {
    BlockEditor& e = *m_Editor;
    e.m_Digitize = 1;
    e.m_CursorParameter = 0.0f;
    e.m_CurrentLot = 2;
    e.m_CurrentEdge = 3;
    e.m_CurrentVertex = 5;
    e.m_Anchor = 3;
    Calls calls = Draw();
    EXPECT_EQ(e.m_CurrentLot, 0);
    EXPECT_EQ(e.m_CurrentEdge, 0);
    EXPECT_EQ(e.m_CurrentVertex, 0);
    EXPECT_EQ(e.m_Anchor, -1);

    Calls expected = {Color(0xFFFFFFFF)};
    Append(expected, Overlay(1, false, -1));
    Append(expected, Overlay(0, true, 0));
    Append(expected, Marker(LotCorner(0, 0), 0xFF00FF00));
    Append(expected, Marker(LotCorner(0, 1), 0xFF008000));
    Append(expected, Marker(LotCorner(0, 2), 0xFF008000));
    ASSERT_GE(calls.size(), 10u);
    EXPECT_EQ(Calls(calls.begin() + 10, calls.end()), expected);

    // Negative indices, which no edit makes, are no way past the arrays either.
    e.m_CurrentLot = -1;
    e.m_CurrentEdge = -2;
    e.m_CurrentVertex = -3;
    e.m_Anchor = -4;
    calls = Draw();
    EXPECT_EQ(e.m_CurrentLot, 0);
    EXPECT_EQ(e.m_CurrentEdge, 0);
    EXPECT_EQ(e.m_CurrentVertex, 0);
    EXPECT_EQ(Count(calls, Color(0xFF00FFFF)), 0);
}

TEST_F(BlockDraw, DebugLabelsTheCurrentLotAndLinksItToTheLotAcrossTheCurrentEdge) {
    BlockEditor& e = *m_Editor;
    e.m_Debug = 1;
    e.m_CurrentLot = 1;
    // Lot 1's edge 2 is the diagonal shared with lot 0; edge 0 lies on the perimeter.
    e.m_CurrentEdge = 2;
    Calls calls = Draw();
    Calls labels = {"Enable 0 0"};
    for (int i = 0; i < 3; ++i) {
        labels.push_back(Point("Print", LotCorner(1, i)) + " " + std::to_string(i));
    }
    labels.push_back("Enable 0 1");
    auto edges = std::search(calls.begin(), calls.end(), labels.begin(), labels.end());
    ASSERT_NE(edges, calls.end());
    EXPECT_EQ(*(edges - 1), "End");
    auto isLabel = [](const std::string& call) { return call.compare(0, 6, "Print ") == 0; };
    EXPECT_EQ(std::count_if(calls.begin(), calls.end(), isLabel), 3);
    Calls link = {Color(0xFF0000FF), "Begin 3", Point("Vertex", m_Block.GetLotCentroid(1)),
                  Point("Vertex", m_Block.GetLotCentroid(0)), "End"};
    EXPECT_EQ(Calls(calls.end() - 5, calls.end()), link);

    e.m_CurrentEdge = 0;
    calls = Draw();
    EXPECT_NE(Calls(calls.end() - 5, calls.end()), link);
    EXPECT_EQ(Count(calls, Color(0xFF0000FF)), 1);

    e.m_Debug = 0;
    e.m_CurrentEdge = 2;
    calls = Draw();
    EXPECT_EQ(Count(calls, Color(0xFF0000FF)), 1);
    EXPECT_EQ(std::search(calls.begin(), calls.end(), labels.begin(), labels.end()),
              calls.end());
}

TEST_F(BlockDraw, NothingWithoutABlockAndOnlyTheRoomForABlockWithoutLots) {
    m_Editor->SetEditedBlock(nullptr, 0);
    EXPECT_TRUE(Draw().empty());

    CityBlock empty(8);
    m_Editor->SetEditedBlock(&empty, 1);
    m_Editor->m_Digitize = 1;
    m_Editor->m_CursorParameter = 0.5f;
    m_Editor->m_OppositeShown = 1;
    m_Editor->m_Anchor = 1;
    Calls calls = Draw();
    ASSERT_EQ(calls.size(), 11u);
    EXPECT_EQ(calls.front(), Color(0xFF0000FF));
    EXPECT_EQ(calls.back(), Color(0xFFFFFFFF));
}
