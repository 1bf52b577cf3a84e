// The window's controls, its start-up and the handlers of its lists and Browse.
#include "app/frm_kelvaron.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/port_map.h"
#include "app/qt_dialogs.h"
#include "app/stored_settings.h"
#include "garmin/gps.h"

namespace {

const QStringList kSpeeds = {"110",  "300",   "600",   "1200",  "2400",  "4800",
                             "9600", "14400", "19200", "38400", "57600", "115200"};
constexpr int kPortCount = 9;
constexpr int kMagellanSpeed = 5;  // 4800
constexpr int kGarminSpeed = 6;    // 9600

// Positions are kept in twips, 1440 to the inch, and placed at the screen's
// logical resolution: 15 twips are one pixel at 96 dots per inch.
struct Twips {
    int left, top, width, height;
};

template <typename W>
W* Make(QWidget* parent, const char* name, const QString& text = {}) {
    auto* w = new W(text, parent);
    w->setObjectName(QLatin1String(name));
    return w;
}

template <>
QComboBox* Make<QComboBox>(QWidget* parent, const char* name, const QString&) {
    auto* w = new QComboBox(parent);
    w->setObjectName(QLatin1String(name));
    return w;
}

}  // namespace

frmKelvaron::frmKelvaron(const app::Services& services, QWidget* parent)
    : QWidget(parent), svc_(services) {
    setObjectName(QStringLiteral("frmKelvaron"));
    setWindowTitle(app::kProgramTitle);
    // The places of the controls are fixed in twips and were laid out for a small,
    // narrow font; a larger or wider one would cut the captions short.
    QFont small = font();
    small.setPointSizeF(7.5);
    small.setStretch(QFont::SemiCondensed);
    setFont(small);
    Create_Controls();
    Place_Controls();
    Connect_Controls();
    svc_.comm.setEventHandler([this] { comm_OnComm(); });
    svc_.tmrTimeout.setTickHandler([this] { tmrTimeout_Timer(); });
    Form_Load();
}

frmKelvaron::~frmKelvaron() {
    svc_.comm.setEventHandler(nullptr);
    svc_.tmrTimeout.setTickHandler(nullptr);
}

void frmKelvaron::Create_Controls() {
    // Made in tab order, which is also the order the focus moves in.
    Label1 = Make<QLabel>(this, "Label1", QStringLiteral("&Port:"));
    cmbCOM = Make<QComboBox>(this, "cmbCOM");
    Label2 = Make<QLabel>(this, "Label2", QStringLiteral("Sp&eed:"));
    cmbSpeed = Make<QComboBox>(this, "cmbSpeed");
    Label6 = Make<QLabel>(this, "Label6", QStringLiteral("&File:"));
    txtFName = Make<QLineEdit>(this, "txtFName");
    cmdBrowse = Make<QPushButton>(this, "cmdBrowse", QStringLiteral("&Browse"));
    cmdSave = Make<QPushButton>(this, "cmdSave", QStringLiteral("&Save"));
    cmdCancel = Make<QPushButton>(this, "cmdCancel", QStringLiteral("&Cancel"));
    chkSplit = Make<QCheckBox>(this, "chkSplit", QStringLiteral("Split On &New Segment"));
    Label3 = Make<QLabel>(this, "Label3", QStringLiteral("&GPS Type:"));
    cmbGPSType = Make<QComboBox>(this, "cmbGPSType");
    Label4 = Make<QLabel>(this, "Label4", QStringLiteral("C&oorSys:"));
    cmbCorSys = Make<QComboBox>(this, "cmbCorSys");
    chkReduce = Make<QCheckBox>(this, "chkReduce", QStringLiteral("&Reduce points"));
    txtDev = Make<QLineEdit>(this, "txtDev");
    Label5 = Make<QLabel>(this, "Label5", QStringLiteral("Min Deviation:"));

    // A label's shortcut moves the focus to the control after it.
    Label1->setBuddy(cmbCOM);
    Label2->setBuddy(cmbSpeed);
    Label6->setBuddy(txtFName);
    Label3->setBuddy(cmbGPSType);
    Label4->setBuddy(cmbCorSys);

    const QList<QWidget*> order = {cmbCOM,   cmbSpeed,   txtFName,  cmdBrowse, cmdSave, cmdCancel,
                                   chkSplit, cmbGPSType, cmbCorSys, chkReduce, txtDev};
    for (qsizetype i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);

    cmbGPSType->addItems({QStringLiteral("Magellan"), QStringLiteral("Garmin")});
    cmbCorSys->addItems({QStringLiteral("LAT/LON"), QStringLiteral("Israeli (old)")});
    chkSplit->setChecked(true);
}

