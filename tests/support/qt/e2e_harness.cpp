#include "tests/support/qt/e2e_harness.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <map>

namespace testkit {

QByteArray readBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll()
                                       : QByteArray("<missing " + path.toUtf8() + ">");
}

SimReceiver::SimReceiver(const QString& folder, const QStringList& options)
    : link_(QDir(folder).filePath(QStringLiteral("gps"))) {
    process_.setProgram(QStringLiteral(KELVARON_SIM_PATH));
    process_.setArguments(QStringList(options) << QStringLiteral("--link") << link_);
    process_.start();
    if (!process_.waitForStarted(5000)) return;
    // "kelvaron-sim: device /dev/pts/N linked at PATH" once the pseudo-terminal is ready.
    QByteArray out;
    QElapsedTimer t;
    t.start();
    while (!out.contains('\n') && t.elapsed() < 5000) {
        process_.waitForReadyRead(100);
        out += process_.readAllStandardOutput();
    }
    const QByteArray key = "kelvaron-sim: device ";
    const qsizetype at = out.indexOf(key);
    if (at >= 0) device_ = QString::fromUtf8(out.mid(at + key.size()).split(' ').front());
}

SimReceiver::~SimReceiver() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.terminate();
    if (!process_.waitForFinished(3000)) process_.kill();
    process_.waitForFinished(3000);
}

void SimReceiver::unplug() {
    process_.kill();
    process_.waitForFinished(3000);
}

bool SimReceiver::finished(int ms) {
    if (process_.state() != QProcess::NotRunning && !process_.waitForFinished(ms)) return false;
    return process_.exitStatus() == QProcess::NormalExit && process_.exitCode() == 0;
}

void SimReceiver::stop() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.terminate();
    process_.waitForFinished(3000);
}

QString SimReceiver::errors() {
    return QString::fromUtf8(process_.readAllStandardError());
}

LiveWindow::LiveWindow(const QString& folder)
    : tempFolder_(QDir(folder).filePath(QStringLiteral("tmp"))),
      store_(QDir(folder).filePath(QStringLiteral("Kelvaron.conf"))),
      comm_(store_),
      tempFiles_(tempFolder_) {
    QDir().mkpath(tempFolder_);
    set(QStringLiteral("1StUse2"), QStringLiteral("1"));
    // The program's end closes the port, and the receiver hears it (kelvaron-sim --once waits
    // for that); the recording exit does not end the process, so it closes the port itself.
    exit.onExit = [this] { comm_.close(); };
}

void LiveWindow::set(const QString& key, const QString& value) {
    store_.write(QStringLiteral("Settings"), key, value);
}

void LiveWindow::mapPort(int port, const QString& device) {
    store_.write(QStringLiteral("Ports"), QStringLiteral("COM%1").arg(port), device);
}

frmKelvaron& LiveWindow::open() {
    window_ = std::make_unique<frmKelvaron>(
        app::Services{comm_, timer_, deadline_, store_, dialogs, readme, tempFiles_, exit});
    return *window_;
}

void LiveWindow::cancel() {
    control<QPushButton>("cmdCancel")->click();
}

bool LiveWindow::save(int limitMs) {
    bool watchdog = false;
    QObject guard;
    QTimer::singleShot(limitMs, &guard, [&] {
        watchdog = true;
        cancel();
    });
    control<QPushButton>("cmdSave")->click();
    return !watchdog;
}

bool LiveWindow::runUntil(const std::function<bool()>& done, int limitMs) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() >= limitMs) return false;
        // The timer is the event that ends the wait when nothing else comes.
        QTimer wake;
        wake.setSingleShot(true);
        wake.start(20);
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

void LiveWindow::after(int ms, std::function<void()> action) {
    QTimer::singleShot(ms, &timers_, std::move(action));
}

QStringList LiveWindow::leftoverPointFiles() const {
    QStringList paths;
    for (const QString& name : QDir(tempFolder_).entryList({QStringLiteral("ts*")}, QDir::Files))
        paths << QDir(tempFolder_).filePath(name);
    return paths;
}

std::string LiveWindow::allMessages() const {
    std::string all;
    for (const auto& m : dialogs.messages) all += "[" + m.toStdString() + "]\n";
    return all.empty() ? "(no message)" : all;
}

bool runDownload(LiveWindow& w, int limitMs) {
    QElapsedTimer t;
    t.start();
    if (!w.save(limitMs)) return false;
    const bool garmin = w.control<QComboBox>("cmbGPSType")->currentIndex() == 1;
    const auto& messages = w.dialogs.messages;
    // A Magellan download is over when Save can be pressed again.
    return w.runUntil(
        [&] {
            return !w.exit.codes.empty() ||
                   (garmin
                        ? std::any_of(messages.begin(), messages.end(),
                                      [](const QString& m) { return !m.startsWith("Received "); })
                        : w.control<QPushButton>("cmdSave")->isEnabled());
        },
        static_cast<int>(std::max<qint64>(0, limitMs - t.elapsed())));
}

namespace {

std::vector<std::string> lines(const QByteArray& text) {
    std::vector<std::string> out;
    for (QByteArray line : text.split('\n')) {
        if (line.endsWith('\r')) line.chop(1);
        out.push_back(line.toStdString());
    }
    if (!out.empty() && out.back().empty()) out.pop_back();
    return out;
}

}  // namespace

Comparison compareLines(const QByteArray& expected, const QByteArray& written) {
    const auto want = lines(expected);
    const auto got = lines(written);
    Comparison c;
    c.expected = want.size();
    c.written = got.size();
    std::map<std::string, long> balance;  // copies in the track minus copies written
    for (const auto& l : want) ++balance[l];
    for (const auto& l : got) --balance[l];
    for (const auto& [line, n] : balance) (n > 0 ? c.lost : c.extra) += std::size_t(n > 0 ? n : -n);
    c.exact = got == want;
    c.prefix = got.size() <= want.size() && std::equal(got.begin(), got.end(), want.begin());
    return c;
}

}  // namespace testkit
