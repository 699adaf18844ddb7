// Reads the templates that make a mesh (Frame, FrameTransformMatrix, Mesh,
// MeshNormals, MeshTextureCoords, MeshVertexColors, MeshMaterialList,
// Material, TextureFilename) into per-mesh parts, then merges the parts into
// one vertex/index/attribute set. Template identifiers are matched ignoring
// case, since exporters write "TextureFileName" as often as
// "TextureFilename". SkinWeights, FVFData and DeclData are not used, but
// their indices and sizes are checked against the mesh they belong to, so a
// file that D3DX would reject as inconsistent is rejected here too.
#include "d3dx/xfile.h"

#include <cmath>
#include <cstring>
#include <unordered_map>

#include "common/file_names.h"
#include "d3dx/xfile_tokens.h"

namespace tarvona::xfile {

namespace {

constexpr int kMaxFrameDepth = 256;

struct Part {
    int frame = -1;
    std::vector<float> positions;          // 3 per file vertex
    std::vector<std::uint32_t> faceStarts;  // faces + 1 offsets into corners
    std::vector<std::uint32_t> corners;     // position index per face corner
    bool hasNormals = false;
    std::vector<float> normals;
    std::vector<std::uint32_t> normalCorners;  // normal index per face corner
    bool hasTexcoords = false;
    std::vector<float> texcoords;
    bool hasColors = false;
    std::vector<DWORD> colors;
    bool hasMaterials = false;
    std::vector<DWORD> faceMaterials;
    std::vector<Material> materials;

    std::uint32_t VertexCount() const { return static_cast<std::uint32_t>(positions.size() / 3); }
    std::uint32_t FaceCount() const { return static_cast<std::uint32_t>(faceStarts.size() - 1); }
};

struct FrameNode {
    int parent;
    D3DMATRIX local;
};

const D3DMATRIX kIdentity = {{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}}};

bool Is(std::string_view id, std::string_view name) {
    if (id.size() != name.size()) return false;
    for (size_t i = 0; i < id.size(); ++i) {
        char a = id[i], b = name[i];
        if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
        if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
        if (a != b) return false;
    }
    return true;
}

// D3DCOLOR from a float colour, as D3DXCOLOR converts: clamp, scale, round.
DWORD Channel(float c) {
    if (c >= 1.0f) return 255;
    if (c > 0.0f) return static_cast<DWORD>(c * 255.0f + 0.5f);
    return 0;  // also NaN
}

// A mesh without a material list still has to be visible: it gets one
// white material (D3D's default material), untextured.
Material DefaultMaterial() {
    Material m;
    m.material.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    return m;
}

// Sizes of D3DDECLTYPE 0..17 in bytes.
constexpr std::uint32_t kDeclTypeBytes[] = {4, 8, 12, 16, 4, 4, 4, 8, 4, 4, 8, 4, 8, 4, 4, 4, 8, 0};

// DWORDs of texture coordinates per vertex that an FVF code holds.
std::uint32_t TexcoordDwords(std::uint32_t fvf) {
    std::uint32_t sets = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    std::uint32_t total = 0;
    for (std::uint32_t i = 0; i < sets; ++i) {
        static constexpr std::uint32_t kSize[] = {2, 3, 4, 1};  // D3DFVF_TEXTUREFORMAT2, 3, 4, 1
        total += kSize[(fvf >> (16 + 2 * i)) & 3];
    }
    return total;
}

class Reader {
public:
    explicit Reader(Cursor& cursor) : c_(cursor) {}

    bool File();

    std::vector<Part> parts;
    std::vector<FrameNode> frames;

private:
    bool OpenObject(std::string_view* name);
    bool SkipObject();
    bool SkipReference();
    bool Count(std::uint32_t& n);
    bool Frame(int parent, int depth);
    bool FrameTransform(int frame);
    bool Mesh(int frame);
    bool Normals(Part& p);
    bool TextureCoords(Part& p);
    bool VertexColors(Part& p);
    bool MaterialList(Part& p);
    bool MaterialBody(Material& m);
    bool SkinWeights(const Part& p);
    bool FvfData(const Part& p);
    bool DeclData(const Part& p);

