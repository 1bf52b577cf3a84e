// Kelvaron: downloads the track log of a GPS receiver over a serial port.
#include <QApplication>

#include "app/frm_kelvaron.h"
#include "app/qt_platform.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Kelvaron"));
    QApplication::setApplicationName(QStringLiteral("Kelvaron"));
    app::QtPlatform platform;
    frmKelvaron window(platform.services());
    window.show();
    return QApplication::exec();
}
