// Damaged token files, parameter trees and csv tables: each reads to a sound end, is reported,
// or is refused by the tokenizer's own fatal texts.
#include "data/csv.h"
#include "data/parser.h"
#include "data/printer.h"
#include "data/stream.h"
#include "data/versionedtoken.h"
#include "tests/support/child.h"
#include "tests/support/console.h"
#include "tests/support/mutation.h"
#include "tests/support/scratch.h"
#include "vector/vector2.h"
#include "vector/vector3.h"
#include "vector/vector4.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const int Mutants = 1000;

const char TextHeader[] = "tok: t";
const char BinaryHeader[] = "tok: b";

// What the tokenizer refuses malformed data with.
const std::vector<std::string> TokenFatals = {
    "Expected integer.", "Expected float.", "Expected Vector2.", "Expected Vector3.",
    "Expected Vector4.", "): Expected '", "unknown version string"};

// Writes the mutant to a scratch file of the child and opens it; the caller closes it.
Stream* OpenMutant(const char* name, const std::string& file) {
    static ScratchDir scratch;
    std::string path = scratch.Path(name);
    WriteWholeFile(path, file);
    return StreamOpen(path.c_str());
}

// The same values through either writer, as a program's file would hold them.
std::string TokenSeed(bool binary) {
    static ScratchDir scratch;
    std::string path = scratch.Path(binary ? "seed.bin" : "seed.txt");
    Stream* stream = StreamCreate(path.c_str());
    VersionedTokenReader versioned;
    TokenReader* writer = versioned.BeginWrite("seed", stream, binary, binary ? BinaryHeader : TextHeader);
    writer->PutString("name", 0);
    writer->PutString(" ");
    writer->PutString("\"two words\"", 0);
    writer->PutString(" ");
    writer->PutInt(12);
    writer->PutInt(-7);
    writer->PutFloat(3.25f);
    writer->PutVector2(Vector2(1, 2));
    writer->PutVector3(Vector3(3, 4, 5));
    writer->PutVector4(Vector4(6, 7, 8, 9));
    writer->PutString("end", 0);
    writer->PutString("\n");
    StreamClose(stream);
    return ReadWholeFile(path);
}

// The values in order, as their reader expects them.
void ReadTypedValues(TokenReader* reader) {
    char token[TokenReader::KeywordSize];
    Vector2 v2;
    Vector3 v3;
    Vector4 v4;
    reader->Match("name");
    reader->GetToken(token, sizeof(token));
    reader->GetInt();
    reader->GetInt();
    reader->GetFloat();
    reader->GetVector2(v2);
    reader->GetVector3(v3);
    reader->GetVector4(v4);
    reader->GetToken(token, sizeof(token));
}

// Every token of the rest, through buffers of many sizes, some pushed back and read again,
// some lines skipped or read up to a comma.
bool ReadAllTokens(TokenReader* reader, size_t fileSize, int index, std::string& why) {
    char buffer[80];
    // Each turn takes at least one character, and a pushed-back token is read once more.
    for (size_t turn = 0; turn <= 2 * fileSize + 2; ++turn) {
        int size = 1 + (int)((turn * 7 + index) % (sizeof(buffer) - 1));
        memset(buffer, 'x', sizeof(buffer));
        int length = reader->GetToken(buffer, size);
        if (length < 0 || length >= size || buffer[length] != 0) {
            why = "token of length " + std::to_string(length) + " in a buffer of " + std::to_string(size);
            return false;
        }
        if (length == 0) {
            return true;
        }
        switch (turn % 5) {
        case 1:
            if (length < TokenReader::KeywordSize) {
                reader->PushBack(buffer, length);
                reader->GetToken(buffer, sizeof(buffer));
            }
            break;
        case 2:
            reader->SkipLine();
            break;
        case 3:
            if (reader->ReadUntil(buffer, size, ',') >= size) {
                why = "ReadUntil overran its buffer";
                return false;
            }
            break;
        }
    }
    why = "the tokens never end";
    return false;
}

