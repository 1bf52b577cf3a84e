// Writes umockdev's ioctl script that plays a unit's side of an exchange (see
// tests/support/usb_exchange.h) to QtUsbPort, with the port's own read sizes.
//   usb-exchange-to-ioctl EXCHANGE.txt > EXCHANGE.ioctl
#include <fstream>
#include <iostream>
#include <stdexcept>

#include "qt/usb_transfer_worker.h"
#include "tests/support/usb_exchange.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: usb-exchange-to-ioctl EXCHANGE.txt\n";
        return 2;
    }
    std::ifstream in(argv[1]);
    if (!in) {
        std::cerr << "usb-exchange-to-ioctl: cannot read " << argv[1] << '\n';
        return 1;
    }
    try {
        std::cout << testkit::umockdevIoctlScript(testkit::readUsbExchange(in),
                                                  {app::kInterruptReadSize, app::kBulkReadSize});
    } catch (const std::runtime_error& e) {
        std::cerr << "usb-exchange-to-ioctl: " << argv[1] << ": " << e.what() << '\n';
        return 1;
    }
    return 0;
}
