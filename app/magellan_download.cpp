#include "app/magellan_download.h"

#include <QFile>

#include "app/port_map.h"
#include "magellan/download.h"

namespace app {

MagellanDownload::MagellanDownload(const Services& services, DownloadUi& ui)
    : comm_(services.comm), pump_(services.pump), ui_(ui), writer_(ui, services.tempFiles) {}

void MagellanDownload::Download_Magellan_Track(const PortChoice& choice) {
    const QString outFileName = ui_.fileChoices().fileName;
    writer_.startSingleFile(outFileName);

    magellan::DownloadRequest request;
    request.port = choice.port;
    request.settings = (choice.speed + QStringLiteral(",n,8,1")).toStdString();
    request.portLabel = portDescription(comm_, choice.port).toStdString();
    request.outputName = outFileName.toStdString();

    magellan::DownloadHooks hooks;
    hooks.showCaption = [this](const std::string& s) { ui_.setCaption(QString::fromStdString(s)); };
    hooks.showMessage = [this](const std::string& s) {
        ui_.showMessage(QString::fromStdString(s));
    };
    hooks.openFailureText = [this] { return comm_.openFailureText().toStdString(); };
    hooks.stopRequested = [this] { return ui_.exiting(); };
    hooks.makeTempName = [this] { return QFile::encodeName(writer_.newTempFile()).toStdString(); };
    hooks.finishOutputFile = [this](const std::string&) { return writer_.Finish_Output_File(); };

    magellan::downloadTrack(comm_, pump_, request, hooks);
}

}  // namespace app
