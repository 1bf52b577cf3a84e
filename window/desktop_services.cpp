#include "window/desktop_services.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>
#include <cstdlib>

namespace app {

bool DesktopReadmeOpener::open(const QString& path) {
    if (!QFileInfo(path).isFile()) return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void SystemProgramExit::exitNow(int code) {
    std::exit(code);
}

}  // namespace app
