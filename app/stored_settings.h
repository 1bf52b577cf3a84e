// The user's choices as the settings store keeps them between runs: section
// "Settings", one key per choice, every value decimal text.
#pragma once

#include <QString>

#include "app/services.h"

namespace app {

inline const QString kSettingsSection = QStringLiteral("Settings");

namespace key {
inline const QString GPSType = QStringLiteral("GPSType");
inline const QString COM = QStringLiteral("COM");
inline const QString Speed = QStringLiteral("Speed");
inline const QString FName = QStringLiteral("FName");
inline const QString CorSys = QStringLiteral("CorSys");
inline const QString Reduce = QStringLiteral("Reduce");
inline const QString Dev = QStringLiteral("Dev");
inline const QString FirstUse = QStringLiteral("1StUse2");
}  // namespace key

// The stored whole number under `key` when it is one of 0 .. count-1, else `fallback`:
// the store is a text file that a user can edit, so its values are checked.
int Stored_Index(const SettingsStore& store, const QString& key, int fallback, int count);

// The stored whole number of 16 bits under `key`, else `fallback`.
int Stored_Number(const SettingsStore& store, const QString& key, int fallback);

// The stored text under `key`, else `fallback`.
QString Stored_Text(const SettingsStore& store, const QString& key, const QString& fallback);

}  // namespace app
