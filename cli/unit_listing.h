// What kelvaron-get --units prints: every source it can see, one a line, as
// "ID<tab>FAMILY<tab>DESCRIPTION": the ID is what --port takes, FAMILY what --gps takes
// ("garmin|magellan" for a serial device, which may be either), the description as the
// window's Port list shows it. Serial devices first, then USB Garmins, then the units
// mounted as drives.
#pragma once

#include <QString>
#include <vector>

#include "download/download_services.h"
#include "qt/usb_unit_enumeration.h"
#include "source/mounted_volumes.h"

namespace cli {

QString unitListing(const std::vector<app::PortInfo>& serial,
                    const std::vector<app::UsbUnitInfo>& usb,
                    const source::MountedVolumes& volumes);

}  // namespace cli
