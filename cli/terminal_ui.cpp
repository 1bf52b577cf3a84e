#include "cli/terminal_ui.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QTimer>
#include <csignal>
#include <cstdio>

#include "cli/exit_code.h"

namespace cli {

namespace {

// How long a message waits for room on standard error before it is dropped.
constexpr int kMessageWaitMs = 2000;

app::DownloadServices withOverview(app::DownloadServices services,
                                   overview::TrackOverview& overview) {
    services.overview = &overview;
    return services;
}

}  // namespace

TerminalUi::TerminalUi(const Options& options, const app::DownloadServices& services, bool terminal,
                       const app::DownloadRunner::Maker& make)
    : options_(options),
      errors_(STDERR_FILENO),
      progress_(errors_, terminal,
                options.family == app::Family::Garmin  ? QStringLiteral("records")
                : options.family == app::Family::Drive ? QStringLiteral("points")
                                                       : QStringLiteral("bytes")),
      retryRounds_(roundsOf(options.tries) - 1),
      runner_(
          withOverview(services, overview_), *this, [files = options.files] { return files; },
          app::DownloadRunner::Lifetime::OneDownload, make) {}

void TerminalUi::say(const QString& text) {
    progress_.breakLine(kMessageWaitMs);
    QString line = text;
    line.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    errors_.write("kelvaron-get: " + line.toLocal8Bit() + '\n', kMessageWaitMs);
}

void TerminalUi::showMessage(const QString& text) {
    // The output is written after the message of a successful end (Garmin): it waits
    // for nobody. Before an end, or after a failed one, a message explains a failure.
    if (runner_.told() == app::DownloadEnd::Done) {
        held_ << text;
        return;
    }
    say(text);
}

// The --tries budget answers at once; nobody reads a terminal's question.
void TerminalUi::askRetry(const QString& text, std::function<void(bool)> answer) {
    if (retryRounds_ > 0) {
        --retryRounds_;
        if (!options_.quiet) say(QStringLiteral("no answer yet; asking again"));
        answer(true);
        return;
    }
    say(text +
        QStringLiteral(" No answer to %1 requests; giving up.").arg(roundsOf(options_.tries) * 4));
    answer(false);
}

void TerminalUi::progress(std::int64_t received, std::int64_t total) {
    if (!options_.quiet) progress_.update(received, total);
}

void TerminalUi::downloadEnded(std::optional<app::DownloadEnd> end, bool) {
    end_ = end;
    finish();
}

void TerminalUi::interrupt(int signal) {
    if (finishing_) return;
    // A second signal does not wait for the receiver; the points are named already.
    if (++signals_ > 1) {
        runner_.stopWaiting();
        return;
    }
    // Once every point has arrived a signal stops nothing: the output is made (a pass under
    // way cannot be undone, it may have replaced an earlier file) and the program ends as
    // it would have, saying nothing of a stop.
    if (runner_.told() == app::DownloadEnd::Done || runner_.trackComplete()) return;
    signal_ = signal;
    say(signal == SIGINT   ? QStringLiteral("interrupted by Ctrl-C (SIGINT)")
        : signal == SIGHUP ? QStringLiteral("stopped by SIGHUP")
                           : QStringLiteral("stopped by SIGTERM"));
    // A Garmin receiver moved to a faster speed is moved back before the program ends.
    runner_.abortTransfer([this] {
        // A Garmin transfer that was running has told its end and named its points.
        if (options_.family == app::Family::Garmin && !end_)
            say(QStringLiteral("the track transfer had not started; nothing was received"));
        // A file read in part keeps nothing: it can be read again whole.
        if (options_.family == app::Family::Drive && !end_)
            say(QStringLiteral("the read was stopped; no file was written"));
    });
}

void TerminalUi::linkSpeed(int bitsPerSecond) {
    if (!options_.quiet) say(QStringLiteral("receiver at %1 bit/s").arg(bitsPerSecond));
}

void TerminalUi::finish() {
    if (finishing_) return;
    finishing_ = true;
    // Later in the event loop: the end and its message may still follow.
    QTimer::singleShot(0, QCoreApplication::instance(), [this] {
        if (!options_.quiet || exitCode() != exit_code::kDone)
            for (const QString& text : held_) say(text);
        progress_.breakLine(kMessageWaitMs);
        const int code = exitCode();
        QCoreApplication::exit(
            code == exit_code::kDone && !writeOverview() ? exit_code::kOutputFailed : code);
    });
}

bool TerminalUi::writeOverview() {
    if (!overview_.ended() || overview_.empty()) return true;
    if (options_.stats != Stats::None) {
        const QByteArray text = statsText(overview_, options_.stats);
        std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), stdout);
        std::fflush(stdout);
    }
    if (options_.preview.isEmpty()) return true;
    if (const QString why = writePreview(overview_, options_.preview); !why.isEmpty()) {
        say(QStringLiteral("The picture %1 could not be written: %2").arg(options_.preview, why));
        return false;
    }
    return true;
}

int TerminalUi::exitCode() const {
    if (signal_ != 0) return exit_code::kSignalBase + signal_;
    if (!end_) return exit_code::kUnexpected;
    switch (*end_) {
        case app::DownloadEnd::Done:
            return exit_code::kDone;
        case app::DownloadEnd::PortNotOpened:
            return exit_code::kPortNotOpened;
        case app::DownloadEnd::NoAnswer:
            return exit_code::kNoAnswer;
        case app::DownloadEnd::InterfaceMode:
            return exit_code::kInterfaceMode;
        case app::DownloadEnd::CutShort:
            return exit_code::kCutShort;
        case app::DownloadEnd::OutputFailed:
            return exit_code::kOutputFailed;
        case app::DownloadEnd::OutsideGrid:
            return exit_code::kOutsideGrid;
        case app::DownloadEnd::NoTrack:
            return exit_code::kNoTrack;
        case app::DownloadEnd::Unreadable:
            return exit_code::kUnreadable;
    }
    return exit_code::kUnexpected;
}

}  // namespace cli
