// Damaged binary material records: each is taken with its names cut to their field, or
// reported as cut short or as holding what no material can be.
#include "data/stream.h"
#include "phcore/material.h"
#include "phcore/materialmgr.h"
#include "tests/support/child.h"
#include "tests/support/console.h"
#include "tests/support/mutation.h"
#include "tests/support/scratch.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

const int Mutants = 1000;

std::string RecordSeed() {
    static ScratchDir scratch;
    std::string path = scratch.Path("seed.mtl");
    Stream* stream = StreamCreate(path.c_str());
    phMaterial material;
    material.Elasticity = 0.25f;
    material.Friction = 0.75f;
    for (const char* name : {"rubber", "a_name_of_thirty_one_characters", "ice"}) {
        material.SetName(name);
        material.EffectId = int16_t(phMaterialMgr::Instance()->FindOrAddName("sparks"));
        material.SoundId = int16_t(phMaterialMgr::Instance()->FindOrAddName(name));
        material.SaveBinary(stream);
    }
    StreamClose(stream);
    return ReadWholeFile(path);
}

bool CheckRecords(int index, std::string& why) {
    static const std::vector<std::string> seeds = {RecordSeed()};
    static ScratchDir scratch;
    std::string file = Mutant(seeds, index);
    std::string path = scratch.Path("m.mtl");
    WriteWholeFile(path, file);
    // A fresh manager each time: names gathered over many mutants would fill its tables.
    delete phMaterialMgr::Instance();
    phMaterialMgr* manager = phMaterialMgr::Instance();
    ConsoleCapture console;
    Stream* stream = StreamOpen(path.c_str());
    for (size_t record = 0; record <= file.size() / phMaterial::BinarySize; ++record) {
        const phMaterial* material = manager->LoadBinary(stream);
        if (strnlen(material->Name, phMaterial::NameSize) >= size_t(phMaterial::NameSize) ||
            strlen(manager->GetName(material->EffectId)) >= size_t(phMaterial::NameSize) ||
            strlen(manager->GetName(material->SoundId)) >= size_t(phMaterial::NameSize)) {
            why = "a name outgrew its field";
            StreamClose(stream);
            return false;
        }
    }
    StreamClose(stream);
    return OnlyAllowedMessages(console.Take(), {"phMaterialMgr: material record cut short", "phMaterialMgr: material '"}, why);
}

}  // namespace

TEST_CHILD(MutateRecords) { return RunMutantsInChild(Mutants, CheckRecords); }

TEST(MaterialMutation, DamagedBinaryRecordsAreReadOrReported) {
    RunMutation("MutateRecords", Mutants, {});
}
