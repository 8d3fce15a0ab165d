#include "phcore/convexpoly.h"

#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/child.h"

namespace {

struct Point {
    float x;
    float y;
};

std::vector<Vector2> Outline(std::initializer_list<Point> points) {
    std::vector<Vector2> outline;
    for (const Point& p : points) {
        outline.push_back(Vector2(p.x, p.y));
    }
    return outline;
}

std::vector<Vector2> Square(float x, float y, float side) {
    return Outline({{x, y}, {x + side, y}, {x + side, y + side}, {x, y + side}});
}

int Intersect(const std::vector<Vector2>& a, const std::vector<Vector2>& b,
              ConvexPolyIsect* isects) {
    return ConvexPolyIntersect(int(a.size()), a.data(), int(b.size()), b.data(), isects);
}

// The point a record stands for.
Vector2 RecordPoint(const ConvexPolyIsect& isect, const std::vector<Vector2>& a,
                    const std::vector<Vector2>& b) {
    if (isect.Kind == ConvexPolyIsect::CORNER_A) {
        return a[isect.IndexA];
    }
    if (isect.Kind == ConvexPolyIsect::CORNER_B) {
        return b[isect.IndexB];
    }
    const Vector2& p = a[isect.IndexA];
    const Vector2& q = a[(isect.IndexA + 1) % a.size()];
    return Vector2(p.x + isect.TA * (q.x - p.x), p.y + isect.TA * (q.y - p.y));
}

// Positive for a counter-clockwise outline.
float SignedArea(const std::vector<Vector2>& outline) {
    float twice = 0.0f;
    for (size_t i = 0; i < outline.size(); ++i) {
        const Vector2& p = outline[i];
        const Vector2& q = outline[(i + 1) % outline.size()];
        twice += p.x * q.y - q.x * p.y;
    }
    return 0.5f * twice;
}

// Reference: the subject clipped by each edge of a counter-clockwise convex clip outline.
std::vector<Vector2> Clip(std::vector<Vector2> subject, const std::vector<Vector2>& clip) {
    for (size_t i = 0; i < clip.size() && !subject.empty(); ++i) {
        const Vector2& c0 = clip[i];
        const Vector2& c1 = clip[(i + 1) % clip.size()];
        auto side = [&](const Vector2& p) {
            return (c1.x - c0.x) * (p.y - c0.y) - (c1.y - c0.y) * (p.x - c0.x);
        };
        std::vector<Vector2> out;
        for (size_t j = 0; j < subject.size(); ++j) {
            const Vector2& p = subject[j];
            const Vector2& q = subject[(j + 1) % subject.size()];
            float sp = side(p);
            float sq = side(q);
            if (sp >= 0) {
                out.push_back(p);
            }
            if ((sp >= 0) != (sq >= 0)) {
                float t = sp / (sp - sq);
                out.push_back(Vector2(p.x + t * (q.x - p.x), p.y + t * (q.y - p.y)));
            }
        }
        subject = out;
    }
    return subject;
}

}  // namespace

TEST(ConvexPolyTest, OffsetSquaresMeetInTwoCrossingsAndOneCornerEach) {
    std::vector<Vector2> a = Square(0, 0, 1);
    std::vector<Vector2> b = Square(0.5f, 0.5f, 1);
    ConvexPolyIsect isects[8];
    ASSERT_EQ(Intersect(a, b, isects), 4);
    int crossings = 0;
    for (int i = 0; i < 4; ++i) {
        const ConvexPolyIsect& isect = isects[i];
        if (isect.Kind == ConvexPolyIsect::EDGES) {
            ++crossings;
            EXPECT_FLOAT_EQ(isect.TA, 0.5f);
            EXPECT_FLOAT_EQ(isect.TB, 0.5f);
            bool a1b0 = isect.IndexA == 1 && isect.IndexB == 0;
            bool a2b3 = isect.IndexA == 2 && isect.IndexB == 3;
            EXPECT_TRUE(a1b0 || a2b3) << isect.IndexA << " " << isect.IndexB;
        } else if (isect.Kind == ConvexPolyIsect::CORNER_A) {
            EXPECT_EQ(isect.IndexA, 2);
        } else {
            EXPECT_EQ(isect.Kind, ConvexPolyIsect::CORNER_B);
            EXPECT_EQ(isect.IndexB, 0);
        }
    }
    EXPECT_EQ(crossings, 2);
}

