#include "data/stream.h"

#include "data/printer.h"
#include "tests/support/console.h"
#include "tests/support/failingwrites.h"
#include "tests/support/scratch.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

// A file in memory that logs every device call, so that buffering can be checked call by call.
struct RecordedFile {
    std::string m_Contents;
    int m_Position = 0;
    bool m_Fail = false;
    std::vector<std::string> m_Calls;
};

RecordedFile& Recorded() {
    static RecordedFile file;
    return file;
}

uintptr_t RecordingOpen(const char*, bool) {
    Recorded().m_Position = 0;
    return 1;
}

uintptr_t RecordingCreate(const char*) {
    Recorded().m_Contents.clear();
    Recorded().m_Position = 0;
    return 1;
}

int RecordingRead(uintptr_t, void* buffer, int count) {
    RecordedFile& file = Recorded();
    file.m_Calls.push_back("Read " + std::to_string(count));
    if (file.m_Fail) {
        return -1;
    }
    int got = std::max(0, std::min(count, (int)file.m_Contents.size() - file.m_Position));
    memcpy(buffer, file.m_Contents.data() + file.m_Position, got);
    file.m_Position += got;
    return got;
}

int RecordingWrite(uintptr_t, const void* buffer, int count) {
    RecordedFile& file = Recorded();
    file.m_Calls.push_back("Write " + std::to_string(count));
    if (file.m_Fail) {
        return -1;
    }
    if (file.m_Position + count > (int)file.m_Contents.size()) {
        file.m_Contents.resize(file.m_Position + count);
    }
    file.m_Contents.replace(file.m_Position, count, (const char*)buffer, count);
    file.m_Position += count;
    return count;
}

int RecordingSeek(uintptr_t, int position, int whence) {
    RecordedFile& file = Recorded();
    file.m_Calls.push_back("Seek " + std::to_string(position) + " from " + std::to_string(whence));
    int base = whence == 0 ? 0 : whence == 1 ? file.m_Position : (int)file.m_Contents.size();
    file.m_Position = base + position;
    return file.m_Position;
}

int RecordingClose(uintptr_t) { return 0; }

const StreamDevice RecordingDevice = {
    RecordingOpen, RecordingCreate, RecordingRead, RecordingWrite, RecordingSeek,
    RecordingClose, nullptr,        nullptr,       nullptr,        nullptr,
    nullptr,
};

typedef std::vector<std::string> Calls;

class StreamTest : public ::testing::Test {
protected:
    void SetUp() override { Recorded() = RecordedFile(); }

    Stream* OpenRecorded(const std::string& contents) {
        Recorded().m_Contents = contents;
        return StreamOpenOnDevice("recorded", &RecordingDevice, false);
    }

    std::string ReadString(Stream* stream, int count) {
        std::string text(count, '\0');
        int got = StreamRead(stream, &text[0], count);
        text.resize(std::max(got, 0));
        return text;
    }

    void Write(Stream* stream, const std::string& text) {
        EXPECT_EQ((int)text.size(), StreamWrite(stream, text.data(), (int)text.size()));
    }
};

TEST_F(StreamTest, SmallWritesGatherInTheBufferLargeOnesGoStraightThrough) {
    struct Case {
        std::vector<int> m_Writes;
        Calls m_AfterWrites;
        int m_Buffered;
        Calls m_AfterFlush;
    };
    const Case cases[] = {
        {{4095}, {}, 4095, {"Write 4095"}},
        {{4096}, {"Write 4096"}, 0, {"Write 4096"}},
        {{4095, 2}, {"Write 4096"}, 1, {"Write 4096", "Write 1"}},
        {{10, 5000}, {"Write 10", "Write 5000"}, 0, {"Write 10", "Write 5000"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.m_Writes));
        Recorded() = RecordedFile();
        Stream* stream = StreamCreateOnDevice("recorded", &RecordingDevice);
        ASSERT_NE(nullptr, stream);
        int total = 0;
        for (int count : c.m_Writes) {
            Write(stream, std::string(count, 'x'));
            total += count;
        }
        EXPECT_EQ(c.m_AfterWrites, Recorded().m_Calls);
        EXPECT_EQ(c.m_Buffered, (int)stream->m_Cursor);
        EXPECT_EQ(total, StreamTell(stream));
        StreamFlush(stream);
        EXPECT_EQ(c.m_AfterFlush, Recorded().m_Calls);
        EXPECT_EQ(std::string(total, 'x'), Recorded().m_Contents);
        StreamClose(stream);
    }
}

