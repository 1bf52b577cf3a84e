#include "bench/e2e/garmin_session.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>

namespace kelvaron_bench {

GarminSession::GarminSession(const QString& folder, const QString& device, int speed)
    : window_(folder), output_(QDir(folder).filePath(QStringLiteral("track.txt"))) {
    window_.mapPort(1, device);
    window_.set(QStringLiteral("GPSType"), QStringLiteral("1"));
    window_.set(QStringLiteral("COM"), QStringLiteral("0"));
    window_.set(QStringLiteral("FName"), output_);
    window_.set(QStringLiteral("CorSys"), QStringLiteral("0"));
    window_.set(QStringLiteral("Reduce"), QStringLiteral("0"));
    window_.set(QStringLiteral("Dev"), QStringLiteral("10"));
    frmKelvaron& w = window_.open();
    auto* speeds = window_.control<QComboBox>("cmbSpeed");
    speeds->setCurrentIndex(speeds->findText(QString::number(speed)));
    // Shown as the program shows it, so the caption of every point goes to a real
    // (offscreen) platform window.
    w.show();
}

DownloadResult GarminSession::run(int limitMs) {
    DownloadResult r;
    window_.dialogs.onMessage = [this, &r](const QString& text) {
        if (r.completed || !text.startsWith(QStringLiteral("Received "))) return;
        r.completed = Steady::now();
        if (onCompleted) onCompleted();
    };
    QElapsedTimer clock;
    clock.start();
    r.saved = window_.save(limitMs);
    r.requested = Steady::now();
    if (r.saved && onRequested) onRequested();
    if (r.saved) {
        // QApplication::exec() runs this same loop; the check every 50 ms adds nothing
        // to a transfer that arrives through the port's notifications.
        QEventLoop loop;
        QTimer check;
        QObject::connect(&check, &QTimer::timeout, &loop, [&] {
            const auto& shown = window_.dialogs.messages;
            const bool failed = std::any_of(shown.begin(), shown.end(), [](const QString& m) {
                return !m.startsWith(QStringLiteral("Received "));
            });
            if (!window_.exit.codes.empty() || failed || clock.elapsed() > limitMs) loop.quit();
        });
        check.start(50);
        loop.exec();
    }
    r.ended = !window_.exit.codes.empty();
    for (const QString& m : window_.dialogs.messages) r.messages << m;
    return r;
}

}  // namespace kelvaron_bench
