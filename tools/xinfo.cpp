// xinfo FILE: what the .x reader makes of a file, the way D3DXLoadMeshFromX
// would hand it to the program: vertex and face counts after splitting and
// triangulation, the vertex format, and each subset with its face count,
// material colours and texture name. On failure, the one-line reason on
// stderr and exit status 1.
#include <cstdio>
#include <string>

#include "d3dx/xfile.h"

namespace {

void PrintColor(const char* label, const D3DCOLORVALUE& c) {
    std::printf(" %s %.3f %.3f %.3f %.3f", label, c.r, c.g, c.b, c.a);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: xinfo FILE.x\n");
        return 2;
    }
    tarvona::xfile::MeshData mesh;
    std::string error;
    if (!tarvona::xfile::ReadXFile(argv[1], mesh, error)) {
        std::fprintf(stderr, "xinfo: %s: %s\n", argv[1], error.c_str());
        return 1;
    }
    std::printf("file %s\n", argv[1]);
    std::printf("meshes %u\n", mesh.meshCount);
    std::printf("vertices %u\n", mesh.VertexCount());
    std::printf("faces %u\n", mesh.FaceCount());
    std::printf("fvf 0x%03X%s%s%s%s\n", mesh.fvf, (mesh.fvf & D3DFVF_XYZ) ? " XYZ" : "",
                (mesh.fvf & D3DFVF_NORMAL) ? " NORMAL" : "", (mesh.fvf & D3DFVF_DIFFUSE) ? " DIFFUSE" : "",
                (mesh.fvf & D3DFVF_TEX1) ? " TEX1" : "");
    std::printf("materials %zu\n", mesh.materials.size());
    for (size_t i = 0; i < mesh.materials.size(); ++i) {
        DWORD faces = 0;
        for (const auto& s : mesh.subsets)
            if (s.attributeId == i) faces = s.faceCount;
        const auto& m = mesh.materials[i];
        std::printf("subset %zu faces %u", i, faces);
        PrintColor("diffuse", m.material.Diffuse);
        PrintColor("specular", m.material.Specular);
        PrintColor("emissive", m.material.Emissive);
        std::printf(" power %.3f texture %s\n", m.material.Power,
                    m.hasTexture ? ("\"" + m.textureFilename + "\"").c_str() : "none");
    }
    return 0;
}
