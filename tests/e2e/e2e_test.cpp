// The end-to-end driver: each row of rows.txt is one download through the real window and
// Qt serial port against kelvaron-sim on a pseudo-terminal, its outputs compared byte for
// byte with the conversion of the simulator's --dump-track or with a fixture file.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <QCheckBox>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <csignal>
#include <map>

#include "tests/support/convert_oracle.h"
#include "tests/support/qt/e2e_harness.h"

namespace {

using testkit::readBytes;

struct Row {
    QString name;
    QStringList sim;
    std::map<QString, QString> opts;  // settings, events and outcome, "key" or "key=value"
    QStringList messages;
    bool checkMessages = true;
};

std::vector<Row> loadRows() {
    std::vector<Row> rows;
    QFile f(QStringLiteral(KELVARON_E2E_DATA "/rows.txt"));
    if (!f.open(QIODevice::ReadOnly)) return rows;
    for (const QString& line : QString::fromUtf8(f.readAll()).split('\n')) {
        if (line.trimmed().isEmpty() || line.startsWith('#')) continue;
        const QStringList cols = line.split(QStringLiteral(" | "));
        Row r;
        r.name = cols.value(0).trimmed();
        r.sim = cols.value(1).split(' ', Qt::SkipEmptyParts);
        for (const QString& s : cols.value(2).split(' ', Qt::SkipEmptyParts) +
                                    cols.value(3).split(' ', Qt::SkipEmptyParts))
            r.opts[s.section(QRegularExpression("[=@:]"), 0, 0)] =
                s.section(QRegularExpression("[=@:]"), 1);
        const QString m = cols.value(4).trimmed().replace(QStringLiteral("\\r\\n"), "\r\n");
        r.checkMessages = m != "*";
        if (r.checkMessages && !m.isEmpty()) r.messages = m.split(QStringLiteral(";;"));
        rows.push_back(r);
    }
    return rows;
}

// Lowers the limit on the size of files this process writes, as a full disk would stop
// it (writes fail with EFBIG rather than a signal); restored when it goes.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(long long bytes) {
        if (bytes <= 0 || ::getrlimit(RLIMIT_FSIZE, &before_) != 0) return;
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = before_;
        lowered.rlim_cur = static_cast<rlim_t>(bytes);
        applied_ = ::setrlimit(RLIMIT_FSIZE, &lowered) == 0;
    }
    ~FileSizeLimit() {
        if (applied_) ::setrlimit(RLIMIT_FSIZE, &before_);
    }

  private:
    rlimit before_{};
    bool applied_ = false;
};

