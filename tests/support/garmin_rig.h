// The Garmin engine on the seam fakes with its port open at 9600 bit/s, as the engine's
// transcripts, the frame trace and the fuzz targets drive it.
#pragma once

#include "garmin/gps.h"
#include "tests/support/seam_fakes.h"

namespace testkit {

struct GarminRig {
    GarminRig() {
        gps.Settings("9600,n,8,1");
        gps.PortOpen();
    }

    FakePort port;
    FakeUsbPort usb;
    FakeTimer timer;
    RecordingHost host;
    garmin::cGarminGPS gps{port, timer, host};
};

}  // namespace testkit
