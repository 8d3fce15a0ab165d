// Viewports: rectangle, depth range, projections, screen matrix, frustum tests and the
// viewport switch.
#include "gfx/viewport.h"

#include <cmath>

#include "bank/bank.h"
#include "data/assert.h"
#include "gfx/pipeline.h"
#include "gfx/rstate.h"
#include "vector/nanfill.h"

gfxViewport* gfxCurrentViewport;
gfxViewport* gfxScreenViewport;
gfxViewport* gfxMainViewport;

gfxViewport::gfxViewport()
    : m_Camera(Matrix44::sm_Identity),
      m_World(Matrix44::sm_Identity),
      m_Dirty(0),
      m_Aspect(1.0f),
      m_Flags(0x02),
      m_Near(1.0f),
      m_Far(1000.0f),
      m_TanX(0),
      m_TanY(0),
      m_SidePlanes(),
      m_Viewport(),
      m_FovY(60.0f),
      m_AspectOverride(0) {}

gfxViewport* gfxCreateViewport() {
    gfxViewport* viewport = new gfxViewport;
    viewport->SetFullWindow();
    return viewport;
}

void gfxViewport::SetFullWindow() {
    SetWindow(0, 0, gfxPipeline::m_iWidth, gfxPipeline::m_iHeight, 0.0f, 1.0f);
}

void gfxViewport::SetWindow(int x, int y, int width, int height, float minZ, float maxZ) {
    Assert(gfxPipeline::m_iWidth && gfxPipeline::m_iHeight);
    if (x < 0) {
        width += x;
        x = 0;
    }
    if (x + width > gfxPipeline::m_iWidth) {
        width = gfxPipeline::m_iWidth - x;
    }
    if (y < 0) {
        height += y;
        y = 0;
    }
    if (y + height > gfxPipeline::m_iHeight) {
        height = gfxPipeline::m_iHeight - y;
    }
    m_Viewport.dwX = x;
    m_Viewport.dwY = y;
    m_Viewport.dwWidth = width;
    m_Viewport.dwHeight = height;
    m_Aspect = (float)width / (float)height;
    m_Viewport.dvMinZ = minZ * 0.999999f;
    m_Viewport.dvMaxZ = maxZ * 0.999999f;

    float w2 = (float)(width / 2);
    float h2 = (float)(height / 2);
    // The y scale is the negated height halved toward minus infinity (-301 for 601).
    float yScale = (float)((-height) >> 1);
    float minDepth = m_Viewport.dvMinZ;
    float maxDepth = m_Viewport.dvMaxZ;
    float zs = maxDepth - minDepth;
    float zo = minDepth;
    if (gfxUseIntRenderer) {
        // Clip depth runs from -1 to 1 here: map it onto the whole depth range.
        zs = (maxDepth - minDepth) / 2;
        zo = (minDepth + maxDepth) / 2;
    }
    m_Screen.a = Vector4(w2, 0, 0, 0);
    m_Screen.b = Vector4(0, yScale, 0, 0);
    m_Screen.c = Vector4(0, 0, zs, 0);
    m_Screen.d = Vector4(x + w2, y + h2, zo, 1);

    m_Dirty |= DirtyViewport;
    if (IsOrtho()) {
        Apply();
    } else {
        UpdatePerspective();
    }
}

void gfxViewport::Perspective(float fovY, float aspect, float nearClip, float farClip) {
    m_FovY = fovY;
    m_AspectOverride = aspect;
    float a = aspect != 0 ? aspect : m_Aspect;
    float t = tanf(fovY * 0.008726646f);
    m_TanY = t;
    m_TanX = t * a;
    m_Near = nearClip;
    m_Far = farClip;

    float thetaX = atanf(t * a);
    float thetaY = fovY * 0.008726646f;
    float planes[8] = {-cosf(thetaX), -sinf(thetaX), cosf(thetaX), -sinf(thetaX),
                       -cosf(thetaY), -sinf(thetaY), cosf(thetaY), -sinf(thetaY)};
    for (int i = 0; i < 8; i += 2) {
        float length = sqrtf(planes[i] * planes[i] + planes[i + 1] * planes[i + 1]);
        m_SidePlanes[i] = planes[i] / length;
        m_SidePlanes[i + 1] = planes[i + 1] / length;
    }

    m_Projection.Zero();
    m_Projection.a.x = 1.0f / (t * a);
    m_Projection.b.y = 1.0f / t;
    m_Projection.c.w = 1.0f;
    float range = farClip - nearClip;
    if (gfxUseIntRenderer) {
        m_Projection.c.z = (nearClip + farClip) / range;
        m_Projection.d.z = -2.0f * nearClip * farClip / range;
    } else {
        m_Projection.c.z = farClip / range;
        m_Projection.d.z = -nearClip * farClip / range;
    }
    m_Dirty |= DirtyProjection;
    m_Flags &= ~FlagOrtho;
    Apply();
}

