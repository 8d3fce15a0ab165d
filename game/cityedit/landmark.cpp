#include "cityedit/landmark.h"

BlockLandmark::BlockLandmark(const char* name) : m_Name(name) {}

BlockLandmark::BlockLandmark(const BlockLandmark& other) = default;

void BlockLandmark::Free() {
    std::string().swap(m_Name);
    std::vector<uint8_t>().swap(m_FanIndices);
    std::vector<Vector3>().swap(m_RingPoints);
    std::vector<Vector3>().swap(m_JoinPoints);
}
