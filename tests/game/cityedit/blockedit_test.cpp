#include "cityedit/block.h"
#include "cityedit/landmark.h"

#include "tests/game/cityedit/blockcompare.h"
#include "tests/game/cityedit/catalogfixture.h"
#include "tests/support/child.h"
#include "tests/support/console.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

const std::vector<Vector3> Square = {Vector3(0.0f, 0.0f, 0.0f), Vector3(10.0f, 0.0f, 0.0f),
                                     Vector3(10.0f, 2.0f, 10.0f), Vector3(0.0f, 0.0f, 10.0f)};

double SignedArea(const CityBlock& block, BlockLot* lot) {
    double area = 0.0;
    int n = lot->VertexCount();
    for (int i = 0; i < n; ++i) {
        const Vector3& a = block.Vertex(lot->VertexIndex(i))->m_Position;
        const Vector3& b = block.Vertex(lot->VertexIndex((i + 1) % n))->m_Position;
        area += static_cast<double>(a.x) * b.z - static_cast<double>(b.x) * a.z;
    }
    return area * 0.5;
}

// The tiling as a whole, judged from scratch: every directed edge belongs to one lot; an edge
// with a neighbour is walked backwards by that neighbour, which names this lot; an edge without
// one has no lot across; the lots keep the block's orientation and fill its area.
void ExpectSoundTiling(const CityBlock& block, double blockArea, const std::string& label) {
    std::map<std::pair<int, int>, int> owner;
    double total = 0.0;
    for (int i = 0; i < block.LotCount(); ++i) {
        BlockLot* lot = block.Lot(i);
        int n = lot->VertexCount();
        ASSERT_GE(n, 3) << label;
        for (int k = 0; k < n; ++k) {
            int u = lot->VertexIndex(k);
            int v = lot->VertexIndex((k + 1) % n);
            ASSERT_TRUE(u >= 0 && u < block.VertexCount()) << label;
            ASSERT_TRUE(owner.emplace(std::make_pair(u, v), i).second) << label;
        }
        double area = SignedArea(block, lot);
        EXPECT_GT(area * blockArea, 0.0) << label << " lot " << i;
        total += area;
    }
    EXPECT_NEAR(blockArea, total, 1e-3 * std::fabs(blockArea)) << label;
    for (int i = 0; i < block.LotCount(); ++i) {
        BlockLot* lot = block.Lot(i);
        int n = lot->VertexCount();
        for (int k = 0; k < n; ++k) {
            int u = lot->VertexIndex(k);
            int v = lot->VertexIndex((k + 1) % n);
            auto back = owner.find(std::make_pair(v, u));
            int across = back == owner.end() ? -1 : back->second;
            EXPECT_EQ(across, lot->Adjacent(k)) << label << " lot " << i << " edge " << k;
        }
    }
}

// Whether cutting the lot from entry a to entry b leaves two pieces of the block's orientation,
// each of some area, and stays inside a convex lot.
bool CutIsSound(const CityBlock& block, BlockLot* lot, int a, int b, double blockArea) {
    int n = lot->VertexCount();
    for (int i = 0; i < n; ++i) {
        const Vector3& p = block.Vertex(lot->VertexIndex(i))->m_Position;
        const Vector3& q = block.Vertex(lot->VertexIndex((i + 1) % n))->m_Position;
        const Vector3& r = block.Vertex(lot->VertexIndex((i + 2) % n))->m_Position;
        double turn = (static_cast<double>(q.x) - p.x) * (r.z - q.z) -
                      (static_cast<double>(q.z) - p.z) * (r.x - q.x);
        if (turn * blockArea < -1e-6) {
            return false;
        }
    }
    for (int piece = 0; piece < 2; ++piece) {
        int from = piece == 0 ? a : b;
        int to = piece == 0 ? b : a;
        double area = 0.0;
        for (int i = from;; i = (i + 1) % n) {
            int j = i == to ? from : (i + 1) % n;
            const Vector3& p = block.Vertex(lot->VertexIndex(i))->m_Position;
            const Vector3& q = block.Vertex(lot->VertexIndex(j))->m_Position;
            area += static_cast<double>(p.x) * q.z - static_cast<double>(q.x) * p.z;
            if (i == to) {
                break;
            }
        }
        if (area * 0.5 / blockArea < 1e-3) {
            return false;
        }
    }
    return true;
}

