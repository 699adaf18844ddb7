#include "support/recording_device.h"

#include <cstdio>
#include <cstring>

namespace tarvona::testing {

namespace {
std::uint64_t Ptr(const void* p) { return reinterpret_cast<std::uintptr_t>(p); }

std::string Join(const std::string& name, const std::vector<std::uint64_t>& args) {
    std::string text = name + "(";
    for (size_t i = 0; i < args.size(); ++i) {
        if (i) text += ", ";
        text += std::to_string(args[i]);
    }
    return text + ")";
}

UINT BytesPerTexel(D3DFORMAT format) {
    switch (format) {
        case D3DFMT_A8R8G8B8:
        case D3DFMT_X8R8G8B8:
        case D3DFMT_D32:
        case D3DFMT_D24S8:
        case D3DFMT_D24X8:
            return 4;
        case D3DFMT_R8G8B8:
            return 3;
        case D3DFMT_A8:
        case D3DFMT_L8:
        case D3DFMT_R3G3B2:
            return 1;
        default:
            return 2;
    }
}
}  // namespace

std::string MatrixText(const D3DMATRIX& m) {
    std::string text = "[";
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            char buf[32];
            std::snprintf(buf, sizeof buf, "%s%.9g", (r || c) ? " " : "", m.m[r][c]);
            text += buf;
        }
    return text + "]";
}

RecordingDevice::RecordingDevice() {
    caps.DeviceType = D3DDEVTYPE_HAL;
    caps.MaxTextureWidth = 2048;
    caps.MaxTextureHeight = 2048;
    caps.MaxPointSize = 64.0f;
    caps.MaxActiveLights = 8;
    caps.MaxStreams = 1;
    caps.MaxSimultaneousTextures = 2;
    caps.MaxTextureBlendStages = 2;
}

RecordingDevice::~RecordingDevice() = default;

Call& RecordingDevice::Record(const std::string& name, std::vector<std::uint64_t> args) {
    Call call;
    call.name = name;
    call.text = Join(name, args);
    call.args = std::move(args);
    calls.push_back(call);
    return calls.back();
}

std::vector<std::string> RecordingDevice::Texts() const {
    std::vector<std::string> out;
    for (const auto& c : calls) out.push_back(c.text);
    return out;
}

std::vector<std::string> RecordingDevice::Texts(const std::string& name) const {
    std::vector<std::string> out;
    for (const auto& c : calls)
        if (c.name == name) out.push_back(c.text);
    return out;
}

std::vector<const Call*> RecordingDevice::Named(const std::string& name) const {
    std::vector<const Call*> out;
    for (const auto& c : calls)
        if (c.name == name) out.push_back(&c);
    return out;
}

