#include "app/frm_kelvaron.h"

#include <algorithm>
#include <type_traits>

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

#include "app/choices.h"
#include "app/deviation.h"
#include "app/drive_download.h"
#include "app/garmin_download.h"
#include "app/magellan_download.h"
#include "app/output_name.h"
#include "app/port_combo_box.h"
#include "app/port_map.h"
#include "app/program_title.h"
#include "app/source_list.h"
#include "app/stored_settings.h"

namespace {

using app::kPortCount;

// Positions are kept in twips, 1440 to the inch, and placed at the screen's
// logical resolution: 15 twips are one pixel at 96 dots per inch.
struct Twips {
    int left, top, width, height;
};

const QString kGpxFilter = QStringLiteral("GPX Files (*.gpx)");
// The GPS type list's third item: a unit mounted as a drive, or a GPX or FIT file.
constexpr int kDriveType = 2;

template <typename W>
W* make(QWidget* parent, const char* name, const QString& text = {}) {
    W* w = nullptr;
    if constexpr (std::is_constructible_v<W, QString, QWidget*>)
        w = new W(text, parent);
    else
        w = new W(parent);
    w->setObjectName(QLatin1String(name));
    return w;
}

QString notPresentText(const QString& device) {
    return QStringLiteral("The port %1 chosen last time is not present.").arg(device);
}

}  // namespace

frmKelvaron::frmKelvaron(const app::Services& services, QWidget* parent)
    : QWidget(parent), svc_(services), boxes_(services.dialogs, this) {
    setObjectName(QStringLiteral("frmKelvaron"));
    setWindowTitle(app::kProgramTitle);
    // The places of the controls are fixed in twips and were laid out for a small,
    // narrow font; a larger or wider one would cut the captions short.
    QFont small = font();
    small.setPointSizeF(7.5);
    small.setStretch(QFont::SemiCondensed);
    setFont(small);
    createControls();
    placeControls();
    connectControls();
    svc_.comm.setEventHandler([this] { comm_OnComm(); });
    svc_.tmrTimeout.setTickHandler([this] { tmrTimeout_Timer(); });
    svc_.deadline.setHandler([this] { deadlinePassed(); });
    Form_Load();
}

frmKelvaron::~frmKelvaron() {
    svc_.comm.setEventHandler(nullptr);
    svc_.tmrTimeout.setTickHandler(nullptr);
    svc_.deadline.setHandler(nullptr);
}

void frmKelvaron::createControls() {
    // Made in tab order, which is also the order the focus moves in.
    Label1 = make<QLabel>(this, "Label1", QStringLiteral("&Port:"));
    cmbCOM = make<app::PortComboBox>(this, "cmbCOM");
    Label2 = make<QLabel>(this, "Label2", QStringLiteral("Sp&eed:"));
    cmbSpeed = make<QComboBox>(this, "cmbSpeed");
    Label6 = make<QLabel>(this, "Label6", QStringLiteral("&File:"));
    txtFName = make<QLineEdit>(this, "txtFName");
    cmdBrowse = make<QPushButton>(this, "cmdBrowse", QStringLiteral("&Browse"));
    cmdSave = make<QPushButton>(this, "cmdSave", QStringLiteral("&Save"));
    cmdCancel = make<QPushButton>(this, "cmdCancel", QStringLiteral("&Cancel"));
    chkSplit = make<QCheckBox>(this, "chkSplit", QStringLiteral("Split On &New Segment"));
    Label3 = make<QLabel>(this, "Label3", QStringLiteral("&GPS Type:"));
    cmbGPSType = make<QComboBox>(this, "cmbGPSType");
    Label4 = make<QLabel>(this, "Label4", QStringLiteral("C&oorSys:"));
    cmbCorSys = make<QComboBox>(this, "cmbCorSys");
    chkReduce = make<QCheckBox>(this, "chkReduce", QStringLiteral("&Reduce points"));
    txtDev = make<QLineEdit>(this, "txtDev");
    Label5 = make<QLabel>(this, "Label5", QStringLiteral("Min Deviation:"));

    // A label's shortcut moves the focus to the control after it.
    Label1->setBuddy(cmbCOM);
    Label2->setBuddy(cmbSpeed);
    Label6->setBuddy(txtFName);
    Label3->setBuddy(cmbGPSType);
    Label4->setBuddy(cmbCorSys);

    const QList<QWidget*> order = {cmbCOM,   cmbSpeed,   txtFName,  cmdBrowse, cmdSave, cmdCancel,
                                   chkSplit, cmbGPSType, cmbCorSys, chkReduce, txtDev};
    for (qsizetype i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);

    cmbGPSType->addItems(
        {QStringLiteral("Magellan"), QStringLiteral("Garmin"), QStringLiteral("Drive or file")});
    cmbCorSys->addItems({QStringLiteral("LAT/LON"), QStringLiteral("Israeli (old)"),
                         QStringLiteral("Israeli (new)")});
    chkSplit->setChecked(true);
}

