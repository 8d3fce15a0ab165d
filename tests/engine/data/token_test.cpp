#include "data/binarytoken.h"
#include "data/stream.h"
#include "data/token.h"
#include "data/versionedtoken.h"
#include "tests/support/child.h"
#include "tests/support/scratch.h"
#include "vector/vector2.h"
#include "vector/vector3.h"
#include "vector/vector4.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// A reader over a file holding data; the stream is closed with it.
class TokenFile {
public:
    TokenFile(const ScratchDir& scratch, const std::string& data)
        : m_Path(scratch.Path("t.txt")) {
        WriteWholeFile(m_Path, data);
        m_Stream = StreamOpen(m_Path.c_str());
        m_Reader.Init("t.txt", m_Stream);
    }
    ~TokenFile() {
        if (m_Stream) {
            StreamClose(m_Stream);
        }
    }
    TokenReader& Reader() { return m_Reader; }

private:
    std::string m_Path;
    Stream* m_Stream;
    TokenReader m_Reader;
};

std::string NextToken(TokenReader& reader, int size = 64) {
    std::vector<char> buffer(size);
    int length = reader.GetToken(buffer.data(), size);
    EXPECT_EQ(length, (int)std::string(buffer.data(), length).size());
    return std::string(buffer.data(), length);
}

}  // namespace

TEST(Tokenizer, Tokens) {
    struct Case {
        std::string m_Data;
        int m_Size;
        std::vector<std::string> m_Tokens;
        int m_Line;
    };
    const Case cases[] = {
        {"a \"b c\" ; x\nd", 64, {"a", "b c", "d"}, 2},
        {"abc;x\nd", 64, {"abc", "d"}, 2},
        {"; one\r\n; two\n\ntok", 64, {"tok"}, 4},
        {"a ; the end", 64, {"a"}, 1},
        {";only", 64, {}, 1},
        {"\"unclosed\nrest", 64, {"unclosed\nrest"}, 1},
        {"\"two\nlines\" x\ny", 64, {"two\nlines", "x", "y"}, 2},
        {"; quoted after a comment\n\"q x\"", 64, {"q x"}, 2},
        {"abcdefghij k", 4, {"abc", "k"}, 1},
        {"\"abcdefgh\" k", 4, {"abc", "k"}, 1},
        {std::string("a\r\n\tb\0c", 7), 64, {"a", "b", "c"}, 2},
        {"a\"b c", 64, {"a\"b", "c"}, 1},
        {"\xE9t\xE9 \xFF", 64, {"\xE9t\xE9", "\xFF"}, 1},
    };
    for (const Case& c : cases) {
        ScratchDir scratch;
        TokenFile file(scratch, c.m_Data);
        std::vector<std::string> tokens;
        for (std::string token = NextToken(file.Reader(), c.m_Size); !token.empty();
             token = NextToken(file.Reader(), c.m_Size)) {
            tokens.push_back(token);
        }
        EXPECT_EQ(tokens, c.m_Tokens) << c.m_Data;
        EXPECT_EQ(file.Reader().GetLine(), c.m_Line) << c.m_Data;
        EXPECT_EQ(NextToken(file.Reader()), "");
    }
}

// Tokens are scanned straight from the stream's buffer: ones that straddle a refill, and
// long ones cut to the buffer size, read as they do one character at a time.
TEST(Tokenizer, TokensAcrossStreamBuffers) {
    const char* const separators[] = {" ", "\n", "\t", "\r\n", " ;c\n", "\0"};
    std::string data;
    std::vector<std::string> expected;
    for (int i = 0; data.size() < 4 * size_t(Stream::BufferSize); ++i) {
        std::string token = "t" + std::to_string(i) + std::string(i % 37, 'x');
        if (i % 500 == 7) {
            token += std::string(Stream::BufferSize + 100, 'y');
        }
        data += token;
        data.append(separators[i % 6], i % 6 == 5 ? 1 : strlen(separators[i % 6]));
        expected.push_back(token.substr(0, 63));
    }
    ScratchDir scratch;
    TokenFile file(scratch, data);
    std::vector<std::string> tokens;
    for (std::string token = NextToken(file.Reader()); !token.empty();
         token = NextToken(file.Reader())) {
        tokens.push_back(token);
    }
    EXPECT_EQ(tokens, expected);
}

