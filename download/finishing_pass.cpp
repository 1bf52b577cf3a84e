#include "download/finishing_pass.h"

#include <QFile>
#include <QLocale>
#include <exception>

#include "download/deviation.h"
#include "trackfile/convert.h"

namespace app {

namespace {

std::string pathBytes(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// The conversion pass writes one byte; a locale whose separator is not one
// (no such locale is in common use) gets the full stop.
char decimalSeparator() {
    const QString sep = QLocale().decimalPoint();
    if (sep.size() == 1 && sep[0].unicode() > 32 && sep[0].unicode() < 127)
        return static_cast<char>(sep[0].unicode());
    return '.';
}

}  // namespace

bool FinishingPass::Finish_Output_File(const PointFileParts& parts) {
    const FileChoices choices = choices_();
    const auto deviation = deviationForPass(readNumberText(choices.deviation.toStdString()));
    const std::string elevationsFile =
        parts.elevationsFile.isEmpty() ? std::string() : pathBytes(parts.elevationsFile);
    // Whatever comes of the pass, only the point file can be wanted afterwards, and that
    // only when it is the one copy of the points.
    const auto failed = [&](WriterFailure::Kind kind, const QString& reason) {
        if (!parts.elevationsFile.isEmpty()) QFile::remove(parts.elevationsFile);
        if (!keepPointsOnFailure_) QFile::remove(parts.pointFile);
        failed_({kind, parts.pointFile, reason, keepPointsOnFailure_, parts.output});
        return false;
    };
    if (!deviation) return failed(WriterFailure::Kind::BadDeviation, choices.deviation);
    trackfile::ConvertCounts counts;
    try {
        counts = trackfile::Convert_Track_File(
            pathBytes(parts.pointFile), pathBytes(parts.output),
            {choices.system, choices.reduce, *deviation, decimalSeparator(), parts.segmentStarts,
             parts.trackStarts, elevationsFile});
    } catch (const coords::OutsideGridArea& e) {
        outsideGrid_ = true;
        return failed(WriterFailure::Kind::OutputFailed, QString::fromStdString(e.what()));
    } catch (const std::exception& e) {
        return failed(WriterFailure::Kind::OutputFailed, QString::fromStdString(e.what()));
    }
    if (!parts.elevationsFile.isEmpty()) QFile::remove(parts.elevationsFile);
    QFile::remove(parts.pointFile);
    if (written_.files++ == 0) written_.first = parts.output;
    written_.last = parts.output;
    written_.pointsRead += static_cast<std::int64_t>(counts.pointsRead);
    written_.pointsWritten += static_cast<std::int64_t>(counts.pointsWritten);
    return true;
}

}  // namespace app
