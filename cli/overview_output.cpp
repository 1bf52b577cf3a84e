#include "cli/overview_output.h"

#include <QFile>

#include "overview/figures_text.h"
#include "overview/picture_painter.h"
#include "overview/svg_picture.h"

namespace cli {

bool isPngName(const QString& name) {
    return name.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive);
}

bool isPictureName(const QString& name) {
    return isPngName(name) || name.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive);
}

QString writePreview(const overview::TrackOverview& overview, const QString& file) {
    const overview::Picture picture = overview.picture();
    if (isPngName(file)) return overview::savePicturePng(picture, file);
    QFile out(file);
    const std::string svg = overview::svgPicture(picture);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        out.write(svg.data(), static_cast<qint64>(svg.size())) != static_cast<qint64>(svg.size()) ||
        !out.flush())
        return out.errorString();
    return {};
}

QByteArray statsText(const overview::TrackOverview& overview, Stats stats) {
    const auto rows = overview.rows();
    const std::string text =
        stats == Stats::Json ? overview::rowsJson(rows) : overview::rowsText(rows);
    return QByteArray::fromStdString(text);
}

}  // namespace cli
