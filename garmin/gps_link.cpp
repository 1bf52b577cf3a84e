// cGarminGPS: the choice of link, and the link commands every link shares.
#include "garmin/gps.h"
#include "garmin/packet_io.h"
#include "garmin/usb_link.h"

namespace garmin {

cGarminGPS::~cGarminGPS() = default;

void cGarminGPS::useUsb(seams::UsbPort* port) {
    if (port == nullptr) {
        link_ = &serial_;
        return;
    }
    if (!usb_ || usbPort_ != port) {
        usb_ = std::make_unique<UsbLink>(*port, timer_,
                                         LinkContext{host_, *this, ids_, cmnd_, port_, HexDebug});
        usbPort_ = port;
    }
    link_ = usb_.get();
}

void cGarminGPS::Reset() {
    // Bytes of an interrupted transfer still in the port would be taken for the answer.
    link_->discardInput();
    Send(Pkt_Reset_Transfer);
}

std::string cGarminGPS::TrimNull(std::string& instring) const {
    const std::size_t first = instring.find_first_not_of(' ');
    if (first == std::string::npos) {
        instring.clear();
    } else {
        instring = instring.substr(first, instring.find_last_not_of(' ') - first + 1);
    }
    return instring.substr(0, instring.find('\0'));
}

}  // namespace garmin
