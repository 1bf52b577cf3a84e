#include "trackfile/gpx_writer.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>

#include "coords/arith_error.h"

namespace trackfile {

using coords::ArithmeticError;

namespace {

constexpr std::string_view kHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<gpx version=\"1.1\" creator=\"Kelvaron\" xmlns=\"http://www.topografix.com/GPX/1/1\" "
    "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
    "xsi:schemaLocation=\"http://www.topografix.com/GPX/1/1 "
    "http://www.topografix.com/GPX/1/1/gpx.xsd\">\n";
constexpr std::string_view kTrackEnd =
    "    </trkseg>\n"
    "  </trk>\n";
constexpr std::string_view kTail = "</gpx>\n";
// A receiver's "no altitude" is 1.0e25; nothing on or near the Earth comes close.
constexpr double kHighestElevation = 1.0e6;

// Eight decimals are about a millimetre: finer than any receiver, and the fixed form
// never takes an exponent or the user's locale.
constexpr int kDecimals = 8;

void appendDegrees(std::string& out, double degrees) {
    char buf[32];
    const auto res =
        std::to_chars(buf, buf + sizeof buf, degrees, std::chars_format::fixed, kDecimals);
    // A value just below zero would show as "-0.00000000", which reads like a slip.
    const bool zero =
        std::string_view(buf, res.ptr).find_first_of("123456789") == std::string_view::npos;
    out.append(buf + (zero && buf[0] == '-' ? 1 : 0), res.ptr);
}

// The length of the UTF-8 character `text` starts with; 0 when it starts with none (a byte
// that begins no character, an overlong form, a surrogate, a value beyond U+10FFFF, a cut).
std::size_t utf8Length(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    const std::size_t n = lead < 0x80                    ? 1
                          : lead >= 0xC2 && lead <= 0xDF ? 2
                          : lead >= 0xE0 && lead <= 0xEF ? 3
                          : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                         : 0;
    if (n == 0 || n > text.size()) return 0;
    const unsigned low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
    const unsigned high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
    for (std::size_t i = 1; i < n; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (i == 1 ? c < low || c > high : (c & 0xC0) != 0x80) return 0;
    }
    return n;
}

// Names come from receivers and files: markup characters are escaped, a tab or a line
// break becomes a space, and other control characters and U+FFFE and U+FFFF, which XML
// 1.0 cannot hold, are left out. So is a byte that is not UTF-8 (no reader hands one on),
// so that the document is UTF-8 whatever came in.
void appendEscaped(std::string& out, std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t n = utf8Length(text.substr(at));
        const std::string_view c = text.substr(at, std::max<std::size_t>(n, 1));
        at += c.size();
        if (n == 0)
            continue;
        else if (c == "&")
            out.append("&amp;");
        else if (c == "<")
            out.append("&lt;");
        else if (c == ">")
            out.append("&gt;");
        else if (c == "\"")
            out.append("&quot;");
        else if (c == "\t" || c == "\n" || c == "\r")
            out.push_back(' ');
        else if (c == "\xEF\xBF\xBE" || c == "\xEF\xBF\xBF" ||
                 (n == 1 && (static_cast<unsigned char>(c[0]) < 0x20 || c[0] == 0x7F)))
            continue;
        else
            out.append(c);
        if (c == "\r" && at < text.size() && text[at] == '\n') ++at;  // one line break
    }
}

void appendElevation(std::string& out, double metres) {
    char buf[32];
    const auto res = std::to_chars(buf, buf + sizeof buf, metres, std::chars_format::fixed, 2);
    out.append("<ele>").append(buf, res.ptr).append("</ele>");
}

bool isDigits(std::string_view text, std::size_t at, std::size_t count) {
    for (std::size_t i = at; i < at + count; ++i)
        if (text[i] < '0' || text[i] > '9') return false;
    return true;
}

int number(std::string_view text, std::size_t at, std::size_t count) {
    int v = 0;
    for (std::size_t i = at; i < at + count; ++i) v = v * 10 + (text[i] - '0');
    return v;
}

// Only the receiver's own form, naming a real instant, becomes a time: a GPX reader
// refuses the whole file for one impossible date.
bool isReceiverTime(std::string_view t) {
    if (t.size() != 19 || t[4] != '/' || t[7] != '/' || t[10] != '-' || t[13] != ':' ||
        t[16] != ':')
        return false;
    for (std::size_t at : {0, 5, 8, 11, 14, 17})
        if (!isDigits(t, at, at == 0 ? 4 : 2)) return false;
    const int year = number(t, 0, 4);
    const int month = number(t, 5, 2);
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return false;
    const int day = number(t, 8, 2);
    return day >= 1 && day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0) &&
           number(t, 11, 2) < 24 && number(t, 14, 2) < 60 && number(t, 17, 2) < 60;
}

}  // namespace

bool isGpxName(const std::string& name) {
    if (name.size() < 4) return false;
    std::string tail = name.substr(name.size() - 4);
    for (char& c : tail)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return tail == ".gpx";
}

GpxWriter::GpxWriter(std::string& out) : out_(out) {
    out_.append(kHead);
}

void GpxWriter::openTrack() {
    out_.append("  <trk>\n");
    if (!name_.empty()) {
        out_.append("    <name>");
        appendEscaped(out_, name_);
        out_.append("</name>\n");
    }
    out_.append("    <trkseg>\n");
    trackOpen_ = true;
    segmentDue_ = false;
}

void GpxWriter::point(double lat, double lon, std::string_view text,
                      std::optional<double> elevation) {
    if (!(lat >= -90.0 && lat <= 90.0)) throw ArithmeticError("the latitude is beyond the poles");
    if (!(lon >= -180.0 && lon <= 180.0))
        throw ArithmeticError("the longitude is beyond 180 degrees");
    // GPX keeps 180 degrees east for its other name, 180 degrees west.
    if (lon == 180.0) lon = -180.0;
    if (!trackOpen_) openTrack();
    if (segmentDue_) out_.append("    </trkseg>\n    <trkseg>\n");
    segmentDue_ = false;
    out_.append("      <trkpt lat=\"");
    appendDegrees(out_, lat);
    out_.append("\" lon=\"");
    appendDegrees(out_, lon);
    const bool hasElevation = elevation && std::fabs(*elevation) < kHighestElevation;
    const bool hasTime = isReceiverTime(text);
    if (!hasElevation && !hasTime) {
        out_.append("\"/>\n");
        return;
    }
    out_.append("\">");
    // GPX wants the elevation before the time.
    if (hasElevation) appendElevation(out_, *elevation);
    if (hasTime) {
        out_.append("<time>");
        out_.append(text.substr(0, 4)).append(1, '-').append(text.substr(5, 2)).append(1, '-');
        out_.append(text.substr(8, 2)).append(1, 'T').append(text.substr(11, 8));
        out_.append("Z</time>");
    }
    out_.append("</trkpt>\n");
}

// Segments and tracks are opened by the point that follows, so none is ever empty.
void GpxWriter::newSegment() {
    segmentDue_ = trackOpen_;
}

void GpxWriter::newTrack(std::string_view name) {
    if (trackOpen_) out_.append(kTrackEnd);
    trackOpen_ = false;
    segmentDue_ = false;
    name_.assign(name);
}

void GpxWriter::finish() {
    // A document without a point still holds its one (empty) track, as GPX readers expect.
    if (!trackOpen_) openTrack();
    out_.append(kTrackEnd);
    out_.append(kTail);
}

}  // namespace trackfile
