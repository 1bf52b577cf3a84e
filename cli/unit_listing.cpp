#include "cli/unit_listing.h"

#include "download/port_map.h"

namespace cli {

namespace {

QString line(const QString& id, const char* family, const QString& description) {
    // A tab or a line break in a name would split the line where a script cuts it.
    QString text = description;
    text.replace(QLatin1Char('\t'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    return id + QLatin1Char('\t') + QLatin1String(family) + QLatin1Char('\t') + text +
           QLatin1Char('\n');
}

}  // namespace

QString unitListing(const std::vector<app::PortInfo>& serial,
                    const std::vector<app::UsbUnitInfo>& usb,
                    const source::MountedVolumes& volumes) {
    QString text;
    for (const app::PortInfo& port : serial)
        if (!port.device.isEmpty())
            text += line(port.device, "garmin|magellan", app::deviceLabel(port));
    for (const app::UsbUnitInfo& unit : usb) text += line(unit.id, "garmin", unit.label());
    for (const source::UnitFolder& unit : source::findUnits(volumes))
        text += line(unit.root(), "drive", unit.label());
    return text;
}

}  // namespace cli
