#ifndef TESTS_GAME_PHYS_TERRAINSCENE_H
#define TESTS_GAME_PHYS_TERRAINSCENE_H

#include <cmath>

#include "city/psdl.h"
#include "city/sdl.h"
#include "city/sdlcode.h"
#include "level/inst.h"
#include "level/level.h"
#include "phbound/boundbox.h"
#include "phcollide/collider.h"
#include "phinertia/inertia.h"
#include "phys/physentity.h"

// What the scenes of props and the physics manager's terrain tests stand on and drive over.

// The terrain of the scenes: a processed city whose room r is one fan over the level's room
// r (10 (r - 1) <= x < 10 r, Near <= z <= Far), the ground rising by Rise over one room and
// falling over the next, so that props stand, fall and settle on slopes and across the rooms'
// seams. The physics manager collides with it as with any city.
class Terrain : public lvlPSDL {
public:
    static constexpr float Rise = 0.3f;
    static constexpr float Near = -20.0f;
    static constexpr float Far = 30.0f;

    // Rooms 1 to rooms - 1, as a level of that room count numbers them; a rise of 0 makes the
    // city flat.
    explicit Terrain(int rooms, float rise = Rise) {
        // Vertex 0 is no corner: the rooms' corners start at 1, two at each room edge.
        AllocateVertices(uint32_t(2 * rooms + 1));
        sm_Vertices[0] = Vector3(0.0f, 0.0f, Near);
        for (int k = 0; k < rooms; ++k) {
            float x = 10.0f * float(k);
            sm_Vertices[size_t(1 + 2 * k)] = Vector3(x, Height(x, rise), Near);
            sm_Vertices[size_t(2 + 2 * k)] = Vector3(x, Height(x, rise), Far);
        }
        AllocateTextures(2);
        AllocateRooms(uint32_t(rooms));
        for (int r = 1; r < rooms; ++r) {
            // Turning so that the fan's normal points up.
            const SDLCODE_T corners[4] = {SDLCODE_T(2 * r - 1), SDLCODE_T(2 * r),
                                          SDLCODE_T(2 * r + 2), SDLCODE_T(2 * r + 1)};
            const SDLCODE_T words[] = {SDL_TEXTURE, 1, SDL_FAN | SDL_LAST | 2, corners[0],
                                       corners[1], corners[2], corners[3]};
            lvlSDL* room = lvlSDL::Create(4, 0);
            room->SetCodes(words, 7);
            for (uint16_t i = 0; i < 4; ++i) room->GetPerimeterEntry(i).m_Vertex = corners[i];
            m_Rooms[size_t(r)].reset(room);
        }
        ComputeBounds();
    }
    // The ground's height at x: 0 at even room edges, the rise at odd ones, straight between.
    static float Height(float x, float rise = Rise) {
        float edge = std::floor(x / 10.0f);
        float t = x / 10.0f - edge;
        bool rising = int(edge) % 2 == 0;
        return rise * (rising ? t : 1.0f - t);
    }
};

// The level's room for the instance's position, moved into when it differs.
inline void FollowRooms(lvlInstance* instance) {
    lvlLevel* level = lvlLevel::GetInstance();
    int room = level->FindRoomId(instance->GetPosition(), instance->GetRoom());
    if (room != instance->GetRoom()) level->MoveToRoom(instance, room);
}

// A box under gravity alone, moving from room to room as it goes.
class Block : public lvlInstance {
public:
    Block(const Vector3& size, float mass, const Matrix34& placed)
        : m_Size(size), m_Box(size), m_Entity(this) {
        m_Body.InitBox(mass, size.x, size.y, size.z);
        m_Body.Matrix = placed;
        m_Body.ZeroMotion();
        m_Collider.InitWithICS(&m_Box, &m_Body, 0);
    }
    const Vector3& GetPosition() const override { return m_Body.Matrix.d; }
    const Matrix34& GetMatrix(Matrix34&) const override { return m_Body.Matrix; }
    void SetMatrix(const Matrix34& matrix) override { m_Body.Matrix = matrix; }
    size_t SizeOf() const override { return sizeof(*this); }
    phBound* GetBound(int) override { return &m_Box; }
    qvPhysEntity* GetActive() override { return &m_Entity; }
    float GetRadius() const override { return m_Box.RadiusAroundCentroid; }

    // How far the box's lowest corner lies below the ground of the height function.
    template <typename Ground>
    float Deepest(Ground height) const {
        float deepest = -1e30f;
        const Matrix34& m = m_Body.Matrix;
        for (float sx : {-0.5f, 0.5f})
            for (float sy : {-0.5f, 0.5f})
                for (float sz : {-0.5f, 0.5f}) {
                    Vector3 corner = m.d + m.a * (sx * m_Size.x) + m.b * (sy * m_Size.y) +
                                     m.c * (sz * m_Size.z);
                    deepest = std::fmax(deepest, height(corner.x) - corner.y);
                }
        return deepest;
    }
    // The velocity the body leaves a frame with: its impulses taken in.
    Vector3 Leaving() const { return m_Body.Velocity + m_Body.Impulse * m_Body.InvMass; }

    struct Fall : qvPhysEntity {
        explicit Fall(Block* block) : m_Block(block) {}
        void Update() override {
            m_Block->Steer();
            qvPhysEntity::Update();
            m_Block->m_Body.FrameUpdate();
            FollowRooms(m_Block);
        }
        phInertialCS* GetICS() override { return &m_Block->m_Body; }
        phColliderBase* GetCollider() override { return &m_Block->m_Collider; }
        void Reserved() override {}
        Block* m_Block;
    };

    Vector3 m_Size;
    phBoundBox m_Box;
    phInertialCS m_Body;
    phCollider m_Collider;
    Fall m_Entity;

protected:
    // The forces of the box's own, before gravity; none by default.
    virtual void Steer() {}
};

// A heavy box on the ground driven along x by a force that holds the speed it is given.
class Car : public Block {
public:
    static constexpr float Mass = 1500.0f;

    explicit Car(const Vector3& position)
        : Block(Vector3(2.0f, 1.5f, 4.0f), Mass, Placed(position)) {}
    size_t SizeOf() const override { return sizeof(*this); }

    float m_Speed = 0.0f;
    float m_Lane = 0.0f;

private:
    static Matrix34 Placed(const Vector3& position) {
        Matrix34 m;
        m.Identity();
        m.d = position;
        return m;
    }
    // Speed along x held; the lane (z) and the heading held by a spring and damper.
    void Steer() override {
        phInertialCS& body = m_Body;
        body.Force.x += Mass * 20.0f * (m_Speed - body.Velocity.x);
        body.Force.z += Mass * (40.0f * (m_Lane - body.Matrix.d.z) - 12.0f * body.Velocity.z);
        body.Torque.y -= body.AngInertia.y * (40.0f * body.Matrix.c.x + 12.0f * body.AngVelocity.y);
    }
};

#endif