    Cursor& c_;
    std::unordered_map<std::string, Material> named_;
};

bool Reader::OpenObject(std::string_view* name) {
    std::string_view ignored;
    if (c_.Peek() == Tok::Name && !c_.TakeName(name ? *name : ignored)) return false;
    if (!c_.TakeOBrace()) return false;
    if (c_.Peek() == Tok::Guid && !c_.TakeGuid()) return false;
    return true;
}

bool Reader::SkipObject() { return OpenObject(nullptr) && c_.SkipBody(); }

bool Reader::SkipReference() { return c_.TakeOBrace() && c_.SkipBody(); }

bool Reader::Count(std::uint32_t& n) {
    if (!c_.ReadUInt(n)) return false;
    if (n > c_.Remaining()) return c_.Fail("count " + std::to_string(n) + " is larger than the data");
    return true;
}

bool Reader::File() {
    for (;;) {
        switch (c_.Peek()) {
            case Tok::End:
                return true;
            case Tok::Template: {
                std::string_view name;
                if (!c_.TakeTemplateKeyword() || !c_.TakeName(name) || !c_.TakeOBrace() || !c_.SkipBody())
                    return false;
                break;
            }
            case Tok::Name: {
                std::string_view id;
                if (!c_.TakeName(id)) return false;
                bool ok;
                if (Is(id, "Frame")) {
                    ok = Frame(-1, 0);
                } else if (Is(id, "Mesh")) {
                    ok = Mesh(-1);
                } else if (Is(id, "Material")) {
                    std::string_view name;
                    Material m;
                    ok = OpenObject(&name) && MaterialBody(m);
                    if (ok && !name.empty()) named_[std::string(name)] = m;
                } else {
                    ok = SkipObject();
                }
                if (!ok) return false;
                break;
            }
            case Tok::OBrace:
                if (!SkipReference()) return false;
                break;
            default:
                return c_.Fail("expected a template or a data object");
        }
    }
}

bool Reader::Frame(int parent, int depth) {
    if (depth > kMaxFrameDepth) return c_.Fail("frames nested too deeply");
    if (!OpenObject(nullptr)) return false;
    int self = static_cast<int>(frames.size());
    frames.push_back({parent, kIdentity});
    for (;;) {
        Tok t = c_.Peek();
        if (t == Tok::CBrace) return c_.TakeCBrace();
        if (t == Tok::OBrace) {
            if (!SkipReference()) return false;
            continue;
        }
        std::string_view id;
        if (t != Tok::Name) return c_.Fail("expected a data object or '}' in a Frame");
        if (!c_.TakeName(id)) return false;
        bool ok;
        if (Is(id, "FrameTransformMatrix")) {
            ok = FrameTransform(self);
        } else if (Is(id, "Frame")) {
            ok = Frame(self, depth + 1);
        } else if (Is(id, "Mesh")) {
            ok = Mesh(self);
        } else {
            ok = SkipObject();
        }
        if (!ok) return false;
    }
}

bool Reader::FrameTransform(int frame) {
    if (!OpenObject(nullptr)) return false;
    D3DMATRIX m;
    for (int i = 0; i < 16; ++i)
        if (!c_.ReadFloat(m.m[i / 4][i % 4])) return false;
    frames[static_cast<size_t>(frame)].local = m;
    return c_.TakeCBrace();
}

bool Reader::Mesh(int frame) {
    if (!OpenObject(nullptr)) return false;
    Part p;
    p.frame = frame;
    std::uint32_t vertexCount = 0, faceCount = 0;
    if (!Count(vertexCount)) return false;
    p.positions.resize(size_t{vertexCount} * 3);
    for (float& f : p.positions)
        if (!c_.ReadFloat(f)) return false;
    if (!Count(faceCount)) return false;
    p.faceStarts.reserve(size_t{faceCount} + 1);
    p.faceStarts.push_back(0);
    for (std::uint32_t f = 0; f < faceCount; ++f) {
        std::uint32_t n = 0;
        if (!Count(n)) return false;
        if (n < 3) return c_.Fail("face " + std::to_string(f) + " has fewer than 3 corners");
        for (std::uint32_t k = 0; k < n; ++k) {
            std::uint32_t index = 0;
            if (!c_.ReadUInt(index)) return false;
            if (index >= vertexCount)
                return c_.Fail("face " + std::to_string(f) + " uses vertex " + std::to_string(index) + " of " +
                               std::to_string(vertexCount));
            p.corners.push_back(index);
        }
        p.faceStarts.push_back(static_cast<std::uint32_t>(p.corners.size()));
    }
    for (;;) {
        Tok t = c_.Peek();
        if (t == Tok::CBrace) break;
        if (t == Tok::OBrace) {
            if (!SkipReference()) return false;
            continue;
        }
        std::string_view id;
        if (t != Tok::Name) return c_.Fail("expected a data object or '}' in a Mesh");
        if (!c_.TakeName(id)) return false;
        bool ok;
        if (Is(id, "MeshNormals") && !p.hasNormals) {
            ok = Normals(p);
        } else if (Is(id, "MeshTextureCoords") && !p.hasTexcoords) {
            ok = TextureCoords(p);
        } else if (Is(id, "MeshVertexColors") && !p.hasColors) {
            ok = VertexColors(p);
        } else if (Is(id, "MeshMaterialList") && !p.hasMaterials) {
            ok = MaterialList(p);
        } else if (Is(id, "SkinWeights")) {
            ok = SkinWeights(p);
        } else if (Is(id, "FVFData")) {
            ok = FvfData(p);
        } else if (Is(id, "DeclData")) {
            ok = DeclData(p);
        } else {
            ok = SkipObject();
        }
        if (!ok) return false;
    }
    if (!c_.TakeCBrace()) return false;
    parts.push_back(std::move(p));
    return true;
}

bool Reader::Normals(Part& p) {
    if (!OpenObject(nullptr)) return false;
    std::uint32_t normalCount = 0, faceCount = 0;
    if (!Count(normalCount)) return false;
    p.normals.resize(size_t{normalCount} * 3);
    for (float& f : p.normals)
        if (!c_.ReadFloat(f)) return false;
    if (!Count(faceCount)) return false;
    if (faceCount != p.FaceCount())
        return c_.Fail("MeshNormals has " + std::to_string(faceCount) + " faces, the mesh " +
                       std::to_string(p.FaceCount()));
    p.normalCorners.resize(p.corners.size());
    for (std::uint32_t f = 0; f < faceCount; ++f) {
        std::uint32_t n = 0;
        if (!c_.ReadUInt(n)) return false;
        if (n != p.faceStarts[f + 1] - p.faceStarts[f])
            return c_.Fail("normal face " + std::to_string(f) + " has another corner count than its face");
        for (std::uint32_t k = p.faceStarts[f]; k < p.faceStarts[f + 1]; ++k) {
            std::uint32_t index = 0;
            if (!c_.ReadUInt(index)) return false;
            if (index >= normalCount)
                return c_.Fail("normal face " + std::to_string(f) + " uses normal " + std::to_string(index) + " of " +
                               std::to_string(normalCount));
            p.normalCorners[k] = index;
        }
    }
    p.hasNormals = true;
    return c_.TakeCBrace();
}

bool Reader::TextureCoords(Part& p) {
    if (!OpenObject(nullptr)) return false;
    std::uint32_t count = 0;
    if (!Count(count)) return false;
    if (count < p.VertexCount())
        return c_.Fail(std::to_string(count) + " texture coordinates for " + std::to_string(p.VertexCount()) +
                       " vertices");
    p.texcoords.resize(size_t{p.VertexCount()} * 2);
    for (std::uint32_t i = 0; i < count; ++i) {
        float u, v;
        if (!c_.ReadFloat(u) || !c_.ReadFloat(v)) return false;
        if (i < p.VertexCount()) {
            p.texcoords[size_t{i} * 2] = u;
            p.texcoords[size_t{i} * 2 + 1] = v;
        }
    }
    p.hasTexcoords = true;
    return c_.TakeCBrace();
}

bool Reader::VertexColors(Part& p) {
    if (!OpenObject(nullptr)) return false;
    std::uint32_t count = 0;
    if (!Count(count)) return false;
    // Vertices the list leaves out stay white, which leaves the material's
    // colour as it is under the default colour-vertex states.
    p.colors.assign(p.VertexCount(), 0xFFFFFFFFu);
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint32_t index = 0;
        float rgba[4];
        if (!c_.ReadUInt(index)) return false;
        for (float& f : rgba)
            if (!c_.ReadFloat(f)) return false;
        if (index >= p.VertexCount())
            return c_.Fail("colour for vertex " + std::to_string(index) + " of " + std::to_string(p.VertexCount()));
        p.colors[index] = (Channel(rgba[3]) << 24) | (Channel(rgba[0]) << 16) | (Channel(rgba[1]) << 8) |
                          Channel(rgba[2]);
    }
    p.hasColors = true;
    return c_.TakeCBrace();
}

