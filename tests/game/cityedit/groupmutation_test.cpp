// Damaged group files: each loads within the slots and the city's rooms, or is refused by the
// tokenizer's fatal text.
#include "cityedit/groups.h"

#include "data/asset.h"
#include "tests/game/cityedit/groupfixture.h"
#include "tests/support/child.h"
#include "tests/support/console.h"
#include "tests/support/mutation.h"
#include "tests/support/scratch.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const int Mutants = 1200;
const uint32_t CityRooms = 24;

bool CheckGroups(int index, std::string& why) {
    static const std::vector<std::string> seeds = {
        "2 \nNorth_Side 3  1200  1500  2000 \nHarbor 1  700 \n" + std::string(30, '\n'),
        "3 \nn01 2  100  200 \nn02 1  300 \n\"Old Town\" 4  400  500  600  2300 \n"};
    static ScratchDir scratch;
    WriteWholeFile(scratch.Path("m.grp"), Mutant(seeds, index));
    ConsoleCapture console;
    GroupCity city(CityRooms);
    city.m_Groups.LoadGroupFile(scratch.Path("m.grp").c_str());
    const GroupList& groups = city.m_Groups;
    bool sound = groups.m_GroupCount >= 0 && groups.m_GroupCount <= GroupList::MAX_GROUPS;
    for (int g = 0; sound && g < GroupList::MAX_GROUPS; ++g) {
        sound = strlen(groups.m_Groups[g].m_Name) < RoomGroup::NAME_SIZE;
        for (int room : city.Rooms(g)) {
            sound = sound && room >= 0 && room < int(CityRooms);
        }
    }
    if (!sound) {
        why = "a group outside the slots or the rooms";
    }
    return OnlyAllowedMessages(console.Take(),
                               {" groups; a file holds 0 to 32", " rooms; the city has ",
                                ": the file ends after "},
                               why) &&
           sound;
}

}  // namespace

TEST_CHILD(MutateGroups) { return RunMutantsInChild(Mutants, CheckGroups); }

TEST(GroupMutation, DamagedGroupFilesLoadSoundlyOrAreRefused) {
    RunMutation("MutateGroups", Mutants, {"m.grp(", "Expected integer."}, 4);
}
