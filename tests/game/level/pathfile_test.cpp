#include "level/pathedit.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cmath>
#include <limits>
#include <string>

#include "data/asset.h"
#include "data/bytes.h"
#include "tests/game/level/pathfixture.h"
#include "tests/support/console.h"
#include "tests/support/failingwrites.h"
#include "tests/support/scratch.h"
#include "tests/support/unmasked.h"

namespace {

class PathSetFile : public ::testing::Test {
protected:
    void SetUp() override { datAssetManager::SetPath(m_Scratch.Root().c_str()); }

    std::string Write(const std::string& name, const std::string& bytes) {
        std::string path = m_Scratch.Path(name + ".pathset");
        EXPECT_TRUE(WriteWholeFile(path, bytes));
        return path;
    }
    std::string Read(const std::string& name) {
        return ReadWholeFile(m_Scratch.Path(name + ".pathset"));
    }

    ConsoleCapture m_Capture;
    ScratchDir m_Scratch;
};

FileBytes Header(uint32_t count, uint32_t current) {
    return FileBytes().Bytes("PTH1").U32(count).U32(current);
}

// A path record; the vertices are (word, x, y, z) with x = 10 i, y = i, z = -i.
FileBytes& Record(FileBytes& file, const std::string& name, uint32_t count, uint32_t current,
                  uint8_t type, uint8_t spacing) {
    file.Name(name).U32(count).U32(current);
    for (uint32_t i = 0; i < count; ++i) {
        file.U32(0xAB123456 + i).F32(10.0f * i).F32(float(i)).F32(-float(i));
    }
    return file.Byte(type).Byte(spacing).Byte(0).Byte(0);
}

}  // namespace

TEST_F(PathSetFile, RoundTripsByteForByte) {
    FileBytes file = Header(3, 2);
    // The bytes after a name's end are kept as they were.
    Record(file, std::string("Main Street\0old", 15), 3, 1, qvPath::LineStrip, 252);
    Record(file, "Marks", 4, 4, qvPath::Lines, 20);
    Record(file, "Lamps", 0, 0, qvPath::Points, 1);
    file.m_Bytes.replace(12 + 32 + 8, 4, "\xFF\x00\x00\x00", 4);  // word 0x000000FF: high byte 0
    Write("in", file.m_Bytes);

    qvPathSet set;
    ASSERT_TRUE(set.Load(nullptr, "in"));
    ASSERT_EQ(set.GetPathCount(), 3u);
    EXPECT_EQ(set.GetCurrentPathIndex(), 2u);
    const qvPath& main = *set.GetPath(0);
    EXPECT_STREQ(main.GetName(), "Main Street");
    EXPECT_EQ(main.GetVertexCount(), 3);
    EXPECT_EQ(main.GetCurrentVertex(), 1);
    EXPECT_EQ(main.GetType(), qvPath::LineStrip);
    EXPECT_EQ(main.GetSpacing(), 63.0f);
    EXPECT_EQ(main.GetVertex(0).m_Word, 0xFFu);
    EXPECT_EQ(main.GetVertex(1).m_Word, 0xAB123457u);
    EXPECT_EQ(main.GetVertex(2).m_Position.x, 20.0f);
    EXPECT_EQ(main.GetVertex(2).m_Position.y, 2.0f);
    EXPECT_EQ(main.GetVertex(2).m_Position.z, -2.0f);
    const qvPath& marks = *set.GetPath(1);
    EXPECT_EQ(marks.GetCurrentVertex(), 4);
    EXPECT_EQ(marks.GetType(), qvPath::Lines);
    EXPECT_EQ(marks.GetSpacing(), 5.0f);
    EXPECT_EQ(set.GetPath(2)->GetVertexCount(), 0);
    EXPECT_EQ(set.GetPath(2)->GetSpacing(), 0.25f);

    ASSERT_TRUE(set.Save(nullptr, "out"));
    EXPECT_EQ(Read("out"), file.m_Bytes);
    EXPECT_EQ(m_Capture.Take(), "");
}

