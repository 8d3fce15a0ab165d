#include "cityedit/psdltool.h"

#include "city/psdl.h"
#include "city/psdlbytes.h"
#include "data/assert.h"
#include "data/bytes.h"
#include "data/stream.h"
#include "vector/matrix34.h"

#include <cstring>

namespace {

const uint32_t UprightBit = 0x80;
const uint32_t OneBits = 0x3F800000;

// Row b exactly (0, 1, 0): zeros compared as floats, the one bit for bit.
bool IsUpright(const Matrix34& m) {
    return m.b.x == 0.0f && BitsFromFloat(m.b.y) == OneBits && m.b.z == 0.0f;
}

void PutVector(psdlBytes& bytes, const Vector3& v) {
    bytes.PutFloat(v.x);
    bytes.PutFloat(v.y);
    bytes.PutFloat(v.z);
}

}  // namespace

void lvlPSDL::EmitInstance(const Matrix34& matrix, const char* name, modStatic* model,
                           modShader* shaders, int byte1, int byte2) {
    using T = PsdlTool;
    if (!T::sm_CompileRoom) {
        if (EmitDrawer) {
            EmitDrawer->DrawModel(matrix, model, shaders);
        }
        return;
    }
    if (!T::sm_InstFile) {
        return;
    }
    // The length byte keeps its top bit for the upright flag.
    size_t length = strlen(name) + 1;
    Assert(length < UprightBit);
    bool upright = IsUpright(matrix);
    psdlBytes record;
    record.Put(T::sm_CompileRoom | uint32_t(byte2 & 255) << 16 | uint32_t(byte1 & 255) << 24, 4);
    record.Put(uint32_t(length) | (upright ? UprightBit : 0), 1);
    record.PutBytes(name, length);
    if (upright) {
        record.PutFloat(matrix.a.x);
        record.PutFloat(matrix.a.z);
        PutVector(record, matrix.d);
    } else {
        PutVector(record, matrix.a);
        PutVector(record, matrix.b);
        PutVector(record, matrix.c);
        PutVector(record, matrix.d);
    }
    StreamWrite(T::sm_InstFile, record.m_Bytes.data(), int(record.m_Bytes.size()));
}
