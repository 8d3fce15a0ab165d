#include "phcore/material.h"

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "data/stream.h"
#include "data/token.h"
#include "phcore/materialmgr.h"
#include "tests/support/child.h"
#include "tests/support/console.h"
#include "tests/engine/phcore/materialtext.h"
#include "tests/support/scratch.h"

namespace {

// Each test starts from a manager of its own.
class MaterialTest : public ::testing::Test {
protected:
    MaterialTest() {
        delete phMaterialMgr::Instance();
        m_Manager = new phMaterialMgr(new phMaterial);
    }
    ~MaterialTest() override { delete m_Manager; }

    void Renew() {
        delete m_Manager;
        m_Manager = new phMaterialMgr(new phMaterial);
    }

    // Loads every "mtl" block of the text through the manager.
    std::vector<phMaterial*> LoadText(const std::string& text) {
        return LoadMaterialText(m_Scratch.Path("materials.bnd"), text);
    }

    std::string SaveText(const phMaterial& material) {
        return SaveMaterialText(m_Scratch.Path("saved.bnd"), material);
    }

    phMaterial* LoadBinary(const std::string& bytes) {
        // Short: with the longest test names the path nears the stream layer's name limit.
        std::string path = m_Scratch.Path("r.bbnd");
        EXPECT_TRUE(WriteWholeFile(path, bytes));
        Stream* stream = StreamOpen(path.c_str());
        EXPECT_NE(stream, nullptr);
        phMaterial* material = phMaterialMgr::Instance()->LoadBinary(stream);
        StreamClose(stream);
        return material;
    }

    ScratchDir m_Scratch;
    phMaterialMgr* m_Manager;
};

const char SparkBlock[] =
    "mtl metal {\n\telasticity: 0.3\n\tfriction: 0.7\n\teffect: spark\n\tsound: thud\n}\n";

std::string Record(const char* name, float elasticity, float friction, const char* effect,
                   const char* sound) {
    std::string record(phMaterial::BinarySize, '\xEE');
    auto putName = [&record](int offset, const char* text) {
        size_t length = std::strlen(text);
        record.replace(offset, length, text);
        if (length < 32) {
            record[offset + length] = 0;
        }
    };
    auto putFloat = [&record](int offset, float value) {
        uint32_t bits;
        std::memcpy(&bits, &value, 4);
        for (int i = 0; i < 4; ++i) {
            record[offset + i] = char(bits >> (8 * i));
        }
    };
    putName(0, name);
    putFloat(32, elasticity);
    putFloat(36, friction);
    putName(40, effect);
    putName(72, sound);
    return record;
}

}  // namespace

TEST_F(MaterialTest, FreshManagerHoldsTheDefaultMaterialOnly) {
    EXPECT_EQ(phMaterialMgr::Instance(), m_Manager);
    ASSERT_EQ(m_Manager->GetNumMaterials(), 1);
    phMaterial* material = m_Manager->GetMaterial(0);
    EXPECT_EQ(material, phMaterialMgr::DefaultMaterial);
    EXPECT_STREQ(material->Name, "default");
    EXPECT_FLOAT_EQ(material->Elasticity, 0.1f);
    EXPECT_FLOAT_EQ(material->Friction, 0.5f);
    EXPECT_EQ(material->EffectId, -1);
    EXPECT_EQ(material->SoundId, -1);
    EXPECT_EQ(m_Manager->Find("default"), material);
    EXPECT_EQ(m_Manager->Find("metal"), nullptr);
    EXPECT_EQ(m_Manager->GetNumNames(), 0);
    EXPECT_STREQ(m_Manager->GetName(-1), "none");
    EXPECT_STREQ(m_Manager->GetName(5), "none");
}

