// The instance list loader on hand-written ".inst" files.

#include "level/level.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "data/options.h"
#include "level/instclasses.h"
#include "model/shader.h"
#include "tests/game/level/levelfixture.h"

namespace {

class InstLoad : public LevelFixture {
protected:
    void SetUp() override {
        LevelFixture::SetUp();
        WritePackage("lamp", LodItems("lamp", {"H", "M"}) + ShadersItem(4, 1));
        WritePackage("wall", LodItems("wall", {"H", "M"}) + ShadersItem(1, 1));
        WritePackage("banger_cone", LodItems("banger_cone", {"H", "M"}) + ShadersItem(1, 1));
        WritePackage("banger_sign", LodItems("banger_sign", {"H", "M"}) + ShadersItem(1, 1));
        Matrix34 box(Vector3(6, 0, 0), Vector3(0, 3, 0), Vector3(0, 0, 1), Vector3(3, 1.5f, 0));
        ASSERT_TRUE(WriteWholeFile(m_Scratch.Path("geometry\\wall_bound.mtx"),
                                   InstFile::MatrixBytes(box)));
    }

    // The instances of the level by room, heads first.
    std::vector<lvlInstance*> All() const {
        std::vector<lvlInstance*> all;
        for (int r = 0; r < m_Level->GetRoomCount(); ++r) {
            for (lvlInstance* i = m_Level->GetRoomHead(r); i; i = i->GetNext()) {
                all.push_back(i);
            }
        }
        return all;
    }
};

const Matrix34 Identity(Vector3(1, 0, 0), Vector3(0, 1, 0), Vector3(0, 0, 1), Vector3(0, 0, 0));

// The four records of the acceptance file: a compact prop of a known type, a compact static
// with low flags, a facade with bounds whose reference point lies in the next room and a
// prop of an unknown type.
InstFile FourRecords() {
    InstFile file;
    file.Compact(0x2, 5, 1, "banger_cone", 1.0f, 0.0f, Vector3(2, 0, 2));
    file.Compact(0x5, 2, 1, "lamp", 0.6f, 0.8f, Vector3(4, 1, 6));
    Matrix34 wall(Vector3(6, 0, 0), Vector3(0, 3, 0), Vector3(0, 0, 1), Vector3(8, 0, 5));
    file.Full(0x20, 0, 1, "wall", wall);
    file.Compact(0x2, 0, 1, "crate", 1.0f, 0.0f, Vector3(5, 0, 5));
    return file;
}

}  // namespace

TEST_F(InstLoad, FourRecordsMakeThreeInstancesInTheirRooms) {
    WriteInst("t", FourRecords());
    m_Console.Take();
    ASSERT_TRUE(m_Level->LoadInstances("city", "t"));
    EXPECT_EQ(m_Level->GetInstanceCount(), 3);
    EXPECT_EQ(m_Console.Take(), "Facade with bounds 'wall' moved from room 1 to room 2\n");

    // Room 1: the prop at the head, the static behind it.
    std::vector<lvlInstance*> room1 = All();
    ASSERT_EQ(room1.size(), 3u);
    ASSERT_EQ(MadeProps().size(), 1u);
    TestProp* prop = MadeProps()[0];
    EXPECT_EQ(room1[0], prop);
    EXPECT_EQ(m_Level->GetFirstInstance(), prop);
    EXPECT_FALSE(prop->m_Full);
    EXPECT_EQ(prop->m_VariantLimit, 99);
    EXPECT_EQ(modShader::sm_VariantLimit, 9999);
    EXPECT_EQ(prop->GetRoom(), 1);

    lvlInstance* lamp = room1[1];
    EXPECT_EQ(lamp->GetRoom(), 1);
    EXPECT_STREQ(lamp->GetGeomName(), "lamp");
    EXPECT_EQ(lamp->GetFlags(), 0x200 | 0x110 | 0x400);
    EXPECT_EQ(lamp->GetVariant(), 2);
    Matrix34 scratch;
    ExpectMatrix(lamp->GetMatrix(scratch),
                 Matrix34(Vector3(0.6f, 0, 0.8f), Vector3(0, 1, 0), Vector3(-0.8f, 0, 0.6f),
                          Vector3(4, 1, 6)),
                 "lamp");
    EXPECT_EQ(m_Level->GetRoomFirstStatic(1), lamp);

    lvlInstance* wall = room1[2];
    EXPECT_EQ(wall->GetRoom(), 2);
    EXPECT_EQ(wall->GetFlags(), 0x200 | 0x130 | 0x400);
    ASSERT_NE(wall->GetGeomSet(), nullptr);
    EXPECT_NE(wall->GetGeomSet()->m_Bound, nullptr);
    EXPECT_EQ(m_Level->GetRoomFlags(1), 0x200 | 0x110 | 0x400);
    EXPECT_EQ(m_Level->GetRoomFlags(2), 0x200 | 0x130 | 0x400);
}

