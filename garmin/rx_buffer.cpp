// The receive buffer and its resumable searches.
#include "garmin/rx_buffer.h"

#include "garmin/packet_io.h"

namespace garmin {

namespace {

constexpr char kDleChar = static_cast<char>(kDle);
constexpr char kEtxChar = static_cast<char>(kEtx);
// Consumed bytes are moved out only once they are both many and most of the buffer,
// so consuming one frame at a time stays cheap.
constexpr std::size_t kCompactAfter = 4096;

std::size_t shifted(std::size_t memo, std::size_t count) {
    return memo > count ? memo - count : 0;
}

}  // namespace

void RxBuffer::append(std::string_view bytes) {
    if (bytes.size() >= kCapacity) {
        clear();
        bytes_.assign(bytes.substr(bytes.size() - kCapacity));
        return;
    }
    bytes_.append(bytes);
    if (size() > kCapacity) consume(size() - kCapacity);
}

void RxBuffer::consume(std::size_t count) {
    if (count == 0) return;
    if (count >= size()) {
        clear();
        return;
    }
    // A scan restarted right after a 16 could pair it wrongly, so then it starts over.
    const bool cleanCut = bytes_[head_ + count - 1] != kDleChar;
    frame_ = (cleanCut && count <= frame_) ? frame_ - count : 0;
    dollar_ = shifted(dollar_, count);
    at_ = shifted(at_, count);
    lineEnd_ = shifted(lineEnd_, count);
    head_ += count;
    if (head_ >= kCompactAfter && head_ * 2 >= bytes_.size()) {
        bytes_.erase(0, head_);
        head_ = 0;
    }
}

void RxBuffer::clear() {
    bytes_.clear();
    head_ = frame_ = dollar_ = at_ = lineEnd_ = 0;
}

std::size_t RxBuffer::findFrameEnd() {
    const std::string_view data = view();
    std::size_t i = frame_;
    while (i < data.size()) {
        if (data[i] != kDleChar) {
            ++i;
            continue;
        }
        if (i + 1 == data.size()) break;  // the byte after this 16 decides; wait for it
        if (data[i + 1] == kDleChar) {
            i += 2;
        } else if (data[i + 1] == kEtxChar) {
            frame_ = i;
            return i + 1;
        } else {
            ++i;
        }
    }
    frame_ = i;
    return npos;
}

std::size_t RxBuffer::findMemo(std::size_t& memo, char wanted) {
    const std::size_t found = view().find(wanted, memo);
    memo = found == npos ? size() : found;
    return found;
}

std::size_t RxBuffer::findLineEnd() {
    const std::string_view data = view();
    const std::size_t found = data.find("\r\n", lineEnd_);
    // A CR at the very end may yet be followed by its LF.
    lineEnd_ = found != npos ? found : (data.empty() ? 0 : data.size() - 1);
    return found;
}

}  // namespace garmin
