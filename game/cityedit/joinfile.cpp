// Join-line files: the open outline where a model meets the ground or its neighbours.
#include "cityedit/joinfile.h"

#include "data/asset.h"
#include "data/bytes.h"
#include "data/printer.h"
#include "data/streamfields.h"
#include "vector/filevalue.h"

bool ReadJoinFile(const char* name, std::vector<Vector3>& points, uint32_t maxPoints) {
    points.clear();
    Stream* stream = datAssetManager::Open("scene", name, "join", true);
    if (!stream) {
        return false;
    }
    uint32_t count = 0;
    bool ok = StreamReadU32(stream, count);
    bool reported = false;
    if (ok && count > maxPoints) {
        PrintError("Join file for '%s' holds %u points; at most %u are allowed.", name, count,
                   maxPoints);
        ok = false;
        reported = true;
    }
    // The count is checked against what the file holds before anything is allocated for it.
    if (ok && uint64_t(count) * 12 > uint64_t(StreamSize(stream) - StreamTell(stream))) {
        ok = false;
    }
    if (ok) {
        points.resize(count);
        for (uint32_t i = 0; i < count && ok; ++i) {
            ok = StreamReadPoint(stream, points[i]);
            // The line is sewn to the ground and measured: a point that no arithmetic can use
            // refuses the whole file.
            if (ok && !IsCoordinate(points[i])) {
                PrintError("Join file for '%s': point %u is not a number within +-%g.", name, i,
                           MaxCoordinate);
                ok = false;
                reported = true;
            }
        }
    }
    StreamClose(stream);
    if (!ok) {
        if (!reported) {
            PrintError("Join file for '%s' is cut short.", name);
        }
        points.clear();
    }
    return ok;
}

bool StreamReadPoint(Stream* stream, Vector3& point) {
    uint32_t bits[3];
    for (uint32_t& b : bits) {
        if (!StreamReadU32(stream, b)) {
            return false;
        }
    }
    point = Vector3(FloatFromBits(bits[0]), FloatFromBits(bits[1]), FloatFromBits(bits[2]));
    return true;
}

bool ReadModelOffset(Stream* stream, const char* model, Vector3& offset) {
    Vector3 point;
    if (!StreamReadPoint(stream, point) || !IsCoordinate(point)) {
        PrintError("Model '%s': its offset is cut short or not a number within +-%g.", model,
                   MaxCoordinate);
        return false;
    }
    offset = point;
    return true;
}
