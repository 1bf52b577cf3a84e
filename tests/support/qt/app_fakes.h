// The window's services faked for headless tests: the port and timer on the plain seam
// fakes, a settings store in memory, dialogs that record every text and answer Retry or
// Cancel from a script, a readme opener and a program exit that only record.
#pragma once

#include <QString>
#include <QTimer>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "download/download_ui.h"
#include "qt/system_temp_files.h"
#include "tests/support/seam_fakes.h"
#include "window/desktop_services.h"
#include "window/message_queue.h"
#include "window/services.h"

namespace testkit {

class FakeCommPort final : public BasicFakePort<app::CommPort> {
  public:
    void setEventHandler(std::function<void()> h) override { handler = std::move(h); }
    QString deviceName(int n) const override { return QStringLiteral("/dev/fake%1").arg(n); }
    void setDevice(const QString& path) override { chosenDevice = path; }
    QString device() const override { return chosenDevice; }
    QString openFailureText() const override { return {}; }
    // Bytes that arrive, and the port's event for them.
    void arrive(const std::string& bytes, int kind = seams::kCommEvReceive) {
        chunks.push_back(bytes);
        event = kind;
        if (handler) handler();
    }

    std::function<void()> handler;
    QString chosenDevice;
};

// A unit on USB as the downloads see one: the seam's calls go to `Unit` (the seam fake, or
// kelvaron-sim's unit), which is plugged in at the open unless the open is refused; the
// port's words are the test's. The test delivers the unit's events through `handler`.
template <class Unit>
class UsbCommOver final : public app::UsbCommPort {
  public:
    explicit UsbCommOver(Unit& unit) : unit_(unit) {}
    bool isOpen() const override { return unit_.isOpen(); }
    void close() override { unit_.close(); }
    void write(const std::string& bytes) override { unit_.write(bytes); }
    std::size_t packetSize() const override { return unit_.packetSize(); }
    void read(seams::UsbEndpoint endpoint) override { unit_.read(endpoint); }
    bool reading() const override { return unit_.reading(); }
    std::optional<seams::UsbRead> takeRead() override { return unit_.takeRead(); }
    int commEvent() const override { return unit_.commEvent(); }
    void setEventHandler(std::function<void()> h) override { handler = std::move(h); }
    bool open(const QString& unit) override {
        opened << unit;
        if (!refuse) unit_.plugIn();
        return !refuse;
    }
    QString openFailureText() const override { return failureText; }
    QString openNotice() const override { return notice; }

    std::function<void()> handler;
    QStringList opened;
    bool refuse = false;
    QString failureText;
    QString notice;

  private:
    Unit& unit_;
};

class FakeTickTimer final : public BasicFakeTimer<app::TimeoutTimer> {
  public:
    void setTickHandler(std::function<void()> h) override { handler = std::move(h); }
    void tick() {
        if (armed && handler) handler();
    }
    std::function<void()> handler;
};

class MemoryStore final : public app::SettingsStore {
  public:
    std::optional<QString> read(const QString& section, const QString& key) const override {
        const auto it = values.find(section + '/' + key);
        return it == values.end() ? std::nullopt : std::optional<QString>(it->second);
    }
    void write(const QString& section, const QString& key, const QString& value) override {
        values[section + '/' + key] = value;
        writes.push_back(key + '=' + value);
    }
    QString writeFailure() const override { return failure; }
    std::map<QString, QString> values;  // "Settings/GPSType" -> "1"
    std::vector<QString> writes;        // "GPSType=1", in order
    QString failure;                    // what writeFailure() reports
};

class RecordingDialogs final : public app::Dialogs {
  public:
    void message(QWidget*, const QString& text, std::function<void()> closed) override {
        show(text, [closed = std::move(closed)] { closed(); });
    }
    // Recorded, then answered as the message it is.
    void overview(QWidget* parent, const QString& text, const app::OverviewShown& shown,
                  std::function<void()> closed) override {
        overviews.push_back({text, shown});
        message(parent, text, std::move(closed));
    }
    void retryCancel(QWidget*, const QString& text, std::function<void(bool)> answered) override {
        const bool retry = !retries.empty() && retries.front();
        if (!retries.empty()) retries.pop_front();
        show(text, [answered = std::move(answered), retry] { answered(retry); });
    }
    std::optional<QString> saveFileName(QWidget*, const QString&, const QStringList& filters,
                                        const QString&, QString& chosen) override {
        chosen = filters.value(saveFilter);
        return savePath;
    }
    std::optional<QString> openFileName(QWidget*, const QString&, const QStringList& filters,
                                        const QString&) override {
        openFilters = filters;
        return openPath;
    }
    std::optional<QString> openPath;  // the file the user picks with "File…"
    QStringList openFilters;
    std::vector<QString> messages;
    std::vector<std::pair<QString, app::OverviewShown>> overviews;  // with their messages
    std::deque<bool> retries;                                       // Cancel when they run out
    std::optional<QString> savePath;
    int saveFilter = 0;                             // the filter the user chooses, counted from 0
    std::function<void(const QString&)> onMessage;  // runs as a box opens
    // The first box stays open this long, the events going on meanwhile; every other box
    // is answered at once.
    int holdFirstMs = 0;
    // The next box stays open until the test calls `held`.
    bool holdNext = false;
    std::function<void()> held;

