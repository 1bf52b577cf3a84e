#include "cli/interrupt_notifier.h"

#include <fcntl.h>
#include <unistd.h>

#include <csignal>

namespace cli {

namespace {

// A closed terminal (SIGHUP) stops a download as surely as Ctrl-C or a kill, so the
// receiver is told and the points kept in each case.
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

int pipeEnds[2] = {-1, -1};

extern "C" void onSignal(int signal) {
    const auto byte = static_cast<unsigned char>(signal);
    // Nothing to do when the pipe is full: a signal is waiting to be handled already.
    [[maybe_unused]] const auto written = ::write(pipeEnds[1], &byte, 1);
}

bool ignored(int signal) {
    struct sigaction current {};
    return ::sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN;
}

void install(int signal, void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(signal, &action, nullptr);
}

}  // namespace

InterruptNotifier::InterruptNotifier(std::function<void(int)> handler)
    : handler_(std::move(handler)) {
    if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) return;
    notifier_ = std::make_unique<QSocketNotifier>(pipeEnds[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                     [this] { onReadable(); });
    // A signal ignored from the start (nohup, a background job of a script) stays
    // ignored: whoever started the program chose that the download outlives it.
    for (const int signal : kSignals) {
        if (ignored(signal)) continue;
        install(signal, onSignal);
        caught_.push_back(signal);
    }
}

InterruptNotifier::~InterruptNotifier() {
    for (const int signal : caught_) install(signal, SIG_DFL);
    notifier_.reset();
    for (int& end : pipeEnds) {
        if (end >= 0) ::close(end);
        end = -1;
    }
}

void InterruptNotifier::onReadable() {
    unsigned char byte = 0;
    while (::read(pipeEnds[0], &byte, 1) == 1) {
        handler_(byte);
    }
}

}  // namespace cli
