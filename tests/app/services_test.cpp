// The Qt services against the real thing: the serial port on a pseudo-terminal,
// the settings file, temporary point files, the event pump and the timer.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include "app/desktop_services.h"
#include "app/qt_event_pump.h"
#include "app/qt_serial_port.h"
#include "app/qt_settings_store.h"
#include "app/qt_timeout_timer.h"
#include "tests/app/support/fakes.h"

namespace {

// The far end of a pseudo-terminal, as a receiver would hold it.
class PseudoTerminal {
  public:
    PseudoTerminal() {
        char name[256] = {};
        if (::openpty(&master_, &slave_, name, nullptr, nullptr) == 0) device_ = name;
    }
    ~PseudoTerminal() {
        closeMaster();
        if (slave_ >= 0) ::close(slave_);
    }
    const QString& device() const { return device_; }
    void send(const std::string& bytes) {
        ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), ssize_t(bytes.size()));
    }
    std::string receive() {
        std::string got;
        char buf[256];
        for (int i = 0; i < 50 && got.empty(); ++i) {
            pollfd p{master_, POLLIN, 0};
            if (::poll(&p, 1, 20) > 0) {
                const ssize_t n = ::read(master_, buf, sizeof buf);
                if (n > 0) got.append(buf, size_t(n));
            }
        }
        return got;
    }
    // Like a receiver unplugged: the port's side sees the line hang up.
    void closeMaster() {
        if (master_ >= 0) ::close(master_);
        master_ = -1;
        if (slave_ >= 0) ::close(slave_);
        slave_ = -1;
    }

  private:
    int master_ = -1;
    int slave_ = -1;
    QString device_;
};

template <typename Pred>
bool Pump_Until(Pred done, int ms = 3000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

class QtSerialPortTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(pty.device().isEmpty());
        // The slave end opened by the pty stays open, so raw mode set there holds.
        store.set("COM4", pty.device(), "Ports");
        port.setEventHandler([this] { events.push_back(port.commEvent()); });
    }
    PseudoTerminal pty;
    kelvaron_test::MemoryStore store;
    app::QtSerialPort port{store};
    std::vector<int> events;
};

TEST_F(QtSerialPortTest, PassesEveryByteValueBothWays) {
    ASSERT_TRUE(port.open(4, "9600,n,8,1")) << port.openFailureText().toStdString();
    EXPECT_TRUE(port.isOpen());
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(char(b));
    port.write(all);
    std::string echoed;
    for (int i = 0; i < 20 && echoed.size() < all.size(); ++i) echoed += pty.receive();
    EXPECT_EQ(echoed, all);

    pty.send(all);
    std::string got;
    ASSERT_TRUE(Pump_Until([&] {
        got += port.readAll();
        return got.size() >= all.size();
    }));
    EXPECT_EQ(got, all);
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.front(), seams::kCommEvReceive);
}

TEST_F(QtSerialPortTest, DiscardInputDropsWhatWasNotRead) {
    ASSERT_TRUE(port.open(4, "9600,n,8,1"));
    pty.send("old bytes");
    ASSERT_TRUE(Pump_Until([&] { return !events.empty(); }));
    port.discardInput();
    pty.send("new");
    std::string got;
    Pump_Until([&] {
        got += port.readAll();
        return got.size() >= 3;
    });
    EXPECT_EQ(got, "new");
}

TEST_F(QtSerialPortTest, ALostDeviceClosesThePortAndIsReportedOnce) {
    ASSERT_TRUE(port.open(4, "9600,n,8,1"));
    pty.send("last words\r\n");
    ASSERT_TRUE(Pump_Until([&] { return !events.empty(); }));
    pty.closeMaster();
    ASSERT_TRUE(Pump_Until([&] { return !port.isOpen(); }));
    // Give a tight error loop every chance to show itself.
    Pump_Until([] { return false; }, 300);
    int errors = 0;
    for (int e : events) errors += e > seams::kCommErrorThreshold;
    EXPECT_EQ(errors, 1);
    EXPECT_EQ(events.back(), app::kCommEvPortLost);
    EXPECT_EQ(port.readAll(), "last words\r\n");
    EXPECT_FALSE(port.isOpen());
}

TEST_F(QtSerialPortTest, OpenFailuresNamePortDeviceAndReason) {
    store.set("COM5", "/nonexistent/ttyGPS", "Ports");
    EXPECT_FALSE(port.open(5, "9600,n,8,1"));
    EXPECT_FALSE(port.isOpen());
    const QString missing = port.openFailureText();
    EXPECT_TRUE(missing.startsWith("Cannot open port COM5 (/nonexistent/ttyGPS): "))
        << missing.toStdString();
    EXPECT_TRUE(missing.contains("does not exist")) << missing.toStdString();

    EXPECT_FALSE(port.open(4, "fast,n,8,1"));
    EXPECT_TRUE(port.openFailureText().contains("\"fast,n,8,1\""))
        << port.openFailureText().toStdString();
}