void gfxViewport::Ortho(float l, float r, float b, float t, float n, float f) {
    m_Projection.a = Vector4(2 / (r - l), 0, 0, 0);
    m_Projection.b = Vector4(0, 2 / (t - b), 0, 0);
    m_Projection.c = Vector4(0, 0, -2 / (f - n), 0);
    m_Projection.d = Vector4(-(r + l) / (r - l), -(t + b) / (t - b), -(f + n) / (f - n), 1);
    m_Dirty |= DirtyProjection;
    m_Flags |= FlagOrtho;
    Apply();
}

void gfxViewport::Apply() {
    if (m_Dirty & DirtyViewport) {
        gfxFailed(lpD3DDev->SetViewport((LPD3DVIEWPORT7)&m_Viewport),
                  "lpD3DDev->SetViewport((LPD3DVIEWPORT7)&m_Viewport)");
    }
    if (m_Dirty & DirtyProjection) {
        gfxFailed(lpD3DDev->SetTransform(D3DTRANSFORMSTATE_PROJECTION, (D3DMATRIX*)&m_Projection),
                  "lpD3DDev->SetTransform(D3DTRANSFORMSTATE_PROJECTION,(D3DMATRIX*)&m_Projection)");
    }
    m_Dirty = 0;
}

void gfxViewport::UpdatePerspective() {
    Perspective(m_FovY, m_AspectOverride, m_Near, m_Far);
}

int gfxViewport::TestSphere(float x, float y, float z, float r, float* depth) const {
    float vx = x * gfxView.a.x + y * gfxView.b.x + z * gfxView.c.x + gfxView.d.x;
    float vy = x * gfxView.a.y + y * gfxView.b.y + z * gfxView.c.y + gfxView.d.y;
    float vz = x * gfxView.a.z + y * gfxView.b.z + z * gfxView.c.z + gfxView.d.z;
    if (depth) {
        *depth = vz;
    }
    const float* p = m_SidePlanes;
    float dL = vx * p[0] + vz * p[1];
    float dR = vx * p[2] + vz * p[3];
    float dB = vy * p[4] + vz * p[5];
    float dT = vy * p[6] + vz * p[7];
    if (vz + r < m_Near || vz - r > m_Far) {
        return 0;
    }
    if (dL > r || dR > r || dB > r || dT > r) {
        return 0;
    }
    if (fabsf(vz - m_Near) < r) {
        return 3;
    }
    if (fabsf(m_Far - vz) < r) {
        return 4;
    }
    if (fabsf(dL) < r || fabsf(dR) < r || fabsf(dB) < r || fabsf(dT) < r) {
        return 2;
    }
    return 1;
}

float gfxViewport::FovYFromFovX(float fovX) const {
    return 2.0f * atanf(tanf(fovX * 0.5f) / m_Aspect);
}

void gfxViewport::AddWidgets(bkBank* bank) {
    datCallback update(&gfxViewport::UpdatePerspective, this);
    bank->PushGroup("Perspective", true);
    bank->AddSlider("Fov Y", &m_FovY, 0.0f, 360.0f, 0.1f, update);
    bank->AddSlider("Aspect", &m_AspectOverride, 0.0f, 10.0f, 0.01f, update);
    bank->AddSlider("Near Clip", &m_Near, 0.001f, 100000.0f, 0.001f, update);
    bank->AddSlider("Far Clip", &m_Far, 10.0f, 100000.0f, 10.0f, update);
    bank->PopGroup();
    bank->PushGroup("Window", true);
    uint32_t width = gfxPipeline::m_iWidth;
    uint32_t height = gfxPipeline::m_iHeight;
    bank->AddSlider("X", (uint32_t*)&m_Viewport.dwX, 0u, width, 1.0f);
    bank->AddSlider("Width", (uint32_t*)&m_Viewport.dwWidth, 0u, width, 1.0f);
    bank->AddSlider("Y", (uint32_t*)&m_Viewport.dwY, 0u, height, 1.0f);
    bank->AddSlider("Height", (uint32_t*)&m_Viewport.dwHeight, 0u, height, 1.0f);
    bank->PopGroup();
}

void gfxTransformPoint(Vector4* out, const Vector4* in) {
    if (gfxStateDirty & gfxDirtyComposite) {
        gfxComposeMatrices();
    }
    Vector4 p;
    p.Dot44(*in, gfxComposite);
    float inverseW = 1.0f / p.w;
    out->Set(p.x * inverseW, p.y * inverseW, p.z * inverseW, inverseW);
}

void gfxSetViewport(gfxViewport* viewport) {
    if (gfxCurrentViewport) {
        gfxCurrentViewport->m_Camera = gfxCamera;
        gfxCurrentViewport->m_World = gfxWorld;
    }
    gfxCurrentViewport = viewport;
    viewport->m_Dirty = gfxViewport::DirtyViewport | gfxViewport::DirtyProjection;
    viewport->Apply();
    gfxSetCameraMatrix(viewport->m_Camera);
    gfxWorld = viewport->m_World;
    gfxStateDirty |= gfxDirtyWorld | gfxDirtyComposite;
}
