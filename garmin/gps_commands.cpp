// cGarminGPS: the device commands and the sentence checksum.
#include <algorithm>

#include "garmin/gps.h"
#include "garmin/packet_io.h"

namespace garmin {

void cGarminGPS::Request_Product_Data() {
    Send(Pkt_Product_Rqst);
}

void cGarminGPS::Request_Tracks() {
    // A download never starts with the fields of an earlier one, sent or not.
    Track.Clear();
    segmentPending_ = true;
    pointsWithoutFix_ = 0;
    Send(Pkt_Transfer_Trk);
}

void cGarminGPS::Request_Date_Time() {
    Send(Pkt_Transfer_Time);
}
void cGarminGPS::Pvt_Data_Start() {
    Send(Pkt_Start_Pvt);
}
void cGarminGPS::Pvt_Data_Stop() {
    Send(Pkt_Stop_Pvt);
}
void cGarminGPS::Power_Off() {
    Send(Pkt_Turn_Off_Pwr);
}
void cGarminGPS::Request_Voltages() {
    Send(Pkt_Voltages);
}
void cGarminGPS::Request_Display() {
    Send(Pkt_Display);
}

void cGarminGPS::Start_of_Records(std::uint16_t ocount) {
    recordsOut_ = ocount;
    putLittleEndian(Pkt_Records, kDataStart, ocount, 2);
    Send(Pkt_Records);
}

void cGarminGPS::End_of_Records() {
    Send(Pkt_Xfer_Cmplt);
}

void cGarminGPS::Turn_Off_Requests() {
    Packet packet = {kDle, kPidTurnOffRequests, 2, 0, 0, 0, kDle, kEtx};
    Send(packet, true);
}

void cGarminGPS::Request_Baud_Rate(std::uint32_t rate) {
    Packet packet = {kDle, kPidBaudRequest, 4, 0, 0, 0, 0, 0, kDle, kEtx};
    putLittleEndian(packet, kDataStart, rate, 4);
    serial_.awaitBaud(true);
    Send(packet, true);
}

void cGarminGPS::Accept_Baud_Rate() {
    serial_.acknowledge(kPidBaudAccept);
}

void cGarminGPS::Ping() {
    Packet packet = {kDle, ids_.PID_Command_Data, 2, 0, 0, 0, kDle, kEtx};
    putLittleEndian(packet, kDataStart, kCmndPing, 2);
    Send(packet, true);
}

std::string cGarminGPS::NMEA_Checksum(const std::string& msg) const {
    return SerialLink::sentenceChecksum(msg);
}

}  // namespace garmin
