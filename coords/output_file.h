// The output file of the pass, written through one large buffer of whole lines.
#pragma once

#include <string>

#include "coords/file_handle.h"

namespace coords {

class OutputFile {
  public:
    // Creates or empties `path`; throws ConversionError when it cannot.
    explicit OutputFile(const std::string& path);
    // Lines appended but not yet closed are still written when the pass is left by an
    // error, so everything converted before the failing record reaches the file.
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Whole lines are appended here; call flushIfFull after each one.
    std::string& buffer() { return buffer_; }
    void flushIfFull();
    // Writes the rest and closes; throws ConversionError on any write or close failure
    // (a full disk often shows only at the close).
    void close();

  private:
    void flush();
    [[noreturn]] void fail(int error) const;

    std::string path_;
    FileHandle file_;
    std::string buffer_;
};

}  // namespace coords