bool Reader::MaterialBody(Material& m) {
    float v[11];
    for (float& f : v)
        if (!c_.ReadFloat(f)) return false;
    m.material.Diffuse = {v[0], v[1], v[2], v[3]};
    m.material.Power = v[4];
    m.material.Specular = {v[5], v[6], v[7], 1.0f};
    m.material.Emissive = {v[8], v[9], v[10], 1.0f};
    // A .x material has no ambient colour; D3DX leaves it black.
    m.material.Ambient = {0.0f, 0.0f, 0.0f, 0.0f};
    for (;;) {
        Tok t = c_.Peek();
        if (t == Tok::CBrace) return c_.TakeCBrace();
        if (t == Tok::OBrace) {
            if (!SkipReference()) return false;
            continue;
        }
        std::string_view id;
        if (t != Tok::Name) return c_.Fail("expected a data object or '}' in a Material");
        if (!c_.TakeName(id)) return false;
        if (Is(id, "TextureFilename") && !m.hasTexture) {
            if (!OpenObject(nullptr) || !c_.ReadString(m.textureFilename) || !c_.TakeCBrace()) return false;
            m.hasTexture = true;
        } else if (!SkipObject()) {
            return false;
        }
    }
}

bool Reader::MaterialList(Part& p) {
    if (!OpenObject(nullptr)) return false;
    std::uint32_t materialCount = 0, indexCount = 0;
    if (!Count(materialCount) || !Count(indexCount)) return false;
    // Exporters (kW Xport among them) write fewer face indices than they
    // declare when the rest repeat the last one; the faces after the list
    // take the last index, as D3DX does.
    std::vector<DWORD> indices;
    indices.reserve(indexCount < p.FaceCount() ? indexCount : p.FaceCount());
    for (std::uint32_t i = 0; i < indexCount && c_.Peek() == Tok::Number; ++i) {
        std::uint32_t index = 0;
        if (!c_.ReadUInt(index)) return false;
        if (i < p.FaceCount()) indices.push_back(index);
    }
    std::vector<Material> materials;
    for (;;) {
        Tok t = c_.Peek();
        if (t == Tok::CBrace) break;
        if (t == Tok::OBrace) {
            std::string_view name;
            if (!c_.TakeOBrace()) return false;
            if (c_.Peek() == Tok::Name && !c_.TakeName(name)) return false;
            if (c_.Peek() == Tok::Guid && !c_.TakeGuid()) return false;
            if (!c_.TakeCBrace()) return false;
            auto it = named_.find(std::string(name));
            if (it == named_.end()) return c_.Fail("reference to unknown material '" + std::string(name) + "'");
            materials.push_back(it->second);
            continue;
        }
        std::string_view id;
        if (t != Tok::Name) return c_.Fail("expected a Material or '}' in a MeshMaterialList");
        if (!c_.TakeName(id)) return false;
        if (Is(id, "Material")) {
            std::string_view name;
            Material m;
            if (!OpenObject(&name) || !MaterialBody(m)) return false;
            if (!name.empty()) named_[std::string(name)] = m;
            materials.push_back(std::move(m));
        } else if (!SkipObject()) {
            return false;
        }
    }
    if (!c_.TakeCBrace()) return false;
    if (materialCount == 0) return true;  // no materials: the mesh gets the default one
    if (materials.size() < materialCount)
        return c_.Fail("MeshMaterialList declares " + std::to_string(materialCount) + " materials and holds " +
                       std::to_string(materials.size()));
    materials.resize(materialCount);
    p.faceMaterials.resize(p.FaceCount());
    for (std::uint32_t f = 0; f < p.FaceCount(); ++f) {
        DWORD m = f < indices.size() ? indices[f] : (indices.empty() ? 0 : indices.back());
        if (m >= materialCount)
            return c_.Fail("face " + std::to_string(f) + " uses material " + std::to_string(m) + " of " +
                           std::to_string(materialCount));
        p.faceMaterials[f] = m;
    }
    p.materials = std::move(materials);
    p.hasMaterials = true;
    return true;
}

