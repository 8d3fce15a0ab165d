// The editor itself, run as a program in a folder of its own holding a copy of the demo city.
#include "city/psdl.h"
#include "cityedit/block.h"
#include "data/asset.h"
#include "data/stream.h"
#include "tests/engine/gfx/pipefixture.h"
#include "tests/support/child.h"
#include "tests/support/console.h"
#include "tests/support/scratch.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

// The editor, or with faulty its test build that faults inside a frame.
std::string Program(bool faulty = false) {
    const char* path = getenv(faulty ? "PLATTOR_FAULTY_PROGRAM" : "PLATTOR_PROGRAM");
    std::string program = std::string("Z:") + (path ? path : "plattor.exe");
    for (char& c : program) {
        if (c == '/') {
            c = '\\';
        }
    }
    return program;
}

void CopyFolder(const std::string& from, const std::string& to) {
    CreateDirectoryA(to.c_str(), nullptr);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((from + "\\*").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE) << from;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            CopyFileA((from + "\\" + found.cFileName).c_str(),
                      (to + "\\" + found.cFileName).c_str(), FALSE);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

// Nothing printed at the warning level or above.
void ExpectNothingWrong(const std::string& output) {
    for (const char* level : {"Warning", "Error", "Fatal"}) {
        EXPECT_EQ(output.find(level), std::string::npos) << output;
    }
}

size_t CountBlocks(const std::string& text) {
    size_t count = 0;
    for (size_t at = text.find("block {"); at != std::string::npos;
         at = text.find("block {", at + 1)) {
        ++count;
    }
    return count;
}

class Editor : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* folder : {"city", "texture", "geometry", "scene", "bound"}) {
            CopyFolder(SourcePath(std::string("assets\\") + folder), m_Scratch.Path(folder));
        }
    }
    void TearDown() override {
        datAssetManager::SetPath("");
    }

    ChildResult Run(const std::string& arguments, bool faulty = false) {
        ChildResult result = RunProgram("\"" + Program(faulty) + "\" " + arguments,
                                        m_Scratch.Root(), 120000);
        EXPECT_FALSE(result.m_TimedOut) << arguments;
        return result;
    }

    // Starts the editor, checks that its window is still open seconds later and closes it
    // from outside; the editor must then end by itself (30 s allow for a loaded machine; a
    // loop that ignores the close runs into the run's limit instead).
    ChildResult RunUntilClosed(const std::string& arguments) {
        std::atomic<bool> done(false);
        ChildResult result;
        std::thread editor([&] {
            result = Run(arguments);
            done = true;
        });
        HWND window = nullptr;
        for (int i = 0; i < 600 && !window && !done; ++i) {
            Sleep(100);
            window = FindWindowA(nullptr, "D3D Pipeline");
        }
        EXPECT_NE(window, nullptr) << "no window";
        if (window) {
            Sleep(3000);
            EXPECT_FALSE(done) << "the editor left its loop by itself";
            DWORD closed = GetTickCount();
            PostMessageA(window, WM_CLOSE, 0, 0);
            editor.join();
            EXPECT_LT(GetTickCount() - closed, 30000u);
        } else {
            editor.join();
        }
        return result;
    }

    ScratchDir m_Scratch;
};

}  // namespace

TEST_F(Editor, RefusesToStartWithoutACity) {
    struct Case {
        const char* m_Arguments;
        const char* m_Message;
    };
    const Case cases[] = {
        {"", "Fatal Error: Usage: plattor filename.sdl"},
        {"missing.sdl", "Fatal Error: SDL file didn't load."},
    };
    for (const Case& c : cases) {
        ChildResult result = Run(c.m_Arguments);
        EXPECT_EQ(result.m_ExitCode, 1) << c.m_Arguments << "\n" << result.m_Output;
        EXPECT_NE(result.m_Output.find(c.m_Message), std::string::npos) << result.m_Output;
        EXPECT_NE(result.m_Output.find("ExceptMain: Abnormal exit."), std::string::npos)
            << result.m_Output;
    }
}

