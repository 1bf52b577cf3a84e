#include "source/track_input.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "source/read_error.h"

namespace source {

namespace {

constexpr std::size_t kReadSize = 65536;
// Reads of a pipe in one call of gather(): a step of a few milliseconds at most.
constexpr int kReadsPerStep = 16;

[[noreturn]] void fail(const QString& text) {
    throw ReadError(text.toStdString());
}

QString errorText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// True when a read of `fd` would not wait: bytes have come, or the writer has gone.
bool readable(int fd, int timeoutMs) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, timeoutMs) > 0;
}

}  // namespace

TrackInput::TrackInput(const QString& path) {
    if (path == kStandardInput) {
        name_ = QStringLiteral("standard input");
        fd_ = STDIN_FILENO;
        ownsFd_ = false;
    } else {
        name_ = path;
        // Without O_NONBLOCK, opening a FIFO waits until a writer opens it.
        fd_ = ::open(QFile::encodeName(path).constData(),
                     O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (fd_ < 0) fail(QStringLiteral("%1 cannot be opened: %2.").arg(name_, errorText(errno)));
    }
    struct stat info {};
    if (::fstat(fd_, &info) != 0) failRead(errno);
    regular_ = S_ISREG(info.st_mode);
    if (regular_)
        readHead();
    else
        openSpool();
}

TrackInput::~TrackInput() {
    if (ownsFd_ && fd_ >= 0) ::close(fd_);
    if (spool_ >= 0) ::close(spool_);
}

// A regular file's reader starts where the file stands (standard input may have been
// read in part): the head is read there without moving.
void TrackInput::readHead() {
    const off_t at = ::lseek(fd_, 0, SEEK_CUR);
    head_.resize(kHeadSize);
    qsizetype got = 0;
    while (got < kHeadSize) {
        const ssize_t n =
            ::pread(fd_, head_.data() + got, static_cast<std::size_t>(kHeadSize - got),
                    (at < 0 ? 0 : at) + got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) failRead(errno);
        if (n == 0) break;
        got += n;
    }
    head_.resize(got);
}

// Removed as soon as it is made, the file vanishes with the program however it ends.
void TrackInput::openSpool() {
    const QByteArray pattern = QFile::encodeName(QDir::tempPath() + "/kelvaron-inputXXXXXX");
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    spool_ = ::mkostemp(name.data(), O_CLOEXEC);
    if (spool_ < 0)
        fail(QStringLiteral("%1 cannot be read: no temporary file can be made in %2: %3.")
                 .arg(name_, QDir::tempPath(), errorText(errno)));
    ::unlink(name.data());
    buffer_.resize(kReadSize);
}

TrackInput::Gathered TrackInput::gather() {
    if (regular_ || ended_) return Gathered::All;
    bool some = false;
    // Standard input is not switched to O_NONBLOCK (the shell shares it): every read
    // follows a poll that says it will not wait.
    for (int i = 0; i < kReadsPerStep && readable(fd_, 0); ++i) {
        const ssize_t n = ::read(fd_, buffer_.data(), buffer_.size());
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) break;
        if (n < 0) failRead(errno);
        if (n == 0) {
            ended_ = true;
            if (::lseek(spool_, 0, SEEK_SET) != 0) failRead(errno);
            return Gathered::All;
        }
        keep(buffer_.data(), static_cast<std::size_t>(n));
        some = true;
    }
    return some ? Gathered::Some : Gathered::Nothing;
}

void TrackInput::keep(const char* bytes, std::size_t count) {
    gathered_ += static_cast<std::int64_t>(count);
    if (gathered_ > kPipeLimit)
        fail(QStringLiteral("%1 sends more than %2 GiB, more than any track log; save it as a "
                            "file and read that.")
                 .arg(name_)
                 .arg(kPipeLimit >> 30));
    if (head_.size() < kHeadSize)
        head_.append(bytes,
                     std::min<qsizetype>(kHeadSize - head_.size(), static_cast<qsizetype>(count)));
    while (count > 0) {
        const ssize_t n = ::write(spool_, bytes, count);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0)
            fail(QStringLiteral("%1 cannot be read: the temporary file in %2 that holds it "
                                "could not be written: %3.")
                     .arg(name_, QDir::tempPath(), errorText(errno)));
        bytes += n;
        count -= static_cast<std::size_t>(n);
    }
}

void TrackInput::waitForBytes() const {
    if (!regular_ && !ended_) readable(fd_, -1);
}

void TrackInput::failRead(int error) const {
    fail(QStringLiteral("%1 could not be read: %2.").arg(name_, errorText(error)));
}

}  // namespace source
