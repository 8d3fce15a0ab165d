#include "cityedit/landmark.h"

BlockLandmark::BlockLandmark(const char* name) : m_Name(name) {}

BlockLandmark::BlockLandmark(const BlockLandmark& other) = default;
