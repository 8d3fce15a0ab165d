#include "city/sdlcode.h"

#include "data/assert.h"
#include "data/printer.h"

#include <cmath>

sdlCodeWriter::sdlCodeWriter(SDLCODE_T* words, uint32_t capacity)
    : m_Words(words), m_Capacity(capacity), m_Count(0), m_LastDrawing(0), m_HasDrawing(false) {}

void sdlCodeWriter::CheckWord(uint32_t value) {
    Assert(value < 1 << (8 * sizeof(SDLCODE_T)));
}

void sdlCodeWriter::WordChecked(uint32_t value) {
    CheckWord(value);
    if (m_Words) {
        Assert(m_Count < m_Capacity);
        m_Words[m_Count] = SDLCODE_T(value);
    }
    ++m_Count;
}

void sdlCodeWriter::Fixed(float value) {
    // Truncated before it is checked, so that a value just below 0 is 0. Whatever lies outside
    // the word (below 0, too large, infinite, not a number) is checked as the largest unsigned
    // value, which the word refuses, instead of being converted and wrapped.
    float scaled = std::trunc(value * 256.0f);
    Word(scaled >= 0.0f && scaled < 65536.0f ? uint32_t(scaled) : UINT32_MAX);
}

void sdlCodeWriter::Command(uint32_t opcode, uint32_t count) {
    Assert(count);
    Assert(count < 256);
    if (opcode != SDL_TEXTURE && opcode != SDL_EXT) {
        m_LastDrawing = m_Count;
        m_HasDrawing = true;
    }
    uint32_t value = opcode;
    if (count < 8) {
        Assert((value & count) == 0);
        Word(value | count);
    } else {
        Word(value);
        Word(count);
    }
}

void sdlCodeWriter::Texture(uint32_t index) {
    Assert(index <= SDL_MAX_TEXTURE);
    Word(SDL_TEXTURE | (index >> 8));
    Word(index & 255);
}

void sdlCodeWriter::MarkLast() {
    if (m_Words && m_HasDrawing) {
        m_Words[m_LastDrawing] |= SDL_LAST;
    }
}

static uint32_t OperandWords(uint32_t opcode, uint32_t n) {
    switch (opcode) {
    case SDL_ROAD:
        return 4 * n;
    case SDL_SIDEWALK:
    case SDL_ALLEY:
        return 2 * n;
    case SDL_SKIRT:
    case SDL_CROSSWALK:
    case SDL_WALL:
        return 4;
    case SDL_FLATFAN:
    case SDL_FAN:
    case SDL_RAISEDFAN:
        return n + 2;
    case SDL_DIVROAD:
        return 6 * n;
    case SDL_FACADE:
        return 6;
    default:  // SDL_EXT
        return n;
    }
}

sdlDecodeResult sdlDecodeCommand(const SDLCODE_T* words, uint32_t count, uint32_t* position,
                                 sdlCommand* command) {
    uint32_t at = *position;
    if (!words || at >= count) {
        return sdlDecodeEnd;
    }
    uint32_t w = words[at++];
    command->m_Opcode = w & SDL_OPCODE_MASK;
    command->m_Last = (w & SDL_LAST) != 0;
    command->m_Texture = 0;
    if ((command->m_Opcode >> 3) > SDL_MAX_OPCODE) {
        return sdlDecodeBadOpcode;
    }
    uint32_t n = w & SDL_COUNT_MASK;
    if (command->m_Opcode == SDL_TEXTURE || n == 0) {
        // A texture command always takes two words: the second is its index's low byte.
        if (at >= count) {
            return sdlDecodeEnd;
        }
        uint32_t next = words[at++];
        if (command->m_Opcode == SDL_TEXTURE) {
            command->m_Texture = (n << 8) | next;
            n = 0;
        } else {
            n = next;
        }
    }
    if (command->m_Opcode == SDL_DIVROAD) {
        at += 2;
    }
    uint32_t operands = command->m_Opcode == SDL_TEXTURE ? 0 : OperandWords(command->m_Opcode, n);
    if (at > count || operands > count - at) {
        return sdlDecodeEnd;
    }
    command->m_Count = n;
    command->m_OperandCount = operands;
    command->m_Operands = words + at;
    *position = at + operands;
    return sdlDecodeOk;
}

bool sdlNextCommand(const SDLCODE_T* words, uint32_t count, uint32_t* position,
                    sdlCommand* command) {
    uint32_t at = *position;
    if (words && at < count && ((words[at] & SDL_OPCODE_MASK) >> 3) > SDL_MAX_OPCODE) {
        FatalQuit("Invalid cmd %d (%d)", words[at], (words[at] >> 3) & 15);
    }
    return sdlDecodeCommand(words, count, position, command) == sdlDecodeOk;
}

const sdlCommand* sdlRailTarget(const SDLCODE_T* words, uint32_t count, uint32_t position,
                                const sdlCommand& ext, sdlCommand* next) {
    bool found = sdlDecodeCommand(words, count, &position, next) == sdlDecodeOk;
    if (found && next->m_Opcode == SDL_TEXTURE) {
        found = sdlDecodeCommand(words, count, &position, next) == sdlDecodeOk;
    }
    bool rails = found && (next->m_Opcode == SDL_ROAD || next->m_Opcode == SDL_ALLEY ||
                           next->m_Opcode == SDL_DIVROAD);
    AssertText(rails || ext.m_Count != 3, "0");
    return rails ? next : nullptr;
}