bool Reader::SkinWeights(const Part& p) {
    if (!OpenObject(nullptr)) return false;
    std::string bone;
    std::uint32_t count = 0;
    if (!c_.ReadString(bone) || !Count(count)) return false;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint32_t index = 0;
        if (!c_.ReadUInt(index)) return false;
        if (index >= p.VertexCount())
            return c_.Fail("skin weight for vertex " + std::to_string(index) + " of " +
                           std::to_string(p.VertexCount()));
    }
    float f;
    for (std::uint32_t i = 0; i < count + 16; ++i)
        if (!c_.ReadFloat(f)) return false;
    return c_.TakeCBrace();
}

bool Reader::FvfData(const Part& p) {
    if (!OpenObject(nullptr)) return false;
    std::uint32_t fvf = 0, count = 0, value = 0;
    if (!c_.ReadUInt(fvf) || !Count(count)) return false;
    for (std::uint32_t i = 0; i < count; ++i)
        if (!c_.ReadUInt(value)) return false;
    if (std::uint64_t{count} < std::uint64_t{p.VertexCount()} * TexcoordDwords(fvf))
        return c_.Fail("FVFData holds " + std::to_string(count) + " DWORDs, too few for " +
                       std::to_string(p.VertexCount()) + " vertices");
    return c_.TakeCBrace();
}

