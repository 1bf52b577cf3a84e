// Fakes of the window's services for headless tests: a settings store in memory,
// dialogs that record what they were asked and answer from a script, a readme
// opener, a program exit that only records, and a scripted serial port, timer and pump.
#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/services.h"

namespace kelvaron_test {

class MemoryStore final : public app::SettingsStore {
  public:
    std::optional<QString> read(const QString& section, const QString& key) const override;
    void write(const QString& section, const QString& key, const QString& value) override;

    void set(const QString& key, const QString& value, const QString& section = "Settings") {
        values[section + "/" + key] = value;
    }
    std::optional<QString> get(const QString& key, const QString& section = "Settings") const {
        return read(section, key);
    }

    std::map<QString, QString> values;                // "section/key" -> value
    std::vector<std::pair<QString, QString>> writes;  // in order: "section/key", value
};

class RecordingDialogs final : public app::Dialogs {
  public:
    void message(QWidget* parent, const QString& text) override;
    bool retryCancel(QWidget* parent, const QString& text) override;
    std::optional<QString> saveFileName(QWidget* parent, const QString& title,
                                        const QStringList& filters,
                                        const QString& current) override;

    std::vector<QString> messages;    // every message and retry/cancel text, in order
    std::deque<bool> retryAnswers;    // answers to retryCancel; Cancel when empty
    std::optional<QString> savePath;  // what the save dialog returns
    QString saveTitle;
    QStringList saveFilters;
    QString saveCurrent;
    std::function<void(const QString&)> onMessage;  // runs while a message is "shown"
};

class FakeReadme final : public app::ReadmeOpener {
  public:
    bool open(const QString& path) override {
        opened.push_back(path);
        return result;
    }
    bool result = true;
    std::vector<QString> opened;
};

class RecordingExit final : public app::ProgramExit {
  public:
    void exitNow(int code) override { codes.push_back(code); }
    std::vector<int> codes;
};

class FakeTimer final : public app::TimeoutTimer {
  public:
    void arm() override { armed = true; }
    void disarm() override { armed = false; }
    bool isArmed() const override { return armed; }
    void setTickHandler(std::function<void()> h) override { handler = std::move(h); }
    void tick() {
        if (handler) handler();
    }
    bool armed = false;
    std::function<void()> handler;
};

class FakeClock final : public seams::Clock {
  public:
    double secondsElapsed() const override { return now; }
    double now = 0;
};

// Each call runs `onPump` (the events that "arrive"), and records the wait asked for.
class FakePump final : public seams::EventPump {
  public:
    void processEvents(int maxWaitMs) override {
        waits.push_back(maxWaitMs);
        if (onPump) onPump();
    }
    std::vector<int> waits;
    std::function<void()> onPump;
};

// A port whose reads come from a script: each readAll() returns the next chunk.
// After the script it returns nothing, or closes itself when `loseAtEnd` is set.
class ScriptedCommPort final : public app::CommPort {
  public:
    bool isOpen() const override { return open_; }
    bool open(int port, const std::string& settings) override;
    void close() override {
        open_ = false;
        ++closes;
    }
    void write(const std::string& bytes) override { written += bytes; }
    std::string readAll() override;
    void discardInput() override {}
    int commEvent() const override { return event; }
    void setEventHandler(std::function<void()> h) override { handler = std::move(h); }
    QString deviceName(int port) const override { return QString("/dev/fake%1").arg(port); }
    QString openFailureText() const override { return failureText; }

    bool opens = true;
    QString failureText;
    std::deque<std::string> chunks;
    bool loseAtEnd = false;
    std::vector<std::pair<int, std::string>> openCalls;
    std::string written;
    int closes = 0;
    int event = 0;
    std::function<void()> handler;

  private:
    bool open_ = false;
};

}  // namespace kelvaron_test

#include "app/desktop_services.h"

namespace kelvaron_test {

// Every service faked, temporary point files made in `tempFolder`.
struct FakePlatform {
    explicit FakePlatform(const QString& tempFolder) : tempFiles(tempFolder) {}

    app::Services services() {
        return app::Services{comm, timer, pump, clock, store, dialogs, readme, tempFiles, exit};
    }

    MemoryStore store;
    ScriptedCommPort comm;
    FakeTimer timer;
    FakePump pump;
    FakeClock clock;
    RecordingDialogs dialogs;
    FakeReadme readme;
    app::SystemTempFiles tempFiles;
    RecordingExit exit;
};

}  // namespace kelvaron_test
