#include "data/binarytoken.h"

#include "data/bytes.h"
#include "data/printer.h"
#include "data/stream.h"
#include "vector/vector2.h"
#include "vector/vector3.h"
#include "vector/vector4.h"

#include <cstring>

BinaryTokenReader::BinaryTokenReader(const char* fileName, Stream* stream)
    : TokenReader(fileName, stream) {}

void BinaryTokenReader::ReadFloats(float* const* targets, int count, const char* what) {
    unsigned char bytes[16];
    if (StreamRead(m_Stream, bytes, 4 * count) != 4 * count) {
        FatalQuit("%s(%d): Expected %s.", m_FileName, m_Line, what);
    }
    for (int i = 0; i < count; ++i) {
        *targets[i] = FloatFromBits(DecodeU32(bytes + 4 * i));
    }
}

bool BinaryTokenReader::WriteFloats(const float* values, int count) {
    unsigned char bytes[16];
    for (int i = 0; i < count; ++i) {
        EncodeU32(BitsFromFloat(values[i]), bytes + 4 * i);
    }
    return WriteBytes(bytes, 4 * count);
}

int BinaryTokenReader::GetInt() {
    unsigned char bytes[4];
    if (StreamRead(m_Stream, bytes, 4) != 4) {
        FatalQuit("%s(%d): Expected integer.", m_FileName, m_Line);
    }
    return (int32_t)DecodeU32(bytes);
}

float BinaryTokenReader::GetFloat() {
    float value;
    float* const targets[] = {&value};
    ReadFloats(targets, 1, "float");
    return value;
}

void BinaryTokenReader::GetVector4(Vector4& value) {
    float* const targets[] = {&value.x, &value.y, &value.z, &value.w};
    ReadFloats(targets, 4, "Vector4");
}

void BinaryTokenReader::GetVector3(Vector3& value) {
    float* const targets[] = {&value.x, &value.y, &value.z};
    ReadFloats(targets, 3, "Vector3");
}

void BinaryTokenReader::GetVector2(Vector2& value) {
    float* const targets[] = {&value.x, &value.y};
    ReadFloats(targets, 2, "Vector2");
}

void BinaryTokenReader::Match(const char*) {}

bool BinaryTokenReader::PutVector4(const Vector4& value) {
    const float values[4] = {value.x, value.y, value.z, value.w};
    return WriteFloats(values, 4);
}

bool BinaryTokenReader::PutVector3(const Vector3& value) {
    const float values[3] = {value.x, value.y, value.z};
    return WriteFloats(values, 3);
}

bool BinaryTokenReader::PutVector2(const Vector2& value) {
    const float values[2] = {value.x, value.y};
    return WriteFloats(values, 2);
}

bool BinaryTokenReader::PutFloat(float value) {
    return WriteFloats(&value, 1);
}

bool BinaryTokenReader::PutInt(int value) {
    unsigned char bytes[4];
    EncodeU32((uint32_t)value, bytes);
    return WriteBytes(bytes, 4);
}

bool BinaryTokenReader::PutString(const char* text, int) {
    return WriteBytes(text, (int)strlen(text) + 1);
}

bool BinaryTokenReader::PutString(const char*) {
    return true;
}
