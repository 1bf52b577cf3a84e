// The protocol registry: packet identifiers and command codes with their L001/A010
// defaults and L002 values, the protocol and format names, and the capability table.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace garmin {

// Packet identifiers, initialised to their L001 values.
struct PacketIds {
    std::uint8_t PID_Ack_Byte = 6;
    std::uint8_t PID_Nak_Byte = 21;
    std::uint8_t PID_Protocol_Array = 253;
    std::uint8_t PID_Product_Rqst = 254;
    std::uint8_t PID_Product_Data = 255;
    std::uint8_t PID_Command_Data = 10;
    std::uint8_t PID_Xfer_Cmplt = 12;
    std::uint8_t PID_Date_Time = 14;
    std::uint8_t PID_Position_Data = 17;
    std::uint8_t PID_Prx_Wpt_Data = 19;
    std::uint8_t PID_Records = 27;
    std::uint8_t PID_Rte_Hdr = 29;
    std::uint8_t PID_Rte_Wpt_Data = 30;
    std::uint8_t PID_Almanac_Data = 31;
    std::uint8_t PID_Trk_Data = 34;
    std::uint8_t PID_Wpt_Data = 35;
    std::uint8_t PID_Pvt_Data = 51;
    std::uint8_t PID_Rte_Link = 98;
    std::uint8_t PID_Trk_Hdr = 99;
    std::uint8_t PID_Voltages = 40;
    std::uint8_t PID_Display_Data = 69;
};

// Device command codes, initialised to their A010 values.
struct CommandCodes {
    std::uint8_t CMND_Reset_Transfer = 0;
    std::uint8_t CMND_Transfer_Alm = 1;
    std::uint8_t CMND_Transfer_Posn = 2;
    std::uint8_t CMND_Transfer_Prx = 3;
    std::uint8_t CMND_Transfer_Rte = 4;
    std::uint8_t CMND_Transfer_Time = 5;
    std::uint8_t CMND_Transfer_Trk = 6;
    std::uint8_t CMND_Transfer_Wpt = 7;
    std::uint8_t CMND_Turn_Off_Pwr = 8;
    std::uint8_t CMND_Start_Pvt_Data = 49;
    std::uint8_t CMND_Stop_Pvt_Data = 50;
    std::uint8_t CMND_Start_Async = 255;
    // Not announced by any capability report; they never change.
    std::uint8_t CMND_Request_Voltages = 17;
    std::uint8_t CMND_Request_Display = 32;
};

// Moves the numbers that differ under link protocol L002 to their L002 values.
void applyL002(PacketIds& ids, CommandCodes& commands);

// What a receiver that never sends a capability report is taken to speak.
struct ProtocolNames {
    std::string Link_Protocol = "L001";
    std::string WayPoint_Transfer_Protocol = "A100";
    std::string Waypoint_Data_Format = "D100";
    std::string Route_Transfer_Protocol = "A200";
    std::string Route_Data_Format = "D200";
    std::string Route_Wpt_Data_Format = "D100";
    std::string Track_Transfer_Protocol = "A300";
    std::string Track_Data_Format = "D300";
    std::string Prox_Wpt_Transfer_Protocol = "A400";
    std::string Prox_Wpt_Data_Format = "D400";
};

struct Protocol_Entry {
    std::uint8_t Tag = 0;  // 'P', 'L', 'A' or 'D'; 0 in an empty slot
    std::int16_t Number = 0;
};

using ProtocolTable = std::array<Protocol_Entry, 23>;

// The slot of the track protocol's first data type.
constexpr int kTrackDataSlot = 9;

// One capability entry placed into the table by its tag, starting from `slot`;
// returns the slot that is current afterwards.
int placeProtocolEntry(ProtocolTable& table, int slot, const Protocol_Entry& entry);
// The ten names as the table's slots give them.
ProtocolNames namesFromTable(const ProtocolTable& table);

}  // namespace garmin
