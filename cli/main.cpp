// kelvaron-get: downloads one track from a GPS receiver, from a shell, without a window,
// through the same downloads and track file writer as the window.
#include <unistd.h>

#include <QCoreApplication>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "app/garmin_download.h"
#include "app/magellan_download.h"
#include "app/output_name.h"
#include "cli/exit_code.h"
#include "cli/headless_platform.h"
#include "cli/interrupt_notifier.h"
#include "cli/options.h"
#include "cli/terminal_ui.h"

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Kelvaron"));
    QCoreApplication::setApplicationName(QStringLiteral("Kelvaron"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KELVARON_VERSION));

    cli::HeadlessPlatform platform;
    const cli::Command command =
        cli::parseCommandLine(QCoreApplication::arguments(), platform.settings());
    if (!command.options) {
        if (command.exitCode == 0) {
            std::fputs(command.text.toLocal8Bit().constData(), stdout);
        } else {
            std::fprintf(stderr, "kelvaron-get: %s (see --help)\n",
                         command.text.toLocal8Bit().constData());
        }
        return command.exitCode;
    }
    const cli::Options& options = *command.options;
    // A name that cannot be written is refused before a download of minutes, not after.
    if (const QString problem = app::outputNameProblem(options.files.fileName);
        !problem.isEmpty()) {
        std::fprintf(stderr, "kelvaron-get: %s\n", problem.toLocal8Bit().constData());
        return cli::exit_code::kOutputFailed;
    }
    const app::Services services = platform.services();

    cli::TerminalUi ui(options, ::isatty(STDERR_FILENO) == 1);
    std::unique_ptr<app::Download> download;
    if (options.family == cli::Family::Garmin)
        download = std::make_unique<app::GarminDownload>(services, ui);
    else
        download = std::make_unique<app::MagellanDownload>(services, ui);
    services.comm.setEventHandler([&] {
        if (!ui.exiting()) download->onPortEvent();
    });
    services.tmrTimeout.setTickHandler([&] { download->onTimerTick(); });
    cli::InterruptNotifier interrupts([&](int signal) { ui.interrupt(*download, signal); });

    QTimer::singleShot(0, &application, [&] {
        download->start(options.port);
        // A Magellan download is over when start() returns; a Garmin transfer goes on
        // from the port's events.
        if (!download->transferRunning()) ui.finish();
    });
    const int code = QCoreApplication::exec();
    services.comm.setEventHandler(nullptr);
    services.tmrTimeout.setTickHandler(nullptr);
    return code;
}
