// What the user is told of the files of a download: a point file or an output that
// failed, where the points of a transfer that did not end are kept, and what was written.
#pragma once

#include <QString>
#include <cstdint>

#include "download/track_file_writer.h"

namespace app {

QString writerFailureText(const WriterFailure& failure);
QString keptPointsText(const KeptPoints& kept);
// The line that counts the points without a position left out, after a line break; empty
// for none.
QString pointsLeftOutText(std::int64_t count);
// The same for the points of a track file whose elevation or time is out of range.
QString pointsOutOfRangeText(std::int64_t count);
// How many of the `pointsRead` points went to which files ("Wrote 1,062 of 2,000 points to
// x.gpx."), and the numbered files of an earlier run left beside them; empty when no file
// was made.
QString writtenText(const WrittenFiles& written, std::int64_t pointsRead);

}  // namespace app
