#include "qt/usb_endpoints.h"

namespace app {

namespace {

// Takes the first endpoint of each kind; a unit with more has no use for the others.
void take(const libusb_endpoint_descriptor& e, UsbEndpoints& found) {
    const bool in = (e.bEndpointAddress & LIBUSB_ENDPOINT_DIR_MASK) == LIBUSB_ENDPOINT_IN;
    // Bits 11 and 12 are extra transactions of high-speed endpoints, not bytes.
    const std::size_t size = e.wMaxPacketSize & 0x7FF;
    if (size == 0) return;
    switch (e.bmAttributes & LIBUSB_TRANSFER_TYPE_MASK) {
        case LIBUSB_TRANSFER_TYPE_BULK:
            if (in && found.bulkIn == 0) found.bulkIn = e.bEndpointAddress;
            if (!in && found.bulkOut == 0) {
                found.bulkOut = e.bEndpointAddress;
                found.packetSize = size;
            }
            break;
        case LIBUSB_TRANSFER_TYPE_INTERRUPT:
            if (in && found.interruptIn == 0) found.interruptIn = e.bEndpointAddress;
            break;
        default:
            break;
    }
}

}  // namespace

std::optional<UsbEndpoints> UsbEndpoints::find(libusb_device* device) {
    libusb_config_descriptor* config = nullptr;
    if (libusb_get_active_config_descriptor(device, &config) != LIBUSB_SUCCESS &&
        libusb_get_config_descriptor(device, 0, &config) != LIBUSB_SUCCESS)
        return std::nullopt;
    UsbEndpoints found;
    for (int i = 0; i < config->bNumInterfaces; ++i) {
        const libusb_interface& interface = config->interface[i];
        if (interface.num_altsetting < 1) continue;
        const libusb_interface_descriptor& alt = interface.altsetting[0];
        if (alt.bInterfaceNumber != 0) continue;
        for (int e = 0; e < alt.bNumEndpoints; ++e) take(alt.endpoint[e], found);
    }
    libusb_free_config_descriptor(config);
    if (found.bulkIn == 0 || found.interruptIn == 0 || found.bulkOut == 0) return std::nullopt;
    return found;
}

}  // namespace app
