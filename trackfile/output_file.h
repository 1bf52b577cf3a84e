// The output file of the pass, written through one large buffer of whole lines into a new
// private file beside the final name, which takes that name only once it is complete.
#pragma once

#include <sys/stat.h>

#include <string>

namespace trackfile {

class OutputFile {
  public:
    // Creates the new file in the folder of `path`; throws ConversionError when it cannot,
    // or when a file at `path` may not be written (see refuseIfProtected).
    // Nothing at `path` is opened: a symbolic link (or pipe) planted there is replaced at
    // the end, never followed. Only a character device named directly (/dev/null) is
    // written in place, as there is no file to replace.
    explicit OutputFile(const std::string& path);
    // Unless close() succeeded, the new file is removed, so a failed pass leaves whatever
    // was at the final name as it was and nothing half-written.
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates and removes the new file an output at `path` would be written through, so
    // that a name no output can take is refused before a download of minutes; throws
    // ConversionError as the constructor does.
    static void check(const std::string& path);

    // Whole lines are appended here; call flushIfFull after each one.
    std::string& buffer() { return buffer_; }
    void flushIfFull();
    // Writes the rest, forces it to the disk, gives the file the mode of the file it
    // replaces (a new one: what the user's umask asks for) and renames it over the final
    // name; throws ConversionError on any failure (a full disk often shows only at the
    // sync or the close).
    void close();

  private:
    void refuseIfProtected(const struct stat& st) const;
    void createBeside();
    mode_t modeToGive() const;
    void syncFolder() const;
    void flush();
    [[noreturn]] void fail(const char* doing, int error) const;

    std::string path_;
    std::string newPath_;  // empty when writing in place or once renamed
    int fd_ = -1;
    std::string buffer_;
};

}  // namespace trackfile
