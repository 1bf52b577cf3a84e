// The window headless on fakes: stored settings at start-up, the first-use readme, the
// receiver family, the Port list's devices, Browse, and Save's checks, settings and
// locking order.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include "tests/support/qt/app_fakes.h"
#include "tests/support/qt/qt_case_table.h"
#include "window/frm_kelvaron.h"

namespace {

struct WindowTest : ::testing::Test {
    void open() { window = std::make_unique<frmKelvaron>(fakes.services()); }
    void set(const QString& key, const QString& value) {
        fakes.store.values["Settings/" + key] = value;
    }
    template <typename T = QWidget>
    T* c(const char* name) {
        return window->findChild<T*>(name);
    }
    // The devices listed after COM9 (col[3], "-" for none), the one shown and its tooltip.
    static void expectPortList(const QComboBox* list, const QStringList& col) {
        QStringList items;
        for (int i = 9; i < list->count(); ++i) items << list->itemText(i);
        EXPECT_EQ(items.join(';').toStdString(), col[3] == "-" ? "" : col[3].toStdString());
        EXPECT_EQ(list->currentText().toStdString(), col[4].toStdString());
        EXPECT_EQ(list->toolTip().toStdString(), col[5].toStdString());
    }
    QTemporaryDir dir;
    testkit::FakePlatform fakes{dir.path()};
    std::unique_ptr<frmKelvaron> window;
};

TEST_F(WindowTest, StoredSettingsAreCheckedAndAppliedFamilyFirst) {
    for (const QString& row : testkit::qtTableLines(KELVARON_APP_DATA "/stored_settings.txt")) {
        fakes.store.values.clear();
        set("1StUse2", "1");
        const QStringList col = row.split(QStringLiteral(" | "));
        for (auto [key, value] : testkit::keyValues(col[0])) set(key, value.replace('_', ' '));
        open();
        const QString shown = QStringList{c<QComboBox>("cmbGPSType")->currentText(),
                                          c<QComboBox>("cmbCOM")->currentText(),
                                          c<QComboBox>("cmbSpeed")->currentText(),
                                          c<QComboBox>("cmbCorSys")->currentText(),
                                          QString::number(c<QCheckBox>("chkReduce")->isChecked()),
                                          QString::number(c("chkSplit")->isEnabled())}
                                  .join(" | ");
        EXPECT_EQ(shown, col.mid(1).join(" | ")) << row.toStdString();
        EXPECT_TRUE(c<QCheckBox>("chkSplit")->isChecked());
    }
}

TEST_F(WindowTest, FirstUseOpensTheReadmeOrShowsTheNoticeOnce) {
    fakes.readme.opens = false;
    open();
    ASSERT_EQ(fakes.dialogs.messages.size(), 1u);
    EXPECT_TRUE(fakes.dialogs.messages[0].startsWith("Failed to open the readme file.\r\n"));
    EXPECT_EQ(fakes.store.writes, std::vector<QString>{"1StUse2=1"});
    open();
    EXPECT_EQ(fakes.readme.opened, 1);
    EXPECT_EQ(fakes.dialogs.messages.size(), 1u);
}

TEST_F(WindowTest, SettingsThatCannotBeStoredAreToldOnce) {
    fakes.store.failure = "/ro/Kelvaron.conf: the folder /ro is read-only";
    set("Dev", "10");
    fakes.comm.refusedPort = 1;
    open();
    c<QLineEdit>("txtFName")->setText(dir.filePath("x.txt"));
    c<QPushButton>("cmdSave")->click();
    EXPECT_EQ(fakes.dialogs.messages,
              (std::vector<QString>{"Your choices cannot be stored in /ro/Kelvaron.conf: the "
                                    "folder /ro is read-only.\r\nKelvaron will not remember "
                                    "them when it starts next time.",
                                    "Cannot open port COM1 (/dev/fake1)."}));
}

TEST_F(WindowTest, TheFamilySetsItsSpeedAndTheSplitBox) {
    set("1StUse2", "1");
    open();
    c<QComboBox>("cmbGPSType")->setCurrentIndex(1);
    EXPECT_EQ(c<QComboBox>("cmbSpeed")->currentText(), "9600");
    EXPECT_TRUE(c("chkSplit")->isEnabled());
    c<QComboBox>("cmbSpeed")->setCurrentIndex(2);
    emit c<QComboBox>("cmbGPSType")->activated(1);  // the family already shown counts too
    EXPECT_EQ(c<QComboBox>("cmbSpeed")->currentText(), "9600");
    c<QComboBox>("cmbGPSType")->setCurrentIndex(0);
    EXPECT_EQ(c<QComboBox>("cmbSpeed")->currentText(), "4800");
    EXPECT_FALSE(c("chkSplit")->isEnabled());
}

TEST_F(WindowTest, PortListOffersTheDevicesPresentAndRemembersThemByPath) {
    for (const QString& row : testkit::qtTableLines(KELVARON_APP_DATA "/port_list.txt")) {
        const QStringList col = row.split(QStringLiteral(" | "));
        auto devices = [](const QString& list) {
            std::vector<app::PortInfo> all;
            for (const QString& d : list.split(';', Qt::SkipEmptyParts))
                if (d != "-")
                    all.push_back({d.section('=', 0, 0), d.section('/', 2, 2).section('=', 0, 0),
                                   d.section('=', 1)});
            return all;
        };
        fakes.portList.present = devices(col[0]);
        fakes.store.values = {{"Settings/1StUse2", "1"},
                              {"Settings/Dev", "10"},
                              {"Settings/FName", dir.filePath("x.txt")}};
        for (const QString& kv : col[1].split(' ', Qt::SkipEmptyParts))
            if (kv != "-") set(kv.section('=', 0, 0), kv.section('=', 1));
        open();
        auto* list = c<QComboBox>("cmbCOM");
        const QString act = col[2].section(' ', 0, 0);
        if (act == "choose") list->setCurrentIndex(col[2].section(' ', 1).toInt());
        if (act == "unplug") fakes.portList.present.clear();
        if (act == "plug") fakes.portList.present.push_back(devices(col[2].section(' ', 1))[0]);
        if (act == "plug" || act == "unplug") {
            list->showPopup();
            list->hidePopup();
        }
        SCOPED_TRACE(row.toStdString());
        expectPortList(list, col);
        fakes.store.writes.clear();
        fakes.dialogs.messages.clear();
        fakes.comm.refusedPort = col[4].startsWith("COM") ? col[4].mid(3).toInt() : 1;
        c<QPushButton>("cmdSave")->click();
        QStringList keys;
        for (const QString& w : fakes.store.writes)
            if (w.startsWith("COM=") || w.startsWith("Device=")) keys << w;
        EXPECT_EQ(keys.join(' ').toStdString(), col[6].toStdString());
        EXPECT_EQ(fakes.dialogs.messages, std::vector<QString>{col[7]});
    }
}

TEST_F(WindowTest, GarminPortListOffersTheUsbUnitsAndTheirChoiceHasNoSpeed) {
    for (const QString& row : testkit::qtTableLines(KELVARON_APP_DATA "/usb_port_list.txt")) {
        const QStringList col = row.split(QStringLiteral(" | "));
        auto units = [](const QString& list) {
            std::vector<app::UsbUnitInfo> all;
            for (const QString& u : list.split(';', Qt::SkipEmptyParts))
                if (u != "-")
                    all.push_back({u.section('=', 0, 0), u.section('=', 1, 1), u.section('=', 2)});
            return all;
        };
        fakes.usbUnits.attached = units(col[0]);
        fakes.store.values = {{"Settings/1StUse2", "1"},
                              {"Settings/Dev", "10"},
                              {"Settings/FName", dir.filePath("x.txt")}};
        for (const QString& kv : col[1].split(' ', Qt::SkipEmptyParts))
            set(kv.section('=', 0, 0), kv.section('=', 1));
        open();
        auto* list = c<QComboBox>("cmbCOM");
        const QStringList act = col[2].split(' ');
        for (const QString& index : act.mid(1)) {
            if (act[0] == "choose") list->setCurrentIndex(index.toInt());
            if (act[0] == "family") c<QComboBox>("cmbGPSType")->setCurrentIndex(index.toInt());
        }
        if (act[0] == "plug") {
            fakes.usbUnits.attached = units(act[1]);
            list->showPopup();
            list->hidePopup();
        }
        SCOPED_TRACE(row.toStdString());
        expectPortList(list, col);
        EXPECT_EQ(c("cmbSpeed")->isEnabled(), col[6] == "1");
        fakes.store.writes.clear();
        fakes.comm.refusedPort = 1;
        c<QPushButton>("cmdSave")->click();
        QStringList keys;
        for (const QString& w : fakes.store.writes)
            if (w.startsWith("COM=") || w.startsWith("Device=")) keys << w;
        EXPECT_EQ(keys.join(' ').toStdString(), col[7].toStdString());
    }
}

TEST_F(WindowTest, BrowseFillsTheFileBoxUnlessCancelledAndGivesAGpxNameItsEnding) {
    set("1StUse2", "1");
    open();
    for (const QStringList& row : testkit::qtTableRows(KELVARON_APP_DATA "/browse.txt")) {
        fakes.dialogs.savePath = row[0] == "-" ? std::nullopt : std::optional(row[0]);
        fakes.dialogs.saveFilter = row[1].toInt();
        c<QPushButton>("cmdBrowse")->click();
        EXPECT_EQ(c<QLineEdit>("txtFName")->text(), row[2]);
    }
}

TEST_F(WindowTest, SaveRefusesAnEmptyFileNameOrAFolderItCannotWrite) {
    QFile(dir.filePath("notes")).open(QIODevice::WriteOnly);
    QDir(dir.path()).mkdir("sub");
    QFile(dir.filePath("locked.txt")).open(QIODevice::WriteOnly);
    QFile::setPermissions(dir.filePath("locked.txt"), QFile::ReadOwner | QFile::ReadOther);
    for (const QString& row : testkit::qtTableLines(KELVARON_APP_DATA "/file_names.txt")) {
        const QString name = row.section('"', 1, 1).replace("{dir}", dir.path());
        const QString message = row.section('"', 2).trimmed().replace("{dir}", dir.path());
        fakes.store.values = {{"Settings/1StUse2", "1"}, {"Settings/Dev", "10"}};
        fakes.store.writes.clear();
        fakes.dialogs.messages.clear();
        fakes.comm.refusedPort = 1;
        open();
        window->show();
        c<QLineEdit>("txtFName")->setText(name);
        c<QPushButton>("cmdSave")->click();
        SCOPED_TRACE(row.toStdString());
        EXPECT_EQ(fakes.dialogs.messages, std::vector<QString>{message});
        if (message.startsWith("Cannot open port")) continue;
        EXPECT_TRUE(fakes.store.writes.empty());
        EXPECT_EQ(window->focusWidget(), c("txtFName"));
    }
}

// Records every change of the enabled state of the window's controls.
struct EnableLog : QObject {
    explicit EnableLog(QWidget* window) {
        for (auto* child : window->findChildren<QWidget*>()) child->installEventFilter(this);
    }
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::EnabledChange)
            log << (static_cast<QWidget*>(o)->isEnabled() ? "+" : "-") + o->objectName();
        return false;
    }
    QStringList log;
};

