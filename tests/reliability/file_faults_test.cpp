// The user's disk refuses: an output folder that cannot be written, an output path that
// names a folder, a full disk. Each time the user is told what failed, and the received
// points stay in the temporary point file. Temporary point files are private to the user.
#include <gtest/gtest.h>

#include <ostream>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <functional>

#include "app/desktop_services.h"
#include "tests/reliability/support/reliability.h"

namespace {

using kelvaron_e2e::Read_File;
using kelvaron_reliability::Family;
using kelvaron_reliability::FileSizeLimit;
using kelvaron_reliability::Mode_Of;
using kelvaron_reliability::Session;
using kelvaron_reliability::Umask;

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

struct OutputFault {
    const char* name;
    // Prepares the folder and returns the output path the user chose.
    std::function<QString(Session&)> prepare;
    const char* reason;  // the system's words for the failure, in the message
};

void PrintTo(const OutputFault& p, std::ostream* os) {
    *os << p.name;
}

class UnwritableOutput : public ::testing::TestWithParam<OutputFault> {};

TEST_P(UnwritableOutput, SaysWhyAndKeepsThePointFile) {
    const auto& fault = GetParam();
    Session s(Family::Magellan, {"--unpaced", "--points", "150"});
    ASSERT_TRUE(s.started()) << s.simErrors().toStdString();
    const QString output = fault.prepare(s);
    s.setOutput(output);
    s.open();
    ASSERT_TRUE(s.window().save()) << "no hang";

    ASSERT_EQ(s.messages().size(), 1u) << s.allMessages();
    const std::string text = s.messages()[0];
    EXPECT_TRUE(Contains(text, "could not be written")) << text;
    EXPECT_TRUE(Contains(text, output.toStdString())) << text;
    EXPECT_TRUE(Contains(text, fault.reason)) << text;
    const QStringList kept = s.leftoverPointFiles();
    ASSERT_EQ(kept.size(), 1) << text;
    EXPECT_TRUE(Contains(text, "kept in " + kept[0].toStdString())) << text;
    ASSERT_GT(Read_File(s.dump()).count('\n'), 100);
    EXPECT_EQ(Read_File(kept[0]), Read_File(s.dump())) << "every point, as received";
    EXPECT_EQ(Mode_Of(kept[0]), 0600);
}

INSTANTIATE_TEST_SUITE_P(
    Outputs, UnwritableOutput,
    ::testing::Values(
        // Permission bits do not stop root, who runs CI; a file where a folder should be does.
        OutputFault{"ParentIsAFile",
                    [](Session& s) {
                        QFile f(s.path("notes"));
                        f.open(QIODevice::WriteOnly);
                        f.write("a file, not a folder\n");
                        return s.path("notes/track.txt");
                    },
                    "Not a directory"},
        OutputFault{"ParentIsMissing", [](Session& s) { return s.path("gone/track.txt"); },
                    "No such file or directory"},
        OutputFault{"PathNamesAFolder",
                    [](Session& s) {
                        QDir().mkpath(s.path("tracks"));
                        return s.path("tracks");
                    },
                    "Is a directory"},
        OutputFault{"DiskFull", [](Session&) { return QStringLiteral("/dev/full"); },
                    "No space left on device"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FullDisk, WhileTheReplyIsStoredTheMessageNamesThePointFile) {
    Session s(Family::Magellan, {"--unpaced", "--points", "400"});
    ASSERT_TRUE(s.started()) << s.simErrors().toStdString();
    s.open();
    {
        // Room for a few points only: the disk fills while the point file is written.
        FileSizeLimit limit(512);
        ASSERT_TRUE(limit.applied());
        ASSERT_TRUE(s.window().save()) << "no hang";
    }
    ASSERT_EQ(s.messages().size(), 1u) << s.allMessages();
    const std::string text = s.messages()[0];
    EXPECT_TRUE(Contains(text, "Cannot write the point file")) << text;
    EXPECT_TRUE(Contains(text, "File too large")) << text;
    EXPECT_TRUE(Contains(text, "kept in " + s.tempFolder().toStdString())) << text;
    EXPECT_FALSE(QFile::exists(s.output()));
}

TEST(FullDisk, NoTemporaryFolderIsOneClearMessage) {
    Session s(Family::Magellan, {"--unpaced", "--points", "50"});
    ASSERT_TRUE(s.started()) << s.simErrors().toStdString();
    s.open();
    ASSERT_TRUE(QDir(s.tempFolder()).removeRecursively());
    QFile blocker(s.tempFolder());  // a file where the temporary folder should be
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    ASSERT_TRUE(s.window().save()) << "no hang";
    ASSERT_EQ(s.messages().size(), 1u) << s.allMessages();
    const std::string text = s.messages()[0];
    EXPECT_TRUE(Contains(text, "Cannot create a temporary point file")) << text;
    EXPECT_TRUE(Contains(text, s.tempFolder().toStdString())) << text;
    EXPECT_FALSE(QFile::exists(s.output()));
}

// Names that another user could guess would let them plant a file or a link there first.
TEST(TemporaryPointFiles, AreNewPrivateAndUnguessable) {
    QTemporaryDir dir;
    app::SystemTempFiles temp(dir.path());
    const Umask permissive(0);  // the user's umask must not open them up
    QSet<QString> names;
    const QRegularExpression form("^ts[A-Za-z0-9]{6,}$");
    for (int i = 0; i < 300; ++i) {
        const QString path = temp.create();
        const QString name = QFileInfo(path).fileName();
        EXPECT_TRUE(form.match(name).hasMatch()) << name.toStdString();
        EXPECT_EQ(Mode_Of(path), 0600) << name.toStdString();
        EXPECT_EQ(QFileInfo(path).size(), 0);
        names.insert(name.mid(2));
    }
    EXPECT_EQ(names.size(), 300) << "every name new";
    // Not a counter: hardly any two names share their first four random characters.
    const QString first = *names.begin();
    int sharedPrefixes = 0;
    for (const QString& n : names) sharedPrefixes += n.left(4) == first.left(4);
    EXPECT_LT(sharedPrefixes, 10);
}

}  // namespace
