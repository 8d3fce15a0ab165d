#ifndef CITY_SDLCODE_H
#define CITY_SDLCODE_H

#include <cstdint>

// The room code stream: per room an array of 16-bit words. A command word holds a count in
// bits 0-2 (0: the count stands in the next word), the opcode in bits 3-6 and the last-of-room
// mark in bit 7.
typedef uint16_t SDLCODE_T;

enum {
    SDL_ROAD = 0,
    SDL_SIDEWALK = 8,
    SDL_ALLEY = 16,
    SDL_SKIRT = 24,
    SDL_CROSSWALK = 32,
    SDL_FLATFAN = 40,
    SDL_FAN = 48,
    SDL_WALL = 56,
    SDL_DIVROAD = 64,
    SDL_EXT = 72,
    SDL_TEXTURE = 80,
    SDL_FACADE = 88,
    SDL_RAISEDFAN = 96,
};

const uint32_t SDL_COUNT_MASK = 0x07;
const uint32_t SDL_OPCODE_MASK = 0x78;
const uint32_t SDL_LAST = 0x80;
const uint32_t SDL_MAX_OPCODE = 12;
const uint32_t SDL_MAX_TEXTURE = 2047;

// Appends the words of commands to a room's array. Without an array it only counts, so that
// the counting pass and the writing pass of a compiler run the same code and agree word for
// word. Every word is checked against the array before it is written.
class sdlCodeWriter {
public:
    explicit sdlCodeWriter(SDLCODE_T* words = nullptr, uint32_t capacity = 0);

    // Asserts that a value fits a word; what every 16-bit index of the stream must pass.
    static void CheckWord(uint32_t value);
    // Every index of a room goes through here: the checks are one comparison each on the way,
    // and a word that would fail one is left to the asserts.
    void Word(uint32_t value) {
        if (value >= 1u << (8 * sizeof(SDLCODE_T)) || (m_Words && m_Count >= m_Capacity)) {
            WordChecked(value);
            return;
        }
        if (m_Words) {
            m_Words[m_Count] = SDLCODE_T(value);
        }
        ++m_Count;
    }
    // A value x 256, truncated.
    void Fixed(float value);
    // The command word, and the extended count word when the count does not fit bits 0-2.
    void Command(uint32_t opcode, uint32_t count);
    void Texture(uint32_t index);
    // Sets bit 7 on the last drawing command written (every command but texture and ext).
    void MarkLast();

    uint32_t GetCount() const { return m_Count; }

private:
    void WordChecked(uint32_t value);

    SDLCODE_T* m_Words;
    uint32_t m_Capacity;
    uint32_t m_Count;
    uint32_t m_LastDrawing;
    bool m_HasDrawing;
};

// One decoded command.
struct sdlCommand {
    uint32_t m_Opcode;              // the command word AND 0x78
    uint32_t m_Count;               // from bits 0-2 or the extended count word
    uint32_t m_OperandCount;        // divided roads: 6n, after the two header words
    const SDLCODE_T* m_Operands;
    uint32_t m_Texture;             // texture commands: the texture index
    bool m_Last;
};

enum sdlDecodeResult {
    sdlDecodeOk,
    sdlDecodeEnd,         // no further command within the array
    sdlDecodeBadOpcode,   // m_Opcode holds the invalid opcode value
};

// Decodes the command at *position and steps past it. A command whose words would run past
// count ends the stream: readers are bounded by the array as well as by the last-of-room mark.
sdlDecodeResult sdlDecodeCommand(const SDLCODE_T* words, uint32_t count, uint32_t* position,
                                 sdlCommand* command);

// The next command of a room's interpreters: false at the end of the words; opcodes 13 to 15
// end the program ("Invalid cmd").
bool sdlNextCommand(const SDLCODE_T* words, uint32_t count, uint32_t* position,
                    sdlCommand* command);
// The command that rails (an ext of count 3) decorate: the road, divided road or alley after
// position, looking past one texture command. Rails before anything else fail an assertion.
const sdlCommand* sdlRailTarget(const SDLCODE_T* words, uint32_t count, uint32_t position,
                                const sdlCommand& ext, sdlCommand* next);

#endif