// A token that the buffer's end cuts just before a quote goes on through the quote, as a token
// that meets one in the middle does. The first token fills the buffer, so that the second is
// scanned from it.
TEST(Tokenizer, ATokenCutJustBeforeAQuoteReadsOnThroughIt) {
    ScratchDir scratch;
    TokenFile cut(scratch, "x" + std::string(Stream::BufferSize - 3, ' ') + "ab\"c d");
    EXPECT_EQ(NextToken(cut.Reader()), "x");
    EXPECT_EQ(NextToken(cut.Reader()), "ab\"c");
    EXPECT_EQ(NextToken(cut.Reader()), "d");
}

TEST(Tokenizer, TypedReadsAndMatches) {
    ScratchDir scratch;
    TokenFile file(scratch, "12abc -7 .5 -1.25e2 width 640 pos 1 2 3 4\nuv 0.5 -0.5");
    TokenReader& reader = file.Reader();
    EXPECT_EQ(reader.GetInt(), 12);
    EXPECT_EQ(reader.GetInt(), -7);
    EXPECT_EQ(reader.GetFloat(), 0.5f);
    EXPECT_EQ(reader.GetFloat(), -125.0f);
    EXPECT_EQ(reader.MatchInt("width"), 640);
    Vector4 position;
    reader.MatchVector4("pos", position);
    EXPECT_EQ(position.x, 1.0f);
    EXPECT_EQ(position.w, 4.0f);
    Vector2 uv;
    reader.MatchVector2("uv", uv);
    EXPECT_EQ(uv.x, 0.5f);
    EXPECT_EQ(uv.y, -0.5f);
    EXPECT_EQ(reader.GetLine(), 2);
}

TEST(Tokenizer, CheckTokenAndPushBack) {
    ScratchDir scratch;
    std::string long63(63, 'k');
    TokenFile file(scratch, "x \"b c\" y\n" + long63 + "\nlast");
    TokenReader& reader = file.Reader();
    EXPECT_TRUE(reader.CheckToken("x", false));
    EXPECT_EQ(NextToken(reader), "x");
    // A quoted token goes back whole, blank included.
    EXPECT_FALSE(reader.CheckToken("x", false));
    EXPECT_EQ(NextToken(reader), "b c");
    EXPECT_TRUE(reader.CheckToken("y", true));
    // The longest keyword a check reads fits the push-back buffer.
    EXPECT_FALSE(reader.CheckToken("x", false));
    EXPECT_EQ(NextToken(reader), long63);
    EXPECT_EQ(reader.GetLine(), 2);
    // The last token of data without a final line end is not lost when it goes back.
    EXPECT_TRUE(reader.CheckToken("last", false));
    EXPECT_EQ(NextToken(reader), "last");
    EXPECT_EQ(reader.GetLine(), 3);
    // Failed checks at the end leave nothing stranded.
    EXPECT_FALSE(reader.CheckToken("last", false));
    EXPECT_FALSE(reader.CheckToken("last", false));
    EXPECT_EQ(NextToken(reader), "");
}

