// The choices the window's lists offer and kelvaron-get accepts, kept once for both: the
// speeds in the order of their stored index, the numbered ports, each family's usual speed,
// the serial line's framing and the range of the minimal deviation.
#pragma once

#include <QString>
#include <QStringList>

namespace app {

inline const QStringList kSpeeds = {"110",  "300",   "600",   "1200",  "2400",  "4800",
                                    "9600", "14400", "19200", "38400", "57600", "115200"};
inline constexpr int kMagellanSpeedIndex = 5;  // 4800
inline constexpr int kGarminSpeedIndex = 6;    // 9600

// COM1 to COM9.
inline constexpr int kPortCount = 9;

// The minimal deviation, in degrees, that Save and --reduce accept.
inline constexpr double kMinDeviation = 5;
inline constexpr double kMaxDeviation = 90;
inline bool deviationInRange(double degrees) {
    return degrees >= kMinDeviation && degrees <= kMaxDeviation;
}

// Both families talk 8 data bits, no parity, 1 stop bit: only the speed is chosen.
inline QString lineSettingsText(const QString& speed) {
    return speed + QStringLiteral(",n,8,1");
}

}  // namespace app