  private:
    void show(const QString& text, std::function<void()> answer) {
        messages.push_back(text);
        if (onMessage) onMessage(text);
        if (std::exchange(holdNext, false))
            held = std::move(answer);
        else if (holdFirstMs > 0 && messages.size() == 1)
            QTimer::singleShot(holdFirstMs, std::move(answer));
        else
            answer();
    }
};

class FakeDeadlineTimer final : public BasicFakeDeadline<app::DeadlineTimer> {
  public:
    void setHandler(std::function<void()> h) override { handler = std::move(h); }
    // Lets `seconds` go by and fires when the deadline fell due.
    void pass(double seconds) {
        if (elapse(seconds) && handler) handler();
    }
    std::function<void()> handler;
};

class FakeReadme final : public app::ReadmeOpener {
  public:
    bool open(const QString&) override { return ++opened, opens; }
    bool opens = true;
    int opened = 0;
};

class RecordingExit final : public app::ProgramExit {
  public:
    void exitNow(int code) override {
        codes.push_back(code);
        if (onExit) onExit();
    }
    std::vector<int> codes;
    std::function<void()> onExit;  // what the end of the process would do besides
};

class FakeVolumes final : public source::MountedVolumes {
  public:
    QStringList roots() const override { return mounted; }
    QStringList mounted;
};

class FakePortList final : public app::PortEnumeration {
  public:
    std::vector<app::PortInfo> ports() const override { return present; }
    std::vector<app::PortInfo> present;
};

class FakeUsbUnits final : public app::UsbUnitEnumeration {
  public:
    std::vector<app::UsbUnitInfo> units() const override { return attached; }
    std::vector<app::UsbUnitInfo> attached;
};

// A runner without a window: its boxes go through `dialogs` one at a time as the window's
// do; the caption, the split lock, the stops and the end of the program are recorded.
class RecordingDownloadUi final : public app::DownloadUi {
  public:
    explicit RecordingDownloadUi(app::Dialogs& dialogs) : boxes_(dialogs, nullptr) {}
    void showMessage(const QString& text) override { boxes_.message(text); }
    void askRetry(const QString& text, std::function<void(bool)> answer) override {
        boxes_.question(text, std::move(answer));
    }
    void afterMessages(std::function<void()> action) override { boxes_.after(std::move(action)); }
    bool messagePending() const override { return boxes_.pending(); }
    void setCaption(const QString& text) override { caption = text; }
    app::FileChoices fileChoices() const override { return choices; }
    void setSplitLocked(bool locked) override { splitLocked = locked; }
    void downloadStopped() override { ++stops; }
    void endProgram() override { ++exits; }
    bool exiting() const override { return exits > 0; }

    app::FileChoices choices;
    QString caption;
    bool splitLocked = false;
    int stops = 0;
    int exits = 0;

  private:
    app::MessageQueue boxes_;
};

// Every service faked; time passes only as the test lets it. Temporary point
// files are real, in `tempFolder`.
struct FakePlatform {
    explicit FakePlatform(const QString& tempFolder) : tempFiles(tempFolder) {}
    app::Services services() {
        return {comm,      timer, deadline, store,   dialogs, readme,
                tempFiles, exit,  portList, volumes, usbUnits};
    }
    FakeCommPort comm;
    FakeTickTimer timer;
    FakeDeadlineTimer deadline;
    MemoryStore store;
    RecordingDialogs dialogs;
    FakeReadme readme;
    app::SystemTempFiles tempFiles;
    RecordingExit exit;
    FakePortList portList;
    FakeVolumes volumes;
    FakeUsbUnits usbUnits;
};

}  // namespace testkit
