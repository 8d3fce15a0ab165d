#include "city/ai.h"
#include "data/assert.h"
#include "vector/matrix34.h"
#include "vector/random.h"

namespace {

float RandomBetween(float low, float high) {
    return low + (high - low) * RandomFloat();
}

}  // namespace

// Each side's sidewalk has two edge paths; a placement lies between them, facing across the
// sidewalk, with y up.
void lvlAiMap::Scatter(lvlPSDL*, int, uint32_t opcode, uint32_t, const SDLCODE_T*, void* user) {
    if (opcode != SDL_ROAD && opcode != SDL_DIVROAD) {
        return;
    }
    lvlAiScatter* scatter = static_cast<lvlAiScatter*>(user);
    // A spacing that does not advance would never reach the end of a path.
    Assert(scatter->m_MinSpacing > 0.0f && scatter->m_MaxSpacing >= scatter->m_MinSpacing);
    for (int side = 0; side < 2; ++side) {
        float distance = scatter->m_Start;
        Vector3 inner;
        Vector3 outer;
        int room = 0;
        int outerRoom = 0;
        while (GetSidewalkPointAt(inner, room, distance, side, false) &&
               GetSidewalkPointAt(outer, outerRoom, distance, side, true)) {
            Vector3 across = outer - inner;
            Vector3 position = inner + across * RandomBetween(scatter->m_MinLateral, scatter->m_MaxLateral);
            position.y += 0.15f;
            across.y = 0.0f;
            if (!across.IsZero()) {
                across.Normalize();
                Matrix34 placement;
                placement.a = across;
                placement.b = Vector3::sm_YAxis;
                placement.c.Cross(across, Vector3::sm_YAxis);
                placement.d = position;
                scatter->m_Place(room, scatter, placement);
            }
            distance += RandomBetween(scatter->m_MinSpacing, scatter->m_MaxSpacing);
        }
    }
}
