// A Direct3D 8 device that draws nothing and records every call with its
// arguments, so tests can check the exact call sequence a routine issues.
// Its textures and buffers are plain memory, so locks and writes through
// them are real (and visible to ASan).
#pragma once

#include <d3d8.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tarvona::testing {

struct Call {
    std::string name;  // "SetRenderState"
    std::string text;  // "SetRenderState(27, 1)": name and arguments, as tests compare them
    std::vector<std::uint64_t> args;  // the numeric arguments in order (pointers as addresses)
    D3DMATRIX matrix{};      // SetTransform
    D3DLIGHT8 light{};       // SetLight
    D3DMATERIAL8 material{};  // SetMaterial
};

class RecordingTexture;
class RecordingVertexBuffer;
class RecordingIndexBuffer;

class RecordingDevice final : public IDirect3DDevice8 {
public:
    RecordingDevice();

    // What the tests look at.
    std::vector<Call> calls;
    std::vector<std::string> Texts() const;                       // every call's text
    std::vector<std::string> Texts(const std::string& name) const;  // the texts of calls with this name
    std::vector<const Call*> Named(const std::string& name) const;
    void Clear() { calls.clear(); }

    // What the tests can set.
    D3DCAPS8 caps{};                // MaxTextureWidth 2048 unless changed
    D3DVIEWPORT8 viewport{0, 0, 640, 480, 0.0f, 1.0f};
    HRESULT createTextureResult = S_OK;
    HRESULT createVertexBufferResult = S_OK;
    HRESULT createIndexBufferResult = S_OK;
    bool failLocks = false;         // Lock/LockRect fail and give no pointer
    UINT texturePitchPadding = 0;   // extra bytes at the end of each texture row

    // The resources it made, in order of creation (they stay alive here).
    std::vector<RecordingTexture*> textures;
    std::vector<RecordingVertexBuffer*> vertexBuffers;
    std::vector<RecordingIndexBuffer*> indexBuffers;
    ULONG refCount = 1;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IDirect3DDevice8
    HRESULT STDMETHODCALLTYPE TestCooperativeLevel() override;
    HRESULT STDMETHODCALLTYPE GetDirect3D(IDirect3D8** ppD3D8) override;
    HRESULT STDMETHODCALLTYPE GetDeviceCaps(D3DCAPS8* pCaps) override;
    HRESULT STDMETHODCALLTYPE GetDisplayMode(D3DDISPLAYMODE* pMode) override;
    HRESULT STDMETHODCALLTYPE Reset(D3DPRESENT_PARAMETERS*) override;
    HRESULT STDMETHODCALLTYPE Present(CONST RECT*, CONST RECT*, HWND, CONST RGNDATA*) override;
    HRESULT STDMETHODCALLTYPE CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format,
                                            D3DPOOL Pool, IDirect3DTexture8** ppTexture) override;
    HRESULT STDMETHODCALLTYPE CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                                                 IDirect3DVertexBuffer8** ppVertexBuffer) override;
    HRESULT STDMETHODCALLTYPE CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                                IDirect3DIndexBuffer8** ppIndexBuffer) override;
    HRESULT STDMETHODCALLTYPE BeginScene() override;
    HRESULT STDMETHODCALLTYPE EndScene() override;
    HRESULT STDMETHODCALLTYPE Clear(DWORD Count, CONST D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z,
                                    DWORD Stencil) override;
    HRESULT STDMETHODCALLTYPE SetTransform(D3DTRANSFORMSTATETYPE State, CONST D3DMATRIX* pMatrix) override;
    HRESULT STDMETHODCALLTYPE GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) override;
    HRESULT STDMETHODCALLTYPE SetViewport(CONST D3DVIEWPORT8* pViewport) override;
    HRESULT STDMETHODCALLTYPE GetViewport(D3DVIEWPORT8* pViewport) override;
    HRESULT STDMETHODCALLTYPE SetMaterial(CONST D3DMATERIAL8* pMaterial) override;
    HRESULT STDMETHODCALLTYPE GetMaterial(D3DMATERIAL8* pMaterial) override;
    HRESULT STDMETHODCALLTYPE SetLight(DWORD Index, CONST D3DLIGHT8* pLight) override;
    HRESULT STDMETHODCALLTYPE GetLight(DWORD Index, D3DLIGHT8* pLight) override;
    HRESULT STDMETHODCALLTYPE LightEnable(DWORD Index, BOOL Enable) override;
    HRESULT STDMETHODCALLTYPE GetLightEnable(DWORD Index, BOOL* pEnable) override;
    HRESULT STDMETHODCALLTYPE SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) override;
    HRESULT STDMETHODCALLTYPE GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) override;
    HRESULT STDMETHODCALLTYPE BeginStateBlock() override;
    HRESULT STDMETHODCALLTYPE EndStateBlock(DWORD* pToken) override;
    HRESULT STDMETHODCALLTYPE ApplyStateBlock(DWORD Token) override;
    HRESULT STDMETHODCALLTYPE CaptureStateBlock(DWORD Token) override;
    HRESULT STDMETHODCALLTYPE DeleteStateBlock(DWORD Token) override;
    HRESULT STDMETHODCALLTYPE GetTexture(DWORD Stage, IDirect3DBaseTexture8** ppTexture) override;
    HRESULT STDMETHODCALLTYPE SetTexture(DWORD Stage, IDirect3DBaseTexture8* pTexture) override;
    HRESULT STDMETHODCALLTYPE GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type,
                                                   DWORD* pValue) override;
    HRESULT STDMETHODCALLTYPE SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) override;
    HRESULT STDMETHODCALLTYPE DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex,
                                            UINT PrimitiveCount) override;
    HRESULT STDMETHODCALLTYPE DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT minIndex, UINT NumVertices,
                                                   UINT startIndex, UINT primCount) override;
    HRESULT STDMETHODCALLTYPE SetVertexShader(DWORD Handle) override;
    HRESULT STDMETHODCALLTYPE GetVertexShader(DWORD* pHandle) override;
    HRESULT STDMETHODCALLTYPE SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer8* pStreamData,
                                              UINT Stride) override;
    HRESULT STDMETHODCALLTYPE SetIndices(IDirect3DIndexBuffer8* pIndexData, UINT BaseVertexIndex) override;

    ~RecordingDevice();

