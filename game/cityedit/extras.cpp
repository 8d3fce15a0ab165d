// The extra models of the block file: the list "city/<block>.extra", their packages and join
// lines, sewn into their rooms.
#include "cityedit/blockdata.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "city/psdl.h"
#include "cityedit/joinfile.h"
#include "cityedit/plattor.h"
#include "data/asset.h"
#include "data/csv.h"
#include "data/printer.h"
#include "data/stream.h"
#include "data/string.h"
#include "model/package.h"
#include "model/shader.h"
#include "model/static.h"

ExtraRecord Extras[MAX_EXTRAS];
int32_t ExtraCount = 0;

namespace {

const int LineSize = 128;
const int FieldSize = 64;
const float WackyJoinDistance2 = 4.0f;
const char* const ExtraLevels[] = {"H", "M", "L", "VL"};

bool IsLevelItem(const char* name) {
    for (const char* level : ExtraLevels) {
        if (_stricmp(name, level) == 0) {
            return true;
        }
    }
    return false;
}

// The extra's model, shaders and position from its package; false when the package does not
// open.
bool LoadExtraModel(lvlPSDL* city, ExtraRecord& extra) {
    modPackage package;
    if (!package.Open("geometry", extra.m_Name)) {
        return false;
    }
    // The items are walked in the order they stand: the finest level present is the model,
    // then the shaders and the offset. Other items are skipped where the package can skip
    // them; an older "PKG2" package cannot, and its walk ends there.
    for (const char* next = package.NextItem(); strcmp(next, modPackage::EndName) != 0;
         next = package.NextItem()) {
        if (IsLevelItem(next)) {
            modStatic* model = modStatic::Load(next);
            if (!model) {
                break;
            }
            if (extra.m_Model) {
                delete model;
            } else {
                extra.m_Model = model;
            }
        } else if (Stream* stream = package.OpenFile("shaders")) {
            if (!extra.m_Shaders) {
                extra.m_Shaders = modShader::LoadShaders(stream, &extra.m_ShaderVariants,
                                                         &extra.m_ShadersPerVariant, true);
            }
            package.CloseFile();
        } else if (Stream* stream = package.OpenFile("offset")) {
            ReadModelOffset(stream, extra.m_Name, extra.m_Position);
            package.CloseFile();
        } else if (package.CanSkip()) {
            package.SkipFile();
        } else {
            break;
        }
    }
    package.Close();
    std::vector<Vector3> join;
    if (ReadJoinFile(extra.m_Name, join, UINT32_MAX)) {
        SewJoinLine(city, extra.m_Room, join.data(), int(join.size()));
    } else if (!datAssetManager::Exists("scene", extra.m_Name, "join")) {
        PrintError("Join file not found for %s, cannot sew up.", extra.m_Name);
    }
    return true;
}

// The rest of a line longer than the buffer.
void SkipRestOfLine(Stream* stream, char* line) {
    while (!strchr(line, '\n') && StreamGets(line, LineSize, stream)) {
    }
}

void ReadExtraList(lvlPSDL* city, Stream* stream, const char* name) {
    char line[LineSize];
    while (StreamGets(line, LineSize, stream)) {
        if (!strchr(line, '\n') && StreamTell(stream) < StreamSize(stream)) {
            PrintError("%s: a line longer than %d characters is skipped.", name, LineSize - 1);
            SkipRestOfLine(stream, line);
            continue;
        }
        char roomField[FieldSize] = {};
        char modelField[FieldSize] = {};
        SplitCsvLine(line, 2, FieldSize, roomField, modelField);
        int room = city->FindRoomById(uint32_t(atoi(roomField)));
        if (!room || !modelField[0]) {
            continue;
        }
        if (ExtraCount >= MAX_EXTRAS) {
            PrintError("%s: more than %d extras; the rest are left out.", name, MAX_EXTRAS);
            return;
        }
        ExtraRecord& extra = Extras[ExtraCount];
        extra.m_Room = room;
        extra.m_Name = StringDuplicate(modelField);
        if (LoadExtraModel(city, extra)) {
            ++ExtraCount;
        } else {
            delete[] extra.m_Name;
            extra = ExtraRecord();
        }
    }
}

}  // namespace

void ClearExtras() {
    for (int i = 0; i < ExtraCount; ++i) {
        delete[] Extras[i].m_Name;
        delete Extras[i].m_Model;
        if (Extras[i].m_Shaders) {
            modShader::FreeShaders(Extras[i].m_Shaders, Extras[i].m_ShaderVariants,
                                   Extras[i].m_ShadersPerVariant);
        }
        Extras[i] = ExtraRecord();
    }
    ExtraCount = 0;
}

// The table only grows: a second block file adds its extras to those of the first.
void LoadExtras(const char* blockName, lvlPSDL* city) {
    char name[LineSize];
    if (strlen(blockName) >= sizeof(name)) {
        return;
    }
    strcpy(name, blockName);
    CutExtension(name, true);
    Stream* stream = datAssetManager::Open("city", name, "extra", true);
    if (!stream) {
        return;
    }
    ReadExtraList(city, stream, name);
    StreamClose(stream);
}

void SewJoinLine(lvlPSDL* city, int room, const Vector3* points, int count) {
    lvlSDL* sdl = city->GetRoom(room);
    if (!sdl || count <= 0) {
        return;
    }
    for (uint32_t i = 0; i < sdl->GetPerimeterCount(); ++i) {
        Vector3& vertex = *sdl->GetVertex(sdl->GetPerimeterVertex(i));
        int nearest = 0;
        float best = 0.0f;
        for (int j = 0; j < count; ++j) {
            float dx = points[j].x - vertex.x;
            float dz = points[j].z - vertex.z;
            float distance2 = dx * dx + dz * dz;
            if (j == 0 || distance2 < best) {
                best = distance2;
                nearest = j;
            }
        }
        const Vector3& point = points[nearest];
        if (best >= WackyJoinDistance2) {
            PrintError("Whoa... extra landmark in room %d has wacky join line vertex (%f,%f,%f)",
                       room, point.x, point.y, point.z);
        } else {
            vertex.x = point.x;
            vertex.z = point.z;
        }
    }
}
