#include "city/psdl.h"
#include "gfx/texture.h"
#include "rgl/tgl.h"

#include "tests/engine/rgl/rglfixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

class RoomDraw : public RglPipeline {
protected:
    void SetUp() override {
        RglPipeline::SetUp();
        gfxInstallTextureAccess();
        tglInit(FVF_VCT1, 64, 120, 0);
        m_Road.m_Surface = reinterpret_cast<IDirectDrawSurface7*>(uintptr_t(0x1001));
        m_Road.m_Flags = 0;
    }
    void TearDown() override {
        tglShutdown();
        RglPipeline::TearDown();
    }
    // The colour of every triangle corner of each draw.
    std::vector<std::vector<uint32_t>> DrawnColours() const {
        std::vector<std::vector<uint32_t>> draws;
        for (const std::vector<uint8_t>& draw : m_Capture.m_DrawnVertices) {
            std::vector<uint32_t> colours;
            for (size_t at = 0; at + 24 <= draw.size(); at += 24) {
                uint32_t colour;
                memcpy(&colour, &draw[at + 12], 4);
                colours.push_back(colour);
            }
            draws.push_back(colours);
        }
        return draws;
    }

    gfxTexture m_Road;
};

}  // namespace

// The road takes the last entry of the texture table, so its sidewalk and low-detail slots
// lie past the end and draw untextured. The sidewalk takes the batch colour current at the
// call; the kerb faces are half the tint, and everything after them is in the tint.
TEST_F(RoomDraw, RoadColoursAndSlotsPastTheTable) {
    const Vector3 points[8] = {{0, 0, 0},  {2, 0, 0},  {8, 0, 0},  {10, 0, 0},
                               {0, 0, 10}, {2, 0, 10}, {8, 0, 10}, {10, 0, 10}};
    lvlPSDL city;
    lvlPSDL::AllocateVertices(8);
    std::copy(points, points + 8, lvlPSDL::sm_Vertices.begin());
    lvlPSDL::AllocateTextures(2);
    lvlPSDL::sm_Textures[1].m_Texture = &m_Road;
    city.AllocateRooms(2);
    const SDLCODE_T words[] = {SDL_TEXTURE, 1, SDL_ROAD | SDL_LAST | 2, 0, 1, 2, 3, 4, 5, 6, 7};
    city.m_Rooms[1].reset(lvlSDL::Create(0, 0));
    city.m_Rooms[1]->SetCodes(words, 11);
    lvlSDL::sm_ViewPoint = Vector3(5, 10, 5);

    tglBegin();
    tglColor(0xFF00FF00);
    city.m_Rooms[1]->DrawRoom(3, 0xFFC08040);
    tglEnd();

    const uint32_t half = 0xFF604020;
    const uint32_t tint = 0xFFC08040;
    // Untextured first (left sidewalk, its kerb, right sidewalk, its kerb), then the two
    // carriageway strips: two triangles each.
    typedef std::vector<uint32_t> Colours;
    Colours untextured;
    for (uint32_t colour : {0xFF00FF00u, half, tint, half}) {
        untextured.insert(untextured.end(), 6, colour);
    }
    std::vector<Colours> expected = {untextured, Colours(12, tint)};
    EXPECT_EQ(DrawnColours(), expected);
    ASSERT_EQ(m_Capture.m_Bound.size(), 1u) << "only the carriageway is textured";
    EXPECT_EQ(m_Capture.m_Bound[0], 0x1001u);
}
