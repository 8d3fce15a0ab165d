// Static geometry: packets read from a package item and drawn with their shaders.
#include "model/static.h"

#include "data/assert.h"
#include "data/printer.h"
#include "data/stream.h"
#include "gfx/packet.h"
#include "gfx/rstate.h"
#include "gfx/texture.h"
#include "gfx/vertexformat.h"
#include "vector/matrix44.h"
#include "model/itemread.h"
#include "model/package.h"
#include "model/shader.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// The stored primitive type is one less than the device's triangle list.
const uint32_t drawTri = 3;

// From a direction in the world to environment coordinates: x and y halved and shifted into
// 0 to 1, y reversed so that up is the top of the texture.
const Matrix44 EnvMapPlacement(Vector4(0.5f, 0, 0, 0), Vector4(0, -0.5f, 0, 0),
                               Vector4(0, 0, 1, 0), Vector4(0.5f, 0.5f, 0, 1));

bool SeeThrough(const modShader& shader) {
    return (shader.m_Material && shader.m_Material->diffuse.a != 1.0f) ||
           (shader.m_Texture && shader.IsResolved() &&
            (shader.m_Texture->m_Flags & gfxTexture::Translucent));
}

// Reads one packet record into a new packet; null when the record is cut short.
gfxPacket* LoadPacket(modItemReader& reader, uint16_t format,
                      modVertexCallback callback, void* context, bool keep, uint8_t& shader) {
    uint32_t count = reader.U32();
    Assert(count == 1);
    shader = uint8_t(reader.U32());
    uint32_t primType = reader.U32();
    Assert(primType == drawTri);
    uint32_t vertexCount = reader.U32();
    uint32_t size = gfxVertexSize(format);
    if (!reader.Fits(vertexCount, size)) {
        return nullptr;
    }
    std::vector<uint8_t> vertices(size_t(vertexCount) * size);
    bool oneByOne = callback || (format & D3DFVF_DIFFUSE);
    uint32_t diffuse = gfxVertexOffset(format, D3DFVF_DIFFUSE);
    if (!oneByOne) {
        reader.Bytes(vertices.data(), uint32_t(vertices.size()));
    }
    for (uint32_t i = 0; i < vertexCount && oneByOne; ++i) {
        uint8_t* vertex = &vertices[size_t(i) * size];
        reader.Bytes(vertex, size);
        if (format & D3DFVF_DIFFUSE) {
            // Stored 0xAABBGGRR, drawn 0xAARRGGBB.
            std::swap(vertex[diffuse], vertex[diffuse + 2]);
        }
        if (callback) {
            callback(vertex, format, context);
        }
    }
    uint32_t idxCount = reader.U32();
    if (reader.Failed()) {
        return nullptr;
    }
    Assert(idxCount < 65536);
    if (!reader.Fits(idxCount, 2)) {
        return nullptr;
    }
    std::vector<uint16_t> indices(idxCount ? idxCount : 1);
    std::vector<uint8_t> bytes(size_t(idxCount) * 2);
    reader.Bytes(bytes.data(), uint32_t(bytes.size()));
    // The record is read whole before it is judged, so that the item's end is where the
    // package expects it. An index past the vertices would read outside the packet.
    bool inRange = vertexCount > 0 && vertexCount <= 0xFFFF;
    for (uint32_t i = 0; i < idxCount; ++i) {
        indices[i] = uint16_t(bytes[2 * i] | bytes[2 * i + 1] << 8);
        inRange = inRange && indices[i] < vertexCount;
    }
    if (reader.Failed() || !inRange) {
        return nullptr;
    }
    return new gfxPacket(format, D3DPT_TRIANGLELIST, vertexCount, vertices.data(), idxCount / 3,
                         indices.data(), 0, 0, nullptr, nullptr, keep);
}

}  // namespace

modStatic::~modStatic() {
    for (int i = 0; i < m_PacketCount && m_Packets; ++i) {
        delete m_Packets[i];
    }
    delete[] m_Packets;
    delete[] m_ShaderIndices;
}

