#include "source/gpx_reader.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <utility>

#include "source/iso_time.h"
#include "source/read_error.h"

namespace source {

namespace {

const std::string kGpx10 = "http://www.topografix.com/GPX/1/0";
const std::string kGpx11 = "http://www.topografix.com/GPX/1/1";

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// An xsd:decimal as GPX writes it ("-31.5", "+2", "754."); the locale plays no part.
std::optional<double> decimal(std::string_view text) {
    text = trimmed(text);
    if (!text.empty() && text[0] == '+') text.remove_prefix(1);
    if (text.empty()) return std::nullopt;
    double v = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(v))
        return std::nullopt;
    return v;
}

}  // namespace

GpxReader::GpxReader(QIODevice& in, QString name, TrackSink& sink)
    : xml_(in), name_(std::move(name)), sink_(sink) {}

void GpxReader::fail(const std::string& why, std::int64_t line, std::int64_t column) const {
    // A read that failed (a drive pulled out) has no place in the document.
    if (line < 0)
        throw ReadError(QStringLiteral("%1 could not be read: %2.")
                            .arg(name_, QString::fromStdString(why))
                            .toStdString());
    throw ReadError(QStringLiteral("%1, line %2, column %3: %4.")
                        .arg(name_)
                        .arg(line)
                        .arg(column)
                        .arg(QString::fromStdString(why))
                        .toStdString());
}

void GpxReader::fail(const std::string& why) const {
    fail(why, xml_.line(), xml_.column());
}

bool GpxReader::isGpx(std::string_view name) const {
    return xml_.name() == name && xml_.namespaceUri() == gpxNamespace_;
}

void GpxReader::run() {
    while (runSome(std::numeric_limits<std::int64_t>::max())) {
    }
}

bool GpxReader::runSome(std::int64_t points) {
    budget_ = points;
    try {
        if (!std::exchange(rootRead_, true)) readRoot();
        return readTokens();
    } catch (const XmlError& e) {
        fail(e.what(), e.line, e.column);
    }
}

void GpxReader::readRoot() {
    if (xml_.next() != XmlScanner::Token::StartElement) fail("this is not a GPX file");
    gpxNamespace_ = xml_.namespaceUri();
    if (xml_.name() != "gpx" ||
        (gpxNamespace_ != kGpx10 && gpxNamespace_ != kGpx11 && !gpxNamespace_.empty()))
        fail("this is not a GPX file");
}

// One pass over the tokens; the scanner checks the whole document, also after the root.
bool GpxReader::readTokens() {
    while (budget_ > 0) {
        switch (xml_.next()) {
            case XmlScanner::Token::StartElement:
                startElement();
                break;
            case XmlScanner::Token::EndElement:
                endElement();
                break;
            case XmlScanner::Token::Text:
                if (field_ != Field::None && skipDepth_ == 0) text_ += xml_.text();
                break;
            case XmlScanner::Token::End:
                return false;
        }
    }
    return true;
}

// The name comes before the segments in both versions' schemas.
void GpxReader::startElement() {
    if (skipDepth_ > 0 || field_ != Field::None) {
        ++skipDepth_;
        return;
    }
    Field field = Field::None;
    if (level_ == Level::Gpx && isGpx("trk")) {
        level_ = Level::Track;
        trackName_.clear();
        trackStarted_ = false;
    } else if (level_ == Level::Track && isGpx("name")) {
        field = Field::Name;
    } else if (level_ == Level::Track && isGpx("trkseg")) {
        if (!std::exchange(trackStarted_, true)) sink_.startTrack(trackName_);
        level_ = Level::Segment;
        segmentStart_ = true;
    } else if (level_ == Level::Segment && isGpx("trkpt")) {
        startPoint();
    } else if (level_ == Level::Point && isGpx("ele")) {
        field = Field::Elevation;
    } else if (level_ == Level::Point && isGpx("time")) {
        field = Field::Time;
    } else {
        skipDepth_ = 1;
    }
    field_ = field;
    text_.clear();
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
            if (inRange_) {
                sink_.point(point_);
            } else {
                // Left out: a segment it began begins at the next point.
                sink_.pointOutOfRange();
                segmentStart_ = point_.newSegment;
            }
            --budget_;
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
    const std::string* latText = nullptr;
    const std::string* lonText = nullptr;
    for (const XmlScanner::Attribute& a : xml_.attributes()) {
        if (!a.namespaceUri.empty()) continue;
        if (a.name == "lat") latText = &a.value;
        if (a.name == "lon") lonText = &a.value;
    }
    if (latText == nullptr || lonText == nullptr) fail("a track point without lat or lon");
    const auto lat = decimal(*latText);
    const auto lon = decimal(*lonText);
    if (!lat || !lon || std::fabs(*lat) > 90.0 || std::fabs(*lon) > 180.0)
        fail("a track point at lat \"" + *latText + "\" lon \"" + *lonText +
             "\" is not a position (latitude within ±90, longitude within ±180)");
    point_.lat = *lat;
    point_.lon = *lon;
    point_.time = "N/A";
    point_.elevation = std::numeric_limits<float>::quiet_NaN();
    point_.newSegment = std::exchange(segmentStart_, false);
    inRange_ = true;
    level_ = Level::Point;
}

void GpxReader::endField() {
    if (field_ == Field::Name) {
        trackName_ = text_;
        return;
    }
    if (field_ == Field::Elevation) {
        const auto value = decimal(text_);
        if (!value) fail("the elevation \"" + text_ + "\" is not a number");
        if (inRange(*value, std::nullopt))
            point_.elevation = static_cast<float>(*value);
        else
            inRange_ = false;
        return;
    }
    const auto seconds = parseIsoTime(trimmed(text_));
    if (!seconds) fail("the time \"" + text_ + "\" is not an ISO 8601 time");
    if (!inRange(std::numeric_limits<double>::quiet_NaN(), seconds)) inRange_ = false;
    point_.time = receiverTimeText(*seconds);
}

}  // namespace source
