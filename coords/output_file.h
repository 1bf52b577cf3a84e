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

    // Whole lines are appended here; call Flush_If_Full after each one.
    std::string& Buffer() { return buffer_; }
    void Flush_If_Full();
    // Writes the rest and closes; throws ConversionError on any write or close failure
    // (a full disk often shows only at the close).
    void Close();

  private:
    void Flush();
    [[noreturn]] void Fail(int error) const;

    std::string path_;
    FileHandle file_;
    std::string buffer_;
};

}  // namespace coords
