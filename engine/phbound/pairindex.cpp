// The table of ids by vertex pair that mesh preparation looks edges and sides up in.
#include "phbound/pairindex.h"

#include <algorithm>

namespace {

bool KeyBefore(const phVertexPairIndex::Entry& entry, uint32_t key) {
    return entry.first < key;
}

bool KeyAfter(uint32_t key, const phVertexPairIndex::Entry& entry) {
    return key < entry.first;
}

}  // namespace

// Vertex ids are 16-bit, so a pair fits in 32 bits whole.
uint32_t phVertexPairIndex::Key(int a, int b) const {
    uint32_t first = uint16_t(a), second = uint16_t(b);
    if (!m_Ordered && second < first) {
        std::swap(first, second);
    }
    return first << 16 | second;
}

void phVertexPairIndex::AddPairs(const uint16_t (*pairs)[2], int count) {
    for (int i = 0; i < count; ++i) {
        Add(pairs[i][0], pairs[i][1], i);
    }
}

void phVertexPairIndex::Sort() {
    std::sort(m_Entries.begin(), m_Entries.end());
    m_Entries.erase(std::unique(m_Entries.begin(), m_Entries.end()), m_Entries.end());
}

phVertexPairIndex::Range phVertexPairIndex::Entries(int a, int b) const {
    uint32_t key = Key(a, b);
    const Entry* begin = m_Entries.data();
    const Entry* end = begin + m_Entries.size();
    const Entry* first = std::lower_bound(begin, end, key, KeyBefore);
    return Range{first, std::upper_bound(first, end, key, KeyAfter)};
}

int phVertexPairIndex::Find(int a, int b) const {
    Range range = Entries(a, b);
    return range.begin() != range.end() ? range.begin()->second : -1;
}
