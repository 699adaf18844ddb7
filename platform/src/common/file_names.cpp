#include "common/file_names.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace tarvona::files {

namespace {

bool SameIgnoringCase(const std::string& a, const char* b) {
    size_t n = std::strlen(b);
    if (a.size() != n) return false;
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

bool Exists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

// The entry of dir that matches name ignoring case, the smallest in byte
// order when several do, so the choice does not depend on readdir's order.
std::string FindIgnoringCase(const std::string& dir, const std::string& name) {
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (!d) return {};
    std::string best;
    while (dirent* e = ::readdir(d)) {
        if (SameIgnoringCase(name, e->d_name) && (best.empty() || best > e->d_name)) best = e->d_name;
    }
    ::closedir(d);
    return best;
}

}  // namespace

std::string PortableName(const std::string& windowsName) {
    std::string out;
    out.reserve(windowsName.size());
    for (char c : windowsName) {
        if (c == '\\') c = '/';
        if (c == '/' && !out.empty() && out.back() == '/') continue;
        out += c;
    }
    return out;
}

std::string Resolve(const std::string& windowsName) {
    std::string name = PortableName(windowsName);
    if (name.empty()) return {};
    if (Exists(name)) return name;

    std::string resolved;
    size_t pos = 0;
    if (name[0] == '/') {
        resolved = "/";
        pos = 1;
    }
    while (pos <= name.size()) {
        size_t end = name.find('/', pos);
        if (end == std::string::npos) end = name.size();
        std::string part = name.substr(pos, end - pos);
        pos = end + 1;
        if (part.empty()) continue;
        std::string next = resolved.empty() ? part : (resolved.back() == '/' ? resolved + part : resolved + "/" + part);
        if (part != "." && part != ".." && !Exists(next)) {
            std::string match = FindIgnoringCase(resolved, part);
            if (match.empty()) return {};
            next = resolved.empty() ? match : (resolved.back() == '/' ? resolved + match : resolved + "/" + match);
        }
        resolved = next;
    }
    return Exists(resolved) ? resolved : std::string();
}

bool ReadWholeFile(const char* windowsName, std::vector<std::uint8_t>& bytes, std::string& reason) {
    bytes.clear();
    if (!windowsName) {
        reason = "no file name";
        return false;
    }
    if (!*windowsName) {
        reason = "empty file name";
        return false;
    }
    std::string path = Resolve(windowsName);
    if (path.empty()) {
        reason = "no such file";
        return false;
    }
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) {
        reason = std::strerror(errno);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        reason = S_ISDIR(st.st_mode) ? "is a directory" : "not a regular file";
        return false;
    }
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        reason = std::strerror(errno);
        return false;
    }
    bytes.resize(static_cast<size_t>(st.st_size));
    size_t got = bytes.empty() ? 0 : std::fread(bytes.data(), 1, bytes.size(), f);
    bool ok = got == bytes.size() && !std::ferror(f);
    std::fclose(f);
    if (!ok) {
        bytes.clear();
        reason = "read error";
    }
    return ok;
}

}  // namespace tarvona::files
