#include "level/pathset.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "tests/game/level/pathfixture.h"
#include "tests/support/child.h"
#include "tests/support/console.h"

namespace {

std::vector<float> Xs(const qvPath& path) {
    std::vector<float> xs;
    for (int i = 0; i < path.GetVertexCount(); ++i) {
        xs.push_back(path.GetVertex(i).m_Position.x);
    }
    return xs;
}

// A path of vertices at x = 1, 2, 3 ... with the given current vertex.
qvPath Numbered(int count, int current) {
    qvPath path("N");
    for (int i = 0; i < count; ++i) {
        AddPoints(path, {Vector3(float(i + 1), 0, 0)});
    }
    if (current < count) {
        path.SelectVertex(current);
    }
    return path;
}

struct Placements {
    static void Place(const Matrix34& m, void* user) {
        static_cast<Placements*>(user)->m_Matrices.push_back(m);
    }
    std::vector<Matrix34> m_Matrices;
};

std::vector<Matrix34> Walk(const qvPath& path, float spacing) {
    Placements placements;
    path.Walk(Placements::Place, &placements, spacing);
    return placements.m_Matrices;
}

qvPath Strip(int type, const std::vector<Vector3>& points) {
    qvPath path("STRIP");
    path.SetType(type);
    AddPoints(path, points);
    return path;
}

}  // namespace

TEST(Path, NewPathIsAnEmptyStrip) {
    qvPath path("PATH01");
    EXPECT_STREQ(path.GetName(), "PATH01");
    EXPECT_EQ(path.GetVertexCount(), 0);
    EXPECT_EQ(path.GetCurrentVertex(), 0);
    EXPECT_EQ(path.GetType(), qvPath::LineStrip);
    EXPECT_EQ(path.GetSpacing(), 5.0f);
    path.SetName(std::string(40, 'x').c_str());
    EXPECT_EQ(std::string(path.GetName()), std::string(31, 'x'));
}

TEST(Path, InsertVertex) {
    struct Case {
        int m_Current;
        int m_Index;
        std::vector<float> m_Xs;
        int m_NewCurrent;
    };
    // Vertices 1, 2, 3; the new one is 9.
    const Case cases[] = {
        {1, -1, {1, 9, 2, 3}, 2},  // at the current vertex, which stays current
        {0, 7, {9, 1, 2, 3}, 1},   // an index past the count means the current vertex too
        {2, 3, {1, 2, 3, 9}, 3},   // after the last, current: the new vertex becomes current
        {3, -1, {1, 2, 3, 9}, 4},  // current past the end: appended, still past the end
    };
    for (const Case& c : cases) {
        qvPath path = Numbered(3, c.m_Current);
        path.InsertVertex(PathVertex(9, 0, 0), c.m_Index);
        EXPECT_EQ(Xs(path), c.m_Xs) << c.m_Current << " " << c.m_Index;
        EXPECT_EQ(path.GetCurrentVertex(), c.m_NewCurrent) << c.m_Current << " " << c.m_Index;
    }

    // Growing past the allocation keeps every vertex.
    qvPath path = Numbered(70, 70);
    path.InsertVertex(PathVertex(0, 0, 0), 0);
    ASSERT_EQ(path.GetVertexCount(), 71);
    for (int i = 1; i <= 70; ++i) {
        EXPECT_EQ(path.GetVertex(i).m_Position.x, float(i));
    }
}

TEST(Path, DeleteVertex) {
    struct Case {
        int m_Count;
        int m_Current;
        int m_Index;
        std::vector<float> m_Xs;
        int m_NewCurrent;
    };
    const Case cases[] = {
        {3, 2, 2, {1, 2}, 1},  // the last and current: the new last becomes current
        {3, 3, 0, {2, 3}, 1},  // past the end comes back to the last
        {3, 0, 1, {1, 3}, 0},
        {1, 0, 0, {}, 0},
        {0, 0, 0, {}, 0},  // nothing to delete
    };
    for (const Case& c : cases) {
        qvPath path = Numbered(c.m_Count, c.m_Current);
        path.DeleteVertex(c.m_Index);
        EXPECT_EQ(Xs(path), c.m_Xs) << c.m_Count << " " << c.m_Index;
        EXPECT_EQ(path.GetCurrentVertex(), c.m_NewCurrent) << c.m_Count << " " << c.m_Index;
    }
}

