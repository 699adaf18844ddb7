// What the input layer takes from the environment, read once per DirectInput
// object: TARVONA_INPUT=FILE, scripted input (see input_script.h).
// TARVONA_FRAMES is the device's to count (d3d8/frame_limit.h); the keyboard
// only asks whether the limit is reached.
#pragma once

#include <memory>

#include "dinput/input_script.h"

namespace tarvona::dinput {

struct InputEnvironment {
    std::shared_ptr<const InputScript> script;  // null: the real keyboard and mouse
};

// False, with a one-line reason on stderr, when TARVONA_INPUT is set but
// unusable: a run that was meant to be scripted must not start unscripted.
bool ReadInputEnvironment(InputEnvironment* out);

}  // namespace tarvona::dinput
