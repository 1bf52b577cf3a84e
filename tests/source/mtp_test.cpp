// Media devices: the kernel's mount table read from its text (mount_lines.txt), and the
// storages found under a runtime folder and a mount table laid out in a temporary folder
// (mtp_storages.txt), with the units among them.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "source/mount_table.h"
#include "source/mtp_storages.h"
#include "tests/support/case_table.h"
#include "tests/support/temp_dir.h"

namespace {

const QString kData = QStringLiteral(SOURCE_TEST_DATA);

// Rows "LINE|MOUNT POINT|TYPE", or "LINE|-" for a line passed over.
TEST(MountTable, LineRows) {
    for (const std::string& row : testkit::tableLines(SOURCE_TEST_DATA "/mount_lines.txt")) {
        const auto f = testkit::cells(row);
        const auto mounts = source::parseMountTable(QByteArray::fromStdString(f[0]));
        std::string got = "-";
        if (mounts.size() == 1)
            got = QFile::encodeName(mounts[0].mountPoint).toStdString() + "|" +
                  mounts[0].type.toStdString();
        const std::string expected = f[1] == "-" ? f[1] : testkit::unescape(f[1]) + "|" + f.at(2);
        EXPECT_EQ(got, expected) << row;
    }
}

// "PATH=DATAFILE;PATH/;..." under `root`: the data file copied there, or a folder made. A
// path may hold "=", as gvfs's names do: the data file follows the last.
void layOut(const QString& root, const QString& entries) {
    for (const QString& entry : entries.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        if (entry.endsWith(QLatin1Char('/'))) {
            QDir().mkpath(root + QLatin1Char('/') + entry);
            continue;
        }
        const qsizetype at = entry.lastIndexOf(QLatin1Char('='));
        const QString path = root + QLatin1Char('/') + entry.left(at);
        QDir().mkpath(QFileInfo(path).path());
        ASSERT_TRUE(QFile::copy(kData + QLatin1Char('/') + entry.mid(at + 1), path))
            << path.toStdString();
    }
}

QString mountTable(const QString& root, const std::string& fixture) {
    const QString path = root + QStringLiteral("/mountinfo");
    if (fixture == "-") return path;
    QFile in(kData + QStringLiteral("/mount_tables/") + QString::fromStdString(fixture));
    QFile out(path);
    EXPECT_TRUE(in.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly));
    out.write(in.readAll().replace("ROOT", QFile::encodeName(root)));
    return path;
}

// Rows "LAYOUT|MOUNT TABLE|STORAGES|UNITS", paths under ROOT.
TEST(MtpStorages, LookupRows) {
    for (const std::string& row : testkit::tableLines(SOURCE_TEST_DATA "/mtp_storages.txt")) {
        auto f = testkit::cells(row);
        f.resize(4);  // a row that ends in empty cells
        testkit::TempDir dir;
        const QString root = QString::fromStdString(dir.path("m"));
        QDir().mkpath(root);
        layOut(root, QString::fromStdString(f[0]));
        const source::MtpStorages storages({root + QStringLiteral("/run"), mountTable(root, f[1])});
        QStringList units;
        for (const source::UnitFolder& unit : source::findUnits(storages)) units << unit.label();
        const auto shown = [&](const QStringList& list) {
            return list.join(QLatin1Char(';')).replace(root, QStringLiteral("ROOT")).toStdString();
        };
        EXPECT_EQ(shown(storages.roots()), f[2]) << row;
        EXPECT_EQ(shown(units), f[3]) << row;
    }
}

TEST(MtpStorages, RuntimeFolderWithoutTheVariable) {
    EXPECT_EQ(source::runtimeDirOf(QStringLiteral("/tmp/rt"), 1000), QStringLiteral("/tmp/rt"));
    EXPECT_EQ(source::runtimeDirOf(QString(), 1000), QStringLiteral("/run/user/1000"));
}

}  // namespace