bool Reader::DeclData(const Part& p) {
    if (!OpenObject(nullptr)) return false;
    std::uint32_t elements = 0, count = 0, value = 0;
    if (!Count(elements)) return false;
    std::uint64_t stride = 0;
    for (std::uint32_t i = 0; i < elements; ++i) {
        std::uint32_t type = 0;
        if (!c_.ReadUInt(type)) return false;
        if (type >= sizeof kDeclTypeBytes / sizeof kDeclTypeBytes[0])
            return c_.Fail("DeclData element of unknown type " + std::to_string(type));
        stride += kDeclTypeBytes[type];
        for (int k = 0; k < 3; ++k)
            if (!c_.ReadUInt(value)) return false;
    }
    if (!Count(count)) return false;
    for (std::uint32_t i = 0; i < count; ++i)
        if (!c_.ReadUInt(value)) return false;
    if (std::uint64_t{count} * 4 < std::uint64_t{p.VertexCount()} * stride)
        return c_.Fail("DeclData holds " + std::to_string(count) + " DWORDs, too few for " +
                       std::to_string(p.VertexCount()) + " vertices");
    return c_.TakeCBrace();
}

// ---- merging --------------------------------------------------------------------

D3DMATRIX Multiply(const D3DMATRIX& a, const D3DMATRIX& b) {
    D3DMATRIX r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] + a.m[i][3] * b.m[3][j];
    return r;
}

