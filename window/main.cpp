// Kelvaron: downloads the track log of a GPS receiver over a serial port.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "window/frm_kelvaron.h"
#include "window/qt_platform.h"

namespace {

const char* const kHelp =
    "Usage: kelvaron [options]\n"
    "Downloads the track log of a GPS receiver on a serial port, in a window.\n"
    "\n"
    "Options:\n"
    "  -h, --help     Displays this help.\n"
    "  -v, --version  Displays version information.\n"
    "Qt's own options, such as -platform, are passed on to Qt.\n"
    "\n"
    "The window's choices are kept in ~/.config/Kelvaron/Kelvaron.conf. kelvaron-get\n"
    "downloads the same way from a shell, without a window.\n";

bool given(int argc, char** argv, const char* shortName, const char* longName) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], shortName) == 0 || std::strcmp(argv[i], longName) == 0)
            return true;
    return false;
}

bool set(const char* variable) {
    const char* value = std::getenv(variable);
    return value != nullptr && *value != '\0';
}

// Without a display Qt's platform plugin aborts with a message about plugins that
// tells nobody what to do; a desktop session, or a platform chosen by hand, has one.
bool displayKnown(int argc, char** argv) {
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    if (set("DISPLAY") || set("WAYLAND_DISPLAY") || set("QT_QPA_PLATFORM")) return true;
    return given(argc, argv, "-platform", "--platform");
#else
    (void)argc;
    (void)argv;
    return true;
#endif
}

}  // namespace

int main(int argc, char** argv) {
    // Answered before the application object exists: they need no display.
    if (given(argc, argv, "-h", "--help")) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    if (given(argc, argv, "-v", "--version")) {
        std::puts("kelvaron " KELVARON_VERSION);
        return 0;
    }
    if (!displayKnown(argc, argv)) {
        std::fputs(
            "kelvaron: no display: neither DISPLAY nor WAYLAND_DISPLAY is set; start it from a "
            "desktop session, or use kelvaron-get\n",
            stderr);
        return 1;
    }
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Kelvaron"));
    QApplication::setApplicationName(QStringLiteral("Kelvaron"));
    app::QtPlatform platform;
    frmKelvaron window(platform.services());
    window.show();
    return QApplication::exec();
}
