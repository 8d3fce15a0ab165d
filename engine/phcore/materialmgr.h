#ifndef PHCORE_MATERIALMGR_H
#define PHCORE_MATERIALMGR_H

#include "data/hash.h"
#include "phcore/material.h"

class TokenReader;
struct Stream;

// The process-wide owner of every material, found by name, and of the table of effect and
// sound names that materials refer to. A derived manager (the game's) must be constructed
// before anything calls Instance, or Instance makes a plain one and takes the slot; loaders
// call Load and LoadBinary through the instance so that the derived loaders run.
class phMaterialMgr {
public:
    static const int MAX_MATERIALS = 100;

    static phMaterialMgr* Instance();
    // The material of hits that name none.
    static phMaterial* DefaultMaterial;

    explicit phMaterialMgr(phMaterial* defaultMaterial);
    // Both return the registered material of the block's name, registering the block as a
    // new material when there is none (the default material when the list is full).
    virtual phMaterial* LoadBinary(Stream* stream);
    virtual phMaterial* Load(TokenReader& reader);
    virtual ~phMaterialMgr();

    phMaterial* Find(const char* name);
    bool AddToHash(phMaterial* material);
    // Writes a material of an unregistered name and enters it into the hash (not the list).
    void SaveUnregistered(phMaterial* material, TokenReader* writer);
    // "none" for an index outside the table.
    const char* GetName(int index) const;
    int FindOrAddName(const char* name);

    int GetNumMaterials() const { return NumMaterials; }
    phMaterial* GetMaterial(int index) const { return Materials[index]; }
    int GetNumNames() const { return NumNames; }

protected:
    // Where a block or record was read, as a refusal names it: "file(line)" of a text block,
    // "file at byte N" of a binary record.
    static const int SourceSize = 192;
    static void TextSource(const TokenReader& reader, int line, char (&source)[SourceSize]);

    // False, with an error naming the source, for a block whose values the code using them
    // cannot compute with or whose names no text block can hold; such a block is not
    // registered.
    bool CheckLoaded(const phMaterial& loaded, const char* source) const;
    // The registered material of loaded's name, or a new one made by NewMaterial; the default
    // material for a block CheckLoaded refuses.
    phMaterial* Register(const phMaterial& loaded, const char* source);
    // A material of this manager's kind with loaded's properties (not its name).
    virtual phMaterial* NewMaterial(const phMaterial& loaded) const;

    HashTable Hash;
    phMaterial* Materials[MAX_MATERIALS];
    int NumNames;
    int NumMaterials;
    char Names[MAX_MATERIALS][phMaterial::NameSize];

private:
    static phMaterialMgr* sm_Instance;
    static int RefCount;
};

#endif
