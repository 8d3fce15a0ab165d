#include "data/debuglog.h"
#include "data/memstream.h"
#include "data/printer.h"
#include "data/replay.h"
#include "tests/support/child.h"
#include "tests/support/console.h"
#include "tests/support/failingwrites.h"
#include "tests/support/scratch.h"

#include <gtest/gtest.h>

#include <cstring>
#include <regex>
#include <string>
#include <vector>

namespace {

std::string sm_Console;

void CaptureConsole(const char* text) { sm_Console += text; }

// Frames of 0 bytes, 5 bytes (a byte and a u32) and 300 bytes.
void RecordThreeFrames(datMemoryStream* stream) {
    ASSERT_TRUE(ReplayBeginRecord(stream));
    ReplayBeginFrame();
    EXPECT_TRUE(ReplayEndFrame());
    ReplayBeginFrame();
    ReplayWriteByte(0xAB);
    ReplayWriteU32(0x11223344);
    EXPECT_TRUE(ReplayEndFrame());
    ReplayBeginFrame();
    for (int i = 0; i < 300; ++i) {
        ReplayWriteByte(i);
    }
    EXPECT_TRUE(ReplayEndFrame());
    ReplayEnd();
}

TEST(Replay, RecordsFramesAndPlaysThemBack) {
    std::vector<unsigned char> buffer(400);
    datMemoryStream stream(buffer.data(), (uint32_t)buffer.size());
    RecordThreeFrames(&stream);
    ASSERT_EQ(4u + 1 + 6 + 301, stream.Size());
    EXPECT_EQ(0, memcmp(buffer.data(), "RPY0", 4));
    EXPECT_EQ(0x00, buffer[4]);
    const unsigned char frame[] = {0xAB, 0x44, 0x33, 0x22, 0x11, 0x05};
    EXPECT_EQ(0, memcmp(&buffer[5], frame, sizeof(frame)));
    EXPECT_EQ(0x2C, buffer[311]);

    ASSERT_TRUE(ReplayBeginPlayback(&stream));
    EXPECT_TRUE(IsPlayback());
    ReplayBeginFrame();
    EXPECT_TRUE(ReplayEndFrame());
    ReplayBeginFrame();
    EXPECT_EQ(0xAB, ReplayReadByte());
    EXPECT_EQ(0x11223344u, ReplayReadU32());
    EXPECT_TRUE(ReplayEndFrame());
    ReplayBeginFrame();
    for (int i = 0; i < 300; ++i) {
        ASSERT_EQ(i & 255, ReplayReadByte());
    }
    EXPECT_FALSE(ReplayEndFrame());
    EXPECT_FALSE(IsPlayback());
}

TEST(Replay, PlaybackNeedsTheMagic) {
    unsigned char buffer[8] = {'X', 'X', 'X', 'X', 0};
    datMemoryStream stream(buffer, sizeof(buffer), 5);
    EXPECT_FALSE(ReplayBeginPlayback(&stream));
    EXPECT_FALSE(IsPlayback());
    EXPECT_EQ('X', stream.GetByte());
    EXPECT_FALSE(ReplayBeginPlayback(nullptr));
    EXPECT_FALSE(IsPlayback());
}

TEST(MemoryStream, TransfersThatDoNotFitMoveNothing) {
    unsigned char buffer[6];
    datMemoryStream stream(buffer, sizeof(buffer));
    EXPECT_EQ(4, stream.Write("abcd", 4));
    EXPECT_EQ(0, stream.Write("efg", 3));
    EXPECT_EQ('e', stream.PutByte('e'));
    EXPECT_EQ('f', stream.PutByte('f'));
    EXPECT_EQ(-1, stream.PutByte('g'));
    EXPECT_EQ(6u, stream.Size());
    stream.Rewind();
    char read[8] = {};
    EXPECT_EQ(0, stream.Read(read, 7));
    EXPECT_EQ(6, stream.Read(read, 6));
    EXPECT_STREQ("abcdef", read);
    EXPECT_EQ(-1, stream.GetByte());
}

TEST_CHILD(ReadWhileRecording) {
    unsigned char buffer[16];
    datMemoryStream stream(buffer, sizeof(buffer));
    ReplayBeginRecord(&stream);
    ReplayBeginFrame();
    ReplayReadByte();
    return 0;
}

TEST_CHILD(PlaybackReadsLessThanRecorded) {
    unsigned char buffer[16];
    datMemoryStream stream(buffer, sizeof(buffer));
    ReplayBeginRecord(&stream);
    ReplayBeginFrame();
    ReplayWriteU32(7);
    ReplayWriteByte(1);
    ReplayEndFrame();
    ReplayEnd();
    ReplayBeginPlayback(&stream);
    ReplayBeginFrame();
    ReplayReadU32();
    ReplayEndFrame();
    return 0;
}

TEST(Replay, MisuseIsFatal) {
    struct Case {
        const char* m_Child;
        const char* m_Message;
    };
    const Case cases[] = {
        {"ReadWhileRecording", "Fatal Error: Assert(IsPlayback()) failed in [data/replay, line "},
        {"PlaybackReadsLessThanRecorded", "Fatal Error: Frame size mismatch: 1 != 4\n"},
    };
    for (const Case& c : cases) {
        ExpectFatalChild(c.m_Child, c.m_Message);
    }
}

const uint32_t PositionTag = 0x73504F53;

// One run of a simulation that logs what it computes; the same call site in every run.
void LoggedRun(bool compare, const std::string& log, float x) {
    DebugLogOpen(compare, log.c_str());
    float position[3] = {x, 2.0f, 3.0f};
    DebugLog(PositionTag, position, sizeof(position));
    char flag = 1;
    DebugLog(0x73414F46, &flag, 1);
    DebugLogClose();
}

// Both runs from one call site, as two runs of a program would be: a loop the compiler
// cannot unroll.
void RecordThenCompare(const std::string& log, float recorded, float compared) {
    static volatile int runs = 2;
    for (int run = 0; run < runs; ++run) {
        LoggedRun(run == 1, log, run == 1 ? compared : recorded);
    }
}

TEST(DebugLog, IdenticalRunCompares) {
    ScratchDir scratch;
    std::string log = scratch.Path("debug.log");
    float ignored = 0;
    DebugLog(PositionTag, &ignored, sizeof(ignored));
    EXPECT_EQ("", ReadWholeFile(log));

    sm_Console.clear();
    PrintHookFunc old = SetConsoleHook(CaptureConsole);
    RecordThenCompare(log, 1.0f, 1.0f);
    SetConsoleHook(old);
    EXPECT_EQ("", sm_Console);
    std::string bytes = ReadWholeFile(log);
    ASSERT_EQ((8u + 12 + 32) + (8 + 1 + 32), bytes.size());
    EXPECT_EQ(0, memcmp(bytes.data(), "SOPs\x0c\0\0\0", 8));
}

TEST(DebugLog, ARecordingCutShortIsReported) {
    ScratchDir scratch;
    std::string log = scratch.Path("debug.log");
    ConsoleCapture console;
    for (FailingWrites::Mode mode : {FailingWrites::Refuse, FailingWrites::Short}) {
        FailingWrites failing(30, mode);
        LoggedRun(false, log, 1.0f);
        EXPECT_EQ("Error: Cannot write log file '" + log + "'.\n", console.Take()) << mode;
    }
}

TEST_CHILD(ChangedRunStops) {
    ScratchDir scratch;
    std::string log = scratch.Path("debug.log");
    RecordThenCompare(log, 1.0f, 1.5f);
    return 0;
}

TEST_CHILD(OversizedItem) {
    char big[256] = {};
    ScratchDir scratch;
    DebugLogOpen(false, scratch.Path("debug.log").c_str());
    DebugLog(PositionTag, big, sizeof(big));
    return 0;
}

TEST(DebugLog, DifferencesAreFatal) {
    ChildResult result = RunChild("ChangedRunStops");
    const std::string& out = result.m_Output;
    EXPECT_EQ(1, result.m_ExitCode);
    const char* expected[] = {
        "Error: DebugLog: Current data != stored data\nCURRENT:\n00000000: 00 00 c0 3f ",
        "\n00000000: 1.500000 2.000000 3.000000 \nSTORED:\n00000000: 00 00 80 3f ",
        "\n00000000: 1.000000 2.000000 3.000000 \n"
        "Error: DebugLog:  tag (sPOS) with ftag (sPOS)\n"
        "Fatal Error: DebugLog mismatch, aborting.\n",
    };
    size_t at = 0;
    for (const char* text : expected) {
        at = out.find(text, at);
        EXPECT_NE(std::string::npos, at) << text << "\n" << out;
    }
    EXPECT_EQ(std::string::npos, out.find("backtrace mismatch")) << out;

    ExpectFatalChild("OversizedItem", "Assert(flen < sizeof(fbuffer)) failed in [data/debuglog");
}

TEST(DebugLog, Dumps) {
    sm_Console.clear();
    PrintHookFunc old = SetConsoleHook(CaptureConsole);
    HexDump("Hello, world!\x01\x02\x7f" "abcd", 20);
    float values[4] = {1.0f, -2.5f, 0.0f, 4.0f};
    FloatDump(values, sizeof(values));
    SetConsoleHook(old);
    EXPECT_EQ("00000000: 48 65 6c 6c 6f 2c 20 77 6f 72 6c 64 21 01 02 7f Hello, world!...\n"
              "00000010: 61 62 63 64                                     abcd\n"
              "00000000: 1.000000 -2.500000 0.000000 \n"
              "00000003: 4.000000       \n",
              sm_Console);
}

TEST(DebugLog, NamesForLogFiles) {
    char name[128];
    EXPECT_TRUE(GetLoginName(name, sizeof(name)));
    EXPECT_STRNE("", name);
    char machine[128];
    EXPECT_TRUE(GetMachineName(machine, sizeof(machine)));
    MakeLogFileName(name, sizeof(name));
    std::regex pattern(std::string(machine) + "-\\d{8}-\\d{6}log\\.txt");
    EXPECT_TRUE(std::regex_match(name, pattern)) << name;
}

}  // namespace
