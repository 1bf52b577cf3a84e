// The Save and Cancel commands.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include "app/deviation.h"
#include "app/frm_kelvaron.h"
#include "app/stored_settings.h"

void frmKelvaron::cmdSave_Click() {
    // One engine and one port: a second download cannot start while a transfer runs.
    if (Garmin_Transfer_Running()) return;
    const double deviation = app::Read_Number_Text(txtDev->text().toStdString());
    // The check is made whether or not reduction is ticked: the value is stored.
    if (!(deviation >= 5 && deviation <= 90)) {
        txtDev->setFocus();
        Show_Message(QStringLiteral("Minimal Deviation must be between 5 and 90 degrees"));
        return;
    }
    setWindowTitle(QStringLiteral("Kelvaron - Receiving..."));
    Lock_Inputs();
    Store_Settings();
    cmbGPSType->setEnabled(false);

    downloading_ = true;
    if (cmbGPSType->currentIndex() == 0)
        Download_Magellan_Track();
    else
        Download_Garmin_Track();
    downloading_ = false;

    Unlock_Inputs();
}

void frmKelvaron::cmdCancel_Click() {
    exiting_ = true;
    svc_.programExit.exitNow(0);
}

QList<QWidget*> frmKelvaron::Locked_Inputs() const {
    return {cmdSave, cmbCOM, cmbSpeed, cmdBrowse, txtFName, cmbCorSys, chkReduce, txtDev};
}

void frmKelvaron::Lock_Inputs() {
    for (QWidget* w : Locked_Inputs()) w->setEnabled(false);
}

// The receiver family comes first, so the window never shows Save enabled beside a
// family it cannot change; the split box stays as the download left it. While a
// Garmin transfer runs, Save stays refused and the family stays Garmin: the
// transfer lives on the port's events, which only the Garmin choice passes on.
void frmKelvaron::Unlock_Inputs() {
    const bool transfer = Garmin_Transfer_Running();
    if (!transfer) cmbGPSType->setEnabled(true);
    for (QWidget* w : Locked_Inputs())
        if (!(transfer && w == cmdSave)) w->setEnabled(true);
}

void frmKelvaron::Store_Settings() {
    auto put = [this](const QString& key, const QString& value) {
        svc_.settings.write(app::kSettingsSection, key, value);
    };
    put(app::key::GPSType, QString::number(cmbGPSType->currentIndex()));
    put(app::key::COM, QString::number(cmbCOM->currentIndex()));
    put(app::key::Speed, QString::number(cmbSpeed->currentIndex()));
    put(app::key::FName, txtFName->text());
    put(app::key::CorSys, QString::number(cmbCorSys->currentIndex()));
    put(app::key::Reduce, chkReduce->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
    put(app::key::Dev, txtDev->text());
}
