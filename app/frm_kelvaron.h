// The one window of the program: the user's choices for a download, the Save and
// Cancel commands, and the writing of the received track into files.
#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>

#include "app/services.h"
#include "coords/file_handle.h"
#include "garmin/track.h"

class QCheckBox;
class QCloseEvent;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class frmKelvaron : public QWidget {
  public:
    // Runs the start-up (Form_Load) before it returns; the window is then ready to show.
    explicit frmKelvaron(const app::Services& services, QWidget* parent = nullptr);
    ~frmKelvaron() override;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    friend class frmKelvaronTestAccess;

    // Construction (frm_kelvaron.cpp).
    void Create_Controls();
    void Place_Controls();
    void Connect_Controls();
    void Fill_Lists();
    void Apply_Stored_Settings();
    void Show_Readme_Once();
    void Show_Port_Device();
    void Select_GPS_Type(int index);
    void Show_Message(const QString& text);
    QString Port_Description(int port) const;

    // Start-up and the window's own commands.
    void Form_Load();
    void cmbGPSType_Click();
    void cmdBrowse_Click();
    // save_command.cpp
    void cmdSave_Click();
    void cmdCancel_Click();
    QList<QWidget*> Locked_Inputs() const;
    void Lock_Inputs();
    void Unlock_Inputs();
    void Store_Settings();

    // The track file writer (track_file_writer.cpp).
    QString Make_Output_Name(const QString& base);
    QString Make_Temp_Name();
    // Opens a new temporary point file for a download's points; at a split the
    // temporary name is made before the output name. False after telling the user.
    bool Set_Up_Point_File(bool atSplit);
    bool Close_Point_File();
    void Write_Track_Point(const garmin::cTrack& t);
    void Append_Point(const garmin::cTrack& t);
    bool Finish_Output_File();
    // Tells the user once per point file; `pointsKept` when the file holds what came before.
    void Point_File_Failed(const QString& what, bool pointsKept);

    // The downloads (magellan_download.cpp, garmin_download.cpp) and the events of
    // the port and the timer that drive them.
    void Download_Magellan_Track();
    void Download_Garmin_Track();
    void comm_OnComm();
    void tmrTimeout_Timer();

    app::Services svc_;

    // Controls, in tab order.
    QLabel* Label1 = nullptr;
    QComboBox* cmbCOM = nullptr;
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

    // The files of a download.
    coords::FileHandle FileNumber;  // the open temporary point file of a Garmin download
    QString TempFileName;
    QString OutFileName;
    std::int16_t SplitCount = 0;
    bool FirstSegment = true;
    std::int16_t RecordCount = 0;
    // The user has been told that the current point file failed; once is enough.
    bool pointFileFailed_ = false;

    bool downloading_ = false;  // inside the download call of Save
    bool exiting_ = false;      // the program is ending; running loops let go
};