TEST_F(MaterialTest, TextBlocksRegisterOneMaterialPerName) {
    std::string other =
        "mtl metal {\n\telasticity: 0.9\n\tfriction: 0.1\n\teffect: dust\n\tsound: clang\n}\n";
    std::vector<phMaterial*> loaded = LoadText(std::string(SparkBlock) + SparkBlock + other);
    ASSERT_EQ(loaded.size(), 3u);
    EXPECT_EQ(loaded[0], loaded[1]);
    EXPECT_EQ(loaded[0], loaded[2]);
    EXPECT_EQ(m_Manager->GetNumMaterials(), 2);
    phMaterial* metal = m_Manager->Find("metal");
    ASSERT_EQ(metal, loaded[0]);
    EXPECT_FLOAT_EQ(metal->Elasticity, 0.3f);
    EXPECT_FLOAT_EQ(metal->Friction, 0.7f);
    EXPECT_EQ(metal->EffectId, 0);
    EXPECT_EQ(metal->SoundId, 1);
    EXPECT_EQ(m_Manager->FindOrAddName("spark"), 0);
    EXPECT_EQ(m_Manager->FindOrAddName("thud"), 1);
    EXPECT_STREQ(m_Manager->GetName(1), "thud");
}

TEST_F(MaterialTest, SaveWritesNoneForMissingNamesAndReadsBack) {
    phMaterial fresh;
    EXPECT_EQ(SaveText(fresh),
              "mtl default {\n\telasticity: 0.100000 \n\tfriction: 0.500000 \n\teffect: none\n"
              "\tsound: none\n}\n");
    phMaterial* metal = LoadText(SparkBlock)[0];
    std::string saved = SaveText(*metal);
    EXPECT_EQ(saved,
              "mtl metal {\n\telasticity: 0.300000 \n\tfriction: 0.700000 \n\teffect: spark\n"
              "\tsound: thud\n}\n");
    fresh.SetName("plain");
    std::vector<phMaterial*> loaded = LoadText(SaveText(fresh));
    ASSERT_EQ(loaded.size(), 1u);
    // "none" reads back as no effect or sound, not as a new name.
    EXPECT_EQ(loaded[0]->EffectId, -1);
    EXPECT_EQ(loaded[0]->SoundId, -1);
    EXPECT_EQ(m_Manager->GetNumNames(), 2);
}

TEST_F(MaterialTest, SaveUnregisteredWritesOnlyNewNames) {
    phMaterial loose;
    loose.SetName("loose");
    std::string path = m_Scratch.Path("loose.bnd");
    Stream* stream = StreamCreate(path.c_str());
    ASSERT_NE(stream, nullptr);
    TokenReader writer(path.c_str(), stream);
    m_Manager->SaveUnregistered(&loose, &writer);
    m_Manager->SaveUnregistered(&loose, &writer);
    m_Manager->SaveUnregistered(phMaterialMgr::DefaultMaterial, &writer);
    m_Manager->SaveUnregistered(&loose, nullptr);
    StreamClose(stream);
    std::string text = ReadWholeFile(path);
    EXPECT_EQ(text.find("mtl loose {"), 0u);
    EXPECT_EQ(text.find("mtl", 1), std::string::npos);
    EXPECT_EQ(m_Manager->Find("loose"), &loose);
    EXPECT_EQ(m_Manager->GetNumMaterials(), 1);
}

TEST_F(MaterialTest, BinaryRecordRoundTrips) {
    phMaterial* metal = LoadText(SparkBlock)[0];
    std::string path = m_Scratch.Path("metal.bbnd");
    Stream* stream = StreamCreate(path.c_str());
    ASSERT_NE(stream, nullptr);
    metal->SaveBinary(stream);
    phMaterialMgr::DefaultMaterial->SaveBinary(stream);
    StreamClose(stream);
    std::string bytes = ReadWholeFile(path);
    ASSERT_EQ(bytes.size(), 2u * 104u);
    EXPECT_EQ(bytes.substr(0, 6), std::string("metal\0", 6));
    EXPECT_EQ(bytes.substr(40, 6), std::string("spark\0", 6));
    EXPECT_EQ(bytes.substr(72, 5), std::string("thud\0", 5));
    EXPECT_EQ(bytes.substr(104 + 40, 5), std::string("none\0", 5));

    Renew();
    phMaterial* loaded = LoadBinary(bytes.substr(0, 104));
    ASSERT_NE(loaded, phMaterialMgr::DefaultMaterial);
    EXPECT_STREQ(loaded->Name, "metal");
    EXPECT_EQ(loaded->Elasticity, 0.3f);
    EXPECT_EQ(loaded->Friction, 0.7f);
    EXPECT_STREQ(m_Manager->GetName(loaded->EffectId), "spark");
    EXPECT_STREQ(m_Manager->GetName(loaded->SoundId), "thud");
}

