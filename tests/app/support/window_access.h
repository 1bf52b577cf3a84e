// Reaches the window's private procedures and fields from tests.
#pragma once

#include <QWidget>

#include "app/frm_kelvaron.h"

class frmKelvaronTestAccess {
  public:
    explicit frmKelvaronTestAccess(frmKelvaron& w) : w_(w) {}

    template <typename T>
    T* control(const char* name) const {
        return w_.findChild<T*>(QLatin1String(name));
    }

    void Save() { w_.cmdSave_Click(); }
    void Cancel() { w_.cmdCancel_Click(); }
    void Browse() { w_.cmdBrowse_Click(); }
    QString Make_Output_Name(const QString& base) { return w_.Make_Output_Name(base); }
    bool Set_Up_Point_File(bool atSplit) { return w_.Set_Up_Point_File(atSplit); }
    bool Close_Point_File() { return w_.Close_Point_File(); }
    void Write_Track_Point(const garmin::cTrack& t) { w_.Write_Track_Point(t); }
    bool Finish_Output_File() { return w_.Finish_Output_File(); }

    std::int32_t& RecordCount() { return w_.RecordCount; }
    std::int16_t& SplitCount() { return w_.SplitCount; }
    bool& FirstSegment() { return w_.FirstSegment; }
    QString& TempFileName() { return w_.TempFileName; }
    QString& OutFileName() { return w_.OutFileName; }
    bool pointFileOpen() const { return static_cast<bool>(w_.FileNumber); }
    const QString& DeviceMode() const { return w_.DeviceMode; }

  private:
    frmKelvaron& w_;
};
