// Helpers for the model tests: the shared third-party .x files, a scratch
// directory, re-encoding a binary .x file (64-bit floats, MSZIP), and a
// snapshot of what D3DXLoadMeshFromX made, read back through ID3DXMesh.
#pragma once

#include <d3dx8.h>
#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/recording_device.h"

// Found by the standard algorithms only in the type's own (global) namespace.
inline bool operator==(const D3DXATTRIBUTERANGE& a, const D3DXATTRIBUTERANGE& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

namespace tarvona::testing::models {

using Bytes = std::vector<std::uint8_t>;

inline std::string SharedX(const std::string& name) {
    const char* shared = std::getenv("TARVONA_SHARED_DIR");
    return std::string(shared ? shared : "tests/data") + "/xfiles/assimp/test/models/" + name;
}

inline Bytes ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline void WriteText(const std::string& path, const std::string& text) {
    WriteBytes(path, Bytes(text.begin(), text.end()));
}

// A fresh directory that the test runs in; the old working directory comes
// back and the directory goes away at the end.
class ScratchDir {
public:
    ScratchDir() {
        // Memory-backed when the machine has it: the truncation tests write
        // thousands of small files.
        std::string pattern = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
        pattern += "/tarvona-models-XXXXXX";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        path_ = ::mkdtemp(name.data());
        old_ = std::filesystem::current_path();
        std::filesystem::current_path(path_);
    }
    ~ScratchDir() {
        std::filesystem::current_path(old_);
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::filesystem::path old_;
};

// The binary file with every float list widened to doubles and the header
// saying 0064: the same data in the 64-bit float encoding.
inline Bytes WidenFloats(const Bytes& in) {
    Bytes out;
    out.reserve(in.size() * 2 + 64);  // also keeps GCC 12's -Warray-bounds quiet about the appends
    out.assign(in.begin(), in.begin() + 16);
    std::memcpy(out.data() + 12, "0064", 4);
    size_t pos = 16;
    auto copy = [&](size_t n) {
        out.insert(out.end(), in.begin() + static_cast<long>(pos), in.begin() + static_cast<long>(pos + n));
        pos += n;
    };
    auto dword = [&](size_t at) {
        std::uint32_t v;
        std::memcpy(&v, in.data() + at, 4);
        return v;
    };
    while (pos + 2 <= in.size()) {
        std::uint16_t token;
        std::memcpy(&token, in.data() + pos, 2);
        copy(2);
        if (token == 1 || token == 2) {
            copy(4 + dword(pos));
        } else if (token == 3) {
            copy(4);
        } else if (token == 5) {
            copy(16);
        } else if (token == 6) {
            copy(4 + 4 * size_t{dword(pos)});
        } else if (token == 7) {
            std::uint32_t count = dword(pos);
            copy(4);
            for (std::uint32_t i = 0; i < count; ++i) {
                float f;
                std::memcpy(&f, in.data() + pos, 4);
                pos += 4;
                double d = f;
                const auto* p = reinterpret_cast<const std::uint8_t*>(&d);
                out.insert(out.end(), p, p + 8);
            }
        }
    }
    return out;
}

// The file's body in MSZIP blocks of at most `blockBytes` each, with the
// header's format set to `format` ("tzip" or "bzip"). Each block is deflated
// with the body so far as its dictionary, as MSZIP requires.
inline Bytes Compress(const Bytes& in, const char* format, size_t blockBytes) {
    Bytes out;
    out.reserve(in.size() + in.size() / 8 + 64);
    out.assign(in.begin(), in.begin() + 16);
    std::memcpy(out.data() + 8, format, 4);
    std::uint32_t total = static_cast<std::uint32_t>(in.size());
    out.insert(out.end(), reinterpret_cast<std::uint8_t*>(&total), reinterpret_cast<std::uint8_t*>(&total) + 4);
    for (size_t start = 16; start < in.size(); start += blockBytes) {
        size_t plain = std::min(blockBytes, in.size() - start);
        z_stream z{};
        EXPECT_EQ(deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY), Z_OK);
        size_t history = std::min<size_t>(start - 16, 32768);
        if (history) deflateSetDictionary(&z, in.data() + start - history, static_cast<uInt>(history));
        Bytes packed(deflateBound(&z, static_cast<uLong>(plain)) + 16);
        z.next_in = const_cast<Bytef*>(in.data() + start);
        z.avail_in = static_cast<uInt>(plain);
        z.next_out = packed.data();
        z.avail_out = static_cast<uInt>(packed.size());
        EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
        packed.resize(z.total_out);
        deflateEnd(&z);
        std::uint16_t sizes[2] = {static_cast<std::uint16_t>(plain), static_cast<std::uint16_t>(packed.size() + 2)};
        const auto* s = reinterpret_cast<const std::uint8_t*>(sizes);
        out.insert(out.end(), s, s + 4);
        out.push_back('C');
        out.push_back('K');
        out.insert(out.end(), packed.begin(), packed.end());
    }
    return out;
}

struct Vertex {
    float position[3]{}, normal[3]{};
    DWORD color = 0;
    float uv[2]{};
};

struct MaterialRecord {
    D3DMATERIAL8 material;
    bool hasTexture;
    std::string texture;
};

// What a loaded mesh holds, read back through the ID3DXMesh interface.
struct Snapshot {
    DWORD fvf = 0, options = 0;
    std::vector<Vertex> vertices;
    std::vector<std::uint32_t> indices;  // 3 per face
    std::vector<DWORD> attributes;
    std::vector<D3DXATTRIBUTERANGE> table;
    std::vector<MaterialRecord> materials;
};

inline bool SameFloats(const float* a, const float* b, int n) { return std::memcmp(a, b, sizeof(float) * n) == 0; }

inline bool operator==(const Vertex& a, const Vertex& b) {
    return SameFloats(a.position, b.position, 3) && SameFloats(a.normal, b.normal, 3) && a.color == b.color &&
           SameFloats(a.uv, b.uv, 2);
}
inline bool operator==(const MaterialRecord& a, const MaterialRecord& b) {
    return std::memcmp(&a.material, &b.material, sizeof a.material) == 0 && a.hasTexture == b.hasTexture &&
           a.texture == b.texture;
}

inline Snapshot Read(ID3DXMesh* mesh, ID3DXBuffer* materials, DWORD materialCount) {
    Snapshot s;
    s.fvf = mesh->GetFVF();
    s.options = mesh->GetOptions();
    BYTE* v = nullptr;
    EXPECT_GE(mesh->LockVertexBuffer(D3DLOCK_READONLY, &v), 0);
    for (DWORD i = 0; v && i < mesh->GetNumVertices(); ++i) {
        Vertex x;
        std::memcpy(x.position, v, 12);
        v += 12;
        if (s.fvf & D3DFVF_NORMAL) {
            std::memcpy(x.normal, v, 12);
            v += 12;
        }
        if (s.fvf & D3DFVF_DIFFUSE) {
            std::memcpy(&x.color, v, 4);
            v += 4;
        }
        if (s.fvf & D3DFVF_TEX1) {
            std::memcpy(x.uv, v, 8);
            v += 8;
        }
        s.vertices.push_back(x);
    }
    mesh->UnlockVertexBuffer();
    BYTE* ix = nullptr;
    EXPECT_GE(mesh->LockIndexBuffer(D3DLOCK_READONLY, &ix), 0);
    for (DWORD i = 0; ix && i < mesh->GetNumFaces() * 3; ++i) {
        if (s.options & D3DXMESH_32BIT) {
            std::uint32_t k;
            std::memcpy(&k, ix + i * 4, 4);
            s.indices.push_back(k);
        } else {
            std::uint16_t k;
            std::memcpy(&k, ix + i * 2, 2);
            s.indices.push_back(k);
        }
    }
    mesh->UnlockIndexBuffer();
    DWORD* attributes = nullptr;
    EXPECT_GE(mesh->LockAttributeBuffer(D3DLOCK_READONLY, &attributes), 0);
    if (attributes) s.attributes.assign(attributes, attributes + mesh->GetNumFaces());
    mesh->UnlockAttributeBuffer();
    DWORD entries = 0;
    mesh->GetAttributeTable(nullptr, &entries);
    s.table.resize(entries);
    if (entries) mesh->GetAttributeTable(s.table.data(), &entries);
    const auto* records = materials ? static_cast<const D3DXMATERIAL*>(materials->GetBufferPointer()) : nullptr;
    for (DWORD i = 0; records && i < materialCount; ++i)
        s.materials.push_back({records[i].MatD3D, records[i].pTextureFilename != nullptr,
                               records[i].pTextureFilename ? records[i].pTextureFilename : ""});
    return s;
}

// Loads a file through D3DXLoadMeshFromX onto a recording device; the
// result, and on success the snapshot.
inline HRESULT Load(const std::string& path, Snapshot& snapshot, DWORD options = D3DXMESH_SYSTEMMEM) {
    RecordingDevice device;
    ID3DXBuffer* materials = nullptr;
    DWORD count = 0;
    ID3DXMesh* mesh = nullptr;
    HRESULT hr = D3DXLoadMeshFromX(const_cast<LPSTR>(path.c_str()), options, &device, nullptr, &materials, &count,
                                   &mesh);
    if (hr >= 0) {
        snapshot = Read(mesh, materials, count);
        materials->Release();
        mesh->Release();
    }
    return hr;
}

}  // namespace tarvona::testing::models
