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
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTimer>
#include <csignal>
#include <map>

#include "download/output_name.h"
#include "tests/support/convert_oracle.h"
#include "tests/support/qt/e2e_harness.h"
#include "tests/support/qt/qt_case_table.h"

namespace {

using testkit::readBytes;

struct Row {
    QString name;
    QStringList sim;
    std::map<QString, QString> opts;  // settings, events and outcome, "key" or "key=value"
    QStringList messages;
    bool checkMessages = true;
    friend void PrintTo(const Row& r, std::ostream* os) { *os << r.name.toStdString(); }
};

std::vector<Row> loadRows() {
    std::vector<Row> rows;
    for (const QString& line : testkit::qtTableLines(KELVARON_E2E_DATA "/rows.txt")) {
        const QStringList cols = line.split(QStringLiteral(" | "));
        Row r;
        r.name = cols.value(0).trimmed();
        r.sim = cols.value(1).split(' ', Qt::SkipEmptyParts);
        r.opts = testkit::keyValues(cols.value(2) + ' ' + cols.value(3), "=@:");
        const QString m = cols.value(4).trimmed().replace(QStringLiteral("\\r\\n"), "\r\n");
        r.checkMessages = m != "*";
        if (r.checkMessages && !m.isEmpty()) r.messages = m.split(QStringLiteral(";;"));
        rows.push_back(r);
    }
    return rows;
}

// Lowers the limit on the size of files this process writes, as a full disk would stop
// it (writes fail with EFBIG rather than a signal), until it goes.
struct FileSizeLimit {
    explicit FileSizeLimit(long long bytes) {
        std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &before);
        const rlimit lowered{static_cast<rlim_t>(bytes), before.rlim_max};
        if (bytes > 0) ::setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit() { ::setrlimit(RLIMIT_FSIZE, &before); }
    rlimit before{};
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
    const trackfile::ConvertOptions options{
        static_cast<coords::CoordSystem>(o.at("CorSys").toInt()), o.at("Reduce") == "1",
        static_cast<std::int16_t>(o.at("Dev").toInt())};
    return QByteArray::fromStdString(testkit::convertedBytes(
        pointFile.toStdString(), options, o.at("FName").endsWith(".gpx") ? ".gpx" : ".out"));
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

