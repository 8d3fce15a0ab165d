// The own software device: its Direct3D 7 interface, state tables, render target, depth
// buffer, clears, textures and the primitive draws that feed the rasterizer.
#include "gfx/kesh.h"

#include <algorithm>
#include <cstring>

#include "data/floatstate.h"
#include "gfx/keshraster.h"
#include "gfx/vertexformat.h"

namespace {

const int MaxLights = 4;
const int MaxLightEnables = 8;
const int MaxStages = 8;
const int StageStateCount = 32;
const int MaxTemplate = 8;
const DWORD DepthBufferCaps = DDSCAPS_ZBUFFER;
const DWORD DeviceCaps = 0x500;  // textures in system memory, pre-transformed vertices
const HRESULT InvalidParameter = DDERR_INVALIDPARAMS;

HRESULT NotImplemented() {
    OutputDebugStringA("Returning E_NOTIMPL\n");
    return keshNotImplemented;
}

int Log2(uint32_t value) {
    int k = 0;
    while ((2u << k) <= value) {
        ++k;
    }
    return k;
}

class keshDevice : public IDirect3DDevice7 {
public:
    HRESULT Init(IDirectDrawSurface7* target);

    // IUnknown
    STDMETHOD(QueryInterface)(REFIID, void**) override { return NotImplemented(); }
    STDMETHOD_(ULONG, AddRef)() override {
        ++m_RefCount;
        return 0;
    }
    STDMETHOD_(ULONG, Release)() override;
    // IDirect3DDevice7
    STDMETHOD(GetCaps)(D3DDEVICEDESC7* desc) override;
    STDMETHOD(EnumTextureFormats)(LPD3DENUMPIXELFORMATSCALLBACK callback, void* context) override;
    STDMETHOD(BeginScene)() override;
    STDMETHOD(EndScene)() override;
    STDMETHOD(GetDirect3D)(IDirect3D7**) override { return NotImplemented(); }
    STDMETHOD(SetRenderTarget)(IDirectDrawSurface7* surface, DWORD) override;
    STDMETHOD(GetRenderTarget)(IDirectDrawSurface7** surface) override;
    STDMETHOD(Clear)(DWORD count, D3DRECT* rects, DWORD flags, D3DCOLOR colour, D3DVALUE z,
                     DWORD stencil) override;
    STDMETHOD(SetTransform)(D3DTRANSFORMSTATETYPE, D3DMATRIX*) override { return D3D_OK; }
    STDMETHOD(GetTransform)(D3DTRANSFORMSTATETYPE, D3DMATRIX*) override { return NotImplemented(); }
    STDMETHOD(SetViewport)(D3DVIEWPORT7*) override { return D3D_OK; }
    STDMETHOD(MultiplyTransform)(D3DTRANSFORMSTATETYPE, D3DMATRIX*) override {
        return NotImplemented();
    }
    STDMETHOD(GetViewport)(D3DVIEWPORT7*) override { return NotImplemented(); }
    STDMETHOD(SetMaterial)(D3DMATERIAL7* material) override;
    STDMETHOD(GetMaterial)(D3DMATERIAL7* material) override;
    STDMETHOD(SetLight)(DWORD index, D3DLIGHT7* light) override;
    STDMETHOD(GetLight)(DWORD index, D3DLIGHT7* light) override;
    STDMETHOD(SetRenderState)(D3DRENDERSTATETYPE state, DWORD value) override;
    STDMETHOD(GetRenderState)(D3DRENDERSTATETYPE state, LPDWORD value) override;
    STDMETHOD(BeginStateBlock)() override { return NotImplemented(); }
    STDMETHOD(EndStateBlock)(LPDWORD) override { return NotImplemented(); }
    STDMETHOD(PreLoad)(IDirectDrawSurface7*) override { return NotImplemented(); }
    STDMETHOD(DrawPrimitive)(D3DPRIMITIVETYPE type, DWORD format, void* vertices, DWORD count,
                             DWORD flags) override;
    STDMETHOD(DrawIndexedPrimitive)(D3DPRIMITIVETYPE type, DWORD format, void* vertices,
                                    DWORD vertexCount, WORD* indices, DWORD indexCount,
                                    DWORD flags) override;
    STDMETHOD(SetClipStatus)(D3DCLIPSTATUS*) override { return NotImplemented(); }
    STDMETHOD(GetClipStatus)(D3DCLIPSTATUS*) override { return NotImplemented(); }
    STDMETHOD(DrawPrimitiveStrided)(D3DPRIMITIVETYPE, DWORD, D3DDRAWPRIMITIVESTRIDEDDATA*, DWORD,
                                    DWORD) override {
        return NotImplemented();
    }
    STDMETHOD(DrawIndexedPrimitiveStrided)(D3DPRIMITIVETYPE, DWORD, D3DDRAWPRIMITIVESTRIDEDDATA*,
                                           DWORD, WORD*, DWORD, DWORD) override {
        return NotImplemented();
    }
    STDMETHOD(DrawPrimitiveVB)(D3DPRIMITIVETYPE, IDirect3DVertexBuffer7*, DWORD, DWORD,
                               DWORD) override {
        return NotImplemented();
    }
    STDMETHOD(DrawIndexedPrimitiveVB)(D3DPRIMITIVETYPE, IDirect3DVertexBuffer7*, DWORD, DWORD,
                                      WORD*, DWORD, DWORD) override {
        return NotImplemented();
    }
    STDMETHOD(ComputeSphereVisibility)(D3DVECTOR*, D3DVALUE*, DWORD, DWORD, DWORD*) override {
        return NotImplemented();
    }
    STDMETHOD(GetTexture)(DWORD, IDirectDrawSurface7**) override { return NotImplemented(); }
    STDMETHOD(SetTexture)(DWORD stage, IDirectDrawSurface7* surface) override;
    STDMETHOD(GetTextureStageState)(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                                    LPDWORD value) override;
    STDMETHOD(SetTextureStageState)(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                                    DWORD value) override;
    STDMETHOD(ValidateDevice)(LPDWORD) override { return NotImplemented(); }
    STDMETHOD(ApplyStateBlock)(DWORD) override { return NotImplemented(); }
    STDMETHOD(CaptureStateBlock)(DWORD) override { return NotImplemented(); }
    STDMETHOD(DeleteStateBlock)(DWORD) override { return NotImplemented(); }
    STDMETHOD(CreateStateBlock)(D3DSTATEBLOCKTYPE, LPDWORD) override { return NotImplemented(); }
    STDMETHOD(Load)(IDirectDrawSurface7* destination, POINT* point, IDirectDrawSurface7* source,
                    RECT* rect, DWORD flags) override;
    STDMETHOD(LightEnable)(DWORD index, WINBOOL enable) override;
    STDMETHOD(GetLightEnable)(DWORD index, WINBOOL* enable) override;
    STDMETHOD(SetClipPlane)(DWORD, D3DVALUE*) override { return NotImplemented(); }
    STDMETHOD(GetClipPlane)(DWORD, D3DVALUE*) override { return NotImplemented(); }
    STDMETHOD(GetInfo)(DWORD, void*, DWORD) override { return NotImplemented(); }

private:
    void ReleaseTexture();
    bool LockDepth();
    void UnlockDepth();
    // The vertex of a pre-transformed format at index i.
    keshVertex VertexAt(const uint8_t* vertices, uint32_t i) const;
    template <typename VertexOf>
    HRESULT Draw(D3DPRIMITIVETYPE type, DWORD format, uint32_t count, VertexOf vertexOf);

