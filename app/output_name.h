// Names of the numbered output files made when a track is split at its segments.
#pragma once

#include <QChar>
#include <QString>

namespace app {

// The separator between folders in the paths the user types.
#ifdef Q_OS_WIN
inline constexpr QChar kPathSeparator = u'\\';
#else
inline constexpr QChar kPathSeparator = u'/';
#endif

// `number` goes before the extension of the file name, or at the end when the name
// has none (a dot in a folder name is no extension): track.txt gives track1.txt,
// a.b.txt gives a.b1.txt, gps.old/track gives gps.old/track1.
QString numberedOutputName(const QString& base, int number, QChar separator = kPathSeparator);

}  // namespace app