TEST(ConvexPolyTest, AnOutlineInsideTheOtherGivesItsCorners) {
    std::vector<Vector2> large = Square(0, 0, 4);
    std::vector<Vector2> small = Square(1, 1, 1);
    struct Case {
        bool smallIsA;
        int kind;
    };
    const Case cases[] = {{true, ConvexPolyIsect::CORNER_A}, {false, ConvexPolyIsect::CORNER_B}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.smallIsA);
        ConvexPolyIsect isects[8];
        int count = c.smallIsA ? Intersect(small, large, isects) : Intersect(large, small, isects);
        ASSERT_EQ(count, 4);
        bool seen[4] = {};
        for (int i = 0; i < count; ++i) {
            EXPECT_EQ(isects[i].Kind, c.kind);
            seen[c.smallIsA ? isects[i].IndexA : isects[i].IndexB] = true;
        }
        EXPECT_TRUE(seen[0] && seen[1] && seen[2] && seen[3]);
    }
}

TEST(ConvexPolyTest, DisjointOutlinesAreApart) {
    ConvexPolyIsect isects[8];
    EXPECT_EQ(Intersect(Square(0, 0, 1), Square(3, 0, 1), isects), CPI_APART);
    EXPECT_EQ(Intersect(Square(0, 0, 1), Outline({{2, 0}, {3, 0}, {2, 1}}), isects), CPI_APART);
}

// Shared corners and edges lie on both outlines; each point is reported once.
TEST(ConvexPolyTest, TouchingOutlinesReportEachPointOnce) {
    ConvexPolyIsect isects[8];
    EXPECT_EQ(Intersect(Square(0, 0, 1), Square(0, 0, 1), isects), 4);
    EXPECT_EQ(Intersect(Square(0, 0, 1), Square(1, 0, 1), isects), 2);
    EXPECT_EQ(Intersect(Square(0, 0, 1), Square(1, 1, 1), isects), 1);
}

TEST(ConvexPolyTest, RecordsRebuildTheClippedOutline) {
    struct Case {
        const char* name;
        std::vector<Vector2> a;
        std::vector<Vector2> b;
    };
    const Case cases[] = {
        {"triangle across a square", Outline({{-0.5f, 0.2f}, {1.5f, 0.4f}, {0.3f, 1.6f}}),
         Square(0, 0, 1)},
        {"square across a triangle", Square(0, 0, 1),
         Outline({{-0.5f, 0.2f}, {1.5f, 0.4f}, {0.3f, 1.6f}})},
        {"clockwise quad over a square",
         Outline({{0.5f, -0.5f}, {-0.2f, 0.6f}, {0.7f, 1.4f}, {1.6f, 0.3f}}),
         Square(0, 0, 1)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ConvexPolyIsect isects[8];
        int count = Intersect(c.a, c.b, isects);
        ASSERT_GT(count, 2);
        std::vector<Vector2> rebuilt;
        for (int i = 0; i < count; ++i) {
            rebuilt.push_back(RecordPoint(isects[i], c.a, c.b));
        }
        std::vector<Vector2> clip = c.a;
        if (SignedArea(clip) < 0) {
            clip.assign(c.a.rbegin(), c.a.rend());
        }
        std::vector<Vector2> reference = Clip(c.b, clip);
        // The records come in order around the intersection, so they rebuild it as an outline.
        EXPECT_NEAR(std::fabs(SignedArea(rebuilt)), std::fabs(SignedArea(reference)), 1e-5f);
        EXPECT_EQ(size_t(count), reference.size());
    }
}

TEST_CHILD(FiveCorners) {
    std::vector<Vector2> five = Outline({{0, 0}, {1, 0}, {2, 1}, {1, 2}, {0, 1}});
    ConvexPolyIsect isects[9];
    return Intersect(five, Square(0, 0, 1), isects);
}

TEST_CHILD(TwoCorners) {
    std::vector<Vector2> two = Outline({{0, 0}, {1, 0}});
    ConvexPolyIsect isects[6];
    return Intersect(Square(0, 0, 1), two, isects);
}

TEST(ConvexPolyTest, CornerCountsOutsideThreeToFourAssert) {
    struct Case {
        const char* child;
        const char* message;
    };
    const Case cases[] = {
        {"FiveCorners",
         "Assert(numberA<=CPI_MAXPOLYSIDES && numberB<=CPI_MAXPOLYSIDES) failed in "
         "[phcore/convexpoly, line"},
        {"TwoCorners", "Assert(numberA>=3 && numberB >=3) failed in [phcore/convexpoly, line"},
    };
    for (const Case& c : cases) {
        ExpectFatalChild(c.child, c.message);
    }
}
