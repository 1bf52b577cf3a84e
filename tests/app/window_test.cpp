// The window headless on fakes: stored settings at start-up, the first-use readme, the
// receiver family, Browse, and Save's deviation check, settings and locking order.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include "app/frm_kelvaron.h"
#include "tests/support/qt/app_fakes.h"

namespace {

QStringList dataRows(const char* name) {
    QFile f(QStringLiteral(KELVARON_APP_DATA "/") + name);
    QStringList rows;
    if (f.open(QIODevice::ReadOnly))
        for (const QString& l : QString::fromUtf8(f.readAll()).split('\n'))
            if (!l.isEmpty() && !l.startsWith('#')) rows << l;
    return rows;
}

struct WindowTest : ::testing::Test {
    void open() { window = std::make_unique<frmKelvaron>(fakes.services()); }
    void set(const QString& key, const QString& value) {
        fakes.store.values["Settings/" + key] = value;
    }
    template <typename T = QWidget>
    T* c(const char* name) {
        return window->findChild<T*>(name);
    }
    QTemporaryDir dir;
    testkit::FakePlatform fakes{dir.path()};
    std::unique_ptr<frmKelvaron> window;
};

TEST_F(WindowTest, StoredSettingsAreCheckedAndAppliedFamilyFirst) {
    for (const QString& row : dataRows("stored_settings.txt")) {
        fakes.store.values.clear();
        set("1StUse2", "1");
        const QStringList col = row.split(QStringLiteral(" | "));
        for (const QString& kv : col[0].split(' ', Qt::SkipEmptyParts))
            set(kv.section('=', 0, 0), kv.section('=', 1).replace('_', ' '));
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

TEST_F(WindowTest, BrowseFillsTheFileBoxUnlessCancelled) {
    set("1StUse2", "1");
    open();
    fakes.dialogs.savePath = "/home/u/new.txt";
    c<QPushButton>("cmdBrowse")->click();
    fakes.dialogs.savePath.reset();
    c<QPushButton>("cmdBrowse")->click();
    EXPECT_EQ(c<QLineEdit>("txtFName")->text(), "/home/u/new.txt");
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
    for (const QString& row : dataRows("deviation.txt")) {
        const QString text = row.section('"', 1, 1);
        const bool passes = row.section('"', 2).trimmed() == "1";
        fakes.store.values = {{"Settings/1StUse2", "1"}};
        fakes.store.writes.clear();
        fakes.dialogs.messages.clear();
        fakes.comm.port.opens.clear();
        fakes.comm.port.refusedPort = 1;  // a passing Save ends at the port
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
            EXPECT_EQ(window->windowTitle(), "Kelvaron - Receiving...");
            EXPECT_EQ(log.log.join(' '),
                      "-cmdSave -cmbCOM -cmbSpeed -cmdBrowse -txtFName -cmbCorSys -chkReduce "
                      "-txtDev -cmbGPSType +cmbGPSType +cmdSave +cmbCOM +cmbSpeed +cmdBrowse "
                      "+txtFName +cmbCorSys +chkReduce +txtDev");
        } else {
            EXPECT_EQ(fakes.dialogs.messages,
                      std::vector<QString>{"Minimal Deviation must be between 5 and 90 degrees"});
            EXPECT_TRUE(fakes.store.writes.empty());
            EXPECT_TRUE(fakes.comm.port.opens.empty());
            EXPECT_EQ(window->windowTitle(), "Kelvaron");
            EXPECT_EQ(window->focusWidget(), c("txtDev"));
            EXPECT_TRUE(log.log.isEmpty());
        }
    }
}

}  // namespace
