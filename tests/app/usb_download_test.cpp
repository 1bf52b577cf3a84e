// The Garmin download over kelvaron-sim's unit on USB, from data/usb_downloads.txt: the
// download's wiring (the unit opened by its name, its events, its words, no speed change)
// and the files it writes, which must be those of the serial download of the same track.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QTemporaryDir>

#include "download/download_runner.h"
#include "tests/support/qt/app_fakes.h"
#include "tests/support/qt/qt_case_table.h"
#include "tests/support/temp_dir.h"
#include "tools/sim/sample_tracks.h"
#include "tools/sim/usb_unit.h"
#include "window/frm_kelvaron.h"

namespace {

using SimUsbPort = testkit::UsbCommOver<ksim::UsbUnit>;

// kelvaron-get's side of the runner: the messages and the end, every question answered
// Cancel at once.
struct Owner final : app::RunnerUi {
    void showMessage(const QString& text) override { messages << text; }
    void askRetry(const QString& text, std::function<void(bool)> answer) override {
        messages << text;
        answer(false);
    }
    void afterMessages(std::function<void()> action) override { action(); }
    bool messagePending() const override { return false; }
    void linkSpeed(int bitsPerSecond) override { speeds << bitsPerSecond; }
    void downloadEnded(std::optional<seams::DownloadEnd> how, bool) override {
        end = how;
        over = true;
    }
    QStringList messages;
    QList<int> speeds;
    std::optional<seams::DownloadEnd> end;
    bool over = false;
};

const std::map<QString, seams::DownloadEnd> kEnds = {
    {"Done", seams::DownloadEnd::Done},
    {"NoTrack", seams::DownloadEnd::NoTrack},
    {"PortNotOpened", seams::DownloadEnd::PortNotOpened},
    {"CutShort", seams::DownloadEnd::CutShort}};

ksim::UsbUnitSettings unitSettings(const std::map<QString, QString>& unit) {
    static const std::map<QString, ksim::Caps> caps = {{"l001-d312", ksim::Caps::L001D312},
                                                       {"l001-d311", ksim::Caps::L001D311},
                                                       {"l001-files", ksim::Caps::L001Files}};
    ksim::UsbUnitSettings s;
    s.caps = caps.at(unit.at("caps"));
    ksim::UsbFaults& f = s.faults;
    f.silentStarts = unit.contains("silent") ? unit.at("silent").toInt() : 0;
    f.direct = unit.contains("direct");
    f.alternate = unit.contains("alternate");
    f.split = unit.contains("split");
    f.packed = unit.contains("packed");
    if (unit.contains("unplug")) f.unplug = unit.at("unplug").toLong();
    if (unit.contains("garble")) f.garble = unit.at("garble").toLong();
    return s;
}

ksim::Track unitTrack(const std::map<QString, QString>& unit) {
    if (!unit.contains("track")) return ksim::builtinSampleTrack();
    const auto loaded =
        ksim::loadTrackFile(KELVARON_E2E_DATA "/fixtures/" + unit.at("track").toStdString());
    EXPECT_TRUE(loaded.track) << loaded.error;
    return loaded.track.value_or(ksim::Track{});
}

bool wroteSpeedRequest(const std::vector<std::string>& log) {
    // An application packet (type 20) of the speed change written by the host: requests off
    // (0x1C) or the speed asked for (0x30).
    return std::any_of(log.begin(), log.end(), [](const std::string& line) {
        return line.starts_with("write 14 00 00 00 1C 00") ||
               line.starts_with("write 14 00 00 00 30 00");
    });
}

// The runner with the unit on `usb`, and the unit's transfers as they come; when it has none,
// time passes.
void runDownload(testkit::FakePlatform& fakes, ksim::UsbUnit& unit, SimUsbPort& usb, Owner& owner,
                 const QString& out, const QString& device) {
    const app::DownloadServices platform = fakes.services().downloads();
    app::DownloadRunner runner(
        {platform.comm, platform.tmrTimeout, platform.deadline, platform.settings,
         platform.tempFiles, usb},
        owner,
        [&] {
            app::FileChoices choices;
            choices.fileName = out;
            choices.deviation = "10";
            return choices;
        },
        app::DownloadRunner::Lifetime::OneDownload);
    app::PortChoice choice;
    choice.speed = "9600";
    choice.device = device;
    runner.start(app::Family::Garmin, choice);
    for (int idle = 0; !owner.over && idle < 20;) {
        if (unit.deliver(usb.handler)) continue;
        ++idle;
        fakes.timer.tick();
        fakes.deadline.pass(2.0);
    }
}

// What the program writes and reads, transfer by transfer, for kelvaron-sim's default unit and
// track: the sequence a USB emulator's script must answer (tests/support/usb_track_download.txt).
TEST(UsbDownload, SequenceOfTheDefaultTrack) {
    QTemporaryDir dir;
    testkit::FakePlatform fakes(dir.path());
    const ksim::Track track = ksim::builtinSampleTrack();
    ksim::UsbUnit unit({}, track);
    SimUsbPort usb(unit);
    Owner owner;
    runDownload(fakes, unit, usb, owner, dir.filePath("track.txt"), "usb:1");
    ASSERT_EQ(owner.end, seams::DownloadEnd::Done);
    const std::string path = KELVARON_SUPPORT_DATA "/usb_track_download.txt";
    const std::string recorded = testkit::readFile(path);
    // The comment at the top stays.
    std::string sequence;
    for (std::size_t at = 0; recorded.compare(at, 1, "#") == 0; at = sequence.size())
        sequence += recorded.substr(at, recorded.find('\n', at) + 1 - at);
    for (const auto& line : unit.log()) sequence += line + '\n';
    if (std::getenv("KELVARON_REWRITE_TRANSCRIPTS") != nullptr) testkit::writeFile(path, sequence);
    EXPECT_EQ(sequence, recorded);
}

TEST(UsbDownload, Table) {
    for (const QStringList& row : testkit::qtTableRows(KELVARON_APP_DATA "/usb_downloads.txt")) {
        SCOPED_TRACE(row[0].toStdString());
        QTemporaryDir dir;
        testkit::FakePlatform fakes(dir.path());
        const auto unitWords = testkit::keyValues(row[1]);
        const auto port = testkit::keyValues(row[2]);
        const auto outcome = testkit::keyValues(row[3]);
        const ksim::Track track = unitTrack(unitWords);
        ksim::UsbUnit unit(unitSettings(unitWords), track);
        SimUsbPort usb(unit);
        usb.refuse = port.contains("refuse");
        usb.failureText = QStringLiteral("No Garmin unit answers at %1.").arg(port.at("device"));
        if (port.contains("notice"))
            usb.notice = "The unit was taken from the garmin_gps driver for the download.";
        const QString out = dir.filePath("track.gpx");
        Owner owner;
        runDownload(fakes, unit, usb, owner, out, port.at("device"));

        EXPECT_EQ(usb.opened, QStringList{port.at("device")});
        EXPECT_EQ(owner.end, kEnds.at(outcome.at("end")));
        QStringList expected = row[4].split(";;");
        for (QString& m : expected) m.replace("{out}", out).replace("\\r\\n", "\r\n");
        ASSERT_EQ(owner.messages.size(), expected.size())
            << owner.messages.join("\n").toStdString();
        for (qsizetype i = 0; i < expected.size(); ++i) {
            if (expected[i].endsWith("..."))
                EXPECT_TRUE(owner.messages[i].startsWith(expected[i].chopped(3)))
                    << owner.messages[i].toStdString();
            else
                EXPECT_EQ(owner.messages[i].toStdString(), expected[i].toStdString());
        }
        if (outcome.contains("out")) {
            EXPECT_EQ(testkit::readFile(out.toStdString()),
                      testkit::readFile(KELVARON_E2E_DATA "/fixtures/" +
                                        outcome.at("out").toStdString()));
        }
        EXPECT_FALSE(wroteSpeedRequest(unit.log()));
        EXPECT_TRUE(owner.speeds.isEmpty());
        EXPECT_EQ(unit.failure(), "");
        if (owner.end == seams::DownloadEnd::Done) {
            EXPECT_FALSE(unit.readPending());
        }
    }
}

// The window's wiring: the unit chosen in the Port list is opened, its track saved and shown,
// and the program ends after the messages, as after every Garmin download.
TEST(UsbDownload, WindowSavesTheUnitChosenInThePortList) {
    QTemporaryDir dir;
    testkit::FakePlatform fakes(dir.path());
    const ksim::Track track = unitTrack({{"track", "layouts.track"}});
    ksim::UsbUnit unit(unitSettings({{"caps", "l001-d312"}}), track);
    SimUsbPort usb(unit);
    fakes.usbUnits.attached = {{"usb:1", "1-1", "GPSMAP 60CSx"}};
    const QString out = dir.filePath("track.gpx");
    fakes.store.values = {{"Settings/1StUse2", "1"},
                          {"Settings/GPSType", "1"},
                          {"Settings/Device", "usb:1"},
                          {"Settings/FName", out},
                          {"Settings/Dev", "10"}};
    const app::Services f = fakes.services();
    frmKelvaron window({f.comm, f.tmrTimeout, f.deadline, f.settings, f.dialogs, f.readme,
                        f.tempFiles, f.programExit, f.portList, f.volumes, f.usbUnits, usb});
    EXPECT_EQ(window.findChild<QComboBox*>("cmbCOM")->currentText(), "Garmin USB — GPSMAP 60CSx");
    window.findChild<QAbstractButton*>("chkSplit")->setChecked(false);
    window.findChild<QAbstractButton*>("cmdSave")->click();
    for (int idle = 0; fakes.exit.codes.empty() && idle < 20;) {
        QCoreApplication::processEvents();
        if (unit.deliver(usb.handler)) continue;
        ++idle;
        fakes.timer.tick();
        fakes.deadline.pass(2.0);
    }
    EXPECT_EQ(usb.opened, QStringList{"usb:1"});
    EXPECT_EQ(fakes.exit.codes.size(), 1u);
    ASSERT_FALSE(fakes.dialogs.messages.empty());
    EXPECT_EQ(fakes.dialogs.messages.front().toStdString(), "Received 10 records.");
    // A Garmin track that came whole is shown beside its first message.
    ASSERT_EQ(fakes.dialogs.overviews.size(), 1u);
    EXPECT_EQ(fakes.dialogs.overviews[0].first.toStdString(), "Received 10 records.");
    EXPECT_EQ(testkit::readFile(out.toStdString()),
              testkit::readFile(KELVARON_E2E_DATA "/fixtures/layouts_d312.gpx"));
}

}  // namespace
