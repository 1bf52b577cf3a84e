// Collecting a Magellan track reply from the serial port, and cutting it into points.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "magellan/reply_line.h"
#include "seams/seams.h"

namespace magellan {

// How long one pass of the receive loop waits in the event loop for something to
// happen: short enough for a responsive window, long enough not to spin.
inline constexpr int kPumpWaitMs = 50;
// A receiver holds a few thousand points of some 60 bytes each; a reply far beyond
// that without an end sentence is noise on the line, not a track.
inline constexpr std::size_t kMaxReplyBytes = std::size_t{32} << 20;
// A receiver whose lines have stopped this long will not end its reply: it is off, it did
// not understand the command, or it talks plain NMEA. The user should not wait on it.
inline constexpr int kReplySilenceSeconds = 30;

struct Reply {
    enum class Outcome {
        Complete,  // the end sentence arrived
        PortLost,  // the port closed under us (receiver unplugged, device gone)
        TooLong,   // kMaxReplyBytes arrived without an end sentence
        Silent,    // no line arrived for kReplySilenceSeconds
        Stopped,   // the program is ending
    };
    Outcome outcome = Outcome::Complete;
    std::string text;  // everything read, in arrival order
    // Where the end sentence starts in `text` (Complete only), else text.size().
    std::size_t end = 0;
};

struct ReceiveHooks {
    std::function<void(const std::string&)> showCaption;
    std::function<bool()> stopRequested;  // may be empty
    // The bytes of the reply so far, each time more arrive (may be empty).
    std::function<void(std::int64_t)> bytesReceived = {};
};

// Reads until the end sentence with its CR LF appears anywhere in what has arrived
// (also when it is split across reads), showing the byte count after every read
// that brought something. Blocks in the event pump between reads, never spins. With a
// clock, it gives up when no line has ended for kReplySilenceSeconds.
Reply receiveReply(seams::SerialPort& port, seams::EventPump& pump, const ReceiveHooks& hooks,
                   const seams::Clock* clock = nullptr);

// The positions of the complete lines before the end sentence (or before the end of
// what arrived), in order. Lines that are not track points are skipped, as is an
// unfinished last line.
std::vector<ReplyPoint> replyPoints(std::string_view text);

}  // namespace magellan
