// The window's track file writer: output and temporary names, the temporary point
// file of a Garmin download with its split at new segments, and the finishing
// step that turns a point file into the output file.
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QLocale>
#include <cerrno>
#include <cstring>
#include <exception>
#include <stdexcept>

#include "app/deviation.h"
#include "app/frm_kelvaron.h"
#include "app/output_name.h"
#include "coords/convert.h"
#include "coords/point_file.h"

namespace {

std::string Path_Bytes(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// The conversion pass writes one byte; a locale whose separator is not one
// (no such locale is in common use) gets the full stop.
char Decimal_Separator() {
    const QString sep = QLocale().decimalPoint();
    if (sep.size() == 1 && sep[0].unicode() > 32 && sep[0].unicode() < 127)
        return static_cast<char>(sep[0].unicode());
    return '.';
}

}  // namespace

QString frmKelvaron::Make_Output_Name(const QString& base) {
    if (!chkSplit->isChecked()) return base;
    if (SplitCount == INT16_MAX) throw std::overflow_error("too many numbered output files");
    ++SplitCount;
    return app::Numbered_Output_Name(base, SplitCount);
}

QString frmKelvaron::Make_Temp_Name() {
    return svc_.tempFiles.create();
}

bool frmKelvaron::Set_Up_Point_File(bool atSplit) {
    FileNumber.reset();
    pointFileFailed_ = false;
    QString temp;
    QString out;
    try {
        if (atSplit) {
            temp = Make_Temp_Name();
            out = Make_Output_Name(txtFName->text());
        } else {
            out = Make_Output_Name(txtFName->text());
            temp = Make_Temp_Name();
        }
    } catch (const std::exception& e) {
        if (!temp.isEmpty()) QFile::remove(temp);
        TempFileName.clear();
        Point_File_Failed(QStringLiteral("Cannot start a new point file: %1.").arg(e.what()),
                          false);
        return false;
    }
    TempFileName = temp;
    OutFileName = out;
    FileNumber.reset(std::fopen(Path_Bytes(TempFileName).c_str(), "wb"));
    if (!FileNumber) {
        Point_File_Failed(QStringLiteral("Cannot open the point file %1: %2.")
                              .arg(TempFileName, QString::fromLocal8Bit(std::strerror(errno))),
                          false);
        return false;
    }
    return true;
}

bool frmKelvaron::Close_Point_File() {
    if (!FileNumber) return false;
    // A full disk shows itself when the last buffer is written out.
    const bool ok = std::fclose(FileNumber.release()) == 0;
    if (!ok)
        Point_File_Failed(QStringLiteral("Cannot write the point file %1: %2.")
                              .arg(TempFileName, QString::fromLocal8Bit(std::strerror(errno))),
                          true);
    return ok && !pointFileFailed_;
}

void frmKelvaron::Write_Track_Point(const garmin::cTrack& t) {
    setWindowTitle(QStringLiteral("Kelvaron - Received %1 records").arg(RecordCount));
    if (chkSplit->isChecked() && t.New_Segment) {
        if (FirstSegment) {
            // The first file was opened before any point arrived: the first segment
            // start of a download belongs to it.
            FirstSegment = false;
        } else {
            if (Close_Point_File()) Finish_Output_File();
            Set_Up_Point_File(true);
        }
    }
    Append_Point(t);
}

void frmKelvaron::Append_Point(const garmin::cTrack& t) {
    if (!FileNumber) {
        // Reported when the file failed; the points meanwhile are counted but lost.
        return;
    }
    std::string line;
    try {
        line = coords::Format_Point_Record(t.lat, t.lon, t.Time);
    } catch (const std::invalid_argument& e) {
        Point_File_Failed(QStringLiteral("A track point could not be stored: %1.").arg(e.what()),
                          true);
        return;
    }
    if (std::fwrite(line.data(), 1, line.size(), FileNumber.get()) != line.size())
        Point_File_Failed(QStringLiteral("Cannot write the point file %1: %2.")
                              .arg(TempFileName, QString::fromLocal8Bit(std::strerror(errno))),
                          true);
}

void frmKelvaron::Point_File_Failed(const QString& what, bool pointsKept) {
    if (pointFileFailed_) return;
    pointFileFailed_ = true;
    QString text = what;
    if (pointsKept)
        text += QStringLiteral("\r\nThe points received before are kept in %1.").arg(TempFileName);
    else
        text += QStringLiteral("\r\nThe points that follow cannot be stored.");
    Show_Message(text);
}

bool frmKelvaron::Finish_Output_File() {
    // Read now rather than at Save: during a Garmin transfer the user may change them.
    const bool grid = cmbCorSys->currentIndex() != 0;
    const bool reduce = chkReduce->isChecked();
    const auto deviation =
        app::Deviation_For_Pass(app::Read_Number_Text(txtDev->text().toStdString()));
    QString failure;
    if (!deviation) {
        failure = QStringLiteral("The minimal deviation \"%1\" is not a number of degrees.")
                      .arg(txtDev->text());
    } else {
        try {
            coords::Convert_Track_File(Path_Bytes(TempFileName), Path_Bytes(OutFileName), grid,
                                       reduce, *deviation, Decimal_Separator());
        } catch (const std::exception& e) {
            failure = QString::fromStdString(e.what());
        }
    }
    if (!failure.isEmpty()) {
        // The point file is all that is left of the track: it stays.
        Show_Message(QStringLiteral("The track file %1 could not be written.\r\n%2\r\n"
                                    "The received points are kept in %3.")
                         .arg(OutFileName, failure, TempFileName));
        return false;
    }
    QFile::remove(TempFileName);
    return true;
}
