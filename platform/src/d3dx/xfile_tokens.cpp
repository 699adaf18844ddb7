#include "d3dx/xfile_tokens.h"

#include <zlib.h>

#include <charconv>
#include <cstring>

namespace tarvona::xfile {

namespace {

// Binary token values (little-endian WORDs).
enum : std::uint16_t {
    kName = 1,
    kString = 2,
    kInteger = 3,
    kGuid = 5,
    kIntegerList = 6,
    kFloatList = 7,
    kOBrace = 10,
    kCBrace = 11,
    kComma = 19,
    kSemicolon = 20,
    kTemplate = 31,
};

std::uint16_t Word(const char* p) {
    std::uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}
std::uint32_t Dword(const char* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

// Characters that end a word in the text encoding.
struct Delimiters {
    bool table[256] = {};
    Delimiters() {
        for (int c = 0; c <= ' '; ++c) table[c] = true;
        for (unsigned char c : std::string_view(",;{}\"<>[]()")) table[c] = true;
    }
};
const Delimiters kDelimiters;

bool IsDelimiter(char c) { return kDelimiters.table[static_cast<unsigned char>(c)]; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

bool ParseFloatWord(const char* first, const char* last, float& value) {
    if (first < last && *first == '+') ++first;
    auto [end, ec] = std::from_chars(first, last, value);
    return ec == std::errc() && end == last;
}

// MSZIP: after the header, a DWORD with the size of the whole uncompressed
// file (header included), then blocks of {WORD uncompressed size, WORD
// compressed size counting the "CK" signature, "CK", raw deflate data}.
// Each block is inflated on its own with the output so far as its history
// (the last 32 KiB), as MSZIP requires.
bool Inflate(const std::uint8_t* data, size_t size, std::vector<std::uint8_t>& out, std::string& error) {
    if (size < 20) {
        error = "compressed data ends before its size";
        return false;
    }
    std::uint32_t total = 0;
    std::memcpy(&total, data + 16, 4);
    if (total < 16) {
        error = "compressed data declares a size smaller than its header";
        return false;
    }
    size_t expected = total - 16;
    // Deflate cannot expand by more than about 1032:1; a larger claim is a lie.
    if (expected > (size - 20) * 1032 + 65536 || expected > (size_t{1} << 30)) {
        error = "compressed data declares an impossible size";
        return false;
    }
    out.clear();
    out.reserve(expected);
    size_t pos = 20;
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK) {
        error = "cannot start zlib";
        return false;
    }
    bool ok = true;
    while (ok && out.size() < expected) {
        if (size - pos < 6) {
            error = "compressed data ends inside a block header";
            ok = false;
            break;
        }
        std::uint16_t plain = 0, packed = 0;
        std::memcpy(&plain, data + pos, 2);
        std::memcpy(&packed, data + pos + 2, 2);
        pos += 4;
        if (packed < 2 || packed > size - pos || data[pos] != 'C' || data[pos + 1] != 'K') {
            error = "bad compressed block";
            ok = false;
            break;
        }
        if (plain == 0 || plain > expected - out.size()) {
            error = "compressed block larger than the declared size";
            ok = false;
            break;
        }
        size_t start = out.size();
        out.resize(start + plain);
        inflateReset(&z);
        size_t history = start < 32768 ? start : 32768;
        if (history && inflateSetDictionary(&z, out.data() + start - history, static_cast<uInt>(history)) != Z_OK) {
            error = "cannot set the compression history";
            ok = false;
            break;
        }
        z.next_in = const_cast<Bytef*>(data + pos + 2);
        z.avail_in = static_cast<uInt>(packed - 2);
        z.next_out = out.data() + start;
        z.avail_out = plain;
        int rc = inflate(&z, Z_FINISH);
        if (rc != Z_STREAM_END || z.avail_out != 0) {
            error = "corrupt compressed block";
            ok = false;
            break;
        }
        pos += packed;
    }
    inflateEnd(&z);
    if (!ok) out.clear();
    return ok;
}

}  // namespace

bool OpenBody(const std::uint8_t* data, size_t size, Header& header, std::vector<std::uint8_t>& inflated,
              std::string_view& body, std::string& error) {
    if (!data || size < 16) {
        error = "too short for a .x header";
        return false;
    }
    auto digit = [](std::uint8_t c) { return c >= '0' && c <= '9'; };
    if (std::memcmp(data, "xof ", 4) != 0 || std::memcmp(data + 4, "03", 2) != 0 || !digit(data[6]) ||
        !digit(data[7])) {
        error = "not a .x file (bad header)";
        return false;
    }
    const char* format = reinterpret_cast<const char*>(data + 8);
    if (std::memcmp(format, "txt ", 4) == 0) {
        header.encoding = Encoding::Text;
    } else if (std::memcmp(format, "bin ", 4) == 0) {
        header.encoding = Encoding::Binary;
    } else if (std::memcmp(format, "tzip", 4) == 0) {
        header.encoding = Encoding::Text;
        header.compressed = true;
    } else if (std::memcmp(format, "bzip", 4) == 0) {
        header.encoding = Encoding::Binary;
        header.compressed = true;
    } else {
        error = "unknown .x format '" + std::string(format, 4) + "'";
        return false;
    }
    if (std::memcmp(data + 12, "0032", 4) == 0) {
        header.floatBits = 32;
    } else if (std::memcmp(data + 12, "0064", 4) == 0) {
        header.floatBits = 64;
    } else {
        error = "unknown float size in the header";
        return false;
    }
    if (!header.compressed) {
        body = std::string_view(reinterpret_cast<const char*>(data) + 16, size - 16);
        return true;
    }
    if (!Inflate(data, size, inflated, error)) return false;
    body = std::string_view(reinterpret_cast<const char*>(inflated.data()), inflated.size());
    return true;
}

Cursor::Cursor(std::string_view body, Encoding encoding, int floatBits)
    : body_(body), encoding_(encoding), floatBits_(floatBits) {}

std::string Cursor::Where() const {
    if (encoding_ == Encoding::Binary) return "offset " + std::to_string(pos_);
    size_t line = 2;  // the header is line 1
    for (size_t i = 0; i < pos_ && i < body_.size(); ++i)
        if (body_[i] == '\n') ++line;
    return "line " + std::to_string(line);
}

bool Cursor::Fail(const std::string& what) {
    if (error_.empty()) error_ = Where() + ": " + what;
    return false;
}

// ---- text ----------------------------------------------------------------------

void Cursor::SkipSpaceText() {
    const size_t n = body_.size();
    while (pos_ < n) {
        char c = body_[pos_];
        if (static_cast<unsigned char>(c) <= ' ' || c == ',' || c == ';') {
            ++pos_;
        } else if (c == '#' || (c == '/' && pos_ + 1 < n && body_[pos_ + 1] == '/')) {
            size_t eol = body_.find('\n', pos_);
            pos_ = eol == std::string_view::npos ? n : eol + 1;
        } else {
            return;
        }
    }
}

size_t Cursor::WordEnd(size_t from) const {
    size_t end = from;
    while (end < body_.size() && !IsDelimiter(body_[end])) ++end;
    return end;
}

// ---- binary --------------------------------------------------------------------

bool Cursor::PeekWord(std::uint16_t& token) {
    if (body_.size() - pos_ < 2) return false;
    token = Word(body_.data() + pos_);
    return true;
}

bool Cursor::SkipSeparatorsBinary() {
    std::uint16_t token;
    while (PeekWord(token)) {
        if (token == kComma || token == kSemicolon) {
            pos_ += 2;
        } else if ((token == kIntegerList || token == kFloatList) && body_.size() - pos_ >= 6 &&
                   Dword(body_.data() + pos_ + 2) == 0) {
            pos_ += 6;  // an empty list carries nothing
        } else {
            return true;
        }
    }
    return false;
}

bool Cursor::ReadDword(std::uint32_t& value) {
    if (body_.size() - pos_ < 4) return Fail("unexpected end of data");
    value = Dword(body_.data() + pos_);
    pos_ += 4;
    return true;
}

bool Cursor::TakeListHeader(std::uint16_t token) {
    pos_ += 2;
    std::uint32_t count = 0;
    if (!ReadDword(count)) return false;
    size_t element = token == kIntegerList ? 4 : static_cast<size_t>(floatBits_ / 8);
    if (count > (body_.size() - pos_) / element) return Fail("list longer than the data");
    pendingKind_ = token;
    pendingCount_ = count;
    return true;
}

bool Cursor::SkipRecord(std::uint16_t token) {
    pos_ += 2;
    size_t left = body_.size() - pos_;
    size_t skip = 0;
    switch (token) {
        case kName:
        case kString: {
            if (left < 4) return Fail("unexpected end of data");
            skip = 4 + size_t{Dword(body_.data() + pos_)};
            break;
        }
        case kInteger:
            skip = 4;
            break;
        case kGuid:
            skip = 16;
            break;
        case kIntegerList:
        case kFloatList: {
            if (left < 4) return Fail("unexpected end of data");
            size_t element = token == kIntegerList ? 4 : static_cast<size_t>(floatBits_ / 8);
            std::uint32_t count = Dword(body_.data() + pos_);
            if (count > (left - 4) / element) return Fail("list longer than the data");
            skip = 4 + count * element;
            break;
        }
        default:
            break;
    }
    if (skip > left) return Fail("unexpected end of data");
    pos_ += skip;
    return true;
}

// ---- shared --------------------------------------------------------------------

Tok Cursor::Peek() {
    if (encoding_ == Encoding::Text) {
        SkipSpaceText();
        if (pos_ >= body_.size()) return Tok::End;
        switch (body_[pos_]) {
            case '{':
                return Tok::OBrace;
            case '}':
                return Tok::CBrace;
            case '<':
                return Tok::Guid;
            case '"':
                return Tok::String;
            default:
                break;
        }
        size_t end = WordEnd(pos_);
        if (end == pos_) return Tok::Other;
        float f;
        if (ParseFloatWord(body_.data() + pos_, body_.data() + end, f)) return Tok::Number;
        if (EqualsIgnoringCase(body_.substr(pos_, end - pos_), "template")) return Tok::Template;
        return Tok::Name;
    }
    if (pendingCount_ > 0) return Tok::Number;
    if (!SkipSeparatorsBinary()) return Tok::End;
    switch (Word(body_.data() + pos_)) {
        case kName:
            return Tok::Name;
        case kString:
            return Tok::String;
        case kInteger:
        case kIntegerList:
        case kFloatList:
            return Tok::Number;
        case kGuid:
            return Tok::Guid;
        case kOBrace:
            return Tok::OBrace;
        case kCBrace:
            return Tok::CBrace;
        case kTemplate:
            return Tok::Template;
        default:
            return Tok::Other;
    }
}

bool Cursor::TakeName(std::string_view& name) {
    if (Peek() != Tok::Name) return Fail("expected a name");
    if (encoding_ == Encoding::Text) {
        size_t end = WordEnd(pos_);
        name = body_.substr(pos_, end - pos_);
        pos_ = end;
        return true;
    }
    pos_ += 2;
    std::uint32_t count = 0;
    if (!ReadDword(count)) return false;
    if (count > body_.size() - pos_) return Fail("name longer than the data");
    name = body_.substr(pos_, count);
    pos_ += count;
    return true;
}

bool Cursor::TakeOBrace() {
    if (Peek() != Tok::OBrace) return Fail("expected '{'");
    pos_ += encoding_ == Encoding::Text ? 1 : 2;
    return true;
}

bool Cursor::TakeCBrace() {
    if (Peek() != Tok::CBrace) return Fail("expected '}'");
    pos_ += encoding_ == Encoding::Text ? 1 : 2;
    return true;
}

bool Cursor::TakeGuid() {
    if (Peek() != Tok::Guid) return Fail("expected a GUID");
    if (encoding_ == Encoding::Text) {
        size_t end = body_.find('>', pos_);
        if (end == std::string_view::npos) return Fail("unterminated GUID");
        pos_ = end + 1;
        return true;
    }
    if (body_.size() - pos_ < 18) return Fail("unexpected end of data");
    pos_ += 18;
    return true;
}

bool Cursor::TakeTemplateKeyword() {
    if (Peek() != Tok::Template) return Fail("expected 'template'");
    pos_ = encoding_ == Encoding::Text ? WordEnd(pos_) : pos_ + 2;
    return true;
}

bool Cursor::ReadUInt(std::uint32_t& value) {
    if (encoding_ == Encoding::Text) {
        SkipSpaceText();
        size_t end = WordEnd(pos_);
        const char* first = body_.data() + pos_;
        if (end > pos_ && *first == '+') ++first;
        auto [stop, ec] = std::from_chars(first, body_.data() + end, value);
        if (end == pos_ || ec != std::errc() || stop != body_.data() + end) return Fail("expected an unsigned integer");
        pos_ = end;
        return true;
    }
    for (;;) {
        if (pendingCount_ > 0) {
            if (pendingKind_ != kIntegerList) return Fail("expected an integer, found floats");
            value = Dword(body_.data() + pos_);
            pos_ += 4;
            --pendingCount_;
            return true;
        }
        if (!SkipSeparatorsBinary()) return Fail("unexpected end of data");
        std::uint16_t token = Word(body_.data() + pos_);
        if (token == kInteger) {
            pos_ += 2;
            return ReadDword(value);
        }
        if (token != kIntegerList) return Fail("expected an integer");
        if (!TakeListHeader(token)) return false;
    }
}

bool Cursor::ReadFloat(float& value) {
    if (encoding_ == Encoding::Text) {
        SkipSpaceText();
        size_t end = WordEnd(pos_);
        if (end == pos_ || !ParseFloatWord(body_.data() + pos_, body_.data() + end, value))
            return Fail("expected a number");
        pos_ = end;
        return true;
    }
    for (;;) {
        if (pendingCount_ > 0) {
            if (pendingKind_ != kFloatList) return Fail("expected a float, found integers");
            if (floatBits_ == 64) {
                double d;
                std::memcpy(&d, body_.data() + pos_, 8);
                value = static_cast<float>(d);
                pos_ += 8;
            } else {
                std::memcpy(&value, body_.data() + pos_, 4);
                pos_ += 4;
            }
            --pendingCount_;
            return true;
        }
        if (!SkipSeparatorsBinary()) return Fail("unexpected end of data");
        std::uint16_t token = Word(body_.data() + pos_);
        if (token != kFloatList) return Fail("expected a float list");
        if (!TakeListHeader(token)) return false;
    }
}

bool Cursor::ReadString(std::string& value) {
    if (encoding_ == Encoding::Text) {
        SkipSpaceText();
        if (pos_ >= body_.size() || body_[pos_] != '"') return Fail("expected a string");
        size_t end = body_.find('"', pos_ + 1);
        if (end == std::string_view::npos) return Fail("unterminated string");
        value.assign(body_.data() + pos_ + 1, end - pos_ - 1);
        pos_ = end + 1;
        return true;
    }
    if (pendingCount_ > 0 || Peek() != Tok::String) return Fail("expected a string");
    pos_ += 2;
    std::uint32_t count = 0;
    if (!ReadDword(count)) return false;
    if (count > body_.size() - pos_) return Fail("string longer than the data");
    value.assign(body_.data() + pos_, count);
    pos_ += count;
    // The string's terminator: a separator token; some writers make it a
    // DWORD, whose high half reads as token 0, which is never a real token.
    std::uint16_t token;
    if (PeekWord(token) && (token == kSemicolon || token == kComma)) {
        pos_ += 2;
        if (PeekWord(token) && token == 0) pos_ += 2;
    }
    return true;
}

bool Cursor::SkipBody() {
    int depth = 1;
    if (encoding_ == Encoding::Text) {
        const size_t n = body_.size();
        while (pos_ < n) {
            char c = body_[pos_];
            if (c == '"') {
                size_t end = body_.find('"', pos_ + 1);
                if (end == std::string_view::npos) return Fail("unterminated string");
                pos_ = end + 1;
                continue;
            }
            if (c == '#' || (c == '/' && pos_ + 1 < n && body_[pos_ + 1] == '/')) {
                SkipSpaceText();
                continue;
            }
            ++pos_;
            if (c == '{') ++depth;
            if (c == '}' && --depth == 0) return true;
        }
        return Fail("unexpected end of data (missing '}')");
    }
    if (pendingCount_ > 0) {
        pos_ += pendingCount_ * (pendingKind_ == kIntegerList ? 4 : static_cast<size_t>(floatBits_ / 8));
        pendingCount_ = 0;
    }
    std::uint16_t token;
    while (PeekWord(token)) {
        if (token == kOBrace) ++depth;
        if (token == kCBrace && --depth == 0) {
            pos_ += 2;
            return true;
        }
        if (!SkipRecord(token)) return false;
    }
    return Fail("unexpected end of data (missing '}')");
}

}  // namespace tarvona::xfile
