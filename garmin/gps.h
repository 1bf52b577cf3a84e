// The Garmin protocol engine's application layer: the capability registry, the track
// record codec and the device commands, over the link the download chose (garmin/link.h):
// the serial link, or the USB link once useUsb has been given a unit.
//
// The engine reaches the port, the reply timer and the window only through the seams of
// seams/ and its host (host.h); it owns none of them. Everything runs on the caller's one
// thread, and the window's handlers may call back into the engine from inside every Host call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "garmin/host.h"
#include "garmin/link.h"
#include "garmin/product_data.h"
#include "garmin/registry.h"
#include "garmin/serial_link.h"
#include "garmin/track.h"
#include "garmin/track_layout.h"
#include "garmin/usb_link.h"

namespace garmin {

class PacketReader;

class cGarminGPS final : private LinkUser {
  public:
    cGarminGPS(SerialPort& port, ReplyTimer& timer, Host& host);
    ~cGarminGPS() override;
    cGarminGPS(const cGarminGPS&) = delete;
    cGarminGPS& operator=(const cGarminGPS&) = delete;

    // The track record: every decoded header and point overwrites it in place (a field
    // that a short packet does not hold keeps its value), and Send_Track and
    // Send_Track_Header send what it holds.
    cTrack Track;

    // Events. Each is raised only when set; the trace text is not even built otherwise.
    std::function<void(std::string& dbgText)> HexDebug;
    // chkerr is true when the sentence carried a checksum and it matched.
    std::function<void(std::string& sentence, bool& chkerr)> NMEA;

    // --- Registry (read-only) -------------------------------------------------------
    std::uint8_t PID_Ack_Byte() const { return ids_.PID_Ack_Byte; }
    std::uint8_t PID_Nak_Byte() const { return ids_.PID_Nak_Byte; }
    std::uint8_t PID_Protocol_Array() const { return ids_.PID_Protocol_Array; }
    std::uint8_t PID_Product_Rqst() const { return ids_.PID_Product_Rqst; }
    std::uint8_t PID_Product_Data() const { return ids_.PID_Product_Data; }
    std::uint8_t PID_Command_Data() const { return ids_.PID_Command_Data; }
    std::uint8_t PID_Xfer_Cmplt() const { return ids_.PID_Xfer_Cmplt; }
    std::uint8_t PID_Date_Time() const { return ids_.PID_Date_Time; }
    std::uint8_t PID_Position_Data() const { return ids_.PID_Position_Data; }
    std::uint8_t PID_Prx_Wpt_Data() const { return ids_.PID_Prx_Wpt_Data; }
    std::uint8_t PID_Records() const { return ids_.PID_Records; }
    std::uint8_t PID_Rte_Hdr() const { return ids_.PID_Rte_Hdr; }
    std::uint8_t PID_Rte_Wpt_Data() const { return ids_.PID_Rte_Wpt_Data; }
    std::uint8_t PID_Almanac_Data() const { return ids_.PID_Almanac_Data; }
    std::uint8_t PID_Trk_Data() const { return ids_.PID_Trk_Data; }
    std::uint8_t PID_Wpt_Data() const { return ids_.PID_Wpt_Data; }
    std::uint8_t PID_Pvt_Data() const { return ids_.PID_Pvt_Data; }
    std::uint8_t PID_Rte_Link() const { return ids_.PID_Rte_Link; }
    std::uint8_t PID_Trk_Hdr() const { return ids_.PID_Trk_Hdr; }
    std::uint8_t PID_Voltages() const { return ids_.PID_Voltages; }
    std::uint8_t PID_Display_Data() const { return ids_.PID_Display_Data; }

