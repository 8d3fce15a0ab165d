#ifndef BANGER_BANGER_H
#define BANGER_BANGER_H

#include <cstdint>

#include "level/inst.h"
#include "vector/matrix34.h"
#include "vector/vector3.h"

class phBound;
struct phImpact;
class qvBangerActive;
class qvBangerData;
class qvBangerLooseInstance;

// A breakable prop placed in the level. It names its tuning record by index, draws itself
// with a ground shadow and glows, and breaks loose when an impact on it is too strong: it
// leaves its room and either hands its place to a loose instance that an active body drives,
// or shatters into its break parts. A level reset stands it in its home room again.
// The variant (shader set) is the instance's own variant byte; the type word keeps the
// record's index in its low 12 bits.
class qvBangerInstance : public lvlInstance {
public:
    // Flag bits of a banger.
    static constexpr uint16_t PLACED = 0x0001;
    static constexpr uint16_t BANGER = 0x0002;
    static constexpr uint16_t COARSER = 0x0004;
    static constexpr uint16_t TAKEN = 0x0008;
    static constexpr uint16_t UNDRIVEN = 0x0010;
    static constexpr uint16_t DRIVEABLE = 0x0020;
    static constexpr uint16_t BILLBOARD = 0x0040;
    static constexpr uint16_t GLOWS = 0x0080;
    static constexpr uint16_t TYPE_MASK = 0x0FFF;
    // The record's bit that keeps the banger out of the billboard pass.
    static constexpr uint32_t NO_BILLBOARD = 0x10;

    // A prop of the named type from the instance heap, full matrix or compact placement,
    // its placement unset; null when the type has no tuning record.
    static qvBangerInstance* Create(const char* type, bool fullMatrix);

    void Reset() override;
    // Takes the type, loads the geometry (with the shadow and the break parts on its first
    // load) and places the instance with its centre of gravity: row d of the stored matrix is
    // the centre of gravity in the world. False when the geometry package is missing; the
    // instance is placed all the same.
    bool Init(const char* name, const Matrix34& matrix, int flag) override;
    void Draw(int lod) override;
    // The shadow model flattened onto y = 0 under the banger.
    void DrawShadow();
    // A flickering billboard at each glow of a placed banger.
    void DrawGlows();

    // The record's bound; for level 1 a bound that is no box answers a box of its extents
    // (two such boxes, lent in turn, so that two results may live at once).
    phBound* GetBound(int lod = 3) override;
    qvPhysEntity* GetActive() override;
    // The driving active body, attached now when there is none; none when the pool gives
    // none.
    qvPhysEntity* AttachEntity() override;
    // As AttachEntity, but never taking the keep body from another banger.
    qvBangerActive* AttachActive(const qvBangerActive* keep);
    // The driving body's velocity; zero without one.
    const Vector3& GetVelocity();

    // Breaks the placed banger loose after an impact beyond its limit: the loose instance
    // takes its place (no break parts) or the parts fly off with the body's momentum.
    virtual void Impact(lvlInstance* other, const phImpact* impact);
    // The loose instance that takes over; for the game's own prop classes.
    virtual void HandOver(qvBangerLooseInstance*) {}

    // The tuning record; null when the index names none.
    qvBangerData* GetData() const;
    int GetTypeIndex() const { return m_TypeWord & TYPE_MASK; }
    void SetTypeIndex(int index) { m_TypeWord = uint16_t((m_TypeWord & ~TYPE_MASK) | (index & TYPE_MASK)); }
    // 0 without an active body, else 1 + its slot.
    uint8_t GetOwner() const { return m_Owner; }
    void SetOwner(uint8_t owner) { m_Owner = owner; }
    uint8_t GetState() const { return m_State; }
    // The room the banger stands in when placed; kept while it lies in room 0.
    int GetHomeRoom() const { return (GetFlags() & PLACED) ? GetRoom() : m_HomeRoom; }
    void ClearFlags(uint16_t flags) { SetFlags(uint16_t(GetFlags() & ~flags)); }

private:
    void LoadParts(const char* name, qvBangerData& data);
    void Swap(qvBangerActive* active, lvlInstance* other);
    void Shatter(qvBangerActive* active, lvlInstance* other);
    // Out of the room into room 0, no longer placed, remembering the home room.
    void LeaveHome();

    uint8_t m_Owner = 0;
    uint8_t m_State = 0;
    uint16_t m_TypeWord = 0;
    int32_t m_HomeRoom = 0;
};

// A banger with a full placement matrix.
class qvBangerMatrixInstance : public qvBangerInstance {
public:
    const Vector3& GetPosition() const override { return m_Matrix.d; }
    const Matrix34& GetMatrix(Matrix34&) const override { return m_Matrix; }
    void SetMatrix(const Matrix34& matrix) override { m_Matrix = matrix; }
    size_t SizeOf() const override { return sizeof(*this); }

protected:
    Matrix34 m_Matrix;
};

// An upright banger: a position and the cosine and sine of its heading.
class qvBangerCompactInstance : public qvBangerInstance {
public:
    const Vector3& GetPosition() const override { return m_Position; }
    const Matrix34& GetMatrix(Matrix34& scratch) const override;
    // Keeps row d as the position and a.x, a.z as the heading.
    void SetMatrix(const Matrix34& matrix) override;
    size_t SizeOf() const override { return sizeof(*this); }

private:
    Vector3 m_Position;
    float m_Cos = NanFill;
    float m_Sin = NanFill;
};

#endif
