// The recording Direct3D device, vertex buffer and Direct3D object of the graphics tests.
#include "tests/engine/gfx/fakedevice.h"

#include <cstring>

#include "gfx/vertexformat.h"

FakeDevice::FakeDevice() {
    m_Caps.dwMaxActiveLights = 8;
    m_Caps.wMaxSimultaneousTextures = 1;
    m_Caps.wMaxVertexBlendMatrices = 1;
}

HRESULT FakeDevice::Record(const char* name, DWORD a, DWORD b, DWORD c, DWORD d) {
    m_Calls.push_back(Call{name, a, b, c, d});
    return m_Result;
}

std::vector<FakeDevice::Call> FakeDevice::CallsOf(const char* name) const {
    std::vector<Call> calls;
    for (const Call& call : m_Calls) {
        if (call.m_Name == name) {
            calls.push_back(call);
        }
    }
    return calls;
}

std::vector<std::pair<DWORD, DWORD>> FakeDevice::RenderStatesSent() const {
    std::vector<std::pair<DWORD, DWORD>> states;
    for (const Call& call : CallsOf("SetRenderState")) {
        states.emplace_back(call.m_A, call.m_B);
    }
    return states;
}

HRESULT FakeDevice::QueryInterface(REFIID, void** object) {
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT FakeDevice::GetCaps(D3DDEVICEDESC7* desc) {
    *desc = m_Caps;
    return Record("GetCaps");
}

HRESULT FakeDevice::EnumTextureFormats(LPD3DENUMPIXELFORMATSCALLBACK, void*) {
    return Record("EnumTextureFormats");
}

HRESULT FakeDevice::BeginScene() { return Record("BeginScene"); }
HRESULT FakeDevice::EndScene() { return Record("EndScene"); }
HRESULT FakeDevice::GetDirect3D(IDirect3D7**) { return Record("GetDirect3D"); }
HRESULT FakeDevice::SetRenderTarget(IDirectDrawSurface7*, DWORD) {
    return Record("SetRenderTarget");
}
HRESULT FakeDevice::GetRenderTarget(IDirectDrawSurface7**) { return Record("GetRenderTarget"); }

HRESULT FakeDevice::Clear(DWORD count, D3DRECT*, DWORD flags, D3DCOLOR colour, D3DVALUE z,
                          DWORD stencil) {
    DWORD zBits;
    memcpy(&zBits, &z, sizeof(zBits));
    (void)stencil;
    return Record("Clear", count, flags, colour, zBits);
}

HRESULT FakeDevice::SetTransform(D3DTRANSFORMSTATETYPE type, D3DMATRIX* matrix) {
    m_Transforms[type] = *matrix;
    return Record("SetTransform", type);
}

HRESULT FakeDevice::GetTransform(D3DTRANSFORMSTATETYPE, D3DMATRIX*) {
    return Record("GetTransform");
}

HRESULT FakeDevice::SetViewport(D3DVIEWPORT7* viewport) {
    m_Viewport = *viewport;
    return Record("SetViewport", viewport->dwX, viewport->dwY, viewport->dwWidth,
                  viewport->dwHeight);
}

HRESULT FakeDevice::MultiplyTransform(D3DTRANSFORMSTATETYPE, D3DMATRIX*) {
    return Record("MultiplyTransform");
}
HRESULT FakeDevice::GetViewport(D3DVIEWPORT7*) { return Record("GetViewport"); }
HRESULT FakeDevice::SetMaterial(D3DMATERIAL7*) { return Record("SetMaterial"); }
HRESULT FakeDevice::GetMaterial(D3DMATERIAL7*) { return Record("GetMaterial"); }
HRESULT FakeDevice::SetLight(DWORD index, D3DLIGHT7* light) {
    return Record("SetLight", index, light->dltType);
}
HRESULT FakeDevice::GetLight(DWORD index, D3DLIGHT7*) { return Record("GetLight", index); }

HRESULT FakeDevice::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    m_States[state] = value;
    return Record("SetRenderState", state, value);
}

