// Runs the download of the family chosen, for the window and for kelvaron-get alike: it
// makes the three downloads, hands the port's events, the reply timer's ticks and the
// deadline to the one that runs, answers the downloads' DownloadUi (passing their words on
// to its owner) and folds the ways a download can end into one report to the owner.
#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "download/download.h"
#include "download/download_services.h"
#include "download/download_ui.h"
#include "download/family.h"
#include "download/runner_ui.h"

namespace app {

class DownloadRunner final : private DownloadUi {
  public:
    // The user's file choices, read each time a download asks for them.
    using Choices = std::function<FileChoices()>;
    using Maker =
        std::function<std::unique_ptr<Download>(Family, const DownloadServices&, DownloadUi&)>;
    // kelvaron-get runs one download: the first failure told ends it, and with it the
    // program. The window runs one after another; a failure told in the middle of a
    // transfer that goes on (a receiver silent for a while) ends nothing.
    enum class Lifetime { ManyDownloads, OneDownload };

    DownloadRunner(const DownloadServices& services, RunnerUi& owner, Choices choices,
                   Lifetime lifetime, const Maker& make = makeDownload);
    ~DownloadRunner() override;
    DownloadRunner(const DownloadRunner&) = delete;
    DownloadRunner& operator=(const DownloadRunner&) = delete;

    static std::unique_ptr<Download> makeDownload(Family family, const DownloadServices& services,
                                                  DownloadUi& ui);

    void start(Family family, const PortChoice& choice);
    Family family() const { return family_; }
    // A download still works with the receiver or the file.
    bool busy() const;
    // The end the running download has told so far; a later one overrides it.
    std::optional<DownloadEnd> told() const { return told_; }
    // True once the program is ending: nothing more reaches the downloads.
    bool exiting() const override { return exiting_; }
    // Cancel: the download lets go of the receiver, then nothing more reaches it and `then`
    // runs. A second call while the first waits does nothing.
    void release(std::function<void()> then);
    // An interrupt: the transfer stops and keeps its points; `done` runs once the download
    // has let go of the receiver, and the end follows it.
    void abortTransfer(std::function<void()> done);
    void stopWaiting() { current().stopWaiting(); }
    bool trackComplete() const { return current().trackComplete(); }

  private:
    Download& current() const;
    void passOn(void (Download::*event)());
    // The download is over: the owner hears of it once.
    void over();

    // DownloadUi, for the downloads.
    void showMessage(const QString& text) override { owner_.showMessage(text); }
    void askRetry(const QString& text, std::function<void(bool)> answer) override {
        owner_.askRetry(text, std::move(answer));
    }
    void afterMessages(std::function<void()> action) override {
        owner_.afterMessages(std::move(action));
    }
    bool messagePending() const override { return owner_.messagePending(); }
    void setCaption(const QString& text) override { owner_.setCaption(text); }
    FileChoices fileChoices() const override { return choices_(); }
    void setSplitLocked(bool locked) override { owner_.setSplitLocked(locked); }
    void downloadStopped() override;
    void downloadFinished() override { over(); }
    void endProgram() override;
    void progress(std::int64_t received, std::int64_t total) override {
        owner_.progress(received, total);
    }
    void linkSpeed(int bitsPerSecond) override { owner_.linkSpeed(bitsPerSecond); }
    void ended(DownloadEnd end) override;

    const DownloadServices services_;
    RunnerUi& owner_;
    const Choices choices_;
    const Lifetime lifetime_;
    std::unique_ptr<Download> magellan_;
    std::unique_ptr<Download> garmin_;
    std::unique_ptr<Download> drive_;
    Family family_ = Family::Magellan;
    std::optional<DownloadEnd> told_;
    bool starting_ = false;     // inside the download's start()
    bool overInStart_ = false;  // it was over before start() returned
    bool passing_ = false;      // events reach the download: from its start to its end
    bool reported_ = false;     // the owner has heard of this download's end
    bool programEnds_ = false;  // the download asked for the program to end
    bool releasing_ = false;    // Cancel waits for the receiver
    bool exiting_ = false;
};

}  // namespace app
