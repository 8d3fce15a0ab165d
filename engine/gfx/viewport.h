#ifndef GFX_VIEWPORT_H
#define GFX_VIEWPORT_H

#include <cstdint>

#include <windows.h>
#include <d3d.h>

#include "vector/matrix44.h"
#include "vector/vector4.h"

class bkBank;

// A rectangle of the render target with a depth range and a projection (perspective or
// orthographic), the screen matrix from clip space to pixels, the frustum's side planes, and
// the camera and world matrices kept while another viewport is current. Made only once the
// device exists: construction already sends it.
class gfxViewport {
public:
    // m_Dirty bits.
    static const uint32_t DirtyViewport = 0x01;
    static const uint32_t DirtyProjection = 0x02;
    // m_Flags bits.
    static const uint8_t FlagOrtho = 0x01;

    gfxViewport();

    void SetFullWindow();
    void SetWindow(int x, int y, int width, int height, float minZ, float maxZ);
    void Perspective(float fovY, float aspect, float nearClip, float farClip);
    void Ortho(float left, float right, float bottom, float top, float nearClip, float farClip);
    void Apply();
    void UpdatePerspective();
    // 0 outside, 1 wholly inside, 2 crosses a side plane, 3 the near plane, 4 the far plane.
    int TestSphere(float x, float y, float z, float radius, float* depth) const;
    float FovYFromFovX(float fovX) const;
    void AddWidgets(bkBank* bank);
    bool IsOrtho() const { return (m_Flags & FlagOrtho) != 0; }

    Matrix44 m_Projection;
    Matrix44 m_Screen;
    Matrix44 m_Camera;
    Matrix44 m_World;
    Vector4 m_Extra[2];
    uint32_t m_Dirty;
    float m_Aspect;
    uint8_t m_Flags;
    float m_Near;
    float m_Far;
    float m_TanX;
    float m_TanY;
    // Left, right, bottom, top as (lateral, depth) coefficient pairs.
    float m_SidePlanes[8];
    D3DVIEWPORT7 m_Viewport;
    float m_FovY;
    float m_AspectOverride;
};

gfxViewport* gfxCreateViewport();

// out = in × gfxComposite, then x, y, z divided by w and w replaced by 1 / w.
void gfxTransformPoint(Vector4* out, const Vector4* in);

// The viewport in use, the full-target pixel viewport and the main one, made with the device.
extern gfxViewport* gfxCurrentViewport;
extern gfxViewport* gfxScreenViewport;
extern gfxViewport* gfxMainViewport;

// Makes the viewport current: the one that was current keeps the camera and world matrices,
// the new one is applied in full and brings back its own.
void gfxSetViewport(gfxViewport* viewport);

#endif
