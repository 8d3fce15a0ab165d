#include "cityedit/outline.h"
#include "cityedit/tri.h"

#include "tests/support/child.h"
#include "tests/support/child.h"
#include "tests/support/console.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace {

const int PoolSize = 128;

struct Point2 {
    float x, z;
};

double Cross(const Point2& o, const Point2& a, const Point2& b) {
    return (double(a.x) - o.x) * (double(b.z) - o.z) - (double(a.z) - o.z) * (double(b.x) - o.x);
}

double SignedArea(const std::vector<Point2>& ring) {
    double sum = 0.0;
    for (size_t i = 0, prev = ring.size() - 1; i < ring.size(); prev = i++) {
        sum += double(ring[prev].x) * ring[i].z - double(ring[i].x) * ring[prev].z;
    }
    return 0.5 * sum;
}

// Whether the open segments p-q and a-b cross at a point inside both.
bool ProperCross(const Point2& p, const Point2& q, const Point2& a, const Point2& b) {
    const double eps = 1e-7;
    double d1 = Cross(p, q, a);
    double d2 = Cross(p, q, b);
    double d3 = Cross(a, b, p);
    double d4 = Cross(a, b, q);
    return ((d1 > eps && d2 < -eps) || (d1 < -eps && d2 > eps)) &&
           ((d3 > eps && d4 < -eps) || (d3 < -eps && d4 > eps));
}

bool OnSegment(const Point2& p, const Point2& a, const Point2& b) {
    return Cross(a, b, p) == 0.0 && p.x >= std::min(a.x, b.x) && p.x <= std::max(a.x, b.x) &&
           p.z >= std::min(a.z, b.z) && p.z <= std::max(a.z, b.z);
}

// No two edges cross and no corner touches an edge it does not end.
bool IsSimple(const std::vector<Point2>& ring) {
    size_t n = ring.size();
    for (size_t i = 0; i < n; ++i) {
        for (size_t j = 0; j < n; ++j) {
            bool incident = j == i || (j + 1) % n == i;
            if (!incident && OnSegment(ring[i], ring[j], ring[(j + 1) % n])) {
                return false;
            }
            if (j > i && ProperCross(ring[i], ring[(i + 1) % n], ring[j], ring[(j + 1) % n])) {
                return false;
            }
        }
    }
    return true;
}

class TriTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_Pool.assign(PoolSize, Vector3(0.0f, 0.0f, 0.0f));
        InitTriangulator(32, 32, m_Pool.data(), PoolSize);
    }

    // Points become the pool; the ring indexes it (identity when empty).
    void Run(const std::vector<Point2>& points, std::vector<int> ring = {}) {
        m_PointCount = static_cast<int>(points.size());
        for (int i = 0; i < m_PointCount; ++i) {
            m_Pool[i] = Vector3(points[i].x, 7.0f, points[i].z);
        }
        if (ring.empty()) {
            for (int i = 0; i < m_PointCount; ++i) {
                ring.push_back(i);
            }
        }
        SetTriangulatorPolygon(ring.data(), static_cast<int>(ring.size()), m_PointCount);
        EXPECT_TRUE(Triangulate());
    }

    std::vector<std::vector<int>> Fans() const {
        std::vector<std::vector<int>> fans;
        for (int f = 0; f < TriangulatorFanCount(); ++f) {
            const TriSlot& slot = TriangulatorFan(f);
            fans.emplace_back(slot.m_Index, slot.m_Index + slot.m_Count);
        }
        return fans;
    }

    Point2 At(int index) const { return {m_Pool[index].x, m_Pool[index].z}; }

    // Every fan triangle turns the way the outline does and crosses no outline edge, and the
    // triangles' areas add up to the outline's: together they cover it exactly once.
    void ExpectExactCover(const std::vector<Point2>& outline, double holeArea, const char* name) {
        double area = SignedArea(outline);
        double sign = area < 0.0 ? -1.0 : 1.0;
        double expected = std::fabs(area) - holeArea;
        double sum = 0.0;
        for (const std::vector<int>& fan : Fans()) {
            for (int index : fan) {
                ASSERT_TRUE(index >= 0 && index < m_PointCount) << name << ": index " << index;
            }
            for (size_t k = 1; k + 1 < fan.size(); ++k) {
                Point2 a = At(fan[0]);
                Point2 b = At(fan[k]);
                Point2 c = At(fan[k + 1]);
                double tri = 0.5 * Cross(a, b, c) * sign;
                EXPECT_GE(tri, -1e-5) << name << ": a fan triangle is turned over";
                sum += tri;
                const Point2 corners[3] = {a, b, c};
                for (int e = 0; e < 3; ++e) {
                    for (size_t i = 0, prev = outline.size() - 1; i < outline.size(); prev = i++) {
                        EXPECT_FALSE(ProperCross(corners[e], corners[(e + 1) % 3], outline[prev],
                                                 outline[i]))
                            << name << ": a fan crosses the outline";
                    }
                }
            }
        }
        EXPECT_NEAR(sum, expected, 1e-4 * std::max(1.0, expected)) << name;
    }

    std::vector<Vector3> m_Pool;
    int m_PointCount = 0;
};

