#include "cli/headless_platform.h"

#include "app/port_map.h"

namespace cli {

std::optional<QString> HeadlessPlatform::PortStore::read(const QString& section,
                                                         const QString& key) const {
    if (!choice.device.isEmpty() && section == app::kPortsSection &&
        key == app::portLabel(choice.port))
        return choice.device;
    return store_.read(section, key);
}

HeadlessPlatform::HeadlessPlatform() : ports_(settings_), comm_(ports_) {}

app::Services HeadlessPlatform::services() {
    return app::Services{comm_,    timer_,  pump_,      clock_, ports_,
                         dialogs_, readme_, tempFiles_, exit_};
}

}  // namespace cli
