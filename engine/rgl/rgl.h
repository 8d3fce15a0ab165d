#ifndef RGL_RGL_H
#define RGL_RGL_H

#include <cstdint>

class gfxTexture;
struct Matrix34;
struct Vector3;
struct Vector4;

// Immediate-mode drawing over the pipeline's device: begin a primitive, send vertices with the
// current colour, normal and texture coordinates, end it. Vertices stream into one dynamic
// buffer of 960 vertices used as a ring; each primitive is drawn with one call at its end, or
// in pieces when it wraps.

// Vertex formats: position, normal, u, v (32 bytes); position, colour, u, v (24 bytes); and the
// same two with a second coordinate pair.
const uint32_t FVF_VNT1 = 0x112;
const uint32_t FVF_VCT1 = 0x142;
const uint32_t FVF_VNT2 = 0x312;
const uint32_t FVF_VCT2 = 0x342;

// Primitive types as the device's.
enum {
    RGL_POINTS = 1,
    RGL_LINES = 2,
    RGL_LINE_STRIP = 3,
    RGL_TRIANGLES = 4,
    RGL_TRIANGLE_STRIP = 5,
    RGL_TRIANGLE_FAN = 6,
};

// Capabilities of rglEnable.
enum {
    RGL_DEPTH_TEST = 0,
    RGL_CULL_FACE = 1,
    RGL_LIGHTING = 2,
    RGL_BLEND = 3,
    RGL_UNUSED = 4,
    RGL_LIGHT_MAPS = 5,
    RGL_MULTITEXTURE = 6,
};

const uint32_t rglRingSize = 960;
const uint32_t rglDepthComplexityColor = 0xFF202020;

typedef void (*rglVertexFunc)(float x, float y, float z);
extern rglVertexFunc rglVertex;

void rglSetVertexFormat(uint32_t format);
// The ring's vertex buffer, or none.
struct gfxVertexBuffer* rglRingBuffer();
uint32_t rglGetVertexFormat();
void rglBegin(uint32_t type);
void rglEnd();
void rglFlush();
void rglEndFrame();

void rglColor(uint32_t colour);
void rglTexCoord(float u, float v);
void rglNormal(float x, float y, float z);
uint8_t rglEnable(uint32_t capability, uint8_t value);
bool rglIsEnabled(uint32_t capability);
void rglBindTexture(gfxTexture* texture);
void rglBindTexture2(gfxTexture* texture);

void rglLoadMatrix(const Matrix34& m);
void rglLoadIdentity();
void rglLoadBillboard(const Vector3& position);
void rglMultMatrix(const Matrix34& m);
void rglPushMatrix();
void rglPopMatrix();

void rglPrint3D(const Vector3& point, const char* text);
void rglPrintf3D(const Vector3& point, const char* format, ...);
void rglDrawWireBox(const Vector3& size, const Matrix34& m);
void rglDrawSolidBox(const Vector3& size, const Matrix34& m, const Vector4& colour);
void rglDrawAxes(float length, const Matrix34& m);
void rglDrawWireSphere(float radius, int segments);
void rglDrawWireEllipsoid(const Vector3& radii, const Matrix34& m, int segments);
void rglDrawWireEllipsoid(float radius, const Matrix34& m, int segments);
// The corners of a camera-facing square: c - sR - sU, then counter-clockwise.
void rglBillboardCorners(const Vector3& centre, float halfSize, Vector3 corners[4]);
void rglDrawBillboard(const Vector3& centre, float halfSize, const Vector4& colour);
void rglShowTexture(gfxTexture* texture);
// Puts the tile cursor of rglShowTexture back at the top left.
void rglResetTileCursor();

// The light-maps switch ("Light Maps").
extern uint8_t rglLightMaps;

// A minimal application over the pipeline.
void rglStart(int width, int height, bool windowed);
void rglClose();
void rglBeginFrame(uint32_t clearColour);
void rglFinishFrame();
void rglSetCamera(const Matrix34& camera);
// False once the window has been closed or Escape went down this frame.
bool rglKeepRunning();

// The keyboard's states of this frame and of the one before, indexed by DirectInput key code
// (bit 0x80 when down); the input layer sets it. Without it no key is read.
typedef void (*rglKeyStatesFunc)(const uint8_t** current, const uint8_t** previous);
extern rglKeyStatesFunc rglKeyStates;

#endif
