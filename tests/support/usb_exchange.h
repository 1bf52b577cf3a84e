// A USB unit's side of an exchange, as a list of transfers in order, and umockdev's ioctl
// script that plays it to a libusb program. The list is text, one transfer a line:
//
//   out bulk 02 00 00 00 00 05 00 00 00 00 00 00 00   the host writes these bytes on 0x02
//   in interrupt 83 00 00 00 00 06 00 …                the unit answers them on 0x83
//   in bulk 81                                         a zero-length packet on 0x81
//   in interrupt 83 status -19                         the read fails: the unit is gone
//
// (endpoints in hex as USB writes them, bytes in hex, spaces anywhere; # starts a comment).
#pragma once

#include <istream>
#include <string>
#include <vector>

namespace testkit {

struct UsbStep {
    bool out = false;
    bool bulk = false;
    int endpoint = 0;
    std::string bytes;
    int status = 0;  // an errno as the kernel gives it: -19 for a device gone
};

// Throws std::runtime_error naming the line that is not a transfer.
std::vector<UsbStep> readUsbExchange(std::istream& in);

// The sizes the program under test asks for on each IN endpoint: umockdev matches them.
struct UsbReadSizes {
    int interrupt = 0;
    int bulk = 0;
};

// Each write a line of its own, the unit's answers indented under the write they follow,
// as umockdev's tree of URBs wants them.
std::string umockdevIoctlScript(const std::vector<UsbStep>& steps, UsbReadSizes sizes);

}  // namespace testkit
