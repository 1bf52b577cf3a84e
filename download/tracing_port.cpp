#include "download/tracing_port.h"

#include <string_view>

namespace app {

namespace {

// Calls `line` for each line of `text` that is complete, without its CR LF, and returns
// where the unfinished rest starts.
template <typename Line>
std::size_t eachLine(std::string_view text, Line line) {
    std::size_t from = 0;
    for (std::size_t lf = text.find('\n'); lf != std::string_view::npos;
         lf = text.find('\n', from)) {
        std::string_view one = text.substr(from, lf - from);
        if (!one.empty() && one.back() == '\r') one.remove_suffix(1);
        line(one);
        from = lf + 1;
    }
    return from;
}

}  // namespace

void TracingPort::close() {
    flushReceived();
    port_.close();
}

void TracingPort::write(const std::string& bytes) {
    const std::size_t rest = eachLine(bytes, [this](std::string_view l) { trace_.sent(l); });
    if (rest < bytes.size()) trace_.sent(std::string_view(bytes).substr(rest));
    port_.write(bytes);
}

std::string TracingPort::readAll() {
    std::string got = port_.readAll();
    if (got.empty()) return got;
    received_ += got;
    received_.erase(0, eachLine(received_, [this](std::string_view l) { trace_.received(l); }));
    return got;
}

void TracingPort::flushReceived() {
    if (!received_.empty()) trace_.received(received_);
    received_.clear();
}

}  // namespace app
