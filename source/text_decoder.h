// The bytes of an XML document as UTF-8, in the encoding the document's first bytes and its
// declaration give: UTF-8 (also when nothing is declared), UTF-16 in either byte order (told
// by its byte order mark, or by "<?" two bytes a character), US-ASCII, ISO-8859-1,
// windows-1252 and windows-1255. A byte order mark is not handed on. A byte that has no
// character in the encoding stops the decoding; nothing is guessed or copied in its place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace source {

// Appends the character `c` (a Unicode scalar value) in UTF-8.
void appendUtf8(std::string& into, std::uint32_t c);

class TextDecoder {
  public:
    // A document that cannot be decoded: `why` for the user, `column` (from 1) on the first
    // line when the declaration is at fault, 0 when the fault is where decoding stopped.
    struct Fault {
        std::string why;
        std::int64_t column = 0;
    };

    // Chooses the encoding from `head`, the document's first bytes: the whole declaration
    // when there is one, or all there is. False, with fault(), for an encoding not read or
    // one the first bytes contradict.
    bool start(std::string_view head);
    // Appends the UTF-8 of `bytes` to `into` and gives how many bytes were used: all but a
    // character cut at the end, which the caller hands in again with the bytes after it.
    // Stops before a byte not valid in the encoding, with fault().
    std::size_t decode(std::string_view bytes, std::string& into);
    // At the end of the input, with `left` bytes of it not used: false, with fault(), when
    // they are part of a character.
    bool finish(std::size_t left);
    // Why the last call failed; empty `why` while none has.
    const Fault& fault() const { return fault_; }

  private:
    enum class Encoding { Utf8, Utf16Le, Utf16Be, Ascii, Latin1, Windows1252, Windows1255 };

    bool choose(const std::string& declared, std::int64_t column);
    std::size_t decodeUtf8(std::string_view bytes, std::string& into);
    std::size_t decodeUtf16(std::string_view bytes, std::string& into);
    std::size_t decodeSingleBytes(std::string_view bytes, std::string& into);

    Encoding encoding_ = Encoding::Utf8;
    bool declared_ = false;    // the encoding was named, not taken for want of a name
    std::size_t bomLeft_ = 0;  // bytes of a byte order mark still to pass over
    Fault fault_;
};

}  // namespace source
