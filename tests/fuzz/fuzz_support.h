// What every fuzz target shares: a check that stops the run on a broken promise, and a
// reader that takes steering values from the front of an input, reading zero past its end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

// Each target defines this; libFuzzer calls it, and so does the corpus replayer.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace kelvaron_fuzz {

// A broken promise is a finding like a sanitizer report: abort, so both libFuzzer and
// the replayer stop on it and keep the input.
[[noreturn]] inline void Check_Failed(const char* what, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: broken promise: %s\n", file, line, what);
    std::abort();
}

#define FUZZ_CHECK(cond) \
    ((cond) ? static_cast<void>(0) : ::kelvaron_fuzz::Check_Failed(#cond, __FILE__, __LINE__))

class Input {
  public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool Empty() const { return pos_ >= size_; }
    std::size_t Remaining() const { return Empty() ? 0 : size_ - pos_; }

    std::uint8_t Byte() { return Empty() ? 0 : data_[pos_++]; }

    // Up to `n` bytes, fewer at the end of the input.
    std::string_view Take(std::size_t n) {
        if (n > Remaining()) n = Remaining();
        const std::string_view out(reinterpret_cast<const char*>(data_) + pos_, n);
        pos_ += n;
        return out;
    }
    std::string_view Rest() { return Take(Remaining()); }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

}  // namespace kelvaron_fuzz