    ULONG m_RefCount = 0;
    IDirectDrawSurface7* m_Target = nullptr;
    IDirectDrawSurface7* m_DepthBuffer = nullptr;
    IDirectDrawSurface7* m_TextureSurface = nullptr;
    DDPIXELFORMAT m_TargetFormat = {};
    bool m_InScene = false;
    bool m_DepthLocked = false;
    uint32_t m_StageStates[MaxStages][StageStateCount] = {};
    D3DMATERIAL7 m_Material = {};
    D3DLIGHT7 m_Lights[MaxLights] = {};
    WINBOOL m_LightEnables[MaxLightEnables] = {};
    uint32_t m_Stride = 0;
    uint32_t m_DiffuseOffset = 0;
    uint32_t m_UVOffset = 0;
    bool m_HasUV = false;
    keshRaster m_Raster;
};

keshDevice sDevice;

HRESULT keshDevice::Init(IDirectDrawSurface7* target) {
    if (m_RefCount != 0) {
        return keshSecondDevice;
    }
    m_RefCount = 1;
    m_Raster = keshRaster();
    memset(m_StageStates, 0, sizeof(m_StageStates));
    HRESULT result = SetRenderTarget(target, 0);
    if (FAILED(result)) {
        // A refused target leaves no device behind, so that another attempt can make one.
        SetRenderTarget(nullptr, 0);
        m_RefCount = 0;
        return result;
    }
    // The unrolled span templates are entered through a switch: nothing to patch here.
    m_Raster.m_States[D3DRENDERSTATE_PLANEMASK] = 0xFFFFFFFF;
    m_Raster.m_States[D3DRENDERSTATE_ZENABLE] = m_DepthBuffer != nullptr;
    m_Raster.m_States[D3DRENDERSTATE_ZWRITEENABLE] = m_DepthBuffer != nullptr;
    m_Raster.Invalidate();
    return result;
}

ULONG keshDevice::Release() {
    if (m_RefCount == 0) {
        return 0;
    }
    if (--m_RefCount == 0) {
        ReleaseTexture();
        SetRenderTarget(nullptr, 0);
    }
    return m_RefCount;
}

HRESULT keshDevice::GetCaps(D3DDEVICEDESC7* desc) {
    memset(desc, 0, sizeof(*desc));
    desc->dwDevCaps = DeviceCaps;
    desc->dwDeviceRenderBitDepth = DDBD_16;
    desc->dwDeviceZBufferBitDepth = DDBD_16;
    desc->dwMinTextureWidth = 1;
    desc->dwMinTextureHeight = 1;
    desc->dwMaxTextureWidth = 256;
    desc->dwMaxTextureHeight = 256;
    desc->wMaxSimultaneousTextures = 1;
    desc->dwMaxActiveLights = 0;
    return D3D_OK;
}

HRESULT keshDevice::EnumTextureFormats(LPD3DENUMPIXELFORMATSCALLBACK callback, void* context) {
    if (!m_Target) {
        return InvalidParameter;
    }
    DDPIXELFORMAT format = m_TargetFormat;
    callback(&format, context);
    return D3D_OK;
}

bool keshDevice::LockDepth() {
    if (!m_DepthBuffer || m_DepthLocked) {
        return m_DepthLocked;
    }
    DDSURFACEDESC2 desc = {};
    desc.dwSize = sizeof(desc);
    if (FAILED(m_DepthBuffer->Lock(nullptr, &desc, DDLOCK_NOSYSLOCK | DDLOCK_WAIT, nullptr))) {
        return false;
    }
    m_Raster.m_Target.m_Depth = (uint16_t*)desc.lpSurface;
    m_Raster.m_Target.m_DepthPitch = (int)(desc.lPitch / 2);
    m_DepthLocked = true;
    return true;
}

void keshDevice::UnlockDepth() {
    if (m_DepthLocked) {
        m_DepthBuffer->Unlock(nullptr);
        m_DepthLocked = false;
    }
    m_Raster.m_Target.m_Depth = nullptr;
}

HRESULT keshDevice::BeginScene() {
    if (!m_Target || m_InScene) {
        return InvalidParameter;
    }
    DDSURFACEDESC2 desc = {};
    desc.dwSize = sizeof(desc);
    HRESULT result = m_Target->Lock(nullptr, &desc, DDLOCK_NOSYSLOCK, nullptr);
    if (FAILED(result)) {
        return result;
    }
    m_InScene = true;
    m_Raster.m_Target.m_Pixels = (uint16_t*)desc.lpSurface;
    m_Raster.m_Target.m_Pitch = (int)(desc.lPitch / 2);
    // The depth buffer is locked with the target, for the scene only.
    LockDepth();
    m_Raster.Invalidate();
    FloatState state = SaveFloatState();
    if (state.m_ControlWord & 0x300) {
        state.m_ControlWord &= ~0x300;
        RestoreFloatState(state);
    }
    return D3D_OK;
}

HRESULT keshDevice::EndScene() {
    if (m_InScene) {
        UnlockDepth();
        m_Target->Unlock(nullptr);
        m_Raster.m_Target.m_Pixels = nullptr;
        m_InScene = false;
        m_Raster.Invalidate();
    }
    return D3D_OK;
}

HRESULT keshDevice::SetRenderTarget(IDirectDrawSurface7* surface, DWORD) {
    if (surface) {
        surface->AddRef();
    }
    EndScene();
    if (m_DepthBuffer) {
        m_DepthBuffer->Release();
        m_DepthBuffer = nullptr;
    }
    if (m_Target) {
        m_Target->Release();
    }
    m_Target = surface;
    m_Raster.m_Target = keshTarget();
    m_Raster.Invalidate();
    if (!surface) {
        return D3D_OK;
    }
    DDSURFACEDESC2 desc = {};
    desc.dwSize = sizeof(desc);
    HRESULT result = surface->GetSurfaceDesc(&desc);
    if (FAILED(result)) {
        return result;
    }
    m_Raster.m_Target.m_Width = (int)desc.dwWidth;
    m_Raster.m_Target.m_Height = (int)desc.dwHeight;
    m_TargetFormat = desc.ddpfPixelFormat;
    if (desc.ddpfPixelFormat.dwRGBBitCount != 16) {
        OutputDebugStringA("Please place your desktop in to 16 bit color mode and restart.\n");
        return keshUnsupportedTarget;
    }
    if (desc.ddpfPixelFormat.dwRBitMask == 0xF800) {
        m_Raster.m_Target.m_Is565 = true;
    } else if (desc.ddpfPixelFormat.dwRBitMask == 0x7C00) {
        m_Raster.m_Target.m_Is565 = false;
    } else {
        OutputDebugStringA("Unsupported 16 bit color format.\n");
        return keshUnsupportedTarget;
    }
    DDSCAPS2 caps = {};
    caps.dwCaps = DepthBufferCaps;
    if (FAILED(surface->GetAttachedSurface(&caps, &m_DepthBuffer))) {
        m_DepthBuffer = nullptr;
    }
    return D3D_OK;
}

HRESULT keshDevice::GetRenderTarget(IDirectDrawSurface7** surface) {
    *surface = m_Target;
    return D3D_OK;
}

HRESULT keshDevice::Clear(DWORD, D3DRECT*, DWORD flags, D3DCOLOR colour, D3DVALUE z, DWORD) {
    HRESULT result = D3D_OK;
    if ((flags & D3DCLEAR_TARGET) && m_Target) {
        // Filled in memory rather than by a colour-fill blit: under Wine a blit leaves the
        // picture on the display side, and the scene's lock then has to copy it back.
        bool wasInScene = m_InScene;
        if (!wasInScene) {
            result = BeginScene();
        }
        if (m_InScene) {
            uint16_t pixel = m_Raster.Pack(colour);
            const keshTarget& t = m_Raster.m_Target;
            for (int y = 0; y < t.m_Height; ++y) {
                std::fill(t.m_Pixels + (size_t)y * t.m_Pitch,
                          t.m_Pixels + (size_t)y * t.m_Pitch + t.m_Width, pixel);
            }
        }
        if (!wasInScene) {
            EndScene();
        }
    }
    if ((flags & D3DCLEAR_ZBUFFER) && m_DepthBuffer) {
        bool wasLocked = m_DepthLocked;
        if (!LockDepth()) {
            return DDERR_SURFACEBUSY;
        }
        uint16_t value = (uint16_t)(uint32_t)(z * 65535.0f);
        DDSURFACEDESC2 desc = {};
        desc.dwSize = sizeof(desc);
        m_DepthBuffer->GetSurfaceDesc(&desc);
        const keshTarget& t = m_Raster.m_Target;
        size_t pixels = (size_t)desc.dwHeight * t.m_DepthPitch;
        uint32_t pair = (uint32_t)value << 16 | value;
        uint16_t* p = t.m_Depth;
        for (size_t i = 0; i + 1 < pixels; i += 2) {
            memcpy(p + i, &pair, 4);
        }
        if (pixels & 1) {
            p[pixels - 1] = value;
        }
        if (!wasLocked) {
            UnlockDepth();
        }
    }
    return result;
}

HRESULT keshDevice::SetMaterial(D3DMATERIAL7* material) {
    m_Material = *material;
    return D3D_OK;
}

HRESULT keshDevice::GetMaterial(D3DMATERIAL7* material) {
    *material = m_Material;
    return D3D_OK;
}

HRESULT keshDevice::SetLight(DWORD index, D3DLIGHT7* light) {
    if (index >= MaxLights) {
        return InvalidParameter;
    }
    m_Lights[index] = *light;
    return D3D_OK;
}

HRESULT keshDevice::GetLight(DWORD index, D3DLIGHT7* light) {
    if (index >= MaxLights) {
        return InvalidParameter;
    }
    *light = m_Lights[index];
    return D3D_OK;
}

HRESULT keshDevice::LightEnable(DWORD index, WINBOOL enable) {
    if (index >= MaxLightEnables) {
        return InvalidParameter;
    }
    m_LightEnables[index] = enable;
    return D3D_OK;
}

HRESULT keshDevice::GetLightEnable(DWORD index, WINBOOL* enable) {
    if (index >= MaxLightEnables) {
        return InvalidParameter;
    }
    *enable = m_LightEnables[index];
    return D3D_OK;
}

HRESULT keshDevice::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    if ((unsigned)state >= keshRaster::StateCount) {
        return InvalidParameter;
    }
    m_Raster.m_States[state] = value;
    m_Raster.Invalidate();
    return D3D_OK;
}

