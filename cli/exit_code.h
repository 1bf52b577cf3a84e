// The exit statuses of kelvaron-get, for scripts; the README lists them.
#pragma once

namespace cli::exit_code {

inline constexpr int kDone = 0;
inline constexpr int kUnexpected = 1;  // ended without saying how (a fault of the program)
inline constexpr int kBadArguments = 2;
inline constexpr int kPortNotOpened = 3;
inline constexpr int kNoAnswer = 4;
inline constexpr int kInterfaceMode = 5;
inline constexpr int kCutShort = 6;
inline constexpr int kOutputFailed = 7;
inline constexpr int kNoTrack = 8;
inline constexpr int kUnreadable = 9;    // the input (a drive's or a file's track) cannot be read
inline constexpr int kOutsideGrid = 10;  // a point lies outside the chosen grid's area
// Stopped by a signal: 128 + its number, as shells report it (129 SIGHUP,
// 130 Ctrl-C, 143 SIGTERM).
inline constexpr int kSignalBase = 128;

}  // namespace cli::exit_code
