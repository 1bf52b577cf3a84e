// The NMEA-style sentences of the Magellan dialogue: the track command we send and
// the end sentence the receiver closes its reply with.
#pragma once

#include <cstdint>
#include <string_view>

namespace magellan {

// The sentence that asks the receiver for its stored track.
inline constexpr std::string_view kTrackCommand = "$PMGNCMD,TRACK*3D\r\n";
// The receiver's last line of a track reply, CR LF included.
inline constexpr std::string_view kEndSentence = "$PMGNCMD,END*3D\r\n";

// Exclusive-or of the character codes of `body` (the text between "$" and "*").
std::uint8_t sentenceChecksum(std::string_view body);

}  // namespace magellan
