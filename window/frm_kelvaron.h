// The one window of the program: the user's choices for a download and the Save and
// Cancel commands; the download runner runs the download of the chosen receiver family.
#pragma once

#include <QString>
#include <QWidget>
#include <memory>

#include "download/download.h"
#include "download/download_runner.h"
#include "download/runner_ui.h"
#include "window/message_queue.h"
#include "window/services.h"

namespace app {
class PortComboBox;
class SerialPortList;
class SourceList;
}  // namespace app

class QCheckBox;
class QCloseEvent;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class frmKelvaron : public QWidget, public app::RunnerUi {
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
    void enableSpeed();
    void refreshPortList();
    // The Port list of the serial families, or of "Drive or file".
    bool driveChosen() const;
    void showSerialPorts();
    void showSources();
    void portActivated(int index);
    void chooseFile();
    app::Family family() const;
    app::PortChoice portChoice() const;
    void selectGpsType(int index);
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
    app::FileChoices fileChoices() const;

    // app::RunnerUi
    // The first message after a track read whole carries its overview.
    void showMessage(const QString& text) override;
    void askRetry(const QString& text, std::function<void(bool)> answer) override {
        boxes_.question(text, std::move(answer));
    }
    void afterMessages(std::function<void()> action) override { boxes_.after(std::move(action)); }
    bool messagePending() const override { return boxes_.pending(); }
    void setCaption(const QString& text) override { setWindowTitle(text); }
    void setSplitLocked(bool locked) override;
    void downloadEnded(std::optional<app::DownloadEnd> end, bool programEnds) override;

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

    // Made by Form_Load.
    // Fed by the downloads; declared before the runner, which outlives no part of it.
    overview::TrackOverview overview_;
    bool overviewShown_ = false;  // this download's end showed it already
    std::unique_ptr<app::DownloadRunner> runner_;
    std::unique_ptr<app::SerialPortList> ports_;

    // The Port list as "Drive or file" shows it, and the unit's folder or the file chosen
    // there. The serial choice is kept meanwhile, to come back when a serial family is.
    std::unique_ptr<app::SourceList> sources_;
    QString source_;
    bool showingSources_ = false;
    int serialIndex_ = 0;
    QString serialDevice_;

    bool unstoredTold_ = false;  // the user knows the settings cannot be stored
};
