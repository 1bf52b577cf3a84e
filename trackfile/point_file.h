// The temporary point file: one point a line, `lat,lon,"text"` CR LF, degrees with
// a full stop and up to 15 significant digits. Writers and the reader share this.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "coords/conversion_error.h"
#include "trackfile/file_handle.h"

namespace trackfile {

// No line of a point file is longer than this, CR LF included. The reader refuses
// longer ones, so a damaged or hostile file cannot make it hold more than this.
inline constexpr std::size_t kMaxPointLineLength = 4096;

// The line for one point, CR LF included. Throws std::invalid_argument for a line the
// reader would refuse: a non-finite coordinate, a CR or LF in the text, or a line
// longer than kMaxPointLineLength.
std::string formatPointRecord(double lat, double lon, const std::string& text);

struct PointRecord {
    double lat = 0.0;
    double lon = 0.0;
    std::string_view text;  // without its quotes; valid until the next next()
};

// Reads a point file front to back through one fixed buffer. Every failure throws
// ConversionError naming the file and, for a bad record, its line number.
class PointFileReader {
  public:
    explicit PointFileReader(const std::string& path);
    // Reads `file`, opened by the caller; `path` is how messages call it.
    PointFileReader(FileHandle file, std::string path);

    // A point file a download kept when it was killed may end in the middle of a line:
    // with this on, next() ends before such a line instead of refusing it, and
    // lastLineCut() says so.
    void passOverCutLastLine() { passOverCut_ = true; }
    bool lastLineCut() const { return lastLineCut_; }

    // The next record; false at the end of the file.
    bool next(PointRecord& record);
    // The line of the record last returned (counting from 1).
    std::uint64_t lineNumber() const { return line_; }
    const std::string& path() const { return path_; }

  private:
    bool fill();
    void parse(const char* begin, const char* end, PointRecord& record) const;
    [[noreturn]] void failLine(const std::string& why) const;

    std::string path_;
    FileHandle file_;
    std::unique_ptr<char[]> buffer_;  // kBufferSize bytes, never zero-filled
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    bool atEnd_ = false;
    std::uint64_t line_ = 0;
    bool passOverCut_ = false;
    bool lastLineCut_ = false;
};

}  // namespace trackfile
