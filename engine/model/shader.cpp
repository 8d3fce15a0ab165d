// Shader tables: texture names and pooled materials, read, resolved and written.
#include "model/shader.h"

#include "data/assert.h"
#include "data/bytes.h"
#include "data/printer.h"
#include "data/stream.h"
#include "gfx/texreg.h"
#include "gfx/texture.h"
#include "model/itemread.h"
#include "vector/filevalue.h"

#include <algorithm>
#include <cmath>
#include <cstring>

modStaticMaterial* modStaticMaterial::sm_StaticMaterials = nullptr;
int modStaticMaterial::sm_StaticMaterialCount = 0;
int modShader::sm_VariantLimit = 9999;

namespace {

// The floats of a material compared and filled: four colours and the power.
const int ColourFloats = 17;

float* Floats(gfxMaterial& m) {
    return &m.diffuse.r;
}

const float* Floats(const gfxMaterial& m) {
    return &m.diffuse.r;
}

uint32_t Channel(float value, int shift) {
    return uint32_t(int32_t(value * 255.0f)) << shift;
}

// Stored colours snap to 32 steps, so that near-equal materials share a record.
float Quantise(float c) {
    if (c < 0.05f) {
        return 0.0f;
    }
    if (c > 0.95f) {
        return 1.0f;
    }
    return std::floor(c * 32.0f) * 0.03125f;
}

uint8_t PackByte(float c) {
    return c < 0.0f ? 0 : c < 1.0f ? uint8_t(c * 255.0f) : 255;
}

// False for a colour that no arithmetic can use; it is not quantised (which would trap).
bool ReadColour(modItemReader& reader, D3DCOLORVALUE& colour, bool packed) {
    float* c = &colour.r;
    bool finite = true;
    for (int i = 0; i < 4; ++i) {
        if (packed) {
            c[i] = float(reader.U8()) * 0.003921569f;
            continue;
        }
        float value = reader.F32();
        finite = finite && IsFiniteValue(value);
        c[i] = finite ? Quantise(value) : 0.0f;
    }
    return finite;
}

void WriteU32(Stream* stream, uint32_t value) {
    unsigned char bytes[4];
    EncodeU32(value, bytes);
    StreamWrite(stream, bytes, 4);
}

void WriteColour(Stream* stream, const D3DCOLORVALUE& colour, bool packed) {
    const float* c = &colour.r;
    for (int i = 0; i < 4; ++i) {
        if (packed) {
            uint8_t byte = PackByte(c[i]);
            StreamWrite(stream, &byte, 1);
        } else {
            WriteU32(stream, BitsFromFloat(c[i]));
        }
    }
}

}  // namespace

// One variant's shaders with the names they still hold.
static void FreeVariant(modShader* shaders, uint32_t count) {
    if (!shaders) {
        return;
    }
    for (uint32_t s = 0; s < count; ++s) {
        shaders[s].FreeName();
    }
    delete[] shaders;
}

void modStaticMaterial::Pack() {
    m_Packed = Channel(diffuse.a, 24) | Channel(diffuse.r, 16) | Channel(diffuse.g, 8) |
               Channel(diffuse.b, 0);
}

modStaticMaterial* modStaticMaterial::Intern(const modStaticMaterial& material) {
    if (!sm_StaticMaterials) {
        sm_StaticMaterials = new modStaticMaterial[sm_MaxStaticMaterials];
        for (int i = 0; i < sm_MaxStaticMaterials; ++i) {
            float* f = Floats(sm_StaticMaterials[i]);
            for (int k = 0; k < ColourFloats; ++k) {
                f[k] = FloatFromBits(0x7F800001);
            }
        }
        sm_StaticMaterialCount = 0;
    }
    for (int i = 0; i < sm_StaticMaterialCount; ++i) {
        const float* a = Floats(sm_StaticMaterials[i]);
        const float* b = Floats(material);
        if (std::equal(a, a + ColourFloats, b)) {
            return &sm_StaticMaterials[i];
        }
    }
    Assert(sm_StaticMaterialCount != sm_MaxStaticMaterials);
    modStaticMaterial& added = sm_StaticMaterials[sm_StaticMaterialCount++];
    memcpy(static_cast<void*>(&added), &material, sizeof(modStaticMaterial));
    return &added;
}

void modStaticMaterial::ResetPool() {
    sm_StaticMaterials = nullptr;
    sm_StaticMaterialCount = 0;
}

bool modShader::Load(Stream* stream, bool packed) {
    modItemReader reader(stream);
    m_Texture = nullptr;
    m_Material = nullptr;
    uint8_t length = reader.U8();
    if (length) {
        char* name = new char[length];
        reader.Bytes(name, length);
        // A name without its zero still ends inside its block.
        name[length - 1] = 0;
        m_Texture = reinterpret_cast<gfxTexture*>(reinterpret_cast<uintptr_t>(name) + 1);
    }
    modStaticMaterial material;
    bool finite = ReadColour(reader, material.diffuse, packed);
    if (!packed) {
        D3DCOLORVALUE unused;
        for (int i = 0; i < 4; ++i) {
            (&unused.r)[i] = reader.F32();
        }
    }
    finite = ReadColour(reader, material.specular, packed) && finite;
    finite = ReadColour(reader, material.emissive, packed) && finite;
    material.power = reader.F32();
    finite = finite && IsFiniteValue(material.power);
    material.ambient = material.diffuse;
    if (reader.Failed() || !finite) {
        FreeName();
        return false;
    }
    material.Pack();
    m_Material = modStaticMaterial::Intern(material);
    return true;
}

