// Reaches the window's controls and commands from tests.
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

  private:
    frmKelvaron& w_;
};
