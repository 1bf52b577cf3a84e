// The window's side of a Garmin download.
#include <QComboBox>

#include "app/frm_kelvaron.h"

void frmKelvaron::Download_Garmin_Track() {
    Show_Message(QStringLiteral("Garmin download is not built yet."));
}

void frmKelvaron::comm_OnComm() {
    // Only a Garmin download listens to the port's events; the Magellan download
    // reads the port itself.
    if (cmbGPSType->currentIndex() != 1) return;
}

void frmKelvaron::tmrTimeout_Timer() {}
