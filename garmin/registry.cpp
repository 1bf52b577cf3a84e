// Capability table slots and the L002 numbers.
#include "garmin/registry.h"

#include <cstdlib>

namespace garmin {

namespace {

// The slot of an A entry by its hundreds: A0xx, A1xx, ... A9xx.
constexpr std::array<int, 10> kSlotByHundreds = {2, 3, 5, 8, 10, 12, 14, 16, 18, 20};

std::string nameOf(const Protocol_Entry& entry, int minDigits) {
    std::string digits = std::to_string(std::abs(static_cast<int>(entry.Number)));
    if (static_cast<int>(digits.size()) < minDigits) {
        digits.insert(0, static_cast<std::size_t>(minDigits) - digits.size(), '0');
    }
    std::string name(1, static_cast<char>(entry.Tag));
    if (entry.Number < 0) name += '-';
    return name + digits;
}

}  // namespace

void applyL002(PacketIds& ids, CommandCodes& commands) {
    ids.PID_Almanac_Data = 4;
    ids.PID_Command_Data = 11;
    ids.PID_Xfer_Cmplt = 12;
    ids.PID_Date_Time = 20;
    ids.PID_Position_Data = 24;
    ids.PID_Records = 35;
    ids.PID_Rte_Hdr = 37;
    ids.PID_Wpt_Data = 43;
    commands.CMND_Reset_Transfer = 0;
    commands.CMND_Transfer_Alm = 4;
    commands.CMND_Transfer_Rte = 8;
    commands.CMND_Transfer_Time = 20;
    commands.CMND_Transfer_Wpt = 21;
    commands.CMND_Turn_Off_Pwr = 26;
}

int placeProtocolEntry(ProtocolTable& table, int slot, const Protocol_Entry& entry) {
    switch (entry.Tag) {
        case 'P':
            slot = 0;
            break;
        case 'L':
            slot = 1;
            break;
        case 'A': {
            const int hundreds = entry.Number / 100;
            slot = (hundreds >= 0 && hundreds <= 9) ? kSlotByHundreds[hundreds] : hundreds;
            break;
        }
        case 'D':
            ++slot;  // a data format belongs to the transfer protocol before it
            break;
        default:
            return slot;
    }
    if (slot >= 0 && slot < static_cast<int>(table.size())) table[slot] = entry;
    return slot;
}

ProtocolNames namesFromTable(const ProtocolTable& table) {
    ProtocolNames names;
    names.Link_Protocol = nameOf(table[1], 3);
    names.WayPoint_Transfer_Protocol = nameOf(table[3], 1);
    names.Waypoint_Data_Format = nameOf(table[4], 1);
    names.Route_Transfer_Protocol = nameOf(table[5], 1);
    names.Route_Data_Format = nameOf(table[6], 1);
    names.Route_Wpt_Data_Format = nameOf(table[7], 1);
    names.Track_Transfer_Protocol = nameOf(table[8], 1);
    names.Track_Data_Format = nameOf(table[kTrackDataSlot], 1);
    names.Prox_Wpt_Transfer_Protocol = nameOf(table[10], 1);
    names.Prox_Wpt_Data_Format = nameOf(table[11], 1);
    return names;
}

}  // namespace garmin
