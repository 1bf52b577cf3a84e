// The window reading a unit mounted as a drive or a file chosen with "File…", from
// data/drive_reads.txt: the source, the settings, the boxes shown and the output files,
// each compared with data/drive/NAME (KELVARON_REWRITE_FIXTURES=1 rewrites them). No
// temporary point file may be left behind.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>

#include "source/system_volumes.h"
#include "tests/support/qt/app_fakes.h"
#include "tests/support/qt/qt_case_table.h"
#include "window/frm_kelvaron.h"

namespace {

const QString kFiles = QStringLiteral(SOURCE_TEST_DATA "/files/");
const QString kExpected = QStringLiteral(KELVARON_APP_DATA "/drive/");

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

// "File…" chosen in the Port list, one output file, Save.
void saveChosenFile(frmKelvaron& window) {
    auto* ports = window.findChild<QComboBox*>("cmbCOM");
    emit ports->activated(ports->count() - 1);
    window.findChild<QCheckBox*>("chkSplit")->setChecked(false);
    window.findChild<QPushButton*>("cmdSave")->click();
}

// A unit as the system mounts it: the folder spelled GARMIN, its log where its
// GarminDevice.xml says.
QString mountUnit(const QString& root) {
    QDir().mkpath(root + "/GARMIN/GPX/Current");
    QFile::copy(QStringLiteral(SOURCE_TEST_DATA "/devices/etrex30.xml"),
                root + "/GARMIN/GarminDevice.xml");
    QFile::copy(kFiles + "current.gpx", root + "/GARMIN/GPX/Current/Current.gpx");
    return root + "/GARMIN/GPX/Current/Current.gpx";
}

// Rows "NAME | SOURCE | SETTINGS | BOXES | OUTPUTS": SOURCE "unit" or "file NAME" (of the
// track file fixtures, chosen with File…); settings as stored ("split=0" unticks the split
// box, "again=1" presses Save once more); boxes joined by ";;" with {source} for the file
// read and {dir} for the folder of the outputs; outputs the files the
// folder holds afterwards, each compared with data/drive/NAME-FILE.
TEST(DriveRead, WindowRows) {
    for (const QStringList& row : testkit::qtTableRows(KELVARON_APP_DATA "/drive_reads.txt")) {
        QTemporaryDir dir;
        QDir(dir.path()).mkdir("tmp");
        testkit::FakePlatform fakes(dir.filePath("tmp"));
        fakes.store.values = {
            {"Settings/1StUse2", "1"}, {"Settings/GPSType", "2"}, {"Settings/Dev", "10"}};
        for (const auto& [key, value] : testkit::keyValues(row[2]))
            fakes.store.values["Settings/" + key] = value;
        fakes.store.values["Settings/FName"] = dir.filePath(fakes.store.values["Settings/FName"]);
        QString source;
        const bool unit = row[1] == "unit";
        if (unit) {
            fakes.volumes.mounted = {"/", dir.filePath("media")};
            source = mountUnit(dir.filePath("media"));
        } else {
            source = kFiles + row[1].section(' ', 1);
            fakes.dialogs.openPath = source;
        }
        frmKelvaron window(fakes.services());
        auto* ports = window.findChild<QComboBox*>("cmbCOM");
        EXPECT_EQ(ports->itemText(0).toStdString(),
                  (unit ? "eTrex 30 — " + dir.filePath("media") : QString("File…")).toStdString());
        if (!unit) emit ports->activated(ports->count() - 1);
        if (fakes.store.values["Settings/split"] == "0")
            window.findChild<QCheckBox*>("chkSplit")->setChecked(false);
        for (int n = fakes.store.values["Settings/again"].toInt(); n >= 0; --n)
            window.findChild<QPushButton*>("cmdSave")->click();

        const QStringList boxes(fakes.dialogs.messages.begin(), fakes.dialogs.messages.end());
        EXPECT_EQ(boxes.join(";;").toStdString(), QString(row[3])
                                                      .replace("{source}", source)
                                                      .replace("{dir}", dir.path())
                                                      .replace("\\r\\n", "\r\n")
                                                      .toStdString());
        EXPECT_EQ(window.windowTitle(), "Kelvaron");
        EXPECT_TRUE(QDir(dir.filePath("tmp")).isEmpty());
        QStringList made = QDir(dir.path()).entryList(QDir::Files, QDir::Name);
        EXPECT_EQ(made.join(' ').toStdString(), row[4].toStdString()) << row[0].toStdString();
        for (const QString& name : made) {
            const QString expected = kExpected + row[0] + "-" + name;
            if (qEnvironmentVariableIsSet("KELVARON_REWRITE_FIXTURES")) {
                QFile::remove(expected);
                QFile::copy(dir.filePath(name), expected);
            }
            EXPECT_EQ(bytesOf(dir.filePath(name)), bytesOf(expected)) << expected.toStdString();
        }
        EXPECT_EQ(fakes.store.values["Settings/Source"].toStdString(),
                  (unit ? dir.filePath("media") : source).toStdString());
    }
}

// The end message of a file read whole carries the overview: a row per track, as the
// output is not split, in Israel's time, and the picture with the profile's strip.
TEST(DriveRead, OverviewBesideTheEndMessage) {
    setenv("TZ", "Asia/Jerusalem", 1);
    tzset();
    QTemporaryDir dir;
    QDir(dir.path()).mkdir("tmp");
    testkit::FakePlatform fakes(dir.filePath("tmp"));
    fakes.store.values = {{"Settings/1StUse2", "1"},
                          {"Settings/GPSType", "2"},
                          {"Settings/Dev", "10"},
                          {"Settings/FName", dir.filePath("t.gpx")}};
    fakes.dialogs.openPath = kFiles + "current.gpx";
    frmKelvaron window(fakes.services());
    saveChosenFile(window);
    window.findChild<QPushButton*>("cmdSave")->click();  // a second read shows its own

    ASSERT_EQ(fakes.dialogs.overviews.size(), 2u);
    const auto& [text, shown] = fakes.dialogs.overviews[0];
    EXPECT_TRUE(text.startsWith("Read 9 points from ")) << text.toStdString();
    EXPECT_EQ(fakes.dialogs.messages.size(), 2u);
    QStringList rows;
    for (const QStringList& row : shown.rows) rows << row.join('|');
    EXPECT_EQ(rows.join('\n').toStdString(),
              "Current Track: 01 MAY 2024 10:00|2024-05-01 10:00:05 IDT (UTC+03:00)|"
              "2024-05-01 10:20:31 IDT (UTC+03:00)|0:20:26|96 m|7 m|0 m|5\n"
              "Hermon ridge|2024-04-20 08:10:00 IDT (UTC+03:00)|2024-04-20 08:12:00 IDT "
              "(UTC+03:00)|0:02:00|86 m|11 m|0 m|2\n"
              "Planned, no times|N/A|N/A|N/A|146 m|0 m|0 m|2");
    EXPECT_EQ(shown.headings.size(), 8);
    EXPECT_EQ(shown.picture.width, 560);
    EXPECT_EQ(shown.picture.height, 400 + overview::kProfileHeight);
}

// A read whose file cannot be made (a point outside the new grid's area) ends with its
// messages alone.
TEST(DriveRead, NoOverviewWhenTheFileFails) {
    QTemporaryDir dir;
    QDir(dir.path()).mkdir("tmp");
    testkit::FakePlatform fakes(dir.filePath("tmp"));
    fakes.store.values = {{"Settings/1StUse2", "1"},
                          {"Settings/GPSType", "2"},
                          {"Settings/Dev", "10"},
                          {"Settings/CorSys", "2"},
                          {"Settings/FName", dir.filePath("t.txt")}};
    fakes.dialogs.openPath = kFiles + "phone.gpx";
    frmKelvaron window(fakes.services());
    saveChosenFile(window);
    ASSERT_FALSE(fakes.dialogs.messages.empty());
    EXPECT_TRUE(fakes.dialogs.messages[0].contains("outside the area"))
        << fakes.dialogs.messages[0].toStdString();
    EXPECT_TRUE(fakes.dialogs.overviews.empty());
}

// A unit plugged in after the start is offered when the list next opens; "File…" cancelled
// leaves the list on what was chosen.
TEST(DriveRead, ListIsReadAgainAndFileCancelledKeepsTheChoice) {
    QTemporaryDir dir;
    testkit::FakePlatform fakes(dir.path());
    fakes.store.values = {{"Settings/1StUse2", "1"}, {"Settings/GPSType", "2"}};
    frmKelvaron window(fakes.services());
    auto* ports = window.findChild<QComboBox*>("cmbCOM");
    ASSERT_EQ(ports->count(), 1);
    mountUnit(dir.filePath("media"));
    fakes.volumes.mounted = {dir.filePath("media")};
    ports->showPopup();
    ports->hidePopup();
    ASSERT_EQ(ports->count(), 2);
    EXPECT_EQ(ports->currentData().toString(), dir.filePath("media"));
    emit ports->activated(1);  // File…, cancelled
    EXPECT_EQ(ports->currentIndex(), 0);
    EXPECT_EQ(window.findChild<QComboBox*>("cmbSpeed")->isEnabled(), false);
}

// A GPX longer than one step of reading.
QString writeLongGpx(const QString& path, int points) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return path;
    f.write("<gpx xmlns=\"http://www.topografix.com/GPX/1/1\" version=\"1.1\"><trk><trkseg>");
    for (int i = 0; i < points; ++i)
        f.write(QStringLiteral("<trkpt lat=\"%1\" lon=\"35.2\"/>")
                    .arg(31.5 + i * 1e-5, 0, 'f', 5)
                    .toUtf8());
    f.write("</trkseg></trk></gpx>");
    return path;
}

