// Replays receiver dialogues kept as transcripts in transcripts/*.txt and compares what the
// engine does with the lines recorded there. Frames each way are lines of the frame trace
// (tests/support/trace_line.h). Lines the test feeds in:
//   PC «- GPS HEX      a frame from the receiver as the trace shows it, as one read
//   < HEX              bytes from the receiver as one read, for what no trace shows
//   flood N HEX        N copies of one byte, as one read
//   commerror KIND     a communication error event
//   tick [N]           the reply timer ticks (N times)
//   nested LINE        LINE runs inside the host's next packet, as a message box lets it
//   trace on | port N | name NAME | ignore checksum
//   track LAT LON TIME SEG ALT DEPTH | header DSPL COLOR "IDENT"   the record to upload
//   call NAME [ARGS]   one of the engine's procedures
//   usb                the engine on the USB link of a unit that is open
//   usb< interrupt|bulk [HEX]   one transfer from the unit (none: a zero-length one)
//   unplug             the unit goes away
// Lines "PC -» GPS HEX" (bytes the engine wrote), "expect write HEX|zero-length" and
// "expect read interrupt|bulk" (on USB), and "expect ..." are what it did. Running with
// KELVARON_REWRITE_TRANSCRIPTS=1 writes them afresh after a deliberate change.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "tests/support/case_table.h"
#include "tests/support/garmin_frames.h"
#include "tests/support/garmin_rig.h"
#include "tests/support/temp_dir.h"
#include "tests/support/trace_line.h"

namespace {

using namespace testkit;

std::string quote(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        const bool plain = c >= 32 && c <= 126 && c != '"' && c != '\\';
        out += plain ? std::string(1, c) : "\\x" + toHex(std::string_view(&c, 1));
    }
    return out + '"';
}

std::string unquote(const std::string& text) {
    return unescape(text.substr(1, text.rfind('"') - 1));
}

std::string num(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.10g", v);
    return text;
}

class Dialogue : GarminRig {
  public:
    Dialogue() {
        port.onWrite = [this](const std::string& bytes) { say(sentLine(bytes)); };
        usb.onWrite = [this](const std::string& bytes) {
            say("expect write " + (bytes.empty() ? "zero-length" : toHex(bytes)));
        };
        usb.onRead = [this](seams::UsbEndpoint endpoint) {
            say(endpoint == seams::UsbEndpoint::Bulk ? "expect read bulk"
                                                     : "expect read interrupt");
        };
        host.onHanded = [this](const garmin::PacketEvent& packet) { received(packet); };
        gps.NMEA = [this](std::string& sentence, bool& matched) {
            say("expect nmea " + quote(sentence) + (matched ? " matched" : " unmatched"));
        };
    }

    // The transcript with every recorded line made afresh from what the engine did.
    std::string replay(std::istream& in) {
        for (std::string line; std::getline(in, line);) {
            const auto traced = parseTraceLine(line);
            if (line.starts_with("expect") || (traced && traced->kind == TraceLine::Kind::Sent))
                continue;
            out_ += line + '\n';
            if (!line.empty() && line[0] != '#') act(line);
        }
        return out_;
    }

  private:
    void say(const std::string& line) { out_ += line + '\n'; }