TEST_F(MaterialTest, BinaryNamesEndAtTheirTerminatorOrAt31Characters) {
    std::string longName(40, 'n');
    std::string effect(32, 'e');
    phMaterial* loaded = LoadBinary(Record("rubber", 0.25f, 0.75f, effect.c_str(), "squeak"));
    EXPECT_STREQ(loaded->Name, "rubber");
    EXPECT_FLOAT_EQ(loaded->Elasticity, 0.25f);
    EXPECT_FLOAT_EQ(loaded->Friction, 0.75f);
    EXPECT_EQ(std::string(m_Manager->GetName(loaded->EffectId)), std::string(31, 'e'));
    EXPECT_STREQ(m_Manager->GetName(loaded->SoundId), "squeak");

    phMaterial named;
    named.SetName(longName.c_str());
    EXPECT_EQ(std::string(named.Name), std::string(31, 'n'));
}

TEST_F(MaterialTest, ShortBinaryRecordGivesTheDefaultMaterial) {
    ConsoleCapture console;
    phMaterial* loaded = LoadBinary(Record("rubber", 0.25f, 0.75f, "a", "b").substr(0, 60));
    EXPECT_EQ(loaded, phMaterialMgr::DefaultMaterial);
    EXPECT_EQ(m_Manager->GetNumMaterials(), 1);
    EXPECT_NE(console.Take().find("cut short"), std::string::npos);
}

// Values no contact can use are refused in either form, and the block gives the default.
TEST_F(MaterialTest, ValuesNoContactCanUseGiveTheDefaultMaterial) {
    // No text reads as a NaN: "nan" is no number to the tokenizer, and "-nan" reads as 0.
    const char* texts[] = {"1e39", "-1e39", "100.5", "-101"};
    for (const char* value : texts) {
        SCOPED_TRACE(value);
        Renew();
        ConsoleCapture console;
        std::string block = std::string("; one block\nmtl odd { elasticity: 0.2 friction: ") +
                            value + " effect: none sound: none }\n";
        EXPECT_EQ(LoadText(block)[0], phMaterialMgr::DefaultMaterial);
        EXPECT_NE(console.Take().find("material 'odd' of " + m_Scratch.Path("materials.bnd") +
                                      "(2) has an elasticity or friction that is not a number "
                                      "within +-100, using 'default'."),
                  std::string::npos);
    }
    const uint32_t bits[] = {0x7F800001u, 0x7FC00000u, 0xFF800000u, 0x7F7FFFFFu};
    for (uint32_t b : bits) {
        SCOPED_TRACE(b);
        Renew();
        float value;
        std::memcpy(&value, &b, 4);
        ConsoleCapture console;
        EXPECT_EQ(LoadBinary(Record("odd", value, 0.5f, "none", "none")),
                  phMaterialMgr::DefaultMaterial);
        EXPECT_NE(console.Take().find("material 'odd' of " + m_Scratch.Path("r.bbnd") +
                                      " at byte 0 has an elasticity"),
                  std::string::npos);
    }
    EXPECT_EQ(m_Manager->GetNumMaterials(), 1);
    phMaterial* edge = LoadText("mtl edge { elasticity: -100 friction: 100 effect: a sound: b }")[0];
    EXPECT_NE(edge, phMaterialMgr::DefaultMaterial);
}

