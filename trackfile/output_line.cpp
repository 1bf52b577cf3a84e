#include "trackfile/output_line.h"

#include <cstddef>

#include "coords/decimal_text.h"

namespace trackfile {

using coords::formatDecimal;
using coords::kMaxDecimalChars;

namespace {

constexpr std::size_t kZoneWidth = 14;

void appendNumber(std::string& out, double v, char separator) {
    char buf[kMaxDecimalChars + 2];
    buf[0] = v < 0.0 ? '-' : ' ';
    const double magnitude = v < 0.0 ? -v : v;
    std::size_t n = 1 + formatDecimal(magnitude, separator, false, buf + 1);
    buf[n++] = ' ';
    out.append(buf, n);
}

void padToNextZone(std::string& out, std::size_t lineStart) {
    const std::size_t used = out.size() - lineStart;
    const std::size_t next = (used + kZoneWidth - 1) / kZoneWidth * kZoneWidth;
    out.append(next - used, ' ');
}

}  // namespace

void appendOutputLine(std::string& out, double first, double second, std::string_view text,
                      char decimalSeparator) {
    const std::size_t start = out.size();
    appendNumber(out, first, decimalSeparator);
    padToNextZone(out, start);
    appendNumber(out, second, decimalSeparator);
    padToNextZone(out, start);
    out.append(text);
    out.append("\r\n");
}

}  // namespace trackfile
