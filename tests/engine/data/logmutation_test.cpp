// Damaged replays, linker map files and debug logs: each is played, read or compared to a
// sound end, or refused by its own fatal text.
#include "data/debuglog.h"
#include "data/mapfile.h"
#include "data/memstream.h"
#include "data/replay.h"
#include "tests/support/child.h"
#include "tests/support/console.h"
#include "tests/support/mutation.h"
#include "tests/support/scratch.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

const int Mutants = 1000;
const int ReplayFrames = 16;
const int LogItems = 6;

// Frame k holds k bytes, then a u32 in odd frames.
void PlayFrame(int k, bool record) {
    for (int i = 0; i < k; ++i) {
        record ? ReplayWriteByte(k + i) : (void)ReplayReadByte();
    }
    if (k % 2) {
        record ? ReplayWriteU32(0x01020304u * k) : (void)ReplayReadU32();
    }
}

std::string ReplaySeed() {
    std::vector<unsigned char> buffer(4096);
    datMemoryStream stream(buffer.data(), (uint32_t)buffer.size());
    ReplayBeginRecord(&stream);
    for (int k = 0; k < ReplayFrames; ++k) {
        ReplayBeginFrame();
        PlayFrame(k, true);
        ReplayEndFrame();
    }
    ReplayEnd();
    return std::string(buffer.begin(), buffer.begin() + stream.Size());
}

// One in eight plays to the end of its replay; the rest stop after three frames, as a run
// that is left early (a damaged frame size is fatal, and children are slow to start).
bool CheckReplay(int index, std::string& why) {
    static const std::vector<std::string> seeds = {ReplaySeed()};
    std::string file = Mutant(seeds, index);
    std::vector<unsigned char> buffer(file.begin(), file.end());
    buffer.resize(file.size() + 16);
    datMemoryStream stream(buffer.data(), (uint32_t)buffer.size(), (uint32_t)file.size());
    if (!ReplayBeginPlayback(&stream)) {
        return true;
    }
    bool whole = index % 8 == 0;
    int frames = whole ? (int)file.size() + 1 : 3;
    int played = 0;
    for (bool playing = true; playing && played < frames; ++played) {
        ReplayBeginFrame();
        PlayFrame(played, false);
        playing = ReplayEndFrame();
    }
    if (IsPlayback()) {
        if (whole) {
            why = "the replay never ends";
            return false;
        }
        ReplayEnd();
    }
    return true;
}

std::string MapSeed() {
    return " engine_data_test\n\n Timestamp is 6b1a0fcc (Thu Dec 10 02:34:52 UTC 2026)\n\n"
           " Preferred load address is 0000000140000000\n\n"
           "  Address         Publics by Value              Rva+Base               Lib:Object\n\n"
           " 0001:00000000       __mingw_invalidParameterHandler          0000000140001000 f\n"
           " 0001:00000010       pre_c_init                               0000000140001010 f\n"
           " 0001:00000130       pre_cpp_init                             0000000140001130 f\n"
           " 0001:00000180       __tmainCRTStartup                        0000000140001180 f\n"
           " 0002:00000000       __dll__                                  0000000000000000\n";
}

// Symbols for addresses inside and outside the program, from a damaged map.
bool CheckMap(int index, std::string& why) {
    static const std::vector<std::string> seeds = {MapSeed()};
    static ScratchDir scratch;
    std::string path = scratch.Path("m.map");
    WriteWholeFile(path, Mutant(seeds, index));
    ConsoleCapture console;
    SetMapFileName(path.c_str());
    uintptr_t base = (uintptr_t)GetModuleHandleA(nullptr);
    const uintptr_t addresses[] = {0, base, base + 0x1010, base + 0x1200, base + 0x7FFFFFFF, ~uintptr_t(0)};
    for (uintptr_t address : addresses) {
        char symbol[256];
        memset(symbol, 'x', sizeof(symbol));
        SymbolFromAddress(symbol, address);
        if (strnlen(symbol, sizeof(symbol)) >= sizeof(symbol) || strncmp(symbol, "0x", 2) != 0) {
            why = "symbol text '" + std::string(symbol, strnlen(symbol, sizeof(symbol))) + "'";
            return false;
        }
    }
    size_t timestamp = strlen(GetMapTimestamp());
    if (timestamp >= 256) {
        why = "timestamp of " + std::to_string(timestamp) + " characters";
        return false;
    }
    return OnlyAllowedMessages(console.Take(), {"symbols parsed from map file."}, why);
}

// Items of growing size, all from this one call site, so that a compare run meets the call
// stacks it recorded.
__attribute__((noinline, noclone)) void LogSomeItems(bool compare, const std::string& path, int count) {
    DebugLogOpen(compare, path.c_str());
    unsigned char data[64];
    for (int k = 0; k < count; ++k) {
        for (int i = 0; i < (int)sizeof(data); ++i) {
            data[i] = (unsigned char)(k * 16 + i);
        }
        DebugLog(0x4954454Du + k, data, 4 * k);
    }
    DebugLogClose();
}

// Records the seed on the first call, then compares the mutant: one in eight the whole log,
// the rest its first item, as a run that ends early. Both runs make their one call from one
// place, unoptimised, so that the compare run meets the call stacks it recorded.
__attribute__((noinline, noclone, optimize("O0"))) void RecordThenCompare(
    std::vector<std::string>& seeds, const std::string& path, int index) {
    for (int run = seeds.empty() ? 0 : 1; run < 2; ++run) {
        if (run == 1) {
            WriteWholeFile(path, Mutant(seeds, index));
        }
        LogSomeItems(run == 1, path, run == 1 && index % 8 ? 1 : LogItems);
        if (run == 0) {
            seeds.push_back(ReadWholeFile(path));
        }
    }
}

bool CheckDebugLog(int index, std::string& why) {
    static ScratchDir scratch;
    static std::vector<std::string> seeds;
    ConsoleCapture console;
    RecordThenCompare(seeds, scratch.Path("m.log"), index);
    return OnlyAllowedMessages(console.Take(), {}, why);
}

}  // namespace

TEST_CHILD(MutateReplay) { return RunMutantsInChild(Mutants, CheckReplay); }
TEST_CHILD(MutateMap) { return RunMutantsInChild(Mutants, CheckMap); }
TEST_CHILD(MutateDebugLog) { return RunMutantsInChild(Mutants, CheckDebugLog); }

TEST(LogMutation, DamagedReplaysPlayOrAreRefused) {
    RunMutation("MutateReplay", Mutants, {"Frame size mismatch"}, 2);
}

TEST(LogMutation, DamagedMapFilesGiveSoundSymbols) { RunMutation("MutateMap", Mutants, {}); }

TEST(LogMutation, DamagedDebugLogsCompareOrAreRefused) {
    RunMutation("MutateDebugLog", Mutants,
                {"DebugLog mismatch, aborting.", "Assert(flen < sizeof(fbuffer)) failed in [data/debuglog"}, 2);
}
