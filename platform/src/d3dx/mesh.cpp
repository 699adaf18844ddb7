#include "d3dx/mesh.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <unordered_map>
#include <vector>

#include "d3dx/buffer.h"
#include "d3dx/report.h"

namespace tarvona::d3dx {

namespace {

DWORD StrideOf(DWORD fvf) {
    DWORD stride = 12;
    if (fvf & D3DFVF_NORMAL) stride += 12;
    if (fvf & D3DFVF_DIFFUSE) stride += 4;
    if (fvf & D3DFVF_TEX1) stride += 8;
    return stride;
}

D3DPOOL PoolOf(DWORD options, DWORD systemMem, DWORD managed) {
    if (options & managed) return D3DPOOL_MANAGED;
    if (options & systemMem) return D3DPOOL_SYSTEMMEM;
    return D3DPOOL_DEFAULT;
}

DWORD UsageOf(DWORD options, DWORD writeOnly, DWORD dynamic) {
    DWORD usage = 0;
    if (options & writeOnly) usage |= D3DUSAGE_WRITEONLY;
    if (options & dynamic) usage |= D3DUSAGE_DYNAMIC;
    if (options & D3DXMESH_DONOTCLIP) usage |= D3DUSAGE_DONOTCLIP;
    if (options & D3DXMESH_POINTS) usage |= D3DUSAGE_POINTS;
    return usage;
}

class Mesh final : public ID3DXMesh {
public:
    Mesh(IDirect3DDevice8* device, DWORD options, DWORD fvf, DWORD vertices, IDirect3DVertexBuffer8* vb,
         IDirect3DIndexBuffer8* ib, std::vector<DWORD> attributes, std::vector<D3DXATTRIBUTERANGE> ranges)
        : device_(device),
          options_(options),
          fvf_(fvf),
          stride_(StrideOf(fvf)),
          vertices_(vertices),
          vb_(vb),
          ib_(ib),
          attributes_(std::move(attributes)),
          ranges_(std::move(ranges)) {
        device_->AddRef();
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override {
        if (ppv) *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG left = --refs_;
        if (left == 0) {
            vb_->Release();
            ib_->Release();
            device_->Release();
            delete this;
        }
        return left;
    }

    HRESULT STDMETHODCALLTYPE DrawSubset(DWORD attribId) override {
        HRESULT result = D3D_OK;
        for (const D3DXATTRIBUTERANGE& r : ranges_) {
            if (r.AttribId != attribId || r.FaceCount == 0) continue;
            device_->SetStreamSource(0, vb_, stride_);
            device_->SetIndices(ib_, 0);
            device_->SetVertexShader(fvf_);
            HRESULT hr = device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, r.VertexStart, r.VertexCount,
                                                       r.FaceStart * 3, r.FaceCount);
            if (hr < 0) result = hr;
        }
        return result;
    }
    DWORD STDMETHODCALLTYPE GetNumFaces() override { return static_cast<DWORD>(attributes_.size()); }
    DWORD STDMETHODCALLTYPE GetNumVertices() override { return vertices_; }
    DWORD STDMETHODCALLTYPE GetFVF() override { return fvf_; }
    DWORD STDMETHODCALLTYPE GetOptions() override { return options_; }
    HRESULT STDMETHODCALLTYPE GetDevice(LPDIRECT3DDEVICE8* ppDevice) override {
        if (!ppDevice) return D3DERR_INVALIDCALL;
        device_->AddRef();
        *ppDevice = device_;
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE GetVertexBuffer(LPDIRECT3DVERTEXBUFFER8* ppVB) override {
        if (!ppVB) return D3DERR_INVALIDCALL;
        vb_->AddRef();
        *ppVB = vb_;
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE GetIndexBuffer(LPDIRECT3DINDEXBUFFER8* ppIB) override {
        if (!ppIB) return D3DERR_INVALIDCALL;
        ib_->AddRef();
        *ppIB = ib_;
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE LockVertexBuffer(DWORD flags, BYTE** ppData) override {
        if (!ppData) return D3DERR_INVALIDCALL;
        return vb_->Lock(0, 0, ppData, flags);
    }
    HRESULT STDMETHODCALLTYPE UnlockVertexBuffer() override { return vb_->Unlock(); }
    HRESULT STDMETHODCALLTYPE LockIndexBuffer(DWORD flags, BYTE** ppData) override {
        if (!ppData) return D3DERR_INVALIDCALL;
        return ib_->Lock(0, 0, ppData, flags);
    }
    HRESULT STDMETHODCALLTYPE UnlockIndexBuffer() override { return ib_->Unlock(); }
    HRESULT STDMETHODCALLTYPE GetAttributeTable(D3DXATTRIBUTERANGE* table, DWORD* size) override {
        if (!table && !size) return D3DERR_INVALIDCALL;
        if (size) *size = static_cast<DWORD>(ranges_.size());
        if (table && !ranges_.empty()) std::memcpy(table, ranges_.data(), ranges_.size() * sizeof(D3DXATTRIBUTERANGE));
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE LockAttributeBuffer(DWORD, DWORD** ppData) override {
        if (!ppData) return D3DERR_INVALIDCALL;
        *ppData = attributes_.data();
        attributesLocked_ = true;
        return D3D_OK;
    }
    // When the caller gave faces other attributes, each run of equal
    // attributes becomes a range of its own, over all vertices, since the
    // indices may have changed as well.
    HRESULT STDMETHODCALLTYPE UnlockAttributeBuffer() override {
        if (!attributesLocked_) return D3DERR_INVALIDCALL;
        attributesLocked_ = false;
        if (RangesMatchAttributes()) return D3D_OK;
        ranges_.clear();
        for (DWORD f = 0; f < attributes_.size();) {
            DWORD end = f;
            while (end < attributes_.size() && attributes_[end] == attributes_[f]) ++end;
            ranges_.push_back({attributes_[f], f, end - f, 0, vertices_});
            f = end;
        }
        return D3D_OK;
    }

private:
    ~Mesh() = default;

    // Whether the table still describes the attribute buffer exactly.
    bool RangesMatchAttributes() const {
        DWORD next = 0;
        for (const D3DXATTRIBUTERANGE& r : ranges_) {
            if (r.FaceStart != next) return false;
            for (DWORD f = r.FaceStart; f < r.FaceStart + r.FaceCount; ++f)
                if (attributes_[f] != r.AttribId) return false;
            next = r.FaceStart + r.FaceCount;
        }
        return next == attributes_.size();
    }

    IDirect3DDevice8* device_;
    DWORD options_, fvf_, stride_, vertices_;
    IDirect3DVertexBuffer8* vb_;
    IDirect3DIndexBuffer8* ib_;
    std::vector<DWORD> attributes_;
    std::vector<D3DXATTRIBUTERANGE> ranges_;
    bool attributesLocked_ = false;
    ULONG refs_ = 1;
};

void WriteVertices(const xfile::MeshData& data, BYTE* out) {
    const DWORD n = data.VertexCount();
    for (DWORD v = 0; v < n; ++v) {
        std::memcpy(out, &data.positions[size_t{v} * 3], 12);
        out += 12;
        if (data.fvf & D3DFVF_NORMAL) {
            std::memcpy(out, &data.normals[size_t{v} * 3], 12);
            out += 12;
        }
        if (data.fvf & D3DFVF_DIFFUSE) {
            std::memcpy(out, &data.colors[v], 4);
            out += 4;
        }
        if (data.fvf & D3DFVF_TEX1) {
            std::memcpy(out, &data.texcoords[size_t{v} * 2], 8);
            out += 8;
        }
    }
}

}  // namespace

HRESULT CreateMesh(IDirect3DDevice8* device, DWORD options, const xfile::MeshData& data, ID3DXMesh** mesh) {
    const DWORD vertices = data.VertexCount();
    // 16-bit indices cannot name more vertices than this; such a mesh gets
    // 32-bit indices whatever the options say, rather than failing.
    if (vertices > 0xFFFF) options |= D3DXMESH_32BIT;
    const bool wide = (options & D3DXMESH_32BIT) != 0;
    const DWORD stride = StrideOf(data.fvf);
    if (std::uint64_t{vertices} * stride > 0xFFFFFFFFu || data.indices.size() > 0x3FFFFFFFu) return E_OUTOFMEMORY;

    std::vector<DWORD> attributes;
    std::vector<D3DXATTRIBUTERANGE> ranges;
    try {
        attributes = data.attributes;
        ranges.reserve(data.subsets.size());
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    for (const xfile::Subset& s : data.subsets)
        ranges.push_back({s.attributeId, s.faceStart, s.faceCount, s.vertexStart, s.vertexCount});

    IDirect3DVertexBuffer8* vb = nullptr;
    IDirect3DIndexBuffer8* ib = nullptr;
    auto fail = [&](HRESULT hr) {
        if (vb) vb->Release();
        if (ib) ib->Release();
        return hr < 0 ? hr : E_FAIL;
    };
    HRESULT hr = device->CreateVertexBuffer(vertices * stride,
                                            UsageOf(options, D3DXMESH_VB_WRITEONLY, D3DXMESH_VB_DYNAMIC), data.fvf,
                                            PoolOf(options, D3DXMESH_VB_SYSTEMMEM, D3DXMESH_VB_MANAGED), &vb);
    if (hr < 0 || !vb) return fail(hr);
    BYTE* bytes = nullptr;
    hr = vb->Lock(0, 0, &bytes, 0);
    if (hr < 0 || !bytes) return fail(hr);
    WriteVertices(data, bytes);
    vb->Unlock();

    const DWORD indexBytes = wide ? 4 : 2;
    hr = device->CreateIndexBuffer(static_cast<UINT>(data.indices.size()) * indexBytes,
                                   UsageOf(options, D3DXMESH_IB_WRITEONLY, D3DXMESH_IB_DYNAMIC),
                                   wide ? D3DFMT_INDEX32 : D3DFMT_INDEX16,
                                   PoolOf(options, D3DXMESH_IB_SYSTEMMEM, D3DXMESH_IB_MANAGED), &ib);
    if (hr < 0 || !ib) return fail(hr);
    bytes = nullptr;
    hr = ib->Lock(0, 0, &bytes, 0);
    if (hr < 0 || !bytes) return fail(hr);
    if (wide) {
        std::memcpy(bytes, data.indices.data(), data.indices.size() * 4);
    } else {
        for (size_t i = 0; i < data.indices.size(); ++i) {
            WORD w = static_cast<WORD>(data.indices[i]);
            std::memcpy(bytes + i * 2, &w, 2);
        }
    }
    ib->Unlock();

    Mesh* made = new (std::nothrow) Mesh(device, options, data.fvf, vertices, vb, ib, std::move(attributes),
                                         std::move(ranges));
    if (!made) return fail(E_OUTOFMEMORY);
    *mesh = made;
    return D3D_OK;
}

ID3DXBuffer* NewAdjacency(const xfile::MeshData& data) {
    const DWORD faces = data.FaceCount();
    ID3DXBuffer* buffer = NewBuffer(size_t{faces} * 3 * sizeof(DWORD));
    if (!buffer) return nullptr;
    DWORD* adjacency = static_cast<DWORD*>(buffer->GetBufferPointer());
    for (size_t i = 0; i < size_t{faces} * 3; ++i) adjacency[i] = 0xFFFFFFFFu;
    // Each edge waits in the map for the first other face that has it.
    std::unordered_map<std::uint64_t, DWORD> open;
    for (DWORD f = 0; f < faces; ++f) {
        for (DWORD k = 0; k < 3; ++k) {
            std::uint32_t a = data.sourcePositions[data.indices[size_t{f} * 3 + k]];
            std::uint32_t b = data.sourcePositions[data.indices[size_t{f} * 3 + (k + 1) % 3]];
            if (a == b) continue;
            std::uint64_t key = a < b ? (std::uint64_t{a} << 32 | b) : (std::uint64_t{b} << 32 | a);
            auto it = open.find(key);
            if (it == open.end()) {
                open.emplace(key, f * 3 + k);
            } else if (it->second / 3 != f) {
                adjacency[it->second] = f;
                adjacency[size_t{f} * 3 + k] = it->second / 3;
                open.erase(it);
            }
        }
    }
    return buffer;
}

}  // namespace tarvona::d3dx

// ---- D3DXLoadMeshFromX ------------------------------------------------------------

HRESULT WINAPI D3DXLoadMeshFromX(LPSTR pFilename, DWORD Options, LPDIRECT3DDEVICE8 pDevice,
                                 LPD3DXBUFFER* ppAdjacency, LPD3DXBUFFER* ppMaterials, PDWORD pNumMaterials,
                                 LPD3DXMESH* ppMesh) {
    using namespace tarvona;
    const char* call = "D3DXLoadMeshFromX";
    if (!pFilename || !pDevice || !ppMesh) {
        d3dx::ReportFailure(call, pFilename, "invalid call (null file name, device or mesh pointer)");
        return D3DERR_INVALIDCALL;
    }
    xfile::MeshData data;
    std::string error;
    bool read = false;
    try {
        read = xfile::ReadXFile(pFilename, data, error);
    } catch (const std::bad_alloc&) {
        error = "out of memory";
    }
    if (!read) {
        d3dx::ReportFailure(call, pFilename, error);
        return E_FAIL;
    }

    // The materials: the records first, then the names they point to.
    const DWORD count = static_cast<DWORD>(data.materials.size());
    size_t bytes = count * sizeof(D3DXMATERIAL);
    for (const xfile::Material& m : data.materials)
        if (m.hasTexture) bytes += m.textureFilename.size() + 1;
    ID3DXBuffer* materials = ppMaterials ? d3dx::NewBuffer(bytes) : nullptr;
    ID3DXBuffer* adjacency = ppAdjacency ? d3dx::NewAdjacency(data) : nullptr;
    if ((ppMaterials && !materials) || (ppAdjacency && !adjacency)) {
        if (materials) materials->Release();
        if (adjacency) adjacency->Release();
        d3dx::ReportFailure(call, pFilename, "out of memory");
        return E_OUTOFMEMORY;
    }
    if (materials) {
        auto* records = static_cast<D3DXMATERIAL*>(materials->GetBufferPointer());
        char* names = reinterpret_cast<char*>(records + count);
        for (DWORD i = 0; i < count; ++i) {
            const xfile::Material& m = data.materials[i];
            records[i].MatD3D = m.material;
            records[i].pTextureFilename = nullptr;
            if (m.hasTexture) {
                std::memcpy(names, m.textureFilename.c_str(), m.textureFilename.size() + 1);
                records[i].pTextureFilename = names;
                names += m.textureFilename.size() + 1;
            }
        }
    }

    ID3DXMesh* mesh = nullptr;
    HRESULT hr = d3dx::CreateMesh(pDevice, Options, data, &mesh);
    if (hr < 0) {
        if (materials) materials->Release();
        if (adjacency) adjacency->Release();
        char reason[96];
        std::snprintf(reason, sizeof reason, "the device refused the mesh's buffers (0x%08X)",
                      static_cast<unsigned>(hr));
        d3dx::ReportFailure(call, pFilename, reason);
        return hr;
    }
    if (ppAdjacency) *ppAdjacency = adjacency;
    if (ppMaterials) *ppMaterials = materials;
    if (pNumMaterials) *pNumMaterials = count;
    *ppMesh = mesh;
    return D3D_OK;
}
