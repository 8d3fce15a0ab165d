#ifndef TESTS_GAME_BANGER_BANGERFIXTURE_H
#define TESTS_GAME_BANGER_BANGERFIXTURE_H

#include <cstdarg>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "banger/active.h"
#include "banger/banger.h"
#include "banger/bangerdata.h"
#include "banger/bangerpool.h"
#include "banger/bangerseams.h"
#include "data/printer.h"
#include "data/timemgr.h"
#include "phys/physmgr.h"
#include "tests/game/level/levelfixture.h"

// Errors printed while a test runs.
inline std::vector<std::string>& BangerErrors() {
    static std::vector<std::string> errors;
    return errors;
}

// Fatal reports still reach the console.
inline void RecordBangerError(int level, const char* format, va_list args) {
    if (level == 4) {
        char line[512];
        vsnprintf(line, sizeof(line), format, args);
        BangerErrors().push_back(line);
    } else if (level >= 5) {
        PrintHandler(level, format, args);
    }
}

// A tuning file for the type in "tune/banger": the record's defaults, then the changes.
inline void WriteBangerType(const std::string& name,
                            const std::function<void(qvBangerData&)>& edit = nullptr) {
    qvBangerData record;
    record.SetName(name.c_str());
    if (edit) {
        edit(record);
    }
    ASSERT_TRUE(record.Save()) << name;
}

// A banger of the type, placed with its model origin at the position, in the room there.
inline qvBangerInstance* PlaceBanger(lvlLevel& level, const std::string& type,
                                     const Vector3& position, bool fullMatrix = true) {
    qvBangerInstance* banger = qvBangerInstance::Create(type.c_str(), fullMatrix);
    EXPECT_TRUE(banger) << type;
    if (!banger) {
        return nullptr;
    }
    Matrix34 m;
    m.Identity();
    m.d = position;
    banger->Init(type.c_str(), m, 0);
    level.MoveToRoom(banger, level.FindRoomId(position, 0));
    return banger;
}

// The grid level with the banger module behind it: tuning files written by the test into
// "tune/banger", packages into "geometry", the data manager, the active bodies, a pool of 8
// loose instances and the physics manager.
class BangerFixture : public LevelFixture {
protected:
    void SetUp() override {
        LevelFixture::SetUp();
        CreateDirectoryA(m_Scratch.Path("tune").c_str(), nullptr);
        CreateDirectoryA(m_Scratch.Path("tune\\banger").c_str(), nullptr);
        qvInstallBangerSeams();
        BangerErrors().clear();
        m_Handler = SetPrintHandler(RecordBangerError);
        datTimeManager::Seconds = 1.0f / 60.0f;
        datTimeManager::FPS = 60.0f;
        m_Types.reset(new qvBangerDataManager);
        m_Active.reset(new qvBangerActiveManager);
        m_Pool.reset(new qvBangerInstancePool);
        m_Pool->Init(8);
        m_Physics.reset(new qvPhysManager);
    }
    void TearDown() override {
        m_Physics.reset();
        m_Pool.reset();
        m_Active.reset();
        m_Types.reset();
        SetPrintHandler(m_Handler);
        qvRemoveBangerSeams();
        LevelFixture::TearDown();
    }

    void WriteType(const std::string& name,
                   const std::function<void(qvBangerData&)>& edit = nullptr) {
        WriteBangerType(name, edit);
    }

    // A banger's package: its model, a shadow, the models of the parts given and a shader
    // table of the variants given.
    void WriteBangerPackage(const std::string& name, const std::vector<std::string>& parts = {},
                            int variants = 3) {
        std::string items = LodItems(name, {"H", "M", "L", "VL"}) + LodItems("shadow", {"H"});
        for (const std::string& part : parts) {
            items += LodItems(part, {"H"});
        }
        WritePackage(name, items + ShadersItem(variants, 1));
    }

    qvBangerInstance* Place(const std::string& type, const Vector3& position,
                            bool fullMatrix = true) {
        return PlaceBanger(*m_Level, type, position, fullMatrix);
    }

    // A plain instance standing in the room at x, as the other side of an impact; it is a
    // mover of the frame without a body.
    lvlInstance* Hitter(float x) {
        lvlInstance* other = lvlInstance::Create<lvlMatrixInstance>();
        Matrix34 m;
        m.Identity();
        m.d = Vector3(x, 0.0f, 5.0f);
        other->SetMatrix(m);
        m_Level->MoveToRoom(other, m_Level->FindRoomId(m.d, 0));
        m_Physics->DeclareMover(other, 2, qvPhysManager::MOVERS);
        return other;
    }

    bool InRoomList(lvlInstance* instance, int room) const {
        for (lvlInstance* i = m_Level->GetRoomHead(room); i; i = i->GetNext()) {
            if (i == instance) {
                return true;
            }
        }
        return false;
    }

    const qvPhysManager::Mover* MoverOf(lvlInstance* instance) const {
        for (int i = 0; i < m_Physics->GetMoverCount(); ++i) {
            if (m_Physics->GetMover(i).m_Instance == instance) {
                return &m_Physics->GetMover(i);
            }
        }
        return nullptr;
    }

    qvBangerActive* ActiveOf(qvBangerInstance* banger) {
        return m_Active->GetActive(banger);
    }

    PrintHandlerFunc m_Handler = nullptr;
    std::unique_ptr<qvBangerDataManager> m_Types;
    std::unique_ptr<qvBangerActiveManager> m_Active;
    std::unique_ptr<qvBangerInstancePool> m_Pool;
    std::unique_ptr<qvPhysManager> m_Physics;
};

#endif