    std::uint8_t CMND_Reset_Transfer() const { return cmnd_.CMND_Reset_Transfer; }
    std::uint8_t CMND_Transfer_Alm() const { return cmnd_.CMND_Transfer_Alm; }
    std::uint8_t CMND_Transfer_Posn() const { return cmnd_.CMND_Transfer_Posn; }
    std::uint8_t CMND_Transfer_Prx() const { return cmnd_.CMND_Transfer_Prx; }
    std::uint8_t CMND_Transfer_Rte() const { return cmnd_.CMND_Transfer_Rte; }
    std::uint8_t CMND_Transfer_Time() const { return cmnd_.CMND_Transfer_Time; }
    std::uint8_t CMND_Transfer_Trk() const { return cmnd_.CMND_Transfer_Trk; }
    std::uint8_t CMND_Transfer_Wpt() const { return cmnd_.CMND_Transfer_Wpt; }
    std::uint8_t CMND_Turn_Off_Pwr() const { return cmnd_.CMND_Turn_Off_Pwr; }
    std::uint8_t CMND_Start_Pvt_Data() const { return cmnd_.CMND_Start_Pvt_Data; }
    std::uint8_t CMND_Stop_Pvt_Data() const { return cmnd_.CMND_Stop_Pvt_Data; }
    std::uint8_t CMND_Start_Async() const { return cmnd_.CMND_Start_Async; }

    const std::string& Link_Protocol() const { return names_.Link_Protocol; }
    const std::string& WayPoint_Transfer_Protocol() const {
        return names_.WayPoint_Transfer_Protocol;
    }
    const std::string& Waypoint_Data_Format() const { return names_.Waypoint_Data_Format; }
    const std::string& Route_Transfer_Protocol() const { return names_.Route_Transfer_Protocol; }
    const std::string& Route_Data_Format() const { return names_.Route_Data_Format; }
    const std::string& Route_Wpt_Data_Format() const { return names_.Route_Wpt_Data_Format; }
    const std::string& Track_Transfer_Protocol() const { return names_.Track_Transfer_Protocol; }
    const std::string& Track_Data_Format() const { return names_.Track_Data_Format; }
    const std::string& Prox_Wpt_Transfer_Protocol() const {
        return names_.Prox_Wpt_Transfer_Protocol;
    }
    const std::string& Prox_Wpt_Data_Format() const { return names_.Prox_Wpt_Data_Format; }

    // --- Read-write properties ------------------------------------------------------
    std::int16_t Port() const { return port_.number; }
    void Port(std::int16_t New_Port) { port_.number = New_Port; }
    // How the engine's messages name the port: its number unless a device path or a USB
    // unit was chosen instead (a port that COM1 to COM9 do not stand for).
    void portName(std::string name) { port_.name = std::move(name); }
    const std::string& Settings() const { return serial_.settings; }
    void Settings(const std::string& New_Settings) { serial_.settings = New_Settings; }
    bool IgnoreCheckSum() const { return serial_.ignoreChecksum; }
    void IgnoreCheckSum(bool New_IgnoreCheckSum) { serial_.ignoreChecksum = New_IgnoreCheckSum; }

    // --- Link -----------------------------------------------------------------------
    // The link the next PortOpen opens: the USB unit `port` (open already), or the serial
    // port again for none. Only between downloads, never from inside a Host call.
    void useUsb(seams::UsbPort* port);
    bool onUsb() const { return link_ != &serial_; }
    bool PortOpen() { return link_->open(); }
    void PortClose() { link_->close(); }
    // Hands one packet to the link. On the serial link: fills in the checksum, doubles the
    // 16s and writes one frame; refuses a closed port and arrays shorter than a frame
    // (nothing written, Last_Packet unchanged).
    void Send(const Packet& iPacket, bool responsenotneeded = false) {
        link_->send(iPacket, responsenotneeded);
    }
    void Reset();
    std::string TrimNull(std::string& instring) const;
    std::int32_t Address_Of(std::int32_t pfn) const { return pfn; }
    // The last packet the serial link sent, checksum filled in, not doubled.
    const Packet& Last_Packet() const { return serial_.lastPacket(); }

