// Shared pieces of the reliability tests and the soak: a window on the real serial port
// against kelvaron-sim, limits on the user's disk that undo themselves, and the figures
// read back from the simulator's frame log.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tests/e2e/support/e2e_harness.h"

namespace kelvaron_reliability {

// Receiver family, as the window's GPS type list numbers it.
enum class Family { Magellan = 0, Garmin = 1 };

// One download in its own folder: the simulator (its track dumped, its frames logged)
// and a window whose COM1 leads to it, writing `track.txt` in latitude/longitude, one
// file for the whole track.
class Session {
  public:
    Session(Family family, QStringList simOptions, const QString& speedIndex = "11");

    bool started() const { return sim_ && sim_->started(); }
    QString simErrors() const { return sim_ ? sim_->errors() : QString(); }
    kelvaron_e2e::SimReceiver& sim() { return *sim_; }
    kelvaron_e2e::LiveWindow& window() { return *window_; }

    // Before open(): the output path (default <folder>/track.txt), the temporary folder.
    void setOutput(const QString& path) { output_ = path; }
    kelvaron_e2e::LiveWindow& open();
    // Runs `action` `ms` from now on the event loop, also after Save has returned (a
    // Garmin transfer goes on after it); never after the session has ended.
    void after(int ms, std::function<void()> action);

    QString folder() const { return dir_.path(); }
    QString path(const QString& name) const { return dir_.filePath(name); }
    QString output() const { return output_; }
    QString dump() const { return path("dump.txt"); }
    QString log() const { return path("sim.log"); }
    // Where the window makes its temporary point files.
    QString tempFolder() const { return path("tmp"); }

    std::vector<std::string> messages() const;
    // All messages, one per line, for failure output.
    std::string allMessages() const;
    // The temporary point files left in the temporary folder, full paths.
    QStringList leftoverPointFiles() const;

  private:
    QTemporaryDir dir_;
    Family family_;
    QString speedIndex_;
    QString output_;
    std::unique_ptr<kelvaron_e2e::SimReceiver> sim_;
    std::unique_ptr<kelvaron_e2e::LiveWindow> window_;
    std::unique_ptr<QObject> timers_;  // owns the pending after() actions
};

// The output lines of a file, CR LF ends removed.
std::vector<std::string> Lines(const QByteArray& text);

// How the output compares with the track the receiver held, both in output form.
struct Comparison {
    std::size_t expected = 0;  // lines of the receiver's track
    std::size_t written = 0;   // lines in the output
    std::size_t lost = 0;      // lines of the track that the output lacks
    std::size_t extra = 0;     // output lines beyond the track's own copies (written twice)
    bool exact = false;        // every line once, in order
    bool prefix = false;       // the output is the first `written` lines of the track
};
Comparison Compare(const QByteArray& expected, const QByteArray& written);

// Faults the simulator injected, by kind, counted from its frame log.
std::map<std::string, int> Injected_Faults(const QString& logPath);
int Total(const std::map<std::string, int>& faults);
// Lines of a Magellan reply that are not one of its `points` track points or its end
// sentence: noise and malformed sentences.
int Magellan_Bad_Lines(const QString& logPath, std::size_t points);
std::string Describe(const std::map<std::string, int>& faults);

// Lowers the soft limit on the size of files this process writes, as a full disk would
// stop it (writes fail with EFBIG instead of a signal); restored on destruction.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(long long bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool applied() const { return applied_; }

  private:
    bool applied_ = false;
    unsigned long long previous_ = 0;
    void (*previousHandler_)(int) = nullptr;
};

// Sets the process's umask for its lifetime.
class Umask {
  public:
    explicit Umask(unsigned mask);
    ~Umask();
    Umask(const Umask&) = delete;
    Umask& operator=(const Umask&) = delete;

  private:
    unsigned previous_;
};

// Permission bits of a file, or -1 when it cannot be read.
int Mode_Of(const QString& path);

}  // namespace kelvaron_reliability