bool IsIdentity(const D3DMATRIX& m) {
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            if (m.m[i][j] != (i == j ? 1.0f : 0.0f)) return false;
    return true;
}

// Transforms normals by the inverse transpose of the matrix's 3×3 part
// (the cofactor matrix, with the determinant's sign), keeping each normal's
// length: a file's normals are kept as given, only turned with the frame.
struct NormalTransform {
    float c[3][3];
    explicit NormalTransform(const D3DMATRIX& m) {
        auto a = [&](int i, int j) { return m.m[i][j]; };
        c[0][0] = a(1, 1) * a(2, 2) - a(1, 2) * a(2, 1);
        c[0][1] = a(1, 2) * a(2, 0) - a(1, 0) * a(2, 2);
        c[0][2] = a(1, 0) * a(2, 1) - a(1, 1) * a(2, 0);
        c[1][0] = a(0, 2) * a(2, 1) - a(0, 1) * a(2, 2);
        c[1][1] = a(0, 0) * a(2, 2) - a(0, 2) * a(2, 0);
        c[1][2] = a(0, 1) * a(2, 0) - a(0, 0) * a(2, 1);
        c[2][0] = a(0, 1) * a(1, 2) - a(0, 2) * a(1, 1);
        c[2][1] = a(0, 2) * a(1, 0) - a(0, 0) * a(1, 2);
        c[2][2] = a(0, 0) * a(1, 1) - a(0, 1) * a(1, 0);
        float det = a(0, 0) * c[0][0] + a(0, 1) * c[0][1] + a(0, 2) * c[0][2];
        if (det < 0)
            for (auto& row : c)
                for (float& x : row) x = -x;
    }
    void Apply(const float* in, float* out) const {
        float x = in[0] * c[0][0] + in[1] * c[0][1] + in[2] * c[0][2];
        float y = in[0] * c[1][0] + in[1] * c[1][1] + in[2] * c[1][2];
        float z = in[0] * c[2][0] + in[1] * c[2][1] + in[2] * c[2][2];
        float before = std::sqrt(in[0] * in[0] + in[1] * in[1] + in[2] * in[2]);
        float after = std::sqrt(x * x + y * y + z * z);
        float s = after > 0 ? before / after : 0.0f;
        out[0] = x * s;
        out[1] = y * s;
        out[2] = z * s;
    }
};

