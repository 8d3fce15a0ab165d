#include "data/stream.h"
#include "data/streamslot.h"

#include <cstdio>
#include <cstdlib>

namespace {

// The memory device's handle is the stream record that owns the block.
Stream* AsStream(uintptr_t handle) { return (Stream*)handle; }

int MemoryClose(uintptr_t handle) {
    free(AsStream(handle)->m_Buffer);
    return 0;
}

int MemorySize(uintptr_t handle) { return (int)AsStream(handle)->m_BufferSize; }

}  // namespace

// Everything is in the buffer: no Read, and no Seek, which makes the stream layer serve the
// block as read-ahead that never moves.
const StreamDevice MemoryFileDevice = {
    nullptr, nullptr, nullptr, nullptr, nullptr, MemoryClose, nullptr, MemorySize, nullptr,
    nullptr, nullptr,
};

Stream* StreamPreload(Stream* stream) {
    if (!stream) {
        return nullptr;
    }
    int size = StreamSize(stream);
    unsigned char* block = (unsigned char*)malloc(size > 0 ? size : 1);
    bool whole = size >= 0 && StreamRead(stream, block, size) == size;

    char name[Stream::MaxName + 1];
    snprintf(name, sizeof(name), "PreLoaded %s", stream->m_Name);
    StreamClose(stream);
    if (!whole) {
        free(block);
        return nullptr;
    }

    Stream* preloaded = StreamAttach(name, &MemoryFileDevice, 0);
    if (!preloaded) {
        free(block);
        return nullptr;
    }
    preloaded->m_Handle = (uintptr_t)preloaded;
    preloaded->m_Buffer = block;
    preloaded->m_BufferSize = size;
    preloaded->m_Fill = size;
    return preloaded;
}