TEST_F(InstLoad, NoInstancesOptionOrNoFileLoadsNothing) {
    WriteInst("t", FourRecords());
    UseOptions("-noinstances");
    EXPECT_FALSE(m_Level->LoadInstances("city", "t"));
    EXPECT_EQ(lvlInstance::HeapInstanceCount(), 0);
    UseOptions("");
    EXPECT_FALSE(m_Level->LoadInstances("city", "missing"));
    EXPECT_EQ(lvlInstance::HeapInstanceCount(), 0);
}

TEST_F(InstLoad, DamagedRecordsAreReportedAndTheWholeOnesLoad) {
    std::string whole = FourRecords().m_Bytes;
    Matrix34 nan = Identity;
    nan.d.x = std::nanf("");
    struct Case {
        const char* m_What;
        std::string m_Bytes;
        int m_Count;
        const char* m_Message;
    };
    const Case cases[] = {
        {"cut in the matrix", whole.substr(0, whole.size() - 3), 3,
         "Error: lvlLevel::LoadInstances: 't.inst' ends inside record 3"},
        {"cut in the head", whole + std::string("\x01\x00", 2), 3,
         "Error: lvlLevel::LoadInstances: 't.inst' ends inside record 4"},
        {"room past the last", InstFile().Compact(0x1, 0, 8, "lamp", 1, 0, Vector3()).m_Bytes, 0,
         "Error: lvlLevel::LoadInstances: record 0 of 't.inst' names room 8 of 8"},
        {"not a number", InstFile().Full(0x0, 0, 1, "lamp", nan).m_Bytes, 0,
         "Error: lvlLevel::LoadInstances: record 0 of 't.inst' has a bad matrix"},
        // The compiler writes the terminator inside the length; without it the name is cut
        // at its length.
        {"name without terminator",
         std::string("\x00\x00\x01\x01\x84", 5) + "lamp" + F32(1) + F32(0) + F32(1) + F32(2) +
             F32(3),
         1, ""},
        {"empty", "", 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_What);
        m_Level.reset();
        m_Level.reset(new GridLevel);
        InstFile file;
        file.m_Bytes = c.m_Bytes;
        WriteInst("t", file);
        m_Console.Take();
        EXPECT_TRUE(m_Level->LoadInstances("city", "t"));
        EXPECT_EQ(m_Level->GetInstanceCount(), c.m_Count);
        std::string said = m_Console.Take();
        EXPECT_NE(said.find(c.m_Message), std::string::npos) << said;
        if (c.m_Count) {
            EXPECT_STRNE(m_Level->GetFirstInstance()->GetGeomName(), "(none)");
        }
    }
}

TEST_F(InstLoad, NamesLoseTheirPathAndMatrixInstancesWithoutBoundsAreOnlyStatic) {
    InstFile file;
    file.Full(0x0, 0, 3, "props\\lamp", Identity);
    file.Full(0x0, 0, 3, "props/lamp", Identity);
    WriteInst("t", file);
    ASSERT_TRUE(m_Level->LoadInstances("city", "t"));
    for (lvlInstance* i : All()) {
        EXPECT_STREQ(i->GetGeomName(), "lamp");
        EXPECT_EQ(i->GetFlags(), 0x200 | 0x400);
        EXPECT_EQ(i->SizeOf(), sizeof(lvlMatrixInstance));
    }
    EXPECT_EQ(lvlInstance::GetGeomSetCount(), 1);
}

