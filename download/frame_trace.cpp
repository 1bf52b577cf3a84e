#include "download/frame_trace.h"

#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <string>

#include "download/download.h"
#include "download/download_services.h"
#include "garmin/gps.h"

namespace app {

namespace {

// The engine's direction marks, in the file's UTF-8.
constexpr std::string_view kOut = "PC -\xC2\xBB GPS ";
constexpr std::string_view kIn = "PC \xC2\xAB- GPS ";

// One character per byte (the engine's direction marks are such characters) to UTF-8.
std::string utf8FromLatin1(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | (byte >> 6));
            out += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return out;
}

}  // namespace

QString FrameTrace::chosenFile(const PortChoice& choice, const SettingsStore& settings) {
    if (!choice.traceFile.isEmpty()) return choice.traceFile;
    const QString fromEnvironment = qEnvironmentVariable("KELVARON_TRACE");
    if (!fromEnvironment.isEmpty()) return fromEnvironment;
    return settings.read(QStringLiteral("Settings"), QStringLiteral("Trace")).value_or(QString());
}

QString FrameTrace::open(const QString& path) {
    close();
    // Written as it goes, so that a crash keeps the trace: not a new file renamed into
    // place at the end. A link at the name is refused rather than followed.
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0) file_.reset(::fdopen(fd, "w"));
    if (!file_) {
        const int error = errno;
        if (fd >= 0) ::close(fd);
        return QStringLiteral("Cannot create the trace file %1: %2.")
            .arg(path, QString::fromLocal8Bit(std::strerror(error)));
    }
    // One write per line: on disk as it goes, and cheap.
    std::setvbuf(file_.get(), nullptr, _IOLBF, BUFSIZ);
    return {};
}

QString FrameTrace::openChosen(const PortChoice& choice, const SettingsStore& settings) {
    close();
    const QString path = chosenFile(choice, settings);
    return path.isEmpty() ? QString() : open(path);
}

void FrameTrace::engineLine(std::string_view text) {
    // The engine ends every byte with a blank; the file's lines end without one.
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    write({}, utf8FromLatin1(text));
}

void FrameTrace::sent(std::string_view text) {
    write(kOut, utf8FromLatin1(text));
}

void FrameTrace::received(std::string_view text) {
    write(kIn, utf8FromLatin1(text));
}

void FrameTrace::linkError(std::string_view message) {
    if (!file_) return;
    write("link error: ", utf8FromLatin1(message));
}

void FrameTrace::portSpeed(int bitsPerSecond) {
    if (!file_) return;
    write("port speed: ", std::to_string(bitsPerSecond) + " bit/s");
}

void FrameTrace::write(std::string_view prefix, std::string_view text) {
    if (!file_) return;
    using namespace std::chrono;
    const auto now = now_();
    const std::time_t seconds = system_clock::to_time_t(
        time_point_cast<system_clock::duration>(floor<std::chrono::seconds>(now)));
    const auto millis = duration_cast<milliseconds>(now - floor<std::chrono::seconds>(now));
    std::tm utc{};
    ::gmtime_r(&seconds, &utc);
    char stamp[40];
    const std::size_t n = std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S", &utc);
    std::fprintf(file_.get(), "%.*s.%03dZ %.*s%.*s\n", static_cast<int>(n), stamp,
                 static_cast<int>(millis.count()), static_cast<int>(prefix.size()), prefix.data(),
                 static_cast<int>(text.size()), text.data());
}

void FrameTrace::attach(garmin::cGarminGPS& gps) {
    if (!file_) {
        gps.HexDebug = nullptr;
        gps.NMEA = nullptr;
        return;
    }
    gps.HexDebug = [this](std::string& text) { engineLine(text); };
    gps.NMEA = [this](std::string& sentence, bool&) { received(sentence); };
}

}  // namespace app
