#include "data/stream.h"

#include "tests/support/console.h"
#include "tests/support/failingwrites.h"
#include "tests/support/scratch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

// Writes text in pieces small enough to sit in the buffer, ignoring their results as careless
// callers do, and gives the close's result.
int WriteReplacing(const std::string& path, const std::string& text) {
    Stream* stream = StreamCreateReplacing(path.c_str());
    if (!stream) {
        return -2;
    }
    for (size_t done = 0; done < text.size(); done += 1000) {
        StreamWrite(stream, text.data() + done, int(std::min<size_t>(1000, text.size() - done)));
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
        int m_Closed;
        bool m_Replaced;
    };
    const std::string text(10000, 'n');
    const Case cases[] = {
        {"replaces", true, 1 << 20, 0, true},
        {"creates", false, 1 << 20, 0, true},
        {"first write fails", true, 0, -1, false},
        {"fails midway", true, 5000, -1, false},
        {"fails with no old file", false, 5000, -1, false},
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
            FailingWrites failing(c.m_Allowed);
            closed = WriteReplacing(path, text);
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
