// The window headless: its controls, start-up with stored settings, the receiver
// family, Browse, the deviation check of Save, the locking of inputs and Cancel.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "tests/app/support/fakes.h"
#include "tests/app/support/window_access.h"

namespace {

class WindowTest : public ::testing::Test {
  protected:
    void Open() {
        window = std::make_unique<frmKelvaron>(fakes.services());
        access = std::make_unique<frmKelvaronTestAccess>(*window);
    }
    template <typename T = QWidget>
    T* c(const char* name) {
        T* w = access->control<T>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QComboBox* combo(const char* name) { return c<QComboBox>(name); }
    QCheckBox* check(const char* name) { return c<QCheckBox>(name); }
    QLineEdit* edit(const char* name) { return c<QLineEdit>(name); }
    void SecondRun() { fakes.store.set("1StUse2", "1"); }

    QTemporaryDir dir;
    kelvaron_test::FakePlatform fakes{dir.path()};
    std::unique_ptr<frmKelvaron> window;
    std::unique_ptr<frmKelvaronTestAccess> access;
};

// ---- controls

struct ControlRow {
    const char* name;
    const char* kind;
    const char* text;
    int left, top, width, height;  // twips
};

const ControlRow kControls[] = {
    {"Label1", "QLabel", "&Port:", 0, 480, 855, 255},
    {"cmbCOM", "QComboBox", "", 1200, 480, 855, 315},
    {"Label2", "QLabel", "Sp&eed:", 0, 840, 855, 255},
    {"cmbSpeed", "QComboBox", "", 1200, 840, 1095, 315},
    {"Label6", "QLabel", "&File:", 0, 1200, 855, 255},
    {"txtFName", "QLineEdit", "", 1200, 1200, 2535, 285},
    {"cmdBrowse", "QPushButton", "&Browse", 3840, 1200, 735, 255},
    {"cmdSave", "QPushButton", "&Save", 120, 2760, 1935, 375},
    {"cmdCancel", "QPushButton", "&Cancel", 2160, 2760, 1935, 375},
    {"chkSplit", "QCheckBox", "Split On &New Segment", 120, 2400, 1935, 195},
    {"Label3", "QLabel", "&GPS Type:", 0, 120, 855, 255},
    {"cmbGPSType", "QComboBox", "", 1200, 120, 2055, 315},
    {"Label4", "QLabel", "C&oorSys:", 0, 1560, 855, 255},
    {"cmbCorSys", "QComboBox", "", 1200, 1560, 1575, 315},
    {"chkReduce", "QCheckBox", "&Reduce points", 120, 2040, 1935, 255},
    {"txtDev", "QLineEdit", "", 3360, 2010, 495, 285},
    {"Label5", "QLabel", "Min Deviation:", 2280, 2040, 1020, 195},
};

QString Text_Of(QWidget* w) {
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
    return {};
}

TEST_F(WindowTest, EveryControlHasItsNameCaptionAndPlace) {
    SecondRun();
    Open();
    EXPECT_EQ(window->windowTitle(), "Kelvaron");
    const double dx = window->logicalDpiX() / 1440.0;
    const double dy = window->logicalDpiY() / 1440.0;
    EXPECT_EQ(window->size(), QSize(qRound(4650 * dx), qRound(3210 * dy)));
    for (const auto& row : kControls) {
        QWidget* w = c(row.name);
        ASSERT_NE(w, nullptr);
        EXPECT_TRUE(w->inherits(row.kind)) << row.name;
        EXPECT_EQ(Text_Of(w), QString(row.text)) << row.name;
        EXPECT_EQ(w->geometry(), QRect(qRound(row.left * dx), qRound(row.top * dy),
                                       qRound(row.width * dx), qRound(row.height * dy)))
            << row.name;
    }
}

TEST_F(WindowTest, AtNinetySixDotsPerInchFifteenTwipsMakeAPixel) {
    SecondRun();
    Open();
    if (window->logicalDpiX() != 96) GTEST_SKIP() << "screen is not at 96 dpi";
    EXPECT_EQ(window->size(), QSize(310, 214));
    EXPECT_EQ(c("cmdSave")->geometry(), QRect(8, 184, 129, 25));
}

TEST_F(WindowTest, FocusMovesInTabOrderAndLabelsLeadToTheirControl) {
    SecondRun();
    Open();
    const char* order[] = {"cmbCOM",    "cmbSpeed",  "txtFName", "cmdBrowse",
                           "cmdSave",   "cmdCancel", "chkSplit", "cmbGPSType",
                           "cmbCorSys", "chkReduce", "txtDev"};
    QWidget* w = c(order[0]);
    for (std::size_t i = 1; i < std::size(order); ++i) {
        do w = w->nextInFocusChain();
        while (!(w->focusPolicy() & Qt::TabFocus));
        EXPECT_EQ(w->objectName(), order[i]);
    }
    const std::pair<const char*, const char*> buddies[] = {{"Label1", "cmbCOM"},
                                                           {"Label2", "cmbSpeed"},
                                                           {"Label6", "txtFName"},
                                                           {"Label3", "cmbGPSType"},
                                                           {"Label4", "cmbCorSys"}};
    for (const auto& [label, buddy] : buddies) {
        QWidget* b = c<QLabel>(label)->buddy();
        ASSERT_NE(b, nullptr) << label;
        EXPECT_EQ(b->objectName(), buddy);
    }
}

TEST_F(WindowTest, AltShortcutsReachTheirControls) {
    SecondRun();
    Open();
    window->show();
    QApplication::setActiveWindow(window.get());
    if (!QTest::qWaitForWindowActive(window.get())) GTEST_SKIP() << "no active window here";
    const std::pair<Qt::Key, const char*> keys[] = {{Qt::Key_P, "cmbCOM"},
                                                    {Qt::Key_E, "cmbSpeed"},
                                                    {Qt::Key_F, "txtFName"},
                                                    {Qt::Key_G, "cmbGPSType"},
                                                    {Qt::Key_O, "cmbCorSys"}};
    for (const auto& [key, name] : keys) {
        QTest::keyClick(window.get(), key, Qt::AltModifier);
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        EXPECT_EQ(QApplication::focusWidget()->objectName(), name);
    }
    // A button's shortcut presses it visibly: the click comes a moment later.
    QTest::keyClick(window.get(), Qt::Key_R, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return check("chkReduce")->isChecked(); }, 2000));
    fakes.dialogs.savePath.reset();
    QTest::keyClick(window.get(), Qt::Key_B, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return fakes.dialogs.saveTitle == "Save To:"; }, 2000));
}