void frmKelvaron::Place_Controls() {
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

void frmKelvaron::Connect_Controls() {
    // A choice made in code and a choice made by the user both count; the user
    // choosing the item already shown counts too, so the family's speed comes back.
    connect(cmbGPSType, &QComboBox::currentIndexChanged, this, [this] { cmbGPSType_Click(); });
    connect(cmbGPSType, &QComboBox::activated, this, [this] { cmbGPSType_Click(); });
    connect(cmbCOM, &QComboBox::currentIndexChanged, this, [this] { Show_Port_Device(); });
    connect(cmdBrowse, &QPushButton::clicked, this, [this] { cmdBrowse_Click(); });
    connect(cmdSave, &QPushButton::clicked, this, [this] { cmdSave_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
}

void frmKelvaron::Form_Load() {
    FirstSegment = true;
    GPS = std::make_unique<garmin::cGarminGPS>(svc_.comm, svc_.tmrTimeout, svc_.pump, svc_.clock,
                                               *this);
    Show_Readme_Once();
    Fill_Lists();
    Apply_Stored_Settings();
}

void frmKelvaron::Show_Readme_Once() {
    if (app::Stored_Text(svc_.settings, app::key::FirstUse, QStringLiteral("0")) != "0") return;
    const QString readme =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("Readme.html"));
    if (!svc_.readme.open(readme)) {
        Show_Message(QStringLiteral(
            "Failed to open the readme file.\r\n"
            "This software comes without any type of warranty.\r\n"
            "USE AT YOUR OWN RISK!!!\r\n"
            "Questions can be mailed to support@kelvaron.example\r\n"
            "please take a peek at the readme.html file, located in the program directory"));
    }
    svc_.settings.write(app::kSettingsSection, app::key::FirstUse, QStringLiteral("1"));
}

void frmKelvaron::Fill_Lists() {
    for (int port = 1; port <= kPortCount; ++port) {
        cmbCOM->addItem(app::Port_Label(port));
        cmbCOM->setItemData(port - 1, Port_Description(port), Qt::ToolTipRole);
    }
    cmbSpeed->addItems(kSpeeds);
    Show_Port_Device();
}

void frmKelvaron::Apply_Stored_Settings() {
    const auto& store = svc_.settings;
    // The family sets its own default speed, so the stored speed must come after it.
    Select_GPS_Type(app::Stored_Index(store, app::key::GPSType, 0, cmbGPSType->count()));
    cmbCOM->setCurrentIndex(app::Stored_Index(store, app::key::COM, 0, cmbCOM->count()));
    cmbSpeed->setCurrentIndex(
        app::Stored_Index(store, app::key::Speed, kMagellanSpeed, cmbSpeed->count()));
    txtFName->setText(app::Stored_Text(store, app::key::FName, QString()));
    cmbCorSys->setCurrentIndex(app::Stored_Index(store, app::key::CorSys, 0, cmbCorSys->count()));
    chkReduce->setChecked(app::Stored_Number(store, app::key::Reduce, 0) != 0);
    txtDev->setText(app::Stored_Text(store, app::key::Dev, QStringLiteral("0")));
}

void frmKelvaron::Select_GPS_Type(int index) {
    if (cmbGPSType->currentIndex() == index)
        cmbGPSType_Click();
    else
        cmbGPSType->setCurrentIndex(index);
}

void frmKelvaron::cmbGPSType_Click() {
    const bool magellan = cmbGPSType->currentIndex() == 0;
    chkSplit->setEnabled(!magellan);
    cmbSpeed->setCurrentIndex(magellan ? kMagellanSpeed : kGarminSpeed);
}

void frmKelvaron::cmdBrowse_Click() {
    const auto path = svc_.dialogs.saveFileName(
        this, QStringLiteral("Save To:"),
        {QStringLiteral("Text (*.txt)"), QStringLiteral("All Files (*.*)")}, txtFName->text());
    // A cancelled dialog leaves the file box as it was.
    if (path) txtFName->setText(QDir::toNativeSeparators(*path));
}

QString frmKelvaron::Port_Description(int port) const {
    return QStringLiteral("%1 (%2)").arg(app::Port_Label(port), svc_.comm.deviceName(port));
}

void frmKelvaron::Show_Port_Device() {
    const int index = cmbCOM->currentIndex();
    cmbCOM->setToolTip(index < 0 ? QString() : Port_Description(index + 1));
}

void frmKelvaron::Show_Message(const QString& text) {
    ++boxesShown_;
    ++boxesOpen_;
    svc_.dialogs.message(this, text);
    --boxesOpen_;
}

void frmKelvaron::closeEvent(QCloseEvent* event) {
    // Closing the window in the middle of a download ends the program like Cancel;
    // otherwise the event loop ends when the window is gone.
    if (downloading_) {
        exiting_ = true;
        svc_.programExit.exitNow(0);
    }
    event->accept();
}
