// Banger tuning records: reading the text and binary files, the lookup table and its memory
// of missing names, the collision bounds and their material, saving, and the banks.
#include "banger/bangerdata.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bank/bank.h"
#include "bank/toggle.h"
#include "bank/widgets.h"
#include "city/materialmgr.h"
#include "data/asset.h"
#include "phbound/boundbox.h"
#include "phbound/boundgeometry.h"
#include "phbound/boundhotdog.h"
#include "phbound/boundsphere.h"
#include "phcore/material.h"
#include "tests/game/banger/tuning.h"
#include "tests/support/child.h"
#include "tests/support/console.h"
#include "tests/support/scratch.h"

namespace {

void ExpectVector(const Vector3& expected, const Vector3& actual) {
    EXPECT_FLOAT_EQ(expected.x, actual.x);
    EXPECT_FLOAT_EQ(expected.y, actual.y);
    EXPECT_FLOAT_EQ(expected.z, actual.z);
}

// A scratch asset root with a live manager, and the game's material manager that the
// bounds take their default material from, as while a level is loaded.
class BangerData : public ::testing::Test {
protected:
    void SetUp() override {
        datAssetManager::SetPath(m_Scratch.Root().c_str());
        qvMaterialMgr::CreateInstance();
        m_Manager = std::make_unique<qvBangerDataManager>();
    }
    void TearDown() override {
        m_Manager.reset();
        qvMaterialMgr::DeleteInstance();
        datAssetManager::SetPath("");
    }
    void Write(const std::string& name, const Tuning& t) {
        WriteTuning(m_Scratch.Root(), name, TuningText(t));
    }
    void WriteBinary(const std::string& name, const Tuning& t) {
        tuning::MakeFolders(m_Scratch.Root(), "tune\\banger\\" + name);
        TuningBinary(t, TuningPath(name));
    }
    qvBangerData* Load(const std::string& name, const Tuning& t) {
        Write(name, t);
        return m_Manager->GetData(m_Manager->Lookup(name.c_str()));
    }
    std::string TuningPath(const std::string& name) const {
        return m_Scratch.Path("tune\\banger\\" + name + ".qvBangerData");
    }