private:
    Call& Record(const std::string& name, std::vector<std::uint64_t> args);
    DWORD nextStateBlock_ = 1;
    std::vector<std::unique_ptr<RecordingTexture>> ownedTextures_;
    std::vector<std::unique_ptr<RecordingVertexBuffer>> ownedVertexBuffers_;
    std::vector<std::unique_ptr<RecordingIndexBuffer>> ownedIndexBuffers_;
};

// Formats a matrix as sixteen %.9g numbers, for messages.
std::string MatrixText(const D3DMATRIX& m);

class RecordingTexture final : public IDirect3DTexture8 {
public:
    struct Level {
        UINT width, height;
        INT pitch;
        std::vector<std::uint8_t> bytes;
    };
    RecordingTexture(RecordingDevice* device, UINT width, UINT height, UINT levels, D3DFORMAT format, D3DPOOL pool,
                     UINT pitchPadding);
    RecordingDevice* device;
    D3DFORMAT format;
    D3DPOOL pool;
    std::vector<Level> levels;
    ULONG refCount = 1;
    int lockCount = 0;
    int unlockCount = 0;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refCount; }
    ULONG STDMETHODCALLTYPE Release() override { return refCount ? --refCount : 0; }  // kept alive by the device
    HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice8** ppDevice) override;
    DWORD STDMETHODCALLTYPE SetPriority(DWORD) override { return 0; }
    DWORD STDMETHODCALLTYPE GetPriority() override { return 0; }
    void STDMETHODCALLTYPE PreLoad() override {}
    D3DRESOURCETYPE STDMETHODCALLTYPE GetType() override { return D3DRTYPE_TEXTURE; }
    DWORD STDMETHODCALLTYPE SetLOD(DWORD) override { return 0; }
    DWORD STDMETHODCALLTYPE GetLOD() override { return 0; }
    DWORD STDMETHODCALLTYPE GetLevelCount() override { return static_cast<DWORD>(levels.size()); }
    HRESULT STDMETHODCALLTYPE GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) override;
    HRESULT STDMETHODCALLTYPE LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, CONST RECT* pRect,
                                       DWORD Flags) override;
    HRESULT STDMETHODCALLTYPE UnlockRect(UINT Level) override;
};

class RecordingVertexBuffer final : public IDirect3DVertexBuffer8 {
public:
    RecordingVertexBuffer(RecordingDevice* device, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool);
    RecordingDevice* device;
    DWORD usage, fvf;
    D3DPOOL pool;
    std::vector<std::uint8_t> bytes;
    ULONG refCount = 1;
    bool locked = false;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refCount; }
    ULONG STDMETHODCALLTYPE Release() override { return refCount ? --refCount : 0; }
    HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice8** ppDevice) override;
    DWORD STDMETHODCALLTYPE SetPriority(DWORD) override { return 0; }
    DWORD STDMETHODCALLTYPE GetPriority() override { return 0; }
    void STDMETHODCALLTYPE PreLoad() override {}
    D3DRESOURCETYPE STDMETHODCALLTYPE GetType() override { return D3DRTYPE_VERTEXBUFFER; }
    HRESULT STDMETHODCALLTYPE Lock(UINT OffsetToLock, UINT SizeToLock, BYTE** ppbData, DWORD Flags) override;
    HRESULT STDMETHODCALLTYPE Unlock() override;
    HRESULT STDMETHODCALLTYPE GetDesc(D3DVERTEXBUFFER_DESC* pDesc) override;
};

class RecordingIndexBuffer final : public IDirect3DIndexBuffer8 {
public:
    RecordingIndexBuffer(RecordingDevice* device, UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool);
    RecordingDevice* device;
    DWORD usage;
    D3DFORMAT format;
    D3DPOOL pool;
    std::vector<std::uint8_t> bytes;
    ULONG refCount = 1;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refCount; }
    ULONG STDMETHODCALLTYPE Release() override { return refCount ? --refCount : 0; }
    HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice8** ppDevice) override;
    DWORD STDMETHODCALLTYPE SetPriority(DWORD) override { return 0; }
    DWORD STDMETHODCALLTYPE GetPriority() override { return 0; }
    void STDMETHODCALLTYPE PreLoad() override {}
    D3DRESOURCETYPE STDMETHODCALLTYPE GetType() override { return D3DRTYPE_INDEXBUFFER; }
    HRESULT STDMETHODCALLTYPE Lock(UINT OffsetToLock, UINT SizeToLock, BYTE** ppbData, DWORD Flags) override;
    HRESULT STDMETHODCALLTYPE Unlock() override;
    HRESULT STDMETHODCALLTYPE GetDesc(D3DINDEXBUFFER_DESC* pDesc) override;
};

}  // namespace tarvona::testing
