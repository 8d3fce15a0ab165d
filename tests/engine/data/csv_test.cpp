#include "data/asset.h"
#include "data/csv.h"
#include "data/printer.h"
#include "data/stream.h"
#include "tests/support/child.h"
#include "tests/support/scratch.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {

TEST(SplitCsvLine, CopiesFieldsUpToTheFirstLineEnd) {
    struct Case {
        const char* m_Line;
        int m_Count;
        int m_Size;
        int m_Result;
        const char* m_Fields[3];
    };
    const Case cases[] = {
        {"a,b,c", 2, 16, 2, {"a", "b", ""}},
        {"a,,c\r\n", 3, 16, 3, {"a", "", "c"}},
        {"abcdef,xy", 3, 4, 2, {"abc", "xy", ""}},
        {"one\ntwo,three", 3, 16, 1, {"one", "", ""}},
        {"", 3, 16, 1, {"", "", ""}},
    };
    for (const Case& c : cases) {
        char fields[3][16] = {};
        EXPECT_EQ(c.m_Result,
                  SplitCsvLine(c.m_Line, c.m_Count, c.m_Size, fields[0], fields[1], fields[2]))
            << c.m_Line;
        for (int i = 0; i < 3; ++i) {
            EXPECT_STREQ(c.m_Fields[i], fields[i]) << c.m_Line << " field " << i;
        }
    }
}

// A table loaded from the given text through a file of its own.
class CsvFileTest : public ::testing::Test {
protected:
    bool LoadText(const std::string& text, bool skip = false, int skipCount = 0) {
        std::string path = m_Scratch.Path("table.csv");
        EXPECT_TRUE(WriteWholeFile(path, text));
        Stream* stream = StreamOpen(path.c_str());
        bool loaded = m_Table.Load(stream, skip, skipCount);
        if (stream) {
            StreamClose(stream);
        }
        return loaded;
    }
    const char* CellText(int row, int column) {
        return m_Table.m_Cells[row * m_Table.m_Columns + column];
    }
    ScratchDir m_Scratch;
    CsvTable m_Table;
};

TEST_F(CsvFileTest, CommentsAndBlankLinesMakeNullRows) {
    ASSERT_TRUE(LoadText("Name,Size\nbrick,3 # wall\n\n"));
    ASSERT_EQ(2, m_Table.m_Columns);
    ASSERT_EQ(2, m_Table.m_Rows);
    EXPECT_STREQ("Name", m_Table.m_ColumnNames[0]);
    EXPECT_STREQ("brick", CellText(0, 0));
    EXPECT_STREQ("3 ", CellText(0, 1));
    EXPECT_EQ(nullptr, CellText(1, 0));
    EXPECT_EQ(nullptr, CellText(1, 1));
    EXPECT_EQ(3, m_Table.GetInt(0, 1));
    EXPECT_EQ(0, m_Table.GetInt(1, 1));
}

TEST_F(CsvFileTest, RowsKeepToTheColumnsAndLongLinesStayWhole) {
    std::string longField(300, 'x');
    ASSERT_TRUE(LoadText("# catalogue\nskipped\nA,B\n1,,3,4\n" + longField + ",y\n,last", true, 2));
    ASSERT_EQ(2, m_Table.m_Columns);
    ASSERT_EQ(3, m_Table.m_Rows);
    EXPECT_STREQ("1", CellText(0, 0));
    EXPECT_EQ(nullptr, CellText(0, 1));
    EXPECT_EQ(longField, CellText(1, 0));
    EXPECT_STREQ("y", CellText(1, 1));
    EXPECT_EQ(nullptr, CellText(2, 0));
    EXPECT_STREQ("last", CellText(2, 1));

    std::string wide;
    for (int i = 0; i < 20; ++i) {
        wide += "c" + std::to_string(i) + ",";
    }
    ASSERT_TRUE(LoadText(wide + "\n"));
    EXPECT_EQ(CsvTable::MaxColumns, m_Table.m_Columns);
    EXPECT_EQ(0, m_Table.m_Rows);
}

TEST_F(CsvFileTest, LookupsAndSetters) {
    ASSERT_TRUE(LoadText("Name,Size,Mass\nBrick,3,2.5\nglass,,0.25\n"));
    EXPECT_EQ(1, m_Table.FindColumn("size"));
    EXPECT_EQ(1, m_Table.FindRow(0, "GLASS"));
    EXPECT_EQ(-1, m_Table.FindRowQuiet(1, "4"));
    EXPECT_FLOAT_EQ(0.25f, m_Table.GetFloat(1, 2));
    m_Table.SetFloat(1, 1, 1.5f);
    EXPECT_STREQ("1.5000", CellText(1, 1));
    m_Table.SetInt(0, 2, -7);
    EXPECT_EQ(-7, m_Table.GetInt(0, 2));
    m_Table.SetString(0, 0, "stone");
    EXPECT_STREQ("stone", CellText(0, 0));

    std::string printed;
    static std::string* sink;
    sink = &printed;
    PrintHookFunc old = SetConsoleHook([](const char* text) { *sink += text; });
    m_Table.Print();
    SetConsoleHook(old);
    EXPECT_EQ("2 x 3 table\nName,Size,Mass,\nstone,3,-7,\nglass,1.5000,0.25,\n", printed);

    m_Table.Free();
    EXPECT_EQ(0, m_Table.m_Rows);
    EXPECT_EQ(nullptr, m_Table.m_ColumnNames[0]);
    EXPECT_FALSE(m_Table.Load((Stream*)nullptr, false, 0));
}

TEST(CsvTable, LoadsAssetsByDirectoryAndName) {
    ScratchDir scratch;
    ASSERT_TRUE(CreateDirectoryA(scratch.Path("city").c_str(), nullptr));
    ASSERT_TRUE(WriteWholeFile(scratch.Path("city\\walls.csv"), "Name,Height\nbrick,4\n"));
    datAssetManager::SetPath(scratch.Root().c_str());
    CsvTable table;
    EXPECT_TRUE(table.Load("city", "walls", false, 0));
    EXPECT_EQ(4, table.GetInt(table.FindRow(0, "brick"), table.FindColumn("height")));
    EXPECT_FALSE(table.Load("city", "floors", false, 0));
    EXPECT_EQ(0, table.m_Rows);
    datAssetManager::SetPath("");
}

TEST_CHILD(MissingColumn) {
    CsvTable table;
    table.FindColumn("Colour");
    return 0;
}

TEST_CHILD(MissingRow) {
    ScratchDir scratch;
    WriteWholeFile(scratch.Path("t.csv"), "Name\nbrick\n");
    Stream* stream = StreamOpen(scratch.Path("t.csv").c_str());
    CsvTable table;
    table.Load(stream, false, 0);
    StreamClose(stream);
    table.FindRow(0, "glass");
    return 0;
}

TEST(CsvTable, FailedLookupsAreFatal) {
    struct Case {
        const char* m_Child;
        const char* m_Message;
    };
    const Case cases[] = {
        {"MissingColumn", "Fatal Error: Missing column 'Colour'"},
        {"MissingRow", "Fatal Error: Column 0 never had match for 'glass'"},
    };
    for (const Case& c : cases) {
        ExpectFatalChild(c.m_Child, c.m_Message);
    }
}

}  // namespace
