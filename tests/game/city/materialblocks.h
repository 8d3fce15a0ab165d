#ifndef TESTS_GAME_CITY_MATERIALBLOCKS_H
#define TESTS_GAME_CITY_MATERIALBLOCKS_H

#include <string>
#include <vector>

// Full game material blocks with one number set, and the numbers at and beyond the ranges a
// game material takes.

// The numbers of a block in slots: 0 elasticity, 1 friction, 2 drag, 3 width, 4 height,
// 5 depth, 6 and 7 the particle indices, 8 and 9 the particle thresholds.
const int MaterialSlots = 10;

inline bool IsParticleIndexSlot(int slot) {
    return slot == 6 || slot == 7;
}

// A block of the name, starting on a line of its own, with value at slot.
inline std::string MaterialBlockWith(const std::string& name, int slot, const char* value) {
    const char* numbers[MaterialSlots] = {"0.5", "1", "0.1", "1", "2", "3", "1", "2", "0.25", "0.5"};
    numbers[slot] = value;
    return "mtl " + name + " { elasticity: " + numbers[0] + " friction: " + numbers[1] +
           " effect: dust sound: none\n  drag: " + numbers[2] + " width: " + numbers[3] +
           " height: " + numbers[4] + " depth: " + numbers[5] + " ptxindex: " + numbers[6] + " " +
           numbers[7] + " ptxthreshold: " + numbers[8] + " " + numbers[9] + " }\n";
}

struct MaterialEdge {
    const char* m_Value;
    bool m_Taken;
};

// 1e39 reads as an infinity (no text reads as a NaN), 3e38 as a finite float; 65535 and
// 65536 would pass as -1 and 0 through a 16-bit cast.
inline const std::vector<MaterialEdge>& MaterialEdges(int slot) {
    static const std::vector<MaterialEdge> floats = {
        {"100", true},    {"-100", true},   {"0.000001", true}, {"100.01", false},
        {"-100.01", false}, {"1e39", false}, {"-1e39", false},  {"3e38", false}};
    static const std::vector<MaterialEdge> indices = {
        {"-1", true},     {"0", true},      {"32767", true},   {"-2", false},
        {"32768", false}, {"-32769", false}, {"65535", false}, {"65536", false},
        {"2147483648", false}};
    return IsParticleIndexSlot(slot) ? indices : floats;
}

#endif
