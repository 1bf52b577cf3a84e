#include "source/text_decoder.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

namespace source {

namespace {

// The characters of bytes 0x80 to 0x9F in windows-1252 (0xA0 to 0xFF are ISO-8859-1's); 0
// where the code page has none.
constexpr std::array<std::uint16_t, 32> kWindows1252 = {
    0x20AC, 0x0000, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  //
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x0000, 0x017D, 0x0000,  //
    0x0000, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  //
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x0000, 0x017E, 0x0178,
};

// The characters of bytes 0x80 to 0xFF in windows-1255 (Hebrew), as the code page is
// published today (0xCA, once unassigned, is the holam haser for vav); 0 where it has none.
constexpr std::array<std::uint16_t, 128> kWindows1255 = {
    0x20AC, 0x0000, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  //
    0x02C6, 0x2030, 0x0000, 0x2039, 0x0000, 0x0000, 0x0000, 0x0000,  //
    0x0000, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  //
    0x02DC, 0x2122, 0x0000, 0x203A, 0x0000, 0x0000, 0x0000, 0x0000,  //
    0x00A0, 0x00A1, 0x00A2, 0x00A3, 0x20AA, 0x00A5, 0x00A6, 0x00A7,  //
    0x00A8, 0x00A9, 0x00D7, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,  //
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7,  //
    0x00B8, 0x00B9, 0x00F7, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x00BF,  //
    0x05B0, 0x05B1, 0x05B2, 0x05B3, 0x05B4, 0x05B5, 0x05B6, 0x05B7,  //
    0x05B8, 0x05B9, 0x05BA, 0x05BB, 0x05BC, 0x05BD, 0x05BE, 0x05BF,  //
    0x05C0, 0x05C1, 0x05C2, 0x05C3, 0x05F0, 0x05F1, 0x05F2, 0x05F3,  //
    0x05F4, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000,  //
    0x05D0, 0x05D1, 0x05D2, 0x05D3, 0x05D4, 0x05D5, 0x05D6, 0x05D7,  //
    0x05D8, 0x05D9, 0x05DA, 0x05DB, 0x05DC, 0x05DD, 0x05DE, 0x05DF,  //
    0x05E0, 0x05E1, 0x05E2, 0x05E3, 0x05E4, 0x05E5, 0x05E6, 0x05E7,  //
    0x05E8, 0x05E9, 0x05EA, 0x0000, 0x0000, 0x200E, 0x200F, 0x0000,
};

constexpr std::uint64_t kHighBits = 0x8080808080808080;
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kRead =
    "UTF-8, UTF-16, US-ASCII, ISO-8859-1, windows-1252 and windows-1255";

// The eight bytes at `p` are all ASCII: most of a track file passes eight at a time.
bool isAscii8(const char* p) {
    std::uint64_t word = 0;
    std::memcpy(&word, p, sizeof word);
    return (word & kHighBits) == 0;
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool isNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_';
}

std::string upper(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

bool isOneOf(const std::string& name, std::initializer_list<std::string_view> names) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

std::string hexByte(unsigned char c) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", c);
    return text;
}

// How long the UTF-8 sequence that `lead` starts is, 0 for a byte that starts none;
// the range its second byte must fall in rules out overlong forms, surrogates and values
// beyond U+10FFFF.
struct Sequence {
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
};

Sequence sequenceOf(unsigned char lead) {
    if (lead >= 0xC2 && lead <= 0xDF) return {2};
    if (lead == 0xE0) return {3, 0xA0};
    if (lead == 0xED) return {3, 0x80, 0x9F};
    if (lead >= 0xE1 && lead <= 0xEF) return {3};
    if (lead == 0xF0) return {4, 0x90};
    if (lead == 0xF4) return {4, 0x80, 0x8F};
    if (lead >= 0xF1 && lead <= 0xF3) return {4};
    return {};
}

// The declaration as written in `text` (its characters, one byte each): false when it is
// not well formed; `encoding` the value of its encoding, empty when it names none, and
// `column` where that value starts.
bool readDeclaration(std::string_view text, std::string& encoding, std::int64_t& column) {
    encoding.clear();
    if (!text.starts_with("<?xml") || text.size() < 6 || !isSpace(text[5])) return true;
    const std::size_t end = text.find("?>");
    if (end == std::string_view::npos) return false;
    for (std::size_t at = 5;;) {
        while (at < end && isSpace(text[at])) ++at;
        if (at == end) return true;
        const std::size_t nameStart = at;
        while (at < end && isNameChar(text[at])) ++at;
        const std::string_view name = text.substr(nameStart, at - nameStart);
        while (at < end && isSpace(text[at])) ++at;
        if (name.empty() || at == end || text[at] != '=') return false;
        ++at;
        while (at < end && isSpace(text[at])) ++at;
        if (at == end || (text[at] != '"' && text[at] != '\'')) return false;
        const std::size_t close = text.find(text[at], at + 1);
        if (close >= end) return false;
        if (name == "encoding") {
            encoding = text.substr(at + 1, close - at - 1);
            column = static_cast<std::int64_t>(at) + 2;
        }
        at = close + 1;
        if (at < end && !isSpace(text[at])) return false;
    }
}

// The ASCII characters a UTF-16 document starts with, which are all a declaration holds.
std::string asciiOfUtf16(std::string_view bytes, bool littleEndian) {
    std::string text;
    for (std::size_t at = 0; at + 1 < bytes.size(); at += 2) {
        const auto first = static_cast<unsigned char>(bytes[at]);
        const auto second = static_cast<unsigned char>(bytes[at + 1]);
        const unsigned unit = littleEndian ? first | second << 8 : first << 8 | second;
        if (unit >= 0x80) break;
        text += static_cast<char>(unit);
    }
    return text;
}

}  // namespace

void appendUtf8(std::string& into, std::uint32_t c) {
    if (c < 0x80) {
        into += static_cast<char>(c);
    } else if (c < 0x800) {
        into += static_cast<char>(0xC0 | c >> 6);
        into += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        into += static_cast<char>(0xE0 | c >> 12);
        into += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        into += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        into += static_cast<char>(0xF0 | c >> 18);
        into += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        into += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        into += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool TextDecoder::start(std::string_view head) {
    const bool utf16Le =
        head.starts_with("\xFF\xFE") || head.starts_with(std::string_view("<\0?\0", 4));
    const bool utf16Be =
        head.starts_with("\xFE\xFF") || head.starts_with(std::string_view("\0<\0?", 4));
    const bool utf8Bom = head.starts_with(kUtf8Bom);
    encoding_ = utf16Le ? Encoding::Utf16Le : utf16Be ? Encoding::Utf16Be : Encoding::Utf8;
    if (utf8Bom)
        bomLeft_ = 3;
    else if (head.starts_with("\xFF\xFE") || head.starts_with("\xFE\xFF"))
        bomLeft_ = 2;
    head.remove_prefix(bomLeft_);
    const std::string text = utf16Le || utf16Be ? asciiOfUtf16(head, utf16Le) : std::string(head);
    std::string declared;
    std::int64_t column = 1;
    if (!readDeclaration(text, declared, column)) {
        fault_ = {"the XML declaration is not well formed", 1};
        return false;
    }
    if (declared.empty()) return true;
    const std::string name = upper(declared);
    if (utf16Le || utf16Be) {
        if (name == "UTF-16" || name == (utf16Le ? "UTF-16LE" : "UTF-16BE")) return true;
        fault_ = {"the file is written in UTF-16 but declares the encoding \"" + declared + "\"",
                  column};
        return false;
    }
    if (utf8Bom && name != "UTF-8" && name != "UTF8") {
        fault_ = {"the file starts with a UTF-8 byte order mark but declares the encoding \"" +
                      declared + "\"",
                  column};
        return false;
    }
    return choose(declared, column);
}

bool TextDecoder::choose(const std::string& declared, std::int64_t column) {
    const std::string n = upper(declared);
    declared_ = true;
    if (isOneOf(n, {"UTF-8", "UTF8"}))
        encoding_ = Encoding::Utf8;
    else if (isOneOf(n, {"US-ASCII", "ASCII"}))
        encoding_ = Encoding::Ascii;
    else if (isOneOf(n, {"ISO-8859-1", "ISO_8859-1", "ISO8859-1", "LATIN1", "LATIN-1", "L1",
                         "CP819", "IBM819"}))
        encoding_ = Encoding::Latin1;
    else if (isOneOf(n, {"WINDOWS-1252", "CP1252"}))
        encoding_ = Encoding::Windows1252;
    else if (isOneOf(n, {"WINDOWS-1255", "CP1255"}))
        encoding_ = Encoding::Windows1255;
    else if (n.starts_with("UTF-16"))
        fault_ = {"the file declares the encoding \"" + declared + "\" but is not written in it",
                  column};
    else
        fault_ = {"the encoding \"" + declared + "\" is not one Kelvaron reads (it reads " +
                      std::string(kRead) + ")",
                  column};
    return fault_.why.empty();
}

std::size_t TextDecoder::decode(std::string_view bytes, std::string& into) {
    const std::size_t bom = std::min(bomLeft_, bytes.size());
    bomLeft_ -= bom;
    bytes.remove_prefix(bom);
    switch (encoding_) {
        case Encoding::Utf8:
            return bom + decodeUtf8(bytes, into);
        case Encoding::Utf16Le:
        case Encoding::Utf16Be:
            return bom + decodeUtf16(bytes, into);
        default:
            return bom + decodeSingleBytes(bytes, into);
    }
}

bool TextDecoder::finish(std::size_t left) {
    if (left == 0) return true;
    const bool utf16 = encoding_ == Encoding::Utf16Le || encoding_ == Encoding::Utf16Be;
    fault_ = {std::string("the file ends inside a ") + (utf16 ? "UTF-16" : "UTF-8") + " character"};
    return false;
}

// The valid run is appended whole: most of a track file is ASCII.
std::size_t TextDecoder::decodeUtf8(std::string_view bytes, std::string& into) {
    std::size_t at = 0;
    while (at < bytes.size()) {
        while (at + 8 <= bytes.size() && isAscii8(bytes.data() + at)) at += 8;
        if (at == bytes.size()) break;
        const auto lead = static_cast<unsigned char>(bytes[at]);
        if (lead < 0x80) {
            ++at;
            continue;
        }
        const Sequence s = sequenceOf(lead);
        bool valid = s.length > 0;
        const std::size_t have = std::min(s.length, bytes.size() - at);
        for (std::size_t i = 1; valid && i < have; ++i) {
            const auto c = static_cast<unsigned char>(bytes[at + i]);
            valid = i == 1 ? c >= s.low && c <= s.high : (c & 0xC0) == 0x80;
        }
        if (!valid) {
            fault_ = {"the byte " + hexByte(lead) + " is not valid UTF-8" +
                      (declared_ ? "" : ", and the file declares no other encoding")};
            break;
        }
        if (have < s.length) break;  // the rest comes with the next bytes
        at += s.length;
    }
    into.append(bytes.substr(0, at));
    return at;
}

std::size_t TextDecoder::decodeUtf16(std::string_view bytes, std::string& into) {
    const bool little = encoding_ == Encoding::Utf16Le;
    const auto unitAt = [&](std::size_t at) {
        const auto first = static_cast<unsigned char>(bytes[at]);
        const auto second = static_cast<unsigned char>(bytes[at + 1]);
        return static_cast<std::uint32_t>(little ? first | second << 8 : first << 8 | second);
    };
    std::size_t at = 0;
    while (at + 1 < bytes.size()) {
        const std::uint32_t unit = unitAt(at);
        if (unit < 0xD800 || unit > 0xDFFF) {
            appendUtf8(into, unit);
            at += 2;
            continue;
        }
        if (unit <= 0xDBFF && at + 3 >= bytes.size()) break;  // its pair comes next
        const std::uint32_t low = unit <= 0xDBFF ? unitAt(at + 2) : 0;
        if (low < 0xDC00 || low > 0xDFFF) {
            char text[64];
            std::snprintf(text, sizeof text, "the UTF-16 surrogate 0x%04X stands without its pair",
                          unit);
            fault_ = {text};
            break;
        }
        appendUtf8(into, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        at += 4;
    }
    return at;
}

std::size_t TextDecoder::decodeSingleBytes(std::string_view bytes, std::string& into) {
    std::size_t at = 0;
    for (; at < bytes.size(); ++at) {
        const auto c = static_cast<unsigned char>(bytes[at]);
        std::uint32_t code = c;
        if (c >= 0x80 && encoding_ == Encoding::Ascii) code = 0;
        if (c >= 0x80 && c < 0xA0 && encoding_ == Encoding::Windows1252)
            code = kWindows1252[c - 0x80];
        if (c >= 0x80 && encoding_ == Encoding::Windows1255) code = kWindows1255[c - 0x80];
        if (code == 0 && c >= 0x80) {
            const char* name = encoding_ == Encoding::Ascii         ? "US-ASCII"
                               : encoding_ == Encoding::Windows1252 ? "windows-1252"
                                                                    : "windows-1255";
            fault_ = {"the byte " + hexByte(c) + " has no character in " + name};
            break;
        }
        appendUtf8(into, code);
    }
    return at;
}

}  // namespace source