// A bound file reads its material block straight after the numbers before it: the refusal
// names the line of the block's "mtl", not the line the reader stood on when the block began.
TEST_F(MaterialTest, ARefusedBlockNamesItsOwnLine) {
    const std::string path = m_Scratch.Path("shape.bnd");
    ASSERT_TRUE(WriteWholeFile(path, "v 1 2 3\n\nmtl odd { elasticity: 0.2 friction: 1e39\n"
                                     "effect: none sound: none }\n"));
    Stream* stream = StreamOpen(path.c_str());
    ASSERT_NE(stream, nullptr);
    TokenReader reader(path.c_str(), stream);
    char token[8];
    reader.GetToken(token, sizeof(token));
    reader.GetFloat();
    reader.GetFloat();
    reader.GetFloat();
    ConsoleCapture console;
    EXPECT_EQ(m_Manager->Load(reader), phMaterialMgr::DefaultMaterial);
    StreamClose(stream);
    EXPECT_NE(console.Take().find("material 'odd' of " + path + "(3) has"), std::string::npos);
}

// Names of the binary form that hold white space, a comment or nothing are written quoted and
// read back as they were; one that would need quotes and holds a quote has no text form.
TEST_F(MaterialTest, EveryNameTheTextFormCanHoldReadsBack) {
    const char* names[] = {"two words", "semi;colon", "", "tab\there", "new\nline", "a\"b"};
    for (const char* name : names) {
        SCOPED_TRACE(name);
        phMaterial* loaded = LoadBinary(Record(name, 0.25f, 0.75f, name, "plain"));
        ASSERT_NE(loaded, phMaterialMgr::DefaultMaterial);
        std::string saved = SaveText(*loaded);
        Renew();
        std::vector<phMaterial*> again = LoadText(saved);
        ASSERT_EQ(again.size(), 1u) << saved;
        EXPECT_STREQ(again[0]->Name, name);
        EXPECT_STREQ(m_Manager->GetName(again[0]->EffectId), name);
        EXPECT_STREQ(m_Manager->GetName(again[0]->SoundId), "plain");
        EXPECT_EQ(SaveText(*again[0]), saved);
    }
    EXPECT_EQ(SaveText(*LoadText(SparkBlock)[0]).find("mtl metal {"), 0u);
    for (const char* name : {"a \"b", "\"quoted"}) {
        SCOPED_TRACE(name);
        ConsoleCapture console;
        EXPECT_EQ(LoadBinary(Record("named", 0.25f, 0.75f, "none", name)),
                  phMaterialMgr::DefaultMaterial);
        EXPECT_NE(console.Take().find(" has a name that no text block can hold"),
                  std::string::npos);
    }
}

TEST_F(MaterialTest, FullMaterialListRefusesMoreMaterials) {
    std::string text;
    for (int i = 0; i < phMaterialMgr::MAX_MATERIALS; ++i) {
        text += "mtl m" + std::to_string(i) +
                " { elasticity: 0.2 friction: 0.4 effect: e sound: s }\n";
    }
    ConsoleCapture console;
    std::vector<phMaterial*> loaded = LoadText(text);
    ASSERT_EQ(loaded.size(), 100u);
    EXPECT_EQ(m_Manager->GetNumMaterials(), 100);
    EXPECT_STREQ(loaded[98]->Name, "m98");
    EXPECT_EQ(loaded[99], phMaterialMgr::DefaultMaterial);
    EXPECT_NE(console.Take().find("no room for material 'm99'"), std::string::npos);
}

TEST_CHILD(SecondManager) {
    phMaterialMgr::Instance();
    new phMaterialMgr(new phMaterial);
    return 0;
}

TEST_CHILD(NameTableOverflow) {
    phMaterialMgr* manager = phMaterialMgr::Instance();
    for (int i = 0; i <= phMaterialMgr::MAX_MATERIALS; ++i) {
        manager->FindOrAddName(("name" + std::to_string(i)).c_str());
    }
    return 0;
}

TEST(MaterialMgrTest, LimitsAssert) {
    struct Case {
        const char* child;
        const char* message;
    };
    const Case cases[] = {
        {"SecondManager", "Assert(RefCount == 1) failed in [phcore/materialmgr, line"},
        {"NameTableOverflow",
         "Assert(NameIndex<MAX_MATERIALS) failed in [phcore/materialmgr, line"},
    };
    for (const Case& c : cases) {
        ExpectFatalChild(c.child, c.message);
    }
}