bool Merge(std::vector<Part>& parts, const std::vector<FrameNode>& frames, MeshData& out, std::string& error) {
    if (parts.empty()) {
        error = "no mesh in the file";
        return false;
    }
    std::vector<D3DMATRIX> world(frames.size());
    for (size_t i = 0; i < frames.size(); ++i)
        world[i] = frames[i].parent < 0 ? frames[i].local
                                        : Multiply(frames[i].local, world[static_cast<size_t>(frames[i].parent)]);

    bool anyNormals = false, anyTexcoords = false, anyColors = false;
    for (const Part& p : parts) {
        anyNormals |= p.hasNormals;
        anyTexcoords |= p.hasTexcoords;
        anyColors |= p.hasColors;
    }
    out = MeshData{};
    out.fvf = D3DFVF_XYZ | (anyNormals ? D3DFVF_NORMAL : 0) | (anyColors ? D3DFVF_DIFFUSE : 0) |
              (anyTexcoords ? D3DFVF_TEX1 : 0);
    out.meshCount = static_cast<DWORD>(parts.size());

    std::vector<std::uint32_t> faceIndices;  // unsorted, 3 per triangle
    std::vector<DWORD> faceAttributes;
    std::uint32_t positionBase = 0;
    for (const Part& p : parts) {
        const std::uint32_t vertexBase = out.VertexCount();
        const DWORD materialBase = static_cast<DWORD>(out.materials.size());
        const std::uint32_t n = p.VertexCount();

        // Which file position and which normal each vertex takes.
        std::vector<std::uint32_t> source(n);
        std::vector<std::int64_t> normalOf(n, -1);
        for (std::uint32_t i = 0; i < n; ++i) source[i] = i;
        std::vector<std::uint32_t> cornerVertex(p.corners);
        if (p.hasNormals) {
            std::unordered_map<std::uint64_t, std::uint32_t> splits;
            for (size_t k = 0; k < p.corners.size(); ++k) {
                std::uint32_t pos = p.corners[k], normal = p.normalCorners[k];
                if (normalOf[pos] < 0) {
                    normalOf[pos] = normal;
                } else if (normalOf[pos] != normal) {
                    std::uint64_t key = (std::uint64_t{pos} << 32) | normal;
                    auto [it, added] = splits.emplace(key, static_cast<std::uint32_t>(source.size()));
                    if (added) {
                        source.push_back(pos);
                        normalOf.push_back(normal);
                    }
                    cornerVertex[k] = it->second;
                }
            }
        }

        const bool transformed = p.frame >= 0 && !IsIdentity(world[static_cast<size_t>(p.frame)]);
        const D3DMATRIX& m = p.frame >= 0 ? world[static_cast<size_t>(p.frame)] : kIdentity;
        const NormalTransform normalTransform(m);
        const size_t count = source.size();
        const size_t firstFloat = out.positions.size();
        out.positions.resize(firstFloat + count * 3);
        for (size_t v = 0; v < count; ++v) {
            const float* in = &p.positions[size_t{source[v]} * 3];
            float* o = &out.positions[firstFloat + v * 3];
            if (transformed) {
                for (int j = 0; j < 3; ++j) o[j] = in[0] * m.m[0][j] + in[1] * m.m[1][j] + in[2] * m.m[2][j] + m.m[3][j];
            } else {
                o[0] = in[0];
                o[1] = in[1];
                o[2] = in[2];
            }
            out.sourcePositions.push_back(positionBase + source[v]);
        }
        if (anyNormals) {
            out.normals.resize(out.positions.size(), 0.0f);
            float* normals = &out.normals[firstFloat];
            if (p.hasNormals) {
                for (size_t v = 0; v < count; ++v) {
                    if (normalOf[v] < 0) continue;  // a vertex no face uses
                    const float* in = &p.normals[static_cast<size_t>(normalOf[v]) * 3];
                    if (transformed) {
                        normalTransform.Apply(in, &normals[v * 3]);
                    } else {
                        std::memcpy(&normals[v * 3], in, 3 * sizeof(float));
                    }
                }
            } else {
                // Merged with meshes that have normals, a mesh without them
                // would light black: give it smooth face-weighted normals.
                const float* pos = &out.positions[firstFloat];
                for (std::uint32_t f = 0; f < p.FaceCount(); ++f) {
                    for (std::uint32_t k = p.faceStarts[f] + 1; k + 1 < p.faceStarts[f + 1]; ++k) {
                        std::uint32_t a = cornerVertex[p.faceStarts[f]], b = cornerVertex[k], c = cornerVertex[k + 1];
                        float e1[3], e2[3];
                        for (int j = 0; j < 3; ++j) {
                            e1[j] = pos[b * 3 + j] - pos[a * 3 + j];
                            e2[j] = pos[c * 3 + j] - pos[a * 3 + j];
                        }
                        float nx = e1[1] * e2[2] - e1[2] * e2[1], ny = e1[2] * e2[0] - e1[0] * e2[2],
                              nz = e1[0] * e2[1] - e1[1] * e2[0];
                        for (std::uint32_t v : {a, b, c}) {
                            normals[v * 3] += nx;
                            normals[v * 3 + 1] += ny;
                            normals[v * 3 + 2] += nz;
                        }
                    }
                }
                for (size_t v = 0; v < count; ++v) {
                    float* nv = &normals[v * 3];
                    float len = std::sqrt(nv[0] * nv[0] + nv[1] * nv[1] + nv[2] * nv[2]);
                    if (len > 0)
                        for (int j = 0; j < 3; ++j) nv[j] /= len;
                }
            }
        }
        if (anyTexcoords) {
            for (size_t v = 0; v < count; ++v) {
                out.texcoords.push_back(p.hasTexcoords ? p.texcoords[size_t{source[v]} * 2] : 0.0f);
                out.texcoords.push_back(p.hasTexcoords ? p.texcoords[size_t{source[v]} * 2 + 1] : 0.0f);
            }
        }
        if (anyColors) {
            for (size_t v = 0; v < count; ++v) out.colors.push_back(p.hasColors ? p.colors[source[v]] : 0xFFFFFFFFu);
        }

        for (std::uint32_t f = 0; f < p.FaceCount(); ++f) {
            const std::uint32_t first = p.faceStarts[f];
            const DWORD attribute = materialBase + (p.hasMaterials ? p.faceMaterials[f] : 0);
            for (std::uint32_t k = first + 1; k + 1 < p.faceStarts[f + 1]; ++k) {
                faceIndices.push_back(vertexBase + cornerVertex[first]);
                faceIndices.push_back(vertexBase + cornerVertex[k]);
                faceIndices.push_back(vertexBase + cornerVertex[k + 1]);
                faceAttributes.push_back(attribute);
            }
        }
        if (p.hasMaterials) {
            out.materials.insert(out.materials.end(), p.materials.begin(), p.materials.end());
        } else {
            out.materials.push_back(DefaultMaterial());
        }
        positionBase += n;
    }
    if (faceAttributes.empty()) {
        error = "the file's meshes have no faces";
        return false;
    }

    // Faces sorted by attribute (stable), so each subset is one range.
    const size_t materialCount = out.materials.size();
    std::vector<std::uint32_t> start(materialCount + 1, 0);
    for (DWORD a : faceAttributes) ++start[a + 1];
    for (size_t i = 0; i < materialCount; ++i) start[i + 1] += start[i];
    out.subsets.clear();
    for (size_t a = 0; a < materialCount; ++a)
        if (start[a + 1] > start[a])
            out.subsets.push_back({static_cast<DWORD>(a), start[a], start[a + 1] - start[a], 0, 0});
    out.indices.resize(faceIndices.size());
    out.attributes.resize(faceAttributes.size());
    std::vector<std::uint32_t> next(start.begin(), start.end() - 1);
    for (size_t f = 0; f < faceAttributes.size(); ++f) {
        std::uint32_t to = next[faceAttributes[f]]++;
        out.attributes[to] = faceAttributes[f];
        std::memcpy(&out.indices[size_t{to} * 3], &faceIndices[f * 3], 3 * sizeof(std::uint32_t));
    }
    for (Subset& s : out.subsets) {
        std::uint32_t lo = UINT32_MAX, hi = 0;
        for (size_t i = size_t{s.faceStart} * 3; i < size_t{s.faceStart + s.faceCount} * 3; ++i) {
            lo = out.indices[i] < lo ? out.indices[i] : lo;
            hi = out.indices[i] > hi ? out.indices[i] : hi;
        }
        s.vertexStart = lo;
        s.vertexCount = hi - lo + 1;
    }
    return true;
}

}  // namespace

bool ParseXFile(const std::uint8_t* data, size_t size, MeshData& out, std::string& error) {
    Header header;
    std::vector<std::uint8_t> inflated;
    std::string_view body;
    if (!OpenBody(data, size, header, inflated, body, error)) return false;
    Cursor cursor(body, header.encoding, header.floatBits);
    Reader reader(cursor);
    if (!reader.File()) {
        error = cursor.Error();
        return false;
    }
    return Merge(reader.parts, reader.frames, out, error);
}

bool ReadXFile(const char* windowsName, MeshData& out, std::string& error) {
    std::vector<std::uint8_t> bytes;
    if (!files::ReadWholeFile(windowsName, bytes, error)) return false;
    return ParseXFile(bytes.data(), bytes.size(), out, error);
}

}  // namespace tarvona::xfile
