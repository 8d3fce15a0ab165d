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

#include <algorithm>
#include <cctype>
#include <cfloat>
#include <cstdlib>
#include <cstring>
#include <random>
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

namespace {

// Text served from memory in reads of a chosen size, so that the stream's buffer ends wherever
// a test wants it: one byte at a time leaves the tokenizer only its character path.
struct ChunkedText {
    std::string m_Text;
    int m_Chunk;  // the largest read; 0: reads of random sizes up to the buffer's
    std::mt19937 m_Random{5};
    size_t m_Position = 0;
};

ChunkedText* sm_Opening;

ChunkedText& TextOf(uintptr_t handle) { return *(ChunkedText*)handle; }

uintptr_t ChunkedOpen(const char*, bool) { return (uintptr_t)sm_Opening; }

int ChunkedRead(uintptr_t handle, void* buffer, int count) {
    ChunkedText& text = TextOf(handle);
    int chunk = text.m_Chunk ? text.m_Chunk : 1 + int(text.m_Random() % Stream::BufferSize);
    int got = (int)std::min<size_t>(std::min(count, chunk), text.m_Text.size() - text.m_Position);
    memcpy(buffer, text.m_Text.data() + text.m_Position, got);
    // Blanks after the bytes read: a reader that looked past them would end a token there.
    memset((char*)buffer + got, ' ', count - got);
    text.m_Position += got;
    return got;
}

int ChunkedSeek(uintptr_t handle, int position, int) {
    TextOf(handle).m_Position = position;
    return position;
}

int ChunkedClose(uintptr_t) { return 0; }

const StreamDevice ChunkedDevice = {
    ChunkedOpen, nullptr, ChunkedRead, nullptr, ChunkedSeek, ChunkedClose,
    nullptr,     nullptr, nullptr,     nullptr, nullptr,
};

// A reader over text served in chunks of the given size.
class ChunkedReader {
public:
    ChunkedReader(const std::string& text, int chunk) : m_Text{text, chunk} {
        sm_Opening = &m_Text;
        m_Stream = StreamOpenOnDevice("chunked", &ChunkedDevice, true);
        m_Reader.Init("chunked", m_Stream);
    }
    ~ChunkedReader() { StreamClose(m_Stream); }
    TokenReader& Reader() { return m_Reader; }

private:
    ChunkedText m_Text;
    Stream* m_Stream;
    TokenReader m_Reader;
};

// Numbers of every form the readers treat apart, words, quotes and comments, each followed by
// white space, a comment or a zero byte.
std::string RandomTokens(std::mt19937& random, size_t size) {
    const char* const odd[] = {
        "-", ".", "-.", "1.", ".5", "-.5", "+5", "--5", "1.2.3", "12abc", "0x10", "1e5", "1E-3",
        "-1.25e2", "nan", "-nan", "inf", "-inf", "1e39", "4294967295", "4294967296", "2147483648",
        "-2147483649", "99999999999999999999999", "9007199254740993", "0.0000000000000000000001",
        "0.00000000000000000000001", "12345678", "-1234567", "1234567.5", "1\"2", "x12", "room",
        "v", "\"12\"", "\"-3.5\"", "\"a b\"", "\"x;y\"", "\"1\n2\"",
    };
    const char* const separators[] = {" ", "\t", "\n", "\r\n", "  \n\t ", ";c\n", " ; \"q\r\n",
                                      "\n;a\n;b\n\n"};
    std::string text;
    while (text.size() < size) {
        switch (random() % 13) {
        case 0:
        case 1:
        case 2:
        case 3:
        case 4: {
            // Integers of one to twelve digits, past 32 bits too.
            int digits = 1 + int(random() % 12);
            std::string number = random() % 4 ? "" : "-";
            for (int i = 0; i < digits; ++i) {
                number += char('0' + random() % 10);
            }
            text += number;
            break;
        }
        case 5:
        case 6:
        case 7: {
            char number[64];
            double value = double(random() % 1000000) / double(1 + random() % 10000);
            snprintf(number, sizeof(number), "%.*f", int(random() % 9),
                     random() % 2 ? -value : value);
            text += number;
            break;
        }
        case 8:
        case 9:
            text += odd[random() % (sizeof(odd) / sizeof(odd[0]))];
            break;
        case 10: {
            // More digits than a double's mantissa holds, and more decimals than a division
            // by an exact power of ten serves.
            std::string number = std::to_string(1 + random() % 9);
            for (int digits = 14 + int(random() % 12); digits > 0; --digits) {
                number += char('0' + random() % 10);
            }
            if (random() % 2) {
                number.insert(1 + random() % (number.size() - 1), ".");
            }
            text += random() % 2 ? "0." + number : number;
            break;
        }
        case 11: {
            // Cut as number tokens and keywords are cut, and past it.
            size_t length = 40 + random() % 30;
            text += std::string(length - 1, '0') + char('1' + random() % 9);
            break;
        }
        default:
            text += std::string(random() % 300, ' ');
            text += random() % 2 ? "word" : "-0";
            break;
        }
        text += random() % 7 ? separators[random() % (sizeof(separators) / sizeof(separators[0]))]
                             : std::string(1, '\0');
    }
    return text;
}

uint32_t FloatBits(float value) {
    uint32_t bits;
    memcpy(&bits, &value, sizeof(bits));
    return bits;
}

}  // namespace

