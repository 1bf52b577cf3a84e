#include "cli/progress_line.h"

#include <QStringList>
#include <algorithm>
#include <cmath>

namespace cli {

namespace {

constexpr int kBarCells = 24;
// A few redraws a second look alive without flooding a slow terminal.
constexpr qint64 kRedrawPeriodMs = 200;
constexpr qint64 kLogPeriodMs = 5000;

QString duration(std::int64_t seconds) {
    if (seconds < 60) return QStringLiteral("%1 s").arg(seconds);
    if (seconds < 3600) return QStringLiteral("%1 min %2 s").arg(seconds / 60).arg(seconds % 60);
    return QStringLiteral("%1 h %2 min").arg(seconds / 3600).arg(seconds % 3600 / 60);
}

}  // namespace

QString progressText(const ProgressReading& r, bool bar) {
    QStringList parts;
    const bool total = r.total > 0;
    if (bar && total) {
        const auto cells =
            static_cast<int>(std::min<std::int64_t>(r.received, r.total) * kBarCells / r.total);
        parts << QStringLiteral("[%1%2] %3/%4 %5")
                     .arg(QString(cells, QLatin1Char('#')),
                          QString(kBarCells - cells, QLatin1Char('.')))
                     .arg(r.received)
                     .arg(r.total)
                     .arg(r.unit);
    } else if (total) {
        parts << QStringLiteral("%1 of %2 %3").arg(r.received).arg(r.total).arg(r.unit);
    } else {
        parts << QStringLiteral("%1 %2").arg(r.received).arg(r.unit);
    }
    if (r.seconds > 0 && r.received > 0) {
        const double rate = static_cast<double>(r.received) / r.seconds;
        parts << QStringLiteral("%1 %2/s").arg(std::llround(rate)).arg(r.unit);
        if (total && r.received < r.total)
            parts << duration(static_cast<std::int64_t>(
                         std::ceil(static_cast<double>(r.total - r.received) / rate))) +
                         QStringLiteral(" left");
    }
    return parts.join(bar ? QStringLiteral("  ") : QStringLiteral(", "));
}

ProgressLine::ProgressLine(ErrorStream& out, bool terminal, QString unit)
    : out_(out), terminal_(terminal), unit_(std::move(unit)) {}

void ProgressLine::update(std::int64_t received, std::int64_t total) {
    if (!sinceStart_.isValid()) sinceStart_.start();
    const qint64 now = sinceStart_.elapsed();
    const bool last = total > 0 && received >= total;
    if (terminal_) {
        if (shownAt_ >= 0 && now - shownAt_ < kRedrawPeriodMs && !last) return;
    } else if (now - std::max<qint64>(shownAt_, 0) < kLogPeriodMs) {
        return;
    }
    const QByteArray text =
        progressText({received, total, static_cast<double>(now) / 1000.0, unit_}, terminal_)
            .toLocal8Bit();
    if (terminal_) {
        // Spaces over what a longer bar left behind.
        const auto pad = std::max<qsizetype>(0, barWidth_ - text.size());
        if (!out_.writeNow('\r' + text + QByteArray(pad, ' '))) return;
        barWidth_ = static_cast<int>(text.size());
        barOpen_ = true;
    } else if (!out_.writeNow("kelvaron-get: " + text + '\n')) {
        return;
    }
    shownAt_ = now;
}

void ProgressLine::breakLine(int waitMs) {
    if (!barOpen_) return;
    out_.write("\n", waitMs);
    barOpen_ = false;
    barWidth_ = 0;
}

}  // namespace cli
