#ifndef TESTS_GAME_LEVEL_LEVELFIXTURE_H
#define TESTS_GAME_LEVEL_LEVELFIXTURE_H

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "data/asset.h"
#include "level/instclasses.h"
#include "level/level.h"
#include "model/shader.h"
#include "tests/engine/gfx/pipefixture.h"
#include "tests/game/level/gridlevel.h"
#include "tests/engine/model/modelfixture.h"
#include "tests/support/scratch.h"

// The rooms' lists as the geometry names of their instances, head first.
inline std::vector<std::string> RoomNames(const lvlLevel& level, int room) {
    std::vector<std::string> names;
    for (lvlInstance* i = level.GetRoomHead(room); i; i = i->GetNext()) {
        names.push_back(i->GetGeomName());
    }
    return names;
}

// A prop the tests' banger seam makes for types whose name starts with "banger": it keeps
// whether a full matrix was asked for and the variant limit its geometry was loaded under.
class TestProp : public lvlMatrixInstance {
public:
    explicit TestProp(bool full) : m_Full(full) {}
    bool Init(const char* name, const Matrix34& matrix, int flag) override {
        m_VariantLimit = modShader::sm_VariantLimit;
        m_InitName = name;
        return lvlMatrixInstance::Init(name, matrix, flag);
    }
    size_t SizeOf() const override { return sizeof(*this); }

    bool m_Full;
    int m_VariantLimit = 0;
    std::string m_InitName;
};

// The props made, in order; the fixture empties it.
inline std::vector<TestProp*>& MadeProps() {
    static std::vector<TestProp*> made;
    return made;
}

inline lvlInstance* CreateTestProp(const char* name, bool full) {
    if (strncmp(name, "banger", 6) != 0) {
        return nullptr;
    }
    MadeProps().push_back(lvlInstance::Create<TestProp>(full));
    return MadeProps().back();
}

// The bytes of an instance list, record by record as the city compiler writes them.
struct InstFile {
    InstFile& Head(uint32_t kind, int variant, int room, const std::string& name, bool compact) {
        U32Field(kind << 24 | uint32_t(variant & 255) << 16 | uint32_t(room & 0xFFFF));
        m_Bytes += char((name.size() + 1) | (compact ? 0x80 : 0));
        m_Bytes += name;
        m_Bytes += '\0';
        return *this;
    }
    InstFile& Compact(uint32_t kind, int variant, int room, const std::string& name, float c,
                      float s, const Vector3& p) {
        Head(kind, variant, room, name, true);
        m_Bytes += F32(c) + F32(s) + F32(p.x) + F32(p.y) + F32(p.z);
        return *this;
    }
    InstFile& Full(uint32_t kind, int variant, int room, const std::string& name,
                   const Matrix34& m) {
        Head(kind, variant, room, name, false);
        m_Bytes += MatrixBytes(m);
        return *this;
    }
    void U32Field(uint32_t value) { m_Bytes += U32(value); }
    static std::string MatrixBytes(const Matrix34& m) {
        std::string bytes;
        for (const Vector3* v : {&m.a, &m.b, &m.c, &m.d}) {
            bytes += F32(v->x) + F32(v->y) + F32(v->z);
        }
        return bytes;
    }
    std::string m_Bytes;
};

inline void ExpectMatrix(const Matrix34& got, const Matrix34& want, const std::string& name) {
    const Vector3* g[] = {&got.a, &got.b, &got.c, &got.d};
    const Vector3* w[] = {&want.a, &want.b, &want.c, &want.d};
    for (int r = 0; r < 4; ++r) {
        EXPECT_FLOAT_EQ(g[r]->x, w[r]->x) << name << " row " << r;
        EXPECT_FLOAT_EQ(g[r]->y, w[r]->y) << name << " row " << r;
        EXPECT_FLOAT_EQ(g[r]->z, w[r]->z) << name << " row " << r;
    }
}

// Package items of a geometry package as the level reads them.
inline std::string LodItems(const std::string& set, const std::vector<std::string>& levels) {
    std::string items;
    for (const std::string& level : levels) {
        items += PackageItem(set + "_" + level, GeometryItem({0}));
    }
    return items;
}

// A shader table of unnamed shaders: variants × perVariant.
inline std::string ShadersItem(int variants, int perVariant) {
    const float white[4] = {1, 1, 1, 1};
    std::string payload = U32(uint32_t(variants)) + U32(uint32_t(perVariant));
    for (int i = 0; i < variants * perVariant; ++i) {
        payload += ShaderRecord("", white, float(i + 1));
    }
    return PackageItem("shaders", payload);
}

struct XrefRecord {
    Matrix34 m_Matrix;
    std::string m_Prop;
};

inline std::string XrefsItem(const std::vector<XrefRecord>& records) {
    std::string payload = U32(uint32_t(records.size()));
    for (const XrefRecord& r : records) {
        std::string name = r.m_Prop;
        name.resize(32, '\0');
        payload += InstFile::MatrixBytes(r.m_Matrix) + name;
    }
    return PackageItem("xrefs", payload);
}

// A level on the recording device, its assets in the test's scratch folder, props made by
// the tests' banger seam.
class LevelFixture : public FakePipeline {
protected:
    void SetUp() override {
        FakePipeline::SetUp();
        datAssetManager::SetPath(m_Scratch.Root().c_str());
        CreateDirectoryA(m_Scratch.Path("geometry").c_str(), nullptr);
        CreateDirectoryA(m_Scratch.Path("city").c_str(), nullptr);
        CreateDirectoryA(m_Scratch.Path("bound").c_str(), nullptr);
        lvlBangers.m_Create = CreateTestProp;
        MadeProps().clear();
        m_Level.reset(new GridLevel);
    }
    void TearDown() override {
        m_Level.reset();
        lvlBangers = lvlBangerSeam();
        datAssetManager::SetPath("");
        ClearOptions();
        FakePipeline::TearDown();
    }
    void WritePackage(const std::string& name, const std::string& items) {
        ASSERT_TRUE(WriteWholeFile(m_Scratch.Path("geometry\\" + name + ".pkg"), "PKG3" + items));
    }
    void WriteInst(const std::string& name, const InstFile& file) {
        ASSERT_TRUE(WriteWholeFile(m_Scratch.Path("city\\" + name + ".inst"), file.m_Bytes));
    }

    ScratchDir m_Scratch;
    std::unique_ptr<GridLevel> m_Level;
};

#endif
