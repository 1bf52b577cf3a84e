// kelvaron-get: downloads one track from a GPS receiver, from a shell, without a window,
// through the same downloads and track file writer as the window.
#include <unistd.h>

#include <QCoreApplication>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <memory>

#include "app/drive_download.h"
#include "app/garmin_download.h"
#include "app/magellan_download.h"
#include "app/output_name.h"
#include "cli/error_stream.h"
#include "cli/exit_code.h"
#include "cli/headless_platform.h"
#include "cli/interrupt_notifier.h"
#include "cli/options.h"
#include "cli/terminal_ui.h"

namespace {

// How long a refusal waits for room on standard error before the program ends anyway.
constexpr int kErrorWaitMs = 2000;

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Kelvaron"));
    QCoreApplication::setApplicationName(QStringLiteral("Kelvaron"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KELVARON_VERSION));

    // A reader of standard error that has gone away must not end a download; what
    // cannot be written is dropped.
    std::signal(SIGPIPE, SIG_IGN);
    cli::HeadlessPlatform platform;
    const cli::Command command =
        cli::parseCommandLine(QCoreApplication::arguments(), platform.settings());
    cli::ErrorStream errors(STDERR_FILENO);
    if (!command.options) {
        if (command.exitCode == 0) {
            std::fputs(command.text.toLocal8Bit().constData(), stdout);
        } else {
            errors.write("kelvaron-get: " + command.text.toLocal8Bit() + " (see --help)\n",
                         kErrorWaitMs);
        }
        return command.exitCode;
    }
    const cli::Options& options = *command.options;
    // A name that cannot be written is refused before a download of minutes, not after.
    // A Magellan track is never split.
    const bool split = options.files.split && options.family != cli::Family::Magellan;
    if (const QString problem = app::outputNameProblem(options.files.fileName, split);
        !problem.isEmpty()) {
        errors.write("kelvaron-get: " + problem.toLocal8Bit() + '\n', kErrorWaitMs);
        return cli::exit_code::kOutputFailed;
    }
    const app::DownloadServices services = platform.services();

    cli::TerminalUi ui(options, ::isatty(STDERR_FILENO) == 1);
    std::unique_ptr<app::Download> download;
    if (options.family == cli::Family::Garmin)
        download = std::make_unique<app::GarminDownload>(services, ui);
    else if (options.family == cli::Family::Drive)
        download = std::make_unique<app::DriveDownload>(services, ui);
    else
        download = std::make_unique<app::MagellanDownload>(services, ui);
    services.comm.setEventHandler([&] {
        if (!ui.exiting()) download->onPortEvent();
    });
    services.tmrTimeout.setTickHandler([&] { download->onTimerTick(); });
    services.deadline.setHandler([&] {
        if (!ui.exiting()) download->onDeadline();
    });
    cli::InterruptNotifier interrupts([&](int signal) { ui.interrupt(*download, signal); });

    QTimer::singleShot(0, &application, [&] {
        download->start(options.port);
        // A transfer goes on from the port's events and the timers; a download that
        // did not get that far is over.
        if (!download->inProgress()) ui.finish();
    });
    const int code = QCoreApplication::exec();
    services.comm.setEventHandler(nullptr);
    services.tmrTimeout.setTickHandler(nullptr);
    services.deadline.setHandler(nullptr);
    return code;
}
