#ifndef PHCORE_MATERIAL_H
#define PHCORE_MATERIAL_H

#include <cstdint>

class TokenReader;
struct Stream;

// A collision surface: its elasticity and friction, and the effect and sound of a contact
// with it as indices into the material manager's name table (-1 none).
class phMaterial {
public:
    static const int NameSize = 32;
    // The binary record: name, elasticity, friction, effect name, sound name.
    static const int BinarySize = 3 * NameSize + 2 * 4;

    phMaterial();
    virtual void CopyProperties(const phMaterial& source);
    virtual void Save(TokenReader& writer) const;
    virtual void SaveBinary(Stream* stream) const;
    virtual ~phMaterial();

    // Elasticity and friction beyond this magnitude are refused where a material is read.
    static constexpr float MaxCoefficient = 100.0f;

    // Whether the text form can hold the name: any name but one that must be quoted and
    // holds a quote itself.
    static bool HasTextForm(const char* name);
    // Null when every value is one the code using it can compute with, else what is wrong
    // ("an elasticity ..."), as a refusal names it. A derived material checks its own values
    // after the base's.
    virtual const char* UnusableValue() const;

    // Longer names are cut to NameSize - 1 characters so that the name stays terminated.
    void SetName(const char* name);
    // The same cut for a name field of NameSize bytes; reads at most NameSize - 1 bytes.
    static void CopyName(char* destination, const char* name);
    // Returns the line of the block's "mtl", where a refusal of its values points.
    int Load(TokenReader& reader);
    // False when the stream ends before the whole record; the material is then unchanged.
    bool LoadBinary(Stream* stream);

protected:
    // The text block up to and including the sound: what every kind of material starts with.
    // Returns the line of its "mtl".
    int LoadHead(TokenReader& reader);
    // Writes the same head: the block's opening line up to and including the sound.
    void SaveHead(TokenReader& writer) const;
    // An effect or sound name as an index into the manager's table; "none" is -1, as Save
    // writes it.
    static int16_t NameIndex(const char* name);

public:
    char Name[NameSize];
    int16_t EffectId;
    int16_t SoundId;
    float Elasticity;
    float Friction;
};

#endif