std::vector<Point2> Reversed(std::vector<Point2> ring) {
    std::reverse(ring.begin(), ring.end());
    return ring;
}

struct Shape {
    const char* m_Name;
    std::vector<Point2> m_Ring;
};

std::vector<Shape> Shapes() {
    return {
        {"triangle", {{0, 0}, {4, 0}, {0, 3}}},
        {"square", {{0, 0}, {10, 0}, {10, 10}, {0, 10}}},
        {"hexagon", {{2, 0}, {6, 0}, {8, 3}, {6, 6}, {2, 6}, {0, 3}}},
        {"dart", {{0, 0}, {10, 0}, {6, 6}, {0, 10}}},
        {"L", {{0, 0}, {10, 0}, {10, 4}, {4, 4}, {4, 10}, {0, 10}}},
        {"U", {{0, 0}, {12, 0}, {12, 10}, {8, 10}, {8, 4}, {4, 4}, {4, 10}, {0, 10}}},
        {"comb",
         {{0, 0}, {14, 0}, {14, 8}, {12, 8}, {12, 2}, {10, 2}, {10, 8}, {8, 8}, {8, 2},
          {6, 2}, {6, 8}, {4, 8}, {4, 2}, {2, 2}, {2, 8}, {0, 8}}},
        {"slanted comb",
         {{0, 0}, {13, 1}, {14, 9}, {12.5f, 8}, {11, 3}, {9.5f, 8.5f}, {8, 3.5f}, {6.5f, 9},
          {5, 3}, {3.5f, 8}, {2, 2.5f}, {1, 9}}},
        {"collinear square",
         {{0, 0}, {5, 0}, {10, 0}, {10, 5}, {10, 10}, {5, 10}, {0, 10}, {0, 5}}},
        {"collinear L",
         {{0, 0}, {5, 0}, {10, 0}, {10, 4}, {7, 4}, {4, 4}, {4, 7}, {4, 10}, {0, 10}}},
        {"slanted collinear", {{0, 0}, {3, 1}, {6, 2}, {9, 3}, {7, 8}, {4, 6}, {1, 4}}},
        {"spiral",
         {{0, 0}, {10, 0}, {10, 10}, {2, 10}, {2, 4}, {6, 4}, {6, 6}, {4, 6}, {4, 8}, {8, 8},
          {8, 2}, {0, 2}}},
        {"star",
         {{5, 0}, {6.2f, 3.5f}, {10, 3.8f}, {7, 6.2f}, {8.1f, 10}, {5, 7.8f}, {1.9f, 10},
          {3, 6.2f}, {0, 3.8f}, {3.8f, 3.5f}}},
    };
}

TEST_F(TriTest, EveryOutlineIsCoveredExactlyOnceInBothTurns) {
    for (const Shape& shape : Shapes()) {
        for (bool reverse : {false, true}) {
            std::vector<Point2> ring = reverse ? Reversed(shape.m_Ring) : shape.m_Ring;
            std::string name = std::string(shape.m_Name) + (reverse ? " reversed" : "");
            Run(ring);
            ExpectExactCover(ring, 0.0, name.c_str());
        }
    }
}

