// Drive layouts, from drives.txt: the files a unit holds, the model it is listed as and
// the file its track log is read from; and the receivers among the mounted volumes.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>

#include "source/mounted_volumes.h"
#include "source/unit_folder.h"
#include "tests/support/case_table.h"
#include "tests/support/temp_dir.h"

namespace {

const QString kData = QStringLiteral(SOURCE_TEST_DATA);

// Lays out "PATH=DATAFILE;PATH=DATAFILE..." under `root`, each file a second newer than
// the one before.
void layOut(const QString& root, const std::string& files) {
    const QDateTime base = QDateTime::fromSecsSinceEpoch(1700000000);
    int n = 0;
    for (const QString& entry : QString::fromStdString(files).split(QLatin1Char(';'))) {
        const QStringList parts = entry.split(QLatin1Char('='));
        const QString path = root + QLatin1Char('/') + parts[0];
        QDir().mkpath(QFileInfo(path).path());
        ASSERT_TRUE(QFile::copy(kData + QLatin1Char('/') + parts[1], path)) << path.toStdString();
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        file.setFileTime(base.addSecs(n++), QFileDevice::FileModificationTime);
    }
}

// Rows "LABEL|TRACK FILE|LAYOUT": the label with the root as ROOT, the track file relative
// to it ("-" for none).
TEST(UnitFolder, LayoutRows) {
    const auto rows = testkit::tableLines(SOURCE_TEST_DATA "/drives.txt");
    EXPECT_GT(rows.size(), 5u);
    for (const std::string& row : rows) {
        const auto f = testkit::cells(row);
        testkit::TempDir dir;
        const QString root = QString::fromStdString(dir.path("UNIT"));
        layOut(root, f[2]);
        const source::UnitFolder unit(root);
        QString label = unit.label();
        label.replace(root, QStringLiteral("ROOT"));
        EXPECT_EQ(label.toStdString(), f[0]) << row;
        QString track = unit.trackFile();
        track = track.isEmpty() ? QStringLiteral("-") : track.mid(root.size() + 1);
        EXPECT_EQ(track.toStdString(), f[1]) << row;
    }
}

class FakeVolumes : public source::MountedVolumes {
  public:
    QStringList list;
    QStringList roots() const override { return list; }
};

TEST(MountedVolumes, OnlyUnitsAreListed) {
    testkit::TempDir dir;
    const QString unit = QString::fromStdString(dir.path("GARMIN"));
    const QString stick = QString::fromStdString(dir.path("STICK"));
    layOut(unit, "GARMIN/GarminDevice.xml=devices/etrex30.xml");
    layOut(stick, "Garmin/GPX/Current/Current.gpx=files/current.gpx");
    FakeVolumes volumes;
    volumes.list = {QStringLiteral("/"), stick, unit};
    const auto units = source::findUnits(volumes);
    ASSERT_EQ(units.size(), 1u);
    EXPECT_EQ(units[0].label(), QStringLiteral("eTrex 30 — ") + unit);
}

}  // namespace
