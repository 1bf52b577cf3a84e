// Draws the window, as a user sees it at first start, into a PNG file; with --ports, with
// a USB adapter present and the Port list open:
//   QT_QPA_PLATFORM=offscreen kelvaron_window_shot window.png [--ports]
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QPainter>
#include <QTemporaryDir>
#include <cstdio>

#include "app/frm_kelvaron.h"
#include "tests/support/qt/app_fakes.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const bool ports = argc == 3 && QByteArray(argv[2]) == "--ports";
    if (argc != 2 && !ports) {
        std::fprintf(stderr, "usage: %s <file.png> [--ports]\n", argv[0]);
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
    if (!shot.save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
