#include "tests/e2e/support/e2e_harness.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTimer>

#include "coords/convert.h"

namespace kelvaron_e2e {

QString Sim_Path() {
    return QStringLiteral(KELVARON_SIM_PATH);
}

QString Fixture(const QString& name) {
    return QDir(QStringLiteral(KELVARON_E2E_FIXTURES)).filePath(name);
}

QByteArray Read_File(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll()
                                       : QByteArray("<missing " + path.toUtf8() + ">");
}

QByteArray Converted(const QString& pointFile, bool grid, bool reduce, int deviation) {
    const QString out = pointFile + QStringLiteral(".expected");
    coords::Convert_Track_File(pointFile.toStdString(), out.toStdString(), grid, reduce,
                               static_cast<std::int16_t>(deviation), '.');
    return Read_File(out);
}

SimReceiver::SimReceiver(const QString& folder, const QStringList& options)
    : link_(QDir(folder).filePath(QStringLiteral("gps"))) {
    process_.setProgram(Sim_Path());
    process_.setArguments(QStringList(options) << QStringLiteral("--link") << link_);
    process_.start();
    if (!process_.waitForStarted(5000)) return;
    // The first line names the device once the pseudo-terminal is ready.
    QByteArray out;
    QElapsedTimer t;
    t.start();
    while (!out.contains('\n') && t.elapsed() < 5000) {
        process_.waitForReadyRead(100);
        out += process_.readAllStandardOutput();
    }
    // "kelvaron-sim: device /dev/pts/N linked at PATH"
    const QByteArray key = "kelvaron-sim: device ";
    const qsizetype at = out.indexOf(key);
    if (at < 0) return;
    QByteArray line = out.mid(at + key.size());
    line = line.left(line.indexOf('\n'));
    const qsizetype linked = line.indexOf(" linked at");
    device_ = QString::fromUtf8(linked < 0 ? line : line.left(linked)).trimmed();
}

SimReceiver::~SimReceiver() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.terminate();
    if (!process_.waitForFinished(3000)) {
        process_.kill();
        process_.waitForFinished(3000);
    }
}

void SimReceiver::unplug() {
    process_.kill();
    process_.waitForFinished(3000);
}

bool SimReceiver::finished(int ms) {
    if (process_.state() != QProcess::NotRunning && !process_.waitForFinished(ms)) return false;
    return process_.exitStatus() == QProcess::NormalExit && process_.exitCode() == 0;
}

QString SimReceiver::errors() {
    return QString::fromUtf8(process_.readAllStandardError());
}

LiveWindow::LiveWindow(const QString& folder)
    : folder_(folder),
      tempFolder_(QDir(folder).filePath(QStringLiteral("tmp"))),
      store_(QDir(folder).filePath(QStringLiteral("Kelvaron.conf"))),
      comm_(store_),
      tempFiles_(tempFolder_) {
    QDir().mkpath(tempFolder_);
    store_.write(QStringLiteral("Settings"), QStringLiteral("1StUse2"), QStringLiteral("1"));
}

LiveWindow::~LiveWindow() {
    access_.reset();
    window_.reset();
}

void LiveWindow::set(const QString& key, const QString& value) {
    store_.write(QStringLiteral("Settings"), key, value);
}

void LiveWindow::mapPort(int port, const QString& device) {
    store_.write(QStringLiteral("Ports"), QStringLiteral("COM%1").arg(port), device);
}

frmKelvaron& LiveWindow::open() {
    window_ = std::make_unique<frmKelvaron>(
        app::Services{comm_, timer_, pump_, clock_, store_, dialogs, readme, tempFiles_, exit});
    access_ = std::make_unique<frmKelvaronTestAccess>(*window_);
    return *window_;
}

void LiveWindow::during(int afterMs, std::function<void()> action) {
    actions_.emplace_back(afterMs, std::move(action));
}

bool LiveWindow::save(int limitMs) {
    bool watchdog = false;
    QObject guard;
    QTimer::singleShot(limitMs, &guard, [&] {
        watchdog = true;
        access_->control<QPushButton>("cmdCancel")->click();
    });
    for (auto& [ms, action] : actions_) QTimer::singleShot(ms, &guard, action);
    actions_.clear();
    access_->control<QPushButton>("cmdSave")->click();
    return !watchdog;
}

bool LiveWindow::runUntil(const std::function<bool()>& done, int limitMs) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() >= limitMs) return false;
        pump_.processEvents(20);
    }
    return true;
}

QStringList LiveWindow::leftoverPointFiles() const {
    return QDir(tempFolder_).entryList({QStringLiteral("ts*")}, QDir::Files);
}

}  // namespace kelvaron_e2e
