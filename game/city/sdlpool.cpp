#include "city/sdlpool.h"

#include "city/sdl.h"

lvlSDL* lvlSDLPool::Create(uint32_t perimeterCount, uint32_t codeCount) {
    size_t bytes = lvlSDL::AllocationBytes(perimeterCount, codeCount);
    bytes = (bytes + alignof(lvlSDL) - 1) / alignof(lvlSDL) * alignof(lvlSDL);
    unsigned char* memory;
    if (bytes > BlockSize) {
        // A room larger than a block has one of its own, and the current block goes on.
        m_Blocks.emplace_back(new unsigned char[bytes]);
        memory = m_Blocks.back().get();
    } else {
        if (m_Used + bytes > BlockSize) {
            m_Blocks.emplace_back(new unsigned char[BlockSize]);
            m_Block = m_Blocks.back().get();
            m_Used = 0;
        }
        memory = m_Block + m_Used;
        m_Used += bytes;
    }
    lvlSDL* room = lvlSDL::Construct(memory, perimeterCount, codeCount);
    room->m_Pooled = true;
    return room;
}

void lvlSDLPool::Clear() {
    m_Blocks.clear();
    m_Block = nullptr;
    m_Used = BlockSize;
}
