// Ctrl-C (SIGINT), SIGTERM and a closed terminal (SIGHUP) as calls on the event loop:
// the signal handler only writes the signal's number into a pipe, whose reading end the
// loop watches. Every signal comes this way, a second as much as the first, so that the
// program always ends saying where the points are; Ctrl-\ (SIGQUIT) still ends it at once.
#pragma once

#include <QSocketNotifier>
#include <functional>
#include <memory>
#include <vector>

namespace cli {

class InterruptNotifier {
  public:
    explicit InterruptNotifier(std::function<void(int signal)> handler);
    ~InterruptNotifier();
    InterruptNotifier(const InterruptNotifier&) = delete;
    InterruptNotifier& operator=(const InterruptNotifier&) = delete;

  private:
    void onReadable();

    std::function<void(int)> handler_;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::vector<int> caught_;  // the signals handled here
};

}  // namespace cli
