#include "download/deviation.h"

#include <charconv>
#include <cmath>
#include <string>

namespace app {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::size_t skipDigits(const std::string& s, std::size_t i) {
    while (i < s.size() && isDigit(s[i])) ++i;
    return i;
}

// Length of the decimal number at the start of `s`, 0 when there is none.
std::size_t numberLength(const std::string& s) {
    std::size_t i = (!s.empty() && (s[0] == '+' || s[0] == '-')) ? 1 : 0;
    const std::size_t intStart = i;
    i = skipDigits(s, i);
    bool digits = i > intStart;
    if (i < s.size() && s[i] == '.') {
        const std::size_t fracEnd = skipDigits(s, i + 1);
        digits = digits || fracEnd > i + 1;
        i = fracEnd;
    }
    if (!digits) return 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        const std::size_t expEnd = skipDigits(s, j);
        if (expEnd > j) i = expEnd;
    }
    return i;
}

}  // namespace

double readNumberText(std::string_view text) {
    std::string s;
    for (char c : text)
        if (c != ' ' && c != '\t' && c != '\n') s.push_back(c);
    const std::size_t n = numberLength(s);
    if (n == 0) return 0;
    // from_chars takes no plus sign.
    const std::string_view number(s.data() + (s[0] == '+' ? 1 : 0), s.data() + n);
    double value = 0;
    const auto res = std::from_chars(number.data(), number.data() + number.size(), value);
    if (res.ec == std::errc::result_out_of_range) {
        // Too small to show is zero; too large is beyond any check.
        const auto e = number.find_first_of("eE");
        if (e != std::string_view::npos && number.find('-', e) != std::string_view::npos) return 0;
        return number[0] == '-' ? -HUGE_VAL : HUGE_VAL;
    }
    return value;
}

std::optional<std::int16_t> deviationForPass(double deviation) {
    // nearbyint rounds in the current mode, which is to nearest, a half to even.
    const double rounded = std::nearbyint(deviation);
    if (!(rounded >= -32768.0 && rounded <= 32767.0)) return std::nullopt;
    return static_cast<std::int16_t>(rounded);
}

}  // namespace app
