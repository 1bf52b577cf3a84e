// The track file writer: output names, the split at new segments, the progress
// caption, and a finishing step that reads the window's choices when it runs.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QLocale>
#include <QTemporaryDir>
#include <memory>

#include "coords/convert.h"
#include "coords/point_file.h"
#include "tests/app/support/fakes.h"
#include "tests/app/support/window_access.h"

namespace {

QByteArray Read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

garmin::cTrack Point(int i, bool newSegment) {
    garmin::cTrack t;
    t.lat = 31.5 + i * 0.001;
    t.lon = 35.1 + i * 0.002;
    t.Time = "2004/05/0" + std::to_string(1 + i % 9) + "-10:00:0" + std::to_string(i % 10);
    t.New_Segment = newSegment;
    return t;
}

// What the conversion pass makes of these points, written by hand into a point file.
QByteArray Expected(const std::vector<garmin::cTrack>& points, const QString& dir, bool grid,
                    bool reduce = false, std::int16_t dev = 10, char sep = '.') {
    const QString in = QDir(dir).filePath("expected.in");
    const QString out = QDir(dir).filePath("expected.out");
    QFile f(in);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    for (const auto& t : points) f.write(coords::formatPointRecord(t.lat, t.lon, t.Time).c_str());
    f.close();
    coords::Convert_Track_File(in.toStdString(), out.toStdString(), grid, reduce, dev, sep);
    return Read(out);
}

class WriterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fakes.store.set("1StUse2", "1");
        fakes.store.set("GPSType", "1");
        window = std::make_unique<frmKelvaron>(fakes.services());
        access = std::make_unique<frmKelvaronTestAccess>(*window);
        edit("txtFName")->setText(dir.filePath("track.txt"));
        edit("txtDev")->setText("10");
    }
    QLineEdit* edit(const char* n) { return access->control<QLineEdit>(n); }
    QCheckBox* check(const char* n) { return access->control<QCheckBox>(n); }
    QComboBox* combo(const char* n) { return access->control<QComboBox>(n); }

    // A Garmin download's file work: open the first file, write every point, finish.
    void Download(const std::vector<garmin::cTrack>& points) {
        ASSERT_TRUE(access->Set_Up_Point_File(false));
        for (const auto& t : points) {
            access->Write_Track_Point(t);
            ++access->RecordCount();
        }
        if (access->Close_Point_File()) access->Finish_Output_File();
    }
    QStringList Leftover_Point_Files() const {
        return QDir(dir.path()).entryList({"ts*"}, QDir::Files);
    }

    QTemporaryDir dir;
    kelvaron_test::FakePlatform fakes{dir.path()};
    std::unique_ptr<frmKelvaron> window;
    std::unique_ptr<frmKelvaronTestAccess> access;
};

TEST_F(WriterTest, OutputNamesAreNumberedOnlyWhenSplitting) {
    check("chkSplit")->setChecked(false);
    EXPECT_EQ(access->Make_Output_Name("/g/track.txt"), "/g/track.txt");
    EXPECT_EQ(access->SplitCount(), 0);
    check("chkSplit")->setChecked(true);
    EXPECT_EQ(access->Make_Output_Name("/g/track.txt"), "/g/track1.txt");
    EXPECT_EQ(access->Make_Output_Name("/g/track.txt"), "/g/track2.txt");
    EXPECT_EQ(access->Make_Output_Name("/g.old/track"), "/g.old/track3");
}

TEST_F(WriterTest, The32768thNumberedNameIsRefusedWithAMessage) {
    check("chkSplit")->setChecked(true);
    access->SplitCount() = 32767;
    EXPECT_FALSE(access->Set_Up_Point_File(false));
    ASSERT_EQ(fakes.dialogs.messages.size(), 1u);
    EXPECT_TRUE(fakes.dialogs.messages[0].contains("too many numbered output files"));
    EXPECT_TRUE(Leftover_Point_Files().isEmpty());
}

struct SplitCase {
    const char* name;
    bool split;
    std::vector<bool> newSegment;         // per point
    std::vector<std::vector<int>> files;  // point indexes per output file
    std::vector<const char*> names;
};

class Splitting : public WriterTest, public ::testing::WithParamInterface<SplitCase> {};