TEST_F(QtSerialPortTest, ADeviceTheUserMayNotUseNamesTheOwningGroup) {
    if (::geteuid() == 0) GTEST_SKIP() << "root may open every device";
    QTemporaryDir dir;
    const QString device = dir.filePath("ttyLocked");
    ASSERT_TRUE(QFile(device).open(QIODevice::WriteOnly));
    ::chmod(QFile::encodeName(device).constData(), 0);
    store.set("COM6", device, "Ports");
    EXPECT_FALSE(port.open(6, "9600,n,8,1"));
    const QString text = port.openFailureText();
    EXPECT_TRUE(text.contains("permission denied")) << text.toStdString();
    EXPECT_TRUE(text.contains(QFileInfo(device).group())) << text.toStdString();
}

TEST(QtSettingsStore, KeepsTextValuesInItsFile) {
    QTemporaryDir dir;
    const QString file = dir.filePath("Kelvaron.conf");
    {
        app::QtSettingsStore store(file);
        EXPECT_FALSE(store.read("Settings", "FName"));
        store.write("Settings", "FName", "/home/u/a, b.txt");
        store.write("Settings", "1StUse2", "1");
    }
    app::QtSettingsStore again(file);
    EXPECT_EQ(again.read("Settings", "FName"), QString("/home/u/a, b.txt"));
    EXPECT_EQ(again.read("Settings", "1StUse2"), QString("1"));
    EXPECT_FALSE(again.read("Ports", "COM1"));
}

TEST(QtSettingsStore, ReadsPortsWrittenByHand) {
    QTemporaryDir dir;
    QFile f(dir.filePath("Kelvaron.conf"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Ports]\nCOM1=/dev/ttyUSB0\n[Settings]\nGPSType=1\n");
    f.close();
    app::QtSettingsStore store(f.fileName());
    EXPECT_EQ(store.read("Ports", "COM1"), QString("/dev/ttyUSB0"));
    EXPECT_EQ(store.read("Settings", "GPSType"), QString("1"));
}

TEST(SystemTempFiles, MakesNewPrivateFilesStartingWithTs) {
    QTemporaryDir dir;
    app::SystemTempFiles temp(dir.path());
    const QString a = temp.create();
    const QString b = temp.create();
    EXPECT_NE(a, b);
    for (const QString& f : {a, b}) {
        const QFileInfo info(f);
        EXPECT_TRUE(info.exists());
        EXPECT_TRUE(info.isAbsolute());
        EXPECT_EQ(info.absolutePath(), QFileInfo(dir.path()).absoluteFilePath());
        EXPECT_TRUE(info.fileName().startsWith("ts")) << f.toStdString();
        EXPECT_EQ(info.size(), 0);
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(f).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u);
    }
}

TEST(SystemTempFiles, AFolderThatCannotHoldFilesIsAnError) {
    app::SystemTempFiles temp("/nonexistent/folder");
    EXPECT_THROW(temp.create(), std::runtime_error);
}

TEST(QtEventPump, WaitsForEventsInsteadOfSpinning) {
    app::QtEventPump pump;
    QElapsedTimer t;
    t.start();
    int passes = 0;
    while (t.elapsed() < 300) {
        pump.processEvents(20);
        ++passes;
    }
    // A spinning loop would make thousands of passes; a waiting one some fifteen.
    EXPECT_LE(passes, 40);
}

TEST(QtEventPump, ReturnsWhenAnEventArrives) {
    app::QtEventPump pump;
    bool fired = false;
    QTimer::singleShot(10, [&] { fired = true; });
    QElapsedTimer t;
    t.start();
    while (!fired && t.elapsed() < 5000) pump.processEvents(10000);
    EXPECT_TRUE(fired);
    EXPECT_LT(t.elapsed(), 5000);
}

TEST(QtTimeoutTimer, TicksWhileArmedOnly) {
    app::QtTimeoutTimer timer(10);
    int ticks = 0;
    timer.setTickHandler([&] { ++ticks; });
    EXPECT_FALSE(timer.isArmed());
    timer.arm();
    EXPECT_TRUE(timer.isArmed());
    EXPECT_TRUE(Pump_Until([&] { return ticks >= 2; }));
    timer.disarm();
    EXPECT_FALSE(timer.isArmed());
    const int seen = ticks;
    QTest::qWait(60);
    EXPECT_EQ(ticks, seen);
}

}  // namespace
