#include <cstring>

#include <gtest/gtest.h>

#include "gfx/d3dpipe.h"
#include "tests/engine/gfx/pipefixture.h"
#include "tests/support/child.h"

namespace {

using DrawCalls = FakePipeline;

const uint8_t Vertices[64 * 32] = {};

struct IntRendererLog {
    int m_Draws = 0;
    uint32_t m_Format = 0;
    const void* m_First = nullptr;
    uint32_t m_Count = 0;
};
IntRendererLog sIntLog;

void IntDraw(D3DPRIMITIVETYPE, uint32_t format, const void* vertices, uint32_t count) {
    ++sIntLog.m_Draws;
    sIntLog.m_Format = format;
    sIntLog.m_First = vertices;
    sIntLog.m_Count = count;
}

}  // namespace

TEST_F(DrawCalls, StatisticsByPrimitive) {
    struct Case {
        D3DPRIMITIVETYPE m_Type;
        uint32_t m_Count;
        uint32_t gfxStatistics::*m_Field;
        uint32_t m_Expected;
    };
    const Case cases[] = {
        {D3DPT_TRIANGLELIST, 9, &gfxStatistics::m_Tris, 3},
        {D3DPT_TRIANGLELIST, 65535, &gfxStatistics::m_Tris, 21845},
        {D3DPT_TRIANGLEFAN, 9, &gfxStatistics::m_Tris, 7},
        {D3DPT_TRIANGLESTRIP, 6, &gfxStatistics::m_Tris, 4},
        {D3DPT_LINELIST, 8, &gfxStatistics::m_Lines, 4},
        {D3DPT_LINESTRIP, 8, &gfxStatistics::m_Lines, 7},
        {D3DPT_POINTLIST, 5, &gfxStatistics::m_Points, 5},
    };
    for (const Case& c : cases) {
        gfxStats = gfxStatistics();
        gfxCountPrimitives(c.m_Type, c.m_Count);
        EXPECT_EQ(c.m_Expected, gfxStats.*c.m_Field) << c.m_Type << " " << c.m_Count;
        EXPECT_EQ(c.m_Count, gfxStats.m_Verts);
    }
    gfxStats = gfxStatistics();
    gfxDrawPrimitive(D3DPT_TRIANGLEFAN, D3DFVF_XYZ, Vertices, 9, 0);
    EXPECT_EQ(7u, gfxStats.m_Tris);
    ASSERT_EQ(1, m_Device.CountOf("DrawPrimitive"));
    EXPECT_EQ(9u, m_Device.CallsOf("DrawPrimitive")[0].m_C);
}

TEST_F(DrawCalls, ClearWithoutFlagsDoesNothing) {
    gfxSetStateByte(gfxCurrentState.m_ZWrite, 0);
    uint32_t dirty = gfxStateDirty;
    gfxClear(0, 0xFF0A0A1E, 1.0f, 0);
    EXPECT_TRUE(m_Device.m_Calls.empty());
    EXPECT_EQ(dirty, gfxStateDirty);
}

TEST_F(DrawCalls, TranslucentClearDrawsAQuadInstead) {
    gfxClear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x80000000, 1.0f, 0);
    EXPECT_EQ(0, m_Device.CountOf("Clear"));
    auto draws = m_Device.CallsOf("DrawPrimitive");
    ASSERT_EQ(1u, draws.size());
    EXPECT_EQ((DWORD)D3DPT_TRIANGLESTRIP, draws[0].m_A);
    EXPECT_EQ(0x1C4u, draws[0].m_B);
    EXPECT_EQ(4u, draws[0].m_C);
    ASSERT_EQ(128u, m_Device.m_LastVertices.size());
    float corner[4];
    uint32_t colour;
    memcpy(corner, &m_Device.m_LastVertices[64], sizeof(corner));
    memcpy(&colour, &m_Device.m_LastVertices[64 + 16], sizeof(colour));
    EXPECT_FLOAT_EQ(800, corner[0]);
    EXPECT_FLOAT_EQ(600, corner[1]);
    EXPECT_EQ(0x80000000u, colour);
}