TEST_F(PathSetFile, SpacingsInQuarters) {
    qvPathSet set;
    set.NewPath();
    set.NewPath();
    set.NewPath();
    set.GetPath(0)->SetSpacing(63.0f);
    set.GetPath(1)->SetSpacing(0.3f);  // truncated to one quarter
    set.GetPath(2)->SetSpacing(500.0f);  // more than the byte holds
    ASSERT_TRUE(set.Save(nullptr, "q"));
    std::string bytes = Read("q");
    ASSERT_EQ(bytes.size(), 12u + 3 * 44);
    EXPECT_EQ(uint8_t(bytes[12 + 41]), 252);
    EXPECT_EQ(uint8_t(bytes[12 + 44 + 41]), 1);
    EXPECT_EQ(uint8_t(bytes[12 + 88 + 41]), 255);

    // A stored 0 loads as the default spacing.
    FileBytes file = Header(1, 0);
    Write("zero", Record(file, "Z", 2, 0, qvPath::LineStrip, 0).m_Bytes);
    ASSERT_TRUE(set.Load(nullptr, "zero"));
    EXPECT_EQ(set.GetPath(0)->GetSpacing(), 5.0f);
}

TEST_F(PathSetFile, LoadingReplacesTheSet) {
    qvPathSet set;
    for (int i = 0; i < 5; ++i) {
        set.NewPath();
    }
    FileBytes file = Header(2, 1);
    Record(file, "A", 1, 0, qvPath::Points, 4);
    Write("two", Record(file, "B", 2, 0, qvPath::Lines, 4).m_Bytes);
    ASSERT_TRUE(set.Load(nullptr, "two"));
    EXPECT_EQ(set.GetPathCount(), 2u);
    EXPECT_STREQ(set.GetPath(0)->GetName(), "A");
    EXPECT_STREQ(set.GetPath(1)->GetName(), "B");
    EXPECT_EQ(set.GetPath(2), nullptr);
    EXPECT_EQ(set.GetCurrentPathIndex(), 1u);
}

// Stored indices out of range are brought into it, and a name that fills its field ends
// inside it.
TEST_F(PathSetFile, ClampsWhatIsOutOfRange) {
    FileBytes file = Header(2, 7);
    Record(file, std::string(32, 'N'), 3, 9, qvPath::LineStrip, 20);
    Write("clamp", Record(file, "B", 0, 5, qvPath::LineStrip, 20).m_Bytes);
    qvPathSet set;
    ASSERT_TRUE(set.Load(nullptr, "clamp"));
    EXPECT_EQ(set.GetCurrentPathIndex(), 1u);
    EXPECT_EQ(set.GetPath(0)->GetCurrentVertex(), 3);
    EXPECT_EQ(set.GetPath(1)->GetCurrentVertex(), 0);
    EXPECT_EQ(std::string(set.GetPath(0)->GetName()), std::string(31, 'N'));

    Write("none", Header(0, 3).m_Bytes);
    ASSERT_TRUE(set.Load(nullptr, "none"));
    EXPECT_EQ(set.GetPathCount(), 0u);
    EXPECT_EQ(set.GetCurrentPathIndex(), 0u);
    EXPECT_EQ(m_Capture.Take(), "");
}

// The set holds MAX_PATHS paths, and a file may fill it.
TEST_F(PathSetFile, HoldsAFullSet) {
    FileBytes file = Header(MAX_PATHS, MAX_PATHS - 1);
    for (int i = 0; i < MAX_PATHS; ++i) {
        Record(file, "P" + std::to_string(i), 1, 0, qvPath::Points, 4);
    }
    Write("full", file.m_Bytes);
    qvPathSet set;
    ASSERT_TRUE(set.Load(nullptr, "full"));
    EXPECT_EQ(set.GetPathCount(), uint32_t(MAX_PATHS));
    EXPECT_STREQ(set.GetPath(MAX_PATHS - 1)->GetName(), "P191");
    ASSERT_TRUE(set.Save(nullptr, "full2"));
    EXPECT_EQ(Read("full2"), file.m_Bytes);
}

