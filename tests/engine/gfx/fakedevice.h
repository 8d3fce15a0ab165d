#ifndef TESTS_ENGINE_GFX_FAKEDEVICE_H
#define TESTS_ENGINE_GFX_FAKEDEVICE_H

#include <map>
#include <string>
#include <vector>

#include <windows.h>
#include <d3d.h>

// A Direct3D 7 device that records what the pipeline sends it, so that render states, draws
// and buffers can be checked without a display. Every call answers m_Result (D3D_OK unless a
// test says otherwise).
class FakeDevice : public IDirect3DDevice7 {
public:
    struct Call {
        std::string m_Name;
        DWORD m_A;
        DWORD m_B;
        DWORD m_C;
        DWORD m_D;
    };

    FakeDevice();

    // Calls of one method, in order.
    std::vector<Call> CallsOf(const char* name) const;
    int CountOf(const char* name) const { return (int)CallsOf(name).size(); }
    // SetRenderState calls only, as (state, value) pairs.
    std::vector<std::pair<DWORD, DWORD>> RenderStatesSent() const;
    void Forget() {
        m_Calls.clear();
        m_DrawnVertices.clear();
    }

    std::vector<Call> m_Calls;
    HRESULT m_Result = D3D_OK;
    D3DDEVICEDESC7 m_Caps = {};
    std::map<DWORD, DWORD> m_States;  // what GetRenderState reads
    std::map<DWORD, D3DMATRIX> m_Transforms;
    D3DVIEWPORT7 m_Viewport = {};
    std::vector<uint8_t> m_LastVertices;  // of the last DrawPrimitive
    std::vector<WORD> m_LastIndices;      // of the last DrawIndexedPrimitive
    // The vertices of every DrawPrimitive and DrawIndexedPrimitive in order, indexed draws
    // expanded through their indices.
    std::vector<std::vector<uint8_t>> m_DrawnVertices;

    // IUnknown
    STDMETHOD(QueryInterface)(REFIID, void** object) override;
    STDMETHOD_(ULONG, AddRef)() override { return ++m_RefCount; }
    STDMETHOD_(ULONG, Release)() override { return --m_RefCount; }
    // IDirect3DDevice7
    STDMETHOD(GetCaps)(D3DDEVICEDESC7* desc) override;
    STDMETHOD(EnumTextureFormats)(LPD3DENUMPIXELFORMATSCALLBACK, void*) override;
    STDMETHOD(BeginScene)() override;
    STDMETHOD(EndScene)() override;
    STDMETHOD(GetDirect3D)(IDirect3D7**) override;
    STDMETHOD(SetRenderTarget)(IDirectDrawSurface7*, DWORD) override;
    STDMETHOD(GetRenderTarget)(IDirectDrawSurface7**) override;
    STDMETHOD(Clear)(DWORD count, D3DRECT* rects, DWORD flags, D3DCOLOR colour, D3DVALUE z,
                     DWORD stencil) override;
    STDMETHOD(SetTransform)(D3DTRANSFORMSTATETYPE type, D3DMATRIX* matrix) override;
    STDMETHOD(GetTransform)(D3DTRANSFORMSTATETYPE, D3DMATRIX*) override;
    STDMETHOD(SetViewport)(D3DVIEWPORT7* viewport) override;
    STDMETHOD(MultiplyTransform)(D3DTRANSFORMSTATETYPE, D3DMATRIX*) override;
    STDMETHOD(GetViewport)(D3DVIEWPORT7*) override;
    STDMETHOD(SetMaterial)(D3DMATERIAL7*) override;
    STDMETHOD(GetMaterial)(D3DMATERIAL7*) override;
    STDMETHOD(SetLight)(DWORD index, D3DLIGHT7* light) override;
    STDMETHOD(GetLight)(DWORD, D3DLIGHT7*) override;
    STDMETHOD(SetRenderState)(D3DRENDERSTATETYPE state, DWORD value) override;
    STDMETHOD(GetRenderState)(D3DRENDERSTATETYPE state, LPDWORD value) override;
    STDMETHOD(BeginStateBlock)() override;
    STDMETHOD(EndStateBlock)(LPDWORD) override;
    STDMETHOD(PreLoad)(IDirectDrawSurface7*) override;
    STDMETHOD(DrawPrimitive)(D3DPRIMITIVETYPE type, DWORD fvf, void* vertices, DWORD count,
                             DWORD flags) override;
    STDMETHOD(DrawIndexedPrimitive)(D3DPRIMITIVETYPE type, DWORD fvf, void* vertices,
                                    DWORD vertexCount, WORD* indices, DWORD indexCount,
                                    DWORD flags) override;
    STDMETHOD(SetClipStatus)(D3DCLIPSTATUS*) override;
    STDMETHOD(GetClipStatus)(D3DCLIPSTATUS*) override;
    STDMETHOD(DrawPrimitiveStrided)(D3DPRIMITIVETYPE type, DWORD fvf,
                                    D3DDRAWPRIMITIVESTRIDEDDATA* data, DWORD count,
                                    DWORD flags) override;
    STDMETHOD(DrawIndexedPrimitiveStrided)(D3DPRIMITIVETYPE type, DWORD fvf,
                                           D3DDRAWPRIMITIVESTRIDEDDATA* data, DWORD vertexCount,
                                           WORD* indices, DWORD indexCount, DWORD flags) override;
    STDMETHOD(DrawPrimitiveVB)(D3DPRIMITIVETYPE type, IDirect3DVertexBuffer7* vb, DWORD start,
                               DWORD count, DWORD flags) override;
    STDMETHOD(DrawIndexedPrimitiveVB)(D3DPRIMITIVETYPE type, IDirect3DVertexBuffer7* vb,
                                      DWORD start, DWORD vertexCount, WORD* indices,
                                      DWORD indexCount, DWORD flags) override;
    STDMETHOD(ComputeSphereVisibility)(D3DVECTOR*, D3DVALUE*, DWORD, DWORD, DWORD*) override;
    STDMETHOD(GetTexture)(DWORD, IDirectDrawSurface7**) override;
    STDMETHOD(SetTexture)(DWORD stage, IDirectDrawSurface7* surface) override;
    STDMETHOD(GetTextureStageState)(DWORD, D3DTEXTURESTAGESTATETYPE, LPDWORD) override;
    STDMETHOD(SetTextureStageState)(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                                    DWORD value) override;
    STDMETHOD(ValidateDevice)(LPDWORD) override;
    STDMETHOD(ApplyStateBlock)(DWORD) override;
    STDMETHOD(CaptureStateBlock)(DWORD) override;
    STDMETHOD(DeleteStateBlock)(DWORD) override;
    STDMETHOD(CreateStateBlock)(D3DSTATEBLOCKTYPE, LPDWORD) override;
    STDMETHOD(Load)(IDirectDrawSurface7*, POINT*, IDirectDrawSurface7*, RECT*, DWORD) override;
    STDMETHOD(LightEnable)(DWORD index, WINBOOL enable) override;
    STDMETHOD(GetLightEnable)(DWORD, WINBOOL*) override;
    STDMETHOD(SetClipPlane)(DWORD, D3DVALUE*) override;
    STDMETHOD(GetClipPlane)(DWORD, D3DVALUE*) override;
    STDMETHOD(GetInfo)(DWORD, void*, DWORD) override;

private:
    HRESULT Record(const char* name, DWORD a = 0, DWORD b = 0, DWORD c = 0, DWORD d = 0);

