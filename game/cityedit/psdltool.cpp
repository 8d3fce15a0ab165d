#include "cityedit/psdltool.h"

#include "city/psdl.h"
#include "data/assert.h"
#include "vector/vector3.h"

#include <cmath>
#include <cstring>

uint32_t PsdlTool::sm_CompileRoom;
SDLCODE_T PsdlTool::sm_RoomBuf[PsdlTool::maxCompile];
SDLCODE_T* PsdlTool::sm_RIP = PsdlTool::sm_RoomBuf;
SDLCODE_T* PsdlTool::sm_Begin;
uint16_t PsdlTool::sm_BeginCode;
SDLCODE_T* PsdlTool::sm_LastCommand;
int32_t PsdlTool::sm_CurTexture;
float PsdlTool::sm_DrawHeight;
Stream* PsdlTool::sm_InstFile;
HashTable PsdlTool::sm_TextureHash(101, false, 32);
const char* PsdlTool::sm_Refusal;
bool PsdlTool::sm_MakeRefused;

lvlEmitDrawer* EmitDrawer;

namespace {

const uint8_t RemoveWhenEmpty = 0x01 | 0x04;

bool IsFanCode(int code) {
    return code == SDL_FLATFAN || code == SDL_FAN || code == SDL_RAISEDFAN;
}

// 64 steps per turn, in float: the batch make computes at single precision.
uint32_t WallAngle(const Vector3& a, const Vector3& b) {
    float angle = (std::atan2(b.z - a.z, b.x - a.x) + 3.1415927f) * 10.185916f;
    return uint32_t(int(angle)) & 63;
}

bool SamePoint(const Vector3& a, const Vector3& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

// The command word of a wall, facade or skirt; the room's last command so far.
void BeginEdgeCommand(uint32_t word) {
    PsdlTool::CheckNoPrimitive();
    PsdlTool::sm_LastCommand = PsdlTool::sm_RIP;
    PsdlTool::Put(word);
}

void PutEdge(const Vector3& a, const Vector3& b) {
    PsdlTool::Put(VertexIndex(a));
    PsdlTool::Put(VertexIndex(b));
}

void DrawVertex(const Vector3& p, float u, float v) {
    EmitDrawer->Vertex(p.x, p.y, p.z, u, v);
}

}  // namespace

void PsdlTool::Put(uint32_t word) {
    Assert(word < 1 << (8 * sizeof(SDLCODE_T)));
    Assert(sm_RIP < sm_RoomBuf + maxCompile);
    *sm_RIP++ = SDLCODE_T(word);
}

void PsdlTool::Refuse(const char* what) {
    if (!sm_Refusal) {
        sm_Refusal = what;
    }
}

void PsdlTool::CheckIdle() {
    Assert(!sm_CompileRoom);
}

void PsdlTool::CheckCompiling() {
    Assert(sm_CompileRoom);
}

void PsdlTool::CheckNoPrimitive() {
    Assert(!sm_Begin);
}

void PsdlTool::CheckPrimitive() {
    Assert(sm_Begin);
}

void PsdlTool::CheckRoomFits() {
    Assert(sm_RIP <= sm_RoomBuf + maxCompile);
}

void PsdlTool::CheckFacadeEdge() {
    Assert(sm_RIP[-2] != sm_RIP[-1]);
}

void lvlPSDL::BeginCompileRoom(int room) {
    PsdlTool::CheckIdle();
    // Words compiled for a slot without a room would have nowhere to go.
    Assert(room > 0 && uint32_t(room) < m_RoomCount && m_Rooms[room]);
    PsdlTool::sm_RIP = PsdlTool::sm_RoomBuf;
    PsdlTool::sm_CompileRoom = uint32_t(room);
    PsdlTool::sm_LastCommand = nullptr;
    PsdlTool::sm_CurTexture = 0;
}

void lvlPSDL::EndCompileRoom() {
    using T = PsdlTool;
    T::CheckCompiling();
    // An open primitive has no count yet: its words would read as another command.
    T::CheckNoPrimitive();
    lvlSDL* room = m_Rooms[T::sm_CompileRoom].get();
    if (T::sm_LastCommand) {
        *T::sm_LastCommand |= SDL_LAST;
        T::CheckRoomFits();
        room->SetCodes(T::sm_RoomBuf, uint32_t(T::sm_RIP - T::sm_RoomBuf));
    } else if (m_RoomTypes[T::sm_CompileRoom] & RemoveWhenEmpty) {
        room->SetCodes(nullptr, 0);
    }
    T::sm_CompileRoom = 0;
}

void BeginPrimitive(int code, float height) {
    using T = PsdlTool;
    if (T::sm_CompileRoom) {
        T::CheckNoPrimitive();
        T::sm_BeginCode = uint16_t(code);
        T::sm_Begin = T::sm_RIP;
        T::Put(uint32_t(code));
        if (code == SDL_RAISEDFAN) {
            T::Put(FloatIndex(height));
        }
        return;
    }
    T::sm_DrawHeight = 0.0f;
    if (!IsFanCode(code)) {
        FatalQuit("Bad SDL code");
    }
    if (code == SDL_RAISEDFAN) {
        T::sm_DrawHeight = height;
    }
    if (EmitDrawer) {
        EmitDrawer->BeginFan();
    }
}

void EmitVertex(const Vector3& position) {
    using T = PsdlTool;
    if (T::sm_CompileRoom) {
        T::CheckPrimitive();
        T::Put(VertexIndex(position));
        return;
    }
    if (EmitDrawer) {
        float y = T::sm_DrawHeight != 0.0f ? T::sm_DrawHeight : position.y;
        EmitDrawer->Vertex(position.x, y, position.z, position.x, position.z);
    }
}

void EndPrimitive() {
    using T = PsdlTool;
    if (!T::sm_CompileRoom) {
        if (EmitDrawer) {
            EmitDrawer->End();
        }
        return;
    }
    T::CheckPrimitive();
    int words = int(T::sm_RIP - T::sm_Begin);
    int count = IsFanCode(T::sm_BeginCode) ? words - 3 : words - 1;
    if (count <= 0) {
        // The format holds no count of 0; a fan of fewer than three vertices is dropped.
        PrintWarning("EndPrimitive: primitive of %d words dropped, too few vertices.", words);
        T::sm_RIP = T::sm_Begin;
        T::sm_Begin = nullptr;
        return;
    }
    Assert(count < 256);
    if (count >= 8) {
        T::Put(0);
        memmove(T::sm_Begin + 2, T::sm_Begin + 1, (words - 1) * sizeof(SDLCODE_T));
        T::sm_Begin[1] = SDLCODE_T(count);
    } else {
        *T::sm_Begin |= SDLCODE_T(count);
    }
    T::sm_LastCommand = T::sm_Begin;
    T::sm_Begin = nullptr;
}

void SetTexture(const char* name, gfxTexture* texture) {
    using T = PsdlTool;
    if (!T::sm_CompileRoom) {
        if (EmitDrawer) {
            EmitDrawer->BindTexture(name ? texture : nullptr);
        }
        return;
    }
    if (!name) {
        T::sm_CurTexture = 0;
        return;
    }
    uintptr_t value;
    if (!T::sm_TextureHash.Lookup(name, value)) {
        value = lvlPSDL::AddTexture(name, texture);
        T::sm_TextureHash.Insert(name, value);
    }
    int32_t index = int32_t(value);
    if (index != T::sm_CurTexture) {
        T::CheckCompiling();
        T::Put(SDL_TEXTURE | (uint32_t(index) >> 8));
        T::Put(uint32_t(index) & 255);
    }
    T::sm_CurTexture = index;
}

void EmitWall(const Vector3& a, const Vector3& b, float height) {
    if (SamePoint(a, b) || !PsdlTool::sm_CompileRoom) {
        return;
    }
    BeginEdgeCommand(SDL_WALL | 4);
    PsdlTool::Put(WallAngle(a, b));
    PsdlTool::Put(FloatIndex(height));
    PutEdge(a, b);
}

void EmitFacade(const Vector3& a, const Vector3& b, float bottom, float top, float horizontal,
                float vertical) {
    using T = PsdlTool;
    if (SamePoint(a, b) || bottom == top) {
        return;
    }
    // Tile counts are words of their own.
    const float MaxTiles = float((1 << (8 * sizeof(SDLCODE_T))) - 1);
    if (!(horizontal + 0.5f < MaxTiles + 1.0f) || !(vertical + 0.5f < MaxTiles + 1.0f)) {
        T::Refuse("a wall has more tiles than the processed city can count");
        return;
    }
    int h = int(horizontal + 0.5f);
    int v = int(vertical + 0.5f);
    h = h < 1 ? 1 : h;
    v = v < 1 ? 1 : v;
    if (T::sm_CompileRoom) {
        BeginEdgeCommand(SDL_FACADE | 6);
        T::Put(FloatIndex(bottom));
        T::Put(FloatIndex(top));
        T::Put(uint32_t(h));
        T::Put(uint32_t(v));
        PutEdge(a, b);
        T::CheckFacadeEdge();
        return;
    }
    if (EmitDrawer) {
        EmitDrawer->BeginFan();
        DrawVertex(Vector3(a.x, bottom, a.z), 0.0f, 0.0f);
        DrawVertex(Vector3(b.x, bottom, b.z), float(h), 0.0f);
        DrawVertex(Vector3(b.x, top, b.z), float(h), float(v));
        DrawVertex(Vector3(a.x, top, a.z), 0.0f, float(v));
        EmitDrawer->End();
    }
}

void EmitSkirt(const Vector3& a, const Vector3& b, float base, float scale) {
    using T = PsdlTool;
    if (SamePoint(a, b)) {
        return;
    }
    if (T::sm_CompileRoom) {
        BeginEdgeCommand(SDL_SKIRT | 4);
        T::Put(FloatIndex(base));
        T::Put(FloatIndex(scale));
        PutEdge(a, b);
        return;
    }
    float dx = b.x - a.x;
    float dz = b.z - a.z;
    float u = std::floor(std::sqrt(dx * dx + dz * dz) * scale + 0.5f);
    float ua = (a.y - base) * scale;
    float ub = (b.y - base) * scale;
    if (!EmitDrawer || (ua == 0.0f && ub == 0.0f)) {
        return;
    }
    EmitDrawer->BeginFan();
    DrawVertex(a, 0.0f, ua);
    DrawVertex(b, u, ub);
    if (ub != 0.0f) {
        DrawVertex(Vector3(b.x, base, b.z), u, 0.0f);
    }
    if (ua != 0.0f) {
        DrawVertex(Vector3(a.x, base, a.z), 0.0f, 0.0f);
    }
    EmitDrawer->End();
}
