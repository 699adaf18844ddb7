#include "dinput/input_environment.h"

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
    return true;
}

}  // namespace tarvona::dinput
