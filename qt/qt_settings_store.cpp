#include "qt/qt_settings_store.h"

#include <QFileInfo>

namespace app {

namespace {

// Why `file` could not be written, as far as can be seen from outside: QSettings only
// says that it failed.
QString whyNotWritten(const QString& file) {
    const QFileInfo info(file);
    const QFileInfo folder(info.absolutePath());
    if (!folder.isDir())
        return QStringLiteral("the folder %1 cannot be made").arg(folder.filePath());
    if (info.exists() && !info.isWritable()) return QStringLiteral("the file is read-only");
    if (!folder.isWritable())
        return QStringLiteral("the folder %1 is read-only").arg(folder.filePath());
    return QStringLiteral("it cannot be written");
}

}  // namespace

QtSettingsStore::QtSettingsStore()
    : settings_(
          std::make_unique<QSettings>(QStringLiteral("Kelvaron"), QStringLiteral("Kelvaron"))) {}

QtSettingsStore::QtSettingsStore(const QString& iniFile)
    : settings_(std::make_unique<QSettings>(iniFile, QSettings::IniFormat)) {}

std::optional<QString> QtSettingsStore::read(const QString& section, const QString& key) const {
    const QString path = section + QLatin1Char('/') + key;
    if (!settings_->contains(path)) return std::nullopt;
    // A value holding a comma comes back as a list; the store only holds text.
    const QVariant v = settings_->value(path);
    if (v.typeId() == QMetaType::QStringList) return v.toStringList().join(QLatin1Char(','));
    return v.toString();
}

void QtSettingsStore::write(const QString& section, const QString& key, const QString& value) {
    settings_->setValue(section + QLatin1Char('/') + key, value);
    // Written through at once, so a program ended by Cancel keeps what Save stored.
    settings_->sync();
    if (settings_->status() != QSettings::NoError && writeFailure_.isEmpty())
        writeFailure_ = fileName() + QStringLiteral(": ") + whyNotWritten(fileName());
}

}  // namespace app
