// The selected rooms as a VRML 2.0 file: each room a Transform, each of its commands a Shape
// of the command's points and the triangles its kind makes of them.
#include "cityedit/selection.h"

#include "city/psdl.h"
#include "data/asset.h"
#include "data/printer.h"
#include "data/stream.h"

namespace {

void WriteTriangle(Stream* stream, uint32_t a, uint32_t b, uint32_t c) {
    StreamPrintf(stream, "\t\t\t\t%d, %d, %d, -1,\r\n", int(a), int(b), int(c));
}

// Rows of `step` points: two triangles for each quad of the first `columns` columns, the
// columns one after the other.
void WriteGrid(Stream* stream, uint32_t n, uint32_t columns, uint32_t step) {
    for (uint32_t c = 0; c < columns; ++c) {
        for (uint32_t at = c; at + step < n; at += step) {
            WriteTriangle(stream, at, at + 1, at + step + 1);
            WriteTriangle(stream, at, at + step + 1, at + step);
        }
    }
}

void WriteStrip(Stream* stream, uint32_t n) {
    for (uint32_t k = 0; k + 3 < n; k += 2) {
        WriteTriangle(stream, k, k + 1, k + 2);
        WriteTriangle(stream, k, k + 3, k + 2);
    }
    if (n % 2 == 1 && n >= 3) {
        WriteTriangle(stream, n - 3, n - 2, n - 1);
    }
}

void WriteTriangles(Stream* stream, uint32_t opcode, uint32_t n) {
    switch (opcode) {
    case SDL_ROAD:
        WriteGrid(stream, n, 3, 4);
        break;
    case SDL_SIDEWALK:
    case SDL_ALLEY:
        WriteStrip(stream, n);
        break;
    case SDL_FAN:
        for (uint32_t i = 2; i < n; ++i) {
            WriteTriangle(stream, 0, i - 1, i);
        }
        break;
    case SDL_DIVROAD:
        WriteGrid(stream, n, 5, 6);
        break;
    default:
        break;
    }
}

void WriteCommand(lvlPSDL*, int, uint32_t opcode, uint32_t operandCount,
                  const SDLCODE_T* operands, void* user) {
    WriteVrmlCommand(static_cast<Stream*>(user), opcode, operandCount, operands);
}

}  // namespace

void WriteVrmlCommand(Stream* stream, uint32_t opcode, uint32_t operandCount,
                      const SDLCODE_T* operands) {
    StreamPrintf(stream, "\t\tShape { geometry IndexedFaceSet {\r\n");
    StreamPrintf(stream, "\t\t\tccw TRUE\r\n");
    StreamPrintf(stream, "\t\t\tsolid TRUE\r\n");
    StreamPrintf(stream, "\t\t\tcoord Coordinate { point [\r\n");
    for (uint32_t i = 0; i < operandCount; ++i) {
        // The commands that carry no points (rails, facades) still list their operands; one
        // that is no vertex stands at the origin rather than past the table.
        Vector3 point = operands[i] < lvlPSDL::sm_VertexCount
                            ? lvlPSDL::sm_Vertices[operands[i]]
                            : Vector3::sm_Zero;
        StreamPrintf(stream, "\t\t\t\t%f %f %f%s\r\n", point.x, point.y, point.z,
                     i + 1 < operandCount ? "," : "");
    }
    StreamPrintf(stream, "\t\t\t\t]}\r\n\t\t\tcoordIndex [\r\n");
    WriteTriangles(stream, opcode, operandCount);
    StreamPrintf(stream, "\t\t\t]\r\n\t\t}}\r\n");
}

void WriteVrmlRoom(Stream* stream, lvlPSDL* city, int room) {
    StreamPrintf(stream, "DEF Room%02d Transform {\r\n\ttranslation 0 0 0\r\n\tchildren [\r\n",
                 room);
    city->ForEachCommand(room, WriteCommand, stream);
    StreamPrintf(stream, "\t]\r\n}\r\n");
}

bool SaveSelectionVrml(const char* name, lvlPSDL* city, const uint8_t* selection) {
    Stream* stream = datAssetManager::CreateReplacing("city", name, "wrl", true);
    if (!stream) {
        return false;
    }
    StreamPrintf(stream, "#VRML V2.0 utf8\r\n");
    for (uint32_t room = 1; room < city->m_RoomCount; ++room) {
        if (selection[room] & 1) {
            WriteVrmlRoom(stream, city, int(room));
        }
    }
    if (StreamClose(stream) < 0) {
        PrintError("VRML: '%s' was not written whole; the old file stays.", name);
        return false;
    }
    return true;
}
