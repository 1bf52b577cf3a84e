// Draws the window, as a user sees it at first start, into a PNG file:
//   QT_QPA_PLATFORM=offscreen kelvaron_window_shot window.png
#include <QApplication>
#include <QTemporaryDir>
#include <cstdio>

#include "app/frm_kelvaron.h"
#include "tests/support/qt/app_fakes.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <file.png>\n", argv[0]);
        return 2;
    }
    QTemporaryDir dir;
    testkit::FakePlatform fakes(dir.path());
    fakes.store.values = {{"Settings/1StUse2", "1"},
                          {"Settings/FName", "/home/dana/tracks/hike.txt"},
                          {"Settings/Reduce", "1"},
                          {"Settings/Dev", "10"}};
    frmKelvaron window(fakes.services());
    window.show();
    QApplication::processEvents();
    if (!window.grab().save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
