#include "tests/support/garmin_frames.h"

#include <sstream>
#include <stdexcept>

namespace testkit {

namespace {

constexpr std::uint8_t kDle = 16;
constexpr std::uint8_t kEtx = 3;

std::uint8_t byteAt(std::string_view bytes, std::size_t i) {
    return static_cast<std::uint8_t>(bytes[i]);
}

}  // namespace

std::string frame(std::uint8_t id, std::string_view data, int sizeByte) {
    const auto size = static_cast<std::uint8_t>(sizeByte < 0 ? data.size() : sizeByte);
    unsigned sum = id + size;
    for (const char c : data) sum += static_cast<std::uint8_t>(c);
    std::string wire = {static_cast<char>(kDle), static_cast<char>(id)};
    auto put = [&wire](std::uint8_t byte) {
        wire.push_back(static_cast<char>(byte));
        if (byte == kDle) wire.push_back(static_cast<char>(kDle));
    };
    put(size);
    for (const char c : data) put(static_cast<std::uint8_t>(c));
    put(static_cast<std::uint8_t>(-sum & 0xFF));
    wire += {static_cast<char>(kDle), static_cast<char>(kEtx)};
    return wire;
}

bool unframe(std::string_view wire, garmin::Packet& packet) {
    const std::size_t n = wire.size();
    if (n < 6 || byteAt(wire, 0) != kDle || byteAt(wire, n - 2) != kDle ||
        byteAt(wire, n - 1) != kEtx) {
        return false;
    }
    packet = {kDle};
    for (std::size_t i = 1; i + 2 < n; ++i) {
        if (byteAt(wire, i) == kDle && (i + 3 >= n || byteAt(wire, ++i) != kDle)) return false;
        packet.push_back(byteAt(wire, i));
    }
    packet.push_back(kDle);
    packet.push_back(kEtx);
    unsigned sum = 0;
    for (std::size_t i = 1; i + 2 < packet.size(); ++i) sum += packet[i];
    return packet.size() >= 6 && packet[2] == packet.size() - 6 && (sum & 0xFF) == 0;
}

std::string toHex(std::string_view bytes) {
    constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (const char c : bytes) {
        if (!text.empty()) text += ' ';
        text += kDigits[static_cast<std::uint8_t>(c) >> 4];
        text += kDigits[c & 0x0F];
    }
    return text;
}

std::string fromHex(std::string_view text) {
    std::istringstream in{std::string(text)};
    std::string bytes;
    for (std::string pair; in >> pair;) {
        if (pair.size() != 2) throw std::invalid_argument("not a hex byte: " + pair);
        bytes.push_back(static_cast<char>(std::stoul(pair, nullptr, 16)));
    }
    return bytes;
}

}  // namespace testkit
