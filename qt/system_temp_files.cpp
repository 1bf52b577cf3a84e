#include "qt/system_temp_files.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>
#include <stdexcept>

namespace app {

QString SystemTempFiles::create() {
    // QTemporaryFile creates the file exclusively (no other program can slip a file
    // or a link in under the same name) and with owner-only permissions.
    const QString folder = folder_.isEmpty() ? QDir::tempPath() : folder_;
    QTemporaryFile file(QDir(folder).filePath(QStringLiteral("tsXXXXXX")));
    file.setAutoRemove(false);
    if (!file.open())
        throw std::runtime_error("cannot create a file in " + folder.toStdString() + ": " +
                                 file.errorString().toStdString());
    return QFileInfo(file.fileName()).absoluteFilePath();
}

}  // namespace app