// Numbers and tokens read straight from the stream's buffer are what the character path reads,
// whole or cut by the buffer's end anywhere, with push-backs, raw reads and skipped lines between
// them: the same values, float bits, texts, characters and lines.
TEST(Tokenizer, BufferedReadsMatchTheCharacterPath) {
    std::mt19937 random(39);
    for (int file = 0; file < 16; ++file) {
        std::string text = RandomTokens(random, 40000);
        // The next token as the character path reads it tells which reads it can take.
        ChunkedReader oracle(text, 1);
        ChunkedReader reference(text, 1);
        ChunkedReader whole(text, Stream::BufferSize);
        ChunkedReader ragged(text, 0);
        TokenReader* readers[] = {&reference.Reader(), &whole.Reader(), &ragged.Reader()};
        std::string next;
        bool known = false;
        for (int step = 0;; ++step) {
            std::string where = "file " + std::to_string(file) + " step " + std::to_string(step);
            // The character read ahead shows in raw reads.
            if (!known && random() % 10 == 0) {
                bool line = random() % 2;
                char raw[4];
                std::string expected;
                if (line) {
                    oracle.Reader().SkipLine();
                } else {
                    expected.assign(raw, oracle.Reader().ReadRaw(raw, 3));
                }
                for (TokenReader* reader : readers) {
                    if (line) {
                        reader->SkipLine();
                    } else {
                        EXPECT_EQ(std::string(raw, reader->ReadRaw(raw, 3)), expected) << where;
                    }
                    ASSERT_EQ(reader->GetLine(), oracle.Reader().GetLine()) << where;
                }
            }
            if (!known) {
                next = NextToken(oracle.Reader());
                known = true;
            }
            std::string results[3];
            bool number = !next.empty() && (next[0] == '-' || isdigit((unsigned char)next[0]));
            int kind = next.empty() ? 3 : int(random() % 10);
            int size = 1 + int(random() % 64);
            std::string name = random() % 2 ? next : "x";
            bool consume = random() % 2;
            for (int r = 0; r < 3; ++r) {
                TokenReader& reader = *readers[r];
                if (number && kind < 4) {
                    results[r] = "int " + std::to_string(reader.GetInt());
                } else if ((number || next[0] == '.') && kind < 7) {
                    results[r] = "float " + std::to_string(FloatBits(reader.GetFloat()));
                } else if (kind == 7 && next.size() < 64) {
                    bool equal = reader.CheckToken(name.c_str(), consume);
                    results[r] = "check " + std::to_string(equal);
                } else {
                    results[r] = "token " + NextToken(reader, size);
                }
                results[r] += " line " + std::to_string(reader.GetLine());
            }
            ASSERT_EQ(results[1], results[0]) << where << " at " << next;
            ASSERT_EQ(results[2], results[0]) << where << " at " << next;
            if (next.empty()) {
                break;
            }
            // A check that did not consume the token leaves it next.
            known = kind == 7 && next.size() < 64 && !(consume && name == next);
        }
    }
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