// A long file is read in steps: the window counts the points in its caption between them,
// keeps its inputs locked, and ends as a short read does; Cancel between two steps ends
// the program and leaves no file.
TEST(DriveRead, LongFileInStepsAndCancelled) {
    QTemporaryDir dir;
    QDir(dir.path()).mkdir("tmp");
    testkit::FakePlatform fakes(dir.filePath("tmp"));
    const QString file = writeLongGpx(dir.filePath("long.gpx"), 25000);
    fakes.store.values = {{"Settings/1StUse2", "1"},
                          {"Settings/GPSType", "2"},
                          {"Settings/Dev", "10"},
                          {"Settings/FName", dir.filePath("t.txt")},
                          {"Settings/Source", file}};
    frmKelvaron window(fakes.services());
    window.findChild<QCheckBox*>("chkSplit")->setChecked(false);
    auto* save = window.findChild<QPushButton*>("cmdSave");
    save->click();
    EXPECT_EQ(window.windowTitle(), "Kelvaron - Read 10000 points");
    EXPECT_FALSE(save->isEnabled());
    for (int step = 0; step < 10 && fakes.dialogs.messages.empty(); ++step) fakes.deadline.pass(0);
    ASSERT_EQ(fakes.dialogs.messages.size(), 1u);
    EXPECT_EQ(fakes.dialogs.messages.front().toStdString(),
              QStringLiteral("Read 25000 points from %1.\r\nWrote 25,000 of 25,000 points to %2.")
                  .arg(file, dir.filePath("t.txt"))
                  .toStdString());
    EXPECT_EQ(window.windowTitle(), "Kelvaron");
    EXPECT_TRUE(save->isEnabled());
    EXPECT_TRUE(QFile::exists(dir.filePath("t.txt")));
    QFile::remove(dir.filePath("t.txt"));

    save->click();
    fakes.deadline.pass(0);
    window.findChild<QPushButton*>("cmdCancel")->click();
    EXPECT_EQ(fakes.exit.codes, std::vector<int>{0});
    EXPECT_FALSE(QFile::exists(dir.filePath("t.txt")));
    EXPECT_TRUE(QDir(dir.filePath("tmp")).isEmpty());
}