TEST(Tokenizer, LinesAndRawReads) {
    ScratchDir scratch;
    TokenFile file(scratch, "skip 1 2\nnext\nnone ;c\nkept  raw data\n  value here ;rest");
    TokenReader& reader = file.Reader();
    EXPECT_EQ(NextToken(reader), "skip");
    reader.SkipLine();
    EXPECT_EQ(NextToken(reader), "next");
    // The token ended the line already: nothing more goes.
    reader.SkipLine();
    EXPECT_EQ(NextToken(reader), "none");
    reader.SkipLine();
    EXPECT_EQ(NextToken(reader), "kept");
    EXPECT_EQ(reader.GetLine(), 4);
    char raw[5];
    EXPECT_EQ(reader.ReadRaw(raw, 4), 4);
    EXPECT_EQ(std::string(raw, 4), "  ra");
    char text[32];
    EXPECT_EQ(reader.ReadUntil(text, sizeof(text), '\n'), 6);
    EXPECT_STREQ(text, "w data");
    // Eight bytes of room: seven are read, leading blanks included.
    EXPECT_EQ(reader.ReadUntil(text, 8, ';'), 5);
    EXPECT_STREQ(text, "value");
    EXPECT_EQ(reader.ReadUntil(text, sizeof(text), ';'), 4);
    EXPECT_STREQ(text, "here");
    EXPECT_EQ(reader.ReadUntil(text, sizeof(text), ';'), 4);
    EXPECT_STREQ(text, "rest");
    EXPECT_EQ(reader.ReadUntil(text, sizeof(text), ';'), -1);
}

TEST(Tokenizer, RoundTripTextAndBinary) {
    const std::string textBytes =
        "type: a\n-5 1.500000 1.000000\t2.000000\t3.000000 ";
    for (bool binary : {false, true}) {
        ScratchDir scratch;
        std::string path = scratch.Path(binary ? "round.b" : "round.a");
        Stream* stream = StreamCreate(path.c_str());
        ASSERT_NE(stream, nullptr);
        VersionedTokenReader writerSet;
        TokenReader* writer = writerSet.BeginWrite("round", stream, binary, binary ? "type: b" : "type: a");
        EXPECT_TRUE(writer->PutInt(-5));
        EXPECT_TRUE(writer->PutFloat(1.5f));
        EXPECT_TRUE(writer->PutVector3(Vector3{1, 2, 3}));
        std::string prefix = binary ? std::string("type: b\0", 8) : textBytes;
        EXPECT_TRUE(writer->PutString("\n"));
        EXPECT_TRUE(writer->PutString("\"a name\"", 1));
        EXPECT_TRUE(writer->PutVector2(Vector2{-0.25f, 1e-3f}));
        EXPECT_TRUE(writer->PutVector4(Vector4{FLT_MAX, -FLT_MAX, 123456.75f, 0}));
        EXPECT_TRUE(writer->PutInt(-2147483647 - 1));
        EXPECT_TRUE(writer->Printf("%s", "tail"));
        StreamClose(stream);

        std::string bytes = ReadWholeFile(path);
        EXPECT_EQ(bytes.substr(0, prefix.size()), prefix) << binary;

        stream = StreamOpen(path.c_str());
        ASSERT_NE(stream, nullptr);
        VersionedTokenReader readerSet;
        TokenReader* reader = readerSet.BeginRead("round", stream, "type: a", "type: b");
        EXPECT_EQ(reader->GetInt(), -5);
        EXPECT_EQ(reader->GetFloat(), 1.5f);
        Vector3 v3;
        reader->GetVector3(v3);
        EXPECT_EQ(v3.x, 1.0f);
        EXPECT_EQ(v3.y, 2.0f);
        EXPECT_EQ(v3.z, 3.0f);
        char name[16];
        EXPECT_EQ(reader->GetToken(name, sizeof(name)), 6);
        EXPECT_STREQ(name, "a name");
        Vector2 v2;
        reader->GetVector2(v2);
        EXPECT_EQ(v2.x, -0.25f);
        EXPECT_EQ(v2.y, binary ? 1e-3f : 0.001f);
        Vector4 v4;
        reader->GetVector4(v4);
        EXPECT_EQ(v4.x, FLT_MAX);
        EXPECT_EQ(v4.y, -FLT_MAX);
        EXPECT_EQ(v4.z, 123456.75f);
        EXPECT_EQ(v4.w, 0.0f);
        EXPECT_EQ(reader->GetInt(), -2147483647 - 1);
        EXPECT_EQ(reader->GetToken(name, sizeof(name)), 4);
        EXPECT_STREQ(name, "tail");
        StreamClose(stream);
    }
}

