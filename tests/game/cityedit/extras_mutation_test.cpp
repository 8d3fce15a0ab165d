// Damaged extras lists and join lines: the extras that load stay within the table and the
// city's rooms, with the readers' own messages; nothing is refused outright.
#include "cityedit/blockdata.h"

#include "tests/game/cityedit/demoblocks.h"
#include "tests/support/child.h"
#include "tests/support/mutation.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

const int Mutants = 1200;

// A join line file: its count and points of three floats.
std::string JoinFile(const std::vector<float>& points) {
    uint32_t count = uint32_t(points.size() / 3);
    std::string file(reinterpret_cast<const char*>(&count), 4);
    file.append(reinterpret_cast<const char*>(points.data()), points.size() * sizeof(float));
    return file;
}

bool CheckExtras(int index, std::string& why) {
    static const std::vector<std::string> lists = {
        "101,lamp\n106,tree\n106,lamp\n",
        "106,tree\n101,\"lamp\"\n999,lamp\n101," + std::string(70, 'x') + "\n"};
    static const std::vector<std::string> joins = {
        JoinFile({0, 0, 0.5f, 10.5f, 0, 0, 10.5f, 0, 10.5f, 3, 0, 10}),
        JoinFile({10, 0, 10, 30, 0, 10, 30, 0, 20, 10, 0, 20})};
    static std::unique_ptr<DemoBlocks> demo;
    if (!demo) {
        demo.reset(new DemoBlocks);
        const Vector3 offset(2.0f, 0.5f, 3.0f);
        demo->WritePackage("lamp", &offset);
        demo->WritePackage("tree", nullptr);
    }
    demo->m_Console.Take();
    demo->WriteFile("city\\demo.extra", Mutant(lists, index));
    demo->WriteFile("scene\\lamp.join", Mutant(joins, index));
    demo->WriteFile("scene\\tree.join", Mutant(joins, Mutants + index));
    ClearExtras();
    LoadExtras("demo", &demo->m_City);
    bool sound = ExtraCount >= 0 && ExtraCount <= MAX_EXTRAS;
    for (int i = 0; sound && i < ExtraCount; ++i) {
        sound = Extras[i].m_Name && demo->m_City.GetRoom(Extras[i].m_Room);
    }
    if (!sound) {
        why = "an extra outside the table or the rooms";
    }
    return OnlyAllowedMessages(demo->m_Console.Take(),
                               {"Join file for '", "Join file not found for ", "Cannot open file '",
                                "Whoa... extra landmark in room ",
                                ": a line longer than 127 characters is skipped."},
                               why) &&
           sound;
}

}  // namespace

TEST_CHILD(MutateExtras) { return RunMutantsInChild(Mutants, CheckExtras); }

TEST(ExtrasMutation, DamagedExtrasListsAndJoinLinesLoadSoundly) {
    RunMutation("MutateExtras", Mutants, {}, 4);
}
