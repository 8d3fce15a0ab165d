#include "data/hash.h"
#include "data/options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A writable argument vector, as the C runtime gives one: parsing cuts "-name=value" in place.
class Arguments {
public:
    explicit Arguments(const std::vector<std::string>& words) : m_Words(words) {
        for (std::string& word : m_Words) {
            m_Pointers.push_back(&word[0]);
        }
        m_Pointers.push_back(nullptr);
    }
    int Count() const { return (int)m_Words.size(); }
    char** Vector() { return m_Pointers.data(); }

private:
    std::vector<std::string> m_Words;
    std::vector<char*> m_Pointers;
};

std::vector<std::string> Values(const char* name) {
    std::vector<std::string> values;
    const char* text = nullptr;
    for (uint32_t i = 0; GetOption(name, i, text); ++i) {
        values.push_back(text);
    }
    EXPECT_EQ(values.size(), OptionValueCount(name)) << name;
    return values;
}

typedef std::vector<std::pair<std::string, std::vector<std::string>>> OptionList;

void ExpectOptions(const OptionList& expected) {
    for (const auto& option : expected) {
        EXPECT_TRUE(HasOption(option.first.c_str())) << option.first;
        EXPECT_EQ(Values(option.first.c_str()), option.second) << option.first;
    }
}

}  // namespace

TEST(Options, CommandLineSyntax) {
    struct Case {
        std::vector<std::string> m_Arguments;
        OptionList m_Expected;
        std::vector<std::string> m_Absent;
    };
    const Case cases[] = {
        {{"plattor", "-width", "1024", "-height", "768"},
         {{"width", {"1024"}}, {"height", {"768"}}},
         {"plattor"}},
        {{"plattor", "-offset", "-5", "3", "-x"}, {{"offset", {"-5", "3"}}, {"x", {}}}, {"5"}},
        {{"plattor", "-path=c:\\data", "more"}, {{"path", {"c:\\data", "more"}}}, {"path=c:\\data"}},
        {{"plattor", "-a", "1", "-a", "2", "-b", "-0.5"}, {{"a", {"1"}}, {"b", {"-0.5"}}}, {"2"}},
        {{"plattor", "-a=1", "-a=2", "x"}, {{"a", {"1"}}}, {"a=2"}},
        {{"plattor", "loose", "-Flag", "-v", "-.5"}, {{"Flag", {}}, {"v", {}}, {".5", {}}},
         {"loose", "flag"}},
    };
    for (const Case& c : cases) {
        ClearOptions();
        Arguments arguments(c.m_Arguments);
        ParseCommandLine(arguments.Count(), arguments.Vector());
        SCOPED_TRACE(c.m_Arguments[1]);
        ExpectOptions(c.m_Expected);
        for (const std::string& name : c.m_Absent) {
            EXPECT_FALSE(HasOption(name.c_str())) << name;
        }
    }
    ClearOptions();
    ParseCommandLine(0, nullptr);
    EXPECT_FALSE(HasOption("width"));
}

TEST(Options, TypedQueries) {
    ClearOptions();
    Arguments arguments({"plattor", "-width", "1024", "-scale", "-0.25", "abc"});
    ParseCommandLine(arguments.Count(), arguments.Vector());
    int width = -1;
    EXPECT_TRUE(GetOption("width", 0, width));
    EXPECT_EQ(width, 1024);
    width = -1;
    EXPECT_FALSE(GetOption("width", 1, width));
    EXPECT_FALSE(GetOption("absent", 0, width));
    EXPECT_EQ(width, -1);
    float scale = 0;
    EXPECT_TRUE(GetOption("scale", 0, scale));
    EXPECT_EQ(scale, -0.25f);
    int notNumber = -1;
    EXPECT_TRUE(GetOption("scale", 1, notNumber));
    EXPECT_EQ(notNumber, 0);
    EXPECT_EQ(OptionValueCount("absent"), 0u);

    // The table is off the global list: emptying every table spares it.
    HashTable::KillAll();
    EXPECT_EQ(OptionValueCount("scale"), 2u);
}

TEST(Options, DebugLevels) {
    struct Case {
        std::vector<std::string> m_Arguments;
        int m_Level;
    };
    const Case cases[] = {
        {{"plattor"}, 7},
        {{"plattor", "-allDebug"}, 1},
        {{"plattor", "-gfxDebug"}, 1},
        {{"plattor", "-gfxDebug", "3"}, 3},
        {{"plattor", "-allDebug", "2"}, 2},
        {{"plattor", "-gfxDebug", "-allDebug", "2"}, 2},
        {{"plattor", "-gfxDebug", "3", "-allDebug", "2"}, 3},
        {{"plattor", "-joyDebug", "3"}, 7},
    };
    for (const Case& c : cases) {
        ClearOptions();
        Arguments arguments(c.m_Arguments);
        ParseCommandLine(arguments.Count(), arguments.Vector());
        int level = 7;
        DebugOption("gfxDebug", level);
        EXPECT_EQ(level, c.m_Level) << c.m_Arguments.size();
    }
}

TEST(Options, SetOptionKeepsItsOwnCopy) {
    ClearOptions();
    Arguments arguments({"plattor", "-path", "a", "b"});
    ParseCommandLine(arguments.Count(), arguments.Vector());
    {
        std::string temporary = "elsewhere";
        const char* const* values = SetOption("path", temporary.c_str());
        EXPECT_STREQ(values[0], "elsewhere");
        temporary = "overwritten";
    }
    EXPECT_EQ(Values("path"), std::vector<std::string>{"elsewhere"});
    SetOption("new", "1");
    int value = 0;
    EXPECT_TRUE(GetOption("new", 0, value));
    EXPECT_EQ(value, 1);
    ClearOptions();
    EXPECT_FALSE(HasOption("path"));
}

TEST(Options, CommandStringAndRebuild) {
    ClearOptions();
    char text[] = "plattor -width=1024 768  -offset -5 -a x -a y";
    ParseCommandString(text);
    ExpectOptions({{"width", {"1024", "768"}}, {"offset", {}}, {"5", {}}, {"a", {"x"}}});

    int needed = RebuildCommandLine(nullptr, 0);
    std::vector<char> buffer(needed);
    EXPECT_EQ(RebuildCommandLine(buffer.data(), needed), needed);
    std::string rebuilt = buffer.data();
    EXPECT_EQ(rebuilt.size() + 1, (size_t)needed);
    EXPECT_EQ(rebuilt.rfind("plattor", 0), 0u) << rebuilt;
    EXPECT_NE(rebuilt.find(" -width=1024 768"), std::string::npos) << rebuilt;
    EXPECT_NE(rebuilt.find(" -a=x"), std::string::npos) << rebuilt;

    char small[8];
    RebuildCommandLine(small, sizeof(small));
    EXPECT_STREQ(small, "plattor");
    ClearOptions();
}