TEST_F(StreamTest, MixedReadAndWriteKeepTheStreamPosition) {
    struct Case {
        const char* m_Name;
        std::function<void(Stream*)> m_Run;
        Calls m_Calls;
        std::string m_Contents;
    };
    const Case cases[] = {
        {"write after read-ahead seeks back",
         [&](Stream* s) {
             EXPECT_EQ("012", ReadString(s, 3));
             Write(s, "ab");
         },
         {"Read 4096", "Seek 3 from 0", "Write 2"},
         "012ab56789"},
        {"write after used-up read-ahead makes no seek",
         [&](Stream* s) {
             EXPECT_EQ("0123456789", ReadString(s, 10));
             EXPECT_EQ(10, StreamTell(s));
             Write(s, "x");
         },
         {"Read 4096", "Write 1"},
         "0123456789x"},
        {"read after writes flushes them first",
         [&](Stream* s) {
             Write(s, "ab");
             EXPECT_EQ("23", ReadString(s, 2));
         },
         {"Write 2", "Read 4096"},
         "ab23456789"},
        {"seek writes out pending bytes",
         [&](Stream* s) {
             Write(s, "ab");
             EXPECT_EQ(7, StreamSeek(s, 7));
             Write(s, "c");
         },
         {"Write 2", "Seek 7 from 0", "Write 1"},
         "ab23456c89"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_Name);
        Recorded() = RecordedFile();
        Stream* stream = OpenRecorded("0123456789");
        ASSERT_NE(nullptr, stream);
        c.m_Run(stream);
        StreamClose(stream);
        EXPECT_EQ(c.m_Calls, Recorded().m_Calls);
        EXPECT_EQ(c.m_Contents, Recorded().m_Contents);
    }
}

TEST_F(StreamTest, ReadsOfABufferOrMoreBypassTheBuffer) {
    std::string contents(10000, 0);
    for (size_t i = 0; i < contents.size(); ++i) {
        contents[i] = (char)(i * 7);
    }
    Stream* stream = OpenRecorded(contents);
    EXPECT_EQ(contents.substr(0, 10), ReadString(stream, 10));
    EXPECT_EQ(10, StreamTell(stream));
    EXPECT_EQ(contents.substr(10, 9000), ReadString(stream, 9000));
    EXPECT_EQ(9010, StreamTell(stream));
    EXPECT_EQ(contents.substr(9010), ReadString(stream, 5000));
    EXPECT_EQ("", ReadString(stream, 1));
    EXPECT_EQ(-1, StreamGetc(stream));
    EXPECT_EQ(10000, StreamTell(stream));
    StreamClose(stream);
    EXPECT_EQ(Calls({"Read 4096", "Read 4914", "Read 5000", "Read 4096", "Read 4096"}),
              Recorded().m_Calls);
}

