// The application layer's rules both links follow, and the trace line of a packet.
#include "garmin/link.h"

#include "garmin/packet_io.h"

namespace garmin {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

}  // namespace

bool announcesMore(const PacketIds& ids, std::uint8_t id) {
    return id == ids.PID_Prx_Wpt_Data || id == ids.PID_Records || id == ids.PID_Rte_Hdr ||
           id == ids.PID_Rte_Link || id == ids.PID_Rte_Wpt_Data || id == ids.PID_Trk_Hdr ||
           id == ids.PID_Trk_Data || id == ids.PID_Wpt_Data || id == ids.PID_Pvt_Data;
}

bool isNoReplyCommand(const PacketIds& ids, const CommandCodes& commands, const Packet& packet) {
    if (packet.size() <= kDataStart || packet[1] != ids.PID_Command_Data) return false;
    const std::uint8_t command = packet[kDataStart];
    return command == commands.CMND_Turn_Off_Pwr || command == commands.CMND_Stop_Pvt_Data ||
           command == commands.CMND_Reset_Transfer;
}

void hexTrace(const std::function<void(std::string&)>& listener, const std::uint8_t* bytes,
              std::size_t count, char direction) {
    if (!listener) return;  // nobody listens: the trace costs nothing
    std::string text = direction == 'O' ? std::string("PC -") + static_cast<char>(0xBB) + " GPS "
                                        : std::string("PC ") + static_cast<char>(0xAB) + "- GPS ";
    text.reserve(text.size() + count * 3);
    for (std::size_t i = 0; i < count; ++i) {
        text += kHexDigits[bytes[i] >> 4];
        text += kHexDigits[bytes[i] & 0x0F];
        text += ' ';
    }
    listener(text);
}

}  // namespace garmin