TEST_F(DrawCalls, OpaqueAndDepthComplexityClears) {
    gfxClear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0A0A1E, 1.0f, 0);
    auto clears = m_Device.CallsOf("Clear");
    ASSERT_EQ(1u, clears.size());
    EXPECT_EQ(3u, clears[0].m_B);
    EXPECT_EQ(0xFF0A0A1Eu, clears[0].m_C);

    m_Device.Forget();
    gfxDepthComplexity = 1;
    gfxClear(D3DCLEAR_TARGET, 0x80FFFFFF, 1.0f, 0);
    clears = m_Device.CallsOf("Clear");
    ASSERT_EQ(1u, clears.size());
    EXPECT_EQ(0u, clears[0].m_C);
    EXPECT_EQ(0, m_Device.CountOf("DrawPrimitive"));
}

TEST_F(DrawCalls, NativeBufferCapabilities) {
    gfxUseNativeVBs = true;
    struct Case {
        bool m_HwTnL;
        uint32_t m_Format;
        bool m_WriteOnly;
        DWORD m_Caps;
    };
    const Case cases[] = {
        {false, 0x1C4, false, 0},
        {false, 0x142, false, 0x800},
        {false, 0x142, true, 0x10800},
        {true, 0x142, true, 0x10000},
    };
    for (const Case& c : cases) {
        gfxUseHwTnL = c.m_HwTnL;
        m_Direct3D.m_Created.clear();
        gfxVertexBuffer* vb = gfxCreateVertexBuffer(100, c.m_Format, c.m_WriteOnly);
        ASSERT_NE(nullptr, vb);
        ASSERT_EQ(1u, m_Direct3D.m_Created.size());
        const D3DVERTEXBUFFERDESC& desc = m_Direct3D.m_Created[0];
        EXPECT_EQ(16u, desc.dwSize);
        EXPECT_EQ(c.m_Caps, desc.dwCaps) << std::hex << c.m_Format;
        EXPECT_EQ(c.m_Format, desc.dwFVF);
        EXPECT_EQ(100u, desc.dwNumVertices);
        EXPECT_EQ(0u, vb->m_FVF);
    }
    gfxFreeVertexBuffers();
    EXPECT_EQ(0, FakeVertexBuffer::sm_Live);

    m_Direct3D.m_Result = DDERR_OUTOFMEMORY;
    EXPECT_EQ(nullptr, gfxCreateVertexBuffer(10, 0x142, false));
    EXPECT_NE(std::string::npos, m_Console.Take().find("lpD3D->CreateVertexBuffer(&desc,&vb,0) failed"));
}

TEST_F(DrawCalls, NativeBuffersRestoreFromTheirBackingStore) {
    gfxUseNativeVBs = true;
    gfxUseHwTnL = true;
    gfxVertexBuffer* vb = gfxCreateVertexBuffer(4, D3DFVF_XYZ, false);
    ASSERT_NE(nullptr, vb);
    FakeVertexBuffer* fake = static_cast<FakeVertexBuffer*>(vb->m_VB);
    float* data = (float*)gfxLockVertexBuffer(vb, DDLOCK_WRITEONLY);
    for (int i = 0; i < 12; ++i) {
        data[i] = (float)i;
    }
    gfxUnlockVertexBuffer(vb);
    gfxBackUpVertexBuffer(vb);
    std::vector<uint8_t> saved = fake->m_Bytes;
    std::fill(fake->m_Bytes.begin(), fake->m_Bytes.end(), 0xEE);
    fake->m_LockFlags.clear();
    gfxRestoreVertexBuffers();
    EXPECT_EQ(saved, fake->m_Bytes);
    EXPECT_EQ(std::vector<DWORD>{0x2020}, fake->m_LockFlags);

    gfxDrawVertexBuffer(D3DPT_TRIANGLESTRIP, 1, 3, vb);
    auto draws = m_Device.CallsOf("DrawPrimitiveVB");
    ASSERT_EQ(1u, draws.size());
    EXPECT_EQ(1u, draws[0].m_B);
    EXPECT_EQ(3u, draws[0].m_C);
    gfxDestroyVertexBuffer(vb);
    EXPECT_EQ(0, FakeVertexBuffer::sm_Live);
}

