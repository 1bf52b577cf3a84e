// The model a USB unit names in its product string (iProduct), read over the control
// endpoint with a short timeout so that the Port list opens without a noticeable wait.
#pragma once

#include <libusb.h>

#include <QString>
#include <cstdint>
#include <string_view>

namespace app {

// How long each of the two control transfers may take.
inline constexpr unsigned kProductNameTimeoutMs = 200;

// The product string of an opened unit; empty when it has none, does not answer in time,
// or answers with a descriptor that is not one.
QString readProductName(libusb_device_handle* handle, std::uint8_t index);

// The text of a string descriptor (bLength, type 3, UTF-16LE) as the unit sent it,
// control characters left out and at most 64 characters kept; empty when malformed.
QString decodeStringDescriptor(std::string_view bytes);

}  // namespace app
