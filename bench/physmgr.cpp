// The physics manager's frame with the mover table full (32 kind-3 movers, its limit) among 100 and
// 1,000 placed props in a strip of rooms: culling, sub-steps, gathering and pairing. The
// narrow phase is left out (pairs are only counted), so the figure is the manager's own cost.
// Then the whole frame with real props: a car driven at 10 m/s along the strip through 100 to
// 1,000 breakable props on the ground, which break loose, fly and settle, at most 32 of them
// moving at once (the active bodies' limit). First, how the frame grows with the bodies
// moving, from 1 to 32.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "banger/active.h"
#include "banger/banger.h"
#include "banger/bangerdata.h"
#include "banger/bangerpool.h"
#include "banger/bangerseams.h"
#include "data/asset.h"
#include "data/printer.h"
#include "data/timemgr.h"
#include "tests/game/banger/scenery.h"
#include "tests/game/level/gridlevel.h"
#include "tests/game/phys/testmover.h"
#include "level/inst.h"
#include "level/level.h"
#include "phys/physentity.h"
#include "phys/physmgr.h"

namespace {

class CountingManager : public qvPhysManager {
public:
    bool CollideInstances(lvlInstance*, lvlInstance*) override {
        ++m_Pairs;
        return false;
    }
    long m_Pairs = 0;
};

// The mean time of a frame over frames of 1/60 s.
double MsPerFrame(int frames, const std::function<void()>& frame) {
    datTimeManager::Seconds = 1.0f / 60.0f;
    auto start = std::chrono::steady_clock::now();
    for (int f = 0; f < frames; ++f) frame();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
               .count() /
           frames;
}

void Run(int props) {
    const int rooms = 21;
    GridLevel level(rooms + 1);
    std::vector<std::unique_ptr<TestMover>> placed, movers;
    for (int i = 0; i < props; ++i) {
        float x = 200.0f * float(i) / float(props) + 0.5f;
        placed.emplace_back(new TestMover(Vector3(x, 0, float(i % 10)), 1.5f, false));
        // Standing props drive themselves nowhere: they are gathered.
        placed.back()->AddFlags(lvlInstance::INST_REPORTED);
        level.MoveToRoom(placed.back().get(), level.FindRoomId(placed.back()->GetPosition(), 0));
    }
    for (int i = 0; i < qvPhysManager::MAX_MOVERS; ++i) {
        movers.emplace_back(new TestMover(Vector3(6.0f * float(i) + 1.0f, 0, 5), 1.5f, true));
        level.MoveToRoom(movers.back().get(), level.FindRoomId(movers.back()->GetPosition(), 0));
    }
    CountingManager manager;
    const int frames = 2000;
    double ms = MsPerFrame(frames, [&] {
        for (auto& m : movers) manager.DeclareMover(m.get(), 3, 0x1B);
        manager.Update();
    });
    printf("%5d props, %d movers: %8.4f ms per frame, %ld pairs per frame\n", props,
           qvPhysManager::MAX_MOVERS, ms, manager.m_Pairs / frames);
}

void WriteCrate(const std::string& root) {
    CreateDirectoryA(root.c_str(), nullptr);
    for (const char* dir : {"tune", "tune\\banger", "geometry", "bound"})
        CreateDirectoryA((root + "\\" + dir).c_str(), nullptr);
    datAssetManager::SetPath(root.c_str());
    qvBangerData record;
    record.SetName("crate");
    record.Size = Vector3(0.5f, 0.8f, 0.5f);
    record.CG = Vector3(0.0f, 0.4f, 0.0f);
    record.Mass = 20.0f;
    record.Elasticity = 0.3f;
    record.Friction = 0.8f;
    record.ImpulseLimit2 = 2500.0f;
    record.CollisionPrim = qvBangerData::PRIM_BOX;
    record.Save();
    std::string bytes = "PKG3" + PropPackageItems("crate", record.Size);
    FILE* f = fopen((root + "\\geometry\\crate.pkg").c_str(), "wb");
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

// The car and 32 moving props are one mover more than the manager's table holds, and it says
// so in each such frame: those messages are counted, the others printed.
int sm_TableFull = 0;

void CountTableFull(const char* text) {
    if (strstr(text, "raise MAX_MOVERS")) {
        ++sm_TableFull;
    } else {
        ConsolePrint(text);
    }
}

void RunBangers(int props) {
    const int rooms = 21;
    GridLevel level(rooms + 1);
    // A flat city under the strip.
    const float rise = 0.0f;
    Terrain terrain(level.GetRoomCount(), rise);
    qvInstallBangerSeams();
    qvBangerDataManager types;
    qvBangerActiveManager active;
    qvBangerInstancePool pool;
    pool.Init(props + 16);
    qvPhysManager physics;
    for (int i = 0; i < props; ++i) {
        Matrix34 m;
        m.Identity();
        m.d = Vector3(15.0f + 180.0f * float(i) / float(props), 0.0f, 5.0f + float(i % 5 - 2) * 0.4f);
        m.d.y = Terrain::Height(m.d.x, rise);
        qvBangerInstance* crate = qvBangerInstance::Create("crate", true);
        crate->Init("crate", m, 0);
        level.MoveToRoom(crate, level.FindRoomId(m.d, 0));
    }
    Car car(Vector3(5.0f, Terrain::Height(5.0f, rise) + 0.77f, 5.0f));
    car.m_Speed = 10.0f;
    car.m_Lane = 5.0f;
    level.MoveToRoom(&car, level.FindRoomId(car.GetPosition(), 0));
    datTimeManager::Seconds = 1.0f / 60.0f;
    // Until the car reaches the strip's end, 19 s.
    const int frames = 1140;
    double total = 0.0, worst = 0.0;
    long moving = 0;
    sm_TableFull = 0;
    PrintHookFunc console = SetConsoleHook(CountTableFull);
    for (int f = 0; f < frames; ++f) {
        auto start = std::chrono::steady_clock::now();
        active.Update();
        physics.DeclareMover(&car, 3, 0x1B);
        physics.Update();
        lvlLevel::ClearDrawables();
        double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        total += ms;
        worst = std::max(worst, ms);
        moving += active.GetCount();
    }
    SetConsoleHook(console);
    printf("%5d props, a car and up to 32 moving props: %8.4f ms per frame (worst %.3f), %.1f moving on average\n",
           props, total / frames, worst, double(moving) / frames);
    printf("      a full mover table turned a mover away %d times in %d frames\n", sm_TableFull, frames);
    level.RemoveFromRoom(&car);
    qvRemoveBangerSeams();
}

// The whole frame with n bodies moving on a flat city (the active bodies' limit is 32): boxes
// let go side by side a little above the ground and sent sliding, declared every frame to
// collide with the terrain and with each other, as the active props are. The figure grows
// with the bodies: each one's terrain collision and its share of the solver, and the pairs.
void RunMoving(int n) {
    GridLevel level(6);
    Terrain terrain(level.GetRoomCount(), 0.0f);
    qvPhysManager physics;
    std::vector<std::unique_ptr<Block>> bodies;
    for (int i = 0; i < n; ++i) {
        Matrix34 m;
        m.Identity();
        m.d = Vector3(2.0f + 1.2f * float(i), 0.3f + 0.1f * float(i % 3), 5.0f);
        bodies.emplace_back(new Block(Vector3(0.5f, 0.5f, 0.5f), 20.0f, m));
        Block& b = *bodies.back();
        b.m_Body.Velocity = Vector3(0.0f, 0.0f, i % 2 ? 2.0f : -2.0f);
        b.m_Body.Momentum = b.m_Body.Velocity * b.m_Body.Mass;
        level.MoveToRoom(&b, level.FindRoomId(m.d, 0));
    }
    double ms = MsPerFrame(1200, [&] {
        for (auto& b : bodies) physics.DeclareMover(b.get(), 2, 0x13);
        physics.Update();
    });
    printf("%3d moving bodies: %8.4f ms per frame, %7.4f ms per body\n", n, ms, ms / n);
    for (auto& b : bodies) level.RemoveFromRoom(b.get());
}

}  // namespace

int main() {
    for (int n : {1, 2, 4, 8, 16, 32}) RunMoving(n);
    for (int props : {100, 250, 500, 1000}) Run(props);
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, cwd);
    WriteCrate(std::string(cwd) + "\\physmgr_bench");
    for (int props : {100, 250, 500, 1000}) RunBangers(props);
    return 0;
}
