#include "app/file_messages.h"

namespace app {

namespace {

QString failureLine(const WriterFailure& f) {
    using Kind = WriterFailure::Kind;
    switch (f.kind) {
        case Kind::CannotStart:
            return QStringLiteral("Cannot start a new point file: %1.").arg(f.reason);
        case Kind::CannotOpen:
            return QStringLiteral("Cannot open the point file %1: %2.").arg(f.file, f.reason);
        case Kind::CannotWrite:
            return QStringLiteral("Cannot write the point file %1: %2.").arg(f.file, f.reason);
        case Kind::PointNotStored:
            return QStringLiteral("A track point could not be stored: %1.").arg(f.reason);
        case Kind::OutputFailed:
        case Kind::BadDeviation:
            break;
    }
    return {};
}

// A kept point file reads like any track file.
QString convertLater(const QString& file) {
    return QStringLiteral("\r\n\"kelvaron-get --from %1 --out FILE\" converts them.").arg(file);
}

}  // namespace

QString writerFailureText(const WriterFailure& f) {
    using Kind = WriterFailure::Kind;
    if (f.kind == Kind::OutputFailed || f.kind == Kind::BadDeviation) {
        const QString why =
            f.kind == Kind::OutputFailed
                ? f.reason
                : QStringLiteral("The minimal deviation \"%1\" is not a number of degrees.")
                      .arg(f.reason);
        // The pass's reasons end without a full stop; the next sentence must not run on.
        const QString text =
            QStringLiteral("The track file %1 could not be written.\r\n%2")
                .arg(f.output, why.endsWith(QLatin1Char('.')) ? why : why + QLatin1Char('.'));
        if (!f.pointsKept) return text;  // the source still holds them
        return text + QStringLiteral("\r\nThe received points are kept in %1.").arg(f.file);
    }
    return failureLine(f) +
           (f.pointsKept
                ? QStringLiteral("\r\nThe points received before are kept in %1.").arg(f.file)
                : QStringLiteral("\r\nThe points that follow cannot be stored."));
}

QString keptPointsText(const KeptPoints& kept) {
    using Where = KeptPoints::Where;
    switch (kept.where) {
        case Where::LostAfterFailure:
            return QStringLiteral(
                "The points that arrived after the last file failed were not stored.");
        case Where::NoneYet:
            return QStringLiteral("No track point had arrived yet.");
        case Where::SinceLastFile:
            return QStringLiteral(
                       "The track points received since the last file was started are "
                       "kept in %1.")
                       .arg(kept.file) +
                   convertLater(kept.file);
        case Where::SoFar:
            break;
    }
    return QStringLiteral("The track points received so far are kept in %1.").arg(kept.file) +
           convertLater(kept.file);
}

}  // namespace app
