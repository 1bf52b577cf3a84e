#include "tests/support/trace_line.h"

#include <cctype>

#include "tests/support/garmin_frames.h"

namespace testkit {

namespace {

constexpr std::string_view kSent = "PC -\xC2\xBB GPS ";
constexpr std::string_view kReceived = "PC \xC2\xAB- GPS ";
constexpr std::string_view kLinkError = "link error: ";
constexpr std::string_view kPortSpeed = "port speed: ";

// "2026-12-06T19:04:05.123Z ", as the trace stamps every line.
std::string_view withoutStamp(std::string_view line) {
    constexpr std::size_t kStamp = 25;
    if (line.size() > kStamp && line[4] == '-' && line[10] == 'T' && line[23] == 'Z' &&
        line[24] == ' ')
        line.remove_prefix(kStamp);
    return line;
}

bool isHex(std::string_view body) {
    if (body.empty()) return false;
    for (std::size_t i = 0; i < body.size(); ++i) {
        const char c = body[i];
        const bool ok = i % 3 == 2 ? c == ' ' : std::isxdigit(static_cast<unsigned char>(c));
        if (!ok) return false;
    }
    return body.size() % 3 == 2;
}

}  // namespace

std::optional<TraceLine> parseTraceLine(std::string_view line) {
    line = withoutStamp(line);
    for (const auto& [prefix, kind] :
         {std::pair{kSent, TraceLine::Kind::Sent}, std::pair{kReceived, TraceLine::Kind::Received},
          std::pair{kLinkError, TraceLine::Kind::LinkError},
          std::pair{kPortSpeed, TraceLine::Kind::PortSpeed}}) {
        if (!line.starts_with(prefix)) continue;
        std::string_view body = line.substr(prefix.size());
        if (kind == TraceLine::Kind::PortSpeed) body = body.substr(0, body.find(' '));
        const bool text = kind == TraceLine::Kind::LinkError || kind == TraceLine::Kind::PortSpeed;
        return TraceLine{kind, std::string(body), !text && isHex(body)};
    }
    return std::nullopt;
}

std::string TraceLine::wireBytes() const {
    if (!frame) return body + "\r\n";
    const std::string bytes = fromHex(body);
    if (kind == Kind::Sent || bytes.size() < 4) return bytes;
    // Size to checksum had every DLE doubled on the wire.
    std::string wire = bytes.substr(0, 2);
    for (std::size_t i = 2; i + 2 < bytes.size(); ++i) {
        wire += bytes[i];
        if (bytes[i] == '\x10') wire += '\x10';
    }
    return wire + bytes.substr(bytes.size() - 2);
}

std::string sentLine(std::string_view wire) {
    return std::string(kSent) + toHex(wire);
}

}  // namespace testkit
