#ifndef PHBOUND_PAIRINDEX_H
#define PHBOUND_PAIRINDEX_H

#include <cstdint>
#include <utility>
#include <vector>

// Ids (edges, polygon sides, polygons) looked up by the two vertex ids they join. Preparing a
// mesh asks for every side's edge; a sorted table keeps that to a sort and a binary search per
// side, where searching the edge list would grow with the square of a hostile file's size.
// Fill it with Add, call Sort once, then query.
class phVertexPairIndex {
public:
    // Unordered: (a, b) and (b, a) are the same pair. Ordered: they differ.
    explicit phVertexPairIndex(bool ordered = false) : m_Ordered(ordered) {}

    void Reserve(size_t count) { m_Entries.reserve(count); }
    void Add(int a, int b, int id) { m_Entries.emplace_back(Key(a, b), id); }
    // Pair i of the array gets id i.
    void AddPairs(const uint16_t (*pairs)[2], int count);
    // Orders the entries by pair, each pair's ids ascending, and drops repeats of an id.
    void Sort();

    // The smallest id added for the pair (the first in the order of an edge list), or -1.
    int Find(int a, int b) const;

    typedef std::pair<uint32_t, int> Entry;  // pair key, id
    // The entries of a pair, ids ascending and each once.
    struct Range {
        const Entry* m_Begin;
        const Entry* m_End;
        const Entry* begin() const { return m_Begin; }
        const Entry* end() const { return m_End; }
    };
    Range Entries(int a, int b) const;

private:
    uint32_t Key(int a, int b) const;

    bool m_Ordered;
    std::vector<Entry> m_Entries;
};

#endif