HRESULT RecordingDevice::QueryInterface(REFIID, void** ppv) {
    if (ppv) *ppv = nullptr;
    return E_NOINTERFACE;
}
ULONG RecordingDevice::AddRef() {
    Record("AddRef", {});
    return ++refCount;
}
ULONG RecordingDevice::Release() {
    Record("Release", {});
    return refCount ? --refCount : 0;  // the test owns the object
}
HRESULT RecordingDevice::TestCooperativeLevel() {
    Record("TestCooperativeLevel", {});
    return S_OK;
}
HRESULT RecordingDevice::GetDirect3D(IDirect3D8** ppD3D8) {
    Record("GetDirect3D", {});
    if (ppD3D8) *ppD3D8 = nullptr;
    return D3DERR_INVALIDCALL;
}
HRESULT RecordingDevice::GetDeviceCaps(D3DCAPS8* pCaps) {
    Record("GetDeviceCaps", {});
    if (!pCaps) return D3DERR_INVALIDCALL;
    *pCaps = caps;
    return S_OK;
}
HRESULT RecordingDevice::GetDisplayMode(D3DDISPLAYMODE* pMode) {
    Record("GetDisplayMode", {});
    if (!pMode) return D3DERR_INVALIDCALL;
    *pMode = D3DDISPLAYMODE{640, 480, 60, D3DFMT_R5G6B5};
    return S_OK;
}
HRESULT RecordingDevice::Reset(D3DPRESENT_PARAMETERS*) {
    Record("Reset", {});
    return S_OK;
}
HRESULT RecordingDevice::Present(CONST RECT* a, CONST RECT* b, HWND c, CONST RGNDATA* d) {
    Record("Present", {Ptr(a), Ptr(b), Ptr(c), Ptr(d)});
    return S_OK;
}
HRESULT RecordingDevice::CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format,
                                       D3DPOOL Pool, IDirect3DTexture8** ppTexture) {
    Record("CreateTexture", {Width, Height, Levels, Usage, Format, Pool});
    if (!ppTexture) return D3DERR_INVALIDCALL;
    if (createTextureResult < 0) return createTextureResult;
    ownedTextures_.push_back(
        std::make_unique<RecordingTexture>(this, Width, Height, Levels, Format, Pool, texturePitchPadding));
    textures.push_back(ownedTextures_.back().get());
    *ppTexture = textures.back();
    return S_OK;
}
HRESULT RecordingDevice::CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                                            IDirect3DVertexBuffer8** ppVertexBuffer) {
    Record("CreateVertexBuffer", {Length, Usage, FVF, Pool});
    if (!ppVertexBuffer) return D3DERR_INVALIDCALL;
    if (createVertexBufferResult < 0) return createVertexBufferResult;
    ownedVertexBuffers_.push_back(std::make_unique<RecordingVertexBuffer>(this, Length, Usage, FVF, Pool));
    vertexBuffers.push_back(ownedVertexBuffers_.back().get());
    *ppVertexBuffer = vertexBuffers.back();
    return S_OK;
}
HRESULT RecordingDevice::CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                           IDirect3DIndexBuffer8** ppIndexBuffer) {
    Record("CreateIndexBuffer", {Length, Usage, Format, Pool});
    if (!ppIndexBuffer) return D3DERR_INVALIDCALL;
    if (createIndexBufferResult < 0) return createIndexBufferResult;
    ownedIndexBuffers_.push_back(std::make_unique<RecordingIndexBuffer>(this, Length, Usage, Format, Pool));
    indexBuffers.push_back(ownedIndexBuffers_.back().get());
    *ppIndexBuffer = indexBuffers.back();
    return S_OK;
}
HRESULT RecordingDevice::BeginScene() {
    Record("BeginScene", {});
    return S_OK;
}
HRESULT RecordingDevice::EndScene() {
    Record("EndScene", {});
    return S_OK;
}
HRESULT RecordingDevice::Clear(DWORD Count, CONST D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z,
                               DWORD Stencil) {
    DWORD zBits;
    std::memcpy(&zBits, &Z, 4);
    Record("Clear", {Count, Ptr(pRects), Flags, Color, zBits, Stencil});
    return S_OK;
}
HRESULT RecordingDevice::SetTransform(D3DTRANSFORMSTATETYPE State, CONST D3DMATRIX* pMatrix) {
    Call& c = Record("SetTransform", {State});
    if (!pMatrix) return D3DERR_INVALIDCALL;
    c.matrix = *pMatrix;
    c.text = "SetTransform(" + std::to_string(State) + ", " + MatrixText(*pMatrix) + ")";
    return S_OK;
}
HRESULT RecordingDevice::GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX*) {
    Record("GetTransform", {State});
    return D3DERR_INVALIDCALL;
}
HRESULT RecordingDevice::SetViewport(CONST D3DVIEWPORT8* pViewport) {
    Record("SetViewport", {});
    if (!pViewport) return D3DERR_INVALIDCALL;
    viewport = *pViewport;
    return S_OK;
}
HRESULT RecordingDevice::GetViewport(D3DVIEWPORT8* pViewport) {
    Record("GetViewport", {});
    if (!pViewport) return D3DERR_INVALIDCALL;
    *pViewport = viewport;
    return S_OK;
}
HRESULT RecordingDevice::SetMaterial(CONST D3DMATERIAL8* pMaterial) {
    Call& c = Record("SetMaterial", {});
    if (!pMaterial) return D3DERR_INVALIDCALL;
    c.material = *pMaterial;
    return S_OK;
}
HRESULT RecordingDevice::GetMaterial(D3DMATERIAL8*) {
    Record("GetMaterial", {});
    return D3DERR_INVALIDCALL;
}
HRESULT RecordingDevice::SetLight(DWORD Index, CONST D3DLIGHT8* pLight) {
    Call& c = Record("SetLight", {Index});
    if (!pLight) return D3DERR_INVALIDCALL;
    c.light = *pLight;
    return S_OK;
}
HRESULT RecordingDevice::GetLight(DWORD Index, D3DLIGHT8*) {
    Record("GetLight", {Index});
    return D3DERR_INVALIDCALL;
}
HRESULT RecordingDevice::LightEnable(DWORD Index, BOOL Enable) {
    Record("LightEnable", {Index, static_cast<std::uint64_t>(Enable)});
    return S_OK;
}
HRESULT RecordingDevice::GetLightEnable(DWORD Index, BOOL*) {
    Record("GetLightEnable", {Index});
    return D3DERR_INVALIDCALL;
}
HRESULT RecordingDevice::SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) {
    Record("SetRenderState", {State, Value});
    return S_OK;
}
HRESULT RecordingDevice::GetRenderState(D3DRENDERSTATETYPE State, DWORD*) {
    Record("GetRenderState", {State});
    return D3DERR_INVALIDCALL;
}
HRESULT RecordingDevice::BeginStateBlock() {
    Record("BeginStateBlock", {});
    return S_OK;
}
HRESULT RecordingDevice::EndStateBlock(DWORD* pToken) {
    Record("EndStateBlock", {});
    if (!pToken) return D3DERR_INVALIDCALL;
    *pToken = nextStateBlock_++;
    return S_OK;
}
HRESULT RecordingDevice::ApplyStateBlock(DWORD Token) {
    Record("ApplyStateBlock", {Token});
    return S_OK;
}
HRESULT RecordingDevice::CaptureStateBlock(DWORD Token) {
    Record("CaptureStateBlock", {Token});
    return S_OK;
}
HRESULT RecordingDevice::DeleteStateBlock(DWORD Token) {
    Record("DeleteStateBlock", {Token});
    return S_OK;
}
HRESULT RecordingDevice::GetTexture(DWORD Stage, IDirect3DBaseTexture8** ppTexture) {
    Record("GetTexture", {Stage});
    if (ppTexture) *ppTexture = nullptr;
    return D3DERR_INVALIDCALL;
}
HRESULT RecordingDevice::SetTexture(DWORD Stage, IDirect3DBaseTexture8* pTexture) {
    Record("SetTexture", {Stage, Ptr(pTexture)});
    return S_OK;
}
HRESULT RecordingDevice::GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD*) {
    Record("GetTextureStageState", {Stage, Type});
    return D3DERR_INVALIDCALL;
}
HRESULT RecordingDevice::SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) {
    Record("SetTextureStageState", {Stage, Type, Value});
    return S_OK;
}
HRESULT RecordingDevice::DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex, UINT PrimitiveCount) {
    Record("DrawPrimitive", {PrimitiveType, StartVertex, PrimitiveCount});
    return S_OK;
}
HRESULT RecordingDevice::DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT minIndex, UINT NumVertices,
                                              UINT startIndex, UINT primCount) {
    Record("DrawIndexedPrimitive", {PrimitiveType, minIndex, NumVertices, startIndex, primCount});
    return S_OK;
}
HRESULT RecordingDevice::SetVertexShader(DWORD Handle) {
    Record("SetVertexShader", {Handle});
    return S_OK;
}
HRESULT RecordingDevice::GetVertexShader(DWORD* pHandle) {
    Record("GetVertexShader", {});
    if (pHandle) *pHandle = 0;
    return D3DERR_INVALIDCALL;
}
HRESULT RecordingDevice::SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer8* pStreamData, UINT Stride) {
    Record("SetStreamSource", {StreamNumber, Ptr(pStreamData), Stride});
    return S_OK;
}
HRESULT RecordingDevice::SetIndices(IDirect3DIndexBuffer8* pIndexData, UINT BaseVertexIndex) {
    Record("SetIndices", {Ptr(pIndexData), BaseVertexIndex});
    return S_OK;
}

