#include "city/sdlcode.h"

#include "tests/support/child.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

typedef std::vector<SDLCODE_T> Words;

Words Vertices(int count, int first) {
    Words words;
    for (int i = 0; i < count; ++i) {
        words.push_back(SDLCODE_T(first + i));
    }
    return words;
}

Words Concat(Words a, const Words& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Writes one command with its operands through a writer sized exactly by a counting pass.
template <typename Emit>
Words Encode(Emit emit) {
    sdlCodeWriter counter;
    emit(counter);
    Words words(counter.GetCount());
    sdlCodeWriter writer(words.data(), uint32_t(words.size()));
    emit(writer);
    EXPECT_EQ(writer.GetCount(), counter.GetCount());
    return words;
}

void EmitOperands(sdlCodeWriter& writer, const Words& operands) {
    for (SDLCODE_T w : operands) {
        writer.Word(w);
    }
}

}  // namespace

TEST(SdlCode, EncodesAndDecodesEveryCountForm) {
    struct Case {
        const char* m_Name;
        uint32_t m_Opcode;
        uint32_t m_Count;
        Words m_Operands;
        Words m_Expected;
        uint32_t m_DecodedOperands;
    };
    const std::vector<Case> cases = {
        {"fan of 9", SDL_FAN, 7, Vertices(9, 1), Concat({55}, Vertices(9, 1)), 9},
        {"fan of 10", SDL_FAN, 8, Vertices(10, 1), Concat({48, 8}, Vertices(10, 1)), 10},
        {"raised fan of 5", SDL_RAISEDFAN, 4, Concat({33}, Vertices(5, 1)),
         Concat({100, 33}, Vertices(5, 1)), 6},
        {"skirt", SDL_SKIRT, 4, {1, 2, 3, 4}, {28, 1, 2, 3, 4}, 4},
        {"wall", SDL_WALL, 4, {63, 2, 3, 4}, {60, 63, 2, 3, 4}, 4},
        {"facade", SDL_FACADE, 6, {1, 2, 1, 1, 5, 6}, {94, 1, 2, 1, 1, 5, 6}, 6},
        {"road of 2", SDL_ROAD, 2, Vertices(8, 1), Concat({2}, Vertices(8, 1)), 8},
        {"alley of 9", SDL_ALLEY, 9, Vertices(18, 1), Concat({16, 9}, Vertices(18, 1)), 18},
        {"ext 10", SDL_EXT, 10, Vertices(10, 1), Concat({72, 10}, Vertices(10, 1)), 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_Name);
        Words words = Encode([&](sdlCodeWriter& w) {
            w.Command(c.m_Opcode, c.m_Count);
            EmitOperands(w, c.m_Operands);
        });
        EXPECT_EQ(words, c.m_Expected);
        // A marker command after it shows where the decoder resumes.
        words.push_back(SDL_TEXTURE);
        words.push_back(9);
        uint32_t position = 0;
        sdlCommand command;
        ASSERT_EQ(sdlDecodeCommand(words.data(), uint32_t(words.size()), &position, &command),
                  sdlDecodeOk);
        EXPECT_EQ(command.m_Opcode, c.m_Opcode);
        EXPECT_EQ(command.m_OperandCount, c.m_DecodedOperands);
        EXPECT_EQ(Words(command.m_Operands, command.m_Operands + command.m_OperandCount),
                  c.m_Operands);
        EXPECT_EQ(position, c.m_Expected.size());
        ASSERT_EQ(sdlDecodeCommand(words.data(), uint32_t(words.size()), &position, &command),
                  sdlDecodeOk);
        EXPECT_EQ(command.m_Opcode, uint32_t(SDL_TEXTURE));
        EXPECT_EQ(command.m_Texture, 9u);
    }
}

TEST(SdlCode, TextureTakesTwoWordsWhateverItsHighBits) {
    for (uint32_t index : {5u, 300u, 2047u}) {
        Words words = Encode([&](sdlCodeWriter& w) { w.Texture(index); });
        ASSERT_EQ(words.size(), 2u);
        EXPECT_EQ(words[0], SDL_TEXTURE | (index >> 8));
        EXPECT_EQ(words[1], index & 255);
        uint32_t position = 0;
        sdlCommand command;
        ASSERT_EQ(sdlDecodeCommand(words.data(), 2, &position, &command), sdlDecodeOk);
        EXPECT_EQ(command.m_Texture, index);
        EXPECT_EQ(command.m_OperandCount, 0u);
        EXPECT_EQ(position, 2u);
    }
    EXPECT_EQ(Encode([](sdlCodeWriter& w) { w.Texture(300); }), Words({81, 44}));
}

TEST(SdlCode, DividedRoadOperandsStartPastItsHeader) {
    Words words = Encode([](sdlCodeWriter& w) {
        w.Command(SDL_DIVROAD, 2);
        w.Word(0xC2);
        w.Fixed(0.5f);
        EmitOperands(w, Vertices(12, 1));
    });
    EXPECT_EQ(words[0], 66);
    EXPECT_EQ(words[2], 128);
    uint32_t position = 0;
    sdlCommand command;
    ASSERT_EQ(sdlDecodeCommand(words.data(), uint32_t(words.size()), &position, &command),
              sdlDecodeOk);
    EXPECT_EQ(command.m_OperandCount, 12u);
    EXPECT_EQ(command.m_Operands, words.data() + 3);
    EXPECT_EQ(position, 15u);
}

