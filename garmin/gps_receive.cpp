// cGarminGPS: every packet a link accepted, decoded by the identifiers in force and handed
// to the host.
#include "garmin/gps.h"
#include "garmin/packet_io.h"

namespace garmin {

void cGarminGPS::onLinkPacket(const Packet& packet) {
    host_.onPacket(Dispatch_Packet(packet));
}

// Decoded by the identifiers in force: a capability report may have changed them.
PacketEvent cGarminGPS::Dispatch_Packet(const Packet& packet) {
    const std::uint8_t id = packet[1];
    if (id == kPidBaudAccept) return BaudAccepted{PacketReader(packet).u32(0)};
    if (id == ids_.PID_Records) return RecordsAnnounced{Parse_Records_Count(packet)};
    if (id == ids_.PID_Product_Data) return Parse_Product_Data(packet);
    if (id == ids_.PID_Protocol_Array) {
        Parse_Protocol_Array(packet);
        return CapabilityReport{};
    }
    if (id == ids_.PID_Trk_Hdr) return Receive_Track_Header(packet);
    if (id == ids_.PID_Trk_Data) return Parse_Track_Point(packet);
    if (id == ids_.PID_Xfer_Cmplt) return TransferComplete{};
    const bool answer = id == ids_.PID_Ack_Byte || id == ids_.PID_Nak_Byte;
    return OtherPacket{id, answer ? PacketReader(packet).u8(0) : std::uint8_t{0}};
}

}  // namespace garmin