// ---- resources ------------------------------------------------------------------

RecordingTexture::RecordingTexture(RecordingDevice* owner, UINT width, UINT height, UINT levelCount,
                                   D3DFORMAT textureFormat, D3DPOOL texturePool, UINT pitchPadding)
    : device(owner), format(textureFormat), pool(texturePool) {
    UINT w = width ? width : 1, h = height ? height : 1;
    for (UINT i = 0;; ++i) {
        Level level;
        level.width = w;
        level.height = h;
        level.pitch = static_cast<INT>(w * BytesPerTexel(format) + pitchPadding);
        level.bytes.assign(static_cast<size_t>(level.pitch) * h, 0);
        levels.push_back(std::move(level));
        if ((levelCount && i + 1 >= levelCount) || (w == 1 && h == 1)) break;
        w = w > 1 ? w / 2 : 1;
        h = h > 1 ? h / 2 : 1;
    }
}
HRESULT RecordingTexture::GetDevice(IDirect3DDevice8** ppDevice) {
    if (!ppDevice) return D3DERR_INVALIDCALL;
    *ppDevice = device;
    return S_OK;
}
HRESULT RecordingTexture::GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) {
    if (!pDesc || Level >= levels.size()) return D3DERR_INVALIDCALL;
    *pDesc = D3DSURFACE_DESC{format, D3DRTYPE_SURFACE, 0, pool, static_cast<UINT>(levels[Level].bytes.size()),
                             D3DMULTISAMPLE_NONE, levels[Level].width, levels[Level].height};
    return S_OK;
}
HRESULT RecordingTexture::LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, CONST RECT*, DWORD Flags) {
    device->calls.push_back(Call{"LockRect", "LockRect(" + std::to_string(Level) + ", " + std::to_string(Flags) + ")",
                                 {Level, Flags}, {}, {}, {}});
    if (!pLockedRect || Level >= levels.size()) return D3DERR_INVALIDCALL;
    if (device->failLocks) {
        pLockedRect->pBits = nullptr;
        pLockedRect->Pitch = 0;
        return D3DERR_INVALIDCALL;
    }
    ++lockCount;
    pLockedRect->pBits = levels[Level].bytes.data();
    pLockedRect->Pitch = levels[Level].pitch;
    return S_OK;
}
HRESULT RecordingTexture::UnlockRect(UINT Level) {
    device->calls.push_back(Call{"UnlockRect", "UnlockRect(" + std::to_string(Level) + ")", {Level}, {}, {}, {}});
    ++unlockCount;
    return Level < levels.size() ? S_OK : D3DERR_INVALIDCALL;
}

