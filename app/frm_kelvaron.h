// The one window of the program: the user's choices for a download, the Save and
// Cancel commands, and the events of the port and the timer, handed on to the
// download of the chosen receiver family.
#pragma once

#include <QString>
#include <QWidget>
#include <memory>

#include "app/download.h"
#include "app/download_ui.h"
#include "app/message_queue.h"
#include "app/services.h"

namespace app {
class DriveDownload;
class GarminDownload;
class SourceList;
class MagellanDownload;
class PortComboBox;
}  // namespace app

class QCheckBox;
class QCloseEvent;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class frmKelvaron : public QWidget, public app::DownloadUi {
  public:
    // Runs the start-up (Form_Load) before it returns; the window is then ready to show.
    explicit frmKelvaron(const app::Services& services, QWidget* parent = nullptr);
    ~frmKelvaron() override;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void createControls();
    void placeControls();
    void connectControls();
    void fillLists();
    void applyStoredSettings();
    void showReadmeOnce();
    void showPortDevice();
    void addSerialPorts();
    void addPresentDevices();
    void restoreDevice(const QString& device);
    void refreshPortList();
    // The Port list of the serial families, or of "Drive or file".
    bool driveChosen() const;
    void showSerialPorts();
    void showSources();
    void portActivated(int index);
    void chooseFile();
    int indexOfDevice(const QString& device) const;
    QString chosenDevice() const;
    app::PortChoice portChoice() const;
    void selectGpsType(int index);
    QString portDescription(int port) const;
    bool outputFolderUsable();

    void Form_Load();
    void cmbGPSType_Click();
    void cmdBrowse_Click();
    void cmdSave_Click();
    void cmdCancel_Click();
    // Cancel, or the window closed: a Garmin receiver moved to a faster speed goes back
    // first, then the program ends.
    void leave();
    QList<QWidget*> lockedInputs() const;
    void lockInputs();
    void unlockInputs();
    void storeSettings();
    void tellUnstoredSettings();

    // The downloads and the events of the port and the timer that drive them.
    void Download_Magellan_Track();
    void Download_Garmin_Track();
    void comm_OnComm();
    void tmrTimeout_Timer();
    void deadlinePassed();
    app::Download& chosenDownload();
    // A download's transfer runs on after Save has returned.
    bool inProgress() const;

    // app::DownloadUi
    void showMessage(const QString& text) override { boxes_.message(text); }
    void askRetry(const QString& text, std::function<void(bool)> answer) override {
        boxes_.question(text, std::move(answer));
    }
    void afterMessages(std::function<void()> action) override { boxes_.after(std::move(action)); }
    bool messagePending() const override { return boxes_.pending(); }
    void setCaption(const QString& text) override { setWindowTitle(text); }
    app::FileChoices fileChoices() const override;
    void setSplitLocked(bool locked) override;
    void downloadStopped() override;
    void downloadFinished() override;
    void endProgram() override;
    bool exiting() const override { return exiting_; }
    void ended(app::DownloadEnd end) override;

    app::Services svc_;
    app::MessageQueue boxes_;

    // Controls, in tab order.
    QLabel* Label1 = nullptr;
    app::PortComboBox* cmbCOM = nullptr;
    QLabel* Label2 = nullptr;
    QComboBox* cmbSpeed = nullptr;
    QLabel* Label6 = nullptr;
    QLineEdit* txtFName = nullptr;
    QPushButton* cmdBrowse = nullptr;
    QPushButton* cmdSave = nullptr;
    QPushButton* cmdCancel = nullptr;
    QCheckBox* chkSplit = nullptr;
    QLabel* Label3 = nullptr;
    QComboBox* cmbGPSType = nullptr;
    QLabel* Label4 = nullptr;
    QComboBox* cmbCorSys = nullptr;
    QCheckBox* chkReduce = nullptr;
    QLineEdit* txtDev = nullptr;
    QLabel* Label5 = nullptr;

    // The downloads, made by Form_Load; the Garmin one holds the engine `GPS`.
    std::unique_ptr<app::MagellanDownload> magellan_;
    std::unique_ptr<app::GarminDownload> garmin_;
    std::unique_ptr<app::DriveDownload> drive_;

    // The Port list as "Drive or file" shows it, and the unit's folder or the file chosen
    // there. The serial choice is kept meanwhile, to come back when a serial family is.
    std::unique_ptr<app::SourceList> sources_;
    QString source_;
    bool showingSources_ = false;
    int serialIndex_ = 0;
    QString serialDevice_;

    bool downloading_ = false;   // inside the download call of Save
    bool failed_ = false;        // the download of the last Save ended without its track
    bool exiting_ = false;       // the program is ending; nothing more is shown
    bool leaving_ = false;       // Cancel waits for the receiver to go back to its speed
    bool unstoredTold_ = false;  // the user knows the settings cannot be stored
};
