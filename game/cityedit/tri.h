#ifndef CITYEDIT_TRI_H
#define CITYEDIT_TRI_H

#include "vector/vector3.h"

#include <cstdint>

// Decomposition of a simple polygon in the XZ plane into fans, each to be drawn around its
// first index. One decomposition at a time: the slots are module-wide.

const int MAX_TRI_INDEX = 256;

struct TriSlot {
    void SetCount(int n);

    int32_t m_Count;
    int32_t m_Index[MAX_TRI_INDEX];  // into the point pool
};

// The pool needs room for two points past any point count given to SetTriangulatorPolygon:
// opening a keyhole seam writes them there.
void InitTriangulator(int maxPolys, int maxFans, Vector3* pool, int poolSize);

// Polygon slot 0 becomes the given index ring; the pool's first pointCount points are in use.
void SetTriangulatorPolygon(const int* indices, int count, int pointCount);
// False when the fan or polygon slots run out; the fans made so far stay.
bool Triangulate();

int TriangulatorFanCount();
const TriSlot& TriangulatorFan(int i);

void EmitFan(int polygon, int start);
void EmitPolygon(int polygon, int a, int b);

void DumpPolygon(int i);
void DumpFan(int i);

#endif
