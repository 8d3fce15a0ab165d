#ifndef CITYEDIT_PSDLTOOL_H
#define CITYEDIT_PSDLTOOL_H

#include "city/sdlcode.h"
#include "data/hash.h"

#include <cstdint>

struct Matrix34;
struct Stream;
struct Vector3;
struct gfxTexture;
struct modShader;
class modStatic;

// The room emitters. While no room is being compiled they draw at once (draw mode); between
// lvlPSDL::BeginCompileRoom and lvlPSDL::EndCompileRoom they append words to the room's code
// stream, positions to the shared vertex table, heights and scales to the float table and
// textures to the texture table. Every word is checked against the room buffer before it is
// written, and every new vertex and float against the 16-bit index limit.
class PsdlTool {
public:
    static const uint32_t maxCompile = 16384;

    static uint32_t sm_CompileRoom;
    static SDLCODE_T sm_RoomBuf[maxCompile];
    static SDLCODE_T* sm_RIP;
    static SDLCODE_T* sm_Begin;
    static uint16_t sm_BeginCode;
    static SDLCODE_T* sm_LastCommand;
    static int32_t sm_CurTexture;
    static float sm_DrawHeight;
    static Stream* sm_InstFile;
    // Texture name to texture index; lives for one make.
    static HashTable sm_TextureHash;
    // What the room being compiled asked for that its words cannot hold (null while all fits),
    // and whether any room of this make did: such a make writes nothing.
    static const char* sm_Refusal;
    static bool sm_MakeRefused;

    // Records the first value of the room that does not fit; the emitter leaves it out.
    static void Refuse(const char* what);

    // Appends one word of the room being compiled.
    static void Put(uint32_t word);

    // The make path's assertions, stated in the compiler's own names.
    static void CheckIdle();
    static void CheckCompiling();
    static void CheckNoPrimitive();
    static void CheckPrimitive();
    static void CheckRoomFits();
    static void CheckFacadeEdge();
};

// Code 40 flat fan, 48 fan, 96 raised fan at the given height.
void BeginPrimitive(int code, float height = 0.0f);
void EmitVertex(const Vector3& position);
void EndPrimitive();
// Null name: no texture. The name is what the table and the processed file keep; the handle is
// what draw mode binds.
void SetTexture(const char* name, gfxTexture* texture = nullptr);
void EmitWall(const Vector3& a, const Vector3& b, float height);
void EmitFacade(const Vector3& a, const Vector3& b, float bottom, float top, float horizontal,
                float vertical);
void EmitSkirt(const Vector3& a, const Vector3& b, float base, float scale);

// The index of an exactly equal vertex or float, else a new one.
uint16_t VertexIndex(const Vector3& position);
uint16_t FloatIndex(float value);

// Draw mode: what the emitters, and the block editor's own views of its lots, draw at once.
// The immediate-mode layer installs its own; with none installed, draw mode draws nothing.
class lvlEmitDrawer {
public:
    virtual void BeginFan() = 0;
    virtual void BeginLineStrip() = 0;
    // The colour of the vertices that follow, packed 0xAARRGGBB.
    virtual void Colour(uint32_t colour) = 0;
    virtual void Vertex(float x, float y, float z, float u, float v) = 0;
    virtual void End() = 0;
    virtual void BindTexture(gfxTexture* texture) = 0;
    virtual void DrawModel(const Matrix34& matrix, modStatic* model, modShader* shaders) = 0;
    // Text at the point's place on screen.
    virtual void Print(const Vector3& position, const char* text) = 0;
    virtual ~lvlEmitDrawer() {}
};

extern lvlEmitDrawer* EmitDrawer;
// Installs the drawer that draws through the immediate-mode layer.
void lvlUseRglEmitDrawer();

#endif
