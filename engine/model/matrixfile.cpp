// Placement matrices stored beside models.
#include "model/static.h"

#include "data/asset.h"
#include "data/bytes.h"
#include "data/stream.h"
#include "vector/matrix34.h"

#include <cstdio>

static_assert(sizeof(Matrix34) == 48, "a placement file is one matrix as it stands");

bool modLoadMatrix(Matrix34& matrix, const char* a, const char* b) {
    char name[256];
    snprintf(name, sizeof(name), "%s_%s", a, b);
    Stream* stream = datAssetManager::Open("geometry", name, "mtx", true);
    if (!stream) {
        return false;
    }
    unsigned char bytes[48];
    bool whole = StreamRead(stream, bytes, 48) == 48;
    StreamClose(stream);
    if (!whole) {
        return false;
    }
    float* f = &matrix.a.x;
    for (int i = 0; i < 12; ++i) {
        f[i] = FloatFromBits(DecodeU32(bytes + 4 * i));
    }
    return true;
}
