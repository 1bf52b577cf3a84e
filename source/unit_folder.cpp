#include "source/unit_folder.h"

#include <dirent.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

#include "source/read_error.h"

namespace source {

namespace {

QByteArray native(const QString& path) {
    return QFile::encodeName(path);
}

UnitPath unread(const QString& folder, int error) {
    return {std::nullopt, folder, QString::fromLocal8Bit(std::strerror(error))};
}

// The entry of `folder` whose name is `part` in another case. The folder's own errors are
// taken from the system's calls, not from access(), which answers for the real user.
std::optional<QString> nameInAnyCase(const QString& folder, const QString& part, int& error) {
    DIR* dir = ::opendir(native(folder).constData());
    if (!dir) {
        error = errno;
        return std::nullopt;
    }
    std::optional<QString> found;
    while (const dirent* entry = ::readdir(dir)) {
        const QString name = QFile::decodeName(entry->d_name);
        if (name == QLatin1String(".") || name == QLatin1String("..")) continue;
        if (name.compare(part, Qt::CaseInsensitive) == 0) {
            found = name;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

// 0 when `folder` can be listed, else the system's error.
int listError(const QString& folder) {
    DIR* dir = ::opendir(native(folder).constData());
    if (!dir) return errno;
    ::closedir(dir);
    return 0;
}

}  // namespace

UnitPath findPath(const QString& root, const QString& relative) {
    QString at = root;
    for (const QString& part : relative.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        const QString spelled = at + QLatin1Char('/') + part;
        struct stat info {};
        if (::stat(native(spelled).constData(), &info) == 0) {
            at = spelled;
            continue;
        }
        int error = errno;  // ENOENT: not there as spelled; EACCES: `at` may not be searched
        if (error == ENOENT) {
            error = 0;
            if (const auto name = nameInAnyCase(at, part, error)) {
                at += QLatin1Char('/') + *name;
                continue;
            }
        }
        if (error == 0 || error == ENOENT || error == ENOTDIR) return {};
        return unread(at, error);
    }
    return {at, {}, {}};
}

UnitFolder::UnitFolder(QString root) : root_(std::move(root)) {
    while (root_.size() > 1 && root_.endsWith(QLatin1Char('/'))) root_.chop(1);
    const auto path = findPath(root_, QStringLiteral("Garmin/GarminDevice.xml")).path;
    if (!path || !QFileInfo(*path).isFile()) return;
    hasDeviceFile_ = true;
    QFile file(*path);
    if (file.open(QIODevice::ReadOnly)) device_ = GarminDevice::read(file);
}

QString UnitFolder::model() const {
    return device_.model.isEmpty() ? QFileInfo(root_).fileName() : device_.model;
}

QString UnitFolder::label() const {
    return model() + QStringLiteral(" — ") + root_;
}

QString UnitFolder::trackFile() const {
    return findTrackFile().path.value_or(QString());
}

QString UnitFolder::trackLog() const {
    const UnitPath found = findTrackFile();
    if (found.path) return *found.path;
    if (!found.unreadFolder.isEmpty())
        throw ReadError(QStringLiteral("The folder %1 cannot be read: %2.")
                            .arg(found.unreadFolder, found.reason)
                            .toStdString());
    QString text = QStringLiteral(
                       "%1 holds no track log: neither Garmin/GPX/Current/Current.gpx nor an "
                       "activity file under Garmin/Activity.")
                       .arg(root_);
    if (const QString unit = enclosingUnit(); !unit.isEmpty())
        text += QStringLiteral(" It is a folder inside the unit at %1: name the drive's root.")
                    .arg(unit);
    throw ReadError(text.toStdString());
}

// A folder on the way to the current log that cannot be read is told, not passed over for
// an older activity.
UnitPath UnitFolder::findTrackFile() const {
    UnitPath gpx = currentGpx();
    if (gpx.path || !gpx.unreadFolder.isEmpty()) return gpx;
    return newestActivity();
}

UnitPath UnitFolder::currentGpx() const {
    const FilePlace& p = device_.currentGpx;
    UnitPath file =
        findPath(root_, p.path + QLatin1Char('/') + p.baseName + QLatin1Char('.') + p.extension);
    if (file.path && !QFileInfo(*file.path).isFile()) file.path.reset();
    return file;
}

// The newest by modification time; of two alike the later name (units name activities by
// their start time).
UnitPath UnitFolder::newestActivity() const {
    const FilePlace& p = device_.activities;
    const UnitPath folder = findPath(root_, p.path);
    if (!folder.path) return folder;
    if (const int error = listError(*folder.path); error != 0 && error != ENOTDIR)
        return unread(*folder.path, error);
    std::optional<QFileInfo> newest;
    for (const QFileInfo& f : QDir(*folder.path).entryInfoList(QDir::Files)) {
        if (f.suffix().compare(p.extension, Qt::CaseInsensitive) != 0) continue;
        if (!newest || f.lastModified() > newest->lastModified() ||
            (f.lastModified() == newest->lastModified() && f.fileName() > newest->fileName()))
            newest = f;
    }
    if (!newest) return {};
    return {newest->filePath(), {}, {}};
}

// Garmin/GPX/Current is the deepest folder of a unit a user is likely to name.
QString UnitFolder::enclosingUnit() const {
    QString at = QFileInfo(root_).absoluteFilePath();
    for (int up = 0; up < 3 && at != QLatin1String("/"); ++up) {
        at = QFileInfo(at).absolutePath();
        const UnitFolder unit(at);
        if (unit.hasDeviceFile() || !unit.trackFile().isEmpty()) return at;
    }
    return {};
}

}  // namespace source
