// The per-user settings store on QSettings, organisation and application "Kelvaron".
// On Linux that is $XDG_CONFIG_HOME/Kelvaron/Kelvaron.conf (~/.config by default),
// so a demo or a test gives the program a store of its own through XDG_CONFIG_HOME.
#pragma once

#include <QSettings>
#include <memory>

#include "download/download_services.h"

namespace app {

class QtSettingsStore final : public SettingsStore {
  public:
    // The user's store of the program.
    QtSettingsStore();
    // A store in the given INI file (tests).
    explicit QtSettingsStore(const QString& iniFile);

    std::optional<QString> read(const QString& section, const QString& key) const override;
    void write(const QString& section, const QString& key, const QString& value) override;
    QString writeFailure() const override { return writeFailure_; }
    // Where the values are kept.
    QString fileName() const { return settings_->fileName(); }

  private:
    std::unique_ptr<QSettings> settings_;
    QString writeFailure_;
};

}  // namespace app
