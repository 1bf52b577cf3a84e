#include "qt/usb_unit_id.h"

#include <QRegularExpression>

namespace app {

namespace {

// Hubs nest at most seven deep, so a path has at most seven ports.
const QRegularExpression kIdPattern(
    QStringLiteral("^usb(?::(?:([1-9][0-9]{0,2})|([1-9][0-9]{0,2}-[1-9][0-9]{0,2}"
                   "(?:\\.[1-9][0-9]{0,2}){0,6})))?$"));

}  // namespace

std::optional<UsbUnitId> UsbUnitId::parse(const QString& text) {
    const auto m = kIdPattern.match(text);
    if (!m.hasMatch()) return std::nullopt;
    UsbUnitId id;
    if (!m.captured(2).isEmpty())
        id.busPath = m.captured(2);
    else
        id.index = m.captured(1).isEmpty() ? 1 : m.captured(1).toInt();
    return id;
}

bool UsbUnitId::looksLikeUsb(const QString& text) {
    return text == QLatin1String("usb") || text.startsWith(QLatin1String("usb:"));
}

}  // namespace app
