#ifndef CITYEDIT_LANDMARK_H
#define CITYEDIT_LANDMARK_H

#include "vector/matrix34.h"
#include "vector/vector3.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class BlockLot;
class CityBlock;
class TokenReader;
class modStatic;
struct modShader;
struct Stream;

// A model standing on a flat lot, its ground sewn to the lot's outline by fans between the lot
// and the model's join line.
class BlockLandmark {
public:
    enum { LevelVL, LevelL, LevelM, LevelH, LevelCount };

    explicit BlockLandmark(const char* name);
    // Deep copy of the name and point lists; the model, mask and shader fields belong to the
    // model package and are shared.
    BlockLandmark(const BlockLandmark& other);
    BlockLandmark& operator=(const BlockLandmark&) = delete;

    // Releases the name and the point lists; the model fields are the package's, and the
    // placement stays.
    void Free();

    // Rotation about y and uniform scale, placed at the position.
    Matrix34 GetMatrix() const;
    // Fills the ground between the lot's outline and the placed join line with fans. Outlines
    // too complex for the fan list get none, with an error.
    void Sew(const CityBlock& block, BlockLot& lot);

    std::string m_Name;
    modStatic* m_Models[LevelCount] = {};
    modStatic* m_Masks[LevelCount] = {};
    modShader** m_Shaders = nullptr;
    Vector3 m_Position{0.0f, 0.0f, 0.0f};  // from block vertex 0 unless fixed, then world
    Vector3 m_Offset{0.0f, 0.0f, 0.0f};    // the model's offset as last applied
    int8_t m_Rotation = 0;                  // angle = rotation * pi / 127 about y
    uint8_t m_Scale = 128;                  // factor = scale / 128
    uint8_t m_Fixed = 0;
    // Ground fans as ring point indices; bit 7 ends every fan but the last.
    std::vector<uint8_t> m_FanIndices;
    // The model's join line, relative to its offset.
    std::vector<Vector3> m_JoinPoints;
    // The placed join line followed by the lot outline.
    std::vector<Vector3> m_RingPoints;
};

// The landmark's model package (shared by every landmark of the name for the run), its offset
// and its join line.
void LoadLandmarkModel(BlockLandmark& landmark);

// The turning of the closed loop of points, summed with a sign; positive means clockwise, which
// is reported, as are points of the loop that nearly meet.
float CheckJoinLine(const char* name, const Vector3* points, int n);

// The landmark record of a lot in a ".block" file. Reading loads the model and, unless the
// landmark is fixed, sews it to the lot's outline.
void WriteLandmark(const BlockLandmark& landmark, Stream* stream);
std::unique_ptr<BlockLandmark> ReadLandmark(TokenReader& tokens, CityBlock& block, BlockLot& lot);

#endif
