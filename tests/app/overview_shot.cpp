// Draws the box a read ends with, its message with the overview of the track, into a PNG
// file for the README: the window reads the sample hike (tests/e2e/fixtures/sample_hike.gpx)
// into the old grid, reduced at 10 degrees, in Israel's time:
//   QT_QPA_PLATFORM=offscreen TZ=Asia/Jerusalem kelvaron_overview_shot overview.png
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <cstdio>

#include "tests/support/qt/app_fakes.h"
#include "window/frm_kelvaron.h"
#include "window/overview_box.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <file.png>\n", argv[0]);
        return 2;
    }
    QTemporaryDir dir;
    testkit::FakePlatform fakes(dir.path());
    fakes.store.values = {{"Settings/1StUse2", "1"}, {"Settings/GPSType", "2"},
                          {"Settings/CorSys", "1"},  {"Settings/Reduce", "1"},
                          {"Settings/Dev", "10"},    {"Settings/FName", dir.filePath("hike.txt")}};
    fakes.dialogs.openPath = QStringLiteral(SAMPLE_HIKE);
    frmKelvaron window(fakes.services());
    auto* ports = window.findChild<QComboBox*>("cmbCOM");
    emit ports->activated(ports->count() - 1);
    window.findChild<QCheckBox*>("chkSplit")->setChecked(false);
    window.findChild<QPushButton*>("cmdSave")->click();
    if (fakes.dialogs.overviews.empty()) {
        std::fprintf(stderr, "the read showed no overview\n");
        return 1;
    }
    // The message names the temporary folder; the picture shows where a user would have it.
    QString text = fakes.dialogs.overviews[0].first;
    text.replace(dir.path(), QStringLiteral("/home/dana/tracks"));
    text.replace(QStringLiteral(SAMPLE_HIKE), QStringLiteral("/home/dana/tracks/hike.gpx"));
    app::openOverviewBox(&window, text, fakes.dialogs.overviews[0].second, {});
    auto* box = window.findChild<QDialog*>(QStringLiteral("overviewBox"));
    box->adjustSize();
    QApplication::processEvents();
    if (!box->grab().save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
