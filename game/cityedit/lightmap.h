#ifndef CITYEDIT_LIGHTMAP_H
#define CITYEDIT_LIGHTMAP_H

#include <cstdint>

struct Vector2;
class lvlPSDL;

// The room colours (one packed 0xAARRGGBB per room slot of the city, entry 0 included) and the
// files they come from and go to: the game-loadable light map ".lmap" ("LMP0", u32 count, count
// u32 colours, little-endian) and the light-map definition ".ldef", which names a TIFF image
// and the area (minimum and maximum x and z) it covers. Files are named as they stand. Every
// failure is printed as an error naming the file and leaves the colours as they were.

// Replaces every colour by the file's; a file for another room count, or shorter than its
// count says, is refused whole.
bool LoadLightMap(const char* name, const lvlPSDL& city, uint32_t* colors);
// The colours of every room slot; an old file is replaced only by a whole new one.
bool SaveLightMap(const char* name, const lvlPSDL& city, const uint32_t* colors);
// Reads the definition and colours the rooms from its image.
bool ImportLightMapDefinition(const char* name, const lvlPSDL& city, uint32_t* colors);
// Colours rooms 1 to count - 1 from the 24-bit image: the pixel under each room's centroid,
// the image spread from minimum to maximum (x across, z up from its bottom row), centroids
// outside it taking the nearest edge pixel. A degenerate or non-finite area is refused.
bool ColorRoomsFromImage(const char* name, const lvlPSDL& city, const Vector2& minimum,
                         const Vector2& maximum, uint32_t* colors);
// Rooms 1 to count - 1 white; entry 0 stays.
void ResetLighting(const lvlPSDL& city, uint32_t* colors);

#endif
