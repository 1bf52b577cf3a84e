#include "trackfile/output_file.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "coords/conversion_error.h"

namespace trackfile {

using coords::ConversionError;

namespace {

constexpr std::size_t kBufferSize = std::size_t{1} << 20;
// A name taken by someone else is tried again with new letters; this many clashes in a
// row mean something is wrong with the folder rather than unlucky.
constexpr int kNameAttempts = 100;
// The new file's name carries the final one, cut so that it stays within the usual
// limit of 255 bytes for a name.
constexpr std::size_t kMaxBaseInName = 200;

// umask() can only be read by setting it, and a thread creating a file in between would
// get the wrong mode, so the kernel's report in /proc is asked first.
mode_t currentUmask() {
    if (std::FILE* status = std::fopen("/proc/self/status", "re")) {
        char line[256];
        unsigned mask = 0;
        bool found = false;
        while (!found && std::fgets(line, sizeof line, status) != nullptr)
            found = std::sscanf(line, "Umask: %o", &mask) == 1;
        std::fclose(status);
        if (found) return static_cast<mode_t>(mask);
    }
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

std::string randomLetters(std::size_t count) {
    static constexpr char kLetters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char bytes[16] = {};
    if (::getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes)) {
        // Without the kernel's randomness the names only need to differ between tries.
        static unsigned counter = 0;
        const unsigned seed = static_cast<unsigned>(::getpid()) * 2654435761u + ++counter;
        for (std::size_t i = 0; i < sizeof bytes; ++i)
            bytes[i] = static_cast<unsigned char>(seed >> (i % 4 * 8));
    }
    std::string out;
    for (std::size_t i = 0; i < count && i < sizeof bytes; ++i)
        out += kLetters[bytes[i] % (sizeof kLetters - 1)];
    return out;
}

}  // namespace

OutputFile::OutputFile(const std::string& path) : path_(path) {
    // Before the file exists: a constructor that throws leaves no destructor to remove it.
    buffer_.reserve(kBufferSize + 8192);
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) fail("create", EISDIR);
        if (S_ISREG(st.st_mode)) refuseIfProtected(st);
        // Only root can make a device node, so one at this name was meant. A pipe or a
        // socket anyone could plant, and it would take the track away from the user, so
        // such a name is replaced like a link.
        if (S_ISCHR(st.st_mode)) {
            // Not blocking: a serial line would otherwise wait here for its carrier.
            fd_ = ::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
            if (fd_ < 0) fail("create", errno);
            // Swapped for a regular file since the look: that one is replaced instead.
            if (::fstat(fd_, &st) != 0 || !S_ISCHR(st.st_mode)) {
                ::close(std::exchange(fd_, -1));
            } else {
                ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
            }
        }
    }
    if (fd_ < 0) createBeside();
}

OutputFile::~OutputFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!newPath_.empty()) ::unlink(newPath_.c_str());
}

// A new name beside the final one, so that the rename at the end stays within one file
// system; the dot keeps it out of the user's listings while it is written.
void OutputFile::createBeside() {
    const std::size_t slash = path_.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : path_.substr(0, slash + 1);
    const std::string name = path_.substr(folder.size());
    // The new file's name is cut short, so only the rename at the end would find out.
    const long maxName = ::pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
    if (maxName > 0 && name.size() > static_cast<std::size_t>(maxName))
        fail("create", ENAMETOOLONG);
    const std::string base = name.substr(0, kMaxBaseInName);
    if (base.empty()) fail("create", ENOENT);
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        std::string candidate = folder + "." + base + "." + randomLetters(6);
        fd_ = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd_ >= 0) {
            newPath_ = std::move(candidate);
            return;
        }
        if (errno != EEXIST) fail("create", errno);
    }
    fail("create", EEXIST);
}

// The rename needs only the folder, but a file the user may not write was kept from being
// changed, by its owner or for them, and is left as it is. Root may write any file, yet one
// that grants writing to no one is refused for root too: someone made it read-only.
void OutputFile::refuseIfProtected(const struct stat& st) const {
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
    if ((st.st_mode & 0222) == 0)
        throw ConversionError("The output file " + path_ + " is read-only (mode " + mode +
                              "); make it writable or choose another name");
    if (::access(path_.c_str(), W_OK) != 0 && (errno == EACCES || errno == EPERM))
        throw ConversionError("You may not write the output file " + path_ + " (owner uid " +
                              std::to_string(st.st_uid) + ", mode " + mode +
                              "); choose another name");
}

void OutputFile::check(const std::string& path) {
    const OutputFile probe(path);  // its destructor removes the new file
}

void OutputFile::flushIfFull() {
    if (buffer_.size() >= kBufferSize) flush();
}

void OutputFile::flush() {
    const char* p = buffer_.data();
    std::size_t left = buffer_.size();
    while (left > 0) {
        const ssize_t n = ::write(fd_, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) fail("write", n < 0 ? errno : EIO);
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    buffer_.clear();
}

void OutputFile::close() {
    flush();
    if (!newPath_.empty()) {
        // The rename must not make a name point at data still only in memory.
        if (::fsync(fd_) != 0) fail("write", errno);
        if (::fchmod(fd_, modeToGive()) != 0) fail("write", errno);
    }
    if (::close(std::exchange(fd_, -1)) != 0) fail("write", errno);
    if (newPath_.empty()) return;
    if (::rename(newPath_.c_str(), path_.c_str()) != 0) fail("write", errno);
    newPath_.clear();
    syncFolder();
}

// A file replaced keeps who may read it: a track is private data, and a file the user made
// private stays private. Its owner and group go with the bits that grant them (root keeps
// both, a user the group of which they are a member); where the group cannot be kept, it
// gets no more than everyone else. A new file gets what the user's umask leaves.
mode_t OutputFile::modeToGive() const {
    struct stat old {};
    if (::lstat(path_.c_str(), &old) != 0 || !S_ISREG(old.st_mode)) return 0666 & ~currentUmask();
    mode_t mode = old.st_mode & 0777;
    if (::fchown(fd_, old.st_uid, old.st_gid) != 0 &&
        ::fchown(fd_, static_cast<uid_t>(-1), old.st_gid) != 0)
        mode = (mode & 0707) | ((mode & 07) << 3);
    return mode;
}

// The rename lives in the folder: until the folder reaches the disk, a power cut could
// bring back the old file or none. Nothing is lost if this fails, so it says nothing.
void OutputFile::syncFolder() const {
    const std::size_t slash = path_.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path_.substr(0, slash + 1);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

void OutputFile::fail(const char* doing, int error) const {
    throw ConversionError(std::string("Cannot ") + doing + " the output file " + path_ + ": " +
                          std::strerror(error));
}

}  // namespace trackfile
