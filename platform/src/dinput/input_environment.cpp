#include "dinput/input_environment.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace tarvona::dinput {

bool ReadInputEnvironment(InputEnvironment* out) {
    *out = InputEnvironment{};
    if (const char* path = std::getenv("TARVONA_INPUT"); path && *path) {
        std::string error;
        out->script = InputScript::Load(path, &error);
        if (!out->script) {
            std::fprintf(stderr, "tarvona: TARVONA_INPUT: %s\n", error.c_str());
            return false;
        }
    }
    if (const char* frames = std::getenv("TARVONA_FRAMES"); frames && *frames) {
        char* end = nullptr;
        errno = 0;
        const unsigned long long n = std::strtoull(frames, &end, 10);
        if (frames[0] < '0' || frames[0] > '9' || errno != 0 || *end != '\0' || n == 0) {
            std::fprintf(stderr, "tarvona: TARVONA_FRAMES wants a whole number of frames above 0, not \"%s\"\n",
                         frames);
            return false;
        }
        out->frameLimit = n;
    }
    return true;
}

}  // namespace tarvona::dinput
