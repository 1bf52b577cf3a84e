// The window program before its window: help, version and a missing display, from the
// built program without a display.
#include <gtest/gtest.h>

#include <QProcess>

#include "tests/support/qt/qt_case_table.h"

namespace {

TEST(Start, WithoutADisplay) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(name);
    for (const QStringList& row : testkit::qtTableRows(KELVARON_APP_DATA "/start.txt")) {
        QProcess kelvaron;
        kelvaron.setProcessEnvironment(env);
        kelvaron.start(KELVARON_PATH, row[0].split(' ', Qt::SkipEmptyParts));
        ASSERT_TRUE(kelvaron.waitForFinished(30000));
        const QString out = row[2].startsWith("out:") ? kelvaron.readAllStandardOutput()
                                                      : kelvaron.readAllStandardError();
        SCOPED_TRACE(row.join(" | ").toStdString());
        EXPECT_EQ(kelvaron.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(kelvaron.exitCode(), row[1].toInt());
        EXPECT_TRUE(out.contains(row[2].mid(4).replace("{version}", KELVARON_VERSION)))
            << out.toStdString();
    }
}

}  // namespace
