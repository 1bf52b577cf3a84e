// What kelvaron-get writes of the overview once the files are made: the picture
// (--preview FILE.png or .svg) and the figures (--stats, --stats=json) on standard output.
#pragma once

#include <QString>

#include "overview/track_overview.h"

namespace cli {

enum class Stats { None, Text, Json };

// True for a picture name kelvaron-get can write: one ending in .png or .svg (any case).
bool isPictureName(const QString& name);
// True when the picture is a PNG, which needs QtGui's painter (and so a QGuiApplication).
bool isPngName(const QString& name);

// Writes the picture to `file`; the reason when it could not be written, else nothing.
QString writePreview(const overview::TrackOverview& overview, const QString& file);
// The rows as --stats prints them.
QByteArray statsText(const overview::TrackOverview& overview, Stats stats);

}  // namespace cli
