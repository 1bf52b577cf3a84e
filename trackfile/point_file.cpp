#include "trackfile/point_file.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <stdexcept>
#include <utility>

#include "coords/decimal_text.h"

namespace trackfile {

using coords::ConversionError;
using coords::formatDecimal;
using coords::kMaxDecimalChars;

namespace {

constexpr std::size_t kReadSize = std::size_t{1} << 20;
constexpr std::size_t kBufferSize = kReadSize + kMaxPointLineLength;

// Above this a value rounded to 15 significant digits no longer fits a double, and the
// reader would refuse the line.
constexpr double kLargestWritable = 1.79769313486231e308;

// Only plain decimals are accepted: no exponent, no leading plus or space, and
// nothing that parses but is not finite.
const char* parseCoordinate(const char* p, const char* end, double& value, const char* what,
                            std::string& why) {
    const auto res = std::from_chars(p, end, value, std::chars_format::fixed);
    if (res.ec == std::errc::result_out_of_range) {
        why = std::string("the ") + what + " is out of range";
    } else if (res.ec != std::errc() || !std::isfinite(value)) {
        why = std::string("the ") + what + " is not a number";
    } else if (res.ptr == end || *res.ptr != ',') {
        why = std::string("the ") + what + " is not followed by a comma";
    } else {
        return res.ptr + 1;
    }
    return nullptr;
}

}  // namespace

std::string formatPointRecord(double lat, double lon, const std::string& text) {
    if (!(std::fabs(lat) <= kLargestWritable && std::fabs(lon) <= kLargestWritable))
        throw std::invalid_argument("a track point with a coordinate that is not a number");
    if (text.find_first_of("\r\n") != std::string::npos)
        throw std::invalid_argument("a track point text with a line break");
    char buf[2 * kMaxDecimalChars + 2];
    std::size_t n = formatDecimal(lat, '.', true, buf);
    buf[n++] = ',';
    n += formatDecimal(lon, '.', true, buf + n);
    buf[n++] = ',';
    std::string line;
    line.reserve(n + text.size() + 4);
    line.append(buf, n).append(1, '"').append(text).append("\"\r\n");
    if (line.size() > kMaxPointLineLength)
        throw std::invalid_argument("a track point text too long for the point file");
    return line;
}

PointFileReader::PointFileReader(const std::string& path)
    : path_(path), buffer_(std::make_unique_for_overwrite<char[]>(kBufferSize)) {
    file_.reset(std::fopen(path.c_str(), "rb"));
    if (!file_) {
        const int error = errno;
        throw ConversionError("Cannot open the point file " + path_ + ": " + std::strerror(error));
    }
}

PointFileReader::PointFileReader(FileHandle file, std::string path)
    : path_(std::move(path)),
      file_(std::move(file)),
      buffer_(std::make_unique_for_overwrite<char[]>(kBufferSize)) {}

bool PointFileReader::next(PointRecord& record) {
    for (;;) {
        const char* start = buffer_.get() + begin_;
        const auto* lf = static_cast<const char*>(std::memchr(start, '\n', end_ - begin_));
        if (lf != nullptr) {
            ++line_;
            if (static_cast<std::size_t>(lf - start) + 1 > kMaxPointLineLength)
                failLine("the line is too long");
            begin_ = static_cast<std::size_t>(lf + 1 - buffer_.get());
            parse(start, lf, record);
            return true;
        }
        if (end_ - begin_ >= kMaxPointLineLength) {
            ++line_;
            failLine("the line is too long");
        }
        if (!fill()) {
            if (begin_ == end_) return false;
            ++line_;
            if (!passOverCut_) failLine("the last line is not complete");
            lastLineCut_ = true;
            begin_ = end_;
            return false;
        }
    }
}

bool PointFileReader::fill() {
    if (atEnd_) return false;
    std::memmove(buffer_.get(), buffer_.get() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
    const std::size_t got = std::fread(buffer_.get() + end_, 1, kBufferSize - end_, file_.get());
    if (got == 0) {
        if (std::ferror(file_.get()) != 0) {
            const int error = errno;
            throw ConversionError("Cannot read the point file " + path_ + ": " +
                                  std::strerror(error));
        }
        atEnd_ = true;
        return false;
    }
    end_ += got;
    return true;
}

// `end` points at the line's LF.
void PointFileReader::parse(const char* begin, const char* end, PointRecord& record) const {
    if (end == begin || end[-1] != '\r') failLine("the line does not end in CR LF");
    --end;
    if (std::memchr(begin, '\r', static_cast<std::size_t>(end - begin)) != nullptr)
        failLine("the line holds a stray carriage return");
    std::string why;
    const char* p = parseCoordinate(begin, end, record.lat, "latitude", why);
    if (p != nullptr) p = parseCoordinate(p, end, record.lon, "longitude", why);
    if (p == nullptr) failLine(why);
    if (end - p < 2 || *p != '"' || end[-1] != '"') failLine("the text is not in double quotes");
    record.text = std::string_view(p + 1, static_cast<std::size_t>(end - p - 2));
}

void PointFileReader::failLine(const std::string& why) const {
    throw ConversionError("Cannot read the point file " + path_ + ", line " +
                          std::to_string(line_) + ": " + why);
}

}  // namespace trackfile
