// The --log file: one line per frame or text line, "seconds direction hex  # note".
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace ksim {

class FrameLog {
  public:
    FrameLog() = default;  // a log that writes nothing
    // Returns false (and keeps writing nothing) when the file cannot be created.
    bool open(const std::string& path);
    bool enabled() const { return file_ != nullptr; }

    void host(std::span<const std::uint8_t> bytes, std::string_view note = {});
    void sim(std::span<const std::uint8_t> bytes, std::string_view note = {});
    void event(std::string_view text);

  private:
    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    void write(std::string_view direction, std::span<const std::uint8_t> bytes,
               std::string_view note);

    std::unique_ptr<std::FILE, Closer> file_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace ksim
