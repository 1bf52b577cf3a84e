#include "qt/usb_product_name.h"

#include <array>

namespace app {

namespace {

constexpr std::uint8_t kStringDescriptor = 3;
constexpr int kMaxChars = 64;
// US English, when the unit's list of languages cannot be read.
constexpr std::uint16_t kEnglish = 0x0409;

int getString(libusb_device_handle* handle, std::uint8_t index, std::uint16_t language,
              std::array<unsigned char, 255>& buffer) {
    return libusb_control_transfer(
        handle, LIBUSB_ENDPOINT_IN, LIBUSB_REQUEST_GET_DESCRIPTOR,
        static_cast<std::uint16_t>((kStringDescriptor << 8) | index), language, buffer.data(),
        static_cast<std::uint16_t>(buffer.size()), kProductNameTimeoutMs);
}

}  // namespace

QString decodeStringDescriptor(std::string_view bytes) {
    if (bytes.size() < 2) return {};
    const auto length = static_cast<unsigned char>(bytes[0]);
    if (length < 2 || length > bytes.size() || static_cast<unsigned char>(bytes[1]) != 3) return {};
    QString text;
    for (std::size_t i = 2; i + 1 < length && text.size() < kMaxChars; i += 2) {
        const auto unit = static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                                (static_cast<unsigned char>(bytes[i + 1]) << 8));
        const QChar c(unit);
        // A lone surrogate or a control character would garble the list.
        if (c.isSurrogate() || c.category() == QChar::Other_Control) continue;
        text += c;
    }
    return text.trimmed();
}

QString readProductName(libusb_device_handle* handle, std::uint8_t index) {
    if (index == 0) return {};
    std::array<unsigned char, 255> buffer{};
    std::uint16_t language = kEnglish;
    const int got = getString(handle, 0, 0, buffer);
    if (got == LIBUSB_ERROR_TIMEOUT) return {};
    if (got >= 4 && buffer[1] == kStringDescriptor)
        language = static_cast<std::uint16_t>(buffer[2] | (buffer[3] << 8));
    const int n = getString(handle, index, language, buffer);
    if (n <= 0) return {};
    return decodeStringDescriptor(std::string_view(reinterpret_cast<const char*>(buffer.data()),
                                                   static_cast<std::size_t>(n)));
}

}  // namespace app
