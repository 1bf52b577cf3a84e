// The endpoints of a Garmin unit's interface 0, read from its configuration descriptor
// rather than assumed: bulk IN, interrupt IN and bulk OUT, and the bulk OUT packet size.
#pragma once

#include <libusb.h>

#include <cstddef>
#include <optional>

namespace app {

struct UsbEndpoints {
    unsigned char bulkIn = 0;
    unsigned char interruptIn = 0;
    unsigned char bulkOut = 0;
    std::size_t packetSize = 64;  // wMaxPacketSize of bulk OUT

    // Nothing when interface 0 lacks one of the three, or a packet size is 0.
    static std::optional<UsbEndpoints> find(libusb_device* device);
};

}  // namespace app
