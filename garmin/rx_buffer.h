// The engine's receive buffer: bytes read from the serial port and not yet consumed
// as a frame or a sentence.
//
// The input is untrusted, so the buffer keeps at most kCapacity bytes (the oldest go
// first) and every search resumes where the previous one stopped: a flood of bytes
// that never completes a frame costs time in proportion to its length, not its square.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace garmin {

class RxBuffer {
  public:
    static constexpr std::size_t kCapacity = 64 * 1024;
    static constexpr std::size_t npos = std::string_view::npos;

    void append(std::string_view bytes);
    // Drops the first `count` bytes.
    void consume(std::size_t count);
    void clear();

    std::string_view view() const { return std::string_view(bytes_).substr(head_); }
    std::size_t size() const { return bytes_.size() - head_; }

    // Position of the 3 that ends the first frame: scanning from the start, a 16 followed
    // by 16 is a doubled pair passed over whole, and the first other 16 followed by 3 ends
    // the frame. npos when there is none yet.
    std::size_t findFrameEnd();
    // Position of the first '$' or the first '@'.
    std::size_t findDollar() { return findMemo(dollar_, '$'); }
    std::size_t findAt() { return findMemo(at_, '@'); }
    // Position of the CR of the first CR LF pair.
    std::size_t findLineEnd();

  private:
    std::size_t findMemo(std::size_t& memo, char wanted);

    std::string bytes_;
    std::size_t head_ = 0;  // bytes before head_ are consumed
    // Every memo is relative to head_ and says "nothing found before this position".
    // frame_ is also a position where a doubled pair never straddles.
    std::size_t frame_ = 0;
    std::size_t dollar_ = 0;
    std::size_t at_ = 0;
    std::size_t lineEnd_ = 0;
};

}  // namespace garmin
