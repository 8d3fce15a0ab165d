#include "cityedit/groups.h"

#include "bank/dialogseam.h"
#include "data/asset.h"
#include "tests/game/cityedit/groupfixture.h"
#include "tests/support/console.h"
#include "tests/support/scratch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

typedef std::vector<int> Rooms;

std::vector<std::string> g_Boxes;

int RecordBox(HWND, const char* text, const char* caption, UINT) {
    g_Boxes.push_back(std::string(caption) + "/" + text);
    return IDOK;
}

class Groups : public ::testing::Test {
protected:
    void SetUp() override {
        g_Boxes.clear();
        bkSetMessageBoxFunc(RecordBox);
        datAssetManager::SetPath(m_Scratch.Root().c_str());
    }
    void TearDown() override {
        bkSetMessageBoxFunc(nullptr);
        datAssetManager::SetPath("");
    }

    ScratchDir m_Scratch;
    ConsoleCapture m_Console;
};

const std::string TwoGroups = "2 \nNorth_Side 3  1200  1500  2000 \nHarbor 1  700 \n" +
                              std::string(30, '\n');

}  // namespace

TEST_F(Groups, SavedGroupsReadBackWithTheirNamesAndRooms) {
    {
        GroupCity city(24);
        city.Add("North Side", {12, 15, 20});
        city.Add("Harbor", {7});
        city.Add("Nothing", {});
        ASSERT_TRUE(city.m_Groups.SaveGroupFile("two"));
        // The group without rooms is left out, and the count line does not count it.
        EXPECT_EQ(ReadWholeFile(m_Scratch.Path("two.grp")), TwoGroups);
        // Saving writes underscores into the names in memory.
        EXPECT_STREQ(city.m_Groups.m_Groups[0].m_Name, "North_Side");
    }

    GroupCity other(24);
    other.Add("Old", {3});
    other.Add("Older", {4});
    other.Add("Oldest", {5});
    ASSERT_TRUE(other.m_Groups.LoadGroupFile("two.grp"));
    EXPECT_EQ(other.m_Groups.m_GroupCount, 2);
    EXPECT_STREQ(other.m_Groups.m_Groups[0].m_Name, "North Side");
    EXPECT_STREQ(other.m_Groups.m_Groups[1].m_Name, "Harbor");
    EXPECT_EQ(other.Rooms(0), Rooms({12, 15, 20}));
    EXPECT_EQ(other.Rooms(1), Rooms({7}));
    EXPECT_EQ(other.Rooms(2), Rooms());
    EXPECT_EQ(other.m_Bank.m_Combo->m_Items, (std::vector<std::string>{"North Side", "Harbor"}));
    EXPECT_EQ(other.m_Groups.m_CurrentGroup, 0);
    EXPECT_EQ(other.m_Groups.FindGroup("harbor"), 1);
    EXPECT_EQ(other.m_Groups.FindGroup("Oldest"), -1);
}

TEST_F(Groups, UnknownIdsReadAsRoomZeroAndAMissingFileChangesNothing) {
    WriteWholeFile(m_Scratch.Path("ids.grp"), "1 \nMixed 3  300  999  500 \n");
    GroupCity city(6);
    city.Add("Kept", {2});
    EXPECT_FALSE(city.m_Groups.LoadGroupFile("missing"));
    EXPECT_EQ(city.m_Groups.m_GroupCount, 1);
    EXPECT_EQ(city.Rooms(0), Rooms({2}));
    ASSERT_TRUE(city.m_Groups.LoadGroupFile(m_Scratch.Path("ids").c_str()));
    EXPECT_EQ(city.Rooms(0), Rooms({3, 0, 5}));
}

// Names typed with a comment mark, a quote or a tab still save as one token each.
TEST_F(Groups, AnyNameTypedReadsBack) {
    {
        GroupCity city(6);
        city.Add("a;b", {1});
        city.Add("\"q\"", {2});
        city.Add("t\tab", {3});
        ASSERT_TRUE(city.m_Groups.SaveGroupFile("typed"));
    }
    GroupCity other(6);
    ASSERT_TRUE(other.m_Groups.LoadGroupFile("typed"));
    ASSERT_EQ(other.m_Groups.m_GroupCount, 3);
    EXPECT_STREQ(other.m_Groups.m_Groups[0].m_Name, "a b");
    EXPECT_STREQ(other.m_Groups.m_Groups[1].m_Name, " q ");
    EXPECT_STREQ(other.m_Groups.m_Groups[2].m_Name, "t ab");
    EXPECT_EQ(other.Rooms(0), Rooms({1}));
    EXPECT_EQ(other.Rooms(1), Rooms({2}));
    EXPECT_EQ(other.Rooms(2), Rooms({3}));
}