// The editor runs its frames until its window is closed: it is still there seconds after it
// opened, and a WM_CLOSE from outside ends it with 0 and its bank layout written.
TEST_F(Editor, StaysInItsLoopUntilTheWindowIsClosed) {
    ChildResult result = RunUntilClosed("demo.sdl -block demo -group city\\demo");
    EXPECT_EQ(result.m_ExitCode, 0) << result.m_Output;
    // The shut-down releases every texture and bitmap: a surface it reports was leaked.
    EXPECT_EQ(result.m_Output.find("Error"), std::string::npos) << result.m_Output;
    EXPECT_EQ(result.m_Output.find("Unreleased surface"), std::string::npos) << result.m_Output;
    EXPECT_FALSE(FileExists(m_Scratch.Path("city\\demo.psdl")));
    // The layout written at the shut-down lists every bank.
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(m_Scratch.Path("*.bfg").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    FindClose(search);
    std::string layout = ReadWholeFile(m_Scratch.Path(found.cFileName));
    for (const char* bank : {"\"Banks\"", "\"Main Menu\"", "\"Track Camera\"", "\"Groups\"",
                             "\"Pipeline\"", "\"Path Editor\"", "\"Light One\"",
                             "\"Block Editor\"", "\"Block Attributes\""}) {
        EXPECT_NE(layout.find(bank), std::string::npos) << bank << "\n" << layout;
    }
}

// A fault inside a frame saves every block, with "end", beside the block file's name (or to
// "CRASH.block" without one) and ends with 1.
TEST_F(Editor, AFaultInAFrameSavesTheBlocks) {
    struct Case {
        const char* m_Arguments;
        const char* m_File;
    };
    const Case cases[] = {
        {"demo.sdl -block demo", "demo.CRASH.block"},
        {"demo.sdl", "CRASH.block"},
    };
    const std::string blocks = ReadWholeFile(m_Scratch.Path("city\\demo.block"));
    for (const Case& c : cases) {
        ChildResult result = Run(c.m_Arguments, true);
        EXPECT_EQ(result.m_ExitCode, 1) << result.m_Output;
        for (const std::string& text :
             {std::string("Exception c0000005 at EIP="),
              "Unexpected program fault, saved data out to '" + std::string(c.m_File) + "'"}) {
            EXPECT_NE(result.m_Output.find(text), std::string::npos) << text << result.m_Output;
        }
        std::string saved = ReadWholeFile(m_Scratch.Path(c.m_File));
        ASSERT_GE(saved.size(), 4u) << c.m_File;
        EXPECT_EQ(saved.substr(saved.size() - 4), "end\n") << c.m_File;
        // Every block of the file loaded, and none without one.
        size_t loaded = c.m_File == std::string("CRASH.block") ? 0 : CountBlocks(blocks);
        EXPECT_EQ(CountBlocks(saved), loaded) << saved;
        DeleteFileA(m_Scratch.Path(c.m_File).c_str());
    }
}

TEST_F(Editor, BatchMakeWritesTheSameProcessedCityTwice) {
    WriteWholeFile(m_Scratch.Path("genbai"), "left by an earlier make");
    // The in-window bank manager keeps no layout file, so a first run has none to miss.
    const std::string arguments = "demo.sdl -block demo -group city\\demo -make demo -local";
    ChildResult first = Run(arguments);
    ASSERT_EQ(first.m_ExitCode, 0) << first.m_Output;
    ExpectNothingWrong(first.m_Output);
    EXPECT_FALSE(FileExists(m_Scratch.Path("genbai")));
    std::string psdl = ReadWholeFile(m_Scratch.Path("city\\demo.psdl"));
    std::string inst = ReadWholeFile(m_Scratch.Path("city\\demo.inst"));
    ASSERT_GE(psdl.size(), 8u);
    EXPECT_EQ(psdl.substr(0, 8), std::string("PSD0\x02\0\0\0", 8));
    EXPECT_TRUE(FileExists(m_Scratch.Path("city\\demo.inst")));

    ChildResult second = Run(arguments);
    ASSERT_EQ(second.m_ExitCode, 0) << second.m_Output;
    EXPECT_TRUE(ReadWholeFile(m_Scratch.Path("city\\demo.psdl")) == psdl);
    EXPECT_TRUE(ReadWholeFile(m_Scratch.Path("city\\demo.inst")) == inst);

    // Groups n01 (the blocks of the northern row, rooms 1 to 4), n02 (the divided road, rooms
    // 18 to 20) and n03 (the intersections, rooms 36 to 51).
    ConsoleCapture console;
    datAssetManager::SetPath(m_Scratch.Root().c_str());
    lvlPSDL city;
    ASSERT_TRUE(city.Load("demo"));
    std::vector<uint8_t> groups(52, 0);
    std::fill(groups.begin() + 1, groups.begin() + 5, 1);
    std::fill(groups.begin() + 18, groups.begin() + 21, 2);
    std::fill(groups.begin() + 36, groups.end(), 3);
    EXPECT_EQ(city.m_RoomGroups, groups);
}

TEST_F(Editor, BatchMakeDiscardsABlockThatMatchesNoRoomWithoutWaiting) {
    const Vector3 corners[] = {Vector3(500, 0, 0), Vector3(510, 0, 0), Vector3(510, 0, 10),
                           Vector3(500, 0, 10)};
    CityBlock block(0);
    block.BuildFromOutline(corners, 4);
    Stream* stream = StreamCreate(m_Scratch.Path("city\\far.block").c_str());
    ASSERT_NE(stream, nullptr);
    block.Write(stream);
    StreamPrintf(stream, "end\n");
    StreamClose(stream);
    ChildResult result = Run("demo.sdl -block far -make far");
    EXPECT_EQ(result.m_ExitCode, 0) << result.m_Output;
    EXPECT_NE(result.m_Output.find("Error: Load Block Data: Block couldn't find match, discarded."),
              std::string::npos)
        << result.m_Output;
    EXPECT_TRUE(FileExists(m_Scratch.Path("city\\far.psdl")));
}

// A misspelt block file is named in a warning; the make goes on without it.
TEST_F(Editor, BatchMakeWarnsOfAMissingBlockFile) {
    ChildResult result = Run("demo.sdl -block nosuch -make nosuch");
    EXPECT_EQ(result.m_ExitCode, 0) << result.m_Output;
    EXPECT_NE(result.m_Output.find("Cannot open file '"), std::string::npos) << result.m_Output;
    EXPECT_NE(result.m_Output.find("nosuch.block'."), std::string::npos) << result.m_Output;
    EXPECT_TRUE(FileExists(m_Scratch.Path("city\\nosuch.psdl")));
}

TEST_F(Editor, BatchMakeThatCannotWriteEndsWithOne) {
    struct Case {
        std::string m_Name;
        const char* m_Message;
    };
    const Case cases[] = {
        {"nosuchfolder\\demo", "Cannot create file"},
        {std::string(130, 'x'), "is longer than 127 characters"},
    };
    for (const Case& c : cases) {
        ChildResult result = Run("demo.sdl -make " + c.m_Name);
        EXPECT_EQ(result.m_ExitCode, 1) << result.m_Output;
        EXPECT_NE(result.m_Output.find(c.m_Message), std::string::npos) << result.m_Output;
    }
}

// On a 16-bit desktop the own software device, which has no lights, runs the editor: the
// "Light One" bank of a device without a first light must not stop the start.
TEST_F(Editor, Screen16StartsOnTheOwnDevice) {
    if (!OnSixteenBitScreen()) {
        GTEST_SKIP() << "needs an 800x600x16 screen";
    }
    ChildResult result = RunUntilClosed("demo.sdl -block demo -swkesh");
    EXPECT_EQ(result.m_ExitCode, 0) << result.m_Output;
    EXPECT_EQ(result.m_Output.find("Exception"), std::string::npos) << result.m_Output;
    // Every line, point and triangle of the frames reaches the device in a form it draws.
    EXPECT_EQ(result.m_Output.find("failed, code="), std::string::npos) << result.m_Output;
}

// A description may count more rooms than it describes; the frames pass the empty slots by.
TEST_F(Editor, RunsACityWithAnEmptyRoomSlot) {
    const std::string sdl = m_Scratch.Path("city\\demo.sdl");
    std::string text = ReadWholeFile(sdl);
    size_t counts = text.find("rooms 51 1 0");
    ASSERT_NE(counts, std::string::npos);
    text.replace(counts, 12, "rooms 52 1 0");
    WriteWholeFile(sdl, text);
    ChildResult result = RunUntilClosed("demo.sdl");
    EXPECT_EQ(result.m_ExitCode, 0) << result.m_Output;
    EXPECT_EQ(result.m_Output.find("Exception"), std::string::npos) << result.m_Output;
}
