#ifndef DATA_BINARYTOKEN_H
#define DATA_BINARYTOKEN_H

#include "data/token.h"

// The typed operations on raw little-endian values. Names are not stored (Match reads nothing)
// and a string is written with its terminating zero, which the tokenizer takes as white space,
// so names written with PutString still read back with GetToken.
class BinaryTokenReader : public TokenReader {
public:
    BinaryTokenReader(const char* fileName = nullptr, Stream* stream = nullptr);

    int GetInt() override;
    float GetFloat() override;
    void GetVector4(Vector4& value) override;
    void GetVector3(Vector3& value) override;
    void GetVector2(Vector2& value) override;
    void Match(const char* name) override;
    bool PutVector4(const Vector4& value) override;
    bool PutVector3(const Vector3& value) override;
    bool PutVector2(const Vector2& value) override;
    bool PutFloat(float value) override;
    bool PutInt(int value) override;
    bool PutString(const char* text, int tabs) override;
    bool PutString(const char* text) override;

private:
    void ReadFloats(float* const* targets, int count, const char* what);
    bool WriteFloats(const float* values, int count);
};

#endif