// A third of the mutants are binary files, read through the versioned reader; the rest are
// text read by a plain one, as most text files are. Some of each are read as their program
// reads them, value by value; the rest token by token (fatal refusals end a child, and
// children are slow to start).
bool CheckTokens(int index, std::string& why) {
    static const std::vector<std::string> textSeeds = {TokenSeed(false).substr(strlen(TextHeader) + 1)};
    static const std::vector<std::string> binarySeeds = {TokenSeed(true)};
    bool binary = index % 3 == 0;
    std::string file = Mutant(binary ? binarySeeds : textSeeds, index);
    Stream* stream = OpenMutant("m.tok", file);
    ConsoleCapture console;
    VersionedTokenReader versioned;
    TokenReader plain("m.tok", stream);
    TokenReader* reader = binary ? versioned.BeginRead("m.tok", stream, TextHeader, BinaryHeader) : &plain;
    bool good = true;
    if (index % 15 == 1 || index % 12 == 0) {
        ReadTypedValues(reader);
    } else {
        good = ReadAllTokens(reader, file.size(), index, why);
    }
    StreamClose(stream);
    return OnlyAllowedMessages(console.Take(), {"couldn't get header string"}, why) && good;
}

// A tree with an item of every type, nested nodes and repeated values; the long text first,
// where the mutator aims much of its damage, as in the files of tuning data.
struct TuningTree {
    char m_Title[48] = {};
    char m_Labels[2][8] = {};
    char m_Notes[3][32] = {};
    uint8_t m_Flag = 0;
    char m_Char = 0;
    int16_t m_Shorts[2] = {};
    int32_t m_Int = 0;
    float m_Floats[3] = {};
    Vector2 m_V2;
    Vector3 m_V3;
    Vector4 m_V4;
    int32_t m_Depth = 0;
    float m_Leaf = 0;
    datParser m_Root{"tuning"};

    TuningTree() {
        m_Root.AddItem(datParser::ItemString, "Title", m_Title, 1, 0, sizeof(m_Title));
        m_Root.AddItem(datParser::ItemBool, "Flag", &m_Flag);
        m_Root.AddItem(datParser::ItemChar, "Char", &m_Char);
        m_Root.AddItem(datParser::ItemInt16, "Shorts", m_Shorts, 2);
        m_Root.AddItem(datParser::ItemInt32, "Int", &m_Int);
        m_Root.AddItem(datParser::ItemFloat, "Floats", m_Floats, 3);
        m_Root.AddItem(datParser::ItemVector2, "V2", &m_V2);
        m_Root.AddItem(datParser::ItemVector3, "V3", &m_V3);
        m_Root.AddItem(datParser::ItemVector4, "V4", &m_V4);
        datParser* child = m_Root.AddNode("Child");
        child->AddItem(datParser::ItemString, "Labels", m_Labels, 2, 0, sizeof(m_Labels[0]));
        child->AddItem(datParser::ItemInt32, "Depth", &m_Depth);
        child->AddItem(datParser::ItemString, "Notes", m_Notes, 3, 0, sizeof(m_Notes[0]));
        child->AddNode("Leaf")->AddItem(datParser::ItemFloat, "Value", &m_Leaf);
    }
};

std::string ParserSeed(bool binary) {
    static ScratchDir scratch;
    TuningTree tree;
    snprintf(tree.m_Title, sizeof(tree.m_Title), "a title of several words, for the tree");
    snprintf(tree.m_Labels[0], sizeof(tree.m_Labels[0]), "left");
    snprintf(tree.m_Labels[1], sizeof(tree.m_Labels[1]), "right");
    for (char* note : tree.m_Notes) {
        snprintf(note, sizeof(tree.m_Notes[0]), "a note that takes many bytes");
    }
    tree.m_Flag = 1;
    tree.m_Char = 'c';
    tree.m_Shorts[0] = -300;
    tree.m_Shorts[1] = 300;
    tree.m_Int = 123456;
    tree.m_Floats[0] = 0.5f;
    tree.m_V2 = Vector2(1, 2);
    tree.m_V3 = Vector3(3, 4, 5);
    tree.m_V4 = Vector4(6, 7, 8, 9);
    tree.m_Depth = 2;
    tree.m_Leaf = 0.25f;
    std::string path = scratch.Path(binary ? "seed.b" : "seed.a");
    EXPECT_TRUE(tree.m_Root.Save(path.c_str(), binary));
    return ReadWholeFile(path);
}

// The reports name the token they met, which damage may have filled with line ends.
void ReportOnOneLine(const char* format, ...) {
    char text[512];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    std::replace(text, text + strlen(text), '\n', ' ');
    std::replace(text, text + strlen(text), '\r', ' ');
    PrintError("%s", text);
}

