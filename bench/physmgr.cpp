// The physics manager's frame with the mover table full (32 kind-3 movers, its limit) among 100 and
// 1,000 placed props in a strip of rooms: culling, sub-steps, gathering and pairing. The
// narrow phase is left out (pairs are only counted), so the figure is the manager's own cost.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "data/timemgr.h"
#include "level/inst.h"
#include "level/level.h"
#include "phys/physentity.h"
#include "phys/physmgr.h"

namespace {

class StripLevel : public lvlLevel {
public:
    explicit StripLevel(int rooms) { SetRoomCount(rooms); }
    int FindRoomId(const Vector3& p, int) override {
        int cell = int(std::floor(p.x / 10.0f));
        return cell >= 0 && cell < GetRoomCount() - 1 ? cell + 1 : 0;
    }
    int GetMaxNeighbours() override { return 2; }
    int GetNeighbours(int room, int* out) override {
        int n = 0;
        for (int r : {room - 1, room + 1})
            if (r >= 1 && r < GetRoomCount()) out[n++] = r;
        return n;
    }
    int GetRoomsInSphere(int* out, int capacity, int, const Vector3& c, float radius) override {
        int n = 0;
        for (int r = 1; r < GetRoomCount() && n < capacity; ++r)
            if (c.x + radius >= 10.0f * float(r - 1) && c.x - radius < 10.0f * float(r)) out[n++] = r;
        return n;
    }
    int GetRoomOutline(int, Vector3*, int) override { return 0; }
};

class Body : public qvPhysEntity {
public:
    void Update() override {}
    phColliderBase* GetCollider() override { return nullptr; }
};

class Prop : public lvlInstance {
public:
    Prop(const Vector3& p, bool body) {
        m_Matrix.Identity();
        m_Matrix.d = p;
        if (body) m_Body.reset(new Body);
    }
    const Vector3& GetPosition() const override { return m_Matrix.d; }
    const Matrix34& GetMatrix(Matrix34&) const override { return m_Matrix; }
    void SetMatrix(const Matrix34& m) override { m_Matrix = m; }
    size_t SizeOf() const override { return sizeof(*this); }
    phBound* GetBound() override { return nullptr; }
    qvPhysEntity* GetActive() override { return m_Body.get(); }
    float GetRadius() const override { return 1.5f; }
    Matrix34 m_Matrix;
    std::unique_ptr<Body> m_Body;
};

class CountingManager : public qvPhysManager {
public:
    bool CollideInstances(lvlInstance*, lvlInstance*) override {
        ++m_Pairs;
        return false;
    }
    long m_Pairs = 0;
};

void Run(int props) {
    const int rooms = 21;
    StripLevel level(rooms + 1);
    std::vector<std::unique_ptr<Prop>> placed, movers;
    for (int i = 0; i < props; ++i) {
        float x = 200.0f * float(i) / float(props) + 0.5f;
        placed.emplace_back(new Prop(Vector3(x, 0, float(i % 10)), false));
        // Standing props drive themselves nowhere: they are gathered.
        placed.back()->AddFlags(lvlInstance::INST_REPORTED);
        level.MoveToRoom(placed.back().get(), level.FindRoomId(placed.back()->GetPosition(), 0));
    }
    for (int i = 0; i < qvPhysManager::MAX_MOVERS; ++i) {
        movers.emplace_back(new Prop(Vector3(6.0f * float(i) + 1.0f, 0, 5), true));
        level.MoveToRoom(movers.back().get(), level.FindRoomId(movers.back()->GetPosition(), 0));
    }
    CountingManager manager;
    datTimeManager::Seconds = 1.0f / 60.0f;
    const int frames = 2000;
    auto start = std::chrono::steady_clock::now();
    for (int f = 0; f < frames; ++f) {
        for (auto& m : movers) manager.DeclareMover(m.get(), 3, 0x1B);
        manager.Update();
    }
    double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    printf("%5d props, %d movers: %8.4f ms per frame, %ld pairs per frame\n", props,
           qvPhysManager::MAX_MOVERS, ms / frames, manager.m_Pairs / frames);
}

}  // namespace

int main() {
    for (int props : {100, 1000}) Run(props);
    return 0;
}
