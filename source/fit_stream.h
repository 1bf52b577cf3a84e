// The bytes of a FIT file as its decoder takes them: read through one buffer, counted from
// the start of the file, each one added to the running CRC. Running out of bytes, or a
// read that fails (a drive pulled out), throws ReadError naming the file and the byte.
#pragma once

#include <QIODevice>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace source {

// CRC-16/ARC (reflected polynomial 0xA001, starting at 0) of FIT files.
std::uint16_t fitCrc(std::uint16_t crc, std::uint8_t byte);

class FitStream {
  public:
    FitStream(QIODevice& in, std::string name) : in_(in), name_(std::move(name)) {}

    std::uint8_t byte();
    void read(std::uint8_t* into, std::size_t count);
    void skip(std::size_t count);
    // True when no byte follows (after a failed read, throws as byte() would).
    bool atEnd();
    // Copies up to `count` of the bytes that follow without taking them; how many there
    // were (fewer at the end).
    std::size_t peek(std::uint8_t* into, std::size_t count);
    // Takes every byte left; how many there were.
    std::uint64_t skipToEnd();
    // Where the header of the file being read says it ends: running out of bytes before
    // it says how many of them the file holds.
    void setAnnouncedEnd(std::uint64_t end) { announcedEnd_ = end; }

    std::uint64_t offset() const { return offset_; }
    std::uint16_t crc() const { return crc_; }
    void resetCrc() { crc_ = 0; }
    const std::string& name() const { return name_; }

  private:
    // Reads more after the bytes not yet taken; false at the end of the input.
    bool fill();

    QIODevice& in_;
    std::string name_;
    std::array<std::uint8_t, 65536> buffer_{};
    std::size_t at_ = 0;
    std::size_t end_ = 0;
    std::uint64_t offset_ = 0;
    std::uint64_t announcedEnd_ = 0;
    std::uint16_t crc_ = 0;
};

}  // namespace source