bool Terminated(const char* text, size_t size) { return strnlen(text, size) < size; }

bool CheckParser(int index, std::string& why) {
    static const std::vector<std::string> seeds = {ParserSeed(false), ParserSeed(true)};
    static ScratchDir scratch;
    std::string path = scratch.Path("m.tune");
    WriteWholeFile(path, Mutant(seeds, index));
    ConsoleCapture console;
    TuningTree tree;
    datParser::ReportFunc report = datParser::SetReporter(ReportOnOneLine);
    tree.m_Root.Load(path.c_str());
    datParser::SetReporter(report);
    if (!Terminated(tree.m_Title, sizeof(tree.m_Title)) ||
        !Terminated(tree.m_Labels[0], sizeof(tree.m_Labels[0])) ||
        !Terminated(tree.m_Labels[1], sizeof(tree.m_Labels[1])) ||
        !Terminated(tree.m_Notes[2], sizeof(tree.m_Notes[2])) ||
        !Terminated(tree.m_Root.GetName(), datParser::NameSize)) {
        why = "a string is not terminated";
        return false;
    }
    return OnlyAllowedMessages(console.Take(),
                       {"datParser::Read()- Unrecognized token", "datParser::Read()- Unexpected end of data",
                        "couldn't get header string"},
                       why);
}

// Printable cells hold no separator and no control character.
bool SoundCell(const char* cell, std::string& why) {
    for (const char* c = cell; c && *c; ++c) {
        if ((unsigned char)*c < 32 || *c == ',') {
            why = std::string("cell '") + cell + "' holds a separator";
            return false;
        }
    }
    return true;
}

bool CheckCsv(int index, std::string& why) {
    static const std::vector<std::string> seeds = {
        "name,count,scale # header\r\nroad,1,0.5\r\nsidewalk,,2\r\n# comment line\r\ngrass,3,\r\n",
        "a,b\nx,1,extra,fields\n,2\nlast line without its end,4"};
    std::string file = Mutant(seeds, index);
    Stream* stream = OpenMutant("m.csv", file);
    CsvTable table;
    table.Load(stream, index % 5 == 1, index % 3);
    StreamClose(stream);
    if (table.m_Columns < 0 || table.m_Columns > CsvTable::MaxColumns || table.m_Rows < 0 ||
        (size_t)table.m_Rows > file.size()) {
        why = "table of " + std::to_string(table.m_Rows) + " by " + std::to_string(table.m_Columns);
        return false;
    }
    for (int column = 0; column < table.m_Columns; ++column) {
        if (!SoundCell(table.m_ColumnNames[column], why)) {
            return false;
        }
        for (int row = 0; row < table.m_Rows; ++row) {
            const char* cell = table.m_Cells[row * table.m_Columns + column];
            if (!SoundCell(cell, why)) {
                return false;
            }
            table.GetInt(row, column);
            table.GetFloat(row, column);
        }
        table.FindRowQuiet(column, "road");
    }
    // The line splitter of the catalogues, over every line, into short fields.
    for (size_t start = 0; start < file.size();) {
        size_t end = std::min(file.find('\n', start), file.size());
        std::string line = file.substr(start, end - start);
        char a[8];
        char b[8];
        char c[8];
        memset(c, 'x', sizeof(c));
        int fields = SplitCsvLine(line.c_str(), 3, sizeof(a), a, b, c);
        if (fields < 1 || fields > 3 || strlen(a) >= sizeof(a) || (fields == 3 && strlen(c) >= sizeof(c))) {
            why = "split of '" + line + "'";
            return false;
        }
        start = end + 1;
    }
    return true;
}

}  // namespace

TEST_CHILD(MutateTokens) { return RunMutantsInChild(Mutants, CheckTokens); }

TEST_CHILD(MutateParser) { return RunMutantsInChild(Mutants, CheckParser); }
TEST_CHILD(MutateCsv) { return RunMutantsInChild(Mutants, CheckCsv); }

TEST(DataMutation, DamagedTokenFilesAreReadOrRefused) {
    RunMutation("MutateTokens", Mutants, TokenFatals, 2);
}

TEST(DataMutation, DamagedParameterTreesAreReadOrRefused) {
    RunMutation("MutateParser", Mutants, TokenFatals, 2);
}

TEST(DataMutation, DamagedTablesAreRead) { RunMutation("MutateCsv", Mutants, {}); }
