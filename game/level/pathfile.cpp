// The ".pathset" file: "PTH1", the path count and the current path, then one record per path.
// Fields are little-endian and go through the stream one by one.

#include <cmath>
#include <cstring>

#include "data/asset.h"
#include "data/bytes.h"
#include "data/printer.h"
#include "data/stream.h"
#include "data/streamfields.h"
#include "level/pathedit.h"
#include "vector/filevalue.h"

namespace {

const char Magic[4] = {'P', 'T', 'H', '1'};
// The record's last bytes: type, spacing and two reserved.
const int TailSize = 4;
// Spacings are stored in quarters.
const float SpacingUnit = 0.25f;
const float DefaultSpacing = 5.0f;

void ReportCut(Stream* stream) {
    PrintError("qvPathSet::Load - '%s' ends inside a path.", stream->m_Name);
}

}  // namespace

std::unique_ptr<qvPath> qvPath::Load(Stream* stream) {
    char name[NAME_SIZE];
    uint32_t count = 0;
    uint32_t current = 0;
    if (!StreamReadBytes(stream, name, NAME_SIZE) || !StreamReadU32(stream, count) ||
        !StreamReadU32(stream, current)) {
        ReportCut(stream);
        return nullptr;
    }
    // The name is kept as stored, all 32 bytes, but always ends inside them.
    name[NAME_SIZE - 1] = 0;
    int64_t left = int64_t(StreamSize(stream)) - StreamTell(stream);
    if (int64_t(count) * int64_t(sizeof(qvPathVertex)) + TailSize > left) {
        PrintError("qvPathSet::Load - path '%s' of '%s' claims %u vertices, more than the file "
                   "holds.",
                   name, stream->m_Name, count);
        return nullptr;
    }
    std::unique_ptr<qvPath> path(new qvPath(""));
    memcpy(path->m_Name, name, NAME_SIZE);
    path->m_Vertices.reset(new qvPathVertex[count]);
    path->m_VertCount = path->m_Capacity = int(count);
    for (uint32_t i = 0; i < count; ++i) {
        unsigned char bytes[16];
        if (!StreamReadBytes(stream, bytes, 16)) {
            ReportCut(stream);
            return nullptr;
        }
        qvPathVertex& vertex = path->m_Vertices[i];
        vertex.m_Word = DecodeU32(bytes);
        vertex.m_Position.Set(FloatFromBits(DecodeU32(bytes + 4)),
                              FloatFromBits(DecodeU32(bytes + 8)),
                              FloatFromBits(DecodeU32(bytes + 12)));
        const Vector3& p = vertex.m_Position;
        if (!IsCoordinate(p)) {
            PrintError("qvPathSet::Load - vertex %u of path '%s' is not a number within +-%g "
                       "in '%s'.",
                       i, name, MaxCoordinate, stream->m_Name);
            return nullptr;
        }
    }
    unsigned char tail[TailSize];
    if (!StreamReadBytes(stream, tail, TailSize)) {
        ReportCut(stream);
        return nullptr;
    }
    if (tail[0] > LineStrip) {
        PrintError("qvPathSet::Load - path '%s' has the unknown type %d.", name, tail[0]);
        return nullptr;
    }
    path->m_Type = tail[0];
    path->m_Spacing = tail[1] ? tail[1] * SpacingUnit : DefaultSpacing;
    path->m_CurrentVertex = int(current < count ? current : count);
    return path;
}

void qvPath::Save(Stream* stream) const {
    StreamWrite(stream, m_Name, NAME_SIZE);
    StreamWriteU32(stream, uint32_t(m_VertCount));
    StreamWriteU32(stream, uint32_t(m_CurrentVertex));
    for (int i = 0; i < m_VertCount; ++i) {
        const qvPathVertex& vertex = m_Vertices[i];
        unsigned char bytes[16];
        EncodeU32(vertex.m_Word, bytes);
        EncodeU32(BitsFromFloat(vertex.m_Position.x), bytes + 4);
        EncodeU32(BitsFromFloat(vertex.m_Position.y), bytes + 8);
        EncodeU32(BitsFromFloat(vertex.m_Position.z), bytes + 12);
        StreamWrite(stream, bytes, 16);
    }
    // Quarters, truncated; the byte cannot hold more than 63.75.
    float quarters = m_Spacing / SpacingUnit;
    unsigned char tail[TailSize] = {uint8_t(m_Type),
                             uint8_t(quarters >= 255.0f ? 255 : quarters > 0.0f ? quarters : 0),
                             0, 0};
    StreamWrite(stream, tail, TailSize);
}

bool qvPathSet::Load(const char* directory, const char* name) {
    Stream* stream = datAssetManager::Open(directory, name, "pathset");
    if (!stream) {
        return false;
    }
    char magic[4];
    if (!StreamReadBytes(stream, magic, 4) || memcmp(magic, Magic, 4) != 0) {
        PrintError("qvPathSet::Load - Bad version");
        StreamClose(stream);
        return false;
    }
    uint32_t count = 0;
    uint32_t current = 0;
    bool ok = StreamReadU32(stream, count) && StreamReadU32(stream, current);
    if (!ok) {
        PrintError("qvPathSet::Load - '%s' ends inside its header.", stream->m_Name);
    } else if (count > uint32_t(MAX_PATHS)) {
        PrintError("qvPathSet::Load - '%s' holds %u paths, more than MAX_PATHS (%d).",
                   stream->m_Name, count, MAX_PATHS);
        ok = false;
    }
    // Read whole before the set changes, so that a refused file leaves it as it was.
    std::unique_ptr<qvPath> paths[MAX_PATHS];
    for (uint32_t i = 0; ok && i < count; ++i) {
        paths[i] = qvPath::Load(stream);
        ok = paths[i] != nullptr;
    }
    StreamClose(stream);
    if (!ok) {
        return false;
    }
    Clear();
    for (uint32_t i = 0; i < count; ++i) {
        m_Paths[i] = std::move(paths[i]);
    }
    m_PathCount = count;
    m_CurrentPath = current < count ? current : (count ? count - 1 : 0);
    return true;
}

bool qvPathSet::Save(const char* directory, const char* name) {
    Stream* stream = datAssetManager::CreateReplacing(directory, name, "pathset");
    if (!stream) {
        return false;
    }
    StreamWrite(stream, Magic, 4);
    StreamWriteU32(stream, m_PathCount);
    StreamWriteU32(stream, m_CurrentPath);
    for (uint32_t i = 0; i < m_PathCount; ++i) {
        m_Paths[i]->Save(stream);
    }
    if (StreamClose(stream) < 0) {
        PrintError("qvPathSet::Save - could not write all of '%s'; the old file is kept.", name);
        return false;
    }
    return true;
}