int modeOf(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

QByteArray dumpLines(const QString& dump, qsizetype from, qsizetype to, const QString& part) {
    const QByteArrayList lines = readBytes(dump).split('\n');
    QByteArray bytes;
    for (qsizetype i = from; i < to && i < lines.size(); ++i) bytes += lines[i] + '\n';
    QFile f(part);
    if (f.open(QIODevice::WriteOnly)) f.write(bytes);
    return bytes;
}

QByteArray converted(const QString& pointFile, const std::map<QString, QString>& o) {
    return QByteArray::fromStdString(
        testkit::convertedBytes(pointFile.toStdString(), o.at("CorSys") == "1",
                                o.at("Reduce") == "1", o.at("Dev").toInt()));
}

class EndToEnd : public ::testing::TestWithParam<Row> {};

TEST_P(EndToEnd, Row) {
    Row row = GetParam();
    auto& o = row.opts;
    QTemporaryDir tmp;
    const QString dir = tmp.path();
    const QString dump = dir + "/dump.txt";
    for (QString& s : row.sim) s.replace("fixture:", KELVARON_E2E_DATA "/fixtures/");
    testkit::SimReceiver sim(dir, row.sim + QStringList{"--dump-track", dump});
    ASSERT_TRUE(sim.started()) << sim.errors().toStdString();

    for (const auto& [key, value] : std::map<QString, QString>{{"COM", "0"},
                                                               {"Speed", "11"},
                                                               {"CorSys", "0"},
                                                               {"Reduce", "0"},
                                                               {"Dev", "10"},
                                                               {"FName", "track.txt"},
                                                               {"split", "0"},
                                                               {"limit", "60000"}})
        o.try_emplace(key, value);
    if (o.count("blockfile")) QFile(dir + '/' + o["blockfile"]).open(QIODevice::WriteOnly);
    if (o.count("mkdir")) QDir(dir).mkpath(o["mkdir"]);
    const QString out = o["FName"].startsWith('/') ? o["FName"] : dir + '/' + o["FName"];
    testkit::LiveWindow w(dir);
    w.mapPort(1, o.count("nodevice") ? dir + "/no-such-device" : sim.link());
    for (const char* key : {"GPSType", "COM", "Speed", "CorSys", "Reduce", "Dev"})
        w.set(key, o[key]);
    w.set("FName", out);
    w.open();
    w.control<QCheckBox>("chkSplit")->setChecked(o["split"] == "1");
    if (o.count("notmp")) {
        QDir(w.tempFolder()).removeRecursively();
        QFile(w.tempFolder()).open(QIODevice::WriteOnly);
    }
    if (o.count("cancel")) w.after(o["cancel"].toInt(), [&w] { w.cancel(); });
    const QString unplug = o.count("unplug") ? o["unplug"] : QString();
    std::function<void()> watch = [&] {  // unplugs once the caption counts enough records
        if (w.caption().section(' ', 3, 3).toInt() < unplug.section(':', 1).toInt())
            return w.after(20, watch);
        sim.unplug();
    };
    if (unplug.startsWith("records:")) {
        w.after(20, watch);
    } else if (!unplug.isEmpty()) {
        w.after(unplug.toInt(), [&sim] { sim.unplug(); });
    }
    bool boxShown = false;
    if (o.count("box"))
        w.dialogs.onMessage = [&](const QString&) {
            if (std::exchange(boxShown, true)) return;
            QEventLoop box;  // the user reads the first box for a while
            QTimer::singleShot(o["box"].toInt(), &box, &QEventLoop::quit);
            box.exec();
        };
    {
        FileSizeLimit limit(o["fsize"].toLongLong());
        ASSERT_TRUE(testkit::runDownload(w, o["limit"].toInt())) << "no hang: " << w.allMessages();
        if (o["exit"] == "0") {
            ASSERT_TRUE(w.runUntil([&] { return !w.exit.codes.empty(); })) << w.allMessages();
        }
    }
    if (o["exit"] == "none") w.runUntil([] { return false; }, 300);  // nothing more follows
    const std::string said = w.allMessages();

    const QStringList kept = w.leftoverPointFiles();
    const QByteArray written = QFileInfo(out).isFile() ? readBytes(out) : QByteArray();
    const QByteArray all = converted(dump, o);
    const QString expectOut = o["out"];
    if (expectOut == "dump") {
        EXPECT_EQ(written, all);
    }
    if (expectOut == "none") {
        EXPECT_FALSE(QFile::exists(out));
    }
    if (expectOut.startsWith("fixture:")) {
        EXPECT_EQ(written, readBytes(KELVARON_E2E_DATA "/fixtures/" + expectOut.mid(8)));
    }
    if (expectOut == "prefix") {
        const auto c = testkit::compareLines(all, written);
        EXPECT_TRUE(c.prefix && c.written > 0 && c.written < c.expected) << c.written;
    }
    if (o.count("parts")) {
        int n = 0;
        for (const QString& part : o["parts"].split(',')) {
            const QString file = dir + QStringLiteral("/part%1.txt").arg(++n);
            dumpLines(dump, part.section('-', 0, 0).toInt(), part.section('-', 1).toInt(), file);
            EXPECT_EQ(readBytes(QStringLiteral("%1/track%2.txt").arg(dir).arg(n)),
                      converted(file, o))
                << "file " << n;
        }
        EXPECT_FALSE(QFile::exists(QStringLiteral("%1/track%2.txt").arg(dir).arg(n + 1)));
    }
    if (o["kept"] == "none") {
        EXPECT_TRUE(kept.isEmpty()) << said;
    }
    if (o["kept"] == "prefix") {
        ASSERT_EQ(kept.size(), 1) << said;
        const QByteArray got = readBytes(kept[0]);
        EXPECT_TRUE(readBytes(dump).startsWith(got) && got.size() < readBytes(dump).size());
        EXPECT_TRUE(o.count("fsize") || got.endsWith("\r\n")) << "on disk to the last point";
        EXPECT_EQ(modeOf(kept[0]), 0600);
        if (o.count("keptlines")) {
            EXPECT_EQ(got.count('\n'), o["keptlines"].toInt());
        }
    }
    if (o["kept"] == "all") {
        // Every point once, in the files the messages name, in their order.
        QByteArray points;
        for (const QString& m : w.dialogs.messages)
            for (const QString& f : kept)
                if (m.contains(f)) points += readBytes(f);
        EXPECT_EQ(points, readBytes(dump)) << said;
        for (const QString& f : kept) {
            EXPECT_EQ(modeOf(f), 0600);
        }
    }
    if (o["exit"] == "0") {
        EXPECT_EQ(w.exit.codes, std::vector<int>{0});
    }
    if (o["exit"] == "none") {
        EXPECT_TRUE(w.exit.codes.empty());
    }
    if (o.count("simdone")) {
        EXPECT_TRUE(sim.finished()) << sim.errors().toStdString();
    }
    if (o.count("caption")) {
        EXPECT_TRUE(w.caption().startsWith(o["caption"].replace('_', ' ')))
            << w.caption().toStdString();
    }
    for (const char* name : {"cmdSave", "cmbCOM", "cmbSpeed", "cmdBrowse", "txtFName", "cmbCorSys",
                             "chkReduce", "txtDev", "cmbGPSType"}) {
        EXPECT_TRUE(!o.count("ready") || w.control(name)->isEnabled()) << name;
    }

    if (!row.checkMessages) return;
    ASSERT_EQ(w.dialogs.messages.size(), std::size_t(row.messages.size())) << said;
    const qsizetype points = readBytes(dump).count('\n');
    for (qsizetype i = 0; i < row.messages.size(); ++i) {
        QString want = row.messages[i];
        want.replace("{kept}", kept.value(0)).replace("{link}", sim.link()).replace("{dir}", dir);
        want.replace("{tmp}", w.tempFolder()).replace("{out}", out);
        want.replace("{outlines}", QString::number(written.count('\n')));
        want.replace(QRegularExpression("\\{points\\+(\\d+)\\}"), "%POINTS%\\1");
        if (want.contains("%POINTS%")) {
            const int k = want.section("%POINTS%", 1).section(' ', 0, 0).toInt();
            want.replace(QRegularExpression("%POINTS%\\d+"), QString::number(points + k));
        }
        const QString& got = w.dialogs.messages[std::size_t(i)];
        if (!want.startsWith('~')) {
            EXPECT_EQ(got.toStdString(), want.toStdString());
            continue;
        }
        for (const QString& part : want.mid(1).split(QStringLiteral(" && "))) {
            EXPECT_TRUE(got.contains(part.trimmed())) << part.toStdString() << " in " << said;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, EndToEnd, ::testing::ValuesIn(loadRows()), [](const auto& info) {
    QString name = info.param.name;
    return name.replace(QRegularExpression("[^A-Za-z0-9]"), "_").toStdString();
});

}  // namespace