TEST_F(TriTest, RandomStarShapesAreCoveredExactlyOnce) {
    // Corners at rising angles round a centre make simple outlines of every kind of concavity;
    // whole-number radii and repeated radii along spokes give collinear runs as well.
    InitTriangulator(512, 512, m_Pool.data(), PoolSize);
    std::mt19937 random(12);
    for (int round = 0; round < 3000; ++round) {
        int n = 3 + static_cast<int>(random() % 100);
        std::vector<Point2> ring;
        for (int i = 0; i < n; ++i) {
            float angle = 6.2831853f * (i + 0.8f * (random() % 100) / 100.0f) / n;
            float radius = 2.0f + static_cast<float>(random() % 9);
            ring.push_back({std::round(radius * std::cos(angle) * 4.0f) / 4.0f,
                            std::round(radius * std::sin(angle) * 4.0f) / 4.0f});
        }
        if (!IsSimple(ring)) {
            continue;
        }
        if (round % 2) {
            ring = Reversed(ring);
        }
        Run(ring);
        ExpectExactCover(ring, 0.0, ("star " + std::to_string(round)).c_str());
        if (HasFailure()) {
            break;
        }
    }
}

TEST_F(TriTest, ConvexPentagonIsOneFanFromEntryZero) {
    // Clockwise, as lots are, with the widest corner at entry 0.
    std::vector<Point2> pentagon = {{5, -0.5f}, {0, 0}, {0, 8}, {10, 8}, {10, 0}};
    Run(pentagon);
    std::vector<std::vector<int>> fans = Fans();
    ASSERT_EQ(1u, fans.size());
    EXPECT_EQ((std::vector<int>{0, 1, 2, 3, 4}), fans[0]);
}

TEST_F(TriTest, PushedInCornerIsFannedFromTheReflexCorner) {
    std::vector<Point2> dart = {{0, 0}, {0, 10}, {6, 6}, {10, 0}};
    Run(dart);
    std::vector<std::vector<int>> fans = Fans();
    ASSERT_EQ(1u, fans.size());
    EXPECT_EQ((std::vector<int>{2, 3, 0, 1}), fans[0]);
    ExpectExactCover(dart, 0.0, "dart");
}

TEST_F(TriTest, BlockedCornerSplitsIntoSeveralFans) {
    std::vector<Point2> u = {{0, 0}, {0, 10}, {4, 10}, {4, 4}, {8, 4}, {8, 10}, {12, 10}, {12, 0}};
    Run(u);
    EXPECT_GE(TriangulatorFanCount(), 2);
    ExpectExactCover(u, 0.0, "U");
}

TEST_F(TriTest, EqualNeighboursAreMergedFirst) {
    std::vector<Point2> points = {{0, 0}, {10, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}};
    Run(points);
    std::vector<std::vector<int>> fans = Fans();
    ASSERT_EQ(1u, fans.size());
    EXPECT_EQ(4u, fans[0].size());
    EXPECT_EQ(1, std::count(fans[0].begin(), fans[0].end(), 2) +
                     std::count(fans[0].begin(), fans[0].end(), 1));
    ExpectExactCover(points, 0.0, "duplicates");
}

TEST_F(TriTest, DegenerateOutlinesEndWithoutCoveringAnything) {
    struct Case {
        const char* m_Name;
        std::vector<Point2> m_Ring;
    };
    const Case cases[] = {
        {"one point", {{1, 1}}},
        {"all equal", {{2, 2}, {2, 2}, {2, 2}, {2, 2}}},
        {"two points", {{0, 0}, {5, 5}}},
        {"collinear", {{0, 0}, {5, 0}, {10, 0}}},
        {"there and back", {{0, 0}, {5, 0}, {10, 0}, {5, 0}}},
    };
    for (const Case& c : cases) {
        Run(c.m_Ring);
        double area = 0.0;
        for (const std::vector<int>& fan : Fans()) {
            for (int index : fan) {
                EXPECT_TRUE(index >= 0 && index < m_PointCount) << c.m_Name;
            }
            for (size_t k = 1; k + 1 < fan.size(); ++k) {
                area += std::fabs(Cross(At(fan[0]), At(fan[k]), At(fan[k + 1])));
            }
        }
        EXPECT_NEAR(0.0, area, 1e-9) << c.m_Name;
    }
    Run({});
    EXPECT_EQ(0, TriangulatorFanCount());
}

// The ground between a lot and the join line of its landmark: the join line, a bridge back to
// its start and over to the outline, the outline, and the bridge back.
struct Ring {
    std::vector<Point2> m_Points;
    std::vector<int> m_Indices;
    std::vector<Point2> m_Outline;
    double m_HoleArea;
};