TEST_F(WindowTest, ListsHoldTheirItems) {
    SecondRun();
    Open();
    auto items = [](QComboBox* box) {
        QStringList l;
        for (int i = 0; i < box->count(); ++i) l << box->itemText(i);
        return l;
    };
    EXPECT_EQ(items(combo("cmbCOM")), QStringList({"COM1", "COM2", "COM3", "COM4", "COM5", "COM6",
                                                   "COM7", "COM8", "COM9"}));
    EXPECT_EQ(items(combo("cmbSpeed")),
              QStringList({"110", "300", "600", "1200", "2400", "4800", "9600", "14400", "19200",
                           "38400", "57600", "115200"}));
    EXPECT_EQ(items(combo("cmbGPSType")), QStringList({"Magellan", "Garmin"}));
    EXPECT_EQ(items(combo("cmbCorSys")), QStringList({"LAT/LON", "Israeli (old)"}));
    for (const char* name : {"cmbCOM", "cmbSpeed", "cmbGPSType", "cmbCorSys"})
        EXPECT_FALSE(combo(name)->isEditable()) << name;
}

TEST_F(WindowTest, PortToolTipShowsTheDevice) {
    SecondRun();
    fakes.store.set("COM", "2");
    Open();
    EXPECT_EQ(combo("cmbCOM")->toolTip(), "COM3 (/dev/fake3)");
    combo("cmbCOM")->setCurrentIndex(0);
    EXPECT_EQ(combo("cmbCOM")->toolTip(), "COM1 (/dev/fake1)");
    EXPECT_EQ(combo("cmbCOM")->itemData(8, Qt::ToolTipRole).toString(), "COM9 (/dev/fake9)");
}

// ---- start-up

TEST_F(WindowTest, FirstRunOpensTheReadmeAndShowsTheDefaults) {
    Open();
    ASSERT_EQ(fakes.readme.opened.size(), 1u);
    EXPECT_TRUE(fakes.readme.opened[0].endsWith("/Readme.html"));
    EXPECT_EQ(QFileInfo(fakes.readme.opened[0]).absolutePath(),
              QCoreApplication::applicationDirPath());
    EXPECT_TRUE(fakes.dialogs.messages.empty());
    EXPECT_EQ(fakes.store.get("1StUse2"), QString("1"));

    EXPECT_EQ(combo("cmbGPSType")->currentText(), "Magellan");
    EXPECT_EQ(combo("cmbCOM")->currentText(), "COM1");
    EXPECT_EQ(combo("cmbSpeed")->currentText(), "4800");
    EXPECT_EQ(edit("txtFName")->text(), "");
    EXPECT_EQ(combo("cmbCorSys")->currentText(), "LAT/LON");
    EXPECT_FALSE(check("chkReduce")->isChecked());
    EXPECT_EQ(edit("txtDev")->text(), "0");
    EXPECT_TRUE(check("chkSplit")->isChecked());
    EXPECT_FALSE(check("chkSplit")->isEnabled());
}

