// The NMEA-style sentences of the Magellan dialogue: the track command we send and
// the end sentence the receiver closes its reply with.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace magellan {

// The sentence that asks the receiver for its stored track.
inline constexpr std::string_view kTrackCommand = "$PMGNCMD,TRACK*3D\r\n";
// The receiver's last line of a track reply, CR LF included.
inline constexpr std::string_view kEndSentence = "$PMGNCMD,END*3D\r\n";

// Exclusive-or of the character codes of `body` (the text between "$" and "*").
std::uint8_t Sentence_Checksum(std::string_view body);

// "$" + body + "*" + checksum in upper-case hexadecimal without a leading zero + CR LF.
std::string Make_Sentence(std::string_view body);

}  // namespace magellan
