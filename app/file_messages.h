// What the user is told of the files of a download: a point file or an output that
// failed, and where the points of a transfer that did not end are kept.
#pragma once

#include <QString>
#include <cstdint>

#include "app/track_file_writer.h"

namespace app {

QString writerFailureText(const WriterFailure& failure);
QString keptPointsText(const KeptPoints& kept);
// The line that counts the points without a position left out, after a line break; empty
// for none.
QString pointsLeftOutText(std::int64_t count);

}  // namespace app