    // --- Receive engine -------------------------------------------------------------
    void KelvComm_OnComm() { link_->onPortEvent(); }
    void KelvTmrTimeout_Timer() { link_->onTimerTick(); }
    // Bytes received and not yet consumed as a frame, sentence or USB packet.
    std::size_t pendingInput() const { return link_->pendingInput(); }

    // False when the unit's capability report lists its waypoint transfer protocol (A1xx)
    // and no track protocol (A30x): such a unit hands its tracks over as files.
    bool Offers_Track_Log() const { return offersTrackLog_; }

    // --- Track records --------------------------------------------------------------
    void Send_Track();
    void Send_Track_Header();

    // --- Device commands ------------------------------------------------------------
    void Request_Product_Data();
    void Request_Tracks();
    void Request_Date_Time();
    void Pvt_Data_Start();
    void Pvt_Data_Stop();
    void Power_Off();
    void Request_Voltages();
    void Request_Display();
    void Start_of_Records(std::uint16_t ocount);
    void End_of_Records();
    std::string NMEA_Checksum(const std::string& msg) const;

    // --- Speed change (the maker's "changing the baud rate in Garmin mode") ----------
    // These packets expect no reply-timer wait: the host's deadlines govern the exchange.
    // Turns off the receiver's requests (packet 0x1C, data 0) as the change begins.
    void Turn_Off_Requests();
    // Asks the receiver for `rate` bit/s (packet 0x30). Until its answer comes or
    // Stop_Awaiting_Baud, the answer (packet 0x31) is handed to the host as BaudAccepted,
    // unacknowledged, and a refusal of the request is handed on and not sent again.
    void Request_Baud_Rate(std::uint32_t rate);
    // An answer that comes after this is ignored: neither acknowledged nor handed on.
    void Stop_Awaiting_Baud() { serial_.awaitBaud(false); }
    // Acknowledges the receiver's answer; the receiver changes its speed on it.
    void Accept_Baud_Rate();
    // The ping command (0x3A), which the receiver acknowledges.
    void Ping();

  private:
    // Registry
    void Set_Defaults();
    void buildPackets();
    void Parse_Protocol_Array(const Packet& packet);
    static cProduct_Data Parse_Product_Data(const Packet& packet);
    static std::uint16_t Parse_Records_Count(const Packet& packet);

    // Every packet a link accepted, decoded and handed to the host.
    void onLinkPacket(const Packet& packet) override;
    PacketEvent Dispatch_Packet(const Packet& packet);

    // Track records
    TrackHeader Receive_Track_Header(const Packet& packet);
    TrackPoint Parse_Track_Point(const Packet& packet);
    void readPointFields(const PacketReader& reader);
    bool startsSegmentAfterPause();
    bool usesD301Layout() const;

    ReplyTimer& timer_;
    Host& host_;

    PacketIds ids_;
    CommandCodes cmnd_;
    ProtocolNames names_;
    ProtocolTable Protocol_Table{};
    TrackLayout trackLayout_;
    // D303 and D304 segments: one starts at the first point after a header, and at the
    // first point with a position after two in a row without one (the unit's pause).
    bool segmentPending_ = true;
    int pointsWithoutFix_ = 0;
    bool offersTrackLog_ = true;
    PortName port_;

    Packet Pkt_Reset_Transfer;
    Packet Pkt_Product_Rqst;
    Packet Pkt_Records;
    Packet Pkt_Xfer_Cmplt;
    Packet Pkt_Transfer_Trk;
    Packet Pkt_Transfer_Time;
    Packet Pkt_Start_Pvt;
    Packet Pkt_Stop_Pvt;
    Packet Pkt_Voltages;
    Packet Pkt_Display;
    Packet Pkt_Turn_Off_Pwr;
    std::uint16_t recordsOut_ = 0;  // the count that Pkt_Records carries

    // The links, after everything their context refers to.
    SerialLink serial_;
    std::unique_ptr<UsbLink> usb_;
    seams::UsbPort* usbPort_ = nullptr;
    Link* link_ = &serial_;
};

}  // namespace garmin
