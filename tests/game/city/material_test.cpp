#include "city/material.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "bank/bank.h"
#include "bank/slider.h"
#include "city/materialmgr.h"
#include "data/stream.h"
#include "data/token.h"
#include "data/bytes.h"
#include "tests/engine/phcore/materialtext.h"
#include "tests/game/city/materialblocks.h"
#include "tests/support/console.h"
#include "tests/support/scratch.h"
#include "tests/support/unmasked.h"

namespace {

// Records what the materials add: titles in order, and the slider values to try the ranges.
class TitleBank : public bkBank {
public:
    void GetConfig(bool*, int*, int*, int*, int*) override {}
    void SetConfig(bool, int, int, int, int) override {}
    bkButton* AddButton(const char* title, datCallback) override {
        m_Titles.push_back(title);
        m_Values.emplace_back(nullptr);
        return nullptr;
    }
    bkSlider* AddSlider(const char* title, bkSliderValue* value, datCallback) override {
        m_Titles.push_back(title);
        m_Values.emplace_back(value);
        return nullptr;
    }
    using bkBank::AddButton;
    using bkBank::AddSlider;

    std::vector<std::string> m_Titles;
    std::vector<std::unique_ptr<bkSliderValue>> m_Values;
};

// Short names: the scratch paths must stay within the stream layer's name limit.
class QvMaterial : public ::testing::Test {
protected:
    QvMaterial() { m_Manager = qvMaterialMgr::CreateInstance(); }
    ~QvMaterial() override { qvMaterialMgr::DeleteInstance(); }

    std::vector<phMaterial*> LoadText(const std::string& text) {
        return LoadMaterialText(m_Scratch.Path("m.mtl"), text);
    }

    std::string SaveText(const phMaterial& material) {
        return SaveMaterialText(m_Scratch.Path("s.mtl"), material);
    }

