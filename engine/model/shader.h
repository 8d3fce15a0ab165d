#ifndef MODEL_SHADER_H
#define MODEL_SHADER_H

#include <cstdint>

#include "gfx/rstate.h"

class gfxTexture;
struct Stream;

// A material as the device takes it, with its diffuse colour packed. Identical materials share
// one record of a process-wide pool, so that draws compare materials by pointer.
struct modStaticMaterial : gfxMaterial {
    static const int sm_MaxStaticMaterials = 768;
    static modStaticMaterial* sm_StaticMaterials;
    static int sm_StaticMaterialCount;

    // The pooled record equal to this one in its colours and power; added when there is none.
    static modStaticMaterial* Intern(const modStaticMaterial& material);
    // Forgets the pool without freeing it: shaders may still point into it. The game runtime
    // calls it between levels; the editor never does.
    static void ResetPool();
    // Packs the diffuse colour into m_Packed.
    void Pack();
};
static_assert(sizeof(modStaticMaterial) == 72, "the pool holds device materials as they stand");

// A texture and a material. Until resolved, the texture field holds the address of the
// texture's name plus one: names are heap blocks at even addresses, so the low bit tells.
struct modShader {
    gfxTexture* m_Texture;
    modStaticMaterial* m_Material;

    // Variants kept from a shader table item; the game lowers it for some of its loads.
    static int sm_VariantLimit;

    // Reads a shader table item: one array of shaders per kept variant, or null when the item
    // is damaged. Either count may be null.
    static modShader** LoadShaders(Stream* stream, int* variantCount, int* shadersPerVariant,
                                   bool resolve);
    // The arrays of LoadShaders, their names and the outer array.
    static void FreeShaders(modShader** variants, int variantCount, int shadersPerVariant);
    static void WriteShaders(Stream* stream, modShader** variants, int variantCount,
                             int shadersPerVariant, bool packed);

    // False when the record was cut short.
    bool Load(Stream* stream, bool packed);
    void Write(Stream* stream, bool packed) const;
    // Replaces the name by its (possibly animated) texture and binds it once.
    void ResolveTexture();
    bool IsResolved() const { return !(reinterpret_cast<uintptr_t>(m_Texture) & 1); }
    // The name while unresolved, the texture's name after; null for none.
    const char* GetTextureName() const;
    // The name of an unresolved shader goes; a resolved texture is the registry's.
    void FreeName();
};

#endif
