#ifndef PHCORE_CONVEXPOLY_H
#define PHCORE_CONVEXPOLY_H

#include "vector/vector2.h"

const int CPI_MAXPOLYSIDES = 4;

// ConvexPolyIntersect's answer when the two outlines do not meet at all.
const int CPI_APART = -1;

// One point of the intersection of two convex outlines.
struct ConvexPolyIsect {
    enum { EDGES = 0, CORNER_A = 1, CORNER_B = 2 };

    int Kind;
    int IndexA;  // edge (EDGES) or corner (CORNER_A) of A; -1 for CORNER_B
    int IndexB;  // edge (EDGES) or corner (CORNER_B) of B; -1 for CORNER_A
    float TA;    // EDGES: 0 at the first corner of edge IndexA, 1 at the second
    float TB;    // EDGES: the same along edge IndexB
};

// Intersects two convex outlines of 3 or 4 corners (either winding). Writes the corners of
// the intersection into isects (room for numberA + numberB records), in order around it:
// crossings of two edges and corners of one outline inside or on the other. Returns their
// number, or CPI_APART when the outlines do not meet.
int ConvexPolyIntersect(int numberA, const Vector2* pointsA, int numberB, const Vector2* pointsB,
                        ConvexPolyIsect* isects);

#endif
