// The statistics pages: paging, printing, colours and the debug drawing, on the recording
// device.
#include "node/stats.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "gfx/print.h"
#include "rgl/rgl.h"
#include "tests/engine/rgl/rglfixture.h"
#include "tests/support/child.h"
#include "vector/vector4.h"

namespace {

struct PrintedLine {
    int x, y;
    std::string m_Text;
};
std::vector<PrintedLine> g_Printed;

void RecordText(int x, int y, const char* text) {
    g_Printed.push_back({x, y, text});
}

// A page that prints its lines and says how often it was asked to.
class LinesPage : public ovStatsPage {
public:
    LinesPage(const char* tag, int lines) : m_Tag(tag), m_Lines(lines) {}
    void PrintStats() override {
        ++m_Prints;
        for (int i = 1; i <= m_Lines; ++i) {
            ovStats::Print("%s line %d", m_Tag, i);
        }
    }
    const char* m_Tag;
    int m_Lines;
    int m_Prints = 0;
};

// A page that leaves the registry when it goes, as the physics manager does.
class OwnedPage : public LinesPage {
public:
    OwnedPage() : LinesPage("owned", 1) { ovStats::Register(this); }
    ~OwnedPage() override { ovStats::Unregister(this); }
};

// The registry empty, no page shown, 8-pixel text on a 600-pixel screen, text recorded.
class Stats : public RglCameraPipeline {
protected:
    void SetUp() override {
        RglCameraPipeline::SetUp();
        m_CellHeight = gfxDebugFont.m_CellHeight;
        gfxDebugFont.m_CellHeight = 8;
        gfxPipeline::m_iHeight = 600;
        m_Text = ovStats::SetTextFunc(RecordText);
        g_Printed.clear();
        ASSERT_EQ(ovStats::PageCount(), 0);
        ASSERT_EQ(ovStats::CurrentPage(), -1);
    }
    void TearDown() override {
        for (LinesPage* page : m_Pages) {
            ovStats::Unregister(page);
        }
        while (ovStats::CurrentPage() != -1) {
            ovStats::NextPage();
        }
        ovStats::SetTextFunc(m_Text);
        gfxDebugFont.m_CellHeight = m_CellHeight;
        RglCameraPipeline::TearDown();
    }
    LinesPage* Add(LinesPage* page) {
        ovStats::Register(page);
        m_Pages.push_back(page);
        return page;
    }