Ring MakeRing(const std::vector<Point2>& join, const std::vector<Point2>& outline) {
    Ring ring;
    ring.m_Points = join;
    ring.m_Points.insert(ring.m_Points.end(), outline.begin(), outline.end());
    int j = static_cast<int>(join.size());
    int n = static_cast<int>(outline.size());
    for (int i = 0; i < j; ++i) {
        ring.m_Indices.push_back(i);
    }
    ring.m_Indices.push_back(0);
    for (int i = 0; i < n; ++i) {
        ring.m_Indices.push_back(j + i);
    }
    ring.m_Indices.push_back(j);
    ring.m_Outline = outline;
    ring.m_HoleArea = std::fabs(SignedArea(join));
    return ring;
}

TEST_F(TriTest, KeyholeRingIsCoveredWithoutSeamPoints) {
    // Lots turn clockwise (x right, z up); join lines counter-clockwise.
    std::vector<Point2> lot = {{0, 0}, {0, 20}, {20, 20}, {20, 0}};
    std::vector<Point2> lShapedLot = {{0, 0}, {0, 20}, {10, 20}, {10, 10}, {20, 10}, {20, 0}};
    struct Case {
        const char* m_Name;
        std::vector<Point2> m_Join;
        std::vector<Point2> m_Lot;
    };
    const Case cases[] = {
        {"square in square", {{6, 6}, {14, 6}, {14, 14}, {6, 14}}, lot},
        {"octagon", {{8, 5}, {12, 5}, {15, 8}, {15, 12}, {12, 15}, {8, 15}, {5, 12}, {5, 8}}, lot},
        {"L-shaped join", {{5, 5}, {15, 5}, {15, 9}, {9, 9}, {9, 15}, {5, 15}}, lot},
        {"in an L-shaped lot", {{3, 3}, {7, 3}, {7, 7}, {3, 7}}, lShapedLot},
        {"close to the lot", {{0.5f, 0.5f}, {19.5f, 0.5f}, {19.5f, 19.5f}, {0.5f, 19.5f}}, lot},
        {"short bridge", {{0.3f, 0.3f}, {10, 2}, {10, 10}, {2, 10}}, lot},
        {"short bridge across", {{0.2f, 0.4f}, {10, 2}, {10, 10}, {2, 10}}, lot},
    };
    for (const Case& c : cases) {
        Ring ring = MakeRing(c.m_Join, c.m_Lot);
        Run(ring.m_Points, ring.m_Indices);
        ExpectExactCover(ring.m_Outline, ring.m_HoleArea, c.m_Name);
        // Fans must not cover the landmark's own footprint either.
        for (const std::vector<int>& fan : Fans()) {
            for (size_t k = 1; k + 1 < fan.size(); ++k) {
                Point2 a = At(fan[0]);
                Point2 b = At(fan[k]);
                Point2 d = At(fan[k + 1]);
                Point2 centre = {(a.x + b.x + d.x) / 3, (a.z + b.z + d.z) / 3};
                std::vector<float> xs;
                std::vector<float> zs;
                for (const Point2& p : c.m_Join) {
                    xs.push_back(p.x);
                    zs.push_back(p.z);
                }
                EXPECT_FALSE(PointInPolygonXZ(static_cast<int>(xs.size()), xs.data(), zs.data(),
                                              centre.x, centre.z))
                    << c.m_Name;
            }
        }
    }
}

TEST_F(TriTest, DumpsNameEveryEntry) {
    ConsoleCapture capture;
    Run({{0, 0}, {0, 1}, {1, 0}});
    DumpFan(0);
    std::string output = capture.Take();
    EXPECT_NE(std::string::npos, output.find("Fan[0]:"));
    EXPECT_NE(std::string::npos, output.find("Vertex[1] index=1\t\t0.000000,7.000000,1.000000"));
}

TEST_CHILD(TriTooManyEntries) {
    std::vector<Vector3> pool(300, Vector3(0.0f, 0.0f, 0.0f));
    InitTriangulator(4, 4, pool.data(), 300);
    std::vector<int> ring(256);
    for (int i = 0; i < 256; ++i) {
        ring[i] = i;
    }
    SetTriangulatorPolygon(ring.data(), 256, 298);
    return 0;
}