HRESULT keshDevice::GetRenderState(D3DRENDERSTATETYPE state, LPDWORD value) {
    if ((unsigned)state >= keshRaster::StateCount) {
        return InvalidParameter;
    }
    *value = m_Raster.m_States[state];
    return D3D_OK;
}

HRESULT keshDevice::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                                         LPDWORD value) {
    if (stage >= MaxStages || (unsigned)type >= StageStateCount) {
        return InvalidParameter;
    }
    *value = m_StageStates[stage][type];
    return D3D_OK;
}

HRESULT keshDevice::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                                         DWORD value) {
    if (stage >= MaxStages || (unsigned)type >= StageStateCount) {
        return InvalidParameter;
    }
    m_StageStates[stage][type] = value;
    m_Raster.Invalidate();
    return D3D_OK;
}

void keshDevice::ReleaseTexture() {
    if (m_TextureSurface) {
        m_TextureSurface->Unlock(nullptr);
        m_TextureSurface->Release();
        m_TextureSurface = nullptr;
    }
    m_Raster.m_Texture = keshTexture();
    m_Raster.Invalidate();
}

HRESULT keshDevice::SetTexture(DWORD stage, IDirectDrawSurface7* surface) {
    if (stage != 0) {
        return D3D_OK;
    }
    ReleaseTexture();
    if (!surface) {
        return D3D_OK;
    }
    DDSURFACEDESC2 desc = {};
    desc.dwSize = sizeof(desc);
    HRESULT result = surface->Lock(nullptr, &desc, DDLOCK_NOSYSLOCK | DDLOCK_WAIT, nullptr);
    if (FAILED(result)) {
        return result;
    }
    // Only 16-bit textures up to 256 texels wide have a span template; others draw untextured.
    int k = Log2(desc.dwWidth);
    if (desc.ddpfPixelFormat.dwRGBBitCount != 16 || desc.dwWidth == 0 || desc.dwHeight == 0 ||
        k > MaxTemplate) {
        surface->Unlock(nullptr);
        return InvalidParameter;
    }
    surface->AddRef();
    m_TextureSurface = surface;
    keshTexture& texture = m_Raster.m_Texture;
    texture.m_Texels = (const uint16_t*)desc.lpSurface;
    texture.m_Log2Width = k;
    // Rows step by the pitch, which Wine pads for narrow textures; v wraps at the largest power
    // of two the texture's rows hold.
    texture.m_Pitch = (int)(desc.lPitch / 2);
    texture.m_RowMask = (1u << Log2(desc.dwHeight)) - 1;
    texture.m_Height = (float)(1u << Log2(desc.dwHeight));
    return D3D_OK;
}

