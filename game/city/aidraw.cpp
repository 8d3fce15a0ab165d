// The AI map's drawing: the line across each road end, an arrow on it, and the lane rails.

#include "city/ai.h"
#include "city/psdl.h"
#include "data/assert.h"
#include "vector/random.h"

lvlAiDrawer* AiDrawer;

namespace {

const uint32_t White = 0xFFFFFFFF;
const float Lift = 0.15f;
const uint32_t ShiftEnd0 = 0x800000;
const uint32_t ShiftEnd1 = 0x1000000;

Vector3 Unit(Vector3 v) {
    v.Normalize();
    return v;
}

uint32_t EndColour(int code) {
    return code == 1 ? 0xFFFF0000 : code == 0 ? 0xFF00FF00 : 0xFF0000FF;
}

// Drawn a little above the road, so that the road does not hide it.
void Put(const Vector3& p, uint32_t colour) {
    AiDrawer->Vertex(Vector3(p.x, p.y + Lift, p.z), colour);
}

// A random red and blue on every vertex, so that neighbouring rails can be told apart.
uint32_t RailColour() {
    uint32_t red = uint32_t(RandomNext()) & 0xFF;
    uint32_t blue = uint32_t(RandomNext()) & 0xFF;
    return 0xFF000000 | red << 16 | blue;
}

}  // namespace

void lvlAiMap::GetEndLine(int end, int mode, Vector3& a, Vector3& b) {
    Assert(sm_Road && (end == 0 || end == 1));
    const uint16_t* group = sm_Road->m_RoadData + 4 * (mode ? end : 1 - end);
    const Vector3& p1 = PathVertex(group[0]);
    const Vector3& p2 = PathVertex(group[1]);
    const Vector3& p3 = PathVertex(group[2]);
    const Vector3& p4 = PathVertex(group[3]);
    if (GetEndCode(end) != 1) {
        Vector3 u = Unit(p2 - p1);
        a = p1 - u * 0.5f;
        b = p1 + u * 0.5f;
        return;
    }
    if (mode) {
        a = p3 + Unit(p3 - p4);
        if (sm_Road->m_Flags & (end ? ShiftEnd1 : ShiftEnd0)) {
            a += Unit(p1 - p3) * 2.0f;
        }
    } else {
        a = p4 + Unit(p4 - p3);
    }
    b = a + Unit(p1 - p2);
}

void lvlAiMap::Draw(lvlPSDL* city) {
    if (!AiDrawer) {
        return;
    }
    for (uint32_t road = 0; road < GetRoadCount(); ++road) {
        SetRoad(city, road, true);
        // SetRoad has reported a road without a path.
        int count = sm_PathVertexCount;
        if (!count) {
            continue;
        }
        // From the last lane point of each side to the line across the end it runs into, and
        // an arrow on that line.
        for (int side = 0; side < 2; ++side) {
            if (GetLaneCount(side) <= 0) {
                continue;
            }
            int end = 1 - side;
            Vector3 a, b;
            GetEndLine(end, 1, a, b);
            uint32_t colour = EndColour(GetEndCode(end));
            AiDrawer->Begin(lvlAiDrawer::LineStrip);
            Put(GetLaneVertex(count - 1, 0, side == 1), White);
            Put(a, colour);
            Put(b, colour);
            AiDrawer->End();
            Vector3 w = Unit(a - b);
            AiDrawer->Begin(lvlAiDrawer::TriangleList);
            Put(a, colour);
            Put(b + Unit(b - a) * 5.0f, colour);
            Put(a + Vector3(-w.z, 0.0f, w.x) * 2.5f, colour);
            AiDrawer->End();
        }
        for (int side = 0; side < 2; ++side) {
            for (int lane = 0; lane < GetRailCount(side); ++lane) {
                AiDrawer->Begin(lvlAiDrawer::LineStrip);
                for (int i = 0; i < count; ++i) {
                    Put(GetLaneVertex(i, lane, side == 1), RailColour());
                }
                AiDrawer->End();
            }
        }
    }
}
