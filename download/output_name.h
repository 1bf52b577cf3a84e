// Output names: the numbered files made when a track is split at its segments, and the
// check that a name can be written before a download starts.
#pragma once

#include <QChar>
#include <QString>
#include <vector>

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

// The numbers above `last` whose numbered files of `base` exist, ascending: what an
// earlier split into more files left beside the ones a download has just made.
std::vector<int> numberedFilesAfter(const QString& base, int last,
                                    QChar separator = kPathSeparator);

// Why an output cannot be written under `name` (its first numbered name when `split`), in
// words for the user, or empty when it can: an empty name (it made files "1", "2" in the
// working folder), a folder that is missing, not a folder or not writable, or a name no
// file can take (a folder, too long, a place such as /proc). Otherwise each would be found
// out only after the download. The check creates and removes the hidden new file the
// output is written through.
QString outputNameProblem(const QString& name, bool split = false);

}  // namespace app
