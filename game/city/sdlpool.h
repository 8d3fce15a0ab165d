#ifndef CITY_SDLPOOL_H
#define CITY_SDLPOOL_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class lvlSDL;

// Rooms made together, as a description's are: they come from a few large blocks rather than
// one allocation each, and their memory goes with the pool. Its owner destroys the rooms
// (lvlSDL::Deleter) before it clears or destroys the pool.
class lvlSDLPool {
public:
    lvlSDL* Create(uint32_t perimeterCount, uint32_t codeCount);
    void Clear();

private:
    static const size_t BlockSize = 64 * 1024;

    std::vector<std::unique_ptr<unsigned char[]>> m_Blocks;
    // The block that rooms are taken from, and how much of it is taken.
    unsigned char* m_Block = nullptr;
    size_t m_Used = BlockSize;
};

#endif