    ULONG m_RefCount = 1;
};

// A Direct3D vertex buffer over a byte array; records its locks.
class FakeVertexBuffer : public IDirect3DVertexBuffer7 {
public:
    explicit FakeVertexBuffer(const D3DVERTEXBUFFERDESC& desc, DWORD bytes);
    virtual ~FakeVertexBuffer() {}

    STDMETHOD(QueryInterface)(REFIID, void**) override { return E_NOINTERFACE; }
    STDMETHOD_(ULONG, AddRef)() override { return ++m_RefCount; }
    STDMETHOD_(ULONG, Release)() override;
    STDMETHOD(Lock)(DWORD flags, void** data, DWORD* size) override;
    STDMETHOD(Unlock)() override;
    STDMETHOD(ProcessVertices)(DWORD, DWORD, DWORD, IDirect3DVertexBuffer7*, DWORD,
                               IDirect3DDevice7*, DWORD) override;
    STDMETHOD(GetVertexBufferDesc)(D3DVERTEXBUFFERDESC* desc) override;
    STDMETHOD(Optimize)(IDirect3DDevice7*, DWORD) override { return D3D_OK; }
    STDMETHOD(ProcessVerticesStrided)(DWORD, DWORD, DWORD, D3DDRAWPRIMITIVESTRIDEDDATA*, DWORD,
                                      IDirect3DDevice7*, DWORD) override;

    D3DVERTEXBUFFERDESC m_Desc;
    std::vector<uint8_t> m_Bytes;
    std::vector<DWORD> m_LockFlags;
    static int sm_Live;

private:
    ULONG m_RefCount = 1;
};

// Direct3D itself, for the vertex buffers it creates.
class FakeDirect3D : public IDirect3D7 {
public:
    STDMETHOD(QueryInterface)(REFIID, void**) override { return E_NOINTERFACE; }
    STDMETHOD_(ULONG, AddRef)() override { return 2; }
    STDMETHOD_(ULONG, Release)() override { return 1; }
    STDMETHOD(EnumDevices)(LPD3DENUMDEVICESCALLBACK7, void*) override { return D3D_OK; }
    STDMETHOD(CreateDevice)(REFCLSID, IDirectDrawSurface7*, IDirect3DDevice7**) override;
    STDMETHOD(CreateVertexBuffer)(D3DVERTEXBUFFERDESC* desc, IDirect3DVertexBuffer7** vb,
                                  DWORD flags) override;
    STDMETHOD(EnumZBufferFormats)(REFCLSID, LPD3DENUMPIXELFORMATSCALLBACK, void*) override;
    STDMETHOD(EvictManagedTextures)() override { return D3D_OK; }

    std::vector<D3DVERTEXBUFFERDESC> m_Created;
    HRESULT m_Result = D3D_OK;
};

#endif
