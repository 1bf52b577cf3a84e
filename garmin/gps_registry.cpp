// cGarminGPS: creation, the prebuilt packets, and the decoding of the capability
// report, the product record and the records count.
#include <algorithm>

#include "garmin/gps.h"
#include "garmin/packet_io.h"

namespace garmin {

namespace {

// A two-byte command or count packet: 16, id, 2, value (little-endian), checksum, 16, 3.
Packet valuePacket(std::uint8_t id, std::uint16_t value) {
    Packet packet = {kDle, id, 2, 0, 0, 0, kDle, kEtx};
    putLittleEndian(packet, kDataStart, value, 2);
    return packet;
}

}  // namespace

cGarminGPS::cGarminGPS(SerialPort& port, ReplyTimer& timer, Host& host)
    : timer_(timer),
      host_(host),
      serial_(port, timer, LinkContext{host, *this, ids_, cmnd_, port_, HexDebug}, NMEA) {
    Set_Defaults();
}

void cGarminGPS::Set_Defaults() {
    Track = cTrack{};
    ids_ = PacketIds{};
    cmnd_ = CommandCodes{};
    buildPackets();
    names_ = ProtocolNames{};
    trackLayout_ = TrackLayout{};
    port_.number = 1;
    timer_.disarm();
}

// Built from the numbers in force, and built again when an L002 report changes them:
// an L002 receiver does not understand commands carried under the L001 identifier.
void cGarminGPS::buildPackets() {
    const std::uint8_t command = ids_.PID_Command_Data;
    Pkt_Reset_Transfer = valuePacket(command, cmnd_.CMND_Reset_Transfer);
    // The product request carries no data; receivers are asked with 10 FE 00 02 10 03.
    Pkt_Product_Rqst = {kDle, ids_.PID_Product_Rqst, 0, 0, kDle, kEtx};
    Pkt_Records = valuePacket(ids_.PID_Records, recordsOut_);
    Pkt_Xfer_Cmplt = valuePacket(ids_.PID_Xfer_Cmplt, 0);
    Pkt_Transfer_Trk = valuePacket(command, cmnd_.CMND_Transfer_Trk);
    Pkt_Transfer_Time = valuePacket(command, cmnd_.CMND_Transfer_Time);
    Pkt_Start_Pvt = valuePacket(command, cmnd_.CMND_Start_Pvt_Data);
    Pkt_Stop_Pvt = valuePacket(command, cmnd_.CMND_Stop_Pvt_Data);
    Pkt_Voltages = valuePacket(command, cmnd_.CMND_Request_Voltages);
    Pkt_Display = valuePacket(command, cmnd_.CMND_Request_Display);
    Pkt_Turn_Off_Pwr = valuePacket(command, cmnd_.CMND_Turn_Off_Pwr);
}

void cGarminGPS::Parse_Protocol_Array(const Packet& packet) {
    const PacketReader reader(packet);
    Protocol_Table = ProtocolTable{};
    int slot = 0;
    // The slot after the track data type is shared with the proximity protocol, so the
    // point layout that follows a track header's is kept as it comes.
    int trackPointNumber = 0;
    // A report that lists the waypoint transfer protocol (every unit with transfers has one)
    // and no track protocol: the unit keeps its tracks as files.
    bool transfers = false;
    offersTrackLog_ = false;
    const std::size_t entries = reader.claimedCount() / 3;
    for (std::size_t k = 0; k < entries; ++k) {
        const Protocol_Entry entry{reader.u8(3 * k), reader.i16(3 * k + 1)};
        if (entry.Tag == 'A' && entry.Number / 100 == 1) transfers = true;
        if (entry.Tag == 'A' && entry.Number / 100 == 3) offersTrackLog_ = true;
        const int before = slot;
        slot = placeProtocolEntry(Protocol_Table, slot, entry);
        if (entry.Tag == 'D' && before == kTrackDataSlot) trackPointNumber = entry.Number;
    }
    if (!transfers) offersTrackLog_ = true;
    names_ = namesFromTable(Protocol_Table);
    trackLayout_ = TrackLayout::fromReport(names_.Track_Data_Format, trackPointNumber);
    // Once on L002 the engine stays there; a later L001 report changes only the names.
    if (names_.Link_Protocol == "L002") {
        applyL002(ids_, cmnd_);
        buildPackets();
    }
}

cProduct_Data cGarminGPS::Parse_Product_Data(const Packet& packet) {
    const PacketReader reader(packet);
    cProduct_Data product;
    product.Product_ID = reader.i16(0);
    product.Software_Version = reader.i16(2);
    // Zero-terminated texts follow the two numbers; a record without any gives two
    // empty descriptions, and texts after the second are ignored.
    const std::size_t count = reader.claimedCount();
    const std::string texts = count > 4 ? reader.text(4, count - 4) : std::string();
    const std::size_t first = texts.find('\0');
    product.Product_Description_1 = texts.substr(0, first);
    if (first == std::string::npos) return product;
    const std::string rest = texts.substr(first + 1);
    product.Product_Description_2 = rest.substr(0, rest.find('\0'));
    return product;
}

std::uint16_t cGarminGPS::Parse_Records_Count(const Packet& packet) {
    return PacketReader(packet).u16(0);
}

}  // namespace garmin