const char* modShader::GetTextureName() const {
    if (!m_Texture) {
        return nullptr;
    }
    if (!IsResolved()) {
        return reinterpret_cast<const char*>(reinterpret_cast<uintptr_t>(m_Texture) - 1);
    }
    return m_Texture->m_Name;
}

void modShader::FreeName() {
    if (m_Texture && !IsResolved()) {
        delete[] GetTextureName();
        m_Texture = nullptr;
    }
}

void modShader::ResolveTexture() {
    if (!m_Texture || IsResolved()) {
        return;
    }
    const char* name = GetTextureName();
    m_Texture = nullptr;
    // The texture field is the animated texture's user: playing it changes this shader.
    gfxGetAnimTexture(&m_Texture, name, true);
    delete[] name;
    if (m_Texture) {
        m_Texture->Bind();
    }
}

modShader** modShader::LoadShaders(Stream* stream, int* variantCount, int* shadersPerVariant,
                                   bool resolve) {
    modItemReader reader(stream);
    uint32_t word = reader.U32();
    bool packed = (word & 0x80) != 0;
    uint32_t variants = packed ? word & 0x7F : word;
    uint32_t perVariant = reader.U32();
    // Each shader record takes at least its name length, colours and power.
    const uint32_t smallest = 1 + (packed ? 12 : 64) + 4;
    if (!reader.Fits(perVariant, smallest) || !reader.Fits(uint32_t(std::min<uint64_t>(
                                                  uint64_t(variants) * perVariant, UINT32_MAX)),
                                              smallest)) {
        PrintError("modShader::LoadShaders: damaged shader table");
        return nullptr;
    }
    uint32_t kept = std::min<uint32_t>(variants, uint32_t(std::max(0, sm_VariantLimit)));
    modShader** table = new modShader*[kept ? kept : 1]();
    bool ok = true;
    // Variants of no shaders take no bytes: only the kept ones are made, so that a count the
    // size check cannot bound does not loop for each.
    uint32_t made = perVariant ? variants : kept;
    for (uint32_t v = 0; v < made && ok; ++v) {
        modShader* shaders = new modShader[perVariant ? perVariant : 1]();
        for (uint32_t s = 0; s < perVariant && ok; ++s) {
            ok = shaders[s].Load(stream, packed);
            if (ok && resolve && v < kept) {
                shaders[s].ResolveTexture();
            }
        }
        if (v < kept) {
            table[v] = shaders;
        } else {
            FreeVariant(shaders, perVariant);
        }
    }
    if (!ok) {
        PrintError("modShader::LoadShaders: damaged shader table");
        FreeShaders(table, int(kept), int(perVariant));
        return nullptr;
    }
    if (variantCount) {
        *variantCount = int(kept);
    }
    if (shadersPerVariant) {
        *shadersPerVariant = int(perVariant);
    }
    return table;
}

void modShader::FreeShaders(modShader** variants, int variantCount, int shadersPerVariant) {
    if (!variants) {
        return;
    }
    for (int v = 0; v < variantCount; ++v) {
        FreeVariant(variants[v], uint32_t(shadersPerVariant));
    }
    delete[] variants;
}

void modShader::Write(Stream* stream, bool packed) const {
    const char* name = GetTextureName();
    uint8_t length = name ? uint8_t(std::min<size_t>(strlen(name) + 1, 255)) : 0;
    StreamWrite(stream, &length, 1);
    if (length) {
        StreamWrite(stream, name, length - 1);
        StreamWrite(stream, "", 1);
    }
    modStaticMaterial fallback;
    fallback.Pack();
    const modStaticMaterial& m = m_Material ? *m_Material : fallback;
    WriteColour(stream, m.diffuse, packed);
    if (!packed) {
        WriteColour(stream, m.ambient, packed);
    }
    WriteColour(stream, m.specular, packed);
    WriteColour(stream, m.emissive, packed);
    WriteU32(stream, BitsFromFloat(m.power));
}

void modShader::WriteShaders(Stream* stream, modShader** variants, int variantCount,
                             int shadersPerVariant, bool packed) {
    WriteU32(stream, uint32_t(variantCount) | (packed ? 0x80 : 0));
    WriteU32(stream, uint32_t(shadersPerVariant));
    for (int v = 0; v < variantCount; ++v) {
        for (int s = 0; s < shadersPerVariant; ++s) {
            variants[v][s].Write(stream, packed);
        }
    }
}