HRESULT keshDevice::Load(IDirectDrawSurface7* destination, POINT* point,
                         IDirectDrawSurface7* source, RECT* rect, DWORD) {
    RECT whole = {};
    if (!rect) {
        DDSURFACEDESC2 desc = {};
        desc.dwSize = sizeof(desc);
        HRESULT result = source->GetSurfaceDesc(&desc);
        if (FAILED(result)) {
            return result;
        }
        whole.right = (LONG)desc.dwWidth;
        whole.bottom = (LONG)desc.dwHeight;
        rect = &whole;
    }
    LONG x = point ? point->x : 0;
    LONG y = point ? point->y : 0;
    RECT to = {x, y, x + rect->right - rect->left, y + rect->bottom - rect->top};
    return destination->Blt(&to, source, rect, DDBLT_WAIT, nullptr);
}

keshVertex keshDevice::VertexAt(const uint8_t* vertices, uint32_t i) const {
    const uint8_t* p = vertices + (size_t)m_Stride * i;
    keshVertex v;
    memcpy(&v.m_X, p, 16);
    v.m_Diffuse = 0xFFFFFFFF;
    if (m_DiffuseOffset) {
        memcpy(&v.m_Diffuse, p + m_DiffuseOffset, 4);
    }
    v.m_U = v.m_V = 0;
    if (m_HasUV) {
        memcpy(&v.m_U, p + m_UVOffset, 8);
    }
    return v;
}

