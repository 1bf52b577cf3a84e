// Draws the window, as a user sees it at first start, into a PNG file; with --ports, with
// a USB adapter present and the Port list open; with --drives, with "Drive or file" chosen,
// a unit mounted (under the temporary folder, as /tmp/media/dana/GARMIN) and a file chosen
// before, and the Port list open:
//   QT_QPA_PLATFORM=offscreen kelvaron_window_shot window.png [--ports|--drives]
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <cstdio>

#include "tests/support/qt/app_fakes.h"
#include "window/frm_kelvaron.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const bool drives = argc == 3 && QByteArray(argv[2]) == "--drives";
    const bool ports = drives || (argc == 3 && QByteArray(argv[2]) == "--ports");
    if (argc != 2 && !ports) {
        std::fprintf(stderr, "usage: %s <file.png> [--ports|--drives]\n", argv[0]);
        return 2;
    }
    QTemporaryDir dir;
    testkit::FakePlatform fakes(dir.path());
    fakes.store.values = {{"Settings/1StUse2", "1"},
                          {"Settings/FName", "/home/dana/tracks/hike.txt"},
                          {"Settings/Reduce", "1"},
                          {"Settings/Dev", "10"}};
    fakes.portList.present = {{"/dev/ttyUSB0", "ttyUSB0", "USB-Serial Controller"}};
    if (ports) fakes.store.values["Settings/Device"] = "/dev/ttyUSB0";
    const QString unit = QDir::tempPath() + "/media/dana/GARMIN";
    if (drives) {
        QDir().mkpath(unit + "/Garmin");
        QFile device(unit + "/Garmin/GarminDevice.xml");
        device.open(QIODevice::WriteOnly);
        device.write("<Device><Model><Description>eTrex 30</Description></Model></Device>\n");
        device.close();
        fakes.volumes.mounted = {"/", unit};
        fakes.store.values["Settings/GPSType"] = "2";
        fakes.store.values["Settings/Source"] = "/home/dana/tracks/2024-05-01-10-00-00.fit";
        fakes.store.values["Settings/FName"] = "/home/dana/tracks/hike.gpx";
    }
    frmKelvaron window(fakes.services());
    window.show();
    QApplication::processEvents();
    QPixmap shot = window.grab();
    if (ports) {
        // The open list is a window of its own, which grab() leaves out.
        auto* list = window.findChild<QComboBox*>("cmbCOM");
        list->showPopup();
        QApplication::processEvents();
        QWidget* popup = list->view()->window();
        const QPoint at = window.mapFromGlobal(popup->mapToGlobal(QPoint()));
        const QRect all = window.rect().united(QRect(at, popup->size()));
        QPixmap canvas(all.size() * shot.devicePixelRatio());
        canvas.setDevicePixelRatio(shot.devicePixelRatio());
        canvas.fill(window.palette().window().color());
        QPainter paint(&canvas);
        paint.drawPixmap(-all.topLeft(), shot);
        paint.drawPixmap(at - all.topLeft(), popup->grab());
        paint.end();
        shot = canvas;
    }
    if (drives) {
        QDir(unit).removeRecursively();
        QDir(QDir::tempPath()).rmpath("media/dana");  // the folders made for it, if empty
    }
    if (!shot.save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