TEST_F(WindowTest, FirstRunWithoutReadmeShowsTheNoticeOnce) {
    fakes.readme.result = false;
    Open();
    ASSERT_EQ(fakes.dialogs.messages.size(), 1u);
    EXPECT_EQ(fakes.dialogs.messages[0],
              "Failed to open the readme file.\r\n"
              "This software comes without any type of warranty.\r\n"
              "USE AT YOUR OWN RISK!!!\r\n"
              "Questions can be mailed to support@kelvaron.example\r\n"
              "please take a peek at the readme.html file, located in the program directory");
    EXPECT_EQ(fakes.store.get("1StUse2"), QString("1"));

    window.reset();
    fakes.dialogs.messages.clear();
    fakes.readme.opened.clear();
    Open();
    EXPECT_TRUE(fakes.readme.opened.empty());
    EXPECT_TRUE(fakes.dialogs.messages.empty());
}

TEST_F(WindowTest, SecondRunNeitherOpensTheReadmeNorWrites) {
    SecondRun();
    Open();
    EXPECT_TRUE(fakes.readme.opened.empty());
    EXPECT_TRUE(fakes.dialogs.messages.empty());
    EXPECT_TRUE(fakes.store.writes.empty());
}

struct StoredCase {
    std::vector<std::pair<const char*, const char*>> stored;
    const char* gpsType;
    const char* com;
    const char* speed;
    const char* corSys;
    bool reduce;
    bool splitEnabled;
};

class StoredSettings : public WindowTest, public ::testing::WithParamInterface<StoredCase> {};

TEST_P(StoredSettings, AreAppliedInOrderAndCheckedFirst) {
    SecondRun();
    for (const auto& [k, v] : GetParam().stored) fakes.store.set(k, v);
    Open();
    const auto& p = GetParam();
    EXPECT_EQ(combo("cmbGPSType")->currentText(), p.gpsType);
    EXPECT_EQ(combo("cmbCOM")->currentText(), p.com);
    EXPECT_EQ(combo("cmbSpeed")->currentText(), p.speed);
    EXPECT_EQ(combo("cmbCorSys")->currentText(), p.corSys);
    EXPECT_EQ(check("chkReduce")->isChecked(), p.reduce);
    EXPECT_EQ(check("chkSplit")->isEnabled(), p.splitEnabled);
    EXPECT_TRUE(check("chkSplit")->isChecked());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StoredSettings,
    ::testing::Values(
        // The family's default speed is overwritten by the stored speed.
        StoredCase{
            {{"GPSType", "1"}, {"Speed", "3"}}, "Garmin", "COM1", "1200", "LAT/LON", false, true},
        // Without a stored speed the default 4800 wins over Garmin's 9600.
        StoredCase{{{"GPSType", "1"}}, "Garmin", "COM1", "4800", "LAT/LON", false, true},
        StoredCase{
            {{"GPSType", "0"}, {"COM", "8"}, {"Speed", "11"}, {"CorSys", "1"}, {"Reduce", "1"}},
            "Magellan",
            "COM9",
            "115200",
            "Israeli (old)",
            true,
            false},
        StoredCase{{{"Reduce", "2"}}, "Magellan", "COM1", "4800", "LAT/LON", true, false},
        StoredCase{{{"Reduce", "-1"}}, "Magellan", "COM1", "4800", "LAT/LON", true, false},
        StoredCase{{{"Reduce", "0"}}, "Magellan", "COM1", "4800", "LAT/LON", false, false},
        // Values a hand-edited store may hold fall back to the defaults.
        StoredCase{
            {{"GPSType", "2"}, {"COM", "9"}, {"Speed", "12"}, {"CorSys", "2"}, {"Reduce", "yes"}},
            "Magellan",
            "COM1",
            "4800",
            "LAT/LON",
            false,
            false},
        StoredCase{{{"GPSType", "abc"},
                    {"COM", "-1"},
                    {"Speed", "1.5"},
                    {"CorSys", ""},
                    {"Reduce", "1.5"}},
                   "Magellan",
                   "COM1",
                   "4800",
                   "LAT/LON",
                   false,
                   false},
        StoredCase{{{"GPSType", "99999"}, {"Speed", "6 "}},
                   "Magellan",
                   "COM1",
                   "9600",
                   "LAT/LON",
                   false,
                   false},
        StoredCase{{{"COM", " 3 "}, {"Speed", "+2"}, {"CorSys", "0x1"}},
                   "Magellan",
                   "COM4",
                   "600",
                   "LAT/LON",
                   false,
                   false}));

