// The user's choices as the settings store keeps them between runs: section
// "Settings", one key per choice, every value decimal text.
#pragma once

#include <QString>

#include "download/download_services.h"

namespace app {

inline const QString kSettingsSection = QStringLiteral("Settings");

namespace key {
inline const QString kGPSType = QStringLiteral("GPSType");
inline const QString kCOM = QStringLiteral("COM");
inline const QString kSpeed = QStringLiteral("Speed");
inline const QString kFName = QStringLiteral("FName");
inline const QString kCorSys = QStringLiteral("CorSys");
inline const QString kReduce = QStringLiteral("Reduce");
inline const QString kDev = QStringLiteral("Dev");
inline const QString kFirstUse = QStringLiteral("1StUse2");
// The path of a device chosen from those present; absent or empty when a port number
// (COM) is the choice.
inline const QString kDevice = QStringLiteral("Device");
// The folder of a unit mounted as a drive, or the file, chosen to read a track from.
inline const QString kSource = QStringLiteral("Source");
// The speed in bit/s a Garmin receiver is moved to for its track; 0 never moves it.
// Absent: kDefaultSwitchSpeed. Not shown in the window.
inline const QString kSwitchSpeed = QStringLiteral("SwitchSpeed");
}  // namespace key

inline constexpr int kDefaultSwitchSpeed = 115200;

// The stored whole number under `key` when it is one of 0 .. count-1, else `fallback`:
// the store is a text file that a user can edit, so its values are checked.
int storedIndex(const SettingsStore& store, const QString& key, int fallback, int count);

// The stored whole number of 16 bits under `key`, else `fallback`.
int storedNumber(const SettingsStore& store, const QString& key, int fallback);

// The stored text under `key`, else `fallback`.
QString storedText(const SettingsStore& store, const QString& key, const QString& fallback);

}  // namespace app
