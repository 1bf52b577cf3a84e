// How far a download has got, on standard error: a bar redrawn in place on a terminal,
// plain lines now and then for a log file.
#pragma once

#include <QElapsedTimer>
#include <QString>
#include <cstdint>

#include "cli/error_stream.h"

namespace cli {

// One reading: `received` of `total` (0 when not known) `unit`s after `seconds`.
struct ProgressReading {
    std::int64_t received = 0;
    std::int64_t total = 0;
    double seconds = 0;
    QString unit;  // "records" or "bytes"
};

// The bar ("[#####.....] 1200/10001 records  95 records/s  1 min 28 s left") or the
// plain line ("1200 of 10001 records, 95 records/s, 1 min 28 s left"). The rate shows
// once time has passed, the time left once the rate and the total are known.
QString progressText(const ProgressReading& reading, bool bar);

class ProgressLine {
  public:
    // `terminal`: redraw a bar; otherwise print a line every kLogPeriodMs.
    ProgressLine(ErrorStream& out, bool terminal, QString unit);

    // Skipped when `out` has no room now: progress is worth no wait, the next reading
    // says more anyway.
    void update(std::int64_t received, std::int64_t total);
    // Ends the bar's line, so the next text starts on a line of its own; waits for room
    // as ErrorStream::write does.
    void breakLine(int waitMs);

  private:
    ErrorStream& out_;
    const bool terminal_;
    const QString unit_;
    QElapsedTimer sinceStart_;
    qint64 shownAt_ = -1;  // ms since the start, -1 before the first time
    bool barOpen_ = false;
    int barWidth_ = 0;  // characters of the bar last drawn
};

}  // namespace cli
