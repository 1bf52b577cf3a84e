// The serial link: frames with doubled 16s and a checksum, acknowledged one by one. Cuts
// frames and NMEA/TEXT sentences out of the received bytes, answers frames with
// acknowledgements or refusals, resends on the unit's refusal, hands every accepted packet
// up once, and turns a silent unit into a link error.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "garmin/link.h"
#include "garmin/resend_filter.h"
#include "garmin/rx_buffer.h"

namespace garmin {

class SerialLink final : public Link {
  public:
    using SentenceListener = std::function<void(std::string& sentence, bool& chkerr)>;

    SerialLink(SerialPort& port, ReplyTimer& timer, const LinkContext& context,
               const SentenceListener& nmea);

    bool open() override;
    void close() override;
    bool isOpen() const override { return port_.isOpen(); }
    // Fills in the checksum, doubles the 16s and writes one frame. Refuses a closed port
    // and arrays shorter than a frame (nothing written, lastPacket unchanged).
    void send(const Packet& packet, bool responseNotNeeded) override;
    void discardInput() override { port_.discardInput(); }
    void onPortEvent() override;
    void onTimerTick() override;
    std::size_t pendingInput() const override { return rx_.size(); }

    // Line settings such as "9600,n,8,1" the port opens with.
    std::string settings;
    bool ignoreChecksum = false;
    const Packet& lastPacket() const { return lastPacket_; }
    // Acknowledges packet `id` (the unit changes its speed on the acknowledged answer).
    void acknowledge(std::uint8_t id);
    // While set, the unit's speed answer (0x31) is handed up unacknowledged, and a
    // refusal of our speed request is handed up and not resent.
    void awaitBaud(bool awaited) { baudAwaited_ = awaited; }

    static std::uint8_t checksum(const Packet& packet);
    // The two hexadecimal digits of a sentence's checksum.
    static std::string sentenceChecksum(const std::string& msg);

  private:
    void handleInput();
    void handleFrame();
    bool handleSentence();
    bool parse(Packet& packet);
    bool answerGoodFrame(const Packet& packet);
    bool lastSentWasAnswer() const;
    void answerCorruptFrame(const Packet& packet);
    void answerRefusal();
    bool refusesBaudRequest() const;
    Packet reply(std::uint8_t replyId, std::uint8_t id) const;
    std::string onPort(const char* text) const { return text + context_.port.text(); }

    SerialPort& port_;
    ReplyTimer& timer_;
    LinkContext context_;
    const SentenceListener& nmea_;

    Packet lastPacket_;
    bool baudAwaited_ = false;
    RxBuffer rx_;
    bool nmeaMode_ = false;
    std::int32_t timeoutTicks_ = 0;
    std::int16_t checksumErrors_ = 0;
    std::int32_t retryCount_ = 0;
    ResendFilter resends_;
};

}  // namespace garmin