HRESULT FakeDevice::GetRenderState(D3DRENDERSTATETYPE state, LPDWORD value) {
    *value = m_States.count(state) ? m_States[state] : 0;
    return Record("GetRenderState", state);
}

HRESULT FakeDevice::BeginStateBlock() { return Record("BeginStateBlock"); }
HRESULT FakeDevice::EndStateBlock(LPDWORD) { return Record("EndStateBlock"); }
HRESULT FakeDevice::PreLoad(IDirectDrawSurface7*) { return Record("PreLoad"); }

HRESULT FakeDevice::DrawPrimitive(D3DPRIMITIVETYPE type, DWORD fvf, void* vertices, DWORD count,
                                  DWORD flags) {
    const uint8_t* bytes = (const uint8_t*)vertices;
    m_LastVertices.assign(bytes, bytes + gfxVertexSize(fvf) * count);
    m_DrawnVertices.push_back(m_LastVertices);
    return Record("DrawPrimitive", type, fvf, count, flags);
}

HRESULT FakeDevice::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, DWORD fvf, void* vertices,
                                         DWORD vertexCount, WORD* indices, DWORD indexCount,
                                         DWORD) {
    m_LastIndices.assign(indices, indices + indexCount);
    uint32_t size = gfxVertexSize(fvf);
    std::vector<uint8_t> expanded;
    for (DWORD i = 0; vertices && i < indexCount; ++i) {
        const uint8_t* vertex = (const uint8_t*)vertices + (size_t)size * indices[i];
        expanded.insert(expanded.end(), vertex, vertex + size);
    }
    m_DrawnVertices.push_back(expanded);
    return Record("DrawIndexedPrimitive", type, fvf, vertexCount, indexCount);
}

HRESULT FakeDevice::SetClipStatus(D3DCLIPSTATUS*) { return Record("SetClipStatus"); }
HRESULT FakeDevice::GetClipStatus(D3DCLIPSTATUS*) { return Record("GetClipStatus"); }

HRESULT FakeDevice::DrawPrimitiveStrided(D3DPRIMITIVETYPE type, DWORD fvf,
                                         D3DDRAWPRIMITIVESTRIDEDDATA* data, DWORD count, DWORD) {
    return Record("DrawPrimitiveStrided", type, fvf, count, data->diffuse.dwStride);
}

HRESULT FakeDevice::DrawIndexedPrimitiveStrided(D3DPRIMITIVETYPE type, DWORD fvf,
                                                D3DDRAWPRIMITIVESTRIDEDDATA* data, DWORD,
                                                WORD*, DWORD indexCount, DWORD) {
    return Record("DrawIndexedPrimitiveStrided", type, fvf, indexCount,
                  *(const DWORD*)data->diffuse.lpvData);
}

HRESULT FakeDevice::DrawPrimitiveVB(D3DPRIMITIVETYPE type, IDirect3DVertexBuffer7*, DWORD start,
                                    DWORD count, DWORD) {
    return Record("DrawPrimitiveVB", type, start, count);
}

HRESULT FakeDevice::DrawIndexedPrimitiveVB(D3DPRIMITIVETYPE type, IDirect3DVertexBuffer7*,
                                           DWORD start, DWORD vertexCount, WORD*,
                                           DWORD indexCount, DWORD) {
    return Record("DrawIndexedPrimitiveVB", type, start, vertexCount, indexCount);
}

