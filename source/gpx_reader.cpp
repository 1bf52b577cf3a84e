#include "source/gpx_reader.h"

#include <cmath>
#include <limits>

#include "source/iso_time.h"
#include "source/read_error.h"

namespace source {

namespace {

const QString kGpx10 = QStringLiteral("http://www.topografix.com/GPX/1/0");
const QString kGpx11 = QStringLiteral("http://www.topografix.com/GPX/1/1");

std::optional<double> decimal(QStringView text) {
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v)) return std::nullopt;
    return v;
}

}  // namespace

GpxReader::GpxReader(QIODevice& in, QString name, TrackSink& sink)
    : xml_(&in), in_(in), name_(std::move(name)), sink_(sink) {}

void GpxReader::fail(const QString& why) const {
    throw ReadError(QStringLiteral("%1, line %2, column %3: %4")
                        .arg(name_)
                        .arg(xml_.lineNumber())
                        .arg(xml_.columnNumber())
                        .arg(why)
                        .toStdString());
}

// A read that failed (a drive pulled out) shows as a document that ends early: the
// device's own reason says more.
void GpxReader::failOnXmlError() const {
    if (!xml_.hasError()) return;
    if (!in_.errorString().isEmpty() && in_.errorString() != QLatin1String("Unknown error"))
        throw ReadError(QStringLiteral("%1 could not be read: %2.")
                            .arg(name_, in_.errorString())
                            .toStdString());
    QString why = xml_.errorString();
    if (!why.endsWith(QLatin1Char('.'))) why += QLatin1Char('.');
    fail(why);
}

// The next child element of the current one; false at its end.
bool GpxReader::nextChild() {
    const bool more = xml_.readNextStartElement();
    failOnXmlError();
    return more;
}

void GpxReader::run() {
    if (!nextChild()) fail(QStringLiteral("this is not a GPX file."));
    gpxNamespace_ = xml_.namespaceUri().toString();
    if (xml_.name() != QLatin1String("gpx") ||
        (gpxNamespace_ != kGpx10 && gpxNamespace_ != kGpx11 && !gpxNamespace_.isEmpty()))
        fail(QStringLiteral("this is not a GPX file."));
    while (nextChild()) {
        if (isGpx() && xml_.name() == QLatin1String("trk"))
            readTrack();
        else
            xml_.skipCurrentElement();
    }
    // What follows the root must still be well formed.
    while (!xml_.atEnd()) xml_.readNext();
    failOnXmlError();
}

// The name comes before the segments in both versions' schemas.
void GpxReader::readTrack() {
    QString name;
    bool started = false;
    while (nextChild()) {
        if (isGpx() && xml_.name() == QLatin1String("name")) {
            name = xml_.readElementText();
            failOnXmlError();
        } else if (isGpx() && xml_.name() == QLatin1String("trkseg")) {
            if (!started) sink_.startTrack(name.toStdString());
            started = true;
            readSegment();
        } else {
            xml_.skipCurrentElement();
        }
    }
}

void GpxReader::readSegment() {
    bool first = true;
    while (nextChild()) {
        if (isGpx() && xml_.name() == QLatin1String("trkpt")) {
            readPoint(first);
            first = false;
        } else {
            xml_.skipCurrentElement();
        }
    }
}

void GpxReader::readPoint(bool newSegment) {
    const QXmlStreamAttributes attributes = xml_.attributes();
    if (!attributes.hasAttribute(QLatin1String("lat")) ||
        !attributes.hasAttribute(QLatin1String("lon")))
        fail(QStringLiteral("a track point without lat or lon."));
    const auto lat = decimal(attributes.value(QLatin1String("lat")));
    const auto lon = decimal(attributes.value(QLatin1String("lon")));
    if (!lat || !lon || std::fabs(*lat) > 90.0 || std::fabs(*lon) > 180.0)
        fail(QStringLiteral("a track point at lat \"%1\" lon \"%2\" is not a position "
                            "(latitude within ±90, longitude within ±180).")
                 .arg(attributes.value(QLatin1String("lat")),
                      attributes.value(QLatin1String("lon"))));
    point_.lat = *lat;
    point_.lon = *lon;
    point_.time = "N/A";
    point_.elevation = std::numeric_limits<float>::quiet_NaN();
    point_.newSegment = newSegment;
    while (nextChild()) readPointChild();
    sink_.point(point_);
}

void GpxReader::readPointChild() {
    if (!isGpx() || (xml_.name() != QLatin1String("ele") && xml_.name() != QLatin1String("time"))) {
        xml_.skipCurrentElement();
        return;
    }
    const bool ele = xml_.name() == QLatin1String("ele");
    const QString text = xml_.readElementText();
    failOnXmlError();
    if (ele) {
        const auto value = decimal(text);
        if (!value || std::fabs(*value) > 1e9)
            fail(QStringLiteral("the elevation \"%1\" is not a number.").arg(text));
        point_.elevation = static_cast<float>(*value);
        return;
    }
    const auto seconds = parseIsoTime(text.trimmed().toStdString());
    if (!seconds) fail(QStringLiteral("the time \"%1\" is not an ISO 8601 time.").arg(text));
    point_.time = receiverTimeText(*seconds);
}

}  // namespace source
