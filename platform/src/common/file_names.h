// File names as a Windows program writes them, opened on a case-sensitive
// file system. The program and the models it loads name files relative to
// the working directory with backslashes and in any letter case ("Earth.BMP",
// ".\\tex\\moon.bmp"); Windows would open them all, so we do too.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarvona::files {

// The name with every backslash turned into a slash and runs of separators
// collapsed; "C:\\a\\b" stays relative-looking ("C:/a/b") because drive
// letters mean nothing here.
std::string PortableName(const std::string& windowsName);

// The existing file that the Windows name refers to: the exact name first,
// then, component by component, the first directory entry (in byte order)
// that matches ignoring ASCII letter case. Empty when there is none.
std::string Resolve(const std::string& windowsName);

// Reads the whole file that Resolve finds. False with a short reason
// ("no such file", "is a directory", "read error", ...) otherwise.
bool ReadWholeFile(const char* windowsName, std::vector<std::uint8_t>& bytes, std::string& reason);

}  // namespace tarvona::files