// A FIFO nobody writes: Save returns at once and the read waits by its deadline, so the
// window stays alive and Cancel ends the program as it does during any read.
TEST(DriveRead, FifoNobodyWritesIsCancelled) {
    QTemporaryDir dir;
    QDir(dir.path()).mkdir("tmp");
    testkit::FakePlatform fakes(dir.filePath("tmp"));
    const QString fifo = dir.filePath("p.gpx");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    fakes.store.values = {{"Settings/1StUse2", "1"},
                          {"Settings/GPSType", "2"},
                          {"Settings/Dev", "10"},
                          {"Settings/FName", dir.filePath("t.txt")},
                          {"Settings/Source", fifo}};
    frmKelvaron window(fakes.services());
    auto* save = window.findChild<QPushButton*>("cmdSave");
    save->click();
    for (int tick = 0; tick < 3; ++tick) fakes.deadline.pass(1);
    EXPECT_TRUE(fakes.dialogs.messages.empty());
    EXPECT_FALSE(save->isEnabled());
    window.findChild<QPushButton*>("cmdCancel")->click();
    EXPECT_EQ(fakes.exit.codes, std::vector<int>{0});
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).join(' ').toStdString(), "");
    EXPECT_TRUE(QDir(dir.filePath("tmp")).isEmpty());
}

// A media device as GNOME mounts it, one folder per storage under the user's runtime folder:
// the window lists it among the system's volumes and reads it as it reads a drive.
TEST(DriveRead, MediaDeviceInTheDesktopsMountIsListedAndRead) {
    QTemporaryDir dir;
    QDir(dir.path()).mkdir("tmp");
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    const auto restore = qScopeGuard([&] {
        runtime.isNull() ? qunsetenv("XDG_RUNTIME_DIR") : qputenv("XDG_RUNTIME_DIR", runtime);
    });
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir.filePath("run")));
    const QString storage =
        dir.filePath("run/gvfs/mtp:host=091e_4cda_0000cafe1234/Internal Storage");
    const QString log = mountUnit(storage);
    testkit::FakePlatform fakes(dir.filePath("tmp"));
    fakes.store.values = {{"Settings/1StUse2", "1"},
                          {"Settings/GPSType", "2"},
                          {"Settings/Dev", "10"},
                          {"Settings/FName", dir.filePath("t.txt")}};
    source::SystemVolumes system;
    const app::Services services{fakes.comm,     fakes.timer,  fakes.deadline,  fakes.store,
                                 fakes.dialogs,  fakes.readme, fakes.tempFiles, fakes.exit,
                                 fakes.portList, system};
    frmKelvaron window(services);
    window.findChild<QCheckBox*>("chkSplit")->setChecked(false);
    auto* ports = window.findChild<QComboBox*>("cmbCOM");
    const int unit = ports->findData(storage);
    ASSERT_GE(unit, 0);
    EXPECT_EQ(ports->itemText(unit), "eTrex 30 — " + storage);
    ports->setCurrentIndex(unit);
    window.findChild<QPushButton*>("cmdSave")->click();
    ASSERT_EQ(fakes.dialogs.messages.size(), 1u);
    EXPECT_EQ(fakes.dialogs.messages.front().toStdString(),
              QStringLiteral("Read 9 points from %1.\r\nWrote 9 of 9 points to %2.")
                  .arg(log, dir.filePath("t.txt"))
                  .toStdString());
}

}  // namespace