TEST_F(WindowTest, StoredTextsAreShownAsStored) {
    SecondRun();
    fakes.store.set("FName", "/home/u/hike.txt");
    fakes.store.set("Dev", "45 abc");
    Open();
    EXPECT_EQ(edit("txtFName")->text(), "/home/u/hike.txt");
    EXPECT_EQ(edit("txtDev")->text(), "45 abc");
}

// ---- receiver family

TEST_F(WindowTest, TheFamilySetsItsSpeedAndTheSplitBox) {
    SecondRun();
    Open();
    combo("cmbSpeed")->setCurrentIndex(0);
    combo("cmbGPSType")->setCurrentIndex(1);
    EXPECT_EQ(combo("cmbSpeed")->currentText(), "9600");
    EXPECT_TRUE(check("chkSplit")->isEnabled());
    check("chkSplit")->setChecked(false);

    combo("cmbSpeed")->setCurrentIndex(11);
    combo("cmbGPSType")->setCurrentIndex(0);
    EXPECT_EQ(combo("cmbSpeed")->currentText(), "4800");
    EXPECT_FALSE(check("chkSplit")->isEnabled());
    EXPECT_FALSE(check("chkSplit")->isChecked()) << "disabling leaves the tick alone";

    // Choosing the family already shown brings its speed back too.
    combo("cmbSpeed")->setCurrentIndex(2);
    emit combo("cmbGPSType")->activated(0);
    EXPECT_EQ(combo("cmbSpeed")->currentText(), "4800");
}

// ---- Browse

TEST_F(WindowTest, BrowsePutsTheChosenPathInTheFileBox) {
    SecondRun();
    fakes.store.set("FName", "/old/track.txt");
    Open();
    fakes.dialogs.savePath = "/home/u/new.txt";
    access->Browse();
    EXPECT_EQ(fakes.dialogs.saveTitle, "Save To:");
    EXPECT_EQ(fakes.dialogs.saveFilters, QStringList({"Text (*.txt)", "All Files (*.*)"}));
    EXPECT_EQ(fakes.dialogs.saveCurrent, "/old/track.txt");
    EXPECT_EQ(edit("txtFName")->text(), "/home/u/new.txt");

    fakes.dialogs.savePath.reset();
    access->Browse();
    EXPECT_EQ(edit("txtFName")->text(), "/home/u/new.txt");
}

// ---- Save

struct DeviationCase {
    const char* text;
    bool passes;
};

class DeviationCheck : public WindowTest, public ::testing::WithParamInterface<DeviationCase> {};

