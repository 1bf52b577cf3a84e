#include "source/fit_stream.h"

#include <algorithm>

#include "source/read_error.h"

namespace source {

namespace {

constexpr std::array<std::uint16_t, 256> makeCrcTable() {
    std::array<std::uint16_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned crc = i;
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) != 0 ? (crc >> 1) ^ 0xA001 : crc >> 1;
        table[i] = static_cast<std::uint16_t>(crc);
    }
    return table;
}

constexpr std::array<std::uint16_t, 256> kCrcTable = makeCrcTable();

}  // namespace

std::uint16_t fitCrc(std::uint16_t crc, std::uint8_t byte) {
    return static_cast<std::uint16_t>((crc >> 8) ^ kCrcTable[(crc ^ byte) & 0xFF]);
}

bool FitStream::fill() {
    if (at_ > 0) {
        std::copy(buffer_.begin() + static_cast<std::ptrdiff_t>(at_),
                  buffer_.begin() + static_cast<std::ptrdiff_t>(end_), buffer_.begin());
        end_ -= at_;
        at_ = 0;
    }
    const qint64 got = in_.read(reinterpret_cast<char*>(buffer_.data() + end_),
                                static_cast<qint64>(buffer_.size() - end_));
    if (got < 0)
        throw ReadError(name_ + " could not be read at byte " + std::to_string(offset_ + end_) +
                        ".");
    end_ += static_cast<std::size_t>(got);
    return got > 0;
}

bool FitStream::atEnd() {
    return at_ == end_ && !fill();
}

std::uint8_t FitStream::byte() {
    if (atEnd()) {
        if (announcedEnd_ > offset_)
            throw ReadError(name_ + " ends early: the file holds " + std::to_string(offset_) +
                            " of the " + std::to_string(announcedEnd_) +
                            " bytes its header announces.");
        throw ReadError(name_ + " ends early: the FIT data stops at byte " +
                        std::to_string(offset_) + ".");
    }
    const std::uint8_t b = buffer_[at_++];
    ++offset_;
    crc_ = fitCrc(crc_, b);
    return b;
}

void FitStream::read(std::uint8_t* into, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) into[i] = byte();
}

void FitStream::skip(std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) byte();
}

std::size_t FitStream::peek(std::uint8_t* into, std::size_t count) {
    while (end_ - at_ < count && fill()) {
    }
    const std::size_t n = std::min(count, end_ - at_);
    std::copy_n(buffer_.begin() + static_cast<std::ptrdiff_t>(at_), n, into);
    return n;
}

std::uint64_t FitStream::skipToEnd() {
    std::uint64_t skipped = 0;
    while (!atEnd()) {
        skipped += end_ - at_;
        at_ = end_;
    }
    offset_ += skipped;
    return skipped;
}

}  // namespace source