// A comb with more teeth than two fan slots hold.
std::vector<Vector3> CombPool(int& count) {
    std::vector<Vector3> pool;
    pool.push_back(Vector3(0.0f, 0.0f, 0.0f));
    for (int t = 0; t < 8; ++t) {
        pool.push_back(Vector3(t * 2.0f, 0.0f, 2.0f));
        pool.push_back(Vector3(t * 2.0f, 0.0f, 8.0f));
        pool.push_back(Vector3(t * 2.0f + 1.0f, 0.0f, 8.0f));
        pool.push_back(Vector3(t * 2.0f + 1.0f, 0.0f, 2.0f));
    }
    pool.push_back(Vector3(16.0f, 0.0f, 0.0f));
    count = static_cast<int>(pool.size());
    pool.resize(count + 2, Vector3(0.0f, 0.0f, 0.0f));
    return pool;
}

// Two bays: one split more than two polygon slots allow.
std::vector<Vector3> BaysPool() {
    return {Vector3(0, 0, 0),   Vector3(0, 0, 10),  Vector3(4, 0, 10), Vector3(4, 0, 4),
            Vector3(8, 0, 4),   Vector3(8, 0, 10),  Vector3(12, 0, 10), Vector3(12, 0, 0),
            Vector3(0, 0, 0),   Vector3(0, 0, 0)};
}

TEST(TriLimits, OutlinesTooComplexForTheSlotsStopTheDecomposition) {
    int count;
    std::vector<Vector3> comb = CombPool(count);
    InitTriangulator(32, 2, comb.data(), count + 2);
    std::vector<int> ring;
    for (int i = count - 1; i >= 0; --i) {
        ring.push_back(i);
    }
    SetTriangulatorPolygon(ring.data(), count, count);
    EXPECT_FALSE(Triangulate());
    EXPECT_EQ(2, TriangulatorFanCount());

    std::vector<Vector3> bays = BaysPool();
    InitTriangulator(2, 32, bays.data(), 10);
    const int outline[] = {0, 1, 2, 3, 4, 5, 6, 7};
    SetTriangulatorPolygon(outline, 8, 8);
    EXPECT_FALSE(Triangulate());
    InitTriangulator(32, 32, bays.data(), 10);
    SetTriangulatorPolygon(outline, 8, 8);
    EXPECT_TRUE(Triangulate());
}

TEST_CHILD(TriTooManyFans) {
    std::vector<Vector3> pool = BaysPool();
    InitTriangulator(2, 1, pool.data(), 10);
    const int triangle[] = {0, 1, 7};
    SetTriangulatorPolygon(triangle, 3, 8);
    EmitFan(0, 0);
    EmitFan(0, 0);
    return 0;
}

TEST_CHILD(TriTooManyPolygons) {
    std::vector<Vector3> pool = BaysPool();
    InitTriangulator(2, 32, pool.data(), 10);
    const int outline[] = {0, 1, 2, 3, 4, 5, 6, 7};
    SetTriangulatorPolygon(outline, 8, 8);
    EmitPolygon(0, 0, 3);
    return 0;
}

TEST_CHILD(TriNoRoomForSeam) {
    std::vector<Vector3> pool = {Vector3(4, 0, 4), Vector3(6, 0, 4), Vector3(6, 0, 6),
                                 Vector3(0, 0, 0), Vector3(0, 0, 10), Vector3(10, 0, 10),
                                 Vector3(10, 0, 0)};
    InitTriangulator(32, 32, pool.data(), 7);
    const int ring[] = {0, 1, 2, 0, 3, 4, 5, 6, 3};
    SetTriangulatorPolygon(ring, 9, 7);
    Triangulate();
    return 0;
}

TEST(TriLimits, AreFatalAssertions) {
    ExpectFatalChildren({
        {"TriTooManyEntries", "Assert(n < MAX_TRI_INDEX) failed in [cityedit/tri"},
        {"TriTooManyFans", "Assert(NumFans < MaxFans) failed in [cityedit/tri"},
        {"TriTooManyPolygons", "Assert(NumPolys < MaxPolys-1) failed in [cityedit/tri"},
        {"TriNoRoomForSeam", "Assert(PointCount + 2 <= PoolSize) failed in [cityedit/tri"},
    });
}

}  // namespace
