// The parts of the USB port that need no unit: the names of units, the product string a
// unit sends, and the words of an open that failed.
#include <gtest/gtest.h>

#include <QString>
#include <map>

#include "qt/usb_open_failure.h"
#include "qt/usb_product_name.h"
#include "qt/usb_unit_id.h"
#include "tests/support/qt/qt_case_table.h"

namespace {

std::string hexBytes(const QString& hex) {
    const QByteArray bytes = QByteArray::fromHex(hex.toLatin1());
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace

TEST(UsbUnitId, Table) {
    for (const QString& line : testkit::qtTableLines(KELVARON_USB_DATA "/unit_ids.txt")) {
        // The leading space of a row is part of the text.
        const QString text = line.section(" | ", 0, 0);
        const QString want = line.section(" | ", 1).trimmed();
        const auto id = app::UsbUnitId::parse(text);
        const QString got = id ? QStringLiteral("%1 %2").arg(id->index).arg(
                                     id->busPath.isEmpty() ? QStringLiteral("-") : id->busPath)
                               : QStringLiteral("bad");
        EXPECT_EQ(got.toStdString(), want.toStdString()) << text.toStdString();
    }
}

TEST(UsbProductName, Table) {
    for (const QStringList& row :
         testkit::qtTableRows(KELVARON_USB_DATA "/string_descriptors.txt")) {
        const QString name = app::decodeStringDescriptor(hexBytes(row[0]));
        EXPECT_EQ(name.isEmpty() ? "-" : name.toStdString(), row[1].toStdString())
            << row[0].toStdString();
    }
}

TEST(UsbOpenFailure, Table) {
    using Reason = app::UsbOpenFailure::Reason;
    const std::map<QString, Reason> reasons = {{"BadName", Reason::BadName},
                                               {"NoLibusb", Reason::NoLibusb},
                                               {"NoUnit", Reason::NoUnit},
                                               {"NoSuchUnit", Reason::NoSuchUnit},
                                               {"NoEndpoints", Reason::NoEndpoints},
                                               {"Access", Reason::Access},
                                               {"Busy", Reason::Busy},
                                               {"Other", Reason::Other}};
    const QString rule =
        QStringLiteral(
            "Kelvaron's package installs the udev rule %1, which gives the user "
            "at the screen access to the unit:\r\n%2\r\nInstall the package (or "
            "copy the rule there and run \"sudo udevadm trigger\"), then unplug "
            "the unit and plug it in again.")
            .arg(QLatin1String(app::kUdevRulePath), QLatin1String(app::kUdevRuleLine));
    for (const QStringList& row : testkit::qtTableRows(KELVARON_USB_DATA "/open_failures.txt")) {
        const QStringList f = row[0].split(' ');
        auto text = [&f](int i) { return f[i] == "-" ? QString() : f[i]; };
        app::UsbOpenFailure failure;
        failure.reason = reasons.at(f[0]);
        failure.unit = f[1];
        failure.attached = f[2].toInt();
        failure.libusbName = text(3);
        failure.node = text(4);
        failure.owner = text(5);
        failure.group = text(6);
        failure.mode = f[7].toUInt(nullptr, 8);
        const QString want = row.mid(1).join('|').replace("\\r\\n", "\r\n").replace("{rule}", rule);
        EXPECT_EQ(app::usbOpenFailureText(failure).toStdString(), want.toStdString());
    }
}
