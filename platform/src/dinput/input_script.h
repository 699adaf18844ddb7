// Scripted input (TARVONA_INPUT=FILE): the keyboard and mouse states of a
// run, frame by frame, from a small text file, so whole-program runs can fly
// a known path without anyone at the keys.
//
// One line per frame (blank lines and text after '#' are ignored); each
// line is a list of fields in any order, all optional:
//
//   keys=W,SPACE,0x1E   keys held: DIK_ names with or without the prefix,
//                       any case, or a code in hex (a bare digit is a digit key)
//   mouse=DX,DY[,DZ]    lX, lY and lZ of that frame (DZ: 120 per wheel notch)
//   buttons=L,R,M,X1    buttons held (or their numbers 0 to 3)
//   repeat=N            the line stands for N frames in a row
//   idle                a frame with nothing held and no motion
//
// Each device walks the script on its own: the n-th read of the keyboard
// gets the keys of frame n, the n-th read of the mouse its motion and
// buttons. After the last frame nothing is held and nothing moves.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dinput.h"

namespace tarvona::dinput {

struct ScriptFrame {
    std::array<BYTE, 256> keys{};
    DIMOUSESTATE mouse{};
    std::uint32_t repeat = 1;
};

class InputScript {
public:
    // Null, with "line N: reason" in *error, when the text is malformed.
    static std::shared_ptr<const InputScript> Parse(const std::string& text, std::string* error);
    // Null, with the reason in *error, when the file cannot be read or parsed.
    static std::shared_ptr<const InputScript> Load(const std::string& path, std::string* error);

    // A reader's place in the script.
    class Cursor {
    public:
        // The frame of this read, or null once the script is over.
        const ScriptFrame* Next(const InputScript& script);

    private:
        std::size_t line_ = 0;
        std::uint32_t used_ = 0;  // reads already given from line_
    };

    const std::vector<ScriptFrame>& frames() const { return frames_; }

private:
    std::vector<ScriptFrame> frames_;
};

}  // namespace tarvona::dinput
