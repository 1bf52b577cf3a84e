#include "window/port_combo_box.h"

namespace app {

void PortComboBox::showPopup() {
    if (refresh_) refresh_();
    QComboBox::showPopup();
}

}  // namespace app
