#include "phcore/convexpoly.h"

#include <algorithm>
#include <cmath>

#include "data/assert.h"

namespace {

// Edges of one outline: edge i runs from corner i to corner i+1. The side value of a point
// against edge i is positive on its left, times Winding, so that inside is never negative.
struct Outline {
    int Count;
    const Vector2* Points;
    Vector2 Edges[CPI_MAXPOLYSIDES];
    float Constants[CPI_MAXPOLYSIDES];
    float Winding;

    Outline(int count, const Vector2* points) : Count(count), Points(points) {
        float area2 = 0.0f;
        for (int i = 0; i < count; ++i) {
            const Vector2& p = points[i];
            const Vector2& q = points[(i + 1) % count];
            Edges[i].x = q.x - p.x;
            Edges[i].y = q.y - p.y;
            Constants[i] = Edges[i].x * p.y - Edges[i].y * p.x;
            area2 += p.x * q.y - q.x * p.y;
        }
        Winding = area2 < 0.0f ? -1.0f : 1.0f;
    }

    float Side(int edge, const Vector2& q) const {
        return Winding * (Edges[edge].x * q.y - Edges[edge].y * q.x - Constants[edge]);
    }

    bool Contains(const Vector2& q) const {
        for (int i = 0; i < Count; ++i) {
            if (Side(i, q) < 0.0f) {
                return false;
            }
        }
        return true;
    }
};

struct Collector {
    ConvexPolyIsect* Isects;
    int NumA;
    int NumB;
    int Count = 0;
    Vector2 Points[2 * CPI_MAXPOLYSIDES];

    Collector(ConvexPolyIsect* isects, int numA, int numB)
        : Isects(isects), NumA(numA), NumB(numB) {}

    void Add(int kind, int indexA, int indexB, float ta, float tb, const Vector2& point) {
        int numIsects = Count;
        int numA = NumA;
        int numB = NumB;
        Assert(numIsects < numA+numB);
        Isects[Count] = ConvexPolyIsect{kind, indexA, indexB, ta, tb};
        Points[Count] = point;
        ++Count;
    }

    bool HasPoint(const Vector2& point) const {
        for (int i = 0; i < Count; ++i) {
            if (Points[i].x == point.x && Points[i].y == point.y) {
                return true;
            }
        }
        return false;
    }

    // Puts the records in order of angle about their centre, which is the order around the
    // (convex) intersection.
    void Order() {
        float cx = 0.0f;
        float cy = 0.0f;
        for (int i = 0; i < Count; ++i) {
            cx += Points[i].x;
            cy += Points[i].y;
        }
        cx /= float(Count);
        cy /= float(Count);
        float angles[2 * CPI_MAXPOLYSIDES];
        int order[2 * CPI_MAXPOLYSIDES];
        for (int i = 0; i < Count; ++i) {
            angles[i] = std::atan2(Points[i].y - cy, Points[i].x - cx);
            order[i] = i;
        }
        std::stable_sort(order, order + Count,
                         [&angles](int a, int b) { return angles[a] < angles[b]; });
        ConvexPolyIsect sorted[2 * CPI_MAXPOLYSIDES];
        for (int i = 0; i < Count; ++i) {
            sorted[i] = Isects[order[i]];
        }
        std::copy(sorted, sorted + Count, Isects);
    }
};

}  // namespace

int ConvexPolyIntersect(int numberA, const Vector2* pointsA, int numberB, const Vector2* pointsB,
                        ConvexPolyIsect* isects) {
    Assert(numberA<=CPI_MAXPOLYSIDES && numberB<=CPI_MAXPOLYSIDES);
    Assert(numberA>=3 && numberB >=3);
    Outline a(numberA, pointsA);
    Outline b(numberB, pointsB);
    Collector out(isects, numberA, numberB);

    // A crossing counts only strictly inside both edges; a corner on the other outline's
    // boundary is reported as a corner instead, so that no point is reported twice.
    for (int i = 0; i < numberA; ++i) {
        const Vector2& a0 = pointsA[i];
        const Vector2& a1 = pointsA[(i + 1) % numberA];
        for (int j = 0; j < numberB; ++j) {
            float sA = b.Side(j, a0);
            float eA = b.Side(j, a1);
            float sB = a.Side(i, pointsB[j]);
            float eB = a.Side(i, pointsB[(j + 1) % numberB]);
            bool crossesB = (sA < 0.0f && eA > 0.0f) || (sA > 0.0f && eA < 0.0f);
            bool crossesA = (sB < 0.0f && eB > 0.0f) || (sB > 0.0f && eB < 0.0f);
            if (!crossesA || !crossesB) {
                continue;
            }
            float ta = sA / (sA - eA);
            float tb = sB / (sB - eB);
            Vector2 point;
            point.x = a0.x + ta * (a1.x - a0.x);
            point.y = a0.y + ta * (a1.y - a0.y);
            out.Add(ConvexPolyIsect::EDGES, i, j, ta, tb, point);
        }
    }
    for (int i = 0; i < numberA; ++i) {
        if (b.Contains(pointsA[i])) {
            out.Add(ConvexPolyIsect::CORNER_A, i, -1, 0.0f, 0.0f, pointsA[i]);
        }
    }
    for (int j = 0; j < numberB; ++j) {
        if (a.Contains(pointsB[j]) && !out.HasPoint(pointsB[j])) {
            out.Add(ConvexPolyIsect::CORNER_B, -1, j, 0.0f, 0.0f, pointsB[j]);
        }
    }
    if (out.Count == 0) {
        return CPI_APART;
    }
    out.Order();
    return out.Count;
}
