// What a debug runtime would say: one line on stderr naming the call, the
// file and why it failed. The program itself reports nothing of this.
#pragma once

#include <cstdio>
#include <string>

namespace tarvona::d3dx {

inline void ReportFailure(const char* call, const char* fileName, const std::string& reason) {
    std::fprintf(stderr, "%s: '%s': %s\n", call, fileName ? fileName : "(null)", reason.c_str());
}

}  // namespace tarvona::d3dx
