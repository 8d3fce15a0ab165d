#ifndef TESTS_GAME_CITYEDIT_BLOCKCOMPARE_H
#define TESTS_GAME_CITYEDIT_BLOCKCOMPARE_H

#include "cityedit/block.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Gives the lot these block vertices and, across each edge, these neighbours.
inline void SetEntries(BlockLot* lot, const std::vector<int>& vertices,
                       const std::vector<int>& adjacent) {
    lot->SetVertexCount(int(vertices.size()));
    for (size_t i = 0; i < vertices.size(); ++i) {
        lot->VertexIndex(int(i)) = vertices[i];
        lot->Adjacent(int(i)) = adjacent[i];
    }
}

// The lot's block vertices and its neighbours across each edge, in lot order.
inline std::vector<int> Entries(BlockLot* lot) {
    std::vector<int> entries;
    for (int i = 0; i < lot->VertexCount(); ++i) {
        entries.push_back(lot->VertexIndex(i));
    }
    return entries;
}

inline std::vector<int> Adjacency(BlockLot* lot) {
    std::vector<int> adjacent;
    for (int i = 0; i < lot->VertexCount(); ++i) {
        adjacent.push_back(lot->Adjacent(i));
    }
    return adjacent;
}

// Every field of the block and its lots, so that a refused edit can be shown to change nothing.
inline void ExpectSameBlock(const CityBlock& a, const CityBlock& b, const std::string& label) {
    ASSERT_EQ(a.VertexCount(), b.VertexCount()) << label;
    ASSERT_EQ(a.LotCount(), b.LotCount()) << label;
    EXPECT_EQ(a.PerimeterCount(), b.PerimeterCount()) << label;
    EXPECT_EQ(a.m_Id, b.m_Id) << label;
    EXPECT_EQ(a.m_Solid, b.m_Solid) << label;
    for (int i = 0; i < a.VertexCount(); ++i) {
        const BlockVertex& u = *a.Vertex(i);
        const BlockVertex& v = *b.Vertex(i);
        EXPECT_TRUE(u.m_Position.x == v.m_Position.x && u.m_Position.y == v.m_Position.y &&
                    u.m_Position.z == v.m_Position.z && u.m_User1 == v.m_User1 &&
                    u.m_UserFlag == v.m_UserFlag && u.m_User2 == v.m_User2 &&
                    u.m_User3 == v.m_User3)
            << label << " vertex " << i;
    }
    for (int i = 0; i < a.LotCount(); ++i) {
        BlockLot* l = a.Lot(i);
        BlockLot* m = b.Lot(i);
        EXPECT_EQ(Entries(l), Entries(m)) << label << " lot " << i;
        EXPECT_EQ(Adjacency(l), Adjacency(m)) << label << " lot " << i;
        EXPECT_TRUE(l->m_Floor == m->m_Floor && l->m_Extra == m->m_Extra &&
                    l->m_HeightOffset == m->m_HeightOffset && l->m_Ground == m->m_Ground &&
                    l->m_Pitch == m->m_Pitch && l->m_WallTile == m->m_WallTile &&
                    l->m_Rotation == m->m_Rotation && l->m_Scale == m->m_Scale &&
                    l->m_Group == m->m_Group)
            << label << " lot " << i;
        EXPECT_EQ(l->IsLandmark(), m->IsLandmark()) << label << " lot " << i;
        if (!l->IsLandmark()) {
            BlockLotEdge* e = l->Edges();
            BlockLotEdge* f = m->Edges();
            ASSERT_EQ(e == nullptr, f == nullptr) << label << " lot " << i;
            for (int k = 0; e && k < l->VertexCount(); ++k) {
                EXPECT_TRUE(e[k].m_Wall == f[k].m_Wall && e[k].m_Sliver == f[k].m_Sliver &&
                            e[k].m_WallVariant == f[k].m_WallVariant &&
                            e[k].m_SliverVariant == f[k].m_SliverVariant &&
                            e[k].m_WallBreak1 == f[k].m_WallBreak1 &&
                            e[k].m_WallBreak2 == f[k].m_WallBreak2)
                    << label << " lot " << i << " edge " << k;
            }
        }
    }
}

#endif