TEST_P(Splitting, EachNewSegmentAfterTheFirstStartsTheNextFile) {
    const auto& p = GetParam();
    check("chkSplit")->setChecked(p.split);
    std::vector<garmin::cTrack> points;
    for (std::size_t i = 0; i < p.newSegment.size(); ++i)
        points.push_back(Point(int(i), p.newSegment[i]));
    Download(points);
    EXPECT_TRUE(fakes.dialogs.messages.empty());
    ASSERT_EQ(p.files.size(), p.names.size());
    for (std::size_t f = 0; f < p.files.size(); ++f) {
        std::vector<garmin::cTrack> mine;
        for (int i : p.files[f]) mine.push_back(points[std::size_t(i)]);
        EXPECT_EQ(Read(dir.filePath(p.names[f])), Expected(mine, dir.path(), false)) << p.names[f];
    }
    QStringList outputs = QDir(dir.path()).entryList({"track*"}, QDir::Files);
    EXPECT_EQ(outputs.size(), qsizetype(p.names.size()));
    EXPECT_TRUE(Leftover_Point_Files().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Splitting,
    ::testing::Values(
        SplitCase{"off", false, {true, false, true, false, true}, {{0, 1, 2, 3, 4}}, {"track.txt"}},
        SplitCase{"threeStarts",
                  true,
                  {true, false, true, false, true, false},
                  {{0, 1}, {2, 3}, {4, 5}},
                  {"track1.txt", "track2.txt", "track3.txt"}},
        SplitCase{"noStart", true, {false, false, false}, {{0, 1, 2}}, {"track1.txt"}},
        SplitCase{"firstStartLater",
                  true,
                  {false, false, true, false, true},
                  {{0, 1, 2, 3}, {4}},
                  {"track1.txt", "track2.txt"}},
        SplitCase{"everyPoint",
                  true,
                  {true, true, true},
                  {{0}, {1}, {2}},
                  {"track1.txt", "track2.txt", "track3.txt"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(WriterTest, CaptionCountsTheRecordsBeforeThePoint) {
    access->Set_Up_Point_File(false);
    access->RecordCount() = 0;
    access->Write_Track_Point(Point(0, false));
    EXPECT_EQ(window->windowTitle(), "Kelvaron - Received 0 records");
    access->RecordCount() = 1234;
    access->Write_Track_Point(Point(1, false));
    EXPECT_EQ(window->windowTitle(), "Kelvaron - Received 1234 records");
}

TEST_F(WriterTest, ChoicesAreReadWhenEachFileIsFinished) {
    check("chkSplit")->setChecked(true);
    const std::vector<garmin::cTrack> first = {Point(0, true), Point(1, false), Point(2, false)};
    const std::vector<garmin::cTrack> second = {Point(3, true), Point(4, false), Point(5, false)};
    ASSERT_TRUE(access->Set_Up_Point_File(false));
    for (const auto& t : first) access->Write_Track_Point(t);
    combo("cmbCorSys")->setCurrentIndex(1);  // the user changes it during the transfer
    check("chkReduce")->setChecked(true);
    edit("txtDev")->setText("20");
    for (const auto& t : second) access->Write_Track_Point(t);
    combo("cmbCorSys")->setCurrentIndex(0);
    check("chkReduce")->setChecked(false);
    ASSERT_TRUE(access->Close_Point_File());
    ASSERT_TRUE(access->Finish_Output_File());
    EXPECT_EQ(Read(dir.filePath("track1.txt")), Expected(first, dir.path(), true, true, 20));
    EXPECT_EQ(Read(dir.filePath("track2.txt")), Expected(second, dir.path(), false, false));
}

TEST_F(WriterTest, DeviationIsRoundedHalfToEvenForThePass) {
    check("chkSplit")->setChecked(false);
    check("chkReduce")->setChecked(true);
    // A zig-zag turning by about 45 degrees at every point tells 44 from 46.
    std::vector<garmin::cTrack> points;
    for (int i = 0; i < 6; ++i) {
        garmin::cTrack t;
        t.lat = 31.5 + i * 0.01;
        t.lon = 35.1 + (i % 2) * 0.00484;
        t.Time = "t";
        points.push_back(t);
    }
    ASSERT_NE(Expected(points, dir.path(), false, true, 44),
              Expected(points, dir.path(), false, true, 46));
    const std::pair<const char*, std::int16_t> cases[] = {{"44.5", 44}, {"45.5", 46}};
    for (const auto& [text, rounded] : cases) {
        edit("txtDev")->setText(text);
        Download(points);
        EXPECT_EQ(Read(dir.filePath("track.txt")),
                  Expected(points, dir.path(), false, true, rounded))
            << text;
    }
}

TEST_F(WriterTest, TheUsersDecimalSeparatorReachesTheFile) {
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    check("chkSplit")->setChecked(false);
    const std::vector<garmin::cTrack> points = {Point(0, false), Point(1, false)};
    Download(points);
    QLocale::setDefault(before);
    const QByteArray out = Read(dir.filePath("track.txt"));
    EXPECT_EQ(out, Expected(points, dir.path(), false, false, 10, ','));
    EXPECT_TRUE(out.contains(',')) << out.constData();
}

TEST_F(WriterTest, AFailedConversionKeepsThePointFileAndSaysWhere) {
    check("chkSplit")->setChecked(false);
    edit("txtFName")->setText(dir.filePath("no/such/folder/track.txt"));
    Download({Point(0, false), Point(1, false)});
    ASSERT_EQ(fakes.dialogs.messages.size(), 1u);
    const QString text = fakes.dialogs.messages[0];
    const QStringList kept = Leftover_Point_Files();
    ASSERT_EQ(kept.size(), 1);
    EXPECT_TRUE(text.contains(dir.filePath("no/such/folder/track.txt"))) << text.toStdString();
    EXPECT_TRUE(text.contains("kept in " + dir.filePath(kept[0]))) << text.toStdString();
    EXPECT_EQ(Read(dir.filePath(kept[0])),
              QByteArray::fromStdString(
                  coords::formatPointRecord(Point(0, false).lat, Point(0, false).lon,
                                              Point(0, false).Time) +
                  coords::formatPointRecord(Point(1, false).lat, Point(1, false).lon,
                                              Point(1, false).Time)));
}

TEST_F(WriterTest, ADeviationBeyond16BitsKeepsThePointFile) {
    check("chkSplit")->setChecked(false);
    edit("txtDev")->setText("1e9");
    Download({Point(0, false)});
    ASSERT_EQ(fakes.dialogs.messages.size(), 1u);
    EXPECT_TRUE(fakes.dialogs.messages[0].contains("\"1e9\""));
    EXPECT_EQ(Leftover_Point_Files().size(), 1);
    EXPECT_FALSE(QFile::exists(dir.filePath("track.txt")));
}

// Temporary files that cannot be made, or a point file on a full disk.
class BrokenTempFiles : public app::TempFiles {
  public:
    QString create() override {
        if (path.isEmpty()) throw std::runtime_error("cannot create a file in /gone: No such file");
        return path;
    }
    QString path;
};

class BrokenWriterTest : public WriterTest {
  protected:
    void SetUp() override {
        fakes.store.set("1StUse2", "1");
        fakes.store.set("GPSType", "1");
        app::Services s = fakes.services();
        window = std::make_unique<frmKelvaron>(app::Services{s.comm, s.tmrTimeout, s.pump, s.clock,
                                                             s.settings, s.dialogs, s.readme,
                                                             broken, s.programExit});
        access = std::make_unique<frmKelvaronTestAccess>(*window);
        edit("txtFName")->setText(dir.filePath("track.txt"));
        edit("txtDev")->setText("10");
    }
    BrokenTempFiles broken;
};

TEST_F(BrokenWriterTest, NoTemporaryFileIsOneMessageNotOnePerPoint) {
    EXPECT_FALSE(access->Set_Up_Point_File(false));
    for (int i = 0; i < 5; ++i) access->Write_Track_Point(Point(i, false));
    ASSERT_EQ(fakes.dialogs.messages.size(), 1u);
    EXPECT_TRUE(fakes.dialogs.messages[0].contains("/gone"))
        << fakes.dialogs.messages[0].toStdString();
    EXPECT_TRUE(fakes.dialogs.messages[0].contains("cannot be stored"));
}

TEST_F(BrokenWriterTest, AFullDiskIsOneMessageAndNoFinishing) {
    if (!QFile::exists("/dev/full")) GTEST_SKIP();
    broken.path = "/dev/full";
    check("chkSplit")->setChecked(false);
    ASSERT_TRUE(access->Set_Up_Point_File(false));
    // Enough points to fill the stdio buffer more than once.
    for (int i = 0; i < 2000; ++i) access->Write_Track_Point(Point(i, false));
    EXPECT_FALSE(access->Close_Point_File());
    ASSERT_EQ(fakes.dialogs.messages.size(), 1u);
    EXPECT_TRUE(fakes.dialogs.messages[0].contains("Cannot write the point file /dev/full"))
        << fakes.dialogs.messages[0].toStdString();
    EXPECT_FALSE(QFile::exists(dir.filePath("track.txt")));
}

}  // namespace