    ScratchDir m_Scratch;
    std::unique_ptr<qvBangerDataManager> m_Manager;
};

// Every field of the record against the values it was written from.
void ExpectRecord(const Tuning& t, const qvBangerData& d) {
    EXPECT_EQ(t.AudioId, d.AudioId);
    ExpectVector(t.Size, d.Size);
    ExpectVector(t.CG, d.CG);
    ASSERT_EQ(int(t.Glows.size()), d.NumGlows);
    for (size_t i = 0; i < t.Glows.size(); ++i) {
        ExpectVector(t.Glows[i], d.GlowOffset[i]);
    }
    EXPECT_FLOAT_EQ(t.Mass, d.Mass);
    EXPECT_FLOAT_EQ(t.Elasticity, d.Elasticity);
    EXPECT_FLOAT_EQ(t.Friction, d.Friction);
    EXPECT_FLOAT_EQ(t.ImpulseLimit2, d.ImpulseLimit2);
    EXPECT_EQ(t.SpinAxis, d.SpinAxis);
    EXPECT_EQ(t.Flash, d.Flash);
    EXPECT_EQ(t.NumParts, d.NumParts);
    EXPECT_EQ(t.InitialBlast, d.BirthRule.InitialBlast);
    EXPECT_EQ(t.BirthFlags, d.BirthRule.BirthFlags);
    ExpectVector(Vector3(1.5f, 1.5f, 1.5f), d.BirthRule.Position);
    EXPECT_FLOAT_EQ(0.25f, d.BirthRule.Radius);
    EXPECT_FLOAT_EQ(-9.5f, d.BirthRule.Gravity);
    EXPECT_EQ(t.TexNumber, d.TexNumber);
    EXPECT_EQ(uint32_t(t.BillFlags), d.BillFlags);
    EXPECT_FLOAT_EQ(t.YRadius, d.YRadius);
    EXPECT_EQ(t.Tail ? t.ColliderId : 0, d.ColliderId);
    EXPECT_EQ(t.Tail ? t.CollisionPrim : 0, d.CollisionPrim);
    EXPECT_EQ(t.Tail ? t.CollisionType : 16, d.CollisionType);
}

TEST_F(BangerData, ReadsEveryFieldInTextAndBinaryForm) {
    Tuning full;
    Tuning cut;
    cut.Tail = false;
    cut.CollisionPrim = 0;
    Tuning oneGlow;
    oneGlow.NumGlowsLine = false;
    oneGlow.Glows = {{0.25f, 0.5f, 0.75f}};
    struct Case {
        const char* m_Name;
        const Tuning& m_Tuning;
        bool m_Binary;
    } cases[] = {{"full", full, false},   {"cut", cut, false},    {"oneglow", oneGlow, false},
                 {"fullbin", full, true}, {"cutbin", cut, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_Name);
        if (c.m_Binary) {
            WriteBinary(c.m_Name, c.m_Tuning);
        } else {
            Write(c.m_Name, c.m_Tuning);
        }
        qvBangerData* d = m_Manager->GetData(m_Manager->Lookup(c.m_Name));
        ASSERT_TRUE(d);
        ExpectRecord(c.m_Tuning, *d);
    }
}

TEST_F(BangerData, SavedRecordReadsBackEqual) {
    Tuning t;
    qvBangerData* d = Load("crate", t);
    ASSERT_TRUE(d);
    d->Mass = 12.5f;
    d->BirthRule.InitialBlast = 44;
    d->GlowOffset[1] = Vector3(2.0f, -3.0f, 0.125f);
    d->CollisionType = 0x44;
    ASSERT_TRUE(d->Save());
    qvBangerData again;
    again.SetName("crate");
    ASSERT_TRUE(again.Load());
    t.Mass = 12.5f;
    t.InitialBlast = 44;
    t.Glows[1] = Vector3(2.0f, -3.0f, 0.125f);
    t.CollisionType = 0x44;
    ExpectRecord(t, again);
    const std::string head = "type: a\nqvBangerData {\n  AudioId 7\n";
    EXPECT_EQ(head, ReadWholeFile(TuningPath("crate")).substr(0, head.size()));
}

TEST_F(BangerData, LookupReadsEachNameOnceAndRemembersMissingOnes) {
    Write("crate", Tuning());
    int16_t first = m_Manager->Lookup("crate");
    EXPECT_EQ(0, first);
    DeleteFileA(TuningPath("crate").c_str());
    EXPECT_EQ(first, m_Manager->Lookup("crate"));

    EXPECT_EQ(-1, m_Manager->Lookup("barrel"));
    Write("barrel", Tuning());
    EXPECT_EQ(-1, m_Manager->Lookup("barrel"));
    EXPECT_EQ(1, m_Manager->NumEntries);

    Write("crate_BREAK01", Tuning());
    int16_t part = m_Manager->Lookup("crate", "BREAK01");
    EXPECT_EQ(1, part);
    EXPECT_STREQ("crate_BREAK01", m_Manager->GetData(part)->GetName());
    EXPECT_EQ(part, m_Manager->GetData(part)->Index);
    EXPECT_EQ(m_Manager.get(), m_Manager->GetData(part)->GetParent());
    EXPECT_EQ(nullptr, m_Manager->GetData(2));
    EXPECT_EQ(nullptr, m_Manager->GetData(-1));
}

// A missing name must not leave a half-read record behind for the next one.
TEST_F(BangerData, RefusedFileLeavesNoTraceInTheTable) {
    Tuning bad;
    bad.Mass = 0.0f;
    Write("bad", bad);
    ConsoleCapture console;
    EXPECT_EQ(-1, m_Manager->Lookup("bad"));
    EXPECT_NE(std::string::npos, console.Take().find("holds a size, mass or surface value"));
    Tuning good;
    good.Tail = false;
    qvBangerData* d = Load("good", good);
    ASSERT_TRUE(d);
    EXPECT_EQ(0, d->Index);
    ExpectRecord(good, *d);
}

TEST_F(BangerData, ValuesNoPropCanHaveAreRefused) {
    const float inf = INFINITY;
    struct Case {
        const char* m_Name;
        void (*m_Spoil)(Tuning&, float);
    } cases[] = {
        {"nanmass", [](Tuning& t, float) { t.Mass = NAN; }},
        {"negativemass", [](Tuning& t, float) { t.Mass = -1.0f; }},
        {"infsize", [](Tuning& t, float v) { t.Size.y = v; }},
        {"negativesize", [](Tuning& t, float) { t.Size.x = -0.5f; }},
        {"infcg", [](Tuning& t, float v) { t.CG.z = -v; }},
        {"nanglow", [](Tuning& t, float) { t.Glows[1].x = NAN; }},
        {"infelasticity", [](Tuning& t, float v) { t.Elasticity = v; }},
        {"nanfriction", [](Tuning& t, float) { t.Friction = NAN; }},
        {"inflimit", [](Tuning& t, float v) { t.ImpulseLimit2 = v; }},
        {"negativeradius", [](Tuning& t, float) { t.YRadius = -0.1f; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_Name);
        Tuning t;
        c.m_Spoil(t, inf);
        // Raw floats: the text form has no spelling for the values that are not finite.
        WriteBinary(c.m_Name, t);
        ConsoleCapture console;
        EXPECT_EQ(-1, m_Manager->Lookup(c.m_Name));
        EXPECT_NE(std::string::npos, console.Take().find(c.m_Name));
    }
    EXPECT_EQ(0, m_Manager->NumEntries);
}

// The shape by CollisionPrim; every shape answers with its own material, which carries the
// record's surface values.
TEST_F(BangerData, BoundsByShapeCarryTheRecordsMaterial) {
    WriteTetraBound(m_Scratch.Root(), "statue_bound");
    struct Case {
        const char* m_Name;
        int m_Prim;
        int m_Type;  // -1: no bound
    } cases[] = {{"statue", 0, phBound::GEOMETRY}, {"bust", 0, -1},       {"box", 1, phBound::BOX},
                 {"pole", 2, phBound::HOTDOG},     {"ball", 3, phBound::SPHERE}, {"ghost", 4, -1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_Name);
        Tuning t;
        t.CollisionPrim = c.m_Prim;
        qvBangerData* d = Load(c.m_Name, t);
        ASSERT_TRUE(d);
        phBound* bound = d->GetBound();
        if (c.m_Type < 0) {
            EXPECT_EQ(nullptr, bound);
            continue;
        }
        ASSERT_TRUE(bound);
        EXPECT_EQ(c.m_Type, bound->Type);
        EXPECT_EQ(1, bound->GetNumMaterials());
        phMaterial* material = bound->GetMaterial(0);
        EXPECT_EQ(material, bound->GetMaterial(3));
        EXPECT_FLOAT_EQ(t.Elasticity, material->Elasticity);
        EXPECT_FLOAT_EQ(t.Friction, material->Friction);
        bound->SetFriction(0.125f);
        bound->SetElasticity(0.375f);
        EXPECT_FLOAT_EQ(0.125f, material->Friction);
        EXPECT_FLOAT_EQ(0.375f, material->Elasticity);
        // Read again (the bank's "Load"), the file's surface reaches the bound once more.
        ASSERT_TRUE(d->Load());
        EXPECT_FLOAT_EQ(t.Friction, material->Friction);
        EXPECT_FLOAT_EQ(0.5f, bound->GetFriction());
        EXPECT_FLOAT_EQ(0.5f, bound->GetElasticity());
        switch (c.m_Type) {
        case phBound::GEOMETRY:
            // Moved by -CG: the tetrahedron's corner at the origin is now at (0, -0.25, 0).
            ExpectVector(Vector3(0.0f, -0.25f, 0.0f), bound->BoxMin);
            ExpectVector(Vector3(1.0f, 0.75f, 1.0f), bound->BoxMax);
            break;
        case phBound::BOX:
            ExpectVector(Vector3(-0.5f, -1.0f, -0.25f), bound->BoxMin);
            ExpectVector(Vector3(0.5f, 1.0f, 0.25f), bound->BoxMax);
            break;
        case phBound::HOTDOG:
            EXPECT_FLOAT_EQ(0.4f, static_cast<phBoundHotdog*>(bound)->Radius);
            EXPECT_FLOAT_EQ(2.0f, static_cast<phBoundHotdog*>(bound)->Length);
            break;
        case phBound::SPHERE:
            EXPECT_FLOAT_EQ(0.4f, bound->RadiusAroundCentroid);
            break;
        }
    }
}

TEST_CHILD(HotdogWithoutRadius) {
    ScratchDir scratch;
    datAssetManager::SetPath(scratch.Root().c_str());
    Tuning t;
    t.CollisionPrim = 2;
    t.YRadius = 0.0f;
    WriteTuning(scratch.Root(), "pole", TuningText(t));
    qvBangerDataManager manager;
    manager.Lookup("pole");
    return 0;
}

TEST_CHILD(TooManyTypes) {
    ScratchDir scratch;
    datAssetManager::SetPath(scratch.Root().c_str());
    std::string text = TuningText(Tuning());
    qvBangerDataManager manager;
    for (int i = 0; i <= qvBangerDataManager::NUM_BANGER_TYPES; ++i) {
        std::string name = "t" + std::to_string(i);
        WriteTuning(scratch.Root(), name, text);
        if (manager.Lookup(name.c_str()) != i) return 2;
    }
    return 0;
}

TEST_CHILD(SecondManager) {
    qvBangerDataManager first;
    qvBangerDataManager second;
    return 0;
}

TEST_CHILD(NegativeGlowCount) {
    ScratchDir scratch;
    datAssetManager::SetPath(scratch.Root().c_str());
    std::string text = TuningText(Tuning());
    text.replace(text.find("NumGlows 2"), 10, "NumGlows -2");
    WriteTuning(scratch.Root(), "crate", text);
    qvBangerDataManager manager;
    manager.Lookup("crate");
    return 0;
}

TEST(BangerDataFatal, BrokenLimitsEndTheProgram) {
    ExpectFatalChildren({
        {"HotdogWithoutRadius", "YRadius != 0.0f"},
        {"TooManyTypes", "NumEntries < NUM_BANGER_TYPES"},
        {"SecondManager", "Already have qvBangerDataManager"},
        {"NegativeGlowCount", "NumGlows -2 is outside 0 to 32767"},
    });
}

// A bank that keeps its widgets by title, so that a test can work them as a user would.
class TitledBank : public bkBank {
public:
    struct Button : bkButton {
        explicit Button(datCallback cb) : bkButton(cb) {}
        void Press() { m_Callback.Call(0); }
    };
    struct Slider : bkSlider {
        Slider(bkSliderValue* value, datCallback cb) : bkSlider(value, cb) {}
        void Enter(const char* text) {
            m_Value->SetFromText(text);
            m_Callback.Call(0);
        }
    };
    struct Combo : bkCombo {
        Combo(int32_t* value, int count, datCallback cb) : bkCombo(value, count, 0, cb) {}
        void Choose(int index) {
            SetIndex(index);
            m_Callback.Call(0);
        }
    };

    void GetConfig(bool*, int*, int*, int*, int*) override {}
    void SetConfig(bool, int, int, int, int) override {}
    bkButton* AddButton(const char* title, datCallback cb) override {
        return Keep(title, new Button(cb));
    }
    bkSlider* AddSlider(const char* title, bkSliderValue* value, datCallback cb) override {
        return Keep(title, new Slider(value, cb));
    }
    bkToggle* AddToggle(const char* title, uint8_t* value, uint8_t mask, datCallback cb) override {
        return Keep(title, new bkToggle(value, mask, cb));
    }
    bkToggle* AddToggle(const char* title, uint32_t* value, uint32_t mask,
                        datCallback cb) override {
        return Keep(title, new bkToggle(value, mask, cb));
    }
    bkToggle* AddToggle(const char* title, uint8_t* value, datCallback cb) override {
        return Keep(title, new bkToggle(value, cb));
    }
    bkCombo* AddCombo(const char* title, int32_t* value, int count, const char**, int,
                      datCallback cb) override {
        return Keep(title, new Combo(value, count, cb));
    }
    bkGroup* PushGroup(const char* title, bool open) override {
        return Keep(title, new bkGroup(open));
    }
    bkGroup* PopGroup() override { return nullptr; }
    using bkBank::AddButton;
    using bkBank::AddSlider;
    using bkBank::AddToggle;

    template <class W>
    W* Keep(const char* title, W* widget) {
        AddWidget(widget);
        m_Titles.resize(NumWidgets);
        m_Titles[NumWidgets - 1] = title;
        m_Objects[title] = widget;
        return widget;
    }
    // The widget last added under the title, as the class it was made as.
    template <class W>
    W* Find(const std::string& title) {
        return static_cast<W*>(m_Objects.at(title));
    }
    std::vector<std::string> Titles() const {
        return std::vector<std::string>(m_Titles.begin(), m_Titles.begin() + NumWidgets);
    }

    std::vector<std::string> m_Titles;
    std::map<std::string, void*> m_Objects;
};

TEST_F(BangerData, RecordBankListsItsWidgetsAndKeepsTheTextureNumber) {
    Tuning t;
    qvBangerData* d = Load("crate", t);
    ASSERT_TRUE(d);
    TitledBank bank;
    d->AddWidgets(&bank);
    std::vector<std::string> titles = bank.Titles();
    const std::vector<std::string> head = {
        "crate.qvBangerData", "Save", "Load", "crate", "Mass", "Size X", "Size Y", "Size Z",
        "Elasticity", "Friction", "ImpulseLimit2", "TexNumber", "YRadius", "Driveable",
        "Don't Light Object", "CollisionPrim", "ColliderId", "Birth Rule"};
    ASSERT_GE(titles.size(), head.size());
    EXPECT_EQ(head, std::vector<std::string>(titles.begin(), titles.begin() + head.size()));
    EXPECT_EQ(t.TexNumber, d->TexNumber);
    ASSERT_TRUE(d->Save());
    qvBangerData again;
    again.SetName("crate");
    ASSERT_TRUE(again.Load());
    EXPECT_EQ(t.TexNumber, again.TexNumber);
}

// The shared "CollisionPrim" slider changes the record's code but not its bound: resizing
// must follow the bound's real shape, and a record without a bound must be left alone.
TEST_F(BangerData, SlidersResizeAndRetuneTheBoundItReallyHas) {
    Tuning boxTuning;
    boxTuning.CollisionPrim = 1;
    qvBangerData* box = Load("box", boxTuning);
    ASSERT_TRUE(box && box->GetBound());
    TitledBank bank;
    box->AddWidgets(&bank);
    bank.Find<TitledBank::Slider>("CollisionPrim")->Enter("3");
    EXPECT_EQ(3, box->CollisionPrim);
    box->Size = Vector3(2.0f, 4.0f, 6.0f);
    bank.Find<TitledBank::Slider>("YRadius")->Enter("0.5");
    ASSERT_EQ(phBound::BOX, box->GetBound()->Type);
    ExpectVector(Vector3(1.0f, 2.0f, 3.0f), box->GetBound()->BoxMax);
    bank.Find<TitledBank::Slider>("Friction")->Enter("2.5");
    EXPECT_FLOAT_EQ(2.5f, box->GetBound()->GetMaterial(0)->Friction);
    EXPECT_FLOAT_EQ(boxTuning.Elasticity, box->GetBound()->GetMaterial(0)->Elasticity);

    Tuning noBound;
    noBound.CollisionPrim = 0;
    qvBangerData* bare = Load("bare", noBound);
    ASSERT_TRUE(bare);
    ASSERT_EQ(nullptr, bare->GetBound());
    TitledBank bareBank;
    bare->AddWidgets(&bareBank);
    bareBank.Find<TitledBank::Slider>("Elasticity")->Enter("1.5");
    bareBank.Find<TitledBank::Slider>("YRadius")->Enter("0.5");
    EXPECT_FLOAT_EQ(1.5f, bare->Elasticity);
}

TEST_F(BangerData, ChoosingARecordReplacesTheLastOnesWidgets) {
    Load("crate", Tuning());
    Load("barrel", Tuning());
    TitledBank bank;
    m_Manager->AddWidgets(&bank);
    const std::vector<std::string> own = {"ImpulseLimitMultiplier", "MassMultiplier",
                                          "TuneBangers", "Banger Data"};
    EXPECT_EQ(own, bank.Titles());
    auto* combo = bank.Find<TitledBank::Combo>("Banger Data");
    combo->Choose(1);
    EXPECT_EQ("barrel.qvBangerData", bank.Titles()[4]);
    int widgets = bank.NumWidgets;
    combo->Choose(0);
    EXPECT_EQ(widgets, bank.NumWidgets);
    std::vector<std::string> titles = bank.Titles();
    EXPECT_EQ("crate.qvBangerData", titles[4]);
    EXPECT_EQ(own, std::vector<std::string>(titles.begin(), titles.begin() + 4));
}

}  // namespace