    o.merge(
        testkit::keyValues("COM=0 Speed=11 CorSys=0 Reduce=0 Dev=10 FName=track.txt split=0 "
                           "limit=60000"));  // what the row leaves out
    if (o.count("blockfile")) QFile(dir + '/' + o["blockfile"]).open(QIODevice::WriteOnly);
    if (o.count("mkdir"))
        for (const QString& name : o["mkdir"].split(',')) QDir(dir).mkpath(name);
    const QString out = o["FName"].startsWith('/') ? o["FName"] : dir + '/' + o["FName"];
    const QByteArray earlier = "an earlier track\r\n";  // at the first output name
    if (o.count("earlier")) {
        QFile file(o["split"] == "1" ? app::numberedOutputName(out, 1) : out);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(earlier) == earlier.size());
    }
    testkit::LiveWindow w(dir);
    w.mapPort(1, o.count("nodevice") ? dir + "/no-such-device" : sim.link());
    for (const char* key : {"GPSType", "COM", "Speed", "CorSys", "Reduce", "Dev"})
        w.set(key, o[key]);
    if (o.count("SwitchSpeed")) w.set("SwitchSpeed", o["SwitchSpeed"]);
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
    w.dialogs.holdFirstMs = o["box"].toInt();  // the user reads the first box for a while
    const QString traceFile = dir + "/trace.txt";
    if (o.count("trace")) qputenv("KELVARON_TRACE", QFile::encodeName(traceFile));
    const auto traceOff = qScopeGuard([] { qunsetenv("KELVARON_TRACE"); });
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
    const QString expectOut = o.count("out") ? o["out"] : QString();
    if (expectOut == "dump" || expectOut.startsWith("fixture:")) {
        EXPECT_EQ(written, expectOut == "dump"
                               ? all
                               : readBytes(KELVARON_E2E_DATA "/fixtures/" + expectOut.mid(8)));
    }
    EXPECT_TRUE(expectOut != "none" || !QFile::exists(out));
    EXPECT_TRUE(expectOut != "earlier" ||
                readBytes(o["split"] == "1" ? app::numberedOutputName(out, 1) : out) == earlier);
    const auto c = testkit::compareLines(all, written);
    EXPECT_TRUE(expectOut != "prefix" || (c.prefix && c.written > 0 && c.written < c.expected));
    if (o.count("parts")) {
        int n = 0;
        for (const QString& part : o["parts"].split(',')) {
            const QString file = dir + QStringLiteral("/part%1.txt").arg(++n);
            dumpLines(dump, part.section('-', 0, 0).toInt(), part.section('-', 1).toInt(), file);
            EXPECT_EQ(readBytes(QStringLiteral("%1/track%2.txt").arg(dir).arg(n)),
                      converted(file, o))
                << "file " << n;
        }
        // Nothing past the last part.
        EXPECT_FALSE(QFileInfo::exists(QStringLiteral("%1/track%2.txt").arg(dir).arg(n + 1)));
    }
    EXPECT_TRUE(o["kept"] != "none" || kept.isEmpty()) << said;
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
        for (const QString& f : kept) EXPECT_EQ(modeOf(f), 0600);
    }
    EXPECT_TRUE(!o.count("exit") || w.exit.codes.size() == (o["exit"] == "0" ? 1u : 0u));
    EXPECT_TRUE(!o.count("simdone") || sim.finished()) << sim.errors().toStdString();
    if (o.count("simback")) {
        sim.stop();
        EXPECT_FALSE(sim.errors().contains("stopped at")) << sim.errors().toStdString();
    }
    const QByteArray trace = readBytes(traceFile);  // both ways
    EXPECT_TRUE(!o.count("trace") ||
                (trace.contains(" PC -\xC2\xBB GPS ") && trace.contains(" PC \xC2\xAB- GPS ")))
        << trace.left(400).toStdString();
    const QString caption = o.count("caption") ? o["caption"].replace('_', ' ') : QString();
    // A caption ending in "..." is a prefix; any other must be the whole caption.
    EXPECT_TRUE(caption.endsWith("...") ? w.caption().startsWith(caption.chopped(3))
                                        : caption.isEmpty() || w.caption() == caption)
        << w.caption().toStdString();
    for (const char* name : {"cmdSave", "cmbCOM", "cmbSpeed", "cmdBrowse", "txtFName", "cmbCorSys",
                             "chkReduce", "txtDev", "cmbGPSType"})
        EXPECT_TRUE(!o.count("ready") || w.control(name)->isEnabled()) << name;

    if (!row.checkMessages) return;
    ASSERT_EQ(w.dialogs.messages.size(), std::size_t(row.messages.size())) << said;
    const qsizetype points = readBytes(dump).count('\n');
    for (qsizetype i = 0; i < row.messages.size(); ++i) {
        QString want = row.messages[i];
        want.replace("{kept}", kept.value(0)).replace("{link}", sim.link()).replace("{dir}", dir);
        want.replace("{tmp}", w.tempFolder()).replace("{out}", out);
        want.replace("{outlines}", QString::number(written.count('\n')));
        want.replace("{records}", QString::number(points + 1));  // one track header
        want.replace("{points}", QString::number(points));
        const QString& got = w.dialogs.messages[std::size_t(i)];
        if (!want.startsWith('~')) {
            EXPECT_EQ(got.toStdString(), want.toStdString());
            continue;
        }
        for (const QString& part : want.mid(1).split(QStringLiteral(" && ")))
            EXPECT_TRUE(got.contains(part.trimmed())) << part.toStdString() << " in " << said;
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, EndToEnd, ::testing::ValuesIn(loadRows()), [](const auto& info) {
    return testkit::caseName(info.param.name.toStdString());
});

}  // namespace
