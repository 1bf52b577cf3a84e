// What the user is told of the files of a download: a point file or an output that
// failed, and where the points of a transfer that did not end are kept.
#pragma once

#include <QString>

#include "app/track_file_writer.h"

namespace app {

QString writerFailureText(const WriterFailure& failure);
QString keptPointsText(const KeptPoints& kept);

}  // namespace app
