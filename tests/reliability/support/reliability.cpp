#include "tests/reliability/support/reliability.h"

#include <sys/resource.h>
#include <sys/stat.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <algorithm>
#include <csignal>
#include <regex>

namespace kelvaron_reliability {

Session::Session(Family family, QStringList simOptions, const QString& speedIndex)
    : family_(family), speedIndex_(speedIndex), output_(dir_.filePath("track.txt")) {
    simOptions << "--protocol" << (family == Family::Garmin ? "garmin" : "magellan")
               << "--dump-track" << dump() << "--log" << log();
    sim_ = std::make_unique<kelvaron_e2e::SimReceiver>(dir_.path(), simOptions);
    window_ = std::make_unique<kelvaron_e2e::LiveWindow>(dir_.path());
}

kelvaron_e2e::LiveWindow& Session::open() {
    window_->mapPort(1, sim_->link());
    window_->set("GPSType", QString::number(static_cast<int>(family_)));
    window_->set("COM", "0");
    window_->set("Speed", speedIndex_);
    window_->set("FName", output_);
    window_->set("CorSys", "0");
    window_->set("Reduce", "0");
    window_->set("Dev", "10");
    window_->open();
    // One output file however many segments the track has, to compare with the track.
    window_->access().control<QCheckBox>("chkSplit")->setChecked(false);
    return *window_;
}

void Session::after(int ms, std::function<void()> action) {
    if (!timers_) timers_ = std::make_unique<QObject>();
    QTimer::singleShot(ms, timers_.get(), std::move(action));
}

std::vector<std::string> Session::messages() const {
    std::vector<std::string> out;
    for (const auto& m : window_->dialogs.messages) out.push_back(m.toStdString());
    return out;
}

std::string Session::allMessages() const {
    std::string all;
    for (const auto& m : messages()) all += "[" + m + "]\n";
    return all.empty() ? "(no message)" : all;
}

QStringList Session::leftoverPointFiles() const {
    QStringList out;
    for (const QString& name : window_->leftoverPointFiles())
        out << QDir(tempFolder()).filePath(name);
    return out;
}

std::vector<std::string> Lines(const QByteArray& text) {
    std::vector<std::string> lines;
    for (QByteArray line : text.split('\n')) {
        if (line.endsWith('\r')) line.chop(1);
        lines.push_back(line.toStdString());
    }
    if (!lines.empty() && lines.back().empty()) lines.pop_back();
    return lines;
}

Comparison Compare(const QByteArray& expected, const QByteArray& written) {
    const auto want = Lines(expected);
    const auto got = Lines(written);
    Comparison c;
    c.expected = want.size();
    c.written = got.size();
    std::map<std::string, long> balance;  // copies in the track minus copies written
    for (const auto& l : want) ++balance[l];
    for (const auto& l : got) --balance[l];
    for (const auto& [line, n] : balance) {
        if (n > 0) c.lost += static_cast<std::size_t>(n);
        if (n < 0) c.extra += static_cast<std::size_t>(-n);
    }
    c.exact = got == want;
    c.prefix = got.size() <= want.size() && std::equal(got.begin(), got.end(), want.begin());
    return c;
}

std::map<std::string, int> Injected_Faults(const QString& logPath) {
    // The simulator tags every transmission that carries a fault: "... # track point #12
    // [dropped]".
    static const std::regex tag(
        R"(\[(corrupted|dropped|ack will be ignored|duplicated|noise[^\]]*)\])");
    std::map<std::string, int> faults;
    QFile f(logPath);
    if (!f.open(QIODevice::ReadOnly)) return faults;
    while (!f.atEnd()) {
        const std::string line = f.readLine().toStdString();
        std::smatch m;
        if (std::regex_search(line, m, tag)) ++faults[m[1].str()];
    }
    return faults;
}

int Magellan_Bad_Lines(const QString& logPath, std::size_t points) {
    QFile f(logPath);
    if (!f.open(QIODevice::ReadOnly)) return 0;
    long lines = 0;
    while (!f.atEnd())
        if (f.readLine().contains(" sim> ")) ++lines;
    return static_cast<int>(std::max(0L, lines - static_cast<long>(points) - 1));
}

int Total(const std::map<std::string, int>& faults) {
    int n = 0;
    for (const auto& [kind, count] : faults) n += count;
    return n;
}

std::string Describe(const std::map<std::string, int>& faults) {
    std::string text;
    for (const auto& [kind, count] : faults)
        text += (text.empty() ? "" : ", ") + std::to_string(count) + " " + kind;
    return text.empty() ? "none" : text;
}

FileSizeLimit::FileSizeLimit(long long bytes) {
    rlimit now{};
    if (::getrlimit(RLIMIT_FSIZE, &now) != 0) return;
    previous_ = now.rlim_cur;
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit lowered = now;
    lowered.rlim_cur = static_cast<rlim_t>(bytes);
    applied_ = ::setrlimit(RLIMIT_FSIZE, &lowered) == 0;
}

FileSizeLimit::~FileSizeLimit() {
    if (applied_) {
        rlimit now{};
        ::getrlimit(RLIMIT_FSIZE, &now);
        now.rlim_cur = static_cast<rlim_t>(previous_);
        ::setrlimit(RLIMIT_FSIZE, &now);
    }
    std::signal(SIGXFSZ, previousHandler_ == SIG_ERR ? SIG_DFL : previousHandler_);
}

Umask::Umask(unsigned mask) : previous_(::umask(static_cast<mode_t>(mask))) {}
Umask::~Umask() {
    ::umask(static_cast<mode_t>(previous_));
}

int Mode_Of(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return -1;
    return static_cast<int>(st.st_mode & 07777);
}

}  // namespace kelvaron_reliability
