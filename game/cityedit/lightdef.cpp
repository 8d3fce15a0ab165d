// Room colours from an image laid over the city, as a light-map definition places it.
#include "cityedit/lightmap.h"

#include "city/psdl.h"
#include "city/sdl.h"
#include "cityedit/tiffimage.h"
#include "data/printer.h"
#include "data/stream.h"
#include "data/token.h"
#include "gfx/image.h"
#include "gfx/imageread.h"
#include "vector/vector2.h"

#include <cmath>

namespace {

const int ImageNameSize = 128;

// The pixel index of a position along one side: truncated toward zero, then clamped to the
// side. In double and clamped before the conversion, so that a far-off position or a NaN
// centroid never overflows the integer.
int PixelIndex(float position, float minimum, float maximum, int size) {
    double index = (double(position) - minimum) / (double(maximum) - minimum) * size;
    if (!(index >= 0.0)) {
        return 0;
    }
    return index >= size ? size - 1 : int(index);
}

bool SoundArea(const Vector2& minimum, const Vector2& maximum) {
    for (float value : {minimum.x, minimum.y, maximum.x, maximum.y}) {
        if (!std::isfinite(value)) {
            return false;
        }
    }
    return minimum.x != maximum.x && minimum.y != maximum.y;
}

}  // namespace

bool ColorRoomsFromImage(const char* name, const lvlPSDL& city, const Vector2& minimum,
                         const Vector2& maximum, uint32_t* colors) {
    if (!SoundArea(minimum, maximum)) {
        PrintError("The image '%s' is laid over no area: minimum %g, %g, maximum %g, %g.", name,
                   double(minimum.x), double(minimum.y), double(maximum.x), double(maximum.y));
        return false;
    }
    gfxImageRef image(LoadTiffImage(name));
    if (!image) {
        return false;
    }
    if (image->m_Format != gfxImage::rif888) {
        PrintError("Image must be in 24bit format");
        return false;
    }
    for (uint32_t room = 1; room < city.m_RoomCount; ++room) {
        const lvlSDL* sdl = city.GetRoom(int(room));
        if (!sdl) {
            continue;
        }
        Vector3 c;
        sdl->GetRoomCentroid(c);
        int column = PixelIndex(c.x, minimum.x, maximum.x, image->m_XRes);
        int row = PixelIndex(c.z, minimum.y, maximum.y, image->m_YRes);
        const unsigned char* pixel = image->Row(row) + 3 * column;
        colors[room] = 0xFF000000u | uint32_t(pixel[0]) << 16 | uint32_t(pixel[1]) << 8 | pixel[2];
    }
    return true;
}

bool ImportLightMapDefinition(const char* name, const lvlPSDL& city, uint32_t* colors) {
    Stream* stream = StreamOpen(name, true);
    if (!stream) {
        PrintError("Could not import '%s'", name);
        return false;
    }
    char image[ImageNameSize] = "";
    Vector2 minimum;
    Vector2 maximum;
    {
        TokenReader tokens(name, stream);
        tokens.GetToken(image, sizeof(image));
        tokens.GetVector2(minimum);
        tokens.GetVector2(maximum);
    }
    StreamClose(stream);
    return ColorRoomsFromImage(image, city, minimum, maximum, colors);
}