TEST(SdlCode, MarkGoesOnTheLastDrawingCommand) {
    Words words = Encode([](sdlCodeWriter& w) {
        w.Texture(3);
        w.Command(SDL_CROSSWALK, 4);
        EmitOperands(w, {1, 2, 3, 4});
        w.Command(SDL_EXT, 2);
        w.Word(5);
        w.Fixed(1.5f);
        w.Texture(4);
        w.MarkLast();
    });
    EXPECT_EQ(words, Words({80, 3, 32 | 4 | 128, 1, 2, 3, 4, 74, 5, 384, 80, 4}));

    Words unmarked = Encode([](sdlCodeWriter& w) {
        w.Command(SDL_EXT, 2);
        w.Word(5);
        w.Fixed(1.5f);
        w.MarkLast();
    });
    EXPECT_EQ(unmarked, Words({74, 5, 384}));
}

TEST(SdlCode, DecoderStopsAtTheEndOfTheArray) {
    // A stream cut inside a command, and a stream that ends without a mark.
    Words cut = {SDL_ROAD | 1, 1, 2, 3};
    Words extended = {SDL_FAN, 8, 1};
    Words texture = {SDL_TEXTURE | 1};
    for (const Words* words : {&cut, &extended, &texture}) {
        uint32_t position = 0;
        sdlCommand command;
        EXPECT_EQ(sdlDecodeCommand(words->data(), uint32_t(words->size()), &position, &command),
                  sdlDecodeEnd);
    }
    uint32_t position = 0;
    sdlCommand command;
    EXPECT_EQ(sdlDecodeCommand(nullptr, 0, &position, &command), sdlDecodeEnd);
    Words bad = {13 << 3 | 1, 0};
    EXPECT_EQ(sdlDecodeCommand(bad.data(), 2, &position, &command), sdlDecodeBadOpcode);
    EXPECT_EQ(command.m_Opcode, 104u);
}

TEST_CHILD(SdlWriterValueTooLarge) {
    sdlCodeWriter writer;
    writer.Word(65536);
    return 0;
}

TEST_CHILD(SdlWriterCountZero) {
    sdlCodeWriter writer;
    writer.Command(SDL_FAN, 0);
    return 0;
}

TEST_CHILD(SdlWriterCountTooLarge) {
    sdlCodeWriter writer;
    writer.Command(SDL_FAN, 256);
    return 0;
}

TEST_CHILD(SdlWriterCountOverlaps) {
    sdlCodeWriter writer;
    writer.Command(SDL_TEXTURE | 1, 1);
    return 0;
}

// Values whose x 256 does not fit a word: below 0 once truncated, too large (also where the
// product passes 2^32), infinite, not a number.
const float FixedOutOfRange[] = {-1.5f, -0.004f, 256.0f, 16777218.0f, 1e30f, INFINITY, NAN};

TEST_CHILD(SdlWriterFixedOutOfRange) {
    sdlCodeWriter writer;
    writer.Fixed(FixedOutOfRange[ChildCase()]);
    return 0;
}

TEST_CHILD(SdlWriterFull) {
    SDLCODE_T words[2];
    sdlCodeWriter writer(words, 2);
    writer.Texture(1);
    writer.Word(1);
    return 0;
}

TEST(SdlCode, WriterRefusesWhatTheFormatCannotHold) {
    struct Case {
        const char* m_Child;
        const char* m_Message;
    };
    const Case cases[] = {
        {"SdlWriterValueTooLarge", "Assert(value < 1 << (8 * sizeof(SDLCODE_T))) failed in [city/sdlcode"},
        {"SdlWriterCountZero", "Assert(count) failed in [city/sdlcode"},
        {"SdlWriterCountTooLarge", "Assert(count < 256) failed in [city/sdlcode"},
        {"SdlWriterCountOverlaps", "Assert((value & count) == 0) failed in [city/sdlcode"},
        {"SdlWriterFull", "Assert(m_Count < m_Capacity) failed in [city/sdlcode"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_Child);
        ChildResult result = RunChild(c.m_Child);
        EXPECT_NE(result.m_ExitCode, 0);
        EXPECT_NE(result.m_Output.find(c.m_Message), std::string::npos) << result.m_Output;
    }
    for (int i = 0; i < int(sizeof(FixedOutOfRange) / sizeof(FixedOutOfRange[0])); ++i) {
        SCOPED_TRACE(FixedOutOfRange[i]);
        ExpectFatalChild("SdlWriterFixedOutOfRange",
                         "Assert(value < 1 << (8 * sizeof(SDLCODE_T))) failed in [city/sdlcode",
                         "case=" + std::to_string(i));
    }
}

TEST(SdlCode, FixedValuesAreTruncatedBeforeTheyAreChecked) {
    // Just below 0 truncates to 0; just below 256 to the largest word.
    Words words = Encode([](sdlCodeWriter& w) {
        for (float value : {-0.001f, -0.0f, 0.0039f, 1.5f, 255.998f}) {
            w.Fixed(value);
        }
    });
    EXPECT_EQ(words, Words({0, 0, 0, 384, 65535}));
}
