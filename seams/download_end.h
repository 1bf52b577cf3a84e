// How a download ended: the one outcome every kind of download reports, which the window
// turns into its caption and kelvaron-get into its exit status.
#pragma once

namespace seams {

enum class DownloadEnd {
    Done,           // the whole track is in the output file
    PortNotOpened,  // the port could not be opened; nothing was sent
    NoAnswer,       // the receiver did not answer
    InterfaceMode,  // the receiver talks NMEA or text, not its binary protocol
    CutShort,       // the transfer stopped before its end; the points so far are kept
    OutputFailed,   // an output file could not be written; the user has been told
    OutsideGrid,    // a point lies outside the chosen grid's area; no output was written
    NoTrack,        // the receiver answered and holds no track
    Unreadable,     // a drive's or a file's track could not be read; nothing was written
};

}  // namespace seams
