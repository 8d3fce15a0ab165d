#include "phinertia/sleep.h"

#include <cfloat>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "bank/bank.h"
#include "data/callback.h"
#include "data/timemgr.h"
#include "phinertia/inertia.h"

namespace {

std::vector<uintptr_t> Calls;

void Record(uintptr_t, uintptr_t argument) {
    Calls.push_back(argument);
}

// The rest monitor reads the time manager's elapsed time; each test starts at 0.
class SleepTest : public ::testing::Test {
protected:
    SleepTest() : m_Sleep(&m_Body, nullptr) {
        datTimeManager::sm_ElapsedTime = 0.0f;
        Calls.clear();
    }
    ~SleepTest() override { datTimeManager::sm_ElapsedTime = 0.0f; }

    void Ticks(int count) {
        for (int i = 0; i < count; ++i) {
            m_Sleep.Update();
        }
    }

    phInertialCS m_Body;
    phSleep m_Sleep;
};

// Records the titles the monitor adds.
class TitleBank : public bkBank {
public:
    void GetConfig(bool*, int*, int*, int*, int*) override {}
    void SetConfig(bool, int, int, int, int) override {}
    bkButton* AddButton(const char* title, datCallback) override {
        m_Titles.push_back(title);
        return nullptr;
    }
    bkSlider* AddSlider(const char* title, bkSliderValue* value, datCallback) override {
        m_Titles.push_back(title);
        delete value;
        return nullptr;
    }
    using bkBank::AddButton;
    using bkBank::AddSlider;

    std::vector<std::string> m_Titles;
};

}  // namespace

TEST_F(SleepTest, StillBodyIsPutToRestOnItsFifteenthQuietTick) {
    m_Sleep.SetCallback(new datCallback(Record, 7));
    m_Body.Velocity.Set(0.01f, 0, 0);
    m_Body.Momentum = m_Body.Velocity;
    m_Body.Force.Set(0, -9.8f, 0);
    Ticks(14);
    EXPECT_EQ(m_Sleep.State, phSleep::AWAKE);
    EXPECT_EQ(m_Sleep.QuietTicks, 14);
    EXPECT_TRUE(Calls.empty());
    Ticks(1);
    EXPECT_EQ(m_Sleep.State, phSleep::RESTING);
    EXPECT_EQ(m_Body.Active, 0);
    EXPECT_TRUE(m_Body.Velocity.IsZero());
    EXPECT_TRUE(m_Body.Force.IsZero());
    EXPECT_EQ(m_Sleep.WakeTime, FLT_MAX);
    ASSERT_EQ(Calls.size(), 1u);
    EXPECT_EQ(Calls[0], 0u);

    phInertialCS other;
    phSleep eager(&other, nullptr);
    eager.MaxTicks = 0;
    eager.Update();
    EXPECT_EQ(eager.State, phSleep::RESTING);
}

// Each case disturbs one quantity of the quiet test, just beyond or just within its limit.
TEST_F(SleepTest, QuietTestLimits) {
    struct Case {
        const char* name;
        void (*disturb)(phInertialCS&);
        bool quiet;
    };
    const Case cases[] = {
        {"slow", [](phInertialCS& b) { b.Velocity.Set(0.07f, 0, 0); }, true},
        {"fast", [](phInertialCS& b) { b.Velocity.Set(0.071f, 0, 0); }, false},
        {"applied push", [](phInertialCS& b) { b.AppliedPush.Set(0, 0.0012f, 0); }, false},
        {"small applied push", [](phInertialCS& b) { b.AppliedPush.Set(0, 0.001f, 0); }, true},
        {"push against velocity",
         [](phInertialCS& b) {
             b.Velocity.Set(0.3f, 0, 0);
             b.Turn.Set(-0.005f, 0, 0);
         },
         true},
        {"impulse", [](phInertialCS& b) { b.Impulse.Set(0, 0.071f, 0); }, false},
        {"spin", [](phInertialCS& b) { b.AngVelocity.Set(0, 0, 0.1f); }, false},
        {"slow spin", [](phInertialCS& b) { b.AngVelocity.Set(0, 0, 0.099f); }, true},
        {"tiny push", [](phInertialCS& b) { b.Push.Set(0, 1e-9f, 0); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        phInertialCS body;
        phSleep sleep(&body, nullptr);
        sleep.MaxTicks = 1;
        c.disturb(body);
        sleep.Update();
        EXPECT_EQ(sleep.State, c.quiet ? phSleep::RESTING : phSleep::AWAKE);
    }
}

TEST_F(SleepTest, MotionRestartsTheCountAndWakesTheBody) {
    Ticks(10);
    m_Body.Velocity.Set(1, 0, 0);
    Ticks(1);
    EXPECT_EQ(m_Sleep.QuietTicks, 0);
    m_Body.Velocity.Zero();
    Ticks(14);
    EXPECT_EQ(m_Sleep.State, phSleep::AWAKE);
    Ticks(1);
    EXPECT_EQ(m_Sleep.State, phSleep::RESTING);

    m_Body.Force.Set(1, 2, 3);
    Ticks(119);
    EXPECT_EQ(m_Sleep.State, phSleep::RESTING);
    EXPECT_TRUE(m_Body.Force.IsZero());
    Ticks(1);
    EXPECT_EQ(m_Sleep.State, phSleep::DEEP_REST);
    Ticks(30);
    EXPECT_EQ(m_Sleep.State, phSleep::DEEP_REST);

    m_Body.Push.Set(0, 1e-9f, 0);
    Ticks(1);
    EXPECT_EQ(m_Sleep.State, phSleep::AWAKE);
    EXPECT_EQ(m_Body.Active, 1);
    EXPECT_EQ(m_Sleep.RestTicks, 0);
}

TEST_F(SleepTest, WakesAfterTheWakeTime) {
    Ticks(15);
    ASSERT_EQ(m_Sleep.State, phSleep::RESTING);
    datTimeManager::sm_ElapsedTime = 5.0f;
    m_Sleep.WakeAtCurrentTime();
    Ticks(1);
    EXPECT_EQ(m_Sleep.State, phSleep::RESTING);
    datTimeManager::sm_ElapsedTime = 5.0f + 1.0f / 60.0f;
    Ticks(1);
    EXPECT_EQ(m_Sleep.State, phSleep::AWAKE);
    EXPECT_EQ(m_Body.Active, 1);

    m_Sleep.PutToRest();
    EXPECT_EQ(m_Sleep.WakeTime, FLT_MAX);
    m_Sleep.Reset();
    EXPECT_EQ(m_Sleep.State, phSleep::AWAKE);
}

TEST_F(SleepTest, WidgetsOfBodyAndMonitor) {
    TitleBank bank;
    m_Body.AddWidgets(bank);
    m_Sleep.AddWidgets(bank);
    const std::vector<std::string> titles = {
        "Constants",     "Mass",     "AngInertia X",  "AngInertia Y",
        "AngInertia Z",  "MaxTicks", "VelTolerance2", "AngVelTolerance2"};
    EXPECT_EQ(bank.m_Titles, titles);
}
