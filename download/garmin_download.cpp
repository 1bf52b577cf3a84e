#include "download/garmin_download.h"

#include <exception>
#include <limits>
#include <utility>
#include <variant>

#include "download/choices.h"
#include "download/file_messages.h"
#include "download/garmin_point.h"
#include "download/port_map.h"
#include "download/stored_settings.h"
#include "garmin/gps.h"

namespace app {

namespace {

// Unanswered product requests before the user decides whether to go on.
constexpr int kRequestsPerMessage = 4;
constexpr std::int32_t kSecondsPerRequest = 2;
// A receiver that sends no capability report has said all it will say this long after
// its product data.
constexpr double kReportWait = 0.5;

const QString kSentencesText = QStringLiteral(
    "GPS is sending NMEA or TEXT sentences.\r\n"
    "For upload/download switch the interface mode to 'GRMN/GRMN', then restart.");

// A device chosen as "usb", "usb:N" or "usb:BUS-PORTS" is a unit on USB.
bool isUsbUnit(const QString& device) {
    return device == QLatin1String("usb") || device.startsWith(QLatin1String("usb:"));
}

// "GPSMAP 67i Software Version 2.80" is a GPSMAP 67i.
QString productName(const std::string& description) {
    QString name =
        QString::fromLatin1(description.data(), static_cast<qsizetype>(description.size()));
    if (const qsizetype cut = name.indexOf(QLatin1String(" Software Version")); cut >= 0)
        name.truncate(cut);
    name = name.trimmed();
    return name.isEmpty() ? QStringLiteral("unit") : name;
}

// The engine's texts are one character per byte.
QString engineText(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

GarminDownload::GarminDownload(const DownloadServices& services, DownloadUi& ui)
    : comm_(services.comm),
      usb_(services.usb),
      deadline_(services.deadline),
      settings_(services.settings),
      ui_(ui),
      writer_(
          services.tempFiles, [this] { return ui_.fileChoices(); },
          [this](const WriterFailure& failure) { ui_.showMessage(writerFailureText(failure)); },
          services.overview),
      trackEnd_(writer_, ui),
      GPS(std::make_unique<garmin::cGarminGPS>(services.comm, services.tmrTimeout, *this)),
      speedChange_(*GPS, services.comm, services.deadline, trace_) {}

GarminDownload::~GarminDownload() = default;

void GarminDownload::Download_Garmin_Track(const PortChoice& choice) {
    ui_.setSplitLocked(true);
    usbUnit_ = isUsbUnit(choice.device) ? choice.device : QString();
    if (usbUnit_.isEmpty()) comm_.setDevice(choice.device);
    GPS->useUsb(usbUnit_.isEmpty() ? nullptr : &usb_);
    GPS->Port(static_cast<std::int16_t>(choice.port));
    GPS->portName(choice.device.toStdString());
    GPS->Settings(lineSettingsText(choice.speed).toStdString());
    if (const QString why = trace_.openChosen(choice, settings_); !why.isEmpty())
        ui_.showMessage(why);
    trace_.attach(*GPS);
    if (!openPort()) {
        // Asking a closed port who is there would only end in the Retry/Cancel message,
        // without the reason.
        QString text = usbUnit_.isEmpty() ? comm_.openFailureText() : usb_.openFailureText();
        if (text.isEmpty()) text = QStringLiteral("Cannot open port %1.").arg(portDescription());
        ui_.ended(DownloadEnd::PortNotOpened);
        ui_.showMessage(text);
        ui_.setSplitLocked(false);
        return;
    }
    receiver_ = Receiver::Unknown;
    startSpeed_ = choice.speed.toInt();
    speedChange_.reset(startSpeed_);
    // A unit on USB has no line speed to change.
    switchTo_ = usbUnit_.isEmpty() ? switchSpeed(choice) : 0;
    requests_ = 0;
    enter(State::AwaitingProduct);
}

// A USB unit is opened here, by its name; the engine's link then starts its session. What
// the user should know of the opening (a kernel driver let go of the unit) is told once,
// in a message that waits for nothing.
bool GarminDownload::openPort() {
    if (usbUnit_.isEmpty()) return GPS->PortOpen();
    if (!usb_.open(usbUnit_)) return false;
    if (const QString notice = usb_.openNotice(); !notice.isEmpty()) ui_.showMessage(notice);
    return GPS->PortOpen();
}

// The command line's choice, else the settings'; a value that is no speed leaves it at
// the default.
int GarminDownload::switchSpeed(const PortChoice& choice) const {
    if (choice.switchSpeed) return *choice.switchSpeed;
    const QString stored = storedText(settings_, key::kSwitchSpeed, QString()).trimmed();
    bool ok = false;
    const int speed = stored.toInt(&ok);
    return ok && speed >= 0 ? speed : kDefaultSwitchSpeed;
}

// What each state does as it begins. Every change of state comes through here.
void GarminDownload::enter(State state) {
    state_ = state;
    switch (state) {
        case State::Idle:
            // Back to where Save can start again: the reply timer stops and the next Save
            // opens the port afresh with the choices of that moment.
            deadline_.disarm();
            speedChange_.reset(startSpeed_);
            GPS->PortClose();
            trace_.close();
            trace_.attach(*GPS);
            receiver_ = Receiver::Unknown;
            ui_.downloadStopped();
            return;
        case State::AwaitingProduct:
            // The answer comes through onPacket while the deadline runs.
            GPS->Request_Product_Data();
            deadline_.arm(kSecondsPerRequest);
            return;
        case State::AwaitingReport:
            deadline_.arm(kReportWait);
            return;
        case State::AskingRetry:
            askRetry();
            return;
        case State::Switching:
            speedChange_.start(switchTo_, [this] { speedChangeOver(); });
            return;
        case State::Restoring:
        case State::Completing:
            speedChange_.start(startSpeed_, [this] { speedChangeOver(); });
            return;
        case State::Done:
            trackEnd_.complete(RecordCount, announcedRecords_, [this] { endProgram(); });
            return;
        case State::Transfer:  // the track request goes out as the transfer starts, not again
        case State::Released:
            return;
    }
}

bool GarminDownload::identifying() const {
    return state_ == State::AwaitingProduct || state_ == State::AwaitingReport ||
           state_ == State::AskingRetry;
}

bool GarminDownload::inProgress() const {
    return state_ != State::Idle && state_ != State::Done;
}

void GarminDownload::onDeadline() {
    if (ui_.exiting()) return;
    switch (state_) {
        case State::AwaitingProduct:
            requestWaitOver();
            return;
        case State::AwaitingReport:  // no capability report: the product data was all
            identified();
            return;
        case State::Switching:
        case State::Restoring:
        case State::Completing:
            speedChange_.onDeadline();
            return;
        case State::Idle:
        case State::AskingRetry:
        case State::Transfer:
        case State::Done:
        case State::Released:
            return;
    }
}

// Two seconds after a request. After every four unanswered requests the user chooses
// between going on and ending the program; a receiver heard sending sentences meanwhile
// has answered.
void GarminDownload::requestWaitOver() {
    if (++requests_ >= kRequestsPerMessage) {
        requests_ = 0;
        if (receiver_ == Receiver::Unknown) {
            enter(State::AskingRetry);
            return;
        }
    }
    continueIdentifying();
}

void GarminDownload::continueIdentifying() {
    if (receiver_ == Receiver::Unknown)
        enter(State::AwaitingProduct);
    else
        identified();
}

void GarminDownload::identified() {
    if (receiver_ == Receiver::Sentences) {
        ui_.ended(DownloadEnd::InterfaceMode);
        ui_.showMessage(kSentencesText);
        enter(State::Idle);
        return;
    }
    // Before the point file and the track request: a faster line for the whole track.
    if (switchTo_ > speedChange_.speed()) {
        enter(State::Switching);
        return;
    }
    startTransfer();
}

void GarminDownload::askRetry() {
    const QString port = !usbUnit_.isEmpty()        ? usbUnit_
                         : comm_.device().isEmpty() ? QString::number(GPS->Port())
                                                    : comm_.device();
    const QString text = QStringLiteral("GPS on com port %1 failed to initialze.").arg(port);
    ui_.askRetry(text, [this](bool retry) { retryAnswered(retry); });
}

// An answer that came while the question was open ends the identification at Retry.
void GarminDownload::retryAnswered(bool retry) {
    if (ui_.exiting() || state_ != State::AskingRetry) return;
    if (!retry) {
        ui_.ended(DownloadEnd::NoAnswer);
        endProgram();
        return;
    }
    continueIdentifying();
}

// The speed change under way has ended, however it went.
void GarminDownload::speedChangeOver() {
    if (state_ == State::Switching)
        switched();
    else if (state_ == State::Restoring || state_ == State::Completing)
        restored();
}

// Whatever the exchange gave, the track comes at the speed that works.
void GarminDownload::switched() {
    if (speedChanged()) ui_.linkSpeed(speedChange_.speed());
    startTransfer();
}

void GarminDownload::startTransfer() {
    GPS->Reset();
    GPS->Pvt_Data_Stop();
    if (!writer_.startDownload()) {  // the user has been told why
        restoreThen(Report::OutputFailed);
        return;
    }
    RecordCount = 0;
    packetFailureTold_ = false;
    enter(State::Transfer);
    GPS->Request_Tracks();
}

// At every end whose port is still open: the receiver goes back to the speed it was found
// at, so the next program finds it as configured. `report`, then `waiter`, follow in any
// case.
void GarminDownload::restoreThen(Report report, std::function<void()> waiter) {
    // A change under way is given up; where the port is decides what follows.
    speedChange_.abandon();
    after_ = report;
    waiters_ = std::move(waiter);
    if (!speedChanged() || !comm_.isOpen()) {
        speedChange_.reset(startSpeed_);
        restored();
        return;
    }
    enter(report == Report::Complete ? State::Completing : State::Restoring);
}

void GarminDownload::restored() {
    auto waiters = std::exchange(waiters_, {});
    tell(after_);
    if (waiters) waiters();
}

// What was kept back until the receiver was at its speed again.
void GarminDownload::tell(Report report) {
    switch (report) {
        case Report::OutputFailed:
            ui_.ended(DownloadEnd::OutputFailed);
            enter(State::Idle);
            return;
        case Report::Silence:
            enter(State::Transfer);
            reportSilence(std::exchange(silence_, {}));
            return;
        case Report::Stopped:
            enter(State::Idle);
            return;
        case Report::CutShort:
            ui_.ended(DownloadEnd::CutShort);
            enter(State::Idle);
            return;
        case Report::Released:
            enter(State::Released);
            return;
        case Report::Complete:
            enter(State::Done);
            return;
    }
}

// The receiver is on its way back to its speed already: `then` follows what was to
// follow that. True when it was taken over.
bool GarminDownload::joinRestore(std::function<void()>& then) {
    if ((state_ != State::Restoring && state_ != State::Completing) || !speedChange_.running())
        return false;
    waiters_ = [first = std::move(waiters_), then = std::move(then)] {
        if (first) first();
        then();
    };
    return true;
}

void GarminDownload::onPacket(const garmin::PacketEvent& packet) {
    // The count that the end of a transfer is checked against is the receiver's last,
    // whatever became of the rest of its packet.
    if (const auto* records = std::get_if<garmin::RecordsAnnounced>(&packet))
        announcedRecords_ = records->count;
    if (ui_.exiting()) return;
    ++packetsReceived_;
    if (speedChange_.running()) {
        speedChange_.onPacket(packet);
        return;
    }
    if (receiver_ == Receiver::Sentences) {
        // The receiver has switched to Garmin packets: ask again who it is.
        receiver_ = Receiver::Unknown;
        GPS->Request_Product_Data();
        return;
    }
    try {
        std::visit([this](const auto& event) { handle(event); }, packet);
    } catch (const std::exception& e) {
        packetFailed(QString::fromLocal8Bit(e.what()));
    }
}

// The identification ends as soon as the receiver has answered: with its capability
// report, or half a second after its product data when no report comes.
void GarminDownload::handle(const garmin::cProduct_Data& product) {
    receiver_ = Receiver::Garmin;
    productName_ = productName(product.Product_Description_1);
    if (state_ == State::AwaitingProduct || state_ == State::AwaitingReport)
        enter(State::AwaitingReport);
}

void GarminDownload::handle(const garmin::CapabilityReport&) {
    if (state_ != State::AwaitingReport) return;
    deadline_.disarm();
    if (!GPS->Offers_Track_Log()) {
        noTrackLog();
        return;
    }
    identified();
}

// Newer units keep their tracks as files on their drive and send none over the link.
void GarminDownload::noTrackLog() {
    ui_.ended(DownloadEnd::NoTrack);
    ui_.showMessage(QStringLiteral("The %1 on %2 has no track log to send: this unit hands its "
                                   "tracks over as files: see Drive or file.")
                        .arg(productName_, portDescription()));
    enter(State::Idle);
}

// Records, headers, points and the end count only while the track log is coming; before
// the request they belong to nothing of ours.
void GarminDownload::handle(const garmin::RecordsAnnounced&) {
    if (state_ != State::Transfer) return;
    RecordCount = 0;
    ui_.progress(RecordCount, announcedRecords_);
}

// Only the layouts with a header fill in its fields; the name goes to a GPX output. A
// numbered track (D311) has no name of its own.
void GarminDownload::handle(const garmin::TrackHeader& header) {
    if (state_ != State::Transfer) return;
    if (header.named) writer_.startTrack(garminTrackName(header.name));
    if (header.indexed) writer_.startTrack("Track " + std::to_string(header.index));
    ++RecordCount;
    ui_.progress(RecordCount, announcedRecords_);
}

void GarminDownload::handle(const garmin::TrackPoint& event) {
    if (state_ != State::Transfer) return;
    // A point without altitude (D300) keeps an earlier point's value in that field.
    const float elevation =
        event.hasAltitude ? event.point.Alt : std::numeric_limits<float>::quiet_NaN();
    // The caption shows the records handled before this point.
    ui_.setCaption(QStringLiteral("Kelvaron - Received %1 records").arg(RecordCount));
    Write_Track_Point(writer_, event.point, elevation);
    ++RecordCount;
    ui_.progress(RecordCount, announcedRecords_);
}

void GarminDownload::handle(const garmin::TransferComplete&) {
    if (state_ == State::Transfer) restoreThen(Report::Complete);
}

void GarminDownload::onLinkError(garmin::LinkError error, const std::string& message) {
    trace_.linkError(message);
    if (ui_.exiting()) return;
    // A refused or corrupt packet past its resends does not end the transfer: the receiver
    // sends again, or falls silent and the reply timer tells. So only the trace says it.
    if (error != garmin::LinkError::NoAnswer) return;
    switch (state_) {
        case State::AwaitingProduct:
        case State::AwaitingReport:
        case State::AskingRetry:
            // The Retry/Cancel message after four requests says it already.
            return;
        case State::Switching:
        case State::Restoring:
        case State::Completing:
            // While the speed changes, the exchange's own deadlines decide.
            if (speedChange_.running()) return;
            break;
        case State::Transfer:
            if (!speedChanged()) break;
            // The receiver goes back to its speed first, if it still can; once is enough.
            silence_ = message;
            restoreThen(Report::Silence);
            return;
        case State::Idle:
        case State::Done:
        case State::Released:
            break;
    }
    reportSilence(message);
}

void GarminDownload::reportSilence(const std::string& message) {
    QString text = engineText(message);
    const bool inTransfer = state_ == State::Transfer;
    if (inTransfer) text += QStringLiteral("\r\n") + keptPointsText(writer_.keptPoints());
    if (ui_.messagePending()) {
        ui_.afterMessages([this, text, state = state_, packets = packetsReceived_] {
            heldSilenceDue(text, state, packets);
        });
        return;
    }
    if (inTransfer) ui_.ended(DownloadEnd::CutShort);
    ui_.showMessage(text);
}

// A silence report waited its turn behind the box the user was reading; a receiver that
// has spoken again by then was not silent after all.
void GarminDownload::heldSilenceDue(const QString& text, State state, unsigned long packets) {
    if (!ui_.exiting() && state_ == state && packetsReceived_ == packets) ui_.showMessage(text);
}

void GarminDownload::onChecksumErrors(const std::string& message) {
    if (!ui_.exiting()) ui_.showMessage(engineText(message));
}

void GarminDownload::onSentence() {
    // Only an identification asks; during a transfer a "$" and a line end among the
    // bytes of a frame look like a sentence too.
    if (identifying() && receiver_ == Receiver::Unknown) receiver_ = Receiver::Sentences;
}

void GarminDownload::packetFailed(const QString& what) {
    if (packetFailureTold_) return;
    packetFailureTold_ = true;
    QString text = QStringLiteral("A packet from the receiver could not be handled: %1.").arg(what);
    if (state_ == State::Transfer)
        text += QStringLiteral("\r\n") + keptPointsText(writer_.keptPoints());
    ui_.showMessage(text);
}

void GarminDownload::portLost() {
    // A port that went away takes no speed change any more.
    const auto over = speedChange_.reset(startSpeed_);
    deadline_.disarm();
    QString text =
        QStringLiteral("The connection to the receiver on %1 was lost").arg(portDescription());
    switch (state_) {
        case State::Restoring:
        case State::Completing:
            // On the way to an end already: that end follows, without the receiver.
            if (over) over();
            return;
        case State::Transfer:
            text += QStringLiteral(" before the end of the track.\r\n") +
                    keptPointsText(writer_.keptPoints());
            writer_.closeCutShort();
            ui_.ended(DownloadEnd::CutShort);
            break;
        case State::AwaitingProduct:
        case State::AwaitingReport:
        case State::AskingRetry:
        case State::Switching:  // before the track request: the receiver never answered
            text += QStringLiteral(".");
            ui_.ended(DownloadEnd::NoAnswer);
            break;
        case State::Idle:
        case State::Done:
        case State::Released:
            return;
    }
    enter(State::Idle);
    ui_.showMessage(text);
}

// The abort command tells the receiver to stop sending; it awaits no reply, so the
// port can close right after it, once the receiver is back at its speed.
void GarminDownload::abortTransfer(std::function<void()> done) {
    if (joinRestore(done)) return;
    if (state_ == State::Switching) {
        // Stopped while the speed changes: no transfer to keep, only the speed to restore.
        restoreThen(Report::Stopped, std::move(done));
        return;
    }
    if (state_ != State::Transfer) {
        done();
        return;
    }
    GPS->Reset();
    // The kept points are named before the receiver is moved back, so that they are named
    // whatever ends the program during that wait; the end is told once it is over.
    ui_.showMessage(QStringLiteral("The transfer from the receiver on %1 was stopped.\r\n")
                        .arg(portDescription()) +
                    keptPointsText(writer_.keptPoints()));
    writer_.closeCutShort();
    restoreThen(Report::CutShort, std::move(done));
}

// The port may still be at the faster speed; the receiver goes back by itself when it is
// switched off and on.
void GarminDownload::stopWaiting() {
    if ((state_ != State::Restoring && state_ != State::Completing) || !speedChange_.running())
        return;
    if (speedChanged())
        ui_.showMessage(QStringLiteral("Not waiting for the receiver on %1 to go back to %2 bit/s: "
                                       "if it stays at %3 bit/s, switch it off and on.")
                            .arg(portDescription())
                            .arg(startSpeed_)
                            .arg(speedChange_.speed()));
    deadline_.disarm();
    GPS->Stop_Awaiting_Baud();
    speedChange_.reset(startSpeed_);
    restored();
}

// The window's Cancel in the middle of a download: the receiver stops sending and goes
// back to its speed before the program ends.
void GarminDownload::release(std::function<void()> then) {
    if (joinRestore(then)) return;
    if (!inProgress() || (!speedChanged() && !speedChange_.running())) {
        then();
        return;
    }
    if (state_ == State::Transfer) GPS->Reset();
    restoreThen(Report::Released, std::move(then));
}

void GarminDownload::endProgram() {
    writer_.dropPointFile();
    ui_.endProgram();
}

QString GarminDownload::portDescription() const {
    return usbUnit_.isEmpty() ? app::portDescription(comm_, GPS->Port()) : usbUnit_;
}

void GarminDownload::onPortEvent() {
    if (ui_.exiting()) return;
    if (comm_.commEvent() == kCommEvPortLost) {
        GPS->KelvComm_OnComm();  // forgets a partly received frame
        portLost();
        return;
    }
    GPS->KelvComm_OnComm();
}

void GarminDownload::onUsbEvent() {
    if (ui_.exiting() || !GPS->onUsb()) return;
    // The engine forgets a partly received packet; the port is closed already.
    const bool lost = usb_.commEvent() > seams::kCommErrorThreshold;
    GPS->KelvComm_OnComm();
    if (lost) portLost();
}

void GarminDownload::onTimerTick() {
    if (ui_.exiting()) return;
    GPS->KelvTmrTimeout_Timer();
}

}  // namespace app
