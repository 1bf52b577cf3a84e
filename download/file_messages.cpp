#include "download/file_messages.h"

#include <QLocale>

#include "download/output_name.h"

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

// Counts as an English sentence writes them: 1,062.
QString count(std::int64_t n) {
    return QLocale(QLocale::English, QLocale::UnitedStates).toString(static_cast<qlonglong>(n));
}

QString alreadyThereText(const WrittenFiles& w) {
    const std::vector<int>& n = w.alreadyThere;
    if (n.empty()) return {};
    const QString first = numberedOutputName(w.base, n.front());
    if (n.size() == 1)
        return QStringLiteral("\r\n%1 was already there and was left as it is.").arg(first);
    const QString last = numberedOutputName(w.base, n.back());
    if (n.back() - n.front() + 1 == static_cast<int>(n.size()))
        return QStringLiteral("\r\n%1 to %2 were already there and were left as they are.")
            .arg(first, last);
    return QStringLiteral(
               "\r\n%1 numbered files from %2 to %3 were already there and were left as "
               "they are.")
        .arg(count(static_cast<std::int64_t>(n.size())), first, last);
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
        case Where::SinceLastFile: {
            // The files made before hold the rest.
            const QString wrote = writtenText(kept.written, kept.pointsStored);
            return QStringLiteral(
                       "The track points received since the last file was started are "
                       "kept in %1.")
                       .arg(kept.file) +
                   convertLater(kept.file) +
                   (wrote.isEmpty() ? QString() : QStringLiteral("\r\n") + wrote);
        }
        case Where::SoFar:
            break;
    }
    return QStringLiteral("The track points received so far are kept in %1.").arg(kept.file) +
           convertLater(kept.file);
}

QString pointsLeftOutText(std::int64_t count) {
    if (count == 1) return QStringLiteral("\r\n1 point without a position was left out.");
    if (count > 1)
        return QStringLiteral("\r\n%1 points without a position were left out.").arg(count);
    return {};
}

QString pointsOutOfRangeText(std::int64_t count) {
    if (count == 1)
        return QStringLiteral("\r\n1 point with an elevation or a time out of range was left out.");
    if (count > 1)
        return QStringLiteral(
                   "\r\n%1 points with an elevation or a time out of range were left out.")
            .arg(count);
    return {};
}

QString writtenText(const WrittenFiles& w, std::int64_t pointsRead) {
    if (w.files == 0) return {};
    const QString points =
        QStringLiteral("Wrote %1 of %2 %3 to ")
            .arg(count(w.pointsWritten), count(pointsRead),
                 pointsRead == 1 ? QStringLiteral("point") : QStringLiteral("points"));
    const QString files =
        w.files == 1 ? w.first
                     : QStringLiteral("%1 files, %2 to %3").arg(count(w.files), w.first, w.last);
    return points + files + QLatin1Char('.') + alreadyThereText(w);
}

}  // namespace app