void frmKelvaron::placeControls() {
    const double dpiX = logicalDpiX();
    const double dpiY = logicalDpiY();
    auto px = [](int twips, double dpi) { return qRound(twips * dpi / 1440.0); };
    auto place = [&](QWidget* w, Twips t) {
        w->setGeometry(px(t.left, dpiX), px(t.top, dpiY), px(t.width, dpiX), px(t.height, dpiY));
    };
    place(Label1, {0, 480, 855, 255});
    place(cmbCOM, {1200, 480, 855, 315});
    place(Label2, {0, 840, 855, 255});
    place(cmbSpeed, {1200, 840, 1095, 315});
    place(Label6, {0, 1200, 855, 255});
    place(txtFName, {1200, 1200, 2535, 285});
    place(cmdBrowse, {3840, 1200, 735, 255});
    place(cmdSave, {120, 2760, 1935, 375});
    place(cmdCancel, {2160, 2760, 1935, 375});
    place(chkSplit, {120, 2400, 1935, 195});
    place(Label3, {0, 120, 855, 255});
    place(cmbGPSType, {1200, 120, 2055, 315});
    place(Label4, {0, 1560, 855, 255});
    place(cmbCorSys, {1200, 1560, 1575, 315});
    place(chkReduce, {120, 2040, 1935, 255});
    place(txtDev, {3360, 2010, 495, 285});
    place(Label5, {2280, 2040, 1020, 195});
    setFixedSize(px(4650, dpiX), px(3210, dpiY));
}

