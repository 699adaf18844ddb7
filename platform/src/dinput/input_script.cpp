#include "dinput/input_script.h"

#include <strings.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <sstream>
#include <string_view>

#include "dinput/scan_codes.h"

namespace tarvona::dinput {

namespace {

bool Equals(std::string_view a, const char* b) {
    return a.size() == std::strlen(b) && strncasecmp(a.data(), b, a.size()) == 0;
}

// A whole signed decimal number in [min, max].
bool ParseInteger(std::string_view text, long long min, long long max, long long* out) {
    if (text.empty() || text.size() > 20) return false;
    const std::string copy(text);
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(copy.c_str(), &end, 10);
    if (errno != 0 || end != copy.c_str() + copy.size() || value < min || value > max) return false;
    *out = value;
    return true;
}

int ParseKey(std::string_view name) {
    if (name.size() > 2 && name[0] == '0' && (name[1] == 'x' || name[1] == 'X')) {
        const std::string copy(name.substr(2));
        char* end = nullptr;
        errno = 0;
        const unsigned long value = std::strtoul(copy.c_str(), &end, 16);
        if (errno != 0 || copy.empty() || end != copy.c_str() + copy.size() || value < 1 || value > 255) return -1;
        return static_cast<int>(value);
    }
    return DikOfName(name.data(), name.size());
}

int ParseButton(std::string_view name) {
    if (Equals(name, "L") || Equals(name, "LEFT") || Equals(name, "0")) return 0;
    if (Equals(name, "R") || Equals(name, "RIGHT") || Equals(name, "1")) return 1;
    if (Equals(name, "M") || Equals(name, "MIDDLE") || Equals(name, "2")) return 2;
    if (Equals(name, "X1") || Equals(name, "3")) return 3;
    return -1;
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos) return parts;
        start = end + 1;
    }
}

// Parses one line's fields into *frame; false with the reason in *error.
bool ParseLine(std::string_view line, ScriptFrame* frame, bool* hasFields, std::string* error) {
    bool seenKeys = false, seenMouse = false, seenButtons = false, seenRepeat = false;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        if (i == line.size()) break;
        std::size_t end = i;
        while (end < line.size() && line[end] != ' ' && line[end] != '\t') ++end;
        const std::string_view token = line.substr(i, end - i);
        i = end;
        *hasFields = true;

        if (Equals(token, "idle")) continue;
        const std::size_t eq = token.find('=');
        if (eq == std::string_view::npos) {
            // Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict)
            // on a literal + std::string temporary.
            error->assign(1, '"');
            error->append(token);
            error->append("\" is not name=value");
            return false;
        }
        const std::string_view name = token.substr(0, eq);
        const std::string_view value = token.substr(eq + 1);
        bool* seen = Equals(name, "keys")      ? &seenKeys
                     : Equals(name, "mouse")   ? &seenMouse
                     : Equals(name, "buttons") ? &seenButtons
                     : Equals(name, "repeat")  ? &seenRepeat
                                               : nullptr;
        if (!seen) {
            *error = "unknown field \"" + std::string(name) + "\"";
            return false;
        }
        if (*seen) {
            *error = "field \"" + std::string(name) + "\" given twice";
            return false;
        }
        *seen = true;

        if (seen == &seenKeys) {
            for (std::string_view key : Split(value, ',')) {
                const int code = ParseKey(key);
                if (code <= 0) {
                    *error = "unknown key \"" + std::string(key) + "\"";
                    return false;
                }
                frame->keys[static_cast<std::size_t>(code)] = 0x80;
            }
        } else if (seen == &seenMouse) {
            const auto parts = Split(value, ',');
            long long axes[3] = {0, 0, 0};
            bool ok = parts.size() == 2 || parts.size() == 3;
            for (std::size_t a = 0; ok && a < parts.size(); ++a)
                ok = ParseInteger(parts[a], std::numeric_limits<LONG>::min(), std::numeric_limits<LONG>::max(),
                                  &axes[a]);
            if (!ok) {
                *error = "mouse wants DX,DY or DX,DY,DZ in whole numbers, not \"" + std::string(value) + "\"";
                return false;
            }
            frame->mouse.lX = static_cast<LONG>(axes[0]);
            frame->mouse.lY = static_cast<LONG>(axes[1]);
            frame->mouse.lZ = static_cast<LONG>(axes[2]);
        } else if (seen == &seenButtons) {
            for (std::string_view button : Split(value, ',')) {
                const int index = ParseButton(button);
                if (index < 0) {
                    *error = "unknown button \"" + std::string(button) + "\" (L, R, M, X1 or 0 to 3)";
                    return false;
                }
                frame->mouse.rgbButtons[index] = 0x80;
            }
        } else {
            long long repeat = 0;
            if (!ParseInteger(value, 1, 1000000000, &repeat)) {
                *error = "repeat wants a whole number from 1 to 1000000000, not \"" + std::string(value) + "\"";
                return false;
            }
            frame->repeat = static_cast<std::uint32_t>(repeat);
        }
    }
    return true;
}

}  // namespace

std::shared_ptr<const InputScript> InputScript::Parse(const std::string& text, std::string* error) {
    auto script = std::make_shared<InputScript>();
    std::size_t lineNumber = 0;
    for (std::string_view line : Split(text, '\n')) {
        ++lineNumber;
        const std::size_t comment = line.find('#');
        if (comment != std::string_view::npos) line = line.substr(0, comment);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        ScriptFrame frame;
        bool hasFields = false;
        std::string reason;
        if (!ParseLine(line, &frame, &hasFields, &reason)) {
            *error = "line " + std::to_string(lineNumber) + ": " + reason;
            return nullptr;
        }
        if (hasFields) script->frames_.push_back(frame);
    }
    return script;
}

std::shared_ptr<const InputScript> InputScript::Load(const std::string& path, std::string* error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        *error = "cannot open \"" + path + "\"";
        return nullptr;
    }
    std::ostringstream text;
    text << file.rdbuf();
    if (file.bad()) {
        *error = "cannot read \"" + path + "\"";
        return nullptr;
    }
    std::string reason;
    auto script = Parse(text.str(), &reason);
    if (!script) *error = path + ", " + reason;
    return script;
}

const ScriptFrame* InputScript::Cursor::Next(const InputScript& script) {
    const auto& frames = script.frames_;
    while (line_ < frames.size() && used_ >= frames[line_].repeat) {
        ++line_;
        used_ = 0;
    }
    if (line_ >= frames.size()) return nullptr;
    ++used_;
    return &frames[line_];
}

}  // namespace tarvona::dinput