template <typename VertexOf>
HRESULT keshDevice::Draw(D3DPRIMITIVETYPE type, DWORD format, uint32_t count, VertexOf vertexOf) {
    if (type != D3DPT_TRIANGLELIST && type != D3DPT_TRIANGLESTRIP && type != D3DPT_TRIANGLEFAN) {
        return NotImplemented();
    }
    // The device reads pre-transformed vertices only; their layout follows the format.
    if ((format & D3DFVF_POSITION_MASK) != D3DFVF_XYZRHW) {
        return InvalidParameter;
    }
    if (!m_InScene) {
        return D3DERR_SCENE_NOT_IN_SCENE;
    }
    m_Stride = gfxVertexSize(format);
    uint32_t offset = 16;
    m_DiffuseOffset = (format & D3DFVF_DIFFUSE) ? offset : 0;
    offset += (format & D3DFVF_DIFFUSE) ? 4 : 0;
    offset += (format & D3DFVF_SPECULAR) ? 4 : 0;
    m_HasUV = (format & D3DFVF_TEXCOUNT_MASK) != 0;
    m_UVOffset = offset;
    keshVertex v[4];
    switch (type) {
    case D3DPT_TRIANGLELIST:
        for (uint32_t i = 0; i + 2 < count; i += 3) {
            if (vertexOf(i, v[0]) && vertexOf(i + 1, v[1]) && vertexOf(i + 2, v[2])) {
                m_Raster.DrawTriangle(v[0], v[1], v[2], false);
            }
        }
        break;
    case D3DPT_TRIANGLESTRIP: {
        uint32_t i = 0;
        for (; i + 3 < count; i += 2) {
            bool ok = vertexOf(i, v[0]) && vertexOf(i + 1, v[1]) && vertexOf(i + 2, v[2]);
            if (ok) {
                m_Raster.DrawTriangle(v[0], v[1], v[2], false);
            }
            if (ok && vertexOf(i + 3, v[3])) {
                m_Raster.DrawTriangle(v[1], v[2], v[3], true);
            }
        }
        if (i + 2 < count && vertexOf(i, v[0]) && vertexOf(i + 1, v[1]) && vertexOf(i + 2, v[2])) {
            m_Raster.DrawTriangle(v[0], v[1], v[2], false);
        }
        break;
    }
    default:
        if (count >= 3 && vertexOf(0, v[0])) {
            for (uint32_t i = 1; i + 1 < count; ++i) {
                if (vertexOf(i, v[1]) && vertexOf(i + 1, v[2])) {
                    m_Raster.DrawTriangle(v[0], v[1], v[2], false);
                }
            }
        }
        break;
    }
    return D3D_OK;
}

HRESULT keshDevice::DrawPrimitive(D3DPRIMITIVETYPE type, DWORD format, void* vertices,
                                  DWORD count, DWORD) {
    const uint8_t* bytes = (const uint8_t*)vertices;
    return Draw(type, format, count, [&](uint32_t i, keshVertex& v) {
        v = VertexAt(bytes, i);
        return true;
    });
}

HRESULT keshDevice::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, DWORD format, void* vertices,
                                         DWORD vertexCount, WORD* indices, DWORD indexCount,
                                         DWORD) {
    const uint8_t* bytes = (const uint8_t*)vertices;
    // An index past the vertices drops its triangle.
    return Draw(type, format, indexCount, [&](uint32_t i, keshVertex& v) {
        if (indices[i] >= vertexCount) {
            return false;
        }
        v = VertexAt(bytes, indices[i]);
        return true;
    });
}

}  // namespace

HRESULT CreateKeshDevice(IDirectDrawSurface7* target, IDirect3DDevice7** device) {
    *device = &sDevice;
    return sDevice.Init(target);
}
