#ifndef BANGER_BANGERDATA_H
#define BANGER_BANGERDATA_H

#include <cstdint>
#include <memory>
#include <vector>

#include "data/hash.h"
#include "effects/birthrule.h"
#include "node/node.h"
#include "vector/vector3.h"

class bkBank;
class gfxTexture;
class phBound;
class TokenReader;

// The tuning record of one kind of breakable prop: its size and centre of gravity, glows,
// mass and surface, the squared impulse above which it breaks loose, its break parts, its
// particle burst, its collision shape and how it behaves once loose. Read from
// "tune/banger/<name>.qvBangerData", text ("type: a") or binary ("type: b").
class qvBangerData : public ovNode {
public:
    // CollisionType bits.
    static constexpr uint8_t SELF_SIMULATED = 0x02;
    static constexpr uint8_t DRIVEABLE = 0x20;
    // BillFlags bit "Don't Light Object".
    static constexpr uint32_t DONT_LIGHT = 0x80;
    // CollisionPrim values.
    enum { PRIM_GEOMETRY = 0, PRIM_BOX = 1, PRIM_HOTDOG = 2, PRIM_SPHERE = 3 };

    qvBangerData();
    ~qvBangerData() override;

    // False when the file does not exist or holds a value no banger can compute with; a
    // malformed token stream ends the program with the tokenizer's message.
    bool Load() override;
    // Always the text form, through a replacing stream.
    bool Save() override;
    void AddWidgets(bkBank* bank) override;
    const char* ClassName() override { return "qvBangerData"; }
    const char* Directory() override { return "tune/banger"; }

    // The collision bound of CollisionPrim, replacing any earlier one; it takes the record's
    // Elasticity and Friction.
    void MakeBound();
    phBound* GetBound() const { return m_Bound.get(); }

    Vector3 CG;
    Vector3 Size;  // full edge lengths
    Vector3 Spare;  // kept for the record's layout; nothing reads it
    std::unique_ptr<Vector3[]> GlowOffset;
    int16_t NumGlows;
    float Mass;
    float Elasticity;
    float Friction;
    float ImpulseLimit2;
    float YRadius;
    int32_t ColliderId;
    ovBirthRule BirthRule;
    int32_t TexNumber;  // particle texture 1 to 10; 0 for none
    uint32_t BillFlags;
    int16_t SpinAxis;
    int16_t Flash;
    uint8_t CollisionType;
    uint8_t CollisionPrim;
    int16_t NumParts;
    int32_t AudioId;
    int32_t PartGeometry;  // geometry set of the record's model, set when an instance loads it
    // The records of the break parts that have tuning, in part order; set with the geometry.
    std::vector<int16_t> PartTypes;
    int16_t Index;  // the record's place in the manager's table; -1 until it is found

private:
    void ReadFields(TokenReader* reader);
    void WriteFields(TokenReader* writer);
    bool ValuesUsable() const;
    void CopyMaterial();
    void ResizeBound();
    void ChooseShape();

    // The bank's "CollisionPrim" value, one for all records.
    static int32_t sm_SharedPrim;

    std::unique_ptr<phBound> m_Bound;
};

// The table of the tuning records, found by name on demand, with the particle textures the
// active props draw with and the bank to tune them.
class qvBangerDataManager : public ovNode {
public:
    static constexpr int NUM_BANGER_TYPES = 512;
    static constexpr int NUM_TEXTURES = 10;

    // Fatal when one exists already.
    qvBangerDataManager();
    ~qvBangerDataManager() override;
    static qvBangerDataManager* GetInstance() { return sm_Instance; }

    // The index of the record "name" or "name_suffix", loading it on first use; -1 when it
    // has no file (remembered: the file is not tried again).
    int16_t Lookup(const char* name, const char* suffix = nullptr);
    // The record at index; null at or beyond NumEntries.
    qvBangerData* GetData(int index);
    void SaveAll();
    void AddWidgets(bkBank* bank) override;
    const char* ClassName() override { return "qvBangerDataManager"; }

    // Texture 0 to 9: "fxpt1" to "fxpt10"; null when missing.
    gfxTexture* GetTexture(int index) const;

    int NumEntries;
    uint8_t TuneBangers;
    float MassMultiplier;
    float ImpulseLimitMultiplier;

private:
    void ChooseRecord();

    static qvBangerDataManager* sm_Instance;
    static HashTable sm_Found;
    static HashTable sm_Missing;

    std::unique_ptr<qvBangerData> m_Data[NUM_BANGER_TYPES];
    gfxTexture* m_Textures[NUM_TEXTURES];
    int32_t m_Selection;
    bkBank* m_Bank;
    const char* m_Names[NUM_BANGER_TYPES];
};

#endif
