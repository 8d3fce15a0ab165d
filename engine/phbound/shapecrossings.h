#ifndef PHBOUND_SHAPECROSSINGS_H
#define PHBOUND_SHAPECROSSINGS_H

#include "vector/vector3.h"

// Where the segment start + t d, t in 0..1, crosses the sphere round centre: up to two
// parameters in increasing order (entry and exit alike), and their number.
int phSphereCrossings(const Vector3& start, const Vector3& d, const Vector3& centre,
                      float radius2, float t[2]);

#endif