RecordingVertexBuffer::RecordingVertexBuffer(RecordingDevice* owner, UINT length, DWORD bufferUsage, DWORD bufferFvf,
                                             D3DPOOL bufferPool)
    : device(owner), usage(bufferUsage), fvf(bufferFvf), pool(bufferPool), bytes(length, 0) {}
HRESULT RecordingVertexBuffer::GetDevice(IDirect3DDevice8** ppDevice) {
    if (!ppDevice) return D3DERR_INVALIDCALL;
    *ppDevice = device;
    return S_OK;
}
HRESULT RecordingVertexBuffer::Lock(UINT OffsetToLock, UINT SizeToLock, BYTE** ppbData, DWORD Flags) {
    device->calls.push_back(Call{"Lock",
                                 "Lock(" + std::to_string(OffsetToLock) + ", " + std::to_string(SizeToLock) + ", " +
                                     std::to_string(Flags) + ")",
                                 {OffsetToLock, SizeToLock, Flags}, {}, {}, {}});
    if (!ppbData) return D3DERR_INVALIDCALL;
    if (device->failLocks || OffsetToLock > bytes.size()) {
        *ppbData = nullptr;
        return D3DERR_INVALIDCALL;
    }
    locked = true;
    *ppbData = bytes.data() + OffsetToLock;
    return S_OK;
}
HRESULT RecordingVertexBuffer::Unlock() {
    device->calls.push_back(Call{"Unlock", "Unlock()", {}, {}, {}, {}});
    locked = false;
    return S_OK;
}
HRESULT RecordingVertexBuffer::GetDesc(D3DVERTEXBUFFER_DESC* pDesc) {
    if (!pDesc) return D3DERR_INVALIDCALL;
    *pDesc = D3DVERTEXBUFFER_DESC{D3DFMT_VERTEXDATA, D3DRTYPE_VERTEXBUFFER, usage, pool,
                                  static_cast<UINT>(bytes.size()), fvf};
    return S_OK;
}

RecordingIndexBuffer::RecordingIndexBuffer(RecordingDevice* owner, UINT length, DWORD bufferUsage,
                                           D3DFORMAT bufferFormat, D3DPOOL bufferPool)
    : device(owner), usage(bufferUsage), format(bufferFormat), pool(bufferPool), bytes(length, 0) {}
HRESULT RecordingIndexBuffer::GetDevice(IDirect3DDevice8** ppDevice) {
    if (!ppDevice) return D3DERR_INVALIDCALL;
    *ppDevice = device;
    return S_OK;
}
HRESULT RecordingIndexBuffer::Lock(UINT OffsetToLock, UINT, BYTE** ppbData, DWORD) {
    if (!ppbData) return D3DERR_INVALIDCALL;
    if (device->failLocks || OffsetToLock > bytes.size()) {
        *ppbData = nullptr;
        return D3DERR_INVALIDCALL;
    }
    *ppbData = bytes.data() + OffsetToLock;
    return S_OK;
}
HRESULT RecordingIndexBuffer::Unlock() { return S_OK; }
HRESULT RecordingIndexBuffer::GetDesc(D3DINDEXBUFFER_DESC* pDesc) {
    if (!pDesc) return D3DERR_INVALIDCALL;
    *pDesc = D3DINDEXBUFFER_DESC{format, D3DRTYPE_INDEXBUFFER, usage, pool, static_cast<UINT>(bytes.size())};
    return S_OK;
}

}  // namespace tarvona::testing
