#include "download/output_name.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

#include "coords/conversion_error.h"
#include "trackfile/output_file.h"

namespace app {

namespace {

// Where the number of a numbered name goes: before the extension, or at the end.
qsizetype numberAt(const QString& base, QChar separator) {
    const qsizetype dot = base.lastIndexOf(QLatin1Char('.'));
    return dot <= base.lastIndexOf(separator) ? base.size() : dot;
}

}  // namespace

QString numberedOutputName(const QString& base, int number, QChar separator) {
    const qsizetype at = numberAt(base, separator);
    return base.left(at) + QString::number(number) + base.mid(at);
}

std::vector<int> numberedFilesAfter(const QString& base, int last, QChar separator) {
    const qsizetype at = numberAt(base, separator);
    const qsizetype sep = base.lastIndexOf(separator);
    const QString head = base.left(at).mid(sep + 1);
    const QString tail = base.mid(at);
    const QString folder = sep < 0 ? QStringLiteral(".") : base.left(sep + 1);
    std::vector<int> numbers;
    // Names are compared, not matched as patterns: a name may hold '*' or '['.
    for (const QString& name :
         QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Unsorted)) {
        if (!name.startsWith(head) || !name.endsWith(tail)) continue;
        const QString digits = name.mid(head.size(), name.size() - head.size() - tail.size());
        bool ok = !digits.isEmpty() && !digits.startsWith(QLatin1Char('0'));
        for (const QChar c : digits) ok = ok && c >= u'0' && c <= u'9';
        const int number = ok ? digits.toInt(&ok) : 0;
        if (ok && number > last) numbers.push_back(number);
    }
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

QString outputNameProblem(const QString& name, bool split) {
    const QFileInfo file(QDir::fromNativeSeparators(name));
    if (name.trimmed().isEmpty() || file.fileName().isEmpty())
        return QStringLiteral("Please enter the name of the file to save the track in.");
    // A relative name is taken from the working folder, as the output will be.
    const QFileInfo folder(file.absolutePath());
    const QString shown = QDir::toNativeSeparators(folder.filePath());
    if (!folder.exists()) return QStringLiteral("The folder %1 does not exist.").arg(shown);
    if (!folder.isDir()) return QStringLiteral("%1 is not a folder.").arg(shown);
    if (!folder.isWritable())
        return QStringLiteral("The folder %1 cannot be written to.").arg(shown);
    try {
        const QString first = split ? numberedOutputName(name, 1) : name;
        trackfile::OutputFile::check(QFile::encodeName(first).toStdString());
    } catch (const coords::ConversionError& e) {
        return QString::fromLocal8Bit(e.what()) + QLatin1Char('.');
    }
    return {};
}

}  // namespace app