    void act(const std::string& line) {
        std::istringstream words(line);
        std::string verb, rest;
        words >> verb;
        std::getline(words >> std::ws, rest);
        const std::size_t reportsBefore = host.reports.size();
        const std::size_t opensBefore = port.opens.size();
        const int discardsBefore = port.discards;
        if (const auto traced = parseTraceLine(line);
            traced && traced->kind == TraceLine::Kind::Received) {
            feed(traced->wireBytes());
        } else if (verb == "<") {
            feed(fromHex(rest));
        } else if (verb == "flood") {
            const std::size_t space = rest.find(' ');
            feed(std::string(std::stoul(rest.substr(0, space)), fromHex(rest.substr(space))[0]));
        } else if (verb == "usb") {
            usb.connected = true;
            gps.useUsb(&usb);
            gps.PortOpen();
        } else if (verb == "usb<") {
            const auto endpoint =
                rest.starts_with("bulk") ? seams::UsbEndpoint::Bulk : seams::UsbEndpoint::Interrupt;
            const std::size_t space = rest.find(' ');
            usb.arrive(endpoint, space == std::string::npos ? "" : fromHex(rest.substr(space)),
                       [this] { gps.KelvComm_OnComm(); });
        } else if (verb == "unplug") {
            usb.arrive(
                seams::UsbEndpoint::Interrupt, {}, [this] { gps.KelvComm_OnComm(); },
                seams::kCommErrorThreshold + 100);
        } else if (verb == "commerror") {
            port.event = std::stoi(rest);
            gps.KelvComm_OnComm();
        } else if (verb == "tick") {
            for (int i = rest.empty() ? 1 : std::stoi(rest); i > 0; --i) gps.KelvTmrTimeout_Timer();
        } else if (verb == "nested") {
            nested_ = rest;
        } else if (verb == "trace") {
            gps.HexDebug = [this](std::string& text) { say("expect trace " + quote(text)); };
        } else if (verb == "name") {
            gps.portName(rest);
        } else if (verb == "port") {
            gps.Port(static_cast<std::int16_t>(std::stoi(rest)));
        } else if (verb == "ignore") {
            gps.IgnoreCheckSum(true);
        } else if (verb == "track") {
            std::istringstream f(rest);
            int segment = 0;
            f >> gps.Track.lat >> gps.Track.lon >> gps.Track.Time >> segment >> gps.Track.Alt >>
                gps.Track.Dpth;
            gps.Track.New_Segment = segment != 0;
        } else if (verb == "header") {
            std::istringstream f(rest);
            int dspl = 0, color = 0;
            f >> dspl >> color;
            gps.Track.Dspl = dspl != 0;
            gps.Track.Color = static_cast<std::uint8_t>(color);
            gps.Track.Ident = unquote(rest.substr(rest.find('"')));
        } else if (verb == "call") {
            call(rest);
        } else {
            ADD_FAILURE() << "unknown transcript line: " << line;
        }
        for (std::size_t i = reportsBefore; i < host.reports.size(); ++i)
            say("expect " + host.reports[i].what + " " + quote(host.reports[i].message));
        for (std::size_t i = opensBefore; i < port.opens.size(); ++i)
            say("expect open " + std::to_string(port.opens[i].first) + " " + port.opens[i].second);
        if (port.discards != discardsBefore) say("expect input discarded");
        if (std::exchange(usb.secondReads, 0) != 0) say("expect a second read asked for");
        if (timer.armed != armed_) say(timer.armed ? "expect armed" : "expect disarmed");
        if (gps.pendingInput() != pending_)
            say("expect pending " + std::to_string(gps.pendingInput()));
        armed_ = timer.armed;
        pending_ = gps.pendingInput();
    }

    void feed(const std::string& bytes) {
        port.input += bytes;
        port.event = seams::kCommEvReceive;
        gps.KelvComm_OnComm();
    }

    void call(const std::string& text) {
        const std::string name = text.substr(0, text.find(' '));
        const std::string arg =
            text.find(' ') == std::string::npos ? "" : text.substr(name.size() + 1);
        static const std::map<std::string, void (garmin::cGarminGPS::*)()> plain = {
            {"Request_Product_Data", &garmin::cGarminGPS::Request_Product_Data},
            {"Request_Tracks", &garmin::cGarminGPS::Request_Tracks},
            {"Request_Date_Time", &garmin::cGarminGPS::Request_Date_Time},
            {"Pvt_Data_Start", &garmin::cGarminGPS::Pvt_Data_Start},
            {"Pvt_Data_Stop", &garmin::cGarminGPS::Pvt_Data_Stop},
            {"Power_Off", &garmin::cGarminGPS::Power_Off},
            {"Request_Voltages", &garmin::cGarminGPS::Request_Voltages},
            {"Request_Display", &garmin::cGarminGPS::Request_Display},
            {"End_of_Records", &garmin::cGarminGPS::End_of_Records},
            {"Reset", &garmin::cGarminGPS::Reset},
            {"PortClose", &garmin::cGarminGPS::PortClose},
            {"Send_Track", &garmin::cGarminGPS::Send_Track},
            {"Send_Track_Header", &garmin::cGarminGPS::Send_Track_Header},
            {"Turn_Off_Requests", &garmin::cGarminGPS::Turn_Off_Requests},
            {"Stop_Awaiting_Baud", &garmin::cGarminGPS::Stop_Awaiting_Baud},
            {"Accept_Baud_Rate", &garmin::cGarminGPS::Accept_Baud_Rate},
            {"Ping", &garmin::cGarminGPS::Ping}};
        if (const auto it = plain.find(name); it != plain.end()) {
            (gps.*(it->second))();
        } else if (name == "Send" || name == "SendNoReply") {
            const std::string bytes = fromHex(arg);
            gps.Send(garmin::Packet(bytes.begin(), bytes.end()), name == "SendNoReply");
        } else if (name == "Request_Baud_Rate") {
            gps.Request_Baud_Rate(static_cast<std::uint32_t>(std::stoul(arg)));
        } else if (name == "Start_of_Records") {
            gps.Start_of_Records(static_cast<std::uint16_t>(std::stoi(arg)));
        } else if (name == "PortOpen") {
            say(gps.PortOpen() ? "expect = true" : "expect = false");
        } else if (name == "Settings") {
            gps.Settings(arg);
        } else if (name == "TrimNull") {
            std::string in = unquote(arg);
            const std::string result = gps.TrimNull(in);
            say("expect = " + quote(result) + " leaving " + quote(in));
        } else if (name == "NMEA_Checksum") {
            say("expect = " + gps.NMEA_Checksum(unquote(arg)));
        } else {
            ADD_FAILURE() << "unknown procedure " << name;
        }
    }

