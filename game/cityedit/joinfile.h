#ifndef CITYEDIT_JOINFILE_H
#define CITYEDIT_JOINFILE_H

#include "vector/vector3.h"

#include <vector>

struct Stream;

// Reads the join line of a model: "scene/<name>.join", a u32 count and that many points of
// three f32. False, with no points, when the file is missing, holds more than maxPoints points
// or ends early.
bool ReadJoinFile(const char* name, std::vector<Vector3>& points, uint32_t maxPoints);

// Three f32 of a binary stream as a point; false when the stream ends first.
bool StreamReadPoint(Stream* stream, Vector3& point);

// The "offset" item of a model package: false, with an error naming the model, when the point
// is cut short or is not a coordinate; the offset is then left as it was.
bool ReadModelOffset(Stream* stream, const char* model, Vector3& offset);

#endif
