// kelvaron-get: downloads one track from a GPS receiver, from a shell, without a window,
// through the same downloads and track file writer as the window.
#include <unistd.h>

#include <QCoreApplication>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <memory>

#include "cli/error_stream.h"
#include "cli/exit_code.h"
#include "cli/headless_platform.h"
#include "cli/interrupt_notifier.h"
#include "cli/options.h"
#include "cli/terminal_ui.h"
#include "cli/unit_listing.h"
#include "download/output_name.h"
#include "overview/picture_painter.h"
#include "qt/qt_usb_enumeration.h"
#include "qt/serial_ports_present.h"
#include "source/system_volumes.h"

namespace {

// How long a refusal waits for room on standard error before the program ends anyway.
constexpr int kErrorWaitMs = 2000;

// A PNG picture is painted with QtGui, which wants a QGuiApplication: on the offscreen
// platform, so that kelvaron-get still needs no display.
bool paintsPng(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const QString a = QString::fromLocal8Bit(argv[i]);
        if ((a == QLatin1String("--preview") && i + 1 < argc &&
             cli::isPngName(QString::fromLocal8Bit(argv[i + 1]))) ||
            (a.startsWith(QLatin1String("--preview=")) && cli::isPngName(a)))
            return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    const std::unique_ptr<QCoreApplication> app =
        paintsPng(argc, argv) ? overview::paintingApplication(argc, argv)
                              : std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication& application = *app;
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
    if (command.listUnits) {
        const source::SystemVolumes volumes;
        const QString list =
            cli::unitListing(app::serialPortsPresent(), app::QtUsbEnumeration().units(), volumes);
        std::fputs(list.toLocal8Bit().constData(), stdout);
        return cli::exit_code::kDone;
    }
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
    const bool split = options.files.split && options.family != app::Family::Magellan;
    if (const QString problem = app::outputNameProblem(options.files.fileName, split);
        !problem.isEmpty()) {
        errors.write("kelvaron-get: " + problem.toLocal8Bit() + '\n', kErrorWaitMs);
        return cli::exit_code::kOutputFailed;
    }
    cli::TerminalUi ui(options, platform.services(), ::isatty(STDERR_FILENO) == 1);
    cli::InterruptNotifier interrupts([&](int signal) { ui.interrupt(signal); });
    QTimer::singleShot(0, &application, [&] { ui.start(); });
    return QCoreApplication::exec();
}
