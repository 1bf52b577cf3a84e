#include "window/frm_kelvaron.h"

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

#include "download/choices.h"
#include "download/deviation.h"
#include "download/output_name.h"
#include "download/program_title.h"
#include "download/stored_settings.h"
#include "window/port_combo_box.h"
#include "window/serial_port_list.h"
#include "window/source_list.h"

namespace {

using app::kPortCount;

// Positions are kept in twips, 1440 to the inch, and placed at the screen's
// logical resolution: 15 twips are one pixel at 96 dots per inch.
struct Twips {
    int left, top, width, height;
};

const QString kGpxFilter = QStringLiteral("GPX Files (*.gpx)");

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
    Form_Load();
}

frmKelvaron::~frmKelvaron() = default;

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

    cmbGPSType->addItem(QStringLiteral("Magellan"), QVariant::fromValue(app::Family::Magellan));
    cmbGPSType->addItem(QStringLiteral("Garmin"), QVariant::fromValue(app::Family::Garmin));
    cmbGPSType->addItem(QStringLiteral("Drive or file"), QVariant::fromValue(app::Family::Drive));
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
    connect(cmbCOM, &QComboBox::currentIndexChanged, this, [this] {
        showPortDevice();
        enableSpeed();
    });
    connect(cmbCOM, &QComboBox::activated, this, [this](int index) { portActivated(index); });
    cmbCOM->setRefresh([this] { refreshPortList(); });
    connect(cmdBrowse, &QPushButton::clicked, this, [this] { cmdBrowse_Click(); });
    connect(cmdSave, &QPushButton::clicked, this, [this] { cmdSave_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
}

void frmKelvaron::showMessage(const QString& text) {
    if (overview_.ended() && !overviewShown_ && runner_->told() == app::DownloadEnd::Done &&
        !overview_.empty()) {
        overviewShown_ = true;
        boxes_.overview(text, app::overviewShown(overview_));
        return;
    }
    boxes_.message(text);
}

void frmKelvaron::Form_Load() {
    app::DownloadServices services = svc_.downloads();
    services.overview = &overview_;
    runner_ = std::make_unique<app::DownloadRunner>(
        services, *this, [this] { return fileChoices(); },
        app::DownloadRunner::Lifetime::ManyDownloads);
    ports_ =
        std::make_unique<app::SerialPortList>(*cmbCOM, svc_.comm, svc_.portList, svc_.usbUnits);
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
    ports_->add();
    cmbSpeed->addItems(app::kSpeeds);
    showPortDevice();
}

void frmKelvaron::applyStoredSettings() {
    const auto& store = svc_.settings;
    // The serial choice first, so that a stored "Drive or file" keeps it for later; the
    // family sets its own default speed, so the stored speed must come after it.
    cmbCOM->setCurrentIndex(app::storedIndex(store, app::key::kCOM, 0, kPortCount));
    // A USB unit chosen last time can only be found while the Garmin list is shown.
    const int storedType = app::storedIndex(store, app::key::kGPSType, 0, cmbGPSType->count());
    if (ports_->offerUsb(cmbGPSType->itemData(storedType).value<app::Family>() ==
                         app::Family::Garmin))
        ports_->refresh();
    ports_->restore(app::storedText(store, app::key::kDevice, QString()));
    source_ = app::storedText(store, app::key::kSource, QString());
    selectGpsType(storedType);
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
    const bool magellan = family() == app::Family::Magellan;
    chkSplit->setEnabled(!magellan);
    // Only a Garmin unit speaks over USB.
    const bool usbChanged = ports_->offerUsb(family() == app::Family::Garmin);
    if (driveChosen() != showingSources_) {
        if (driveChosen())
            showSources();
        else
            showSerialPorts();
    } else if (usbChanged && !showingSources_) {
        ports_->refresh();
    }
    enableSpeed();
    if (!driveChosen())
        cmbSpeed->setCurrentIndex(magellan ? app::kMagellanSpeedIndex : app::kGarminSpeedIndex);
}

// A file has no line speed, and neither has a USB unit.
void frmKelvaron::enableSpeed() {
    const bool lineSpeed = !driveChosen() && !(!showingSources_ && ports_->usbChosen());
    cmbSpeed->setEnabled(lineSpeed && cmdSave->isEnabled());
}

app::Family frmKelvaron::family() const {
    return cmbGPSType->currentData().value<app::Family>();
}

bool frmKelvaron::driveChosen() const {
    return family() == app::Family::Drive;
}

void frmKelvaron::showSources() {
    serialIndex_ = cmbCOM->currentIndex();
    serialDevice_ = ports_->chosenDevice();
    showingSources_ = true;
    sources_->fill(source_);
    showPortDevice();
}

void frmKelvaron::showSerialPorts() {
    showingSources_ = false;
    ports_->fill(serialIndex_, serialDevice_);
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

void frmKelvaron::showPortDevice() {
    if (showingSources_)
        cmbCOM->setToolTip(sources_->chosen());
    else
        ports_->showDevice();
}

void frmKelvaron::refreshPortList() {
    if (!showingSources_) {
        ports_->refresh();
        return;
    }
    sources_->fill(source_);
    showPortDevice();
}

app::PortChoice frmKelvaron::portChoice() const {
    if (showingSources_) return {1, cmbSpeed->currentText(), source_, {}};
    return {ports_->chosenPort(), cmbSpeed->currentText(), ports_->chosenDevice(), {}, {}};
}

void frmKelvaron::closeEvent(QCloseEvent* event) {
    // Closing the window in the middle of a download ends the program like Cancel;
    // otherwise the event loop ends when the window is gone.
    if (runner_->busy()) {
        leave();
        // The window stays until the receiver is back at its speed.
        if (!runner_->exiting()) {
            event->ignore();
            return;
        }
    }
    event->accept();
}

void frmKelvaron::cmdSave_Click() {
    // One port: a second download cannot start while a transfer runs.
    if (runner_->busy()) return;
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
    // Its end unlocks the inputs again.
    overviewShown_ = false;
    runner_->start(family(), portChoice());
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
    runner_->release([this] { svc_.programExit.exitNow(0); });
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
    if (runner_->busy()) return;
    cmbGPSType->setEnabled(true);
    for (QWidget* w : lockedInputs()) w->setEnabled(true);
    enableSpeed();
}

void frmKelvaron::storeSettings() {
    auto put = [this](const QString& key, const QString& value) {
        svc_.settings.write(app::kSettingsSection, key, value);
    };
    put(app::key::kGPSType, QString::number(cmbGPSType->currentIndex()));
    // A device chosen by its path leaves the port number as it was, so the number
    // keeps meaning COM1 to COM9; choosing a number forgets the device. "Drive or file"
    // leaves both as they were.
    const QString device = ports_->chosenDevice();
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

app::FileChoices frmKelvaron::fileChoices() const {
    // The list holds the systems in the order of coords::CoordSystem.
    const auto system = static_cast<coords::CoordSystem>(std::max(0, cmbCorSys->currentIndex()));
    return {txtFName->text(), chkSplit->isChecked(), system, chkReduce->isChecked(),
            txtDev->text()};
}

void frmKelvaron::setSplitLocked(bool locked) {
    chkSplit->setEnabled(!locked);
}

// A Magellan download that saved its track leaves its count of bytes in the caption; every
// other end gives the program's title back. A download that asks for it (a Garmin one, after
// its transfer) ends the program.
void frmKelvaron::downloadEnded(std::optional<app::DownloadEnd> end, bool programEnds) {
    if (programEnds) {
        svc_.programExit.exitNow(0);
        return;
    }
    if (end != app::DownloadEnd::Done || runner_->family() != app::Family::Magellan)
        setWindowTitle(app::kProgramTitle);
    unlockInputs();
}
