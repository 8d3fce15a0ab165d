#ifndef CITYEDIT_SOLID_H
#define CITYEDIT_SOLID_H

#include <cstdint>

class lvlPSDL;

// The solid flag of a room: bit 7 of its type byte, mirrored in the solid byte of its block.
const uint8_t SolidRoom = 0x80;

// Flips the room's flag, and copies it into its block when it carries one.
void ToggleSolid(lvlPSDL* city, int room);
// Every room's flag set exactly when it carries a block whose recomputed solid value is not 0;
// the other type bits stay.
void AutodetectSolid(lvlPSDL* city);

#endif