    ScratchDir m_Scratch;
    qvMaterialMgr* m_Manager;
};

TEST_F(QvMaterial, GameDefault) {
    EXPECT_EQ(phMaterialMgr::Instance(), m_Manager);
    EXPECT_EQ(qvMaterialMgr::Instance(), m_Manager);
    qvMaterial* material = m_Manager->GetMaterial(0);
    EXPECT_EQ(m_Manager->Find("default"), material);
    EXPECT_EQ(phMaterialMgr::DefaultMaterial, material);
    EXPECT_STREQ(material->Name, "default");
    EXPECT_EQ(material->EffectId, -1);
    EXPECT_EQ(material->SoundId, -1);
    EXPECT_FLOAT_EQ(material->Elasticity, 0.5f);
    EXPECT_FLOAT_EQ(material->Friction, 1.0f);
    EXPECT_FLOAT_EQ(material->Width, 1.0f);
}

TEST_F(QvMaterial, BlockEnds) {
    std::vector<phMaterial*> loaded = LoadText(
        "mtl old { elasticity: 0.2 friction: 0.7 effect: dust sound: none }\n"
        "mtl sized { elasticity: 0.3 friction: 0.8 effect: dust sound: skid\n"
        "  drag: 0.4 width: 2 height: 0.1 depth: 0.2 }\n"
        "mtl full { elasticity: 0.3 friction: 0.8 effect: sparks sound: skid\n"
        "  drag: 0.4 width: 2 height: 0.1 depth: 0.2 ptxindex: 3 4 ptxthreshold: 0.6 0.9 }\n");
    ASSERT_EQ(loaded.size(), 3u);
    const qvMaterial* old = static_cast<const qvMaterial*>(loaded[0]);
    EXPECT_STREQ(old->Name, "old");
    EXPECT_FLOAT_EQ(old->Friction, 0.7f);
    EXPECT_FLOAT_EQ(old->Drag, 0.0f);
    EXPECT_FLOAT_EQ(old->Width, 1.0f);
    EXPECT_EQ(old->PtxIndex[0], -1);
    EXPECT_EQ(old->PtxIndex[1], -1);
    EXPECT_FLOAT_EQ(old->PtxThreshold[0], 0.25f);
    EXPECT_FLOAT_EQ(old->PtxThreshold[1], 0.5f);
    const qvMaterial* sized = static_cast<const qvMaterial*>(loaded[1]);
    EXPECT_FLOAT_EQ(sized->Width, 2.0f);
    EXPECT_FLOAT_EQ(sized->Depth, 0.2f);
    EXPECT_EQ(sized->PtxIndex[0], -1);
    const qvMaterial* full = static_cast<const qvMaterial*>(loaded[2]);
    EXPECT_EQ(full->PtxIndex[1], 4);
    EXPECT_FLOAT_EQ(full->PtxThreshold[0], 0.6f);
    EXPECT_EQ(m_Manager->GetMaterial(3), full);
    EXPECT_STREQ(m_Manager->GetName(full->EffectId), "sparks");
}

TEST_F(QvMaterial, SaveLoad) {
    std::vector<phMaterial*> loaded = LoadText(
        "mtl road { elasticity: 0.25 friction: 1.5 effect: dust sound: skid\n"
        "  drag: 0.125 width: 2 height: 0.5 depth: 0.75 ptxindex: 3 -1 ptxthreshold: 0.5 1 }\n");
    ASSERT_EQ(loaded.size(), 1u);
    qvMaterial* road = static_cast<qvMaterial*>(loaded[0]);
    road->EffectId = -1;
    std::string text = SaveText(*road);
    EXPECT_NE(text.find("mtl road {\n\telasticity: "), std::string::npos) << text;
    EXPECT_NE(text.find("\teffect: none\n\tsound: skid\n\tdrag: "), std::string::npos) << text;
    EXPECT_NE(text.find("\tptxindex: 3 -1 \n\tptxthreshold: "), std::string::npos) << text;
    EXPECT_EQ(text.substr(text.size() - 2), "}\n");

    qvMaterialMgr::DeleteInstance();
    m_Manager = qvMaterialMgr::CreateInstance();
    loaded = LoadText(text);
    ASSERT_EQ(loaded.size(), 1u);
    const qvMaterial* back = static_cast<const qvMaterial*>(loaded[0]);
    EXPECT_EQ(back->EffectId, -1);
    EXPECT_STREQ(m_Manager->GetName(back->SoundId), "skid");
    EXPECT_FLOAT_EQ(back->Elasticity, 0.25f);
    EXPECT_FLOAT_EQ(back->Friction, 1.5f);
    EXPECT_FLOAT_EQ(back->Drag, 0.125f);
    EXPECT_FLOAT_EQ(back->Width, 2.0f);
    EXPECT_FLOAT_EQ(back->Height, 0.5f);
    EXPECT_FLOAT_EQ(back->Depth, 0.75f);
    EXPECT_EQ(back->PtxIndex[0], 3);
    EXPECT_EQ(back->PtxIndex[1], -1);
    EXPECT_FLOAT_EQ(back->PtxThreshold[0], 0.5f);
    EXPECT_FLOAT_EQ(back->PtxThreshold[1], 1.0f);
}

// A binary block carries the physics properties only: through the game's manager it still
// becomes a game material, whose game fields keep their defaults.
TEST_F(QvMaterial, BinaryBlockBecomesAGameMaterial) {
    phMaterial metal;
    metal.SetName("metal");
    metal.Elasticity = 0.3f;
    metal.Friction = 0.7f;
    std::string path = m_Scratch.Path("b.bbnd");
    Stream* stream = StreamCreate(path.c_str());
    ASSERT_NE(stream, nullptr);
    metal.SaveBinary(stream);
    StreamClose(stream);

    stream = StreamOpen(path.c_str());
    ASSERT_NE(stream, nullptr);
    phMaterial* loaded = phMaterialMgr::Instance()->LoadBinary(stream);
    StreamClose(stream);
    ASSERT_EQ(m_Manager->GetNumMaterials(), 2);
    ASSERT_EQ(loaded, m_Manager->GetMaterial(1));
    const qvMaterial* game = dynamic_cast<const qvMaterial*>(loaded);
    ASSERT_NE(game, nullptr);
    EXPECT_STREQ(game->Name, "metal");
    EXPECT_FLOAT_EQ(game->Elasticity, 0.3f);
    EXPECT_FLOAT_EQ(game->Friction, 0.7f);
    const qvMaterial defaults;
    EXPECT_FLOAT_EQ(game->Width, defaults.Width);
    EXPECT_FLOAT_EQ(game->PtxThreshold[1], defaults.PtxThreshold[1]);
}

TEST_F(QvMaterial, KnownNames) {
    std::vector<phMaterial*> loaded = LoadText(
        "mtl grass { elasticity: 0.1 friction: 0.6 effect: none sound: none }\n"
        "mtl grass { elasticity: 0.9 friction: 0.9 effect: none sound: none }\n"
        "mtl _default { elasticity: 0.3 friction: 0.4 effect: none sound: none drag: 2\n"
        "  width: 1 height: 0 depth: 0 }\n");
    ASSERT_EQ(loaded.size(), 3u);
    EXPECT_EQ(loaded[0], loaded[1]);
    EXPECT_FLOAT_EQ(loaded[1]->Friction, 0.6f);
    EXPECT_EQ(loaded[2], m_Manager->GetMaterial(0));
    EXPECT_STREQ(loaded[2]->Name, "default");
    EXPECT_FLOAT_EQ(m_Manager->GetMaterial(0)->Drag, 2.0f);
    EXPECT_EQ(m_Manager->GetNumMaterials(), 2);
}

// Each value is taken up to its range, and beyond it the block gives the default material with
// an error naming the file, the block's line and what is wrong; what is taken saves and loads
// back to the same text.
TEST_F(QvMaterial, ValuesAreTakenWithinTheirRanges) {
    const char* kinds[] = {"an elasticity or friction", "an elasticity or friction", "a drag",
                           "a width", "a height", "a depth", "", "", "a particle threshold",
                           "a particle threshold"};
    std::string file = m_Scratch.Path("m.mtl");
    for (int slot = 0; slot < MaterialSlots; ++slot) {
        for (const MaterialEdge& edge : MaterialEdges(slot)) {
            std::string block = "; surfaces\n" + MaterialBlockWith("odd", slot, edge.m_Value);
            SCOPED_TRACE(block);
            qvMaterialMgr::DeleteInstance();
            m_Manager = qvMaterialMgr::CreateInstance();
            ConsoleCapture console;
            phMaterial* loaded = LoadText(block)[0];
            if (!edge.m_Taken) {
                EXPECT_EQ(loaded, phMaterialMgr::DefaultMaterial);
                std::string why = IsParticleIndexSlot(slot)
                                      ? "a particle index outside -1 to 32767"
                                      : std::string(kinds[slot]) + " that is not a number within +-100";
                EXPECT_NE(console.Take().find("phMaterialMgr: material 'odd' of " + file +
                                              "(2) has " + why + ", using 'default'."),
                          std::string::npos);
                EXPECT_EQ(m_Manager->GetNumMaterials(), 1);
                continue;
            }
            ASSERT_NE(loaded, phMaterialMgr::DefaultMaterial) << console.Take();
            std::string saved = SaveText(*loaded);
            qvMaterialMgr::DeleteInstance();
            m_Manager = qvMaterialMgr::CreateInstance();
            phMaterial* again = LoadText(saved)[0];
            ASSERT_NE(again, phMaterialMgr::DefaultMaterial) << saved;
            EXPECT_EQ(SaveText(*again), saved);
            EXPECT_EQ(console.Take(), "");
        }
    }
}

// No text reads as a NaN, but a material made in memory is checked by its bits, so that a
// signalling NaN is refused without trapping.
TEST_F(QvMaterial, NonFiniteBitsAreRefusedWithoutArithmetic) {
    InvalidUnmasked unmasked;
    float qvMaterial::*fields[] = {&qvMaterial::Elasticity, &qvMaterial::Friction,
                                   &qvMaterial::Drag,       &qvMaterial::Width,
                                   &qvMaterial::Height,     &qvMaterial::Depth};
    for (uint32_t bits : {0x7F800001u, 0xFFC00000u, 0x7F800000u, 0xFF800000u}) {
        for (float qvMaterial::*field : fields) {
            qvMaterial material;
            material.*field = FloatFromBits(bits);
            EXPECT_NE(material.UnusableValue(), nullptr) << bits;
        }
        for (int i = 0; i < 2; ++i) {
            qvMaterial material;
            material.PtxThreshold[i] = FloatFromBits(bits);
            EXPECT_NE(material.UnusableValue(), nullptr) << bits;
        }
    }
    EXPECT_EQ(qvMaterial().UnusableValue(), nullptr);
}

TEST_F(QvMaterial, Widgets) {
    LoadText("mtl ice { elasticity: 0.1 friction: 0.05 effect: none sound: none }\n");
    TitleBank bank;
    m_Manager->AddWidgets(bank);
    const char* titles[] = {"Effect",    "Sound",        "Friction",  "Elasticity",
                            "Drag",      "Width",        "Height",    "Depth",
                            "PtxIndex1", "PtxThreshold1", "PtxIndex2", "PtxThreshold2"};
    ASSERT_EQ(bank.m_Titles.size(), 26u);
    for (int m = 0; m < 2; ++m) {
        EXPECT_EQ(bank.m_Titles[13 * m], m == 0 ? "default" : "ice");
        for (int i = 0; i < 12; ++i) {
            EXPECT_EQ(bank.m_Titles[13 * m + 1 + i], titles[i]);
        }
    }
    // Pushed far past both ends, each slider stops at its range.
    qvMaterial* ice = m_Manager->GetMaterial(1);
    struct Range {
        int widget;
        float low;
        float high;
        std::function<float()> value;
    };
    const Range ranges[] = {
        {1, -1.0f, 32767.0f, [ice] { return float(ice->EffectId); }},
        {3, 0.01f, 100.0f, [ice] { return ice->Friction; }},
        {5, 0.0f, 100.0f, [ice] { return ice->Drag; }},
        {9, -1.0f, 32767.0f, [ice] { return float(ice->PtxIndex[0]); }},
        {12, 0.0f, 1.0f, [ice] { return ice->PtxThreshold[1]; }},
    };
    for (const Range& range : ranges) {
        bkSliderValue* value = bank.m_Values[13 + range.widget].get();
        ASSERT_NE(value, nullptr);
        value->Add(-1e6f);
        EXPECT_FLOAT_EQ(range.value(), range.low) << bank.m_Titles[13 + range.widget];
        value->Add(1e6f);
        EXPECT_FLOAT_EQ(range.value(), range.high) << bank.m_Titles[13 + range.widget];
    }
}

}  // namespace
