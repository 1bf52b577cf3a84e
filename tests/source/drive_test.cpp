// Drive layouts, from drives.txt: the files a unit holds, the model it is listed as and
// the file its track log is read from, or why there is none; and the receivers among the
// mounted volumes.
#include <dirent.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>

#include "source/mounted_volumes.h"
#include "source/read_error.h"
#include "source/unit_folder.h"
#include "tests/support/case_table.h"
#include "tests/support/temp_dir.h"

namespace {

const QString kData = QStringLiteral(SOURCE_TEST_DATA);

// Folders a layout closed ("PATH=mode:OCTAL"). Root reads a folder whatever its mode, and
// CI runs as root: while they are closed the test's thread goes without the two capabilities
// that let it, so the kernel refuses them as it refuses a user. They are opened again at the
// end, so that the temporary folder can be removed.
class ClosedFolders {
  public:
    ~ClosedFolders() {
        if (dropped_) ::syscall(SYS_capset, &header_, saved_);
        for (const QByteArray& p : paths_) ::chmod(p.constData(), 0755);
    }
    void close(const QString& path, unsigned mode) {
        paths_.push_back(QFile::encodeName(path));
        ::chmod(paths_.back().constData(), mode);
        if (dropped_ || ::syscall(SYS_capget, &header_, saved_) != 0) return;
        __user_cap_data_struct fewer[2] = {saved_[0], saved_[1]};
        fewer[0].effective &= ~(1u << CAP_DAC_OVERRIDE | 1u << CAP_DAC_READ_SEARCH);
        dropped_ = ::syscall(SYS_capset, &header_, fewer) == 0;
    }
    // Whether the kernel refuses the first of them (a system may let the test read it).
    bool refused() const {
        DIR* dir = ::opendir(paths_.front().constData());
        if (dir) ::closedir(dir);
        return dir == nullptr;
    }
    bool any() const { return !paths_.empty(); }

  private:
    std::vector<QByteArray> paths_;
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2]{};
    bool dropped_ = false;
};

// Lays out "PATH=DATAFILE;PATH=DATAFILE..." under `root`, each file a second newer than
// the one before; "PATH=mode:OCTAL" (after the files) closes a folder.
void layOut(const QString& root, const std::string& files, ClosedFolders* closed = nullptr) {
    const QDateTime base = QDateTime::fromSecsSinceEpoch(1700000000);
    int n = 0;
    for (const QString& entry : QString::fromStdString(files).split(QLatin1Char(';'))) {
        const QStringList parts = entry.split(QLatin1Char('='));
        const QString path = root + QLatin1Char('/') + parts[0];
        if (closed && parts[1].startsWith(QLatin1String("mode:"))) {
            closed->close(path, parts[1].mid(5).toUInt(nullptr, 8));
            continue;
        }
        QDir().mkpath(QFileInfo(path).path());
        ASSERT_TRUE(QFile::copy(kData + QLatin1Char('/') + parts[1], path)) << path.toStdString();
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        file.setFileTime(base.addSecs(n++), QFileDevice::FileModificationTime);
    }
}

// Rows "LABEL|TRACK LOG|LAYOUT[|CHOSEN]": the label with the root as ROOT; the file the
// track log is read from, relative to the root, or the message why there is none; CHOSEN a
// folder under the root named instead of the root.
TEST(UnitFolder, LayoutRows) {
    const auto rows = testkit::tableLines(SOURCE_TEST_DATA "/drives.txt");
    EXPECT_GT(rows.size(), 5u);
    int leftOut = 0;
    for (const std::string& row : rows) {
        const auto f = testkit::cells(row);
        testkit::TempDir dir;
        const QString root = QString::fromStdString(dir.path("UNIT"));
        ClosedFolders closed;
        layOut(root, f[2], &closed);
        if (closed.any() && !closed.refused()) {
            ++leftOut;
            continue;
        }
        const source::UnitFolder unit(
            f.size() > 3 ? root + QLatin1Char('/') + QString::fromStdString(f[3]) : root);
        QString label = unit.label();
        label.replace(root, QStringLiteral("ROOT"));
        EXPECT_EQ(label.toStdString(), f[0]) << row;
        QString track;
        try {
            track = unit.trackLog().mid(root.size() + 1);
        } catch (const source::ReadError& e) {
            track = QString::fromStdString(e.what()).replace(root, QStringLiteral("ROOT"));
        }
        EXPECT_EQ(track.toStdString(), f[1]) << row;
    }
    if (leftOut > 0)
        GTEST_SKIP() << leftOut << " rows of unreadable folders left out: this system lets the "
                     << "test read a folder of mode 000";
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
