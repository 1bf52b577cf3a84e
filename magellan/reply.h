// Collecting a Magellan track reply from the serial port, and cutting it into points.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "magellan/reply_line.h"

namespace magellan {

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
        Stopped,   // the user stopped the download
    };
    Outcome outcome = Outcome::Complete;
    std::string text;  // everything read, in arrival order
    // Where the end sentence starts in `text` (Complete only), else text.size().
    std::size_t end = 0;
};

// Collects the reply as the port hands it over, read by read.
class ReplyCollector {
  public:
    // Adds what one read brought. True once the reply is over: the end sentence with its
    // CR LF has arrived (also split across reads), or kMaxReplyBytes without one.
    bool add(const std::string& got);
    // True when the last read ended a line: bytes without one (noise, a stuck line) do
    // not count as the receiver talking.
    bool lineEnded() const { return lineEnded_; }
    std::size_t size() const { return reply_.text.size(); }
    // The reply as it stands, ended with `outcome` unless it is over already.
    Reply finish(Reply::Outcome outcome);

  private:
    Reply reply_;
    bool over_ = false;
    bool lineEnded_ = false;
};

// The positions of the complete lines before the end sentence (or before the end of
// what arrived), in order. Lines that are not track points are skipped, as is an
// unfinished last line.
std::vector<ReplyPoint> replyPoints(std::string_view text);

}  // namespace magellan