TEST(Path, SelectNearestVertexTakesTheEarliestOfATie) {
    qvPath path = Strip(qvPath::LineStrip, {{0, 0, 0}, {4, 0, 0}, {6, 0, 0}, {10, 0, 0}});
    ScriptedMouse mouse;
    PathMouse = nullptr;
    path.SelectNearestVertex();  // no mouse: nothing happens
    EXPECT_EQ(path.GetCurrentVertex(), 4);
    PathMouse = &mouse;
    mouse.m_MouseX = 5.0f;
    path.SelectNearestVertex();
    EXPECT_EQ(path.GetCurrentVertex(), 1);
    mouse.m_MouseX = 9.0f;
    path.SelectNearestVertex();
    EXPECT_EQ(path.GetCurrentVertex(), 3);
}

TEST(PathWalk, PropsPerType) {
    struct Case {
        const char* m_Name;
        int m_Type;
        std::vector<Vector3> m_Points;
        std::vector<float> m_Xs;  // of the placements
        int m_Warnings;
    };
    const Case cases[] = {
        {"strip of 12", qvPath::LineStrip, {{0, 0, 0}, {12, 0, 0}}, {0, 6}, 0},
        {"strip of 4", qvPath::LineStrip, {{0, 0, 0}, {4, 0, 0}}, {}, 0},
        {"two segments", qvPath::LineStrip, {{0, 0, 0}, {10, 0, 0}, {20, 0, 0}}, {0, 5, 10, 15}, 0},
        {"vertical", qvPath::LineStrip, {{0, 0, 0}, {0, 12, 0}}, {}, 2},
        {"lines of 5", qvPath::Lines, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}, {4, 0, 0}},
         {0, 2}, 0},
        {"points", qvPath::Points, {{1, 5, 0}, {2, 0, 0}, {3, 0, 0}}, {1, 2, 3}, 0},
    };
    for (const Case& c : cases) {
        ConsoleCapture capture;
        std::vector<Matrix34> placed = Walk(Strip(c.m_Type, c.m_Points), 5.0f);
        std::vector<float> xs;
        for (const Matrix34& m : placed) {
            xs.push_back(m.d.x);
        }
        EXPECT_EQ(xs, c.m_Xs) << c.m_Name;
        std::string output = capture.Take();
        std::string warnings;
        for (int i = 0; i < c.m_Warnings; ++i) {
            warnings += "Warning: BAD PATH DATA: STRIP  (skipping this prop).\n";
        }
        EXPECT_EQ(output, warnings) << c.m_Name;
    }
}

TEST(PathWalk, Axes) {
    // Points stand upright as they are; a pair faces along the ground from left to right.
    std::vector<Matrix34> points = Walk(Strip(qvPath::Points, {{1, 2, 3}}), 5.0f);
    ASSERT_EQ(points.size(), 1u);
    EXPECT_EQ(DrawRecorder::Point(points[0].a), "1,0,0");
    EXPECT_EQ(DrawRecorder::Point(points[0].b), "0,1,0");
    EXPECT_EQ(DrawRecorder::Point(points[0].c), "0,0,1");
    EXPECT_EQ(DrawRecorder::Point(points[0].d), "1,2,3");

    std::vector<Matrix34> pair = Walk(Strip(qvPath::Lines, {{0, 0, 0}, {3, 9, 4}}), 5.0f);
    ASSERT_EQ(pair.size(), 1u);
    const float tolerance = 1e-6f;
    EXPECT_NEAR(pair[0].c.x, 0.6f, tolerance);
    EXPECT_NEAR(pair[0].c.y, 0.0f, tolerance);
    EXPECT_NEAR(pair[0].c.z, 0.8f, tolerance);
    EXPECT_NEAR(pair[0].a.x, 0.8f, tolerance);
    EXPECT_NEAR(pair[0].a.z, -0.6f, tolerance);
    EXPECT_NEAR(pair[0].b.y, 1.0f, tolerance);

    // A pair straight above each other has no direction on the ground: zero axes, still placed.
    std::vector<Matrix34> upright = Walk(Strip(qvPath::Lines, {{0, 0, 0}, {0, 3, 0}}), 5.0f);
    ASSERT_EQ(upright.size(), 1u);
    EXPECT_TRUE(upright[0].a.IsZero() && upright[0].b.IsZero() && upright[0].c.IsZero());
}

