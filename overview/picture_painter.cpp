#include "overview/picture_painter.h"

#include <QFont>
#include <QGuiApplication>
#include <QImageWriter>
#include <QLoggingCategory>
#include <QPainter>
#include <QPolygonF>
#include <QString>

#include "overview/picture_style.h"

namespace overview {

namespace {

QColor qcolour(const Rgb& c) {
    return QColor(c.r, c.g, c.b);
}

QPolygonF polygon(const std::vector<Pixel>& points) {
    QPolygonF out;
    out.reserve(static_cast<qsizetype>(points.size()));
    for (const Pixel& p : points) out << QPointF(p.x, p.y);
    return out;
}

void drawText(QPainter& painter, const TextAt& t) {
    const QString s = QString::fromStdString(t.text);
    const double w = painter.fontMetrics().horizontalAdvance(s);
    const double x = t.align == TextAt::Align::Left     ? t.at.x
                     : t.align == TextAt::Align::Centre ? t.at.x - w / 2
                                                        : t.at.x - w;
    painter.drawText(QPointF(x, t.at.y), s);
}

void drawDot(QPainter& painter, const Pixel& p, double r, const Rgb& c) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(qcolour(c));
    painter.drawEllipse(QPointF(p.x, p.y), r, r);
    painter.setBrush(Qt::NoBrush);
}

void drawGrid(QPainter& painter, const Picture& pic) {
    const Rect& m = pic.map;
    painter.setPen(QPen(qcolour(style::kGrid), 1));
    for (const GridLine& g : pic.grid) {
        if (g.vertical)
            painter.drawLine(QPointF(g.at, m.top), QPointF(g.at, m.bottom));
        else
            painter.drawLine(QPointF(m.left, g.at), QPointF(m.right, g.at));
    }
    painter.setPen(qcolour(style::kText));
    for (const GridLine& g : pic.grid)
        if (g.label) drawText(painter, *g.label);
}

void drawTrack(QPainter& painter, const Picture& pic) {
    painter.setRenderHint(QPainter::Antialiasing, true);
    for (std::size_t i = 0; i < pic.segments.size(); ++i) {
        const Rgb& c = style::kSegments[i % style::kSegmentColours];
        if (pic.segments[i].size() == 1) {
            drawDot(painter, pic.segments[i][0], style::kLineWidth, c);
            continue;
        }
        painter.setPen(
            QPen(qcolour(c), style::kLineWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawPolyline(polygon(pic.segments[i]));
    }
    for (const Pixel& p : pic.kept) drawDot(painter, p, style::kKeptRadius, style::kKept);
    if (pic.start) drawDot(painter, *pic.start, style::kMarkerRadius, style::kStart);
    if (pic.end) drawDot(painter, *pic.end, style::kMarkerRadius, style::kEnd);
    painter.setRenderHint(QPainter::Antialiasing, false);
}

}  // namespace

QImage paintPicture(const Picture& pic) {
    QImage image(pic.width, pic.height, QImage::Format_RGB32);
    image.fill(qcolour(style::kBackground));
    QPainter painter(&image);
    QFont font = painter.font();
    font.setPixelSize(style::kFontPixels);
    painter.setFont(font);
    drawGrid(painter, pic);
    drawTrack(painter, pic);
    painter.setPen(QPen(qcolour(style::kText), 2));
    painter.drawLine(QPointF(pic.scaleFrom.x, pic.scaleFrom.y),
                     QPointF(pic.scaleTo.x, pic.scaleTo.y));
    painter.setPen(qcolour(style::kText));
    drawText(painter, pic.scaleLabel);
    if (pic.keptText) drawText(painter, *pic.keptText);
    for (const TextAt& t : pic.profileLabels) drawText(painter, t);
    if (pic.profileArea) {
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setPen(QPen(qcolour(style::kProfile), 1.5));
        painter.drawPolyline(polygon(pic.profile));
    }
    return image;
}

QString savePicturePng(const Picture& picture, const QString& file) {
    QImageWriter writer(file, "png");
    if (!writer.write(paintPicture(picture))) return writer.errorString();
    return {};
}

std::unique_ptr<QCoreApplication> paintingApplication(int& argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Setting up the platform complains of a missing XDG_RUNTIME_DIR (root, a cron job),
    // which a program whose every line of standard error is its own must not print.
    QLoggingCategory::setFilterRules(QStringLiteral("default.warning=false"));
    auto application = std::make_unique<QGuiApplication>(argc, argv);
    QLoggingCategory::setFilterRules(QString());
    return application;
}

}  // namespace overview