    uint8_t m_CellHeight = 0;
    ovStats::TextFunc m_Text = nullptr;
    std::vector<LinesPage*> m_Pages;
};

TEST_F(Stats, PagesCycleThroughNone) {
    struct Case {
        int m_Pages;
        bool m_Next;
        std::vector<int> m_Shown;
    };
    const Case cases[] = {
        {2, true, {0, 1, -1, 0}},
        {2, false, {1, 0, -1, 1}},
        {0, true, {-1, -1}},
        {0, false, {-1, -1}},
    };
    for (const Case& c : cases) {
        LinesPage a("a", 1), b("b", 1);
        if (c.m_Pages) {
            Add(&a);
            Add(&b);
        }
        std::vector<int> shown;
        for (size_t i = 0; i < c.m_Shown.size(); ++i) {
            c.m_Next ? ovStats::NextPage() : ovStats::PrevPage();
            shown.push_back(ovStats::CurrentPage());
        }
        EXPECT_EQ(shown, c.m_Shown) << c.m_Pages << (c.m_Next ? " next" : " prev");
        TearDown();
        m_Pages.clear();
        SetUp();
    }
}

TEST_F(Stats, DrawPrintsTheCurrentPageFromTheTopLeftSkippingAndDroppingLines) {
    LinesPage* five = Add(new LinesPage("five", 5));
    LinesPage* tall = Add(new LinesPage("tall", 100));
    ovStats::Draw();
    EXPECT_TRUE(g_Printed.empty()) << "no page shown";

    ovStats::NextPage();
    ovStats::SetLinesToSkip(3);
    for (int frame = 0; frame < 2; ++frame) {
        g_Printed.clear();
        ovStats::Draw();
        ASSERT_EQ(g_Printed.size(), 2u) << "frame " << frame;
        EXPECT_EQ(g_Printed[0].m_Text, "five line 4");
        EXPECT_EQ(g_Printed[0].x, 20);
        EXPECT_EQ(g_Printed[0].y, 20);
        EXPECT_EQ(g_Printed[1].m_Text, "five line 5");
        EXPECT_EQ(g_Printed[1].y, 28);
    }

    // A page change clears the skip; lines past 600 - 8 are dropped.
    ovStats::NextPage();
    g_Printed.clear();
    ovStats::Draw();
    ASSERT_EQ(g_Printed.size(), 72u);
    EXPECT_EQ(g_Printed.front().m_Text, "tall line 1");
    EXPECT_EQ(g_Printed.back().y, 20 + 71 * 8);
    EXPECT_EQ(five->m_Prints, 2);
    EXPECT_EQ(tall->m_Prints, 1);
    for (LinesPage* page : m_Pages) {
        ovStats::Unregister(page);
        delete page;
    }
    m_Pages.clear();
}

// A page that is destroyed must not stay behind for Draw to call, and the page shown stays
// the one shown.
TEST_F(Stats, UnregisteringLeavesNoDanglingPageAndKeepsThePageShown) {
    LinesPage a("a", 1), b("b", 1), c("c", 1), stranger("s", 1);
    struct Case {
        int m_Show;  // index shown before
        LinesPage* m_Removed;
        int m_Shown;  // index shown after
        const char* m_Printed;
    };
    const Case cases[] = {
        {1, &a, 0, "b line 1"}, {1, &b, -1, ""}, {1, &c, 1, "b line 1"},
        {-1, &a, -1, ""},       {2, &a, 1, "c line 1"},
    };
    for (const Case& t : cases) {
        Add(&a);
        Add(&b);
        Add(&c);
        for (int i = -1; i < t.m_Show; ++i) {
            ovStats::NextPage();
        }
        ASSERT_EQ(ovStats::CurrentPage(), t.m_Show);
        EXPECT_TRUE(ovStats::Unregister(t.m_Removed));
        EXPECT_FALSE(ovStats::Unregister(t.m_Removed)) << "registered once";
        EXPECT_FALSE(ovStats::Unregister(&stranger));
        EXPECT_EQ(ovStats::PageCount(), 2);
        EXPECT_EQ(ovStats::CurrentPage(), t.m_Shown);
        g_Printed.clear();
        ovStats::Draw();
        EXPECT_EQ(g_Printed.empty() ? "" : g_Printed[0].m_Text, t.m_Printed);
        TearDown();
        m_Pages.clear();
        SetUp();
    }

    // Made and destroyed again and again, while shown: never 16 at once, never called dead.
    for (int round = 0; round < 3 * ovStats::maxPages; ++round) {
        auto* page = new OwnedPage;
        ovStats::NextPage();
        ovStats::Draw();
        EXPECT_EQ(page->m_Prints, 1);
        delete page;
        EXPECT_EQ(ovStats::CurrentPage(), -1);
        ovStats::Draw();
    }
    EXPECT_EQ(ovStats::PageCount(), 0);
}

TEST_CHILD(SeventeenPages) {
    static LinesPage pages[ovStats::maxPages + 1] = {
        {"p", 1}, {"p", 1}, {"p", 1}, {"p", 1}, {"p", 1}, {"p", 1}, {"p", 1}, {"p", 1}, {"p", 1},
        {"p", 1}, {"p", 1}, {"p", 1}, {"p", 1}, {"p", 1}, {"p", 1}, {"p", 1}, {"p", 1}};
    for (LinesPage& page : pages) {
        ovStats::Register(&page);
    }
    return 0;
}

TEST(StatsRegistry, TheSeventeenthPageIsFatal) {
    ExpectFatalChild("SeventeenPages", "Assert(m_Count < maxPages) failed in [node/stats,");
}

TEST_F(Stats, ColoursRoundComponentsAndLinesShadeFromStartToEnd) {
    struct Case {
        Vector4 m_Rgba;
        bool m_Alpha;
        uint32_t m_Packed;
    };
    const Case cases[] = {
        {Vector4(1, 0.5f, 0, 0), false, 0xFFFF8000},
        {Vector4(0.5f, 0.25f, 1, 0.5f), true, 0x808040FF},
        {Vector4(2, -1, 0.002f, 0), true, 0x00FF0001},
    };
    for (const Case& c : cases) {
        if (c.m_Alpha) {
            ovStats::SetColor(c.m_Rgba);
        } else {
            ovStats::SetColor(Vector3(c.m_Rgba.x, c.m_Rgba.y, c.m_Rgba.z));
        }
        EXPECT_EQ(ovStats::StartColor(), c.m_Packed);
        EXPECT_EQ(ovStats::EndColor(), c.m_Packed);
    }
    ovStats::SetColor(ovStats::Orange);
    ovStats::SetEndColor(ovStats::DarkBlue);
    EXPECT_EQ(ovStats::StartColor(), 0xFFFF8000);
    EXPECT_EQ(ovStats::EndColor(), 0xFF000080);
    ovStats::SetEndColor(Vector4(0, 1, 0, 0));
    EXPECT_EQ(ovStats::EndColor(), 0x0000FF00u);

    ovStats::SetEndColor(ovStats::DarkBlue);
    ovStats::DrawLine(Vector3(1, 2, 3), Vector3(4, 5, 6));
    ovStats::DrawLine(-1, -2, -3, 7, 8, 9);
    ovStats::SetColor(ovStats::LightGreen);
    Vector3 up(0, 1, 0);
    ovStats::DrawTriangle(&up, Vector3(0, 0, 0), Vector3(1, 0, 0), Vector3(0, 0, 1));
    ovStats::DrawQuad(nullptr, Vector3(0, 0, 0), Vector3(1, 0, 0), Vector3(1, 0, 1),
                      Vector3(0, 0, 1));
    rglEndFrame();

    std::vector<RglDrawn> drawn = Drawn();
    ASSERT_EQ(drawn.size(), 4u);
    EXPECT_EQ(drawn[0].m_Type, unsigned(RGL_LINES));
    ASSERT_EQ(drawn[0].m_Vertices.size(), 2u);
    EXPECT_EQ(drawn[0].m_Vertices[0].m_Colour, 0xFFFF8000);
    EXPECT_EQ(drawn[0].m_Vertices[1].m_Colour, 0xFF000080);
    EXPECT_EQ(drawn[0].m_Vertices[1].z, 6.0f);
    EXPECT_EQ(drawn[1].m_Vertices[0].x, -1.0f);
    EXPECT_EQ(drawn[1].m_Vertices[1].y, 8.0f);
    EXPECT_EQ(drawn[2].m_Type, unsigned(RGL_TRIANGLES));
    EXPECT_EQ(drawn[2].m_Vertices.size(), 3u);
    EXPECT_EQ(drawn[3].m_Type, unsigned(RGL_TRIANGLE_FAN));
    EXPECT_EQ(drawn[3].m_Vertices.size(), 4u);
    for (size_t i = 2; i < 4; ++i) {
        for (const RglDrawnVertex& v : drawn[i].m_Vertices) {
            EXPECT_EQ(v.m_Colour, 0xFF80FF80) << "start colour only";
        }
    }
}

TEST_F(Stats, SpheresAndBoxesAreWireLinesOnTheirSurface) {
    ovStats::SetColor(ovStats::White);
    const Vector3 centre(1, 2, 3);
    ovStats::DrawSphere(Vector4(centre.x, centre.y, centre.z, 2.0f));
    rglEndFrame();
    std::vector<RglDrawn> sphere = Drawn();
    ASSERT_EQ(sphere.size(), 72u);
    for (const RglDrawn& line : sphere) {
        EXPECT_EQ(line.m_Type, unsigned(RGL_LINES));
        ASSERT_EQ(line.m_Vertices.size(), 2u);
        for (const RglDrawnVertex& v : line.m_Vertices) {
            float d = std::sqrt((v.x - 1) * (v.x - 1) + (v.y - 2) * (v.y - 2) +
                                (v.z - 3) * (v.z - 3));
            EXPECT_NEAR(d, 2.0f, 1e-4f);
        }
    }
    // The first ring at latitude 30 lies at z = c.z + r cos 30; the last meridian ends at the
    // pole c.z - r.
    EXPECT_NEAR(sphere[0].m_Vertices[0].z, 3 + 2 * std::cos(3.14159265f / 6), 1e-4f);
    EXPECT_NEAR(sphere[71].m_Vertices[1].z, 1.0f, 1e-4f);

    m_Capture.Forget();
    ovStats::DrawBox(Vector3(-1, -2, -3), Vector3(1, 2, 3));
    rglEndFrame();
    std::vector<RglDrawn> box = Drawn();
    ASSERT_EQ(box.size(), 12u);
    std::vector<std::string> edges;
    for (const RglDrawn& line : box) {
        const RglDrawnVertex& a = line.m_Vertices[0];
        const RglDrawnVertex& b = line.m_Vertices[1];
        int changed = (a.x != b.x) + (a.y != b.y) + (a.z != b.z);
        EXPECT_EQ(changed, 1) << "one axis per edge";
        char key[96];
        snprintf(key, sizeof(key), "%g %g %g %g %g %g", a.x, a.y, a.z, b.x, b.y, b.z);
        edges.push_back(key);
        for (float v : {a.x / 1, a.y / 2, a.z / 3, b.x / 1, b.y / 2, b.z / 3}) {
            EXPECT_EQ(std::fabs(v), 1.0f) << "on a corner";
        }
    }
    std::sort(edges.begin(), edges.end());
    EXPECT_EQ(std::unique(edges.begin(), edges.end()), edges.end()) << "twelve different edges";
}

TEST_F(Stats, BeginAndEndDrawGiveTheLightingBack) {
    for (uint8_t lit : {uint8_t(0), uint8_t(1)}) {
        rglEnable(RGL_LIGHTING, lit);
        gfxCurrentState.m_Texture[0] = reinterpret_cast<gfxTexture*>(uintptr_t(0x1000));
        Matrix34 moved = Matrix34::sm_Identity;
        moved.d.Set(5, 6, 7);
        ovStats::BeginDraw(moved);
        EXPECT_FALSE(rglIsEnabled(RGL_LIGHTING));
        EXPECT_EQ(gfxCurrentState.m_Texture[0], nullptr);
        EXPECT_EQ(gfxWorld.d.y, 6.0f);
        ovStats::EndDraw();
        EXPECT_EQ(rglIsEnabled(RGL_LIGHTING), lit != 0);
    }
}

}  // namespace
