// Instances: geometry sets and their packages, bounds, variants, the level of detail, the
// compact, matrix and facade classes.

#include "level/inst.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/options.h"
#include "level/instclasses.h"
#include "model/static.h"
#include "phbound/boundbox.h"
#include "phbound/boundterrain.h"
#include "tests/engine/phbound/boundfiles.h"
#include "tests/engine/phbound/terrains.h"
#include "tests/game/level/levelfixture.h"
#include "tests/support/child.h"

namespace {

using Instances = LevelFixture;

const Matrix34 Identity(Vector3(1, 0, 0), Vector3(0, 1, 0), Vector3(0, 0, 1), Vector3(0, 0, 0));

Matrix34 At(float x, float y, float z) {
    Matrix34 m = Identity;
    m.d.Set(x, y, z);
    return m;
}

}  // namespace

TEST_F(Instances, AllLevelsOfDetailWithTheLargestRadiusAndThePackagesShaders) {
    WritePackage("lamp", LodItems("lamp", {"H", "M", "L", "VL"}) + ShadersItem(3, 1));
    lvlMatrixInstance* lamp = lvlInstance::Create<lvlMatrixInstance>();
    ASSERT_TRUE(lamp->Init("lamp", At(1, 2, 3), 0));
    const lvlGeomSet* set = lamp->GetGeomSet();
    ASSERT_NE(set, nullptr);
    for (modStatic* model : set->m_Models) {
        EXPECT_NE(model, nullptr);
    }
    // The farthest vertex of the test geometry is (2, 4, -3).
    EXPECT_FLOAT_EQ(set->m_Radius, std::sqrt(29.0f));
    EXPECT_EQ(set->m_VariantCount, 3);
    EXPECT_NE(set->m_Shaders, nullptr);
    EXPECT_STREQ(lamp->GetGeomName(), "lamp");
    EXPECT_FALSE(lvlInstance::IsGeomOpen());

    // The second instance of the package shares the set; so does one of a name seen missing.
    lvlMatrixInstance* other = lvlInstance::Create<lvlMatrixInstance>();
    EXPECT_TRUE(other->Init("lamp", Identity, 0));
    EXPECT_EQ(other->GetGeomIndex(), lamp->GetGeomIndex());
    EXPECT_EQ(lvlInstance::BeginGeom("ghost", "ghost", 0), 0);
    WritePackage("ghost", LodItems("ghost", {"H"}) + ShadersItem(1, 1));
    EXPECT_EQ(lvlInstance::BeginGeom("ghost", "ghost", 0), 0);
    EXPECT_EQ(lvlInstance::GetGeomSetCount(), 1);
    // The package was looked for once.
    std::string said = m_Console.Take();
    EXPECT_EQ(said.find("ghost.pkg"), said.rfind("ghost.pkg")) << said;
}

TEST_F(Instances, AHighModelWithoutMediumAndLowIsWarnedAbout) {
    WritePackage("post", LodItems("post", {"H", "VL"}) + ShadersItem(1, 1));
    EXPECT_NE(lvlInstance::BeginGeom("post", "post", 0), 0);
    lvlInstance::EndGeom();
    EXPECT_EQ(m_Console.Take(), "Warning: post: Missing medium and low LOD's\n");
}

TEST_F(Instances, TheTeardownForgetsTheSetsSoRepeatedLevelsDoNotGrowTheTable) {
    WritePackage("lamp", LodItems("lamp", {"H", "M"}) + ShadersItem(1, 1));
    for (int round = 0; round < 3; ++round) {
        lvlInstance::Create<lvlMatrixInstance>()->Init("lamp", Identity, 0);
        EXPECT_EQ(lvlInstance::GetGeomSetCount(), 1);
        m_Level.reset();
        EXPECT_EQ(lvlInstance::GetGeomSetCount(), 0);
        m_Level.reset(new GridLevel);
    }
}