TEST_F(InstLoad, CrossReferencedPropsAreCheckedPlacedAndMade) {
    float r = std::sqrt(1.02f);
    Matrix34 zero(Vector3(0, 0, 0), Vector3(0, 1, 0), Vector3(0, 0, 1), Vector3(1, 0, 0));
    Matrix34 skew(Vector3(1, 0, 0), Vector3(0.2f, 1, 0), Vector3(0, 0, 1), Vector3(1, 0, 0));
    // Rows within 0.97 to 1.03 in square length stand; longer ones are made unit length.
    Matrix34 within(Vector3(r, 0, 0), Vector3(0, 1, 0), Vector3(0, 0, 1), Vector3(1, 0, 1));
    Matrix34 long_(Vector3(1.1f, 0, 0), Vector3(0, 1, 0), Vector3(0, 0, 1), Vector3(12, 0, 1));
    Matrix34 plain(Vector3(1, 0, 0), Vector3(0, 1, 0), Vector3(0, 0, 1), Vector3(1, 0, 1));
    WritePackage("kiosk", LodItems("kiosk", {"H", "M"}) + ShadersItem(1, 1) +
                              XrefsItem({{zero, "banger_a"},
                                         {skew, "banger_b"},
                                         {within, "banger_sign"},
                                         {long_, "banger_sign"},
                                         {plain, "parasol"}}));
    InstFile file;
    file.Compact(0x1, 3, 1, "kiosk", 1, 0, Vector3(2, 0, 2));
    WriteInst("t", file);
    m_Console.Take();
    ASSERT_TRUE(m_Level->LoadInstances("city", "t"));
    EXPECT_EQ(m_Console.Take(),
              "Error: bad x-ref matrix.. bailing\n"
              "Error: really bad x-ref matrix.. bailing\n"
              "Error: Xref'd prop parasol not exported?\n");
    EXPECT_EQ(m_Level->GetInstanceCount(), 1);
    ASSERT_EQ(MadeProps().size(), 2u);
    Matrix34 scratch;
    TestProp* first = MadeProps()[0];
    EXPECT_EQ(first->m_InitName, "banger_sign");
    EXPECT_EQ(first->GetRoom(), 1);
    EXPECT_EQ(first->GetVariant(), 0);
    EXPECT_FLOAT_EQ(first->GetMatrix(scratch).a.Mag2(), 1.02f);
    // The second stands at (14, 0, 3) after the kiosk's placement: room 2.
    TestProp* second = MadeProps()[1];
    EXPECT_EQ(m_Level->GetRoomHead(2), second);
    const Matrix34& m = second->GetMatrix(scratch);
    EXPECT_FLOAT_EQ(m.a.Mag2(), 1.0f);
    EXPECT_FLOAT_EQ(m.d.x, 14.0f);
    EXPECT_FLOAT_EQ(m.d.z, 3.0f);
}

TEST_F(InstLoad, XrefsThatDoNotFitTheirItemAreRefused) {
    WritePackage("kiosk", LodItems("kiosk", {"H", "M"}) + ShadersItem(1, 1) +
                              PackageItem("xrefs", U32(0x7FFFFFFF) + std::string(80, '\0')));
    InstFile file;
    file.Compact(0x1, 0, 1, "kiosk", 1, 0, Vector3(2, 0, 2));
    WriteInst("t", file);
    m_Console.Take();
    ASSERT_TRUE(m_Level->LoadInstances("city", "t"));
    EXPECT_EQ(m_Level->GetInstanceCount(), 1);
    EXPECT_NE(m_Console.Take().find("x-refs do not fit in package 'kiosk'"), std::string::npos);
    uint32_t bytes = 0;
    EXPECT_EQ(lvlInstance::GetXrefs("kiosk", bytes), nullptr);
}
