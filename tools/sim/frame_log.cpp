// Frame log.
#include "tools/sim/frame_log.h"

namespace ksim {

bool FrameLog::open(const std::string& path) {
    file_.reset(std::fopen(path.c_str(), "w"));
    start_ = std::chrono::steady_clock::now();
    return file_ != nullptr;
}

void FrameLog::host(std::span<const std::uint8_t> bytes, std::string_view note) {
    write("host>", bytes, note);
}

void FrameLog::sim(std::span<const std::uint8_t> bytes, std::string_view note) {
    write("sim> ", bytes, note);
}

void FrameLog::event(std::string_view text) {
    write("---  ", {}, text);
}

void FrameLog::write(std::string_view direction, std::span<const std::uint8_t> bytes,
                     std::string_view note) {
    if (!file_) return;
    const std::chrono::duration<double> t = std::chrono::steady_clock::now() - start_;
    std::string line;
    line.reserve(32 + bytes.size() * 3 + note.size());
    char head[48];
    std::snprintf(head, sizeof head, "%11.6f %.*s", t.count(), static_cast<int>(direction.size()),
                  direction.data());
    line += head;
    static const char digits[] = "0123456789ABCDEF";
    for (std::uint8_t b : bytes) {
        line += ' ';
        line += digits[b >> 4];
        line += digits[b & 15];
    }
    if (!note.empty()) {
        line += "  # ";
        line += note;
    }
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), file_.get());
    std::fflush(file_.get());
}

}  // namespace ksim
