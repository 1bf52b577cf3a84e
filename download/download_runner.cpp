#include "download/download_runner.h"

#include <utility>

#include "download/drive_download.h"
#include "download/garmin_download.h"
#include "download/magellan_download.h"

namespace app {

DownloadRunner::DownloadRunner(const DownloadServices& services, RunnerUi& owner, Choices choices,
                               Lifetime lifetime, const Maker& make)
    : services_(services),
      owner_(owner),
      choices_(std::move(choices)),
      lifetime_(lifetime),
      magellan_(make(Family::Magellan, services, *this)),
      garmin_(make(Family::Garmin, services, *this)),
      drive_(make(Family::Drive, services, *this)) {
    services_.comm.setEventHandler([this] { passOn(&Download::onPortEvent); });
    services_.usb.setEventHandler([this] { passOn(&Download::onUsbEvent); });
    services_.tmrTimeout.setTickHandler([this] { passOn(&Download::onTimerTick); });
    services_.deadline.setHandler([this] { passOn(&Download::onDeadline); });
}

DownloadRunner::~DownloadRunner() {
    services_.comm.setEventHandler(nullptr);
    services_.usb.setEventHandler(nullptr);
    services_.tmrTimeout.setTickHandler(nullptr);
    services_.deadline.setHandler(nullptr);
}

std::unique_ptr<Download> DownloadRunner::makeDownload(Family family,
                                                       const DownloadServices& services,
                                                       DownloadUi& ui) {
    switch (family) {
        case Family::Garmin:
            return std::make_unique<GarminDownload>(services, ui);
        case Family::Drive:
            return std::make_unique<DriveDownload>(services, ui);
        case Family::Magellan:
            break;
    }
    return std::make_unique<MagellanDownload>(services, ui);
}

Download& DownloadRunner::current() const {
    switch (family_) {
        case Family::Garmin:
            return *garmin_;
        case Family::Drive:
            return *drive_;
        case Family::Magellan:
            break;
    }
    return *magellan_;
}

// The handlers stay installed from the runner's start to its end: a handler must not be
// taken away while it runs, and an end is told from inside one.
void DownloadRunner::passOn(void (Download::*event)()) {
    if (passing_ && !exiting_) (current().*event)();
}

void DownloadRunner::start(Family family, const PortChoice& choice) {
    family_ = family;
    told_.reset();
    reported_ = programEnds_ = overInStart_ = false;
    passing_ = true;
    starting_ = true;
    current().start(choice);
    starting_ = false;
    // A download that returns without a transfer under way is over: it failed, or read its
    // file whole.
    if (overInStart_ || !current().inProgress()) over();
}

bool DownloadRunner::busy() const {
    return magellan_->inProgress() || garmin_->inProgress() || drive_->inProgress();
}

void DownloadRunner::ended(DownloadEnd end) {
    told_ = end;
    if (lifetime_ == Lifetime::OneDownload && end != DownloadEnd::Done) over();
}

// A download that gave up lets go of the split choice as well.
void DownloadRunner::downloadStopped() {
    owner_.setSplitLocked(false);
    over();
}

void DownloadRunner::endProgram() {
    programEnds_ = true;
    over();
}

void DownloadRunner::over() {
    if (starting_) {
        overInStart_ = true;
        return;
    }
    if (reported_) return;
    reported_ = true;
    passing_ = false;
    if (lifetime_ == Lifetime::OneDownload || programEnds_) exiting_ = true;
    auto report = [this, end = told_, programEnds = programEnds_] {
        owner_.downloadEnded(end, programEnds);
    };
    // A download that ends the program ends it at once, as it asked; any other end waits
    // until the user has read what the download said.
    if (programEnds_)
        report();
    else
        owner_.afterMessages(std::move(report));
}

void DownloadRunner::release(std::function<void()> then) {
    if (releasing_) return;
    releasing_ = true;
    current().release([this, then = std::move(then)] {
        releasing_ = false;
        exiting_ = true;
        then();
    });
}

void DownloadRunner::abortTransfer(std::function<void()> done) {
    current().abortTransfer([this, done = std::move(done)] {
        done();
        over();
    });
}

}  // namespace app