// Line strips against a double-precision walk: count, positions and an orthonormal frame.
TEST(PathWalk, StripMatchesADoubleReference) {
    std::mt19937 random(2380);
    std::uniform_real_distribution<float> across(-100.0f, 100.0f);
    std::uniform_real_distribution<float> height(-8.0f, 8.0f);
    std::uniform_real_distribution<float> spacings(0.25f, 12.0f);
    int checked = 0;
    for (int round = 0; round < 300; ++round) {
        std::vector<Vector3> points(2 + random() % 5);
        for (Vector3& p : points) {
            p.Set(across(random), height(random), across(random));
        }
        float spacing = spacings(random);
        std::vector<Matrix34> placed = Walk(Strip(qvPath::LineStrip, points), spacing);

        size_t next = 0;
        bool comparable = true;
        for (size_t i = 0; i + 1 < points.size() && comparable; ++i) {
            double from[3] = {points[i].x, points[i].y, points[i].z};
            double d[3] = {points[i + 1].x - from[0], points[i + 1].y - from[1],
                           points[i + 1].z - from[2]};
            double length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
            double ratio = length / spacing;
            // Float rounding may land either side of a whole ratio: no reference there.
            if (std::fabs(ratio - std::round(ratio)) < 1e-3) {
                comparable = false;
                break;
            }
            int n = int(std::floor(ratio));
            double step = n ? length / n : 0.0;
            double c[3] = {d[0] / length, d[1] / length, d[2] / length};
            double side = std::sqrt(c[2] * c[2] + c[0] * c[0]);
            double a[3] = {c[2] / side, 0.0, -c[0] / side};
            double b[3] = {c[1] * a[2] - c[2] * a[1], c[2] * a[0] - c[0] * a[2],
                           c[0] * a[1] - c[1] * a[0]};
            for (int k = 0; k < n; ++k, ++next) {
                ASSERT_LT(next, placed.size()) << round;
                const Matrix34& m = placed[next];
                const float* rows[4] = {&m.a.x, &m.b.x, &m.c.x, &m.d.x};
                for (int j = 0; j < 3; ++j) {
                    EXPECT_NEAR(rows[0][j], a[j], 1e-5) << round << " " << i << " " << k;
                    EXPECT_NEAR(rows[1][j], b[j], 1e-5) << round << " " << i << " " << k;
                    EXPECT_NEAR(rows[2][j], c[j], 1e-5) << round << " " << i << " " << k;
                    EXPECT_NEAR(rows[3][j], from[j] + c[j] * step * k, 2e-4)
                        << round << " " << i << " " << k;
                }
            }
        }
        if (comparable) {
            EXPECT_EQ(next, placed.size()) << round;
            ++checked;
        }
    }
    EXPECT_GT(checked, 250);
}

// A long run of props ends where it should; a flung vertex gives one warning, not a hang.
TEST(PathWalk, LongSegments) {
    std::vector<Matrix34> run = Walk(Strip(qvPath::LineStrip, {{0, 0, 0}, {100000, 0, 0}}), 0.3f);
    // floor(100000 / 0.3) props, the last one step short of the end.
    ASSERT_EQ(run.size(), 333333u);
    EXPECT_NEAR(run.back().d.x, 100000.0 - 100000.0 / 333333.0, 0.01);

    ConsoleCapture capture;
    EXPECT_TRUE(Walk(Strip(qvPath::LineStrip, {{0, 0, 0}, {1e30f, 0, 0}}), 0.25f).empty());
    std::string output = capture.Take();
    EXPECT_EQ(output.rfind("Warning: BAD PATH DATA: STRIP  (segment 0 would take 4", 0), 0u)
        << output;
    EXPECT_EQ(output.find('\n'), output.size() - 1) << output;
}

TEST(PathDraw, PlainPath) {
    DrawRecorder drawer;
    qvPath path = Strip(qvPath::LineStrip, {{1, 0, 0}, {2, 0, 0}, {3, 0, 0}});
    path.SelectVertex(1);
    path.Draw(false);
    EXPECT_EQ(drawer.m_Calls, (std::vector<std::string>{
                                  "texture none", "z 8", "begin 3",
                                  "vertex 1,0,0 FF00BF00 0 0", "vertex 2,0,0 FF00BF00 0 0",
                                  "vertex 3,0,0 FF00BF00 0 0", "end",
                                  "marker 1,0,0 FF00BF00", "marker 2,0,0 FF00BF00",
                                  "marker 3,0,0 FF00BF00", "marker 2,0,0 FF00FF00", "z 4"}));
}

