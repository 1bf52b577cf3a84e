#include "source/gpx_reader.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "source/iso_time.h"
#include "source/read_error.h"

namespace source {

namespace {

const QString kGpx10 = QStringLiteral("http://www.topografix.com/GPX/1/0");
const QString kGpx11 = QStringLiteral("http://www.topografix.com/GPX/1/1");

// A short text's characters as bytes, white space around it left out; nothing for a text
// too long or with a character beyond ASCII, which no number or time has.
std::optional<std::string_view> asciiText(QStringView text, char (&bytes)[64]) {
    text = text.trimmed();
    if (text.size() >= static_cast<qsizetype>(sizeof bytes)) return std::nullopt;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].unicode() > 127) return std::nullopt;
        bytes[i] = static_cast<char>(text[i].unicode());
    }
    return std::string_view(bytes, static_cast<std::size_t>(text.size()));
}

// An xsd:decimal as GPX writes it ("-31.5", "+2", "754."); the locale plays no part.
std::optional<double> decimal(QStringView text) {
    char bytes[64];
    auto ascii = asciiText(text, bytes);
    if (!ascii || ascii->empty()) return std::nullopt;
    if ((*ascii)[0] == '+') ascii->remove_prefix(1);
    double v = 0;
    const auto [end, error] = std::from_chars(ascii->data(), ascii->data() + ascii->size(), v);
    if (error != std::errc() || end != ascii->data() + ascii->size() || !std::isfinite(v))
        return std::nullopt;
    return v;
}

std::optional<std::int64_t> isoTime(QStringView text) {
    char bytes[64];
    const auto ascii = asciiText(text, bytes);
    if (!ascii) return std::nullopt;
    return parseIsoTime(*ascii);
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

bool GpxReader::isGpx(QLatin1StringView name) const {
    return xml_.name() == name && xml_.namespaceUri() == gpxNamespace_;
}

void GpxReader::readRoot() {
    if (!xml_.readNextStartElement()) {
        failOnXmlError();
        fail(QStringLiteral("this is not a GPX file."));
    }
    gpxNamespace_ = xml_.namespaceUri().toString();
    if (xml_.name() != QLatin1String("gpx") ||
        (gpxNamespace_ != kGpx10 && gpxNamespace_ != kGpx11 && !gpxNamespace_.isEmpty()))
        fail(QStringLiteral("this is not a GPX file."));
}

// One pass over the tokens, without a string made for any element but the fields read:
// the reader's own text views are parsed where they stand.
void GpxReader::run() {
    readRoot();
    while (!xml_.atEnd()) {
        switch (xml_.readNext()) {
            case QXmlStreamReader::StartElement:
                startElement();
                break;
            case QXmlStreamReader::EndElement:
                endElement();
                break;
            case QXmlStreamReader::Characters:
                if (field_ != Field::None && skipDepth_ == 0) text_.append(xml_.text());
                break;
            default:
                break;
        }
    }
    failOnXmlError();
}

// The name comes before the segments in both versions' schemas.
void GpxReader::startElement() {
    if (skipDepth_ > 0 || field_ != Field::None) {
        ++skipDepth_;
        return;
    }
    Field field = Field::None;
    if (level_ == Level::Gpx && isGpx(QLatin1StringView("trk"))) {
        level_ = Level::Track;
        trackName_.clear();
        trackStarted_ = false;
    } else if (level_ == Level::Track && isGpx(QLatin1StringView("name"))) {
        field = Field::Name;
    } else if (level_ == Level::Track && isGpx(QLatin1StringView("trkseg"))) {
        if (!std::exchange(trackStarted_, true)) sink_.startTrack(trackName_.toStdString());
        level_ = Level::Segment;
        segmentStart_ = true;
    } else if (level_ == Level::Segment && isGpx(QLatin1StringView("trkpt"))) {
        startPoint();
    } else if (level_ == Level::Point && isGpx(QLatin1StringView("ele"))) {
        field = Field::Elevation;
    } else if (level_ == Level::Point && isGpx(QLatin1StringView("time"))) {
        field = Field::Time;
    } else {
        skipDepth_ = 1;
    }
    field_ = field;
    text_.truncate(0);  // keeps its room for the next field
}

void GpxReader::endElement() {
    if (skipDepth_ > 0) {
        --skipDepth_;
        return;
    }
    if (field_ != Field::None) {
        endField();
        field_ = Field::None;
        return;
    }
    switch (level_) {
        case Level::Point:
            sink_.point(point_);
            level_ = Level::Segment;
            break;
        case Level::Segment:
            level_ = Level::Track;
            break;
        case Level::Track:
        case Level::Gpx:
            level_ = Level::Gpx;
            break;
    }
}

void GpxReader::startPoint() {
    std::optional<double> lat, lon;
    bool hasLat = false, hasLon = false;
    const QXmlStreamAttributes attributes = xml_.attributes();
    QStringView latText, lonText;
    for (const QXmlStreamAttribute& a : attributes) {
        if (!a.namespaceUri().isEmpty()) continue;
        if (a.name() == QLatin1StringView("lat")) hasLat = true, latText = a.value();
        if (a.name() == QLatin1StringView("lon")) hasLon = true, lonText = a.value();
    }
    if (!hasLat || !hasLon) fail(QStringLiteral("a track point without lat or lon."));
    lat = decimal(latText);
    lon = decimal(lonText);
    if (!lat || !lon || std::fabs(*lat) > 90.0 || std::fabs(*lon) > 180.0)
        fail(QStringLiteral("a track point at lat \"%1\" lon \"%2\" is not a position "
                            "(latitude within ±90, longitude within ±180).")
                 .arg(latText, lonText));
    point_.lat = *lat;
    point_.lon = *lon;
    point_.time = "N/A";
    point_.elevation = std::numeric_limits<float>::quiet_NaN();
    point_.newSegment = std::exchange(segmentStart_, false);
    level_ = Level::Point;
}

void GpxReader::endField() {
    if (field_ == Field::Name) {
        trackName_ = text_;
        return;
    }
    if (field_ == Field::Elevation) {
        const auto value = decimal(text_);
        if (!value || std::fabs(*value) > 1e9)
            fail(QStringLiteral("the elevation \"%1\" is not a number.").arg(text_));
        point_.elevation = static_cast<float>(*value);
        return;
    }
    const auto seconds = isoTime(text_);
    if (!seconds) fail(QStringLiteral("the time \"%1\" is not an ISO 8601 time.").arg(text_));
    point_.time = receiverTimeText(*seconds);
}

}  // namespace source
