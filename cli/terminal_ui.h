// kelvaron-get's one download on a terminal: messages as single lines on standard error,
// progress, the Retry/Cancel question answered by the --tries budget, Ctrl-C and the
// termination requests, and the end of the download as the program's exit status.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "cli/error_stream.h"
#include "cli/options.h"
#include "cli/progress_line.h"
#include "download/download_runner.h"
#include "download/runner_ui.h"

namespace cli {

class TerminalUi final : public app::RunnerUi {
  public:
    // `terminal`: standard error is a terminal, so progress is a bar.
    TerminalUi(const Options& options, const app::DownloadServices& services, bool terminal,
               const app::DownloadRunner::Maker& make = app::DownloadRunner::makeDownload);

    // Starts the download of the options' family.
    void start() { runner_.start(options_.family, options_.port); }

    void showMessage(const QString& text) override;
    void askRetry(const QString& text, std::function<void(bool)> answer) override;
    // A message on a terminal is answered once it is written (or held).
    void afterMessages(std::function<void()> action) override { action(); }
    bool messagePending() const override { return false; }
    void progress(std::int64_t received, std::int64_t total) override;
    void linkSpeed(int bitsPerSecond) override;
    void downloadEnded(std::optional<app::DownloadEnd> end, bool programEnds) override;

    // Ctrl-C or a termination request: the transfer stops, its points are kept; a second
    // one ends the wait for the receiver. After the track is complete it changes nothing.
    void interrupt(int signal);
    int exitCode() const;
    // One line on standard error, "kelvaron-get: " first.
    void say(const QString& text);

  private:
    // Leaves the event loop with the exit status of how the download ended.
    void finish();
    // The picture and the figures asked for, once the files are made; false when the
    // picture could not be written (said).
    bool writeOverview();

    const Options options_;
    ErrorStream errors_;
    ProgressLine progress_;
    int retryRounds_;  // Retry answers left
    std::optional<app::DownloadEnd> end_;
    int signal_ = 0;   // the signal that stopped the download
    int signals_ = 0;  // signals handled
    bool finishing_ = false;
    // What is said after the download told its end as Done: said at the finish, once the
    // output is written (with --quiet only if it failed after all), so a reader of
    // standard error that does not read cannot hold the output back.
    QStringList held_;
    overview::TrackOverview overview_;  // fed by the download, read at the end
    app::DownloadRunner runner_;        // last: it reports to the members above
};

}  // namespace cli
