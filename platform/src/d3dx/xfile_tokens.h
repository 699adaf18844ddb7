// The token level of the DirectX .x format: the 16-byte header, the MSZIP
// layer of the compressed variants, and one cursor that reads the text and
// the binary encoding through the same calls.
//
// The reader above asks for "the next unsigned integer", "the next float",
// "the next string" the way a template lists its members, and this cursor
// finds it: in text, numbers are separated by any mix of ',' and ';' (real
// exporters are lax about which, so both count as white space); in binary,
// numbers arrive in integer-list and float-list records that may run across
// several members, so a partly read list is kept between calls.
//
// Every read is bounded by the data: a count read from the file is checked
// against the bytes that remain before anyone allocates for it, and running
// off the end is an error, never a read past the buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarvona::xfile {

enum class Encoding { Text, Binary };

struct Header {
    Encoding encoding = Encoding::Text;
    bool compressed = false;
    int floatBits = 32;
};

// Checks the header and, for tzip/bzip, inflates the body into `inflated`.
// On success `body` is the token data (inside `data` or inside `inflated`).
bool OpenBody(const std::uint8_t* data, size_t size, Header& header, std::vector<std::uint8_t>& inflated,
              std::string_view& body, std::string& error);

enum class Tok { End, Name, String, Number, OBrace, CBrace, Guid, Template, Other };

class Cursor {
public:
    Cursor(std::string_view body, Encoding encoding, int floatBits);

    // The kind of the next token, skipping separators; Number while a binary
    // list still holds values.
    Tok Peek();

    // Consume one token of the kind named; false (and an error) otherwise.
    bool TakeName(std::string_view& name);
    bool TakeOBrace();
    bool TakeCBrace();
    bool TakeGuid();  // <...> in text, a GUID record in binary
    bool TakeTemplateKeyword();

    bool ReadUInt(std::uint32_t& value);
    bool ReadFloat(float& value);
    bool ReadString(std::string& value);

    // After an opening brace: skips to and past the matching closing brace.
    bool SkipBody();

    // An upper bound on how many values can still follow; counts from the
    // file are checked against it before anything is sized by them.
    size_t Remaining() const { return body_.size() - pos_ + pendingCount_; }

    bool Fail(const std::string& what);
    const std::string& Error() const { return error_; }

private:
    // text
    void SkipSpaceText();
    size_t WordEnd(size_t from) const;
    // binary
    bool PeekWord(std::uint16_t& token);
    bool SkipSeparatorsBinary();
    bool ReadDword(std::uint32_t& value);
    bool TakeListHeader(std::uint16_t token);
    bool SkipRecord(std::uint16_t token);
    std::string Where() const;

    std::string_view body_;
    size_t pos_ = 0;
    Encoding encoding_;
    int floatBits_;
    // the binary list being read: its kind (6 integers, 7 floats) and what is left
    std::uint16_t pendingKind_ = 0;
    size_t pendingCount_ = 0;
    std::string error_;
};

}  // namespace tarvona::xfile