TEST_P(DeviationCheck, RefusesOutsideFiveToNinetyAndStoresNothing) {
    SecondRun();
    Open();
    // The port does not open, so a passing Save ends right after storing.
    fakes.comm.opens = false;
    fakes.comm.failureText = "port trouble";
    window->show();
    edit("txtFName")->setText("/tmp/x.txt");
    edit("txtDev")->setText(GetParam().text);
    ASSERT_FALSE(check("chkReduce")->isChecked());
    access->Save();
    if (GetParam().passes) {
        EXPECT_EQ(fakes.dialogs.messages, std::vector<QString>{"port trouble"});
        EXPECT_EQ(fakes.store.get("Dev"), QString(GetParam().text));
        EXPECT_EQ(window->windowTitle(), "Kelvaron - Receiving...");
    } else {
        EXPECT_EQ(fakes.dialogs.messages,
                  std::vector<QString>{"Minimal Deviation must be between 5 and 90 degrees"});
        EXPECT_TRUE(fakes.store.writes.empty());
        EXPECT_TRUE(fakes.comm.openCalls.empty());
        EXPECT_EQ(window->windowTitle(), "Kelvaron");
        EXPECT_EQ(window->focusWidget(), edit("txtDev"));
    }
    for (const auto& row : kControls) {
        if (std::string(row.name) == "chkSplit") continue;
        EXPECT_TRUE(c(row.name)->isEnabled()) << row.name;
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, DeviationCheck,
                         ::testing::Values(DeviationCase{"5", true}, DeviationCase{"90", true},
                                           DeviationCase{"45 abc", true},
                                           DeviationCase{"4.9", false},
                                           DeviationCase{"90.5", false}, DeviationCase{"", false},
                                           DeviationCase{"abc", false}, DeviationCase{"0", false},
                                           DeviationCase{"-45", false},
                                           DeviationCase{"1e9", false}));

TEST_F(WindowTest, SaveStoresEverySettingInOrder) {
    SecondRun();
    fakes.store.set("GPSType", "0");
    Open();
    fakes.comm.opens = false;
    combo("cmbCOM")->setCurrentIndex(2);
    combo("cmbSpeed")->setCurrentIndex(9);
    edit("txtFName")->setText("/home/u/t.txt");
    combo("cmbCorSys")->setCurrentIndex(1);
    check("chkReduce")->setChecked(true);
    edit("txtDev")->setText(" 12 ");
    access->Save();
    const std::vector<std::pair<QString, QString>> expected = {
        {"Settings/GPSType", "0"}, {"Settings/COM", "2"},
        {"Settings/Speed", "9"},   {"Settings/FName", "/home/u/t.txt"},
        {"Settings/CorSys", "1"},  {"Settings/Reduce", "1"},
        {"Settings/Dev", " 12 "}};
    EXPECT_EQ(fakes.store.writes, expected);
    ASSERT_EQ(fakes.comm.openCalls.size(), 1u);
    EXPECT_EQ(fakes.comm.openCalls[0], std::make_pair(3, std::string("38400,n,8,1")));
}

// Records every change of the enabled state of the window's controls.
class EnableLog : public QObject {
  public:
    explicit EnableLog(QWidget* window) {
        for (auto* w : window->findChildren<QWidget*>()) w->installEventFilter(this);
    }
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::EnabledChange) {
            auto* w = static_cast<QWidget*>(o);
            log << (w->isEnabled() ? "+" : "-") + w->objectName();
        }
        return false;
    }
    QStringList log;
};

TEST_F(WindowTest, SaveLocksAndUnlocksTheInputsInOrder) {
    SecondRun();
    Open();
    edit("txtDev")->setText("10");
    fakes.comm.opens = false;
    QStringList duringDownload;
    fakes.dialogs.onMessage = [&](const QString&) {
        for (const auto& row : kControls)
            if (c(row.name)->isEnabled()) duringDownload << row.name;
    };
    EnableLog log(window.get());
    access->Save();
    EXPECT_EQ(log.log, QStringList({"-cmdSave", "-cmbCOM", "-cmbSpeed", "-cmdBrowse", "-txtFName",
                                    "-cmbCorSys", "-chkReduce", "-txtDev", "-cmbGPSType",
                                    "+cmbGPSType", "+cmdSave", "+cmbCOM", "+cmbSpeed", "+cmdBrowse",
                                    "+txtFName", "+cmbCorSys", "+chkReduce", "+txtDev"}));
    // While the download runs only Cancel and the labels are usable.
    EXPECT_EQ(duringDownload, QStringList({"Label1", "Label2", "Label6", "cmdCancel", "Label3",
                                           "Label4", "Label5"}));
}

TEST_F(WindowTest, CancelEndsTheProgram) {
    SecondRun();
    Open();
    c<QPushButton>("cmdCancel")->click();
    EXPECT_EQ(fakes.exit.codes, std::vector<int>{0});
}

TEST_F(WindowTest, CancelDuringADownloadEndsItWithoutAFile) {
    SecondRun();
    Open();
    edit("txtDev")->setText("10");
    edit("txtFName")->setText(dir.filePath("out.txt"));
    fakes.comm.chunks = {"$PMGNTRK,3204.5678,N,03512.3456,E,00100,M,,A,,*00\r\n"};
    int pumps = 0;
    fakes.pump.onPump = [&] {
        if (++pumps == 5) c<QPushButton>("cmdCancel")->click();
    };
    access->Save();
    EXPECT_EQ(fakes.exit.codes, std::vector<int>{0});
    EXPECT_FALSE(QFile::exists(dir.filePath("out.txt")));
    EXPECT_FALSE(fakes.comm.isOpen());
    EXPECT_TRUE(fakes.dialogs.messages.empty());
}

}  // namespace
