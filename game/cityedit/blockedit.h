#ifndef CITYEDIT_BLOCKEDIT_H
#define CITYEDIT_BLOCKEDIT_H

#include "cityedit/block.h"
#include "data/assert.h"

// What the block edits share among their files.

// A broken invariant reported under the text the editor has always given it, where the
// condition itself is written differently here.
#define AssertAs(condition, text)                                                   \
    do {                                                                            \
        if (!(condition)) {                                                         \
            static constexpr ModulePath assertPath_ = MakeModulePath(__FILE__);      \
            AssertFailed(text, assertPath_.m_Text, __LINE__);                       \
        }                                                                           \
    } while (0)

// A refused edit: OK button, stop icon, titled with the edit.
void RefuseEdit(const char* title, const char* text);

// The neighbour's side of edge `entry` of a lot: the neighbour's adjacency on its edge that
// ends where this edge starts. Null when the edge is on the perimeter or the neighbour lacks
// the vertex.
int* NeighbourBack(const CityBlock& block, BlockLot* lot, int entry);

#endif