namespace {

// Fatal children read the file named after their flag, as "t.txt".
int ReadArgumentFile(void (*operation)(TokenReader& reader, Stream* stream), bool binary) {
    Stream* stream = StreamOpen(__argv[2]);
    BinaryTokenReader binaryReader("t.txt", stream);
    TokenReader textReader("t.txt", stream);
    operation(binary ? binaryReader : textReader, stream);
    return 0;
}

}  // namespace

TEST_CHILD(TokenGetInt) {
    return ReadArgumentFile([](TokenReader& reader, Stream*) { reader.GetInt(); }, false);
}
TEST_CHILD(TokenGetFloat) {
    return ReadArgumentFile([](TokenReader& reader, Stream*) { reader.GetFloat(); }, false);
}
TEST_CHILD(TokenMatch) {
    return ReadArgumentFile([](TokenReader& reader, Stream*) { reader.MatchToken("room"); },
                            false);
}
TEST_CHILD(TokenPushBackTwice) {
    return ReadArgumentFile(
        [](TokenReader& reader, Stream*) {
            reader.PushBack("a", 1);
            reader.PushBack("b", 1);
        },
        false);
}
TEST_CHILD(TokenBinaryInt) {
    return ReadArgumentFile([](TokenReader& reader, Stream*) { reader.GetInt(); }, true);
}
TEST_CHILD(TokenBinaryVector3) {
    return ReadArgumentFile(
        [](TokenReader& reader, Stream*) {
            Vector3 value;
            reader.GetVector3(value);
        },
        true);
}
TEST_CHILD(TokenBeginRead) {
    return ReadArgumentFile(
        [](TokenReader&, Stream* stream) {
            VersionedTokenReader versioned;
            versioned.BeginRead("x", stream, "type: a", "type: b");
        },
        false);
}

TEST(Tokenizer, MalformedInputIsFatal) {
    struct Case {
        const char* m_Child;
        std::string m_Data;
        std::string m_Message;
    };
    const Case cases[] = {
        {"TokenGetInt", "x12", "Fatal Error: t.txt(1): Expected integer."},
        {"TokenGetInt", "\n\n+1", "Fatal Error: t.txt(3): Expected integer."},
        {"TokenGetInt", "", "Fatal Error: t.txt(1): Expected integer."},
        {"TokenGetFloat", "nan", "Fatal Error: t.txt(1): Expected float."},
        {"TokenMatch", "rom", "Fatal Error: t.txt(1): Expected 'room', got 'rom'."},
        {"TokenMatch", "\n", "Fatal Error: t.txt(2): Expected 'room', got ''."},
        {"TokenPushBackTwice", "", "Assert(pushcount==0) failed in [data/token"},
        {"TokenBinaryInt", "abc", "Fatal Error: t.txt(1): Expected integer."},
        {"TokenBinaryVector3", std::string(11, 'v'), "Fatal Error: t.txt(1): Expected Vector3."},
        {"TokenBeginRead", "type: c\nrest", "Fatal Error: x(0): unknown version string: 'type: c'."},
        {"TokenBeginRead", "ty", "Error: couldn't get header string"},
        {"TokenBeginRead", "ty", "Fatal Error: x(0): unknown version string: 'ty'."},
    };
    for (const Case& c : cases) {
        ScratchDir scratch;
        std::string path = scratch.Path("t.txt");
        WriteWholeFile(path, c.m_Data);
        ChildResult result = RunChild(c.m_Child, "\"" + path + "\"");
        EXPECT_EQ(result.m_ExitCode, 1) << c.m_Child << " " << c.m_Data;
        EXPECT_NE(result.m_Output.find(c.m_Message), std::string::npos)
            << c.m_Child << ": " << result.m_Output;
    }
}
