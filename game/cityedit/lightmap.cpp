// The game-loadable light map: the room colours in a small binary file.
#include "cityedit/lightmap.h"

#include "city/psdl.h"
#include "data/bytes.h"
#include "data/printer.h"
#include "data/stream.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

const char Magic[4] = {'L', 'M', 'P', '0'};
const int HeaderSize = 8;
const uint32_t White = 0xFFFFFFFF;

// The bytes of the file after its header, or false when it is not a light map of the city.
bool ReadColors(Stream* stream, const char* name, uint32_t rooms, std::vector<uint32_t>& out) {
    unsigned char header[HeaderSize];
    int size = StreamSize(stream);
    int got = StreamRead(stream, header, HeaderSize);
    if (got >= 4 && memcmp(header, Magic, 4) != 0) {
        PrintError("File '%s' is old version.", name);
        return false;
    }
    if (got < HeaderSize) {
        PrintError("File '%s' is cut short: %d bytes, a light map needs at least %d.", name, size,
                   HeaderSize);
        return false;
    }
    uint32_t count = DecodeU32(header + 4);
    if (count != rooms) {
        PrintError("File '%s' has %u rooms, current city has %u, cannot load.", name, count,
                   rooms);
        return false;
    }
    // The count is the city's, so the size it asks for is far below 4 GB.
    uint32_t needed = HeaderSize + 4 * count;
    if (uint32_t(size) < needed) {
        PrintError("File '%s' is cut short: %d bytes, a light map of %u rooms needs %u.", name, size,
                   count, needed);
        return false;
    }
    std::vector<unsigned char> bytes(4 * size_t(count));
    if (count && StreamRead(stream, bytes.data(), int(bytes.size())) != int(bytes.size())) {
        PrintError("Could not load '%s'", name);
        return false;
    }
    out.resize(count);
    for (uint32_t i = 0; i < count; ++i) {
        out[i] = DecodeU32(&bytes[4 * size_t(i)]);
    }
    return true;
}

}  // namespace

bool LoadLightMap(const char* name, const lvlPSDL& city, uint32_t* colors) {
    Stream* stream = StreamOpen(name, true);
    if (!stream) {
        PrintError("Could not load '%s'", name);
        return false;
    }
    std::vector<uint32_t> read;
    bool ok = ReadColors(stream, name, city.m_RoomCount, read);
    StreamClose(stream);
    if (ok) {
        std::copy(read.begin(), read.end(), colors);
    }
    return ok;
}

bool SaveLightMap(const char* name, const lvlPSDL& city, const uint32_t* colors) {
    uint32_t count = city.m_RoomCount;
    std::vector<unsigned char> bytes(HeaderSize + 4 * size_t(count));
    memcpy(bytes.data(), Magic, 4);
    EncodeU32(count, &bytes[4]);
    for (uint32_t i = 0; i < count; ++i) {
        EncodeU32(colors[i], &bytes[HeaderSize + 4 * size_t(i)]);
    }
    Stream* stream = StreamCreateReplacing(name);
    bool ok = stream != nullptr;
    if (stream) {
        ok = StreamWrite(stream, bytes.data(), int(bytes.size())) == int(bytes.size());
        ok = StreamClose(stream) == 0 && ok;
    }
    if (!ok) {
        PrintError("Could not save '%s'", name);
    }
    return ok;
}

void ResetLighting(const lvlPSDL& city, uint32_t* colors) {
    for (uint32_t room = 1; room < city.m_RoomCount; ++room) {
        colors[room] = White;
    }
}
