#ifndef CITY_SDLWALK_H
#define CITY_SDLWALK_H

#include <cstdint>

class lvlSDL;

// One vertex of a primitive the room walk makes: position and texture coordinates.
struct lvlRoomVertex {
    float x, y, z;
    float u, v;
};

// What the drawing walk hands on: the texture slot and colour of the pieces that follow, and
// whole primitives (kinds 4 list, 5 strip, 6 fan) of at least three vertices. The draw sends
// them to the batches, the export writes them as records.
class lvlRoomSink {
public:
    virtual ~lvlRoomSink() = default;
    // An index into the city's texture table; past its end it stands for no texture.
    virtual void Texture(uint32_t index) = 0;
    virtual void Color(uint32_t colour) = 0;
    virtual void Primitive(uint32_t kind, const lvlRoomVertex* vertices, uint32_t count) = 0;
};

// Walks the room's words at the level of detail (0 to 3), with the eye at lvlSDL::sm_ViewPoint
// deciding which walls and surfaces are seen, and hands each visible piece to the sink.
void lvlWalkRoom(const lvlSDL& room, int lod, uint32_t tint, lvlRoomSink& sink);

#endif
