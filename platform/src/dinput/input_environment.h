// The two platform variables of the input layer, read once per DirectInput
// object: TARVONA_INPUT=FILE (scripted input, see input_script.h) and
// TARVONA_FRAMES=N (the keyboard reports Escape held from its N-th read on,
// so a run ends after N frames of the main loop).
#pragma once

#include <cstdint>
#include <memory>

#include "dinput/input_script.h"

namespace tarvona::dinput {

struct InputEnvironment {
    std::shared_ptr<const InputScript> script;  // null: the real keyboard and mouse
    std::uint64_t frameLimit = 0;               // 0: none
};

// False, with a one-line reason on stderr, when a variable is set but
// unusable: a run that was meant to be scripted or bounded must not start
// unscripted or unbounded.
bool ReadInputEnvironment(InputEnvironment* out);

}  // namespace tarvona::dinput
