#include "window/qt_platform.h"

namespace app {

QtPlatform::QtPlatform() : comm_(settings_) {}

Services QtPlatform::services() {
    return Services{comm_,      timer_,       deadline_, settings_, dialogs_,  readme_,
                    tempFiles_, programExit_, portList_, volumes_,  usbUnits_, usb_};
}

}  // namespace app