// Both triangles of the square cut along 0-2: lot 0 is (0, 1, 2), lot 1 (2, 3, 0).
void SplitSquare(CityBlock& block) {
    block.BuildFromOutline(Square.data(), 4);
    block.MakeEdge(0, 0, 2);
}

TEST(BlockEdit, SplitAndMergeRoundTrip) {
    CityBlock block(1);
    block.BuildFromOutline(Square.data(), 4);
    BlockLot* lot = block.Lot(0);
    lot->m_Floor = 3;
    lot->m_HeightOffset = 12.0f;
    lot->m_Group = 5;
    lot->m_Scale = 40;
    lot->SetWall(1, 7);
    ConsoleCapture console;
    BoxRecorder boxes;

    EXPECT_EQ(1, block.MakeEdge(0, 2, 0));
    ASSERT_EQ(2, block.LotCount());
    EXPECT_EQ(std::vector<int>({0, 1, 2}), Entries(block.Lot(0)));
    EXPECT_EQ(std::vector<int>({-1, -1, 1}), Adjacency(block.Lot(0)));
    EXPECT_EQ(std::vector<int>({2, 3, 0}), Entries(block.Lot(1)));
    EXPECT_EQ(std::vector<int>({-1, -1, 0}), Adjacency(block.Lot(1)));
    for (int i = 0; i < 2; ++i) {
        BlockLot* half = block.Lot(i);
        EXPECT_EQ(3, half->m_Floor);
        EXPECT_EQ(12.0f, half->m_HeightOffset);
        EXPECT_EQ(0, half->m_Group);
        EXPECT_EQ(16, half->m_Scale);
        EXPECT_EQ(nullptr, half->Edges());
    }

    block.DeleteEdge(1, 2);
    ASSERT_EQ(1, block.LotCount());
    EXPECT_EQ(std::vector<int>({2, 3, 0, 1}), Entries(block.Lot(0)));
    EXPECT_EQ(std::vector<int>({-1, -1, -1, -1}), Adjacency(block.Lot(0)));
    EXPECT_EQ(0, block.Lot(0)->m_Floor);
    EXPECT_EQ(0.0f, block.Lot(0)->m_HeightOffset);
    EXPECT_EQ(16, block.Lot(0)->m_Scale);
    EXPECT_EQ(4, block.VertexCount());
    EXPECT_EQ("", console.Take());
    EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

TEST(BlockEdit, SplitAndMergeAmongNeighboursKeepTheTiling) {
    // A 3x1 row of lots; the middle one is cut and merged again, so that both its neighbours
    // have to be pointed at the new lots and back.
    const std::vector<Vector3> row = {Vector3(0, 0, 0),   Vector3(10, 0, 0), Vector3(20, 0, 0),
                                      Vector3(30, 0, 0),  Vector3(30, 0, 10), Vector3(20, 0, 10),
                                      Vector3(10, 0, 10), Vector3(0, 0, 10)};
    CityBlock block(1);
    block.BuildFromOutline(row.data(), 8);
    double area = SignedArea(block, block.Lot(0));
    ConsoleCapture console;
    block.MakeEdgeByVertices(1, 6);
    block.MakeEdgeByVertices(2, 5);
    ExpectSoundTiling(block, area, "row");
    ASSERT_EQ(3, block.LotCount());
    int middle = -1;
    for (int i = 0; i < 3; ++i) {
        if (block.Lot(i)->LotIndex(1) >= 0 && block.Lot(i)->LotIndex(5) >= 0) {
            middle = i;
        }
    }
    ASSERT_NE(-1, middle);
    BlockLot* m = block.Lot(middle);
    block.MakeEdge(middle, m->LotIndex(1), m->LotIndex(5));
    ExpectSoundTiling(block, area, "middle cut");
    ASSERT_EQ(4, block.LotCount());
    // Merge the two halves of the middle again.
    for (int i = 0; i < block.LotCount(); ++i) {
        BlockLot* lot = block.Lot(i);
        int pos = lot->LotIndex(1);
        if (pos >= 0 && lot->VertexIndex((pos + 1) % lot->VertexCount()) == 5) {
            block.DeleteEdge(i, pos);
            break;
        }
    }
    ExpectSoundTiling(block, area, "middle merged");
    EXPECT_EQ(3, block.LotCount());
    EXPECT_EQ("", console.Take());
}

TEST(BlockEdit, RandomEditsKeepASoundTiling) {
    std::mt19937 random(2142);
    const std::vector<Vector3> outline = {Vector3(0, 0, 0), Vector3(40, 0, 0),
                                          Vector3(40, 0, 30), Vector3(0, 0, 30)};
    BoxRecorder boxes;
    for (int round = 0; round < 20; ++round) {
        CityBlock block(round);
        block.BuildFromOutline(outline.data(), 4);
        double area = SignedArea(block, block.Lot(0));
        ConsoleCapture console;
        for (int step = 0; step < 60; ++step) {
            std::string label = "round " + std::to_string(round) + " step " + std::to_string(step);
            int lot = static_cast<int>(random() % block.LotCount());
            BlockLot* l = block.Lot(lot);
            int n = l->VertexCount();
            int a = static_cast<int>(random() % n);
            // Cuts and inserts outweigh the merges and deletions, so that blocks grow.
            switch (random() % 8) {
            case 0:
            case 1:
            case 2: {  // a point on a random edge
                const Vector3& p = block.Vertex(l->VertexIndex(a))->m_Position;
                const Vector3& q = block.Vertex(l->VertexIndex((a + 1) % n))->m_Position;
                float t = 0.2f + 0.6f * static_cast<float>(random() % 100) / 100.0f;
                block.InsertVertex(lot, p + (q - p) * t, -1, false);
                break;
            }
            case 3:
            case 4:
            case 5:  // a cut, where it stays inside and leaves two lots of some area
                if (n >= 4) {
                    int b = (a + 2 + static_cast<int>(random() % (n - 3))) % n;
                    if (CutIsSound(block, l, a, b, area)) {
                        block.MakeEdge(lot, a, b);
                    }
                }
                break;
            case 6:
                block.DeleteEdge(lot, a);
                break;
            default:
                block.DeleteVertex(lot, a);
                break;
            }
            ExpectSoundTiling(block, area, label);
            if (HasFatalFailure() || HasFailure()) {
                return;
            }
        }
        // Refusals may print their errors; the connectivity check never does.
        EXPECT_EQ(std::string::npos, console.Take().find("not us"));
    }
}

TEST(BlockEdit, RefusalsShowTheirBoxAndChangeNothing) {
    // The square cut along 0-2 with a corner (4) put in the middle of the cut.
    CityBlock shared(1);
    SplitSquare(shared);
    shared.InsertVertex(0, Vector3(5.0f, 1.0f, 5.0f), -1, false);
    // The same with a third lot at the middle corner: lot 0 cut from 4 to 1.
    CityBlock threeWay(shared);
    threeWay.MakeEdgeByVertices(4, 1);
    // The same with the other half cut along 0-2 again, leaving the middle corner between a
    // four-cornered lot and a triangle.
    CityBlock triangleNext(shared);
    triangleNext.MakeEdgeByVertices(2, 0);
    // A corner on a perimeter edge that also ends an inner edge.
    CityBlock perimeterUsed(1);
    perimeterUsed.BuildFromOutline(Square.data(), 4);
    perimeterUsed.InsertVertex(0, Vector3(5.0f, 0.0f, 0.0f), -1, false);
    perimeterUsed.MakeEdgeByVertices(4, 2);
    // A five-cornered lot.
    const std::vector<Vector3> pentagon = {Vector3(0, 0, 0), Vector3(10, 0, 0), Vector3(12, 0, 6),
                                           Vector3(5, 0, 10), Vector3(-2, 0, 6)};
    CityBlock five(1);
    five.BuildFromOutline(pentagon.data(), 5);
    CityBlock square(1);
    square.BuildFromOutline(Square.data(), 4);
    CityBlock split(1);
    SplitSquare(split);

    auto lotHolding = [](CityBlock& block, int vertex, int count) {
        for (int i = 0; i < block.LotCount(); ++i) {
            if (block.Lot(i)->LotIndex(vertex) >= 0 && block.Lot(i)->VertexCount() == count) {
                return i;
            }
        }
        return -1;
    };
    auto deleteVertex = [&](CityBlock& block, int vertex, int count) {
        int lot = lotHolding(block, vertex, count);
        ASSERT_NE(-1, lot);
        block.DeleteVertex(lot, block.Lot(lot)->LotIndex(vertex));
    };

    struct Case {
        const char* m_Name;
        CityBlock* m_Block;
        std::function<void(CityBlock&)> m_Edit;
        const char* m_Title;
        const char* m_Text;
        const char* m_Error;
    };
    const char* dv = "Delete Vertex";
    const Case cases[] = {
        {"edge to the last entry", &square, [](CityBlock& b) { b.MakeEdge(0, 0, 3); },
         "Make Edge", "Already an edge here.", "Error: MakeEdge - already an edge here."},
        {"edge to the next entry", &square, [](CityBlock& b) { b.MakeEdge(0, 1, 2); },
         "Make Edge", "Already an edge here.", "Error: MakeEdge - already an edge here."},
        {"edge to itself", &square, [](CityBlock& b) { b.MakeEdge(0, 2, 2); }, "Make Edge",
         "Already an edge here.", "Error: MakeEdge - already an edge here."},
        {"perimeter edge", &split, [](CityBlock& b) { b.DeleteEdge(0, 0); }, "Delete Edge",
         "Cannot remove edge on perimeter.", "Error: Cannot remove edge on perimeter."},
        {"two edges with one lot", &shared, [](CityBlock& b) { b.DeleteEdge(0, 2); },
         "Delete Edge",
         "Cannot delete an edge if there's more than one bordering the same lot.  Delete extra "
         "vertices first.",
         "Error: More than one edge shared with neighbor"},
        {"perimeter vertex", &square, [](CityBlock& b) { b.DeleteVertex(0, 1); }, dv,
         "Cannot delete a perimeter vertex", nullptr},
        {"corner of a triangle", &threeWay, [&](CityBlock& b) { deleteVertex(b, 4, 3); }, dv,
         "Need at least three vertices in this lot; delete some edges first.", nullptr},
        {"perimeter-edge vertex of two lots", &perimeterUsed,
         [&](CityBlock& b) { deleteVertex(b, 4, 4); }, dv,
         "Delete all non-perimeter edges using this vertex before deleting this vertex.",
         nullptr},
        {"vertex of three lots", &threeWay, [&](CityBlock& b) { deleteVertex(b, 4, 4); }, dv,
         "Vertex must be only used by two edges before it can be deleted.", nullptr},
        {"triangle across", &triangleNext, [&](CityBlock& b) { deleteVertex(b, 4, 4); }, dv,
         "Need at least three vertices in neighboring lot; delete some edges first.", nullptr},
        {"grid on five corners", &five, [](CityBlock& b) { b.MakeGrid(0, 0, 3); }, "Make Grid",
         "Can only make a grid on a four-sided lot.", nullptr},
        {"strips on five corners", &five, [](CityBlock& b) { b.SubdivideEvery(0, 0, 2.0f); },
         "Make Grid", "Can only make a grid on a four-sided lot.", nullptr},
        {"moving a perimeter corner", &split,
         [](CityBlock& b) { b.Lot(0)->FixWallWidth(b, 0, 0, 4.0f); }, "Fix Wall Width",
         "Sorry, can't move a perimeter vertex.", nullptr},
    };
    for (const Case& c : cases) {
        CityBlock block(*c.m_Block);
        BoxRecorder boxes;
        ConsoleCapture console;
        c.m_Edit(block);
        ExpectSameBlock(*c.m_Block, block, c.m_Name);
        EXPECT_EQ(std::vector<std::string>({std::string(c.m_Title) + "|" + c.m_Text}),
                  BoxRecorder::Boxes())
            << c.m_Name;
        EXPECT_EQ(std::vector<UINT>({MB_OK | MB_ICONSTOP}), BoxRecorder::Types()) << c.m_Name;
        std::string printed = console.Take();
        if (c.m_Error) {
            EXPECT_NE(std::string::npos, printed.find(c.m_Error)) << c.m_Name << ": " << printed;
        }
        EXPECT_EQ(std::string::npos, printed.find("not us")) << c.m_Name << ": " << printed;
    }
}

TEST(BlockEdit, InsertVertexOnEdges) {
    CityBlock block(1);
    SplitSquare(block);
    ConsoleCapture console;
    // On the inner edge: both lots, in opposite order, the height taken along the edge.
    EXPECT_EQ(4, block.InsertVertex(1, Vector3(2.5f, 9.0f, 2.5f), -1, false));
    EXPECT_EQ(std::vector<int>({0, 1, 2, 4}), Entries(block.Lot(0)));
    EXPECT_EQ(std::vector<int>({-1, -1, 1, 1}), Adjacency(block.Lot(0)));
    EXPECT_EQ(std::vector<int>({2, 3, 0, 4}), Entries(block.Lot(1)));
    EXPECT_EQ(std::vector<int>({-1, -1, 0, 0}), Adjacency(block.Lot(1)));
    EXPECT_FLOAT_EQ(2.5f, block.Vertex(4)->m_Position.x);
    EXPECT_FLOAT_EQ(0.5f, block.Vertex(4)->m_Position.y);
    EXPECT_FLOAT_EQ(2.5f, block.Vertex(4)->m_Position.z);
    EXPECT_EQ("", console.Take());

    // Within 0.05 of a corner: that corner, and nothing added.
    CityBlock before(block);
    EXPECT_EQ(1, block.InsertVertex(0, Vector3(9.97f, 0.0f, 0.02f), -1, false));
    EXPECT_EQ(4, block.InsertVertex(0, Vector3(2.53f, 0.5f, 2.5f), 2, false));
    ExpectSameBlock(before, block, "near a corner");

    // On the perimeter: that lot only, with the warning.
    EXPECT_EQ(5, block.InsertVertex(0, Vector3(4.0f, 0.0f, 0.0f), -1, false));
    EXPECT_EQ(std::vector<int>({0, 5, 1, 2, 4}), Entries(block.Lot(0)));
    EXPECT_EQ(std::vector<int>({-1, -1, -1, 1, 1}), Adjacency(block.Lot(0)));
    EXPECT_EQ(4, block.Lot(1)->VertexCount());
    EXPECT_EQ(4, block.PerimeterCount());
    std::string printed = console.Take();
    EXPECT_NE(std::string::npos, printed.find("Warning: Edge is perimeter, no neighbor"));
    EXPECT_EQ(std::string::npos, printed.find("not us"));

    // The constrained form names its edge by its two entries, either way round.
    EXPECT_EQ(6, block.InsertVertexAt(0, 0.5f, 3, 2));
    EXPECT_EQ(std::vector<int>({0, 5, 1, 6, 2, 4}), Entries(block.Lot(0)));
    EXPECT_FLOAT_EQ(10.0f, block.Vertex(6)->m_Position.x);
    EXPECT_FLOAT_EQ(5.0f, block.Vertex(6)->m_Position.z);
    EXPECT_FLOAT_EQ(1.0f, block.Vertex(6)->m_Position.y);
}

TEST(BlockEdit, InsertVertexCannotFindTheNeighbourCorner) {
    CityBlock block(1);
    SplitSquare(block);
    // The neighbour's half of the inner edge is moved off vertex 0.
    block.Lot(1)->VertexIndex(2) = 3;
    ConsoleCapture console;
    int v = block.InsertVertex(0, Vector3(5.0f, 1.0f, 5.0f), -1, false);
    EXPECT_EQ(4, block.Lot(0)->VertexCount());
    EXPECT_EQ(3, block.Lot(1)->VertexCount());
    EXPECT_EQ(3, block.Lot(0)->LotIndex(v));
    EXPECT_NE(std::string::npos,
              console.Take().find("Error: InsertVertex - Can't find vertex in my neighbor."));
}

TEST(BlockEdit, DeleteVertexTakesAnInnerCornerFromBothLots) {
    CityBlock block(1);
    SplitSquare(block);
    block.InsertVertex(0, Vector3(5.0f, 1.0f, 5.0f), -1, false);
    // A corner on a perimeter edge of one lot only.
    block.InsertVertex(0, Vector3(10.0f, 0.5f, 2.5f), -1, false);
    ConsoleCapture console;
    BoxRecorder boxes;
    block.DeleteVertex(0, block.Lot(0)->LotIndex(4));
    EXPECT_EQ(std::vector<int>({0, 1, 5, 2}), Entries(block.Lot(0)));
    EXPECT_EQ(std::vector<int>({2, 3, 0}), Entries(block.Lot(1)));
    EXPECT_EQ(std::vector<int>({-1, -1, 0}), Adjacency(block.Lot(1)));
    block.DeleteVertex(0, 2);
    EXPECT_EQ(std::vector<int>({0, 1, 2}), Entries(block.Lot(0)));
    EXPECT_EQ(std::vector<int>({-1, -1, 1}), Adjacency(block.Lot(0)));
    // Vertices stay in the block's table.
    EXPECT_EQ(6, block.VertexCount());
    EXPECT_EQ("", console.Take());
    EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

TEST(BlockEdit, MakeGridCutsStripsAcrossTwoSides) {
    // The rectangle's first lot borders a second lot along its side from c0 to c1, which gains
    // the new corners as well.
    const std::vector<Vector3> two = {Vector3(0, 0, 0),   Vector3(30, 0, 0),  Vector3(30, 0, 10),
                                Vector3(30, 0, 20), Vector3(0, 0, 20), Vector3(0, 0, 10)};
    CityBlock block(1);
    block.BuildFromOutline(two.data(), 6);
    double area = SignedArea(block, block.Lot(0));
    block.MakeEdgeByVertices(2, 5);
    ASSERT_EQ(2, block.LotCount());
    int lower = block.Lot(0)->LotIndex(0) >= 0 ? 0 : 1;
    ConsoleCapture console;
    // Starting at vertex 2, the cut sides are 2-5 (shared with the upper lot) and 1-0.
    block.MakeGrid(lower, block.Lot(lower)->LotIndex(2), 3);
    EXPECT_EQ(4, block.LotCount());
    ExpectSoundTiling(block, area, "grid");
    int strips = 0;
    for (int i = 0; i < block.LotCount(); ++i) {
        BlockLot* lot = block.Lot(i);
        float minX = 1e9f;
        float maxX = -1e9f;
        float maxZ = -1e9f;
        for (int k = 0; k < lot->VertexCount(); ++k) {
            const Vector3& p = block.Vertex(lot->VertexIndex(k))->m_Position;
            minX = std::fmin(minX, p.x);
            maxX = std::fmax(maxX, p.x);
            maxZ = std::fmax(maxZ, p.z);
        }
        if (maxZ <= 10.0f) {
            ++strips;
            EXPECT_NEAR(10.0f, maxX - minX, 1e-4f) << i;
            EXPECT_EQ(4, lot->VertexCount()) << i;
        } else {
            // The upper lot gained the two corners on its lower side.
            EXPECT_EQ(6, lot->VertexCount());
        }
    }
    EXPECT_EQ(3, strips);
    EXPECT_EQ(std::string::npos, console.Take().find("not us"));

    // A cut end within snapping distance of a vertex already on its side uses that vertex.
    const std::vector<Vector3> tall = {Vector3(0, 0, 0), Vector3(0, 0, 9), Vector3(6, 0, 9),
                                       Vector3(6, 0, 0)};
    CityBlock snapped(1);
    snapped.BuildFromOutline(tall.data(), 4);
    double nearArea = SignedArea(snapped, snapped.Lot(0));
    snapped.InsertVertex(0, Vector3(0.0f, 0.0f, 3.03f), -1, false);
    snapped.MakeGrid(0, 0, 3);
    EXPECT_EQ(3, snapped.LotCount());
    EXPECT_EQ(8, snapped.VertexCount());
    ExpectSoundTiling(snapped, nearArea, "snapped");

    // Subdividing every 4 across 10 cuts at 4 and 8.
    CityBlock rect(1);
    const std::vector<Vector3> r = {Vector3(0, 0, 0), Vector3(0, 0, 10), Vector3(6, 0, 10),
                                    Vector3(6, 0, 0)};
    rect.BuildFromOutline(r.data(), 4);
    rect.SubdivideEvery(0, 0, 4.0f);
    EXPECT_EQ(3, rect.LotCount());
    EXPECT_EQ(8, rect.VertexCount());
    EXPECT_EQ(1, rect.FindVertex(Vector3(0, 0, 10)));
    EXPECT_EQ(4, rect.FindVertex(Vector3(0, 0, 4)));
    EXPECT_EQ(6, rect.FindVertex(Vector3(0, 0, 8)));
    // A spacing that cannot cut leaves the lot whole.
    CityBlock whole(1);
    whole.BuildFromOutline(r.data(), 4);
    for (float spacing : {0.0f, -3.0f, 20.0f, std::nanf("")}) {
        whole.SubdivideEvery(0, 0, spacing);
        EXPECT_EQ(1, whole.LotCount()) << spacing;
    }
    whole.MakeGridMxN(0, 3, 3);
    whole.MakeGrid(0, 0, 1);
    EXPECT_EQ(1, whole.LotCount());
    EXPECT_EQ(4, whole.VertexCount());
}

TEST(BlockEdit, FixWallWidthMovesTheFreeEnd) {
    CityBlock block(1);
    SplitSquare(block);
    block.InsertVertex(0, Vector3(10.0f, 0.0f, 4.0f), -1, false);  // 4, between 1 and 2
    BlockLot* lot = block.Lot(0);
    // The corner ends up at the length from the fixed end, on the line through its old place.
    auto expected = [&](int fixed, double length) {
        const Vector3& f = block.Vertex(fixed)->m_Position;
        const Vector3& m = block.Vertex(4)->m_Position;
        double d[3] = {m.x - f.x, m.y - f.y, m.z - f.z};
        double scale = length / std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
        return std::vector<double>({f.x + d[0] * scale, f.y + d[1] * scale, f.z + d[2] * scale});
    };
    auto expectAt = [&](const std::vector<double>& p) {
        const Vector3& m = block.Vertex(4)->m_Position;
        EXPECT_NEAR(p[0], m.x, 1e-5);
        EXPECT_NEAR(p[1], m.y, 1e-5);
        EXPECT_NEAR(p[2], m.z, 1e-5);
    };
    // Edge 1 runs 1 -> 4; fixing its start moves 4 along the wall.
    std::vector<double> p = expected(1, 7.0);
    lot->FixWallWidth(block, 1, 1, 7.0f);
    expectAt(p);
    // Edge 2 runs 4 -> 2; fixing its end at entry 3 moves entry 2, vertex 4 again.
    p = expected(2, 5.0);
    lot->FixWallWidth(block, 2, 3, 5.0f);
    expectAt(p);
    // A corner on its fixed end stays there.
    block.Vertex(4)->m_Position = block.Vertex(1)->m_Position;
    lot->FixWallWidth(block, 1, 1, 3.0f);
    expectAt({10.0, 0.0, 0.0});
}

TEST(BlockLot, DressingWallsAndSlivers) {
    CityBlock block(1);
    SplitSquare(block);
    BlockLot* lot = block.Lot(0);
    // A flat lot takes no walls.
    lot->SetWall(0, 4);
    lot->SetSliver(2, -1);
    lot->m_HeightOffset = 9.0f;
    EXPECT_EQ(nullptr, lot->Edges());
    lot->SetSliver(2, -1);
    EXPECT_EQ(nullptr, lot->Edges());
    lot->SetWall(1, 4);
    ASSERT_NE(nullptr, lot->Edges());
    EXPECT_EQ(0, lot->Edges()[0].m_Wall);
    EXPECT_EQ(4, lot->Edges()[1].m_Wall);
    lot->SetSliver(6, -1);
    lot->SetSliver(8, 2);
    EXPECT_EQ(6, lot->Edges()[0].m_Sliver);
    EXPECT_EQ(6, lot->Edges()[1].m_Sliver);
    EXPECT_EQ(8, lot->Edges()[2].m_Sliver);

    lot->m_Floor = 2;
    lot->m_Extra = 3;
    lot->m_Rotation = -4;
    lot->m_Group = 6;
    lot->m_Ground = 1.0f;
    lot->m_Pitch = 2.0f;
    lot->m_WallTile = 3.0f;
    lot->Reset();
    EXPECT_EQ(0.0f, lot->m_HeightOffset);
    EXPECT_EQ(0.0f, lot->m_Ground);
    EXPECT_EQ(0.0f, lot->m_Pitch);
    EXPECT_EQ(0.0f, lot->m_WallTile);
    EXPECT_FALSE(lot->IsLandmark());
    lot->m_HeightOffset = 9.0f;
    EXPECT_EQ(nullptr, lot->Edges());
    EXPECT_EQ(2, lot->m_Floor);
    EXPECT_EQ(3, lot->m_Extra);
    EXPECT_EQ(-4, lot->m_Rotation);
    EXPECT_EQ(6, lot->m_Group);
}

TEST_CHILD(BlockEditNoEdgeForThePoint) {
    CityBlock block(1);
    SplitSquare(block);
    block.InsertVertex(0, Vector3(3.0f, 0.0f, 7.0f), -1, false);
    return 0;
}

TEST_CHILD(BlockEditNoLotForTheEdge) {
    CityBlock block(1);
    SplitSquare(block);
    block.MakeEdgeByVertices(1, 3);
    return 0;
}

TEST_CHILD(BlockEditNeighbourDoesNotPointBack) {
    CityBlock block(1);
    const std::vector<Vector3> five = {Vector3(0, 0, 0), Vector3(10, 0, 0), Vector3(10, 0, 10),
                                       Vector3(5, 0, 12), Vector3(0, 0, 10)};
    block.BuildFromOutline(five.data(), 5);
    block.MakeEdge(0, 0, 2);
    block.Lot(0)->Adjacent(2) = -1;
    block.MakeEdge(1, 0, 2);
    return 0;
}

TEST(BlockEdit, BrokenCallsAreFatal) {
    ExpectFatalChildren({
        {"BlockEditNoEdgeForThePoint", "Fatal Error: InsertVertex autodetect edge failed."},
        {"BlockEditNoLotForTheEdge", "Fatal Error: MakeEdge(1,3) failed."},
        {"BlockEditNeighbourDoesNotPointBack",
         "Assert(Lot(otherSide).LotIndex(vert2) == lotIndex) failed in [cityedit/blockedit"},
    });
}

}  // namespace