TEST_F(DrawCalls, EmulatedBuffersDrawFromTheirArray) {
    gfxVertexBuffer* vb = gfxCreateVertexBuffer(10, 0x142, true);
    ASSERT_NE(nullptr, vb);
    EXPECT_EQ(nullptr, vb->m_VB);
    EXPECT_EQ(0x142u, vb->m_FVF);
    EXPECT_EQ(24u, vb->m_ElementSize);
    EXPECT_EQ(vb->m_Verts, gfxLockVertexBuffer(vb, 0));

    gfxDrawVertexBuffer(D3DPT_TRIANGLELIST, 2, 6, vb);
    auto draws = m_Device.CallsOf("DrawPrimitive");
    ASSERT_EQ(1u, draws.size());
    EXPECT_EQ(0x142u, draws[0].m_B);
    EXPECT_EQ(6u, draws[0].m_C);
    EXPECT_EQ(2u, gfxStats.m_Tris);

    // The internal renderer takes them instead, from the first vertex of the range.
    gfxUseIntRenderer = true;
    gfxIntRenderer.m_Draw = IntDraw;
    sIntLog = IntRendererLog();
    gfxDrawVertexBuffer(D3DPT_TRIANGLELIST, 2, 6, vb);
    EXPECT_EQ(1, sIntLog.m_Draws);
    EXPECT_EQ(vb->m_Verts + 48, sIntLog.m_First);
    EXPECT_EQ(6u, sIntLog.m_Count);
    EXPECT_EQ(1, m_Device.CountOf("DrawPrimitive"));

    EXPECT_EQ(nullptr, gfxCreateVertexBuffer(70000, 0x142, false));
}

TEST_CHILD(DestroyForeignBuffer) {
    gfxVertexBuffer stranger = {};
    gfxDestroyVertexBuffer(&stranger);
    return 0;
}

TEST(VertexBufferAsserts, DestroyingABufferNotInTheList) {
    ExpectFatalChild("DestroyForeignBuffer", "Assert(*i) failed in [gfx/d3dpipe, line");
}

TEST_F(DrawCalls, PacketWithAColourButNoDiffuseDrawsStrided) {
    const uint16_t indices[6] = {0, 1, 2, 2, 1, 3};
    gfxPacketDraw packet = {D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1, nullptr, -1, Vertices, 4,
                            indices, 6};
    gfxDrawIndexedPacket(packet, 0xFF00FF00);
    auto strided = m_Device.CallsOf("DrawIndexedPrimitiveStrided");
    ASSERT_EQ(1u, strided.size());
    EXPECT_EQ((DWORD)(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1 | D3DFVF_DIFFUSE), strided[0].m_B);
    EXPECT_EQ(0xFF00FF00u, strided[0].m_D);
    EXPECT_EQ(2u, gfxStats.m_Tris);

    gfxDrawIndexedPacket(packet, 0xFFFFFFFF);
    EXPECT_EQ(1, m_Device.CountOf("DrawIndexedPrimitive"));
    packet.m_Slot = 100;
    gfxDrawIndexedPacket(packet, 0xFF00FF00);
    auto fromBuffer = m_Device.CallsOf("DrawIndexedPrimitiveVB");
    ASSERT_EQ(1u, fromBuffer.size());
    EXPECT_EQ(100u, fromBuffer[0].m_B);
}

TEST_F(DrawCalls, ScreenCellsOutsideTheTargetAreDropped) {
    const gfxScreenCell cells[] = {
        {0, 0, 0, 0, 8, 8},       // inside at the corner
        {792, 592, 0, 0, 8, 8},   // touches the far corner
        {793, 0, 0, 0, 8, 8},     // one pixel past the right edge
        {0, 593, 0, 0, 8, 8},     // one past the bottom
        {-1, 0, 0, 0, 8, 8},      // one before the left
    };
    gfxDrawScreenQuads(Vector3(0, 0, 0.5f), cells, 5, 0xFFFFFFFF, 128, 64);
    EXPECT_EQ(2, m_Device.CountOf("DrawPrimitive"));
    // Clipping went off for the call, and the record keeps its own value.
    EXPECT_EQ(1, gfxCurrentState.m_Clipping);
    float vertex[8];
    memcpy(vertex, &m_Device.m_LastVertices[3 * 32], sizeof(vertex));
    EXPECT_FLOAT_EQ(799.5f, vertex[0]);
    EXPECT_FLOAT_EQ(599.5f, vertex[1]);
    EXPECT_FLOAT_EQ(8.0f / 128, vertex[6]);
    EXPECT_FLOAT_EQ(8.0f / 64, vertex[7]);
}
