// The .x reader: what D3DXLoadMeshFromX makes of a file, before any device
// is involved. D3DX semantics, not those of a general importer:
//  - every Mesh in the file, at the top level or inside (nested) Frames, is
//    merged into one mesh, each with its frames' FrameTransformMatrix
//    applied (row vectors, child × parent);
//  - handedness, winding and texture coordinates are kept as the file has
//    them; polygons become triangle fans (0, i, i+1) in the file's order;
//  - MeshNormals are indexed apart from the positions, so a position used
//    with two normals becomes two vertices (the extra ones go after the
//    file's own vertices, which keep their numbers);
//  - the material lists are concatenated, mesh by mesh, and subset i is the
//    faces of material i; materials may be inline or references by name to
//    a Material defined earlier;
//  - template declarations and every data object not listed in xfile.cpp are
//    skipped.
#pragma once

#include <d3d8.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tarvona::xfile {

struct Material {
    D3DMATERIAL8 material{};
    bool hasTexture = false;
    std::string textureFilename;  // as the file stores it
};

struct Subset {
    DWORD attributeId;
    DWORD faceStart, faceCount;
    DWORD vertexStart, vertexCount;  // the range of vertices its faces use
};

struct MeshData {
    DWORD fvf = 0;  // D3DFVF_XYZ, | NORMAL, | DIFFUSE, | TEX1 as the file has them
    std::vector<float> positions;       // 3 per vertex
    std::vector<float> normals;         // 3 per vertex, when fvf has D3DFVF_NORMAL
    std::vector<DWORD> colors;          // 1 per vertex (0xAARRGGBB), when fvf has D3DFVF_DIFFUSE
    std::vector<float> texcoords;       // 2 per vertex, when fvf has D3DFVF_TEX1
    std::vector<std::uint32_t> indices;  // 3 per face, faces sorted by attribute
    std::vector<DWORD> attributes;      // 1 per face
    std::vector<Subset> subsets;        // one per attribute id that has faces, ascending
    std::vector<Material> materials;
    // For each vertex, the file position it came from (numbered across all
    // meshes): vertices split for their normals share it. For adjacency.
    std::vector<std::uint32_t> sourcePositions;
    DWORD meshCount = 0;

    DWORD VertexCount() const { return static_cast<DWORD>(positions.size() / 3); }
    DWORD FaceCount() const { return static_cast<DWORD>(attributes.size()); }
};

// Both false with a one-line reason in `error` when the data is not a .x
// mesh file D3DX would load. Never read past `size`.
bool ParseXFile(const std::uint8_t* data, size_t size, MeshData& out, std::string& error);
// The file is named as Windows would name it (see common/file_names.h).
bool ReadXFile(const char* windowsName, MeshData& out, std::string& error);

}  // namespace tarvona::xfile
