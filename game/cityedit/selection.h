#ifndef CITYEDIT_SELECTION_H
#define CITYEDIT_SELECTION_H

#include <cstddef>
#include <cstdint>

#include "city/sdlcode.h"
#include "vector/vector4.h"

class lvlPSDL;
struct Stream;

// The "Pick" mode's selection and its export, beside SelectionMenu (modes.h).

// Sets the selection byte of every room 1 to count-1 (outline within MAX_EDIT_PERIMETER of
// blockdata.h) that the volume holds to value: with anyVertex a room with one outline vertex
// behind all six planes, else a room with all of them.
void SelectRoomsInVolume(lvlPSDL* city, const Vector4 planes[6], uint8_t* selection,
                         uint8_t value, bool anyVertex);

// A file dialog's buffer, when empty, names the city folder under the asset root, as far as
// it fits whole; a root too long for it leaves the buffer empty.
void SeedCityDialog(char* buffer, size_t size);

// The VRML 2.0 file: one Transform per selected room (1 to count-1), one Shape per command.
// WriteVrmlCommand takes a command's operands as indices into the city's vertex table.
void WriteVrmlCommand(Stream* stream, uint32_t opcode, uint32_t operandCount,
                      const SDLCODE_T* operands);
void WriteVrmlRoom(Stream* stream, lvlPSDL* city, int room);
// Writes the asset name in "city" with the extension "wrl" through a replacing stream; false
// when it does not open or is not written whole.
bool SaveSelectionVrml(const char* name, lvlPSDL* city, const uint8_t* selection);

#endif
