// A headless window on "Garmin" with every service faked, and the receiver's side of
// the conversation: Garmin frames built byte by byte, handed to the window's port as
// if they had just arrived. The fake clock runs with the pump, so WaitFor ends, and the
// reply timer ticks every two seconds of it while armed.
#pragma once

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "coords/convert.h"
#include "coords/point_file.h"
#include "garmin/units.h"
#include "tests/app/support/fakes.h"
#include "tests/app/support/window_access.h"

namespace kelvaron_test {

using Bytes = std::vector<std::uint8_t>;

// One frame as it travels: 16, id, size, data, checksum, 16, 3, with every 16 of size,
// data and checksum doubled.
inline std::string Frame(std::uint8_t id, const Bytes& data) {
    Bytes body{static_cast<std::uint8_t>(data.size())};
    body.insert(body.end(), data.begin(), data.end());
    unsigned sum = id;
    for (std::uint8_t b : body) sum += b;
    body.push_back(static_cast<std::uint8_t>((256 - sum % 256) % 256));
    std::string wire{'\x10', static_cast<char>(id)};
    for (std::uint8_t b : body) {
        wire += static_cast<char>(b);
        if (b == 16) wire += '\x10';
    }
    return wire + "\x10\x03";
}

inline void Put(Bytes& d, std::uint32_t v, int width) {
    for (int i = 0; i < width; ++i) d.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

inline std::string Product_Data(std::int16_t id, const std::string& text = "eTrex") {
    Bytes d;
    Put(d, static_cast<std::uint16_t>(id), 2);
    Put(d, 300, 2);
    d.insert(d.end(), text.begin(), text.end());
    d.push_back(0);
    return Frame(255, d);
}

inline std::string Records(std::uint16_t count) {
    Bytes d;
    Put(d, count, 2);
    return Frame(27, d);
}

inline std::string Track_Header(const std::string& ident = "ACTIVE LOG") {
    Bytes d{255, 0};
    d.insert(d.end(), ident.begin(), ident.end());
    d.push_back(0);
    return Frame(99, d);
}

// A track point in the D300 layout, the one a receiver without a capability report uses.
struct Point {
    double lat, lon;
    std::uint32_t seconds;
    bool newSegment;

    std::string frame() const {
        Bytes d;
        Put(d, static_cast<std::uint32_t>(garmin::Degrees_To_Semicircles(lat)), 4);
        Put(d, static_cast<std::uint32_t>(garmin::Degrees_To_Semicircles(lon)), 4);
        Put(d, seconds, 4);
        d.push_back(newSegment ? 1 : 0);
        return Frame(34, d);
    }
    // The line the point file should hold for it.
    std::string record() const {
        return coords::formatPointRecord(
            garmin::Semicircles_To_Degrees(garmin::Degrees_To_Semicircles(lat)),
            garmin::Semicircles_To_Degrees(garmin::Degrees_To_Semicircles(lon)),
            garmin::Format_Garmin_Time(seconds));
    }
};

inline Point Nth_Point(int i, bool newSegment = false) {
    return {31.7 + i * 0.0007, 35.1 + i * 0.0011, 1145337120u + 10u * static_cast<unsigned>(i),
            newSegment};
}

inline std::string Transfer_Complete() {
    return Frame(12, {6, 0});
}

// The host's packets on the wire, as the engine must write them.
inline std::string Product_Request() {
    return Frame(254, {});
}
inline std::string Ack(std::uint8_t id) {
    return Frame(6, {id, 0});
}
inline std::string Command(std::uint8_t code) {
    return Frame(10, {code, 0});
}

inline QByteArray Read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

inline std::size_t Count(const std::string& haystack, const std::string& needle) {
    std::size_t n = 0;
    for (auto at = haystack.find(needle); at != std::string::npos;
         at = haystack.find(needle, at + 1))
        ++n;
    return n;
}

// Public throughout: the tests' helpers reach into the fixture too.
class GarminWindow : public ::testing::Test {
  public:
    void SetUp() override {
        fakes.store.set("1StUse2", "1");
        fakes.store.set("GPSType", "1");
        fakes.store.set("FName", out());
        fakes.store.set("Dev", "10");
        fakes.pump.onPump = [this] { Pump(); };
    }

    void Open() {
        window = std::make_unique<frmKelvaron>(fakes.services());
        access = std::make_unique<frmKelvaronTestAccess>(*window);
    }

    // Bytes that have arrived at the port, and the port's data-received event for them.
    void Arrive(const std::string& bytes) {
        fakes.comm.chunks.push_back(bytes);
        fakes.comm.event = seams::kCommEvReceive;
        if (fakes.comm.handler) fakes.comm.handler();
    }
    void Arrive(const Point& p) { Arrive(p.frame()); }

    // Product requests written so far.
    std::size_t Requests() const { return Count(fakes.comm.written, Product_Request()); }

    // Runs Save with a receiver that answers the product requests numbered in `answered`
    // (1 = the first), while the reply timer ticks every two seconds when armed.
    void Save_Answering(std::set<std::size_t> answered = {1}) {
        answer = std::move(answered);
        access->Save();
    }

    // A transfer under way: the receiver answered at once and the track was requested.
    void Start_Transfer() {
        if (!window) Open();
        access->control<QCheckBox>("chkSplit")->setChecked(split);
        Save_Answering();
        ASSERT_NE(fakes.comm.written.find(Command(6)), std::string::npos) << "track requested";
        fakes.comm.written.clear();
    }

    // Eight seconds without input: four ticks of the reply timer, while it is armed.
    void Silence() {
        for (int i = 0; i < 4; ++i)
            if (fakes.timer.armed) fakes.timer.tick();
    }

    QStringList Point_Files() const { return QDir(dir.path()).entryList({"ts*"}, QDir::Files); }
    QString out() const { return dir.filePath("track.txt"); }

    // The output that the conversion pass makes of these points.
    QByteArray Expected(const std::vector<Point>& points, const QString& name = "expected") {
        const QString in = dir.filePath(name + ".in");
        const QString o = dir.filePath(name + ".out");
        QFile f(in);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        for (const auto& p : points) f.write(p.record().c_str());
        f.close();
        coords::Convert_Track_File(in.toStdString(), o.toStdString(), false, false, 10, '.');
        const QByteArray bytes = Read(o);
        QFile::remove(in);
        QFile::remove(o);
        return bytes;
    }

    template <typename T = QWidget>
    T* c(const char* name) {
        return access->control<T>(name);
    }

    std::vector<QString>& Messages() { return fakes.dialogs.messages; }

    QTemporaryDir dir;
    FakePlatform fakes{dir.path()};
    std::unique_ptr<frmKelvaron> window;
    std::unique_ptr<frmKelvaronTestAccess> access;
    bool split = false;  // the split box at the start of a transfer
    std::set<std::size_t> answer;
    std::size_t answeredUpTo = 0;
    double nextTick = 2.0;
    std::function<void()> onPump;  // more that happens while the window waits

  private:
    void Pump() {
        fakes.clock.now += fakes.pump.waits.back() / 1000.0;
        const std::size_t requests = Requests();
        while (answeredUpTo < requests) {
            if (answer.count(++answeredUpTo)) Arrive(Product_Data(73));
        }
        if (fakes.clock.now >= nextTick) {
            nextTick += 2.0;
            if (fakes.timer.armed) fakes.timer.tick();
        }
        if (onPump) onPump();
    }
};

}  // namespace kelvaron_test
