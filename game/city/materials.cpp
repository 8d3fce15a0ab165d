#include "city/materials.h"

#include "city/materialmgr.h"
#include "data/asset.h"
#include "data/csv.h"
#include "data/hash.h"
#include "data/printer.h"
#include "data/stream.h"

#include <cstring>

namespace {

const int LineSize = 64;
const int FieldSize = 32;

// A line longer than the buffer is cut, and its rest dropped rather than read as a line.
bool ReadLine(Stream* stream, char* line) {
    int length = StreamGets(line, LineSize, stream);
    if (length == LineSize - 1 && line[length - 1] != '\n') {
        int c = StreamGetc(stream);
        while (c >= 0 && c != '\n') {
            c = StreamGetc(stream);
        }
    }
    return length > 0;
}

}  // namespace

int FindMaterialPosition(const char* name) {
    qvMaterialMgr* manager = qvMaterialMgr::Instance();
    qvMaterial* material = manager->Find(name);
    for (int i = 0; material && i < manager->GetNumMaterials(); ++i) {
        if (manager->GetMaterial(i) == material) {
            return i;
        }
    }
    return -1;
}

int LoadMaterialTable(HashTable& indices) {
    Stream* stream = datAssetManager::Open("city", "materials", "csv");
    if (!stream) {
        return 0;
    }
    int largest = 0;
    char line[LineSize];
    ReadLine(stream, line);
    while (ReadLine(stream, line)) {
        char texture[FieldSize];
        char material[FieldSize];
        char extra[FieldSize];
        if (SplitCsvLine(line, 3, FieldSize, texture, material, extra) != 2 ||
            !strcmp(material, "none")) {
            continue;
        }
        int position = FindMaterialPosition(material);
        if (position < 0) {
            continue;
        }
        int index = position + 1;
        PrintMessage("texture '%s' has mtl index %d", texture, index);
        indices.Insert(texture, uintptr_t(index));
        largest = index > largest ? index : largest;
    }
    StreamClose(stream);
    return largest;
}
