// The window's side of a Magellan download: the choices it reads and the file
// steps it lends to the download.
#include <QComboBox>
#include <QFile>
#include <QLineEdit>

#include "app/frm_kelvaron.h"
#include "magellan/download.h"

void frmKelvaron::Download_Magellan_Track() {
    const int port = cmbCOM->currentIndex() + 1;
    OutFileName = txtFName->text();

    magellan::Download_Request request;
    request.port = port;
    request.settings = (cmbSpeed->currentText() + QStringLiteral(",n,8,1")).toStdString();
    request.portLabel = Port_Description(port).toStdString();
    request.outputName = OutFileName.toStdString();

    magellan::Download_Hooks hooks;
    hooks.Show_Caption = [this](const std::string& s) {
        setWindowTitle(QString::fromStdString(s));
    };
    hooks.Show_Message = [this](const std::string& s) { Show_Message(QString::fromStdString(s)); };
    hooks.Open_Failure_Text = [this] { return svc_.comm.openFailureText().toStdString(); };
    hooks.Stop_Requested = [this] { return exiting_; };
    hooks.Make_Temp_Name = [this] {
        TempFileName = Make_Temp_Name();
        return QFile::encodeName(TempFileName).toStdString();
    };
    hooks.Finish_Output_File = [this](const std::string&) { return Finish_Output_File(); };

    magellan::Download_Track(svc_.comm, svc_.pump, request, hooks);
}
