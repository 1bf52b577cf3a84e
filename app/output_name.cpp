#include "app/output_name.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "coords/conversion_error.h"
#include "coords/output_file.h"

namespace app {

QString numberedOutputName(const QString& base, int number, QChar separator) {
    const qsizetype dot = base.lastIndexOf(QLatin1Char('.'));
    const qsizetype sep = base.lastIndexOf(separator);
    const QString digits = QString::number(number);
    if (dot <= sep) return base + digits;
    return base.left(dot) + digits + base.mid(dot);
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
        coords::OutputFile::check(QFile::encodeName(first).toStdString());
    } catch (const coords::ConversionError& e) {
        return QString::fromLocal8Bit(e.what()) + QLatin1Char('.');
    }
    return {};
}

}  // namespace app
