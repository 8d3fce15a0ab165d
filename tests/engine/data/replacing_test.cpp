#include "data/stream.h"

#include "tests/support/console.h"
#include "tests/support/failingwrites.h"
#include "tests/support/scratch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

// Writes text in pieces (by default small enough to sit in the buffer), ignoring their results
// as careless callers do, and gives the close's result.
int WriteReplacing(const std::string& path, const std::string& text, size_t piece = 1000) {
    Stream* stream = StreamCreateReplacing(path.c_str());
    if (!stream) {
        return -2;
    }
    for (size_t done = 0; done < text.size(); done += piece) {
        StreamWrite(stream, text.data() + done, int(std::min(piece, text.size() - done)));
    }
    return StreamClose(stream);
}

class ReplacingOldFile : public ::testing::Test {
protected:
    std::string OldFile(const std::string& name, const std::string& contents) {
        std::string path = m_Scratch.Path(name);
        EXPECT_TRUE(WriteWholeFile(path, contents));
        return path;
    }

    ScratchDir m_Scratch;
};

}  // namespace

TEST(ReplacingStream, CommitsOnlyWhatWasWrittenWhole) {
    struct Case {
        const char* m_Label;
        bool m_Old;
        int m_Allowed;
        FailingWrites::Mode m_Mode;
        size_t m_Piece;
        int m_Closed;
        bool m_Replaced;
    };
    const FailingWrites::Mode refuse = FailingWrites::Refuse;
    const FailingWrites::Mode cut = FailingWrites::Short;
    const std::string text(20000, 'n');
    const Case cases[] = {
        {"replaces", true, 1 << 20, refuse, 1000, 0, true},
        {"creates", false, 1 << 20, refuse, 1000, 0, true},
        {"replaces in one write", true, 1 << 20, cut, 20000, 0, true},
        {"first write fails", true, 0, refuse, 1000, -1, false},
        {"fails midway", true, 5000, refuse, 1000, -1, false},
        {"fails with no old file", false, 5000, refuse, 1000, -1, false},
        {"buffer written short", true, 5000, cut, 1000, -1, false},
        {"one large write written short", true, 19000, cut, 20000, -1, false},
        {"last buffer written short", true, 19999, cut, 1000, -1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_Label);
        ScratchDir scratch;
        std::string path = scratch.Path("city.psdl");
        if (c.m_Old) {
            ASSERT_TRUE(WriteWholeFile(path, "good old file"));
        }
        int closed;
        {
            FailingWrites failing(c.m_Allowed, c.m_Mode);
            closed = WriteReplacing(path, text, c.m_Piece);
        }
        EXPECT_EQ(c.m_Closed, closed);
        EXPECT_EQ(c.m_Replaced, ReadWholeFile(path) == text);
        EXPECT_EQ(!c.m_Replaced && c.m_Old, ReadWholeFile(path) == "good old file");
        EXPECT_EQ(!c.m_Replaced && !c.m_Old, !FileExists(path));
        EXPECT_FALSE(FileExists(path + ReplacingSuffix));
    }
}

TEST_F(ReplacingOldFile, StaysReadableUntilTheClose) {
    std::string path = OldFile("list.inst", "old");
    Stream* stream = StreamCreateReplacing(path.c_str());
    ASSERT_NE(nullptr, stream);
    EXPECT_EQ(path, stream->m_Name);
    EXPECT_EQ(6, StreamWrite(stream, "newer!", 6));
    StreamFlush(stream);
    EXPECT_EQ("old", ReadWholeFile(path));
    EXPECT_EQ(0, StreamClose(stream));
    EXPECT_EQ("newer!", ReadWholeFile(path));
}

TEST_F(ReplacingOldFile, IsKeptWhenItCannotBeReplaced) {
    std::string path = OldFile("busy.psdl", "in use");
    Stream* reader = StreamOpen(path.c_str());
    ASSERT_NE(nullptr, reader);
    EXPECT_EQ(-1, WriteReplacing(path, "new"));
    StreamClose(reader);
    EXPECT_EQ("in use", ReadWholeFile(path));
    EXPECT_FALSE(FileExists(path + ReplacingSuffix));
}

TEST(ReplacingStream, TheTemporaryNameMustFitTheSlot) {
    ScratchDir scratch;
    ConsoleCapture console;
    std::string base = scratch.Path("");
    std::string longest = base + std::string(Stream::MaxName - 4 - base.size(), 'n');
    EXPECT_EQ(0, WriteReplacing(longest, "fits"));
    EXPECT_EQ("fits", ReadWholeFile(longest));
    std::string tooLong = longest + "x";
    EXPECT_EQ(-2, WriteReplacing(tooLong, "refused"));
    EXPECT_FALSE(FileExists(tooLong));
    EXPECT_EQ("Error: File name too long: " + tooLong + ".new\n", console.Take());
}