TEST(PathDraw, HighlightedPairsWithIndices) {
    DrawRecorder drawer;
    qvPath::sm_ShowIndices = 1;
    qvPath::sm_ShowMarkers = 0;
    qvPath path = Strip(qvPath::Lines, {{1, 0, 0}, {2, 0, 0}, {3, 0, 0}});
    path.Draw(true);  // current past the end: the last vertex is marked
    qvPath::sm_ShowIndices = 0;
    qvPath::sm_ShowMarkers = 1;
    EXPECT_EQ(drawer.m_Calls, (std::vector<std::string>{
                                  "texture none", "z 8", "begin 2",
                                  "vertex 1,0,0 FFBF0000 0 0", "vertex 2,0,0 FFBF0000 0 0",
                                  "vertex 3,0,0 FFBF0000 0 0", "end",
                                  "marker 3,0,0 FFFF0000", "label 1,0,0 STRIP-1L",
                                  "label 2,0,0 STRIP-1R", "label 3,0,0 STRIP-2L", "z 4"}));
}

TEST(PathDraw, PointsAlwaysHaveMarkersAndEmptyPathsNothing) {
    DrawRecorder drawer;
    qvPath::sm_ShowMarkers = 0;
    qvPath::sm_ShowIndices = 1;
    Strip(qvPath::Points, {{1, 0, 0}}).Draw(false);
    qvPath::sm_ShowMarkers = 1;
    qvPath::sm_ShowIndices = 0;
    EXPECT_EQ(drawer.m_Calls,
              (std::vector<std::string>{"texture none", "z 8", "begin 1",
                                        "vertex 1,0,0 FF00BF00 0 0", "end",
                                        "marker 1,0,0 FF00BF00", "marker 1,0,0 FF00FF00",
                                        "label 1,0,0 STRIP-1", "z 4"}));
    drawer.m_Calls.clear();
    qvPath("EMPTY").Draw(true);
    EXPECT_EQ(drawer.m_Calls, (std::vector<std::string>{"texture none", "z 8", "z 4"}));
}

TEST(PathDraw, Decal) {
    DrawRecorder drawer;
    DrawPathDecal(Strip(qvPath::LineStrip, {{0, 0, 0}}));
    EXPECT_TRUE(drawer.m_Calls.empty());
    // Rungs 2 wide; the third rung lies 5 along: v = floor(5 / 2 + 0.5) = 3.
    DrawPathDecal(
        Strip(qvPath::LineStrip, {{0, 0, 0}, {2, 0, 0}, {0, 0, 5}, {2, 0, 5}, {0, 0, 7}}));
    EXPECT_EQ(drawer.m_Calls,
              (std::vector<std::string>{"texture STRIP", "begin 5", "vertex 0,0,0 FFFFFFFF 0 0",
                                        "vertex 2,0,0 FFFFFFFF 1 0", "vertex 0,0,5 FFFFFFFF 0 3",
                                        "vertex 2,0,5 FFFFFFFF 1 3", "vertex 0,0,7 FFFFFFFF 0 4",
                                        "end"}));
    // A first rung of no width repeats nothing rather than divide by zero.
    drawer.m_Calls.clear();
    DrawPathDecal(Strip(qvPath::LineStrip, {{0, 0, 0}, {0, 0, 0}, {0, 0, 5}}));
    ASSERT_EQ(drawer.m_Calls.size(), 6u);
    EXPECT_EQ(drawer.m_Calls[4], "vertex 0,0,5 FFFFFFFF 0 0");
}

TEST_CHILD(PathVertexPastTheEnd) {
    qvPath path = Numbered(3, 0);
    return int(path.GetVertex(3).m_Position.x);
}

TEST_CHILD(PathSelectPastTheEnd) {
    qvPath path = Numbered(3, 0);
    path.SelectVertex(3);
    return 0;
}

TEST(Path, IndicesAreAsserted) {
    ExpectFatalChildren({
        {"PathVertexPastTheEnd",
         "Assert(index >= 0 && index < m_VertCount) failed in [level/pathset, line 45]."},
        {"PathSelectPastTheEnd",
         "Assert(idx >= 0 && idx < m_VertCount) failed in [level/pathset, line 89]."},
    });
}
