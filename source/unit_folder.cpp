#include "source/unit_folder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace source {

std::optional<QString> findPath(const QString& root, const QString& relative) {
    QString at = root;
    for (const QString& part : relative.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        const QString spelled = at + QLatin1Char('/') + part;
        if (QFileInfo::exists(spelled)) {
            at = spelled;
            continue;
        }
        const QStringList names = QDir(at).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        const auto match = std::find_if(names.begin(), names.end(), [&](const QString& n) {
            return n.compare(part, Qt::CaseInsensitive) == 0;
        });
        if (match == names.end()) return std::nullopt;
        at += QLatin1Char('/') + *match;
    }
    return at;
}

UnitFolder::UnitFolder(QString root) : root_(std::move(root)) {
    while (root_.size() > 1 && root_.endsWith(QLatin1Char('/'))) root_.chop(1);
    const auto path = findPath(root_, QStringLiteral("Garmin/GarminDevice.xml"));
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
    if (const auto gpx = currentGpx()) return *gpx;
    return newestActivity().value_or(QString());
}

std::optional<QString> UnitFolder::currentGpx() const {
    const FilePlace& p = device_.currentGpx;
    const auto file =
        findPath(root_, p.path + QLatin1Char('/') + p.baseName + QLatin1Char('.') + p.extension);
    if (!file || !QFileInfo(*file).isFile()) return std::nullopt;
    return file;
}

// The newest by modification time; of two alike the later name (units name activities by
// their start time).
std::optional<QString> UnitFolder::newestActivity() const {
    const FilePlace& p = device_.activities;
    const auto folder = findPath(root_, p.path);
    if (!folder) return std::nullopt;
    std::optional<QFileInfo> newest;
    for (const QFileInfo& f : QDir(*folder).entryInfoList(QDir::Files)) {
        if (f.suffix().compare(p.extension, Qt::CaseInsensitive) != 0) continue;
        if (!newest || f.lastModified() > newest->lastModified() ||
            (f.lastModified() == newest->lastModified() && f.fileName() > newest->fileName()))
            newest = f;
    }
    if (!newest) return std::nullopt;
    return newest->filePath();
}

}  // namespace source