// Every refused file leaves the set as it was and says why in one error.
TEST_F(PathSetFile, RefusesMalformedFiles) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    FileBytes good = Header(2, 0);
    Record(good, "A", 2, 0, qvPath::LineStrip, 20);
    Record(good, "B", 1, 0, qvPath::LineStrip, 20);
    std::string bytes = good.m_Bytes;
    // The second record starts after the header and the first record of 2 vertices.
    const size_t second = 12 + 32 + 8 + 32 + 4;

    FileBytes over = Header(MAX_PATHS + 1, 0);
    for (int i = 0; i <= MAX_PATHS; ++i) {
        Record(over, "P", 0, 0, qvPath::Points, 4);
    }
    FileBytes huge = Header(1, 0);
    huge.Name("H").U32(0xFFFFFFFF).U32(0).U32(0).F32(0).F32(0).F32(0);
    FileBytes oneShort = Header(1, 0);
    oneShort.Name("S").U32(2).U32(0).U32(0).F32(0).F32(0).F32(0).U32(0).F32(0).F32(0).F32(0);
    FileBytes badType = Header(1, 0);
    Record(badType, "T", 0, 0, 3, 20);
    struct Case {
        const char* m_Name;
        std::string m_Bytes;
        const char* m_Message;
    };
    auto withFloat = [&](size_t at, float value) {
        std::string b = bytes;
        b.replace(at, 4, FileBytes().F32(value).m_Bytes);
        return b;
    };
    const Case cases[] = {
        {"magic", "PTH0" + bytes.substr(4), "Error: qvPathSet::Load - Bad version"},
        {"empty", "", "Error: qvPathSet::Load - Bad version"},
        {"header", bytes.substr(0, 10), "ends inside its header"},
        {"193 paths", over.m_Bytes, "holds 193 paths, more than MAX_PATHS (192)"},
        {"negative count", Header(0xFFFFFFFF, 0).m_Bytes, "holds 4294967295 paths"},
        {"huge vertex count", huge.m_Bytes, "claims 4294967295 vertices"},
        {"one vertex short", oneShort.m_Bytes, "claims 2 vertices"},
        {"cut in a name", bytes.substr(0, second + 10), "ends inside a path"},
        {"cut in the counts", bytes.substr(0, second + 34), "ends inside a path"},
        {"cut before the tail", bytes.substr(0, bytes.size() - 2), "claims 1 vertices"},
        {"unknown type", badType.m_Bytes, "path 'T' has the unknown type 3"},
        {"NaN", withFloat(12 + 40 + 4 + 4, nan), "vertex 0 of path 'A' is not a number"},
        {"infinity", withFloat(12 + 40 + 16 + 12, -inf), "vertex 1 of path 'A' is not"},
        {"signalling NaN", withFloat(12 + 40 + 4 + 4, FloatFromBits(0x7F800001)),
         "vertex 0 of path 'A' is not a number within +-100000 in"},
        {"too far", withFloat(12 + 40 + 16 + 8, 1e30f), "vertex 1 of path 'A' is not"},
        {"just too far", withFloat(12 + 40 + 4 + 8, 100001.0f), "vertex 0 of path 'A' is not"},
    };
    InvalidUnmasked trapping;
    qvPathSet set;
    set.NewPath();
    set.GetPath(0)->SetName("KEEP");
    m_Capture.Take();
    for (const Case& c : cases) {
        Write("bad", c.m_Bytes);
        EXPECT_FALSE(set.Load(nullptr, "bad")) << c.m_Name;
        std::string output = m_Capture.Take();
        EXPECT_NE(output.find(c.m_Message), std::string::npos) << c.m_Name << ": " << output;
        EXPECT_EQ(output.find('\n'), output.size() - 1) << c.m_Name << ": " << output;
        ASSERT_EQ(set.GetPathCount(), 1u) << c.m_Name;
        EXPECT_STREQ(set.GetPath(0)->GetName(), "KEEP") << c.m_Name;
    }
}

TEST_F(PathSetFile, MissingFileIsAWarning) {
    qvPathSet set;
    EXPECT_FALSE(set.Load(nullptr, "nowhere"));
    EXPECT_EQ(m_Capture.Take(),
              "Warning: Cannot open file '" + m_Scratch.Path("nowhere.pathset") + "'.\n");
}

TEST_F(PathSetFile, AFailedSaveKeepsTheOldFile) {
    qvPathSet set;
    set.NewPath();
    AddPoints(*set.GetPath(0), {{1, 2, 3}, {4, 5, 6}});
    ASSERT_TRUE(set.Save(nullptr, "keep"));
    std::string before = Read("keep");
    set.NewPath();
    m_Capture.Take();
    {
        FailingWrites failing(16);
        EXPECT_FALSE(set.Save(nullptr, "keep"));
    }
    EXPECT_NE(m_Capture.Take().find("qvPathSet::Save - could not write all of 'keep'"),
              std::string::npos);
    EXPECT_EQ(Read("keep"), before);
    EXPECT_FALSE(FileExists(m_Scratch.Path("keep.pathset.new")));
}
