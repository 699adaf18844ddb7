#include "d3d8/frame_limit.h"

#include <cstdlib>

namespace tarvona::platform {

namespace {

struct FrameLimit {
    bool read = false;
    long long limit = -1;  // none
    long long presented = 0;
};

FrameLimit& State() {
    static FrameLimit state;
    if (!state.read) {
        state.read = true;
        if (const char* v = std::getenv("TARVONA_FRAMES")) {
            char* end = nullptr;
            const long long n = std::strtoll(v, &end, 10);
            if (end != v && *end == '\0' && n >= 0) state.limit = n;
        }
    }
    return state;
}

}  // namespace

void CountPresentedFrame() { ++State().presented; }

bool FrameLimitReached() {
    const FrameLimit& s = State();
    return s.limit >= 0 && s.presented >= s.limit;
}

void ResetFrameLimit() { State() = FrameLimit{}; }

}  // namespace tarvona::platform
