// The one window of the program: the user's choices for a download, the Save and
// Cancel commands, and the writing of the received track into files.
#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>
#include <memory>

#include "app/services.h"
#include "coords/file_handle.h"
#include "garmin/host.h"
#include "garmin/track.h"

namespace garmin {
class cGarminGPS;
}

class QCheckBox;
class QCloseEvent;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The window is also the Garmin engine's host: the engine calls Receive for every
// accepted packet and cError for its reports.
class frmKelvaron : public QWidget, public garmin::Host {
  public:
    // Runs the start-up (Form_Load) before it returns; the window is then ready to show.
    explicit frmKelvaron(const app::Services& services, QWidget* parent = nullptr);
    ~frmKelvaron() override;

    // garmin::Host (garmin_download.cpp).
    void Receive(std::uint8_t& Packet_Command, std::uint8_t& Packet_Data_1) override;
    void cError(std::int16_t& cErr, std::string& eMessage, garmin::Packet& LastPacket) override;
    void setSentencesSeen(bool seen) override;
    // Headers are counted, not written.
    void Receive_Track_Header();

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

    // The Garmin download's own steps (garmin_download.cpp).
    enum class Garmin_Step { Idle, Identifying, Transfer, Done };
    bool Identify_Receiver();
    bool Ask_Retry();
    bool Sends_Sentences() const;
    void Start_Transfer();
    void Note_Product_Data();
    void Dispatch(std::uint8_t id);
    void Complete_Transfer();
    void Packet_Failed(const QString& what);
    void Port_Lost();
    void Stop_Garmin_Download();
    void End_Program();
    QString Points_Kept_Text();
    void Run_Engine(void (garmin::cGarminGPS::*step)());
    void After_Box();
    bool Garmin_Transfer_Running() const { return garminStep_ == Garmin_Step::Transfer; }

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
    // Track headers and points since the last start of records. The receiver announces
    // up to 65535, and a track may hold more: no 16-bit ceiling here.
    std::int32_t RecordCount = 0;
    // The user has been told that the current point file failed; once is enough.
    bool pointFileFailed_ = false;

    // The Garmin engine, created by Form_Load, and the receiver's identity: empty until
    // its product data arrived, then "PID " and its product number ("NMEA" for a
    // receiver that talks sentences).
    std::unique_ptr<garmin::cGarminGPS> GPS;
    QString DeviceMode;
    Garmin_Step garminStep_ = Garmin_Step::Idle;
    QString firstOutFile_;  // the output name the transfer started with
    bool sentencesSeen_ = false;
    // Message boxes: how many have been shown, and how many are open right now. A box
    // opened inside a serial event holds the port's later notifications back.
    unsigned boxesShown_ = 0;
    int boxesOpen_ = 0;
    // An engine report that came while another box was open, and the packet count when
    // it came: shown only if the receiver has stayed silent since.
    QString deferredReport_;
    unsigned long packetsAtReport_ = 0;
    unsigned long packetsReceived_ = 0;
    // A packet whose handling failed has been reported; once is enough.
    bool packetFailureTold_ = false;

    bool downloading_ = false;  // inside the download call of Save
    bool exiting_ = false;      // the program is ending; running loops let go
};
