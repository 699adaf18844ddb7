// make_data DIR: writes the demo's data files into DIR. The same files
// every run: the geometry and the textures depend on nothing but this code.
// Also writes DIR/generated.txt, which lists what each model holds, for the
// test that loads the files back.
#include <cstdio>
#include <string>

#include "datagen/images.h"
#include "datagen/model.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_data DIR\n");
        return 2;
    }
    const std::string dir = std::string(argv[1]) + "/";
    bool ok = true;
    std::string manifest;
    const datagen::Model models[] = {datagen::Ship(), datagen::Stardock(), datagen::Borg(),
                                     datagen::Earth(), datagen::Sun(),     datagen::Moon()};
    const char* files[] = {"ship.x", "stardock.x", "borg.x", "earth.x", "sun.x", "moon.x"};
    for (int i = 0; i < 6; ++i) {
        const datagen::Model& m = models[i];
        ok &= datagen::WriteX(m, dir + files[i]);
        char line[256];
        std::snprintf(line, sizeof line, "model %s vertices %u faces %u materials %zu radius %.1f\n", files[i],
                      m.CornerCount(), m.TriangleCount(), m.materials.size(), m.BoundingRadius());
        manifest += line;
        for (size_t k = 0; k < m.materials.size(); ++k) {
            std::snprintf(line, sizeof line, "subset %s %zu faces %u texture %s\n", files[i], k,
                          m.TrianglesOf(static_cast<std::uint32_t>(k)),
                          m.materials[k].texture.empty() ? "none" : m.materials[k].texture.c_str());
            manifest += line;
        }
    }
    struct Texture {
        const char* name;
        datagen::Image image;
    };
    const Texture textures[] = {
        {"earth.bmp", datagen::EarthTexture(512, 256)}, {"moon.bmp", datagen::MoonTexture(256, 128)},
        {"sun.bmp", datagen::SunTexture(256, 128)},     {"metal.bmp", datagen::PanelTexture(128)},
        {"borg.bmp", datagen::BorgTexture(128)},        {"particle1.bmp", datagen::Glow(64)},
    };
    for (const Texture& t : textures) {
        ok &= datagen::WriteBmp(t.image, dir + t.name);
        manifest += std::string("image ") + t.name + " " + std::to_string(t.image.width) + " " +
                    std::to_string(t.image.height) + "\n";
    }
    if (std::FILE* f = std::fopen((dir + "generated.txt").c_str(), "wb")) {
        ok &= std::fwrite(manifest.data(), 1, manifest.size(), f) == manifest.size();
        ok &= std::fclose(f) == 0;
    } else {
        ok = false;
    }
    if (!ok) {
        std::fprintf(stderr, "make_data: cannot write the data files into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