// A caller's buffer moves as many bytes in one device call as it holds; what the old buffer
// held is settled before it changes, in either direction.
TEST_F(StreamTest, ACallersBufferSetsTheSizeOfEachDeviceCall) {
    std::string contents(20000, 0);
    for (size_t i = 0; i < contents.size(); ++i) {
        contents[i] = (char)(i * 13);
    }
    std::vector<unsigned char> buffer(6000);
    Stream* stream = OpenRecorded(contents);
    EXPECT_EQ(contents.substr(0, 10), ReadString(stream, 10));
    ASSERT_EQ(0, StreamSetBuffer(stream, buffer.data(), (int)buffer.size()));
    std::string read;
    for (int i = 0; i < 1000; ++i) {
        read += (char)StreamGetc(stream);
    }
    EXPECT_EQ(contents.substr(10, 1000), read);
    EXPECT_EQ(contents.substr(1010, 5500), ReadString(stream, 5500));
    EXPECT_EQ(6510, StreamTell(stream));
    ASSERT_EQ(0, StreamSetBuffer(stream, nullptr, 0));
    EXPECT_EQ(contents.substr(6510, 10), ReadString(stream, 10));
    StreamClose(stream);
    EXPECT_EQ(Calls({"Read 4096", "Seek 10 from 0", "Read 6000", "Read 6000", "Seek 6510 from 0",
                     "Read 4096"}),
              Recorded().m_Calls);

    Recorded() = RecordedFile();
    stream = StreamCreateOnDevice("recorded", &RecordingDevice);
    ASSERT_EQ(0, StreamSetBuffer(stream, buffer.data(), (int)buffer.size()));
    for (int i = 0; i < 3; ++i) {
        Write(stream, std::string(2500, char('a' + i)));
    }
    ASSERT_EQ(0, StreamSetBuffer(stream, nullptr, 0));
    Write(stream, "z");
    StreamClose(stream);
    EXPECT_EQ(Calls({"Write 6000", "Write 1500", "Write 1"}), Recorded().m_Calls);
    EXPECT_EQ(std::string(2500, 'a') + std::string(2500, 'b') + std::string(2500, 'c') + "z",
              Recorded().m_Contents);
}

TEST_F(StreamTest, ACallersBufferIsRefusedWhereItCannotServe) {
    ScratchDir scratch;
    std::string path = scratch.Path("whole.bin");
    ASSERT_TRUE(WriteWholeFile(path, "0123456789"));
    std::vector<unsigned char> buffer(Stream::BufferSize);
    Stream* preloaded = StreamPreload(StreamOpen(path.c_str()));
    ASSERT_NE(nullptr, preloaded);
    EXPECT_EQ(-1, StreamSetBuffer(preloaded, buffer.data(), (int)buffer.size()));
    EXPECT_EQ("0123456789", ReadString(preloaded, 20));
    StreamClose(preloaded);

    Stream* stream = OpenRecorded("0123456789");
    EXPECT_EQ(-1, StreamSetBuffer(stream, buffer.data(), Stream::BufferSize - 1));
    EXPECT_EQ("0123456789", ReadString(stream, 20));
    StreamClose(stream);
    EXPECT_EQ(Calls({"Read 4096"}), Recorded().m_Calls);

    // A caller told -1 may free its buffer at once: the slot's own must still be in use, so a
    // write of its size goes straight through instead of into the refused buffer.
    std::vector<unsigned char> larger(6000);
    Recorded() = RecordedFile();
    stream = StreamCreateOnDevice("recorded", &RecordingDevice);
    Write(stream, "pending");
    Recorded().m_Fail = true;
    EXPECT_EQ(-1, StreamSetBuffer(stream, larger.data(), (int)larger.size()));
    Recorded().m_Fail = false;
    Write(stream, std::string(Stream::BufferSize, 'x'));
    EXPECT_EQ(Calls({"Write 7", "Write 4096"}), Recorded().m_Calls);
    StreamClose(stream);
}

TEST_F(StreamTest, DeviceFailuresGiveMinusOneAndEmptyTheBuffer) {
    Stream* stream = StreamCreateOnDevice("recorded", &RecordingDevice);
    Write(stream, "pending");
    Recorded().m_Fail = true;
    EXPECT_EQ(-1, StreamFlush(stream));
    EXPECT_EQ(-1, StreamRead(stream, nullptr, 4));
    EXPECT_EQ(-1, StreamWrite(stream, std::string(4096, 'x').data(), 4096));
    EXPECT_EQ(0u, stream->m_Cursor);
    EXPECT_EQ(0u, stream->m_Fill);
    Recorded().m_Fail = false;
    StreamClose(stream);
}

