#include "coords/output_file.h"

#include <cerrno>
#include <cstring>

#include "coords/conversion_error.h"

namespace coords {

namespace {

constexpr std::size_t kBufferSize = std::size_t{1} << 20;

}  // namespace

OutputFile::OutputFile(const std::string& path) : path_(path) {
    file_.reset(std::fopen(path.c_str(), "wb"));
    if (!file_) {
        const int error = errno;
        throw ConversionError("Cannot create the output file " + path_ + ": " +
                              std::strerror(error));
    }
    // The buffer below already gathers whole megabytes; a second one in stdio would
    // only hide a write failure until the close.
    std::setvbuf(file_.get(), nullptr, _IONBF, 0);
    buffer_.reserve(kBufferSize + 8192);
}

OutputFile::~OutputFile() {
    if (file_ && !buffer_.empty()) std::fwrite(buffer_.data(), 1, buffer_.size(), file_.get());
}

void OutputFile::flushIfFull() {
    if (buffer_.size() >= kBufferSize) flush();
}

void OutputFile::flush() {
    if (buffer_.empty()) return;
    errno = 0;
    const std::size_t written = std::fwrite(buffer_.data(), 1, buffer_.size(), file_.get());
    if (written != buffer_.size()) {
        // Drop what did not fit so the destructor does not try it a second time.
        buffer_.clear();
        fail(errno);
    }
    buffer_.clear();
}

void OutputFile::close() {
    flush();
    const bool streamFailed = std::ferror(file_.get()) != 0;
    errno = 0;
    const bool closeFailed = std::fclose(file_.release()) != 0;
    if (streamFailed || closeFailed) fail(errno);
}

void OutputFile::fail(int error) const {
    throw ConversionError("Cannot write the output file " + path_ + ": " +
                          (error != 0 ? std::strerror(error) : "write failed"));
}

}  // namespace coords
