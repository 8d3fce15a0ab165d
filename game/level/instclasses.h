#ifndef LEVEL_INSTCLASSES_H
#define LEVEL_INSTCLASSES_H

#include "level/inst.h"

// An upright instance: a position and the cosine and sine of its turn about y.
class lvlCompactInstance : public lvlInstance {
public:
    const Vector3& GetPosition() const override { return m_Position; }
    // Rows (c, 0, s), (0, 1, 0), (-s, 0, c) and the position.
    const Matrix34& GetMatrix(Matrix34& scratch) const override {
        return Upright(m_Position, m_Cos, m_Sin, scratch);
    }
    // That matrix of a position and a heading, built into scratch.
    static const Matrix34& Upright(const Vector3& position, float cos, float sin,
                                   Matrix34& scratch);
    // Keeps row d as the position and a.x, a.z as the cosine and sine; the rest is dropped.
    void SetMatrix(const Matrix34& matrix) override;
    bool Faces(const Vector3& camera) const override;
    size_t SizeOf() const override { return sizeof(*this); }

private:
    Vector3 m_Position{0.0f, 0.0f, 0.0f};
    float m_Cos = 1.0f;
    float m_Sin = 0.0f;
};

// An instance with a full placement matrix.
class lvlMatrixInstance : public lvlInstance {
public:
    const Vector3& GetPosition() const override { return m_Matrix.d; }
    const Matrix34& GetMatrix(Matrix34&) const override { return m_Matrix; }
    void SetMatrix(const Matrix34& matrix) override { m_Matrix = matrix; }
    bool Faces(const Vector3& camera) const override;
    size_t SizeOf() const override { return sizeof(*this); }

private:
    Matrix34 m_Matrix{Vector3(1, 0, 0), Vector3(0, 1, 0), Vector3(0, 0, 1), Vector3(0, 0, 0)};
};

// A matrix instance whose package holds two companion sets after its own: "shadow", drawn
// flattened onto the ground under the instance, and "mask", drawn after the main model.
class lvlFacadeInstance : public lvlMatrixInstance {
public:
    // Set by the physics manager: the height of the ground straight below a point, false
    // when there is none. Unset, no shadow is drawn.
    static bool (*sm_ProbeGround)(const Vector3& from, float& groundY);

    bool Init(const char* name, const Matrix34& matrix, int flag) override;
    void Draw(int lod) override;
    size_t SizeOf() const override { return sizeof(*this); }

    // The companions of the instance's set, 0 when its package had none.
    int GetShadowSet() const;
    int GetMaskSet() const;
};

#endif
