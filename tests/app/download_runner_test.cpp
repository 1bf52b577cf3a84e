// The download runner on fake downloads and a fake owner, no widgets, from data/runner.txt:
// which download gets the events, how the ways a download ends fold into one report, and
// the guard that stops everything once the program is ending.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <deque>

#include "download/download_runner.h"
#include "tests/support/qt/app_fakes.h"
#include "tests/support/qt/qt_case_table.h"

namespace {

const std::map<QString, app::Family> kFamilies = {{"magellan", app::Family::Magellan},
                                                  {"garmin", app::Family::Garmin},
                                                  {"drive", app::Family::Drive}};
const std::map<QString, app::DownloadEnd> kEnds = {
    {"Done", app::DownloadEnd::Done},
    {"PortNotOpened", app::DownloadEnd::PortNotOpened},
    {"NoAnswer", app::DownloadEnd::NoAnswer},
    {"CutShort", app::DownloadEnd::CutShort},
    {"NoTrack", app::DownloadEnd::NoTrack}};

QString nameOf(std::optional<app::DownloadEnd> end) {
    for (const auto& [name, value] : kEnds)
        if (end == value) return name;
    return "-";
}

struct Owner final : app::RunnerUi {
    void showMessage(const QString&) override {
        log << "msg";
        unread = holding;
    }
    void askRetry(const QString&, std::function<void(bool)> answer) override { answer(false); }
    void afterMessages(std::function<void()> action) override {
        if (unread)
            waiting.push_back(std::move(action));
        else
            action();
    }
    bool messagePending() const override { return unread; }
    void setSplitLocked(bool locked) override { log << QStringLiteral("split:%1").arg(locked); }
    void downloadEnded(std::optional<app::DownloadEnd> end, bool programEnds) override {
        log << "end:" + nameOf(end) + (programEnds ? "!" : "");
    }
    void read() {
        unread = holding = false;
        log << "read";
        for (; !waiting.empty(); waiting.pop_front()) waiting.front()();
    }
    QStringList log;
    bool holding = false;
    bool unread = false;
    std::deque<std::function<void()>> waiting;
};

struct FakeDownload final : app::Download {
    FakeDownload(QString n, app::DownloadUi& u, QStringList& l)
        : name(std::move(n)), ui(u), log(l) {}
    void start(const app::PortChoice&) override {
        running = !fails;
        if (!fails) return;
        ui.ended(app::DownloadEnd::PortNotOpened);
        ui.showMessage("cannot open");
    }
    void onPortEvent() override { log << name + ":port"; }
    void onTimerTick() override { log << name + ":tick"; }
    void onUsbEvent() override { log << name + ":usb"; }
    void onDeadline() override { log << name + ":deadline"; }
    bool inProgress() const override { return running; }
    void abortTransfer(std::function<void()> done) override { waiting = std::move(done); }
    void release(std::function<void()> then) override { waiting = std::move(then); }
    QString name;
    app::DownloadUi& ui;
    QStringList& log;
    bool running = false;
    bool fails = false;
    std::function<void()> waiting;  // after a release or an abort, until the receiver is back
};

TEST(DownloadRunner, Table) {
    for (const QStringList& row : testkit::qtTableRows(KELVARON_APP_DATA "/runner.txt")) {
        QTemporaryDir dir;
        testkit::FakePlatform fakes(dir.path());
        Owner owner;
        std::map<app::Family, FakeDownload*> made;
        int reads = 0;
        testkit::FakeUsbPort unit;
        testkit::UsbCommOver usb(unit);
        const app::DownloadServices platform = fakes.services().downloads();
        app::DownloadRunner runner(
            {platform.comm, platform.tmrTimeout, platform.deadline, platform.settings,
             platform.tempFiles, usb},
            owner,
            [&] {
                app::FileChoices choices;
                choices.fileName = QString::number(++reads);
                return choices;
            },
            row[0] == "one" ? app::DownloadRunner::Lifetime::OneDownload
                            : app::DownloadRunner::Lifetime::ManyDownloads,
            [&](app::Family family, const app::DownloadServices&, app::DownloadUi& ui) {
                for (const auto& [name, value] : kFamilies)
                    if (value == family) {
                        auto download = std::make_unique<FakeDownload>(name, ui, owner.log);
                        made[family] = download.get();
                        return std::unique_ptr<app::Download>(std::move(download));
                    }
                return std::unique_ptr<app::Download>();
            });
        FakeDownload* running = made[app::Family::Magellan];
        for (const QString& step : row[1].split(' ', Qt::SkipEmptyParts)) {
            const QString what = step.section('=', 0, 0);
            const QString arg = step.section('=', 1);
            if (what == "start") {
                running = made.at(kFamilies.at(arg.section('/', 0, 0)));
                running->fails = arg.endsWith("/fail");
                runner.start(kFamilies.at(arg.section('/', 0, 0)), {});
            }
            app::DownloadUi& ui = running->ui;
            if (what == "ended") ui.ended(kEnds.at(arg));
            if (what == "msg") ui.showMessage("m");
            if (what == "stopped" || what == "finished" || what == "endprogram") {
                running->running = false;
                if (what == "stopped") ui.downloadStopped();
                if (what == "finished") ui.downloadFinished();
                if (what == "endprogram") ui.endProgram();
            }
            if (what == "choices") owner.log << "choice:" + ui.fileChoices().fileName;
            if (what == "port") fakes.comm.arrive("x");
            if (what == "usb") unit.arrive(seams::UsbEndpoint::Interrupt, "x", usb.handler);
            if (what == "tick") fakes.timer.handler();
            if (what == "deadline") fakes.deadline.handler();
            if (what == "cancel") runner.release([&] { owner.log << "released"; });
            if (what == "abort") runner.abortTransfer([&] { owner.log << "aborted"; });
            if (what == "back") std::exchange(running->waiting, {})();
            if (what == "hold") owner.holding = true;
            if (what == "read") owner.read();
            if (what == "exiting") owner.log << QStringLiteral("exiting:%1").arg(runner.exiting());
        }
        EXPECT_EQ(owner.log.join(' ').toStdString(), row[2].toStdString()) << row[1].toStdString();
    }
}

}  // namespace
