// Load time of .x files: our reader alone (parse, split, triangulate, sort),
// the whole D3DXLoadMeshFromX onto a recording device, and, where the
// build found it, Debian's assimp importing the same file in the same run.
// Assimp appears here only, as a yardstick; the program never links it.
//
// Files: every well-formed file of the shared third-party set and the
// generated earth. Paths default to the ones the build knows and can be
// overridden with TARVONA_SHARED_DIR and TARVONA_DATA_DIR.
#include <benchmark/benchmark.h>
#include <d3dx8.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "d3dx/xfile.h"
#ifdef TARVONA_BENCH_D3DX
#include "support/recording_device.h"
#endif

#ifdef TARVONA_BENCH_ASSIMP
#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#endif

namespace {

struct File {
    const char* label;
    std::string path;
};

std::vector<File> Files() {
    const char* shared = std::getenv("TARVONA_SHARED_DIR");
    const char* data = std::getenv("TARVONA_DATA_DIR");
    const std::string x = std::string(shared ? shared : TARVONA_BENCH_SHARED_DIR) + "/xfiles/assimp/test/models/X/";
    const std::string generated = std::string(data ? data : TARVONA_BENCH_DATA_DIR) + "/";
    return {
        {"cube_text", x + "test_cube_text.x"},
        {"cube_binary", x + "test_cube_binary.x"},
        {"cube_bzip", x + "test_cube_compressed.x"},
        {"kwxport_vcolors", x + "kwxport_test_cubewithvcolors.x"},
        {"maya_test", x + "test.x"},
        {"Testwuson", x + "Testwuson.X"},
        {"anim_test", x + "anim_test.x"},
        {"generated_earth", generated + "earth.x"},
    };
}

void OursReader(benchmark::State& state, std::string path) {
    for (auto _ : state) {
        tarvona::xfile::MeshData mesh;
        std::string error;
        if (!tarvona::xfile::ReadXFile(path.c_str(), mesh, error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        benchmark::DoNotOptimize(mesh.indices.data());
    }
}

#ifdef TARVONA_BENCH_D3DX
void OursD3DX(benchmark::State& state, std::string path) {
    for (auto _ : state) {
        tarvona::testing::RecordingDevice device;
        ID3DXMesh* mesh = nullptr;
        ID3DXBuffer* materials = nullptr;
        DWORD count = 0;
        if (D3DXLoadMeshFromX(path.data(), D3DXMESH_SYSTEMMEM, &device, nullptr, &materials, &count, &mesh) < 0) {
            state.SkipWithError("D3DXLoadMeshFromX failed");
            return;
        }
        materials->Release();
        mesh->Release();
    }
}
#endif

#ifdef TARVONA_BENCH_ASSIMP
void Assimp(benchmark::State& state, std::string path, unsigned flags) {
    Assimp::Importer importer;
    for (auto _ : state) {
        const aiScene* scene = importer.ReadFile(path, flags);
        if (!scene) {
            state.SkipWithError(importer.GetErrorString());
            return;
        }
        benchmark::DoNotOptimize(scene->mNumMeshes);
        importer.FreeScene();
    }
}
#endif

const bool kRegistered = [] {
    for (const File& f : Files()) {
        benchmark::RegisterBenchmark(("load/ours_reader/" + std::string(f.label)).c_str(), OursReader, f.path)
            ->Unit(benchmark::kMicrosecond);
#ifdef TARVONA_BENCH_D3DX
        benchmark::RegisterBenchmark(("load/ours_D3DXLoadMeshFromX/" + std::string(f.label)).c_str(), OursD3DX,
                                     f.path)
            ->Unit(benchmark::kMicrosecond);
#endif
#ifdef TARVONA_BENCH_ASSIMP
        benchmark::RegisterBenchmark(("load/assimp/" + std::string(f.label)).c_str(), Assimp, f.path, 0u)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("load/assimp_triangulate/" + std::string(f.label)).c_str(), Assimp, f.path,
                                     static_cast<unsigned>(aiProcess_Triangulate))
            ->Unit(benchmark::kMicrosecond);
#endif
    }
    return true;
}();

}  // namespace

BENCHMARK_MAIN();
