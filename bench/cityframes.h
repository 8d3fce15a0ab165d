#ifndef BENCH_CITYFRAMES_H
#define BENCH_CITYFRAMES_H

#include "city/psdl.h"
#include "vector/matrix34.h"

// Frames of a processed city drawn whole by the room interpreter, as the editor draws it.

// The room interpreter's batches on the open pipeline, unlit and drawn from both sides.
void StartCityBatches();

// Looking down at 60 degrees from the south at the centre of the loaded city's vertices, far
// enough back that the whole city is in view; zoom scales that distance.
Matrix34 CameraOverCity(float zoom = 1.0f);

// The median of `runs` runs of `frames` frames, in milliseconds per frame: every room at the
// highest detail through tgl (or none, to time clearing and presenting alone), the target
// cleared to the editor's background first.
double MedianFrameMs(lvlPSDL& city, const Matrix34& camera, int runs, int frames,
                     bool drawRooms = true);

#endif
