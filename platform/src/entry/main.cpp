// The process start-up: static initialisation has run; hand WinMain the
// module handle, no previous instance, the command line after the program
// name, and the show command. WinMain's result is the exit code.
#include <string>

#include "windows.h"

int main(int argc, char** argv) {
    std::string tail;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) tail += ' ';
        tail += argv[i];
    }
    // Nothing starts a Linux process with STARTUPINFO, so the show command is
    // always the default.
    return WinMain(GetModuleHandleA(nullptr), nullptr, tail.data(), SW_SHOWDEFAULT);
}