modStatic* modStatic::Load(const char* itemName, modVertexCallback callback, void* context,
                           bool keep) {
    modPackage* package = modPackage::m_First;
    Assert(package);
    Stream* stream = package->OpenFile(itemName);
    if (!stream) {
        return nullptr;
    }
    modItemReader reader(stream);
    std::unique_ptr<modStatic> model(new modStatic);
    uint32_t word = reader.U32();
    bool ok = true;
    if (word & 0x80) {
        model->m_PacketCount = uint8_t(word & 0x7F);
        model->m_Format = uint16_t(reader.U32());
        model->m_ShaderIndices = new uint8_t[model->m_PacketCount + 1]();
        reader.Bytes(model->m_ShaderIndices, model->m_PacketCount);
        ok = !reader.Failed();
    } else {
        uint8_t count = uint8_t(word & 0xFF);
        uint32_t total = reader.U32();
        reader.U32();
        reader.U32();
        model->m_Format = uint16_t(reader.U32());
        model->m_Flags = keep ? Kept : 0;
        model->m_ShaderIndices = new uint8_t[count + 1]();
        model->m_Packets = new gfxPacket*[count + 1]();
        ok = !reader.Failed() && reader.Fits(total, gfxVertexSize(model->m_Format));
        if (ok) {
            gfxPacket::ReserveVertices(model->m_Format, total);
        }
        // A refused packet does not stop the reading: the item is consumed whole.
        for (uint8_t i = 0; i < count && !reader.Failed(); ++i) {
            model->m_Packets[i] = LoadPacket(reader, model->m_Format, callback, context,
                                             keep, model->m_ShaderIndices[i]);
            ok = ok && model->m_Packets[i] != nullptr;
            model->m_PacketCount = uint8_t(i + 1);
        }
        ok = ok && !reader.Failed();
    }
    Assert(modPackage::m_First);
    modPackage::m_First->CloseFile();
    if (!ok) {
        PrintError("modStatic::Load: damaged geometry '%s'", itemName);
        return nullptr;
    }
    return model.release();
}

