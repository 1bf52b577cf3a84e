// The bytes of a track file, opened so that nothing waits for them. A regular file is read
// where it lies. A pipe, a FIFO or a terminal (standard input among them) has no writer yet,
// or sends its bytes as they come: it is opened without waiting, and its bytes are gathered,
// whenever some have come, into an unnamed temporary file, which the reader then reads as a
// regular one. Every byte of the source is read from it once.
#pragma once

#include <QByteArray>
#include <QLatin1String>
#include <QString>
#include <cstdint>
#include <vector>

namespace source {

// The name that reads standard input.
inline constexpr QLatin1String kStandardInput("-");

class TrackInput {
  public:
    // The first bytes, by which the kind of file is told.
    static constexpr qsizetype kHeadSize = 256;
    // A pipe that sends more than this is no track log: a year of one-second points as GPX
    // is about a third of it.
    static constexpr std::int64_t kPipeLimit = std::int64_t{1} << 30;

    // Opens `path` ("-": standard input) without waiting for a writer; throws ReadError.
    explicit TrackInput(const QString& path);
    ~TrackInput();
    TrackInput(const TrackInput&) = delete;
    TrackInput& operator=(const TrackInput&) = delete;

    enum class Gathered { Nothing, Some, All };
    // Takes what a pipe has sent so far, without waiting: Nothing when no byte had come,
    // All once the input has ended (at once for a regular file). Throws ReadError.
    Gathered gather();
    // Waits until a pipe has more to give or has ended: for callers that may wait.
    void waitForBytes() const;

    // True once the first kHeadSize bytes, or all of a shorter input, are known.
    bool headKnown() const { return regular_ || ended_ || head_.size() >= kHeadSize; }
    const QByteArray& head() const { return head_; }
    // Once gather() said All: the input from its first byte on, as a regular file, which
    // stays open as long as this object.
    int descriptor() const { return regular_ ? fd_ : spool_; }
    // How messages call the input: its path, or "standard input".
    const QString& name() const { return name_; }

  private:
    void readHead();
    void openSpool();
    void keep(const char* bytes, std::size_t count);
    [[noreturn]] void failRead(int error) const;

    QString name_;
    int fd_ = -1;
    bool ownsFd_ = true;
    bool regular_ = false;
    int spool_ = -1;  // the unnamed temporary file a pipe's bytes are gathered in
    bool ended_ = false;
    std::int64_t gathered_ = 0;
    QByteArray head_;
    std::vector<char> buffer_;
};

}  // namespace source
