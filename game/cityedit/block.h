#ifndef CITYEDIT_BLOCK_H
#define CITYEDIT_BLOCK_H

#include "data/assert.h"
#include "vector/vector3.h"

#include <cstdint>
#include <memory>
#include <vector>

class BlockLandmark;
class CityBlock;
class TokenReader;
class lvlPSDL;
struct Stream;

// The block editor's draw modes. While a room is compiled every lot draws textured.
enum { DrawWireframe, DrawSolid, DrawTextured, DrawDebug };

struct BlockVertex {
    BlockVertex();
    explicit BlockVertex(const Vector3& position);
    BlockVertex(const BlockVertex& other);
    BlockVertex& operator=(const BlockVertex& other) = default;

    Vector3 m_Position;
    // Carried along with the vertex (zeroed, copied) but neither stored nor read here.
    uint32_t m_User1;
    uint8_t m_UserFlag;
    uint32_t m_User2;
    uint32_t m_User3;
};

struct BlockLotEdge {
    int32_t m_Wall = 0;
    int32_t m_WallVariant = 0;  // composite walls pack up to three 4-bit variants
    int32_t m_Sliver = 0;
    int32_t m_SliverVariant = 0;
    float m_WallBreak1 = 0.0f;
    float m_WallBreak2 = 0.0f;
};

// One lot: a cycle of block vertices with, per edge, the lot across it (-1 on the perimeter).
// Edge i runs from entry i to entry (i+1) mod count.
class BlockLot {
public:
    BlockLot();
    BlockLot(const BlockLot& other);
    BlockLot& operator=(const BlockLot&) = delete;
    ~BlockLot();

    int VertexCount() const { return m_VertexCount; }
    int& VertexIndex(int i) {
        Assert(i >= 0 && i < m_VertexCount);
        return m_VertexIndex[i];
    }
    int& Adjacent(int i) {
        Assert(i >= 0 && i < m_VertexCount);
        return m_Adjacent[i];
    }
    int LotIndex(int vertex) const;

    // Fresh index and adjacency arrays of n entries for the caller to fill. Edge records sized
    // for the old count would no longer fit, so they go.
    void SetVertexCount(int n);

    void InsertVertex(int vertex, int adjacent, int after);
    void RemoveVertex(int pos);
    bool ReplaceNeighbour(int oldLot, int newLot);

    Vector3 GetCentroid(const CityBlock& block) const;

    // Dressing: walls, slivers and their variants on a raised lot, facades and landmarks.
    void Reset();
    void SetWall(int edge, int wall);
    void SetSliver(int sliver, int edge);
    void ChooseWallVariant(int edge);
    void ChooseSliverVariant(int edge);
    void AssignFacade(CityBlock& block, int edge, int facade);
    float GetWallWidth(int edge);
    void FixWallWidth(CityBlock& block, int edge, int fixedEnd, float length);
    void AssignLandmark(const char* name, CityBlock& block);
    void AssignFixedLandmark(std::unique_ptr<BlockLandmark> landmark);

    // The lot's record of a ".block" file; element names resolve in the catalogues.
    void Write(Stream* stream);
    void Read(TokenReader& tokens, CityBlock& block);

    // The detail of a lot is edge records while it is raised and a landmark while it is flat.
    // Both are held apart, so that a height changed under a detail never makes one of them be
    // read as the other; each shows only while the height gives it its meaning.
    bool IsLandmark() const { return m_HeightOffset == 0.0f && m_Landmark; }
    BlockLandmark& Landmark();
    BlockLotEdge* Edges();
    void SetLandmark(std::unique_ptr<BlockLandmark> landmark);
    // Zeroed edge records, one per entry.
    void MakeEdges();

    // The lot's ground or roof, walls, facades, slivers or landmark, drawn at once or, while a
    // room of the city is compiled, written into it through the room emitters (the emitters
    // keep the compile's state themselves; city names the city being made). Level 0 to 3
    // (VL, L, M, H) picks the models of landmarks and facade elements.
    void Draw(int mode, const CityBlock& block, lvlPSDL* city, int level);

    // The block editor's switches ("Label Walls", "Auto-tile Walls", "Draw Slivers").
    static uint8_t sm_LabelWalls;
    static uint8_t sm_AutoTileWalls;
    static uint8_t sm_DrawSlivers;

    int32_t m_Floor = 0;
    int32_t m_Extra = 0;
    float m_HeightOffset = 0.0f;  // 0 for a flat lot, else the roof height of a raised one
    float m_Ground = 0.0f;
    float m_Pitch = 0.0f;
    float m_WallTile = 0.0f;
    int8_t m_Rotation = 0;
    uint8_t m_Scale = 16;
    uint8_t m_Group = 0;

private:
    int m_VertexCount = 0;
    std::unique_ptr<int[]> m_VertexIndex;
    std::unique_ptr<int[]> m_Adjacent;
    std::unique_ptr<BlockLotEdge[]> m_Edges;
    std::unique_ptr<BlockLandmark> m_Landmark;
};

// The editable form of one city block: vertices whose first m_PerimeterCount are the block's
// perimeter in order, and the lots that tile it.
class CityBlock {
public:
    explicit CityBlock(int id);
    CityBlock(const CityBlock& other);
    CityBlock& operator=(const CityBlock& other);
    ~CityBlock();

    BlockVertex* Vertex(int i) const {
        Assert(i >= 0 && i < m_VertexCount);
        return m_Vertices[i].get();
    }
    BlockLot* Lot(int i) const {
        Assert(i >= 0 && i < m_LotCount);
        return m_Lots[i].get();
    }
    int PerimeterCount() const { return m_PerimeterCount; }
    int VertexCount() const { return m_VertexCount; }
    int LotCount() const { return m_LotCount; }

    void Clear();
    int AddVertices(int n);
    int AddLots(int n);
    void BuildFromOutline(const Vector3* points, int n);
    void ResetToPerimeter();
    uint8_t UpdateSolid();

    Vector3 GetLotCentroid(int lot) const;
    bool IsPerimeterVertex(int vertex, int& edge) const;
    int FindVertex(const Vector3& position) const;
    int GetLotCorners(int lot, int start, int* out, int max) const;
    void CheckConnectivity() const;

    // Topology edits. A refused edit says why in a box titled with the edit and changes nothing.
    int InsertVertex(int lot, const Vector3& point, int edge, bool constrained);
    int InsertVertexAt(int lot, float fraction, int a, int b);
    int MakeEdge(int lot, int a, int b);
    int MakeEdgeByVertices(int u, int v);
    void DeleteEdge(int lot, int edge);
    void DeleteVertex(int lot, int entry);
    void RemoveLot(int lot, int passOver);
    void MakeGrid(int lot, int start, int n);
    void SubdivideEvery(int lot, int start, float spacing);
    void MakeGridMxN(int lot, int m, int n);

    // One "block" record of a ".block" file. Read gives false, with the block cleared, when
    // the next token is not "block"; malformed records are fatal.
    void Write(Stream* stream) const;
    bool Read(TokenReader& tokens);

    // Every lot in index order; see BlockLot::Draw.
    void Draw(int mode, lvlPSDL* city, int level) const;

    int32_t m_Id;
    uint8_t m_Solid = 0;

private:
    void CopyFrom(const CityBlock& other);
    void CutStrips(int lot, int start, const std::vector<float>& cuts);

    std::vector<std::unique_ptr<BlockVertex>> m_Vertices;
    std::vector<std::unique_ptr<BlockLot>> m_Lots;
    int32_t m_PerimeterCount = 0;
    int32_t m_VertexCount = 0;
    int32_t m_LotCount = 0;
};

#endif
