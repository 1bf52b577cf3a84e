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

// A broken promise is a finding like a sanitizer report: abort, so both libFuzzer and
// the replayer stop on it and keep the input.
#define FUZZ_CHECK(cond)                                                                       \
    ((cond) ? static_cast<void>(0)                                                             \
            : (std::fprintf(stderr, "%s:%d: broken promise: %s\n", __FILE__, __LINE__, #cond), \
               std::abort()))

namespace kelvaron_fuzz {

class Input {
  public:
    Input(const std::uint8_t* data, std::size_t size)
        : rest_(reinterpret_cast<const char*>(data), size) {}

    bool Empty() const { return rest_.empty(); }
    std::size_t Remaining() const { return rest_.size(); }
    std::uint8_t Byte() { return Empty() ? 0 : static_cast<std::uint8_t>(Take(1)[0]); }
    // Up to `n` bytes, fewer at the end of the input.
    std::string_view Take(std::size_t n) {
        const std::string_view out = rest_.substr(0, n);
        rest_.remove_prefix(out.size());
        return out;
    }
    std::string_view Rest() { return Take(rest_.size()); }

  private:
    std::string_view rest_;
};

}  // namespace kelvaron_fuzz