HRESULT FakeDevice::ComputeSphereVisibility(D3DVECTOR*, D3DVALUE*, DWORD, DWORD, DWORD*) {
    return Record("ComputeSphereVisibility");
}
HRESULT FakeDevice::GetTexture(DWORD, IDirectDrawSurface7**) { return Record("GetTexture"); }
HRESULT FakeDevice::SetTexture(DWORD stage, IDirectDrawSurface7* surface) {
    return Record("SetTexture", stage, surface != nullptr);
}
HRESULT FakeDevice::GetTextureStageState(DWORD, D3DTEXTURESTAGESTATETYPE, LPDWORD value) {
    *value = 0;
    return Record("GetTextureStageState");
}
HRESULT FakeDevice::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    return Record("SetTextureStageState", stage, type, value);
}
HRESULT FakeDevice::ValidateDevice(LPDWORD) { return Record("ValidateDevice"); }
HRESULT FakeDevice::ApplyStateBlock(DWORD) { return Record("ApplyStateBlock"); }
HRESULT FakeDevice::CaptureStateBlock(DWORD) { return Record("CaptureStateBlock"); }
HRESULT FakeDevice::DeleteStateBlock(DWORD) { return Record("DeleteStateBlock"); }
HRESULT FakeDevice::CreateStateBlock(D3DSTATEBLOCKTYPE, LPDWORD) {
    return Record("CreateStateBlock");
}
HRESULT FakeDevice::Load(IDirectDrawSurface7*, POINT*, IDirectDrawSurface7*, RECT*, DWORD) {
    return Record("Load");
}
HRESULT FakeDevice::LightEnable(DWORD index, WINBOOL enable) {
    return Record("LightEnable", index, enable);
}
HRESULT FakeDevice::GetLightEnable(DWORD, WINBOOL*) { return Record("GetLightEnable"); }
HRESULT FakeDevice::SetClipPlane(DWORD, D3DVALUE*) { return Record("SetClipPlane"); }
HRESULT FakeDevice::GetClipPlane(DWORD, D3DVALUE*) { return Record("GetClipPlane"); }
HRESULT FakeDevice::GetInfo(DWORD, void*, DWORD) { return Record("GetInfo"); }

int FakeVertexBuffer::sm_Live;

FakeVertexBuffer::FakeVertexBuffer(const D3DVERTEXBUFFERDESC& desc, DWORD bytes)
    : m_Desc(desc), m_Bytes(bytes) {
    ++sm_Live;
}

ULONG FakeVertexBuffer::Release() {
    ULONG count = --m_RefCount;
    if (count == 0) {
        --sm_Live;
        delete this;
    }
    return count;
}

HRESULT FakeVertexBuffer::Lock(DWORD flags, void** data, DWORD* size) {
    m_LockFlags.push_back(flags);
    *data = m_Bytes.data();
    if (size) {
        *size = (DWORD)m_Bytes.size();
    }
    return D3D_OK;
}

HRESULT FakeVertexBuffer::Unlock() { return D3D_OK; }

HRESULT FakeVertexBuffer::ProcessVertices(DWORD, DWORD, DWORD, IDirect3DVertexBuffer7*, DWORD,
                                          IDirect3DDevice7*, DWORD) {
    return D3D_OK;
}

HRESULT FakeVertexBuffer::GetVertexBufferDesc(D3DVERTEXBUFFERDESC* desc) {
    *desc = m_Desc;
    return D3D_OK;
}

HRESULT FakeVertexBuffer::ProcessVerticesStrided(DWORD, DWORD, DWORD, D3DDRAWPRIMITIVESTRIDEDDATA*,
                                                 DWORD, IDirect3DDevice7*, DWORD) {
    return D3D_OK;
}

HRESULT FakeDirect3D::CreateDevice(REFCLSID, IDirectDrawSurface7*, IDirect3DDevice7**) {
    return E_NOTIMPL;
}

HRESULT FakeDirect3D::CreateVertexBuffer(D3DVERTEXBUFFERDESC* desc, IDirect3DVertexBuffer7** vb,
                                         DWORD) {
    m_Created.push_back(*desc);
    if (FAILED(m_Result)) {
        *vb = nullptr;
        return m_Result;
    }
    *vb = new FakeVertexBuffer(*desc, desc->dwNumVertices * gfxVertexSize(desc->dwFVF));
    return D3D_OK;
}

HRESULT FakeDirect3D::EnumZBufferFormats(REFCLSID, LPD3DENUMPIXELFORMATSCALLBACK, void*) {
    return D3D_OK;
}
