#ifndef CITY_MATERIAL_H
#define CITY_MATERIAL_H

#include <cstdint>

#include "phcore/material.h"

class bkBank;
class TokenReader;

// The game's surface: the physics material plus what driving over it and the particles it
// throws up need.
class qvMaterial : public phMaterial {
public:
    qvMaterial();
    void Save(TokenReader& writer) const override;

    // Reads an "mtl" block; the game fields are optional and keep their defaults. Returns the
    // line of its "mtl".
    int Load(TokenReader& reader);
    void CopyProperties(const qvMaterial& source);
    void AddWidgets(bkBank& bank);
    // The base's values, then drag, width, height, depth and the thresholds finite and within
    // MaxCoefficient, and each particle index none (-1) or from 0 to 32767.
    const char* UnusableValue() const override;

    float Drag;
    float Width;
    float Height;
    float Depth;
    int16_t PtxIndex[2];
    float PtxThreshold[2];
};

#endif
