// The link a Garmin unit is reached through, as the application layer sees it: the serial
// link (frames, acknowledgements, resends) or the USB link (packets with a 12-byte header,
// no acknowledgements). Both carry the same application packets, so the registry, the
// commands and the record decoders run unchanged over either.
//
// Application packets travel between the two layers in the engine's array form: 16,
// identifier, size, data, checksum, 16, 3 (undoubled). A link that does not frame them so
// on its wire converts at its edge.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "garmin/host.h"
#include "garmin/registry.h"

namespace garmin {

// How the engine's messages name the port: its number unless a device or unit name was
// chosen instead ("/dev/ttyUSB0", "usb:1").
struct PortName {
    std::int16_t number = 1;
    std::string name;
    std::string text() const { return name.empty() ? std::to_string(number) : name; }
};

// What a link hands up: every packet accepted, once.
class LinkUser {
  public:
    virtual ~LinkUser() = default;
    virtual void onLinkPacket(const Packet& packet) = 0;
};

// What both links are given by the application layer: where packets and failures go, the
// identifiers in force (a capability report may change them), the port's name for messages
// and the frame trace's listener.
struct LinkContext {
    Host& host;
    LinkUser& user;
    const PacketIds& ids;
    const CommandCodes& commands;
    const PortName& port;
    const std::function<void(std::string& dbgText)>& hexDebug;
};

class Link {
  public:
    virtual ~Link() = default;
    // True when the link is ready to carry packets (or to start its session).
    virtual bool open() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // One application packet. `responseNotNeeded`: the application layer waits for no answer.
    virtual void send(const Packet& packet, bool responseNotNeeded) = 0;
    // Drops what arrived of an interrupted transfer.
    virtual void discardInput() = 0;
    virtual void onPortEvent() = 0;
    virtual void onTimerTick() = 0;
    // Bytes received and not yet consumed as a packet.
    virtual std::size_t pendingInput() const = 0;
};

// The application layer's rules both links follow.
// A packet after which the unit sends more of the same transfer.
bool announcesMore(const PacketIds& ids, std::uint8_t id);
// A command the unit answers with nothing.
bool isNoReplyCommand(const PacketIds& ids, const CommandCodes& commands, const Packet& packet);
// The frame trace's line of `bytes` ('O' sent, 'I' received); nothing when nobody listens.
void hexTrace(const std::function<void(std::string&)>& listener, const std::uint8_t* bytes,
              std::size_t count, char direction);

}  // namespace garmin
