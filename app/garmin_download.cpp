// The window's side of a Garmin download: opening the port through the engine,
// identifying the receiver, asking for its track log, and handling the packets and
// reports that the engine hands back until the transfer is complete.
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <cstdio>
#include <exception>
#include <utility>

#include "app/frm_kelvaron.h"
#include "garmin/gps.h"

namespace {

// Unanswered product requests before the user decides whether to go on.
constexpr int kRequestsPerMessage = 4;
constexpr std::int32_t kSecondsPerRequest = 2;
// The engine's report of a receiver that stopped answering.
constexpr std::int16_t kNoResponse = 1;

const QString kGarminLine = QStringLiteral(",n,8,1");
const QString kSentencesText = QStringLiteral(
    "GPS is sending NMEA or TEXT sentences.\r\n"
    "For upload/download switch the interface mode to 'GRMN/GRMN', then restart.");

// The engine's texts are one character per byte.
QString Engine_Text(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

void frmKelvaron::Download_Garmin_Track() {
    // The split choice must not change while the files of a download are made.
    chkSplit->setEnabled(false);
    GPS->Port(static_cast<std::int16_t>(cmbCOM->currentIndex() + 1));
    GPS->Settings((cmbSpeed->currentText() + kGarminLine).toStdString());
    if (!GPS->PortOpen()) {
        // Asking a closed port who is there would only end in the Retry/Cancel message,
        // without the reason.
        QString text = svc_.comm.openFailureText();
        if (text.isEmpty())
            text = QStringLiteral("Cannot open port %1.").arg(Port_Description(GPS->Port()));
        Show_Message(text);
        chkSplit->setEnabled(true);
        return;
    }
    if (!Identify_Receiver()) return;
    if (Sends_Sentences()) {
        Show_Message(kSentencesText);
        sentencesSeen_ = true;
        Stop_Garmin_Download();
        return;
    }
    Start_Transfer();
}

// Asks for the product data every two seconds until it has arrived; the answer comes
// through Receive while WaitFor handles the events. After every four unanswered
// requests the user chooses between going on and ending the program.
bool frmKelvaron::Identify_Receiver() {
    DeviceMode.clear();
    garminStep_ = Garmin_Step::Identifying;
    auto stopped = [this] { return exiting_ || garminStep_ != Garmin_Step::Identifying; };
    int attempts = 0;
    do {
        GPS->Request_Product_Data();
        GPS->WaitFor(kSecondsPerRequest);
        if (stopped()) return false;
        if (++attempts >= kRequestsPerMessage) {
            attempts = 0;
            // A receiver that answered the last of the four has not failed.
            if (DeviceMode.isEmpty() && !Ask_Retry()) return false;
        }
        svc_.pump.processEvents(0);
        if (stopped()) return false;
    } while (DeviceMode.isEmpty());
    return true;
}

bool frmKelvaron::Ask_Retry() {
    ++boxesShown_;
    ++boxesOpen_;
    const bool retry = svc_.dialogs.retryCancel(
        this, QStringLiteral("GPS on com port %1 failed to initialze.").arg(GPS->Port()));
    --boxesOpen_;
    if (!retry) {
        End_Program();
        return false;
    }
    After_Box();
    return garminStep_ == Garmin_Step::Identifying;
}

bool frmKelvaron::Sends_Sentences() const {
    return DeviceMode == QLatin1String("NMEA") || DeviceMode == QLatin1String("TEXT");
}

void frmKelvaron::Start_Transfer() {
    GPS->Reset();
    GPS->Pvt_Data_Stop();
    // One download's files start afresh, also after an earlier one was cut short.
    FirstSegment = true;
    if (!Set_Up_Point_File(false)) {  // the user has been told why
        Stop_Garmin_Download();
        return;
    }
    firstOutFile_ = OutFileName;
    RecordCount = 0;
    packetFailureTold_ = false;
    garminStep_ = Garmin_Step::Transfer;
    GPS->Request_Tracks();
}

void frmKelvaron::Receive(std::uint8_t& Packet_Command, std::uint8_t& /*Packet_Data_1*/) {
    if (exiting_ || !GPS) return;
    ++packetsReceived_;
    if (Sends_Sentences()) {
        // The receiver has switched to Garmin packets: ask again who it is.
        DeviceMode.clear();
        GPS->Request_Product_Data();
        return;
    }
    try {
        Dispatch(Packet_Command);
    } catch (const std::exception& e) {
        Packet_Failed(QString::fromLocal8Bit(e.what()));
    }
}

// The identifiers are read afresh for every packet: a capability report may have
// changed them. Records, headers, points and the end count only while the track
// log is coming; before the request they belong to nothing of ours.
void frmKelvaron::Dispatch(std::uint8_t id) {
    const bool transfer = Garmin_Transfer_Running();
    if (id == GPS->PID_Records()) {
        if (transfer) RecordCount = 0;
    } else if (id == GPS->PID_Product_Data()) {
        Note_Product_Data();
    } else if (id == GPS->PID_Almanac_Data() || id == GPS->PID_Wpt_Data() ||
               id == GPS->PID_Prx_Wpt_Data() || id == GPS->PID_Rte_Hdr() ||
               id == GPS->PID_Rte_Link() || id == GPS->PID_Rte_Wpt_Data()) {
        // Not part of a track.
    } else if (id == GPS->PID_Trk_Hdr()) {
        if (!transfer) return;
        Receive_Track_Header();
        ++RecordCount;
    } else if (id == GPS->PID_Trk_Data()) {
        if (!transfer) return;
        // The caption shows the records handled before this point.
        Write_Track_Point(GPS->Track);
        ++RecordCount;
    } else if (id == GPS->PID_Xfer_Cmplt()) {
        if (transfer) Complete_Transfer();
    }
}

void frmKelvaron::Note_Product_Data() {
    DeviceMode = QStringLiteral("PID ") + QString::number(GPS->Product_Data.Product_ID);
}

void frmKelvaron::Receive_Track_Header() {
    // The header's name and colour stay in the engine's Track; the files hold points only.
    [[maybe_unused]] const garmin::cTrack& header = GPS->Track;
}

void frmKelvaron::Complete_Transfer() {
    garminStep_ = Garmin_Step::Done;
    // Closed before the messages, so the points are on disk while the user reads them.
    const bool closed = Close_Point_File();
    Show_Message(QStringLiteral("Received %1 records.").arg(RecordCount));
    const std::uint16_t claimed = GPS->Incoming_Records_Count();
    if (claimed != RecordCount)
        Show_Message(QStringLiteral("Error - Record counts don't match\r\n"
                                    "GPS claims to have sent %1 records.")
                         .arg(claimed));
    // A point file that failed was named to the user and stays as it is.
    if (closed) Finish_Output_File();
    End_Program();
}

void frmKelvaron::cError(std::int16_t& cErr, std::string& eMessage, garmin::Packet&) {
    if (exiting_) return;
    QString text = Engine_Text(eMessage);
    if (cErr == kNoResponse) {
        // While the receiver is being identified, the Retry/Cancel message after four
        // requests says it already.
        if (garminStep_ == Garmin_Step::Identifying) return;
        if (Garmin_Transfer_Running()) text += QStringLiteral("\r\n") + Points_Kept_Text();
        if (boxesOpen_ > 0) {
            // Nothing was read while the other box was open; whether the receiver is
            // silent shows when it closes and the port has been read again.
            deferredReport_ = text;
            packetsAtReport_ = packetsReceived_;
            return;
        }
    }
    Show_Message(text);
}

void frmKelvaron::setSentencesSeen(bool seen) {
    sentencesSeen_ = seen;
    // Only an identification asks; during a transfer a "$" and a line end among the
    // bytes of a frame look like a sentence too.
    if (seen && garminStep_ == Garmin_Step::Identifying && DeviceMode.isEmpty())
        DeviceMode = QStringLiteral("NMEA");
}

void frmKelvaron::Packet_Failed(const QString& what) {
    if (packetFailureTold_) return;
    packetFailureTold_ = true;
    QString text = QStringLiteral("A packet from the receiver could not be handled: %1.").arg(what);
    if (Garmin_Transfer_Running()) text += QStringLiteral("\r\n") + Points_Kept_Text();
    Show_Message(text);
}

// Where the points of a transfer that did not end are: written out, so they are on
// disk whatever happens next.
QString frmKelvaron::Points_Kept_Text() {
    if (!FileNumber || TempFileName.isEmpty())
        return QStringLiteral(
            "The points that arrived after the last file failed were not stored.");
    std::fflush(FileNumber.get());
    const bool earlierFiles = OutFileName != firstOutFile_;
    if (!earlierFiles && QFileInfo(TempFileName).size() == 0)
        return QStringLiteral("No track point had arrived yet.");
    if (earlierFiles)
        return QStringLiteral(
                   "The track points received since the last file was started are "
                   "kept in %1.")
            .arg(TempFileName);
    return QStringLiteral("The track points received so far are kept in %1.").arg(TempFileName);
}

void frmKelvaron::Port_Lost() {
    const Garmin_Step step = garminStep_;
    if (step != Garmin_Step::Identifying && step != Garmin_Step::Transfer) return;
    QString text = QStringLiteral("The connection to the receiver on %1 was lost")
                       .arg(Port_Description(GPS->Port()));
    if (step == Garmin_Step::Transfer) {
        text += QStringLiteral(" before the end of the track.\r\n") + Points_Kept_Text();
        const bool nothingStored =
            FileNumber && OutFileName == firstOutFile_ && QFileInfo(TempFileName).size() == 0;
        if (Close_Point_File() && nothingStored) QFile::remove(TempFileName);
    } else {
        text += QStringLiteral(".");
    }
    Stop_Garmin_Download();
    Show_Message(text);
}

// Back to where Save can start again: the reply timer stops and the next Save opens
// the port afresh with the choices of that moment.
void frmKelvaron::Stop_Garmin_Download() {
    GPS->PortClose();
    garminStep_ = Garmin_Step::Idle;
    DeviceMode.clear();
    deferredReport_.clear();
    chkSplit->setEnabled(true);
    // Inside Save, Save unlocks the inputs itself when the download returns.
    if (!downloading_) {
        cmbGPSType->setEnabled(true);
        cmdSave->setEnabled(true);
    }
}

void frmKelvaron::End_Program() {
    exiting_ = true;
    FileNumber.reset();
    svc_.programExit.exitNow(0);
}

void frmKelvaron::comm_OnComm() {
    // Only a Garmin download listens to the port's events; the Magellan download
    // reads the port itself.
    if (cmbGPSType->currentIndex() != 1 || exiting_ || !GPS) return;
    if (svc_.comm.commEvent() == app::kCommEvPortLost) {
        GPS->KelvComm_OnComm();  // forgets a partly received frame
        Port_Lost();
        return;
    }
    Run_Engine(&garmin::cGarminGPS::KelvComm_OnComm);
}

void frmKelvaron::tmrTimeout_Timer() {
    if (!GPS || exiting_) return;
    Run_Engine(&garmin::cGarminGPS::KelvTmrTimeout_Timer);
}

// A message box shown from the engine's call runs inside that event, and the port does
// not announce again what arrived while the box was open: so the port is read again
// when the box has closed, or the transfer would wait for input that is already here.
void frmKelvaron::Run_Engine(void (garmin::cGarminGPS::*step)()) {
    const unsigned before = boxesShown_;
    (GPS.get()->*step)();
    if (boxesShown_ != before) After_Box();
}

void frmKelvaron::After_Box() {
    // Inside another box's event the outermost one reads the port when it closes.
    if (boxesOpen_ > 0) return;
    for (;;) {
        const unsigned shown = boxesShown_;
        if (!exiting_ && svc_.comm.isOpen() && svc_.comm.commEvent() == seams::kCommEvReceive)
            GPS->KelvComm_OnComm();
        if (boxesShown_ != shown) continue;
        if (deferredReport_.isEmpty()) return;
        const QString report = std::exchange(deferredReport_, QString());
        // The receiver spoke once the port was read again: it was not silent.
        if (packetsReceived_ != packetsAtReport_ || exiting_) return;
        Show_Message(report);
    }
}
