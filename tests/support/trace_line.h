// The one capture format of the tests: a line of the frame trace that KELVARON_TRACE
// writes, which the engine transcripts and the replayed traces both use.
//   [STAMP ]PC -» GPS HEX|TEXT   what the program sent: a wire frame, or a line of text
//   [STAMP ]PC «- GPS HEX|TEXT   what the receiver sent: a frame undoubled, or a sentence
//   [STAMP ]link error: MESSAGE
//   [STAMP ]port speed: N bit/s                the program moved the port to N bit/s
// STAMP is the trace's "2026-12-06T19:04:05.123Z"; the transcripts leave it out.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace testkit {

struct TraceLine {
    enum class Kind { Sent, Received, LinkError, PortSpeed };
    Kind kind;
    std::string body;  // the hex, the text, the message or the speed, as the line holds it
    bool frame;        // the body is hex bytes

    // The bytes on the wire: a sent frame as traced (already doubled), a received frame
    // with the doubling the engine undid put back, a line of text with its CR LF.
    std::string wireBytes() const;
};

// Nothing for a line that is none of these (a comment, a step of a transcript).
std::optional<TraceLine> parseTraceLine(std::string_view line);

// The line a transcript records for bytes the program wrote: the trace's form, unstamped.
std::string sentLine(std::string_view wire);

}  // namespace testkit