TEST_F(StreamTest, ShortWritesAreFailuresUpToTheClose) {
    struct Case {
        const char* m_Label;
        int m_Allowed;
        FailingWrites::Mode m_Mode;
        int m_Piece;
        int m_LastWrite;
        int m_Closed;
    };
    const Case cases[] = {
        {"all taken", 1 << 20, FailingWrites::Short, 8000, 8000, 0},
        {"one large write taken short", 5000, FailingWrites::Short, 8000, -1, -1},
        {"final flush taken short", 7000, FailingWrites::Short, 1000, 1000, -1},
        {"final flush refused", 7000, FailingWrites::Refuse, 1000, 1000, -1},
    };
    const std::string text(8000, 'w');
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_Label);
        ScratchDir scratch;
        std::string path = scratch.Path("log.txt");
        FailingWrites failing(c.m_Allowed, c.m_Mode);
        Stream* stream = StreamCreate(path.c_str());
        ASSERT_NE(nullptr, stream);
        int wrote = 0;
        for (int done = 0; done < (int)text.size(); done += c.m_Piece) {
            wrote = StreamWrite(stream, text.data() + done, c.m_Piece);
        }
        EXPECT_EQ(c.m_LastWrite, wrote);
        EXPECT_EQ(c.m_Closed, StreamClose(stream));
    }
}

// Sparse files on the host's disk: sizes near 2 GB cost no space.
bool MakeFileOfSize(const std::string& path, int64_t size) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    LARGE_INTEGER end;
    end.QuadPart = size;
    bool made = file != INVALID_HANDLE_VALUE && SetFilePointerEx(file, end, nullptr, FILE_BEGIN) &&
                SetEndOfFile(file);
    CloseHandle(file);
    return made;
}

TEST_F(StreamTest, FilesPastWhatPositionsAddressAreRefused) {
    ScratchDir scratch;
    ConsoleCapture console;
    std::string huge = scratch.Path("huge.bin");
    ASSERT_TRUE(MakeFileOfSize(huge, int64_t(Stream::MaxFileSize) + 1));
    for (bool readOnly : {true, false}) {
        EXPECT_EQ(nullptr, StreamOpen(huge.c_str(), readOnly));
        EXPECT_EQ("Error: File too large: " + huge + "\n", console.Take());
    }

    std::string full = scratch.Path("full.bin");
    ASSERT_TRUE(MakeFileOfSize(full, Stream::MaxFileSize - 1));
    Stream* stream = StreamOpen(full.c_str(), false);
    ASSERT_NE(nullptr, stream);
    EXPECT_EQ(Stream::MaxFileSize - 1, StreamSize(stream));
    EXPECT_EQ(Stream::MaxFileSize - 1, StreamSeekFrom(stream, 0, 2));
    EXPECT_EQ(1, StreamWrite(stream, "x", 1));
    EXPECT_EQ(-1, StreamWrite(stream, "y", 1));
    EXPECT_EQ("Error: File too large: " + full + "\n", console.Take());
    EXPECT_EQ(Stream::MaxFileSize, StreamTell(stream));
    EXPECT_EQ(-1, StreamClose(stream));
    stream = StreamOpen(full.c_str());
    ASSERT_NE(nullptr, stream);
    EXPECT_EQ(Stream::MaxFileSize, StreamSize(stream));
    StreamClose(stream);
    DeleteFileA(huge.c_str());
    DeleteFileA(full.c_str());
}

TEST_F(StreamTest, MixedAccessOnAFile) {
    ScratchDir scratch;
    std::string path = scratch.Path("digits.txt");
    ASSERT_TRUE(WriteWholeFile(path, "0123456789"));
    Stream* stream = StreamOpen(path.c_str(), false);
    ASSERT_NE(nullptr, stream);
    EXPECT_EQ("012", ReadString(stream, 3));
    Write(stream, "ab");
    StreamClose(stream);
    EXPECT_EQ("012ab56789", ReadWholeFile(path));

    struct Case {
        int m_Offset;
        int m_Whence;
        int m_Position;
        int m_Next;
    };
    const Case cases[] = {
        {4, 0, 4, 'b'}, {2, 1, 5, '5'}, {-1, 2, 9, '9'}, {10, 0, 10, -1}, {0, 3, -1, 'a'},
        {-5, 0, -1, 'a'},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_Whence);
        stream = StreamOpen(path.c_str(), true);
        ASSERT_NE(nullptr, stream);
        EXPECT_EQ("012", ReadString(stream, 3));
        EXPECT_EQ(10, StreamSize(stream));
        EXPECT_EQ(c.m_Position, StreamSeekFrom(stream, c.m_Offset, c.m_Whence));
        // A refused seek leaves the stream where it was.
        EXPECT_EQ(c.m_Position < 0 ? 3 : c.m_Position, StreamTell(stream));
        EXPECT_EQ(c.m_Next, StreamGetc(stream));
        StreamClose(stream);
    }
}