namespace {

void KeepLargest(void* vertex, uint32_t, void* context) {
    float p[3];
    memcpy(p, vertex, sizeof(p));
    float& largest = *static_cast<float*>(context);
    largest = std::max(largest, p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
}

}  // namespace

modStatic* modStatic::LoadMeasured(const char* itemName, float& radius) {
    float largest = 0.0f;
    modStatic* model = Load(itemName, KeepLargest, &largest, false);
    radius = std::sqrt(largest);
    return model;
}

float modStatic::Radius(const char* itemName) {
    float radius = 0.0f;
    delete LoadMeasured(itemName, radius);
    return radius;
}

void modStatic::DrawPackets(const modShader* shaders, bool blend) const {
    gfxApplyPending();
    bool blending = gfxCurrentState.m_AlphaEnable != 0;
    bool switchedOn = false;
    for (int i = 0; i < m_PacketCount; ++i) {
        if (shaders) {
            const modShader& shader = shaders[m_ShaderIndices[i]];
            if (gfxCurrentState.m_Lighting && shader.m_Material &&
                gfxCurrentState.m_Material != shader.m_Material) {
                gfxCurrentState.m_Material = shader.m_Material;
                gfxStateDirty |= gfxDirtyMaterial;
            }
            const gfxTexture* texture =
                gfxEnableTextures && shader.IsResolved() ? shader.m_Texture : nullptr;
            if (gfxCurrentState.m_Texture[0] != texture) {
                gfxCurrentState.m_Texture[0] = texture;
                gfxStateDirty |= gfxDirtyTextures;
            }
            gfxApplyPending();
            if (blend && (m_Flags & Translucent) && !blending && SeeThrough(shader)) {
                gfxCurrentState.m_AlphaEnable = 1;
                gfxStateDirty |= gfxDirtyStates;
                gfxApplyPending();
                blending = switchedOn = true;
            }
        }
        for (const gfxPacket* packet = m_Packets ? m_Packets[i] : nullptr; packet;
             packet = packet->m_Next) {
            packet->Draw();
        }
    }
    if (switchedOn) {
        gfxCurrentState.m_AlphaEnable = 0;
        gfxStateDirty |= gfxDirtyStates;
        gfxApplyPending();
    }
}

void modStatic::Draw(const modShader* shaders) const {
    DrawPackets(shaders, true);
}

void modStatic::DrawNoAlpha(const modShader* shaders) const {
    DrawPackets(shaders, false);
}

void modStatic::DrawFaded(const modShader* shaders, uint8_t alpha) const {
    uint32_t saved = gfxCurrentState.m_TextureFactor;
    gfxCurrentState.m_TextureFactor = uint32_t(alpha) << 24 | 0xFFFFFF;
    gfxStateDirty |= gfxDirtyStates;
    DrawPackets(shaders, true);
    gfxCurrentState.m_TextureFactor = saved;
    gfxStateDirty |= gfxDirtyStates;
}

void modStatic::DrawNoState() const {
    for (int i = 0; i < m_PacketCount && m_Packets; ++i) {
        for (const gfxPacket* packet = m_Packets[i]; packet; packet = packet->m_Next) {
            packet->Draw();
        }
    }
}

void modStatic::CheckAlpha(const modShader* shaders) {
    m_Flags &= ~Translucent;
    for (int i = 0; i < m_PacketCount; ++i) {
        if (SeeThrough(shaders[m_ShaderIndices[i]])) {
            m_Flags |= Translucent;
        }
    }
}

void modStatic::BeginEnvMap(const gfxTexture* environment) {
    if (gfxCurrentState.m_Texture[0] != environment) {
        gfxCurrentState.m_Texture[0] = environment;
        gfxStateDirty |= gfxDirtyTextures;
    }
    gfxApplyPending();
    // The device reflects the view in camera space, whose z the view flips; the camera's
    // rotation takes the reflection back into the world, so the environment stays put as the
    // camera turns.
    Matrix44 rotation = gfxCamera;
    rotation.d = Vector4(0, 0, 0, 1);
    Matrix44 placement = gfxFlipZ;
    placement.Dot(rotation);
    placement.Dot(EnvMapPlacement);
    gfxSetTexCoordIndex(0, D3DTSS_TCI_CAMERASPACEREFLECTIONVECTOR);
    gfxSetTextureTransformFlags(0, D3DTTFF_COUNT2, false);
    gfxSetTextureMatrix(0, placement);
}

void modStatic::EndEnvMap() {
    gfxSetTexCoordIndex(0, 0);
    gfxSetTextureTransformFlags(0, D3DTTFF_DISABLE, false);
}

modStatic* modStatic::Clone() const {
    modStatic* copy = new modStatic;
    copy->m_PacketCount = m_PacketCount;
    copy->m_Flags = m_Flags;
    copy->m_Format = m_Format;
    copy->m_ShaderIndices = new uint8_t[m_PacketCount + 1]();
    memcpy(copy->m_ShaderIndices, m_ShaderIndices, m_PacketCount);
    if (m_Packets) {
        copy->m_Packets = new gfxPacket*[m_PacketCount + 1]();
        for (int i = 0; i < m_PacketCount; ++i) {
            copy->m_Packets[i] = m_Packets[i] ? m_Packets[i]->Clone() : nullptr;
        }
    }
    return copy;
}

uint32_t modStatic::GetVertexCount() const {
    uint32_t count = 0;
    for (int i = 0; i < m_PacketCount && m_Packets; ++i) {
        for (const gfxPacket* packet = m_Packets[i]; packet; packet = packet->m_Next) {
            count += packet->m_VertCount;
        }
    }
    return count;
}

uint32_t modStatic::GetTriangleCount() const {
    uint32_t count = 0;
    for (int i = 0; i < m_PacketCount && m_Packets; ++i) {
        for (const gfxPacket* packet = m_Packets[i]; packet; packet = packet->m_Next) {
            count += packet->m_IndexCount / 3;
        }
    }
    return count;
}