TEST_F(WindowTest, SaveChecksTheDeviationStoresTheSettingsAndLocksInOrder) {
    for (const QString& row : testkit::qtTableLines(KELVARON_APP_DATA "/deviation.txt")) {
        const QString text = row.section('"', 1, 1);
        const bool passes = row.section('"', 2).trimmed() == "1";
        fakes.store.values = {{"Settings/1StUse2", "1"}};
        fakes.store.writes.clear();
        fakes.dialogs.messages.clear();
        fakes.comm.opens.clear();
        fakes.comm.refusedPort = 1;  // a passing Save ends at the port
        open();
        window->show();
        c<QLineEdit>("txtFName")->setText("/tmp/x.txt");
        c<QLineEdit>("txtDev")->setText(text);
        EnableLog log(window.get());
        c<QPushButton>("cmdSave")->click();
        SCOPED_TRACE(text.toStdString());
        if (passes) {
            EXPECT_EQ(fakes.dialogs.messages,
                      std::vector<QString>{"Cannot open port COM1 (/dev/fake1)."});
            EXPECT_EQ(fakes.store.writes,
                      (std::vector<QString>{"GPSType=0", "COM=0", "Speed=5", "FName=/tmp/x.txt",
                                            "CorSys=0", "Reduce=0", "Dev=" + text}));
            EXPECT_EQ(window->windowTitle(), "Kelvaron");  // a failed download says nothing more
            EXPECT_EQ(log.log.join(' '),
                      "-cmdSave -cmbCOM -cmbSpeed -cmdBrowse -txtFName -cmbCorSys -chkReduce "
                      "-txtDev -cmbGPSType +cmbGPSType +cmdSave +cmbCOM +cmbSpeed +cmdBrowse "
                      "+txtFName +cmbCorSys +chkReduce +txtDev");
        } else {
            EXPECT_EQ(fakes.dialogs.messages,
                      std::vector<QString>{"Minimal Deviation must be between 5 and 90 degrees"});
            EXPECT_TRUE(fakes.store.writes.empty());
            EXPECT_TRUE(fakes.comm.opens.empty());
            EXPECT_EQ(window->windowTitle(), "Kelvaron");
            EXPECT_EQ(window->focusWidget(), c("txtDev"));
            EXPECT_TRUE(log.log.isEmpty());
        }
    }
}

}  // namespace