TEST_F(StreamTest, SizeCountsWritesStillInTheBuffer) {
    ScratchDir scratch;
    std::string path = scratch.Path("grow.bin");
    Stream* stream = StreamCreate(path.c_str());
    ASSERT_NE(nullptr, stream);
    Write(stream, "abcde");
    EXPECT_EQ(5, StreamSize(stream));
    Write(stream, "fg");
    EXPECT_EQ(7, StreamSize(stream));
    StreamClose(stream);
    EXPECT_EQ("abcdefg", ReadWholeFile(path));
}

TEST_F(StreamTest, GetsStoresEveryByteAndSplitsLongLines) {
    struct Case {
        std::string m_Contents;
        int m_Size;
        std::vector<std::string> m_Pieces;
    };
    const Case cases[] = {
        {"abc", 1, {"", ""}},
        {"ab\xFF" "c\n", 4, {"ab\xFF", "c\n", ""}},
        {"line\n\nlast", 80, {"line\n", "\n", "last", ""}},
        {std::string("a\0b\n", 4), 80, {std::string("a\0b\n", 4), ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_Contents);
        Stream* stream = OpenRecorded(c.m_Contents);
        for (const std::string& piece : c.m_Pieces) {
            char line[80];
            memset(line, '?', sizeof(line));
            EXPECT_EQ((int)piece.size(), StreamGets(line, c.m_Size, stream));
            EXPECT_EQ(piece, std::string(line, piece.size()));
            EXPECT_EQ(0, line[piece.size()]);
        }
        StreamClose(stream);
    }

    Stream* stream = OpenRecorded("\xFF");
    EXPECT_EQ(255, StreamGetc(stream));
    EXPECT_EQ(-1, StreamGetc(stream));
    StreamClose(stream);
}

TEST_F(StreamTest, PutcAndPrintfWriteThroughTheBuffer) {
    Stream* stream = StreamCreateOnDevice("recorded", &RecordingDevice);
    EXPECT_EQ(0xFF, StreamPutc(stream, 0x1FF));
    EXPECT_EQ(5, StreamPrintf(stream, "%d-%s", 12, "ab"));
    EXPECT_EQ(511, StreamPrintf(stream, "%s", std::string(600, 'p').c_str()));
    StreamClose(stream);
    EXPECT_EQ("\xFF" "12-ab" + std::string(511, 'p'), Recorded().m_Contents);
}

TEST_F(StreamTest, ScanSkipsBlankSpaceAndParsesOneLine) {
    struct Case {
        std::string m_Contents;
        const char* m_Format;
        int m_Result;
        int m_First;
        int m_Second;
        std::string m_Output;
    };
    const Case cases[] = {
        {" \t\r\n12 34\n56", "%d %d", 2, 12, 34, ""},
        {"7 x\n", "%d %d", 1, 7, 0, ""},
        {"abc\n", "%d", 0, 0, 0, "Error: scan of '%d' == 'abc\n' failed\n"},
        {"  9", "%d", 0, 0, 0, ""},
        {"\n\n", "%d", 0, 0, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_Contents);
        ConsoleCapture console;
        Stream* stream = OpenRecorded(c.m_Contents);
        int first = 0;
        int second = 0;
        EXPECT_EQ(c.m_Result, StreamScan(stream, c.m_Format, &first, &second));
        EXPECT_EQ(c.m_First, first);
        EXPECT_EQ(c.m_Second, second);
        EXPECT_EQ(c.m_Output, console.Take());
        StreamClose(stream);
    }
}

TEST_F(StreamTest, NamesOverTheSlotSizeAreRefused) {
    ConsoleCapture console;
    std::string longest(Stream::MaxName, 'n');
    Stream* stream = StreamOpenOnDevice(longest.c_str(), &RecordingDevice, true);
    ASSERT_NE(nullptr, stream);
    EXPECT_EQ(longest, stream->m_Name);
    StreamClose(stream);

    std::string tooLong = longest + "x";
    EXPECT_EQ(nullptr, StreamOpenOnDevice(tooLong.c_str(), &RecordingDevice, true));
    EXPECT_EQ(nullptr, StreamCreate(tooLong.c_str()));
    std::string refusal = "Error: File name too long: " + tooLong + "\n";
    EXPECT_EQ(refusal + refusal, console.Take());
}

TEST_F(StreamTest, ThirteenthOpenListsTheOpenFilesAndFails) {
    ScratchDir scratch;
    std::string kept = scratch.Path("kept.txt");
    ASSERT_TRUE(WriteWholeFile(kept, "precious"));
    std::vector<Stream*> open;
    for (int i = 0; i < Stream::MaxStreams; ++i) {
        Stream* stream = StreamCreate(scratch.Path("f" + std::to_string(i)).c_str());
        ASSERT_NE(nullptr, stream);
        open.push_back(stream);
    }

    ConsoleCapture console;
    EXPECT_EQ(nullptr, StreamOpen(kept.c_str()));
    std::string expected = "Max files open at once: 12\n";
    for (int i = 0; i < Stream::MaxStreams; ++i) {
        char line[300];
        snprintf(line, sizeof(line), "%d. HANDLE=%x NAME=%s\n", i, (unsigned)open[i]->m_Handle,
                 scratch.Path("f" + std::to_string(i)).c_str());
        expected += line;
    }
    expected += "Error: Out of file handles.\n";
    EXPECT_EQ(expected, console.Take());

    // With no slot free the create must not reach the file: no truncation, no handle left.
    EXPECT_EQ(nullptr, StreamCreate(kept.c_str()));
    EXPECT_EQ(nullptr, StreamOpenOnDevice("recorded", &RecordingDevice, true));
    EXPECT_EQ(Calls(), Recorded().m_Calls);
    for (Stream* stream : open) {
        StreamClose(stream);
    }
    EXPECT_EQ("precious", ReadWholeFile(kept));
    Stream* reopened = StreamCreate(kept.c_str());
    EXPECT_NE(nullptr, reopened);
    StreamClose(reopened);
}

TEST_F(StreamTest, ListOpenFilesNamesEverySlotInUse) {
    Stream* stream = StreamOpenOnDevice("listed", &RecordingDevice, true);
    ConsoleCapture console;
    ListOpenFiles();
    std::string output = console.Take();
    StreamClose(stream);
    EXPECT_EQ(0, output.find("Max files open at once: "));
    EXPECT_NE(std::string::npos, output.find(". HANDLE=1 NAME=listed\n"));
}

TEST_F(StreamTest, PreloadHoldsTheWholeFileAndFreesItsSlot) {
    ScratchDir scratch;
    for (int i = 0; i < 20; ++i) {
        SCOPED_TRACE(i);
        std::string contents(i * 700, 0);
        for (size_t k = 0; k < contents.size(); ++k) {
            contents[k] = (char)(k * 31 + i);
        }
        std::string path = scratch.Path("p" + std::to_string(i) + ".bin");
        ASSERT_TRUE(WriteWholeFile(path, contents));
        Stream* preloaded = StreamPreload(StreamOpen(path.c_str()));
        ASSERT_NE(nullptr, preloaded);
        EXPECT_EQ("PreLoaded " + path, preloaded->m_Name);
        EXPECT_EQ((int)contents.size(), StreamSize(preloaded));
        EXPECT_EQ(contents, ReadString(preloaded, (int)contents.size() + 1));
        StreamClose(preloaded);
    }
    EXPECT_EQ(nullptr, StreamPreload(nullptr));
}

TEST_F(StreamTest, PreloadCutsItsNameToTheSlotSize) {
    ScratchDir scratch;
    int leaf = Stream::MaxName - (int)scratch.Path("").size();
    ASSERT_GT(leaf, 0);
    std::string path = scratch.Path(std::string(leaf, 'q'));
    ASSERT_EQ(Stream::MaxName, (int)path.size());
    ASSERT_TRUE(WriteWholeFile(path, "q"));
    Stream* preloaded = StreamPreload(StreamOpen(path.c_str()));
    ASSERT_NE(nullptr, preloaded);
    EXPECT_EQ(("PreLoaded " + path).substr(0, Stream::MaxName), preloaded->m_Name);
    StreamClose(preloaded);
}

TEST_F(StreamTest, PreloadedStreamStaysWholeAfterItsDataIsUsedUp) {
    Stream* preloaded = StreamPreload(OpenRecorded("0123456789"));
    ASSERT_NE(nullptr, preloaded);
    EXPECT_EQ("0123", ReadString(preloaded, 4));
    EXPECT_EQ("456789", ReadString(preloaded, 10));
    EXPECT_EQ("", ReadString(preloaded, 5));
    EXPECT_EQ(-1, StreamGetc(preloaded));
    EXPECT_EQ(10, StreamTell(preloaded));

    struct Case {
        int m_Offset;
        int m_Whence;
        int m_Position;
        std::string m_Rest;
    };
    const Case cases[] = {{3, 0, 3, "3456789"}, {100, 0, 10, ""}, {-5, 0, 0, "0123456789"},
                          {-2, 2, 8, "89"},     {-20, 2, 0, "0123456789"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_Offset);
        EXPECT_EQ(c.m_Position, StreamSeekFrom(preloaded, c.m_Offset, c.m_Whence));
        EXPECT_EQ(c.m_Position, StreamTell(preloaded));
        EXPECT_EQ(c.m_Rest, ReadString(preloaded, 20));
    }

    EXPECT_EQ(-1, StreamWrite(preloaded, "x", 1));
    EXPECT_EQ(-1, StreamPutc(preloaded, 'x'));
    EXPECT_EQ(0, StreamFlush(preloaded));
    EXPECT_EQ(0, StreamSeek(preloaded, 0));
    char line[20];
    EXPECT_EQ(10, StreamGets(line, sizeof(line), preloaded));
    EXPECT_EQ(10, StreamSize(preloaded));
    EXPECT_EQ(Calls({"Seek 0 from 1", "Seek 0 from 2", "Seek 0 from 0", "Read 4096"}),
              Recorded().m_Calls);
    StreamClose(preloaded);
}

void CollectEntry(const char* name, bool isDirectory, uintptr_t user) {
    ((std::vector<std::pair<std::string, bool>>*)user)->emplace_back(name, isDirectory);
}

TEST_F(StreamTest, FileEnumerateCountsEveryEntry) {
    ScratchDir scratch;
    ASSERT_TRUE(WriteWholeFile(scratch.Path("a.txt"), "a"));
    ASSERT_TRUE(CreateDirectoryA(scratch.Path("sub").c_str(), nullptr));

    std::vector<std::pair<std::string, bool>> entries;
    EXPECT_EQ(4, Win32FileDevice.EnumerateDir(scratch.Root().c_str(), CollectEntry,
                                              (uintptr_t)&entries));
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ((std::vector<std::pair<std::string, bool>>{
                  {".", true}, {"..", true}, {"a.txt", false}, {"sub", true}}),
              entries);
    EXPECT_EQ(4, FileEnumerate(scratch.Root().c_str(), nullptr, 0));
    EXPECT_EQ(0, FileEnumerate(scratch.Path("missing").c_str(), nullptr, 0));

    ConsoleCapture console;
    std::string tooLong(254, 'd');
    EXPECT_EQ(0, FileEnumerate(tooLong.c_str(), nullptr, 0));
    EXPECT_EQ("Error: Path too long: " + tooLong + "\n", console.Take());
}

}  // namespace
