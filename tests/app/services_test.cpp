// The Qt services against the real thing: the serial port on a pseudo-terminal, the
// temporary point files and the message boxes; the words for a port that did not open,
// from a table.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <optional>

#include "download/open_failure.h"
#include "qt/qt_serial_port.h"
#include "qt/qt_settings_store.h"
#include "qt/system_temp_files.h"
#include "tests/support/pty.h"
#include "tests/support/qt/app_fakes.h"
#include "tests/support/qt/qt_case_table.h"
#include "window/desktop_services.h"
#include "window/qt_dialogs.h"

namespace {

TEST(QtSerialPort, PassesEveryByteBothWaysAndReportsALostDeviceOnce) {
    auto pty = std::make_unique<testkit::PtyPair>();
    ASSERT_TRUE(pty->ok()) << pty->failure();
    testkit::MemoryStore store;
    app::QtSerialPort port(store);
    port.setDevice(QString::fromStdString(pty->slavePath()));  // chosen by its path
    std::vector<int> events;
    port.setEventHandler([&] { events.push_back(port.commEvent()); });
    ASSERT_TRUE(port.open(4, "9600,n,8,1")) << port.openFailureText().toStdString();
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(char(b));
    port.write(all);
    std::string echoed;
    ASSERT_TRUE(testkit::readUntil(pty->master(), echoed, std::chrono::seconds(3),
                                   [&](const std::string& b) { return b.size() >= all.size(); }));
    EXPECT_EQ(echoed, all);
    ASSERT_TRUE(testkit::writeAll(pty->master(), all));
    std::string got;
    ASSERT_TRUE(QTest::qWaitFor([&] { return (got += port.readAll()).size() >= all.size(); }));
    EXPECT_EQ(got, all);
    EXPECT_EQ(events.front(), seams::kCommEvReceive);

    ASSERT_TRUE(testkit::writeAll(pty->master(), "last words\r\n"));
    static_cast<void>(QTest::qWaitFor(
        [&] { return events.size() > 1 && events.back() == seams::kCommEvReceive; }, 500));
    pty.reset();  // the receiver unplugged: the line hangs up
    ASSERT_TRUE(QTest::qWaitFor([&] { return !port.isOpen(); }));
    QTest::qWait(300);  // a tight error loop would show itself here
    EXPECT_EQ(std::count_if(events.begin(), events.end(),
                            [](int e) { return e > seams::kCommErrorThreshold; }),
              1);
    EXPECT_EQ(events.back(), app::kCommEvPortLost);
    EXPECT_EQ(port.readAll(), "last words\r\n");
}

TEST(QtSettingsStore, NamesTheFileAndWhyAWriteWasNotKept) {
    QTemporaryDir dir;
    QFile(dir.filePath("plain")).open(QIODevice::WriteOnly);  // a file where a folder must go
    app::QtSettingsStore store(dir.filePath("plain/Kelvaron/Kelvaron.conf"));
    EXPECT_EQ(store.writeFailure(), "");
    store.write("Settings", "GPSType", "1");
    EXPECT_EQ(store.writeFailure(), dir.filePath("plain/Kelvaron/Kelvaron.conf: the folder ") +
                                        dir.filePath("plain/Kelvaron cannot be made"));
}

TEST(QtSerialPort, OpenFailuresNamePortDeviceAndReason) {
    testkit::MemoryStore store;
    store.values["Ports/COM5"] = "/nonexistent/ttyGPS";
    app::QtSerialPort port(store);
    // A missing device is the end-to-end "no such port" row's.
    EXPECT_FALSE(port.open(5, "fast,n,8,1"));
    EXPECT_TRUE(port.openFailureText().contains("\"fast,n,8,1\""));
    store.values["Ports/COM5"] = "/dev/null";
    EXPECT_FALSE(port.open(5, "9600,n,8,1"));
    EXPECT_EQ(port.openFailureText(),
              "Cannot open port COM5 (/dev/null): it is not a serial port.");
}

TEST(OpenFailure, NamesTheRemedyThatFitsTheDevice) {
    const QStringList rows = testkit::qtTableLines(KELVARON_APP_DATA "/open_failures.txt");
    ASSERT_FALSE(rows.isEmpty());
    for (const QString& row : rows) {
        std::map<QString, QString> v = testkit::keyValues(row.section(" | ", 0, 0));
        app::OpenFailure fail;
        const bool byPath = v["bypath"] == "1";
        fail.port = byPath ? "/dev/ttyX" : "COM1 (/dev/ttyX)";
        fail.portNumber = byPath ? "" : "COM1";
        fail.device = "/dev/ttyX";
        fail.error = v["error"] == "notfound"     ? QSerialPort::DeviceNotFoundError
                     : v["error"] == "permission" ? QSerialPort::PermissionError
                                                  : QSerialPort::OpenError;
        fail.systemText = "Input/output error";
        fail.exists = v["exists"] != "0";
        fail.characterDevice = v["chr"] != "0";
        fail.terminal = v["tty"] != "0";
        fail.accessible = v["access"] != "0";
        fail.owner = v["owner"];
        fail.group = v["group"];
        fail.mode = v["mode"].toUInt(nullptr, 8);
        EXPECT_EQ(app::openFailureText(fail).toStdString(),
                  row.section(" | ", 1).replace("\\r\\n", "\r\n").toStdString());
    }
}

// A name another user could guess would let them plant a file or a link there first.
TEST(SystemTempFiles, AreNewPrivateAndUnguessableWhateverTheUmask) {
    QTemporaryDir dir;
    app::SystemTempFiles temp(dir.path());
    const mode_t before = ::umask(0);
    QSet<QString> names;
    for (int i = 0; i < 100; ++i) {
        const QFileInfo info(temp.create());
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(info.filePath()).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0600u);
        EXPECT_TRUE(info.fileName().startsWith("ts") && info.size() == 0);
        names.insert(info.fileName());
    }
    ::umask(before);
    EXPECT_EQ(names.size(), 100);
    EXPECT_THROW(app::SystemTempFiles("/nonexistent/folder").create(), std::runtime_error);
}

// The boxes open and return at once; the button the user presses comes back as the answer.
TEST(QtDialogs, OpenWithoutWaitingAndHandTheButtonBack) {
    QWidget window;
    app::QtDialogs dialogs;
    for (const auto button : {QMessageBox::Retry, QMessageBox::Cancel}) {
        std::optional<bool> retry;
        dialogs.retryCancel(&window, "GPS on com port 1 failed to initialze.",
                            [&](bool r) { retry = r; });
        auto* box = window.findChild<QMessageBox*>();
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text(), "GPS on com port 1 failed to initialze.");
        EXPECT_FALSE(retry) << "answered before the user did";
        box->button(button)->click();
        EXPECT_EQ(retry, button == QMessageBox::Retry);
        delete box;  // closed boxes are deleted later, by the event loop
    }
    bool closed = false;
    dialogs.message(&window, "Received 1 records.\r\nA second line.", [&] { closed = true; });
    auto* box = window.findChild<QMessageBox*>();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), "Received 1 records.\nA second line.");
    box->button(QMessageBox::Ok)->click();
    EXPECT_TRUE(closed);
}

}  // namespace
