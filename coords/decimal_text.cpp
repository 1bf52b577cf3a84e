#include "coords/decimal_text.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "coords/arith_error.h"

namespace coords {

namespace {

// A positive value as significant digits and the position of the decimal point
// relative to them: 314402.724 is "314402724" with the point after 6 digits,
// 0.00036 is "36" with the point at -3.
struct Digits {
    char text[24];
    int count = 0;
    int pointPos = 0;
};

Digits significantDigits(double v) {
    char tmp[40];
    const auto res = std::to_chars(tmp, tmp + sizeof tmp, v, std::chars_format::general, 15);
    Digits d;
    int intDigits = -1;
    int exponent = 0;
    for (const char* p = tmp; p < res.ptr; ++p) {
        if (*p >= '0' && *p <= '9') {
            d.text[d.count++] = *p;
        } else if (*p == '.') {
            intDigits = d.count;
        } else if (*p == 'e') {
            std::from_chars(p + 1 + (p[1] == '+'), res.ptr, exponent);
            break;
        }
    }
    d.pointPos = (intDigits < 0 ? d.count : intDigits) + exponent;
    int lead = 0;
    while (lead < d.count - 1 && d.text[lead] == '0') ++lead;
    std::memmove(d.text, d.text + lead, static_cast<std::size_t>(d.count - lead));
    d.count -= lead;
    d.pointPos -= lead;
    while (d.count > 1 && d.text[d.count - 1] == '0') --d.count;
    return d;
}

char* fillChars(char* out, char c, int n) {
    for (int i = 0; i < n; ++i) *out++ = c;
    return out;
}

char* copyChars(char* out, const char* from, int n) {
    std::memcpy(out, from, static_cast<std::size_t>(n));
    return out + n;
}

}  // namespace

std::size_t formatDecimal(double v, char separator, bool zeroBeforePoint, char* out) {
    if (!std::isfinite(v)) throw ArithmeticError("a value to be written is not a finite number");
    char* p = out;
    if (v == 0.0) {
        *p = '0';
        return 1;
    }
    if (v < 0.0) {
        *p++ = '-';
        v = -v;
    }
    // Whole values below 10^15 have at most 15 digits: they print exactly, and grid
    // metres, the bulk of what the pass writes, take this short road.
    if (v < 1e15 && v == std::floor(v)) {
        const auto res = std::to_chars(p, out + kMaxDecimalChars, static_cast<std::int64_t>(v));
        return static_cast<std::size_t>(res.ptr - out);
    }
    const Digits d = significantDigits(v);
    if (d.pointPos <= 0) {
        if (zeroBeforePoint) *p++ = '0';
        *p++ = separator;
        p = fillChars(p, '0', -d.pointPos);
        p = copyChars(p, d.text, d.count);
    } else if (d.pointPos < d.count) {
        p = copyChars(p, d.text, d.pointPos);
        *p++ = separator;
        p = copyChars(p, d.text + d.pointPos, d.count - d.pointPos);
    } else {
        p = copyChars(p, d.text, d.count);
        p = fillChars(p, '0', d.pointPos - d.count);
    }
    return static_cast<std::size_t>(p - out);
}

}  // namespace coords