void frmKelvaron::connectControls() {
    // A choice made in code and a choice made by the user both count; the user
    // choosing the item already shown counts too, so the family's speed comes back.
    connect(cmbGPSType, &QComboBox::currentIndexChanged, this, [this] { cmbGPSType_Click(); });
    connect(cmbGPSType, &QComboBox::activated, this, [this] { cmbGPSType_Click(); });
    connect(cmbCOM, &QComboBox::currentIndexChanged, this, [this] { showPortDevice(); });
    connect(cmbCOM, &QComboBox::activated, this, [this](int index) { portActivated(index); });
    cmbCOM->setRefresh([this] { refreshPortList(); });
    connect(cmdBrowse, &QPushButton::clicked, this, [this] { cmdBrowse_Click(); });
    connect(cmdSave, &QPushButton::clicked, this, [this] { cmdSave_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
}

void frmKelvaron::Form_Load() {
    magellan_ = std::make_unique<app::MagellanDownload>(svc_.downloads(), *this);
    garmin_ = std::make_unique<app::GarminDownload>(svc_.downloads(), *this);
    drive_ = std::make_unique<app::DriveDownload>(svc_.downloads(), *this);
    sources_ = std::make_unique<app::SourceList>(*cmbCOM, svc_.volumes);
    showReadmeOnce();
    fillLists();
    applyStoredSettings();
}

void frmKelvaron::showReadmeOnce() {
    if (app::storedText(svc_.settings, app::key::kFirstUse, QStringLiteral("0")) != "0") return;
    const QDir programDir(QCoreApplication::applicationDirPath());
    QString readme = programDir.filePath(QStringLiteral("Readme.html"));
    // Installed, the guide lives in <prefix>/share/doc/kelvaron beside <prefix>/bin.
    if (!QFileInfo::exists(readme))
        readme = QDir::cleanPath(
            programDir.filePath(QStringLiteral("../share/doc/kelvaron/Readme.html")));
    if (!svc_.readme.open(readme)) {
        showMessage(QStringLiteral(
            "Failed to open the readme file.\r\n"
            "This software comes without any type of warranty.\r\n"
            "USE AT YOUR OWN RISK!!!\r\n"
            "Questions can be mailed to support@kelvaron.example\r\n"
            "please take a peek at the readme.html file, located in the program directory"));
    }
    svc_.settings.write(app::kSettingsSection, app::key::kFirstUse, QStringLiteral("1"));
    tellUnstoredSettings();
}

void frmKelvaron::fillLists() {
    addSerialPorts();
    cmbSpeed->addItems(app::kSpeeds);
    showPortDevice();
}

void frmKelvaron::applyStoredSettings() {
    const auto& store = svc_.settings;
    // The serial choice first, so that a stored "Drive or file" keeps it for later; the
    // family sets its own default speed, so the stored speed must come after it.
    cmbCOM->setCurrentIndex(app::storedIndex(store, app::key::kCOM, 0, kPortCount));
    restoreDevice(app::storedText(store, app::key::kDevice, QString()));
    source_ = app::storedText(store, app::key::kSource, QString());
    selectGpsType(app::storedIndex(store, app::key::kGPSType, 0, cmbGPSType->count()));
    cmbSpeed->setCurrentIndex(
        app::storedIndex(store, app::key::kSpeed, app::kMagellanSpeedIndex, cmbSpeed->count()));
    txtFName->setText(app::storedText(store, app::key::kFName, QString()));
    cmbCorSys->setCurrentIndex(app::storedIndex(store, app::key::kCorSys, 0, cmbCorSys->count()));
    chkReduce->setChecked(app::storedNumber(store, app::key::kReduce, 0) != 0);
    txtDev->setText(app::storedText(store, app::key::kDev, QStringLiteral("0")));
}

void frmKelvaron::selectGpsType(int index) {
    if (cmbGPSType->currentIndex() == index)
        cmbGPSType_Click();
    else
        cmbGPSType->setCurrentIndex(index);
}

void frmKelvaron::cmbGPSType_Click() {
    const bool magellan = cmbGPSType->currentIndex() == 0;
    chkSplit->setEnabled(!magellan);
    if (driveChosen() != showingSources_) {
        if (driveChosen())
            showSources();
        else
            showSerialPorts();
    }
    // A file has no line speed.
    cmbSpeed->setEnabled(!driveChosen() && cmdSave->isEnabled());
    if (!driveChosen())
        cmbSpeed->setCurrentIndex(magellan ? app::kMagellanSpeedIndex : app::kGarminSpeedIndex);
}

bool frmKelvaron::driveChosen() const {
    return cmbGPSType->currentIndex() == kDriveType;
}

void frmKelvaron::showSources() {
    serialIndex_ = cmbCOM->currentIndex();
    serialDevice_ = chosenDevice();
    showingSources_ = true;
    sources_->fill(source_);
    showPortDevice();
}

void frmKelvaron::showSerialPorts() {
    showingSources_ = false;
    {
        const QSignalBlocker quiet(cmbCOM);
        cmbCOM->clear();
        addSerialPorts();
        const int device = serialDevice_.isEmpty() ? -1 : indexOfDevice(serialDevice_);
        cmbCOM->setCurrentIndex(device >= 0 ? device : std::clamp(serialIndex_, 0, kPortCount - 1));
    }
    showPortDevice();
}

// "File…" asks for a file; cancelled, the list goes back to what was chosen before.
void frmKelvaron::portActivated(int index) {
    if (!showingSources_) return;
    if (sources_->isFileChoice(index)) {
        chooseFile();
        return;
    }
    source_ = sources_->chosen();
}

void frmKelvaron::chooseFile() {
    const QString current = QFileInfo(source_).isFile() ? source_ : QString();
    if (const auto path = svc_.dialogs.openFileName(
            this, QStringLiteral("Read From:"),
            {QStringLiteral("GPX and FIT Files (*.gpx *.fit *.GPX *.FIT)"),
             QStringLiteral("All Files (*.*)")},
            current))
        source_ = *path;
    sources_->fill(source_);
    showPortDevice();
}

void frmKelvaron::cmdBrowse_Click() {
    QString filter;
    auto path = svc_.dialogs.saveFileName(
        this, QStringLiteral("Save To:"),
        {QStringLiteral("Text (*.txt)"), QStringLiteral("All Files (*.*)"), kGpxFilter},
        txtFName->text(), filter);
    // A cancelled dialog leaves the file box as it was.
    if (!path) return;
    // The output is GPX when its name ends in .gpx: a name typed without an ending under
    // the GPX filter would otherwise become a text file. The other filters keep the name
    // as typed.
    if (filter == kGpxFilter && QFileInfo(*path).suffix().isEmpty())
        *path += QStringLiteral(".gpx");
    txtFName->setText(QDir::toNativeSeparators(*path));
}

QString frmKelvaron::portDescription(int port) const {
    return app::numberedPortDescription(svc_.comm, port);
}

void frmKelvaron::showPortDevice() {
    if (showingSources_) {
        cmbCOM->setToolTip(sources_->chosen());
        return;
    }
    const int index = cmbCOM->currentIndex();
    if (index < 0) {
        cmbCOM->setToolTip(QString());
    } else {
        const QString device = chosenDevice();
        cmbCOM->setToolTip(device.isEmpty() ? portDescription(index + 1) : device);
    }
}

void frmKelvaron::addSerialPorts() {
    for (int port = 1; port <= kPortCount; ++port) {
        cmbCOM->addItem(app::portLabel(port));
        cmbCOM->setItemData(port - 1, portDescription(port), Qt::ToolTipRole);
    }
    addPresentDevices();
}

// The devices present follow COM1 to COM9, each item holding its path. A device that
// one of the nine already stands for is not offered twice.
void frmKelvaron::addPresentDevices() {
    QStringList numbered;
    for (int port = 1; port <= kPortCount; ++port) numbered << svc_.comm.deviceName(port);
    for (const app::PortInfo& info : svc_.portList.ports()) {
        // (Windows names the nine "COM1" and the same device "\\.\COM1".)
        if (info.device.isEmpty() || numbered.contains(info.device) ||
            numbered.contains(info.name) || cmbCOM->findData(info.device) >= 0)
            continue;
        cmbCOM->addItem(app::deviceLabel(info), info.device);
        cmbCOM->setItemData(cmbCOM->count() - 1, info.device, Qt::ToolTipRole);
    }
}

// A device is remembered by its path; one that has gone leaves the list on COM1 and
// says so, rather than choosing another device in its place.
void frmKelvaron::restoreDevice(const QString& device) {
    if (device.isEmpty()) return;
    const int index = indexOfDevice(device);
    cmbCOM->setCurrentIndex(std::max(0, index));
    if (index < 0) cmbCOM->setToolTip(notPresentText(device));
}

void frmKelvaron::refreshPortList() {
    if (showingSources_) {
        sources_->fill(source_);
        showPortDevice();
        return;
    }
    const QString device = chosenDevice();
    {
        const QSignalBlocker quiet(cmbCOM);
        while (cmbCOM->count() > kPortCount) cmbCOM->removeItem(kPortCount);
        addPresentDevices();
        if (!device.isEmpty()) cmbCOM->setCurrentIndex(std::max(0, indexOfDevice(device)));
    }
    showPortDevice();
    if (!device.isEmpty() && chosenDevice() != device) cmbCOM->setToolTip(notPresentText(device));
}

int frmKelvaron::indexOfDevice(const QString& device) const {
    for (int port = 1; port <= kPortCount; ++port)
        if (svc_.comm.deviceName(port) == device) return port - 1;
    return cmbCOM->findData(device);
}

QString frmKelvaron::chosenDevice() const {
    return cmbCOM->currentData().toString();
}

app::PortChoice frmKelvaron::portChoice() const {
    if (showingSources_) return {1, cmbSpeed->currentText(), source_, {}};
    const QString device = chosenDevice();
    return {
        device.isEmpty() ? cmbCOM->currentIndex() + 1 : 1, cmbSpeed->currentText(), device, {}, {}};
}

void frmKelvaron::closeEvent(QCloseEvent* event) {
    // Closing the window in the middle of a download ends the program like Cancel;
    // otherwise the event loop ends when the window is gone.
    if (downloading_ || inProgress()) {
        leave();
        // The window stays until the receiver is back at its speed.
        if (!exiting_) {
            event->ignore();
            return;
        }
    }
    event->accept();
}

void frmKelvaron::cmdSave_Click() {
    // One port: a second download cannot start while a transfer runs.
    if (inProgress()) return;
    const double deviation = app::readNumberText(txtDev->text().toStdString());
    // The check is made whether or not reduction is ticked: the value is stored.
    if (!app::deviationInRange(deviation)) {
        txtDev->setFocus();
        showMessage(QStringLiteral("Minimal Deviation must be between 5 and 90 degrees"));
        return;
    }
    // What the list shows is read: a unit chosen before and not mounted now is not.
    if (showingSources_) source_ = sources_->chosen();
    if (showingSources_ && source_.isEmpty()) {
        cmbCOM->setFocus();
        showMessage(QStringLiteral("Choose a unit or a file in the Port list."));
        return;
    }
    if (!outputFolderUsable()) return;
    setWindowTitle(QStringLiteral("Kelvaron - Receiving..."));
    lockInputs();
    storeSettings();
    cmbGPSType->setEnabled(false);

    downloading_ = true;
    failed_ = false;
    const bool garmin = cmbGPSType->currentIndex() == 1;
    if (driveChosen())
        drive_->start(portChoice());
    else if (garmin)
        Download_Garmin_Track();
    else
        Download_Magellan_Track();
    downloading_ = false;

    // A download that returns without a transfer has failed, or read its file whole; the
    // caption must not go on saying "Receiving".
    if (!exiting_ && (failed_ || ((garmin || driveChosen()) && !inProgress())))
        setWindowTitle(app::kProgramTitle);
    unlockInputs();
}

bool frmKelvaron::outputFolderUsable() {
    // A Magellan track is never split.
    const QString problem =
        app::outputNameProblem(txtFName->text(), chkSplit->isEnabled() && chkSplit->isChecked());
    if (problem.isEmpty()) return true;
    txtFName->setFocus();
    showMessage(problem);
    return false;
}

void frmKelvaron::cmdCancel_Click() {
    leave();
}

void frmKelvaron::leave() {
    if (leaving_) return;  // a second Cancel while the receiver goes back
    leaving_ = true;
    chosenDownload().release([this] {
        leaving_ = false;
        endProgram();
    });
}

QList<QWidget*> frmKelvaron::lockedInputs() const {
    return {cmdSave, cmbCOM, cmbSpeed, cmdBrowse, txtFName, cmbCorSys, chkReduce, txtDev};
}

void frmKelvaron::lockInputs() {
    for (QWidget* w : lockedInputs()) w->setEnabled(false);
}

// The receiver family comes first, so the window never shows Save enabled beside a
// family it cannot change; the split box stays as the download left it. A Garmin
// transfer keeps every input locked until it ends: its files are named and finished
// with the choices made at Save, and it lives on the port's events, which only the
// Garmin choice passes on.
void frmKelvaron::unlockInputs() {
    if (inProgress()) return;
    cmbGPSType->setEnabled(true);
    for (QWidget* w : lockedInputs()) w->setEnabled(true);
    cmbSpeed->setEnabled(!driveChosen());
}

void frmKelvaron::storeSettings() {
    auto put = [this](const QString& key, const QString& value) {
        svc_.settings.write(app::kSettingsSection, key, value);
    };
    put(app::key::kGPSType, QString::number(cmbGPSType->currentIndex()));
    // A device chosen by its path leaves the port number as it was, so the number
    // keeps meaning COM1 to COM9; choosing a number forgets the device. "Drive or file"
    // leaves both as they were.
    const QString device = chosenDevice();
    if (driveChosen()) {
        put(app::key::kSource, source_);
    } else if (!device.isEmpty()) {
        put(app::key::kDevice, device);
    } else {
        put(app::key::kCOM, QString::number(cmbCOM->currentIndex()));
        if (!app::storedText(svc_.settings, app::key::kDevice, QString()).isEmpty())
            put(app::key::kDevice, QString());
    }
    put(app::key::kSpeed, QString::number(cmbSpeed->currentIndex()));
    put(app::key::kFName, txtFName->text());
    put(app::key::kCorSys, QString::number(cmbCorSys->currentIndex()));
    put(app::key::kReduce, chkReduce->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
    put(app::key::kDev, txtDev->text());
    tellUnstoredSettings();
}

// Once a run: every later write fails the same way. Without the message the user would
// only see the guide open, and the choices gone, at every start.
void frmKelvaron::tellUnstoredSettings() {
    const QString failure = svc_.settings.writeFailure();
    if (failure.isEmpty() || unstoredTold_) return;
    unstoredTold_ = true;
    showMessage(QStringLiteral("Your choices cannot be stored in %1.\r\n"
                               "Kelvaron will not remember them when it starts next time.")
                    .arg(failure));
}

void frmKelvaron::Download_Magellan_Track() {
    magellan_->start(portChoice());
}

void frmKelvaron::Download_Garmin_Track() {
    garmin_->start(portChoice());
}

// The family cannot change while a download runs, so the list tells whose events these are.
app::Download& frmKelvaron::chosenDownload() {
    if (cmbGPSType->currentIndex() == 1) return *garmin_;
    if (driveChosen()) return *drive_;
    return *magellan_;
}

void frmKelvaron::comm_OnComm() {
    if (!exiting_) chosenDownload().onPortEvent();
}

void frmKelvaron::deadlinePassed() {
    if (!exiting_) chosenDownload().onDeadline();
}

bool frmKelvaron::inProgress() const {
    return garmin_->inProgress() || magellan_->inProgress() || drive_->inProgress();
}

void frmKelvaron::tmrTimeout_Timer() {
    garmin_->onTimerTick();
}

app::FileChoices frmKelvaron::fileChoices() const {
    // The list holds the systems in the order of coords::CoordSystem.
    const auto system = static_cast<coords::CoordSystem>(std::max(0, cmbCorSys->currentIndex()));
    return {txtFName->text(), chkSplit->isChecked(), system, chkReduce->isChecked(),
            txtDev->text()};
}

void frmKelvaron::setSplitLocked(bool locked) {
    chkSplit->setEnabled(!locked);
}

void frmKelvaron::downloadStopped() {
    chkSplit->setEnabled(true);
    setWindowTitle(app::kProgramTitle);
    // While Save's call to start() runs, Save unlocks the inputs itself when it returns.
    if (!downloading_) unlockInputs();
}

// A Magellan reply has ended: its caption stays when the track was saved. A file read in
// steps gets the program's title back in place of its count of points.
void frmKelvaron::downloadFinished() {
    if (downloading_) return;  // Save tidies up itself when start() returns
    if (failed_ || driveChosen()) setWindowTitle(app::kProgramTitle);
    unlockInputs();
}

void frmKelvaron::ended(app::DownloadEnd end) {
    if (end != app::DownloadEnd::Done) failed_ = true;
}

void frmKelvaron::endProgram() {
    exiting_ = true;
    svc_.programExit.exitNow(0);
}
