#include <vector>

#include <gtest/gtest.h>

#include "gfx/hooks.h"
#include "gfx/packet.h"
#include "gfx/vertexformat.h"
#include "tests/engine/gfx/pipefixture.h"
#include "tests/support/child.h"
#include "vector/vector3.h"

namespace {

const uint16_t Format = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;

class Packets : public FakePipeline {
protected:
    void SetUp() override {
        FakePipeline::SetUp();
        gfxUseNativeVBs = true;
    }
    void TearDown() override {
        for (gfxPacket* p : m_Packets) {
            delete p;
        }
        gfxPacket::FreeAllVertexBuffers();
        FakePipeline::TearDown();
    }

    // A packet of count vertices whose x coordinates are their numbers.
    gfxPacket* Make(uint32_t count, uint16_t format = Format) {
        std::vector<float> vertices(count * gfxVertexSize(format) / 4, 0.0f);
        for (uint32_t i = 0; i < count; ++i) {
            vertices[i * gfxVertexSize(format) / 4] = float(i);
        }
        const uint16_t indices[3] = {0, 1, 2};
        gfxPacket* p = new gfxPacket(format, 4, count, vertices.data(), 1, indices, 0, 0, nullptr,
                                     nullptr, 0);
        m_Packets.push_back(p);
        return p;
    }

    std::vector<gfxPacket*> m_Packets;
};

}  // namespace

TEST(VertexSize, FollowsTheFormatBits) {
    struct Case {
        uint32_t m_Format, m_Size;
    } cases[] = {{0x112, 32}, {0x142, 24}, {0x1C4, 32}, {0x312, 40}, {0x102, 20}, {0x004, 16}};
    for (const Case& c : cases) {
        EXPECT_EQ(c.m_Size, gfxVertexSize(c.m_Format)) << std::hex << c.m_Format;
    }
}

TEST_F(Packets, ShareOneBufferPerFormatUntilItIsFull) {
    gfxPacket* a = Make(100);
    gfxPacket* b = Make(100);
    ASSERT_EQ(1u, m_Direct3D.m_Created.size());
    EXPECT_EQ(4096u, m_Direct3D.m_Created[0].dwNumVertices);
    EXPECT_EQ(0, a->m_Offset);
    EXPECT_EQ(100, b->m_Offset);
    EXPECT_EQ(a->m_Buffer, b->m_Buffer);
    // The vertices went to their place in the buffer.
    b->Lock();
    Vector3 p;
    b->GetPosition(p, 7);
    b->Unlock();
    EXPECT_EQ(7.0f, p.x);

    gfxPacket* big = Make(5000);
    ASSERT_EQ(2u, m_Direct3D.m_Created.size());
    EXPECT_EQ(5000u, m_Direct3D.m_Created[1].dwNumVertices) << "exactly its size";
    EXPECT_EQ(0, big->m_Offset);
    // The full buffer is replaced: the next small packet starts another.
    Make(10);
    EXPECT_EQ(3u, m_Direct3D.m_Created.size());
}

TEST_F(Packets, AReservationKeepsAModelInOneBuffer) {
    Make(100);
    gfxPacket::ReserveVertices(Format, 100);
    EXPECT_EQ(1u, m_Direct3D.m_Created.size()) << "a reservation that fits changes nothing";
    // 6000 vertices in packets of 3000 do not fit what is left: one buffer for all of them.
    gfxPacket::ReserveVertices(Format, 6000);
    gfxPacket* first = Make(3000);
    gfxPacket* second = Make(3000);
    ASSERT_EQ(2u, m_Direct3D.m_Created.size());
    EXPECT_EQ(6000u, m_Direct3D.m_Created[1].dwNumVertices);
    EXPECT_EQ(first->m_Buffer, second->m_Buffer);
    EXPECT_EQ(3000, second->m_Offset);
}

TEST_F(Packets, BackingStoresRestoreLostBuffers) {
    gfxUseHwTnL = true;
    gfxPacket* p = Make(10);
    ASSERT_EQ(1u, m_Direct3D.m_Created.size());
    EXPECT_EQ(0u, m_Direct3D.m_Created[0].dwCaps & D3DVBCAPS_SYSTEMMEMORY);
    FakeVertexBuffer* vb = static_cast<FakeVertexBuffer*>(p->m_Buffer);
    p->Lock();
    p->SetPosition(Vector3(5, 6, 7), 3);
    p->Unlock();
    std::vector<uint8_t> written = vb->m_Bytes;
    std::fill(vb->m_Bytes.begin(), vb->m_Bytes.end(), 0xEE);
    gfxRunHooks(gfxHookSurfacesRestored);
    EXPECT_EQ(written, vb->m_Bytes);
    EXPECT_NE(std::string::npos,
              m_Console.Take().find("gfxPacket::RestoreAllVertexBuffers: Restoring 1 vertex buffers."));
}

TEST_F(Packets, ClonesCopyVerticesAndIndices) {
    for (bool native : {true, false}) {
        gfxUseNativeVBs = native;
        gfxPacket* p = Make(50);
        gfxPacket* copy = p->Clone();
        m_Packets.push_back(copy);
        EXPECT_EQ(native, copy->m_Offset >= 0);
        copy->Lock();
        Vector3 v;
        copy->GetPosition(v, 49);
        copy->Unlock();
        EXPECT_EQ(49.0f, v.x);
        uint32_t tri[3];
        copy->GetTriangle(tri, 0);
        EXPECT_EQ(2u, tri[2]);
    }
}

TEST_CHILD(SeventeenFormats) {
    gfxUseNativeVBs = true;
    FakeDirect3D direct3D;
    lpD3D = &direct3D;
    static const float vertex[64] = {};
    for (uint16_t i = 0; i < 17; ++i) {
        // Formats that differ by their coordinate sets.
        uint16_t format = uint16_t(D3DFVF_XYZ | (i << 8 & 0xF00) | (i & 0x10 ? D3DFVF_DIFFUSE : 0));
        new gfxPacket(format, 4, 1, vertex, 0, nullptr, 0, 0, nullptr, nullptr, 0);
    }
    return 0;
}

TEST(PacketAsserts, SeventeenthFormat) {
    ExpectFatalChild("SeventeenFormats", "Assert(vbtableCount < 16) failed in [gfx/packet, line");
}