    void received(const garmin::PacketEvent& packet) {
        say("expect " + std::visit([this](const auto& event) { return describe(event); }, packet));
        if (!nested_.empty()) act(std::exchange(nested_, {}));
    }

    std::string describe(const garmin::TrackPoint& e) const {
        const auto& t = e.point;
        return "track " + num(t.lat) + " " + num(t.lon) + " " + t.Time + " seg " +
               std::to_string(t.New_Segment) + (e.hasAltitude ? " alt " + num(t.Alt) : "") +
               (e.hasDepth ? " depth " + num(t.Dpth) : "");
    }
    std::string describe(const garmin::TrackHeader& e) const {
        if (e.indexed) return "header number " + std::to_string(e.index);
        return e.named ? "header " + std::to_string(e.display) + " " + std::to_string(e.color) +
                             " " + quote(e.name)
                       : "header";
    }
    std::string describe(const garmin::cProduct_Data& p) const {
        return "product " + std::to_string(p.Product_ID) + " " +
               std::to_string(p.Software_Version) + " " + quote(p.Product_Description_1) + " " +
               quote(p.Product_Description_2);
    }
    std::string describe(const garmin::RecordsAnnounced& e) const {
        return "records " + std::to_string(e.count);
    }
    std::string describe(const garmin::CapabilityReport&) const {
        std::string names = "names";
        for (const auto* name : {&gps.Link_Protocol(), &gps.WayPoint_Transfer_Protocol(),
                                 &gps.Waypoint_Data_Format(), &gps.Route_Transfer_Protocol(),
                                 &gps.Route_Data_Format(), &gps.Route_Wpt_Data_Format(),
                                 &gps.Track_Transfer_Protocol(), &gps.Track_Data_Format(),
                                 &gps.Prox_Wpt_Transfer_Protocol(), &gps.Prox_Wpt_Data_Format()})
            names += " " + quote(*name);
        return gps.Offers_Track_Log() ? names : names + " no track log";
    }
    std::string describe(const garmin::TransferComplete&) const { return "end of transfer"; }
    std::string describe(const garmin::BaudAccepted& e) const {
        return "speed accepted " + std::to_string(e.rate);
    }
    std::string describe(const garmin::OtherPacket& e) const {
        return "packet " + toHex(std::string(1, char(e.id)));
    }

    std::string out_;
    std::string nested_;
    bool armed_ = false;
    std::size_t pending_ = 0;
};

class Transcript : public ::testing::TestWithParam<std::filesystem::path> {};

TEST_P(Transcript, EngineDoesWhatTheTranscriptRecords) {
    const std::string path = GetParam().string();
    std::ifstream in(path);
    const std::string expected = readFile(path);
    const std::string actual = Dialogue().replay(in);
    if (std::getenv("KELVARON_REWRITE_TRANSCRIPTS") != nullptr) writeFile(path, actual);
    EXPECT_EQ(actual, expected) << path;
}

INSTANTIATE_TEST_SUITE_P(Garmin, Transcript, ::testing::ValuesIn(filesIn(TRANSCRIPT_DIR, ".txt")),
                         [](const auto& info) { return caseName(info.param.stem().string()); });

}  // namespace