TEST_F(Instances, VariantsWrapByTheSetsCountAndAreZeroWithoutOne) {
    WritePackage("three", LodItems("three", {"H", "M"}) + ShadersItem(3, 2));
    WritePackage("none", LodItems("none", {"H", "M"}) + ShadersItem(0, 0));
    lvlInstance* three = lvlInstance::Create<lvlMatrixInstance>();
    three->Init("three", Identity, 0);
    lvlInstance* none = lvlInstance::Create<lvlMatrixInstance>();
    none->Init("none", Identity, 0);
    lvlInstance* missing = lvlInstance::Create<lvlMatrixInstance>();
    missing->Init("missing", Identity, 0);
    struct Case {
        lvlInstance* m_Instance;
        int m_Set;
        int m_Variant;
        int m_PassedOn;
    };
    const Case cases[] = {{three, 7, 1, 2}, {three, 2, 2, 0}, {none, 5, 0, 0}, {missing, 5, 0, 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(c.m_Instance->SetVariant(c.m_Set), c.m_PassedOn) << c.m_Set;
        EXPECT_EQ(c.m_Instance->GetVariant(), c.m_Variant) << c.m_Set;
    }
}

TEST_F(Instances, LevelOfDetailByDepthLessRadius) {
    WritePackage("ball", LodItems("ball", {"H", "M"}) + ShadersItem(1, 1));
    m_Viewport->Perspective(60.0f, 0.0f, 1.0f, 20000.0f);
    gfxSetCamera(At(0, 0, 0));
    lvlMatrixInstance* ball = lvlInstance::Create<lvlMatrixInstance>();
    ball->Init("ball", Identity, 0);
    lvlInstance::GetGeomSetAt(ball->GetGeomIndex())->m_Radius = 5.0f;
    struct Case {
        float m_Depth;
        float m_Side;
        int m_Lod;
    };
    const Case cases[] = {{205.5f, 0, 1}, {205.0f, 0, 2}, {105.0f, 0, 3}, {45.0f, 0, 4},
                          {10000.0f, 0, 0}, {100.0f, 1000.0f, 0}};
    for (const Case& c : cases) {
        // The camera looks down -z.
        ball->SetMatrix(At(c.m_Side, 0, -c.m_Depth));
        EXPECT_EQ(ball->ChooseLOD(*m_Viewport), c.m_Lod) << c.m_Depth << " " << c.m_Side;
    }
    EXPECT_EQ(lvlInstance::ModelSlot(4), lvlGeomSet::High);
    EXPECT_EQ(lvlInstance::ModelSlot(1), lvlGeomSet::VeryLow);
}

TEST_F(Instances, CompactInstancesKeepPositionAndTurnOnly) {
    lvlCompactInstance* compact = lvlInstance::Create<lvlCompactInstance>();
    Matrix34 any(Vector3(0.6f, 0.3f, 0.8f), Vector3(1, 2, 3), Vector3(4, 5, 6),
                 Vector3(7, 8, 9));
    compact->SetMatrix(any);
    Matrix34 scratch;
    ExpectMatrix(compact->GetMatrix(scratch),
                 Matrix34(Vector3(0.6f, 0, 0.8f), Vector3(0, 1, 0), Vector3(-0.8f, 0, 0.6f),
                          Vector3(7, 8, 9)),
                 "compact");
    EXPECT_FLOAT_EQ(compact->GetPosition().y, 8.0f);
}

TEST_F(Instances, FacingTestsOnlyWithTheSwitchOnAndTheFlagClear) {
    lvlCompactInstance* compact = lvlInstance::Create<lvlCompactInstance>();
    compact->SetMatrix(At(10, 0, 10));
    lvlMatrixInstance* matrix = lvlInstance::Create<lvlMatrixInstance>();
    Matrix34 turned(Vector3(0, 0, -1), Vector3(0, 1, 0), Vector3(1, 0, 0), Vector3(10, 0, 10));
    matrix->SetMatrix(turned);
    struct Case {
        lvlInstance* m_Instance;
        Vector3 m_Camera;
        bool m_Switch;
        uint16_t m_Flags;
        bool m_Passes;
    };
    const Case cases[] = {
        {compact, Vector3(10, 0, 20), true, 0, true},
        {compact, Vector3(10, 0, 0), true, 0, false},
        {compact, Vector3(10, 0, 0), false, 0, true},
        {compact, Vector3(10, 0, 0), true, lvlInstance::INST_NO_FACING, true},
        // Row c points along +x.
        {matrix, Vector3(20, 0, 10), true, 0, true},
        {matrix, Vector3(0, 0, 10), true, 0, false},
    };
    for (const Case& c : cases) {
        lvlInstance::sm_FacingTests = c.m_Switch;
        c.m_Instance->SetFlags(uint16_t(lvlInstance::INST_BASE | c.m_Flags));
        EXPECT_EQ(c.m_Instance->PassesFacing(c.m_Camera), c.m_Passes)
            << c.m_Camera.x << " " << c.m_Camera.z;
    }
    lvlInstance::sm_FacingTests = 0;
}

TEST_F(Instances, BoundsOfTheSetOrTheTwoSharedBoxesInTurn) {
    lvlMatrixInstance* none = lvlInstance::Create<lvlMatrixInstance>();
    EXPECT_EQ(none->GetBound(), nullptr);
    EXPECT_EQ(m_Console.Take(), "Error: m_GeomIndex == 0 in lvlInstance::GetBound()\n");

    WritePackage("crate", LodItems("crate", {"H", "M"}) + ShadersItem(1, 1));
    lvlMatrixInstance* crate = lvlInstance::Create<lvlMatrixInstance>();
    crate->Init("crate", Identity, 0);
    phBound* a = crate->GetBound();
    phBound* b = crate->GetBound();
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    EXPECT_EQ(crate->GetBound(), a);
    EXPECT_EQ(a->Type, phBound::BOX);
    EXPECT_FLOAT_EQ(static_cast<phBoundBox*>(a)->Size.x, 2.0f * std::sqrt(29.0f));

    // A set that needs its bound takes the box of its matrix file.
    WritePackage("gate", LodItems("gate", {"H", "M"}) + ShadersItem(1, 1));
    Matrix34 box(Vector3(4, 0, 0), Vector3(0, 2, 0), Vector3(0, 0, 1), Vector3(0, 1, 0));
    ASSERT_TRUE(WriteWholeFile(m_Scratch.Path("geometry\\gate_bound.mtx"),
                               InstFile::MatrixBytes(box)));
    lvlMatrixInstance* gate = lvlInstance::Create<lvlMatrixInstance>();
    gate->Init("gate", Identity, 1);
    phBound* own = gate->GetBound();
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(own->Type, phBound::BOX);
    EXPECT_FLOAT_EQ(static_cast<phBoundBox*>(own)->Size.x, 4.0f);
    EXPECT_EQ(gate->GetBound(), own);
}

TEST_F(Instances, LoadBoundTakesTheTerrainUnlessToldNotToElseTheGeometry) {
    WritePackage("ground", LodItems("ground", {"H", "M"}) + ShadersItem(1, 1));
    ASSERT_TRUE(WriteWholeFile(m_Scratch.Path("bound\\ground_bound.bnd"), FlatSquareText()));
    {
        phBoundTerrain grid;
        ASSERT_TRUE(grid.phBoundGeometry::Load("ground_bound"));
        BuildTerrainGrid(grid, 2, 2);
        ASSERT_TRUE(grid.Create("ground_bound"));
    }
    ASSERT_TRUE(WriteWholeFile(m_Scratch.Path("bound\\bad_bound.bnd"), "version: 9\n"));
    WritePackage("bad", LodItems("bad", {"H", "M"}) + ShadersItem(1, 1));
    struct Case {
        const char* m_Name;
        const char* m_Options;
        int m_Type;  // -1: none
        const char* m_Message;
    };
    const Case cases[] = {
        {"ground", "", phBound::TERRAIN, ""},
        {"ground", "-noterrain", phBound::GEOMETRY, ""},
        {"bad", "", -1, "Error: Malformed bound :bad_bound\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_Name + std::string(c.m_Options));
        m_Level.reset();
        m_Level.reset(new GridLevel);
        UseOptions(c.m_Options);
        lvlMatrixInstance* instance = lvlInstance::Create<lvlMatrixInstance>();
        instance->Init(c.m_Name, Identity, 0);
        m_Console.Take();
        instance->LoadBound(c.m_Name);
        const lvlGeomSet* set = instance->GetGeomSet();
        ASSERT_NE(set, nullptr);
        if (c.m_Type < 0) {
            EXPECT_EQ(set->m_Bound, nullptr);
        } else {
            ASSERT_NE(set->m_Bound, nullptr);
            EXPECT_EQ(set->m_Bound->Type, c.m_Type);
        }
        std::string said = m_Console.Take();
        EXPECT_NE(said.find(c.m_Message), std::string::npos) << said;
    }
}

TEST_F(Instances, FacadesLoadShadowAndMaskCompanionsAndDrawThemAll) {
    WritePackage("front", LodItems("front", {"H"}) + LodItems("shadow", {"H"}) +
                              LodItems("mask", {"H", "M", "L", "VL"}) + ShadersItem(1, 1));
    lvlFacadeInstance* facade = lvlInstance::Create<lvlFacadeInstance>();
    ASSERT_TRUE(facade->Init("front", At(0, 5, 0), 0));
    m_Console.Take();
    int main = facade->GetGeomIndex();
    EXPECT_EQ(facade->GetShadowSet(), main + 1);
    EXPECT_EQ(facade->GetMaskSet(), main + 2);
    EXPECT_TRUE(facade->GetFlags() & lvlInstance::INST_SHADOW);
    EXPECT_STREQ(lvlInstance::GetGeomNameAt(main + 2), "mask");
    // The main set lacks models: it takes the mask's radius (the same test geometry here).
    EXPECT_FLOAT_EQ(facade->GetGeomSet()->m_Radius, lvlInstance::GetGeomSetAt(main + 2)->m_Radius);

    struct Case {
        bool m_Probe;
        int m_Draws;
    };
    bool (*probe)(const Vector3&, float&) = [](const Vector3&, float& y) {
        y = 0.5f;
        return true;
    };
    for (const Case& c : {Case{false, 2}, Case{true, 3}}) {
        lvlFacadeInstance::sm_ProbeGround = c.m_Probe ? probe : nullptr;
        m_Device.Forget();
        facade->Draw(4);
        EXPECT_EQ(m_Device.CountOf("DrawIndexedPrimitive") + m_Device.CountOf("DrawPrimitive"),
                  c.m_Draws);
    }
    lvlFacadeInstance::sm_ProbeGround = nullptr;

    // A second facade of the package shares all three sets.
    lvlFacadeInstance* again = lvlInstance::Create<lvlFacadeInstance>();
    again->Init("front", Identity, 0);
    EXPECT_EQ(again->GetMaskSet(), main + 2);
    EXPECT_EQ(lvlInstance::GetGeomSetCount(), 3);
}

// Children load their packages from their own scratch folder, without a device.
namespace {

int LoadInChild(const std::string& items, const char* set, int flags) {
    static ScratchDir scratch;
    datAssetManager::SetPath(scratch.Root().c_str());
    CreateDirectoryA(scratch.Path("geometry").c_str(), nullptr);
    WriteWholeFile(scratch.Path("geometry\\p.pkg"), "PKG3" + items);
    GridLevel level;
    lvlInstance::BeginGeom("p", set, flags);
    lvlInstance::EndGeom();
    return 0;
}

}  // namespace

TEST_CHILD(GeomNeedsBound) {
    return LoadInChild(LodItems("p", {"H", "M"}) + ShadersItem(1, 1), "p", lvlInstance::GEOM_BOUND);
}

TEST_CHILD(GeomMissing) {
    return LoadInChild(LodItems("q", {"H", "M"}) + ShadersItem(1, 1), "p", 0);
}

TEST_CHILD(GeomNoShaders) {
    return LoadInChild(LodItems("p", {"H", "M"}), "p", 0);
}

TEST_CHILD(GeomUnreadItem) {
    return LoadInChild(LodItems("p", {"H", "M", "XL"}) + ShadersItem(1, 1), "p", 0);
}

TEST_CHILD(GeomManyVariants) {
    return LoadInChild(LodItems("p", {"H", "M"}) + ShadersItem(256, 1), "p", 0);
}

TEST_CHILD(GeomTwoBegins) {
    static ScratchDir scratch;
    datAssetManager::SetPath(scratch.Root().c_str());
    CreateDirectoryA(scratch.Path("geometry").c_str(), nullptr);
    WriteWholeFile(scratch.Path("geometry\\p.pkg"), "PKG3" + LodItems("p", {"H", "M"}));
    GridLevel level;
    lvlInstance::BeginGeom("p", "p", 0);
    lvlInstance::BeginGeom("q", "q", 0);
    return 0;
}

TEST_CHILD(GeomLoadWithoutPackage) {
    GridLevel level;
    lvlInstance::LoadGeom("p", 0);
    return 0;
}

TEST(InstanceFatal, GeometrySetsAreCheckedAsTheyLoad) {
    ExpectFatalChildren({
        {"GeomNeedsBound", "Object p needs a bound called p_bound"},
        {"GeomMissing", "p: Required object totally missing"},
        {"GeomNoShaders", "EndGeom: Missing shaders, or unread geometry in package"},
        {"GeomUnreadItem", "EndGeom: Missing shaders, or unread geometry in package"},
        {"GeomManyVariants", "Assert(variants < 256) failed in [level/instgeom"},
        {"GeomTwoBegins", "Assert(!PKG) failed in [level/instgeom"},
        {"GeomLoadWithoutPackage", "Assert(PKG) failed in [level/instgeom"},
    });
}
