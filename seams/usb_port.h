// The seam the Garmin USB link reaches a unit through: the maker's USB interface has one
// bulk OUT endpoint the host always writes on, and an interrupt IN and a bulk IN endpoint
// the unit answers on. Nothing here waits: a read is asked for and returns at once, and
// its bytes come back as an event, as the serial port's do. The program plugs libusb into
// it; tests plug in a simulated unit.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace seams {

enum class UsbEndpoint { Interrupt, Bulk };

// One transfer that came in: its endpoint and its bytes (none for a zero-length packet).
struct UsbRead {
    UsbEndpoint endpoint = UsbEndpoint::Interrupt;
    std::string bytes;
};

class UsbPort {
  public:
    virtual ~UsbPort() = default;
    virtual bool isOpen() const = 0;
    // Gives the unit back; a read still asked for is dropped.
    virtual void close() = 0;
    // Writes one transfer of exactly these bytes on bulk OUT; an empty string sends a
    // zero-length packet. One char is one byte.
    virtual void write(const std::string& bytes) = 0;
    // The bulk OUT endpoint's packet size: 64 at full speed. A write of a multiple of it
    // must be followed by a zero-length packet, or the unit waits for more.
    virtual std::size_t packetSize() const = 0;
    // Asks for the next transfer from `endpoint` and returns at once. At most one read is
    // asked for at a time; it stays asked for, however long the unit is silent, until its
    // transfer comes (then one event) or the port is closed.
    virtual void read(UsbEndpoint endpoint) = 0;
    // True while a read is asked for and has not come.
    virtual bool reading() const = 0;
    // During an event: the transfer that came, or nothing for an error event.
    virtual std::optional<UsbRead> takeRead() = 0;
    // The kind of the event being delivered right now: kCommEvReceive for a transfer that
    // came, or an error kind above kCommErrorThreshold (the unit was unplugged or failed;
    // the port has been closed then).
    virtual int commEvent() const = 0;
};

}  // namespace seams
