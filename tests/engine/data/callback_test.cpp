#include "data/base.h"
#include "data/callback.h"
#include "data/printer.h"
#include "data/string.h"
#include "tests/support/child.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// Every call leaves one line: which target ran and with what.
std::vector<std::string> sm_Calls;

void Record(const std::string& who, int count, uintptr_t a = 0, uintptr_t b = 0) {
    std::string line = who + "(";
    if (count > 0) {
        line += std::to_string(a);
    }
    if (count > 1) {
        line += "," + std::to_string(b);
    }
    sm_Calls.push_back(line + ")");
}

void FreeNone() { Record("free", 0); }
void FreeData(uintptr_t data) { Record("free", 1, data); }
void FreeBoth(uintptr_t data, uintptr_t argument) { Record("free", 2, data, argument); }

struct Recorder {
    virtual ~Recorder() {}
    std::string m_Name = "member";
    virtual void None() { Record(m_Name, 0); }
    void Data(uintptr_t data) { Record(m_Name, 1, data); }
    void Both(uintptr_t data, uintptr_t argument) { Record(m_Name, 2, data, argument); }
};

struct Padding {
    virtual ~Padding() {}
    int m_Padding = 0;
};

// The first base puts the recorder away from the start of the object, so a wrong pointer
// adjustment would show in the name; None is virtual, so the call must reach the override.
struct Derived : Padding, Recorder {
    void None() override { Record(m_Name + "!", 0); }
};

}  // namespace

TEST(Callback, NoneAndNullCallbackDoNothing) {
    sm_Calls.clear();
    datCallback none;
    none.Call(5);
    NullCallback.Call(5);
    EXPECT_TRUE(sm_Calls.empty());
}

TEST(Callback, EveryKindOnFreeAndMemberFunctions) {
    Derived object;
    object.m_Name = "derived";
    uintptr_t big = uintptr_t(0x123456789ull);
    struct Case {
        datCallback m_Callback;
        const char* m_Expected;
    };
    const Case cases[] = {
        {datCallback(FreeNone), "free()"},
        {datCallback(FreeData, 7), "free(7)"},
        {datCallback(FreeBoth, 7), "free(7,9)"},
        {datCallback(FreeData, big), "free(4886718345)"},
        {datCallback(&Recorder::None, &object), "derived!()"},
        {datCallback(&Recorder::Data, &object, 7), "derived(7)"},
        {datCallback(&Recorder::Both, &object, 7), "derived(7,9)"},
    };
    for (const Case& c : cases) {
        sm_Calls.clear();
        datCallback copy = c.m_Callback;
        c.m_Callback.Call(9);
        copy.Call(9);
        ASSERT_EQ(sm_Calls.size(), 2u) << c.m_Expected;
        EXPECT_EQ(sm_Calls[0], c.m_Expected);
        EXPECT_EQ(sm_Calls[1], c.m_Expected);
    }
}

TEST(Callback, BaseDeletesDerived) {
    static bool destroyed = false;
    struct Child : Base {
        ~Child() override { destroyed = true; }
    };
    Base* base = new Child;
    delete base;
    EXPECT_TRUE(destroyed);
}

TEST(String, Duplicate) {
    const char empty[] = "";
    char* copy = StringDuplicate(empty);
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, empty);
    EXPECT_STREQ(copy, "");
    delete[] copy;
    copy = StringDuplicate("abc");
    EXPECT_STREQ(copy, "abc");
    delete[] copy;
    EXPECT_EQ(StringDuplicate(nullptr), nullptr);
}

TEST(String, FormatFits) {
    char buffer[9];
    memset(buffer, 'x', sizeof(buffer));
    EXPECT_EQ(StringFormat(buffer, 8, "%s", "1234567"), buffer);
    EXPECT_STREQ(buffer, "1234567");
    EXPECT_EQ(buffer[8], 'x');
}

char sm_Guarded[9];

// Runs inside the assertion's fatal exit, when the overflowing print has already happened.
void ReportGuard(const char*) {
    ConsolePrint(sm_Guarded[8] == 'x' ? "guard intact\n" : "guard overwritten\n");
}

TEST_CHILD(StringFormatOverflow) {
    memset(sm_Guarded, 'x', sizeof(sm_Guarded));
    SetFatalHook(ReportGuard);
    StringFormat(sm_Guarded, 8, "%s", "12345678");
    return 0;
}

TEST(String, FormatOverflowIsAssertion) {
    ChildResult result = RunChild("StringFormatOverflow");
    EXPECT_NE(result.m_ExitCode, 0);
    EXPECT_NE(result.m_Output.find("failed in [data/string, line"), std::string::npos)
        << result.m_Output;
    EXPECT_NE(result.m_Output.find("guard intact"), std::string::npos) << result.m_Output;
}
