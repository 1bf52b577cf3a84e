// cGarminGPS: the sending half of the link (port, framing, checksum, trace).
#include "garmin/gps.h"
#include "garmin/packet_io.h"

namespace garmin {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

}  // namespace

bool cGarminGPS::PortOpen() {
    // An open port keeps the settings it was opened with.
    if (port_.isOpen()) return true;
    port_.open(Port_, Settings_);
    return port_.isOpen();
}

void cGarminGPS::PortClose() {
    timer_.disarm();
    // What was left half-read belongs to the closed session; kept, a stray line feed after
    // NMEA sentences would spoil the first frame of the next one.
    Rx_Buffer.clear();
    if (port_.isOpen()) {
        port_.discardInput();
        port_.close();
    }
}

std::uint8_t cGarminGPS::Packet_Checksum(const Packet& packet) {
    // Identifier, size and data by position: the size byte is not trusted to find the end.
    unsigned sum = 0;
    for (std::size_t i = 1; i + 3 < packet.size(); ++i) sum += packet[i];
    return static_cast<std::uint8_t>((256 - sum % 256) % 256);
}

void cGarminGPS::Hex_Trace(std::span<const std::uint8_t> bytes, char direction) {
    if (!HexDebug) return;  // nobody listens: the trace costs nothing
    std::string text = direction == 'O' ? std::string("PC -") + static_cast<char>(0xBB) + " GPS "
                                        : std::string("PC ") + static_cast<char>(0xAB) + "- GPS ";
    text.reserve(text.size() + bytes.size() * 3);
    for (const std::uint8_t byte : bytes) {
        text += kHexDigits[byte >> 4];
        text += kHexDigits[byte & 0x0F];
        text += ' ';
    }
    HexDebug(text);
}

bool cGarminGPS::isNoReplyCommand(const Packet& packet) const {
    if (packet[1] != ids_.PID_Command_Data) return false;
    const std::uint8_t command = packet[kDataStart];
    return command == cmnd_.CMND_Turn_Off_Pwr || command == cmnd_.CMND_Stop_Pvt_Data ||
           command == cmnd_.CMND_Reset_Transfer;
}

void cGarminGPS::Send(const Packet& iPacket, bool responsenotneeded) {
    if (!port_.isOpen() || iPacket.size() < kMinPacket) return;
    const std::size_t checksumAt = iPacket.size() - 3;
    const std::uint8_t checksum = Packet_Checksum(iPacket);
    Packet work = iPacket;  // iPacket may be Last_Packet itself (a resend)
    work[checksumAt] = checksum;
    Last_Packet_ = work;

    Packet wire = {kDle, work[1]};
    wire.reserve(work.size() * 2);
    for (std::size_t i = 2; i <= checksumAt; ++i) {
        wire.push_back(work[i]);
        if (work[i] == kDle) wire.push_back(kDle);
    }
    wire.push_back(kDle);
    wire.push_back(kEtx);
    Hex_Trace(wire, 'O');
    port_.write(std::string(wire.begin(), wire.end()));

    // Only acknowledgements expect nothing back; a refusal is answered like a request.
    if (work[1] != ids_.PID_Ack_Byte) timer_.arm();
    if (isNoReplyCommand(work) || responsenotneeded) timer_.disarm();
}

void cGarminGPS::Reset() {
    // Bytes of an interrupted transfer still in the port would be taken for the answer.
    port_.discardInput();
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