TEST_F(Groups, AddNeedsANameAndStopsAtTheLimit) {
    GroupCity city(4);
    city.Add("", {1});
    EXPECT_EQ(city.m_Groups.m_GroupCount, 0);
    EXPECT_TRUE(city.m_Bank.m_Combo->m_Items.empty());
    for (int i = 0; i < GroupList::MAX_GROUPS; ++i) {
        city.Add(("g" + std::to_string(i)).c_str(), {1 + i % 3});
    }
    EXPECT_TRUE(g_Boxes.empty());
    EXPECT_EQ(city.m_Groups.m_CurrentGroup, 31);
    city.Add("one too many", {1});
    EXPECT_EQ(city.m_Groups.m_GroupCount, GroupList::MAX_GROUPS);
    EXPECT_EQ(g_Boxes, (std::vector<std::string>{
                           "Maximum Group Limit/The maximum number of groups has been reached."}));
    EXPECT_EQ(city.m_Bank.m_Combo->m_Items.size(), 32u);
}

TEST_F(Groups, DeletingAGroupMovesTheLaterOnesDown) {
    GroupCity city(10);
    city.Add("a", {1, 2});
    city.Add("b", {3});
    city.Add("c", {4, 5, 6});
    city.Add("empty", {});
    city.m_Groups.m_CurrentGroup = 0;
    city.m_Groups.DeleteGroup();
    ASSERT_EQ(city.m_Groups.m_GroupCount, 3);
    EXPECT_STREQ(city.m_Groups.m_Groups[0].m_Name, "b");
    EXPECT_EQ(city.Rooms(0), Rooms({3}));
    EXPECT_STREQ(city.m_Groups.m_Groups[1].m_Name, "c");
    EXPECT_EQ(city.Rooms(1), Rooms({4, 5, 6}));
    EXPECT_STREQ(city.m_Groups.m_Groups[2].m_Name, "empty");
    EXPECT_EQ(city.Rooms(3), Rooms());
    EXPECT_STREQ(city.m_Groups.m_Groups[3].m_Name, "");
    EXPECT_EQ(city.m_Bank.m_Combo->m_Items, (std::vector<std::string>{"b", "c", "empty"}));
    EXPECT_EQ(city.m_Groups.m_CurrentGroup, 0);
    // Nothing was written anywhere to do it.
    EXPECT_TRUE(m_Console.Take().empty());
    city.m_Groups.m_CurrentGroup = 2;
    city.m_Groups.DeleteGroup();
    city.m_Groups.DeleteGroup();
    city.m_Groups.DeleteGroup();
    EXPECT_EQ(city.m_Groups.m_GroupCount, 0);
    city.m_Groups.DeleteGroup();
    EXPECT_EQ(city.m_Groups.m_GroupCount, 0);
}

TEST_F(Groups, SelectingAndReassigningLeaveRoomZeroOut) {
    GroupCity city(8);
    city.Add("g", {2, 4});
    // An inverted selection flips room 0 too; it is no room and never joins a group.
    for (uint8_t& flag : city.m_Flags) {
        flag ^= 1;
    }
    city.m_Groups.ReassignGroup();
    EXPECT_EQ(city.Rooms(0), Rooms({1, 3, 5, 6, 7}));
    city.m_Flags.assign(8, 0xF6);
    city.m_Groups.SelectGroupRooms();
    EXPECT_EQ(city.m_Flags, (std::vector<uint8_t>{0, 1, 0, 1, 0, 1, 1, 1}));
    // While the list itself changes the combo, its callback does nothing.
    city.m_Groups.m_Updating = 1;
    city.m_Flags.assign(8, 9);
    city.m_Groups.SelectGroupRooms();
    EXPECT_EQ(city.m_Flags, std::vector<uint8_t>(8, 9));
}

TEST_F(Groups, FilesBeyondTheSlotsOrTheRoomsAreReportedAndStopped) {
    struct Case {
        const char* m_Name;
        std::string m_Text;
        int m_Groups;
        const char* m_Error;
    };
    const Case cases[] = {
        {"many", "33 \n" + std::string(33 * 4, 'x') + "\n", 0, "33 groups; a file holds 0 to 32"},
        {"negative", "-1 \n", 0, "-1 groups"},
        {"rooms", "2 \nA 1  100 \nB 6  100  100  100  100  100  100 \n", 1,
         "group 'B' lists 6 rooms; the city has 5"},
        {"fewrooms", "1 \nA -4  100 \n", 0, "group 'A' lists -4 rooms"},
        {"short", "3 \nA 1  100 \n", 1, "the file ends after 1 of 3 groups"},
    };
    for (const Case& c : cases) {
        WriteWholeFile(m_Scratch.Path(std::string(c.m_Name) + ".grp"), c.m_Text);
        GroupCity city(5);
        city.Add("before", {1});
        m_Console.Take();
        ASSERT_TRUE(city.m_Groups.LoadGroupFile(c.m_Name)) << c.m_Name;
        EXPECT_EQ(city.m_Groups.m_GroupCount, c.m_Groups) << c.m_Name;
        std::string printed = m_Console.Take();
        EXPECT_NE(printed.find(c.m_Error), std::string::npos) << c.m_Name << ": " << printed;
        for (int g = 0; g < GroupList::MAX_GROUPS; ++g) {
            for (int room : city.Rooms(g)) {
                EXPECT_TRUE(room >= 0 && room < 5) << c.m_Name;
            }
        }
    }
}
