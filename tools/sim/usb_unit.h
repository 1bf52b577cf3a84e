// A Garmin unit on USB, in-process, at the link seam (seams::UsbPort): the serial
// simulator's unit model (product data, capability report, track transfer) in the maker's
// USB packets. It answers Start Session with Session Started on the interrupt endpoint, and
// each request with Data Available there and its packets on the bulk endpoint, ended by a
// zero-length transfer. Nothing arrives by itself: deliver() hands the transfer a read asked
// for, once, so the test's loop decides when events come and nothing recurses.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "seams/seams.h"
#include "seams/usb_port.h"
#include "tools/sim/garmin_records.h"
#include "tools/sim/track.h"

namespace ksim {

// The misbehaviours of real units, one switch each.
struct UsbFaults {
    int silentStarts = 0;        // Start Session requests left unanswered
    bool direct = false;         // answers on the interrupt endpoint, without Data Available
    bool alternate = false;      // every other packet so, the others after Data Available
    bool split = false;          // every packet over two transfers
    bool packed = false;         // two packets to a transfer
    std::optional<long> unplug;  // gone as the point with this index (from 0) would come
    std::optional<long> garble;  // the packet with this index (from 0) claims 16 MiB of data
};

struct UsbUnitSettings {
    Caps caps = Caps::L001D310;
    UsbFaults faults;
};

class UsbUnit final : public seams::UsbPort {
  public:
    // The kind of the error event of a unit unplugged, above seams::kCommErrorThreshold.
    static constexpr int kUnplugged = seams::kCommErrorThreshold + 100;

    UsbUnit(UsbUnitSettings settings, const Track& track);

    void plugIn() { open_ = true; }
    bool isOpen() const override { return open_; }
    void close() override;
    void write(const std::string& bytes) override;
    std::size_t packetSize() const override { return 64; }
    void read(seams::UsbEndpoint endpoint) override;
    bool reading() const override { return asked_.has_value(); }
    std::optional<seams::UsbRead> takeRead() override { return std::exchange(current_, {}); }
    int commEvent() const override { return event_; }

    // Hands the transfer the read asked for to `handler`, when the unit has one on that
    // endpoint (or the unplugging it was set for). False when nothing was delivered.
    bool deliver(const std::function<void()>& handler);

    // What the host did, a line each: "write HEX", "write zero-length", "read interrupt",
    // "read bulk", "got interrupt HEX", "got bulk zero-length", "unplugged".
    const std::vector<std::string>& log() const { return log_; }
    // The host broke the USB rules (a write that filled whole endpoint packets without the
    // zero-length packet after it, a second read asked for); empty while it did not.
    const std::string& failure() const { return failure_; }
    // Reads asked for and not answered: a host that reads after the transfer is over.
    bool readPending() const { return asked_.has_value(); }

  private:
    struct Transfer {
        std::string bytes;
        bool unplug = false;
    };

    void hostPacket(std::uint8_t type, std::uint16_t id, const Bytes& data);
    void answer(const std::vector<OutPacket>& packets, bool track);
    void announce(std::vector<Transfer>& run);

    UsbUnitSettings s_;
    const Track& track_;
    Dialect dialect_;
    bool open_ = false;
    bool session_ = false;
    int startsIgnored_ = 0;
    bool zeroLengthDue_ = false;
    std::string fromHost_;
    std::deque<Transfer> interrupt_;
    std::deque<Transfer> bulk_;
    std::optional<seams::UsbEndpoint> asked_;
    std::optional<seams::UsbRead> current_;
    int event_ = 0;
    std::vector<std::string> log_;
    std::string failure_;
};

}  // namespace ksim
