// The USB link: the application packets in the maker's USB packets, over seams::UsbPort.
// It starts the session (Start Session, up to three times, until Session Started), writes
// every packet on bulk OUT with a zero-length packet after one that fills whole endpoint
// packets, and reads the interrupt endpoint while an answer is due, the bulk endpoint from
// a Data Available to its zero-length transfer. USB needs no acknowledgements: none are
// sent or awaited. Nothing is read once nothing more is due, so a read never stays asked
// for after a track transfer is complete.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "garmin/link.h"
#include "garmin/usb_packet.h"
#include "seams/usb_port.h"

namespace garmin {

class UsbLink final : public Link {
  public:
    static constexpr int kStartAttempts = 3;

    UsbLink(seams::UsbPort& port, ReplyTimer& timer, const LinkContext& context);

    // The unit must be open already (the download opens it): starts the session.
    bool open() override;
    void close() override;
    bool isOpen() const override { return port_.isOpen(); }
    // Before Session Started the packet waits, and goes out once the session has started.
    void send(const Packet& packet, bool responseNotNeeded) override;
    // A packet half read belongs to a transfer the unit is still sending: it is kept.
    void discardInput() override {}
    void onPortEvent() override;
    void onTimerTick() override;
    std::size_t pendingInput() const override { return assembler_.size(); }

  private:
    void startSession();
    void sessionStarted();
    void sendNow(const Packet& packet, bool responseNotNeeded);
    void write(const std::string& bytes);
    void awaitAnswer(bool awaited);
    void readNext();
    void handleTransfer(const seams::UsbRead& read);
    void handlePacket(const UsbPacket& packet);
    void handleApplicationPacket(const UsbPacket& packet);
    void noAnswer();
    std::string onUnit(const char* text) const { return text + context_.port.text(); }

    seams::UsbPort& port_;
    ReplyTimer& timer_;
    LinkContext context_;
    UsbPacketAssembler assembler_;
    // Start Session sent and not answered yet, and how often.
    bool starting_ = false;
    int starts_ = 0;
    bool session_ = false;
    // From Data Available to the bulk endpoint's zero-length transfer.
    bool bulk_ = false;
    // An answer, or more of a transfer, is due: the reply timer counts its ticks.
    bool awaiting_ = false;
    int ticks_ = 0;
    // A transfer that came is being handled: the next read waits until it has been.
    bool handling_ = false;
    // What the application layer sent before the session started.
    std::vector<std::pair<Packet, bool>> queued_;
};

}  // namespace garmin
