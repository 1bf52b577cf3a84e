// The Port list while "Drive or file" is chosen: the units mounted as drives, as
// "eTrex 30 — /media/USER/GARMIN", then the file chosen, then "File…", which asks for one.
// Each item but the last holds the folder or file to read.
#pragma once

#include <QComboBox>
#include <QString>

#include "source/mounted_volumes.h"

namespace app {

class SourceList {
  public:
    SourceList(QComboBox& box, const source::MountedVolumes& volumes)
        : box_(box), volumes_(volumes) {}

    // Fills the list afresh, the volumes read again, and selects `chosen` (a unit's folder,
    // or a file, which gets an item of its own); else the first unit, else "File…".
    void fill(const QString& chosen);
    // The folder or file of the item shown; empty on "File…".
    QString chosen() const;
    bool isFileChoice(int index) const;

  private:
    QComboBox& box_;
    const source::MountedVolumes& volumes_;
};

}  // namespace app
