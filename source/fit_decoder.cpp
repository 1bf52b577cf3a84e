#include "source/fit_decoder.h"

#include <cmath>
#include <limits>

#include "garmin/units.h"
#include "source/iso_time.h"
#include "source/read_error.h"

namespace source {

namespace {

constexpr std::uint16_t kRecordMessage = 20;
constexpr std::uint16_t kEventMessage = 21;
constexpr std::uint8_t kTimestampField = 253;
constexpr std::int64_t kNoPosition = 0x7FFFFFFF;
constexpr std::int64_t kEventTimer = 0;
constexpr std::int64_t kEventStart = 0, kEventStop = 1, kEventStopAll = 4;
// Stops that also disable the timer end a stretch of recording as well.
constexpr std::int64_t kEventStopDisable = 8, kEventStopDisableAll = 9;

std::uint64_t number(const std::uint8_t* bytes, std::size_t size, bool bigEndian) {
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < size; ++i) v = v << 8 | bytes[bigEndian ? i : size - 1 - i];
    return v;
}

}  // namespace

FitDecoder::FitDecoder(std::istream& in, std::string name, TrackSink& sink)
    : in_(in, std::move(name)), sink_(sink) {}

void FitDecoder::run() {
    while (runSome(std::numeric_limits<std::int64_t>::max())) {
    }
}

// An input holds at least one file; what follows a file's CRC is the next one.
bool FitDecoder::runSome(std::int64_t points) {
    budget_ = points;
    while (budget_ > 0) {
        if (inFile_ && in_.offset() < dataEnd_) {
            readRecord();
        } else if (inFile_) {
            endFile();
        } else {
            if (fileRead_ && in_.atEnd()) return false;
            startFile();
        }
    }
    return true;
}

void FitDecoder::fail(std::uint64_t at, const std::string& why) const {
    throw ReadError(in_.name() + ", byte " + std::to_string(at) + ": " + why + ".");
}

// Every file of a chain starts afresh: its own definitions and CRC; its first point
// begins a segment.
void FitDecoder::startFile() {
    definitions_ = {};
    segmentPending_ = true;
    timerStopped_ = false;
    in_.resetCrc();
    readHeader();
    inFile_ = true;
}

void FitDecoder::endFile() {
    inFile_ = false;
    fileRead_ = true;
    const std::uint16_t expected = in_.crc();
    const std::uint64_t at = in_.offset();
    const std::uint8_t low = in_.byte();
    const std::uint16_t stored = static_cast<std::uint16_t>(low | in_.byte() << 8);
    if (stored != expected) fail(at, "the FIT checksum does not match");
}

void FitDecoder::readHeader() {
    const std::uint64_t start = in_.offset();
    std::uint8_t header[14] = {};
    header[0] = in_.byte();
    if (header[0] != 12 && header[0] != 14) fail(start, "no FIT header");
    in_.read(header + 1, header[0] - 1u);
    if (header[8] != '.' || header[9] != 'F' || header[10] != 'I' || header[11] != 'T')
        fail(start + 8, "no FIT signature");
    const std::uint16_t stored = static_cast<std::uint16_t>(header[12] | header[13] << 8);
    if (header[0] == 14 && stored != 0) {
        std::uint16_t crc = 0;
        for (int i = 0; i < 12; ++i) crc = fitCrc(crc, header[i]);
        if (crc != stored) fail(start + 12, "the FIT header checksum does not match");
    }
    dataEnd_ = in_.offset() + number(header + 4, 4, false);
}

void FitDecoder::checkFits(std::uint64_t end, std::uint64_t at, const char* what) {
    if (end > dataEnd_)
        fail(at, std::string(what) + " runs past the end of the FIT data (byte " +
                     std::to_string(dataEnd_) + ")");
}

void FitDecoder::readRecord() {
    const std::uint64_t at = in_.offset();
    const std::uint8_t header = in_.byte();
    if ((header & 0x80) != 0) {
        // A compressed timestamp: five bits of offset from the last full timestamp.
        if (lastTimestamp_ < 0) fail(at, "a compressed timestamp comes before any timestamp");
        const std::int64_t offset = header & 0x1F;
        std::int64_t time = (lastTimestamp_ & ~std::int64_t{0x1F}) + offset;
        if (offset < (lastTimestamp_ & 0x1F)) time += 0x20;
        readData(static_cast<std::uint8_t>(header >> 5 & 3), time, at);
    } else if ((header & 0x40) != 0) {
        readDefinition(header, at);
    } else {
        if ((header & 0x20) != 0) fail(at, "a data message carries the developer flag");
        readData(header & 0x0F, -1, at);
    }
}

void FitDecoder::readDefinition(std::uint8_t header, std::uint64_t at) {
    Definition def;
    std::uint8_t fixed[5];
    checkFits(at + 6, at, "a FIT definition");
    in_.read(fixed, 5);
    if (fixed[1] > 1) fail(at, "a FIT definition names an unknown byte order");
    def.bigEndian = fixed[1] == 1;
    def.global = static_cast<std::uint16_t>(number(fixed + 2, 2, def.bigEndian));
    def.fields.resize(fixed[4]);
    checkFits(in_.offset() + 3u * fixed[4], at, "a FIT definition");
    for (Field& field : def.fields) {
        std::uint8_t f[3];
        in_.read(f, 3);
        field = {f[0], f[1]};
    }
    if ((header & 0x20) != 0) {
        checkFits(in_.offset() + 1, at, "a FIT definition");
        const std::uint8_t count = in_.byte();
        checkFits(in_.offset() + 3u * count, at, "a FIT definition");
        for (int i = 0; i < count; ++i) {
            std::uint8_t f[3];
            in_.read(f, 3);
            def.developerBytes += f[1];
        }
    }
    def.defined = true;
    definitions_[header & 0x0F] = std::move(def);
}

void FitDecoder::readData(std::uint8_t local, std::int64_t compressedTime, std::uint64_t at) {
    const Definition& def = definitions_[local];
    if (!def.defined)
        fail(at,
             "a FIT message uses local type " + std::to_string(local) + " before it is defined");
    std::uint64_t size = def.developerBytes;
    for (const Field& field : def.fields) size += field.size;
    checkFits(in_.offset() + size, at, "a FIT message");
    Values values;
    values.timestamp = compressedTime;
    for (const Field& field : def.fields) readField(def, field, at, values);
    in_.skip(def.developerBytes);
    if (values.timestamp >= 0) lastTimestamp_ = values.timestamp;
    if (def.global == kRecordMessage) handleRecord(values);
    if (def.global == kEventMessage) handleEvent(values);
}

// Only fields of the sizes their types have are read; a known field of another size does
// not fit its definition. Everything else is passed over by its size.
void FitDecoder::readField(const Definition& def, const Field& field, std::uint64_t at,
                           Values& values) {
    std::uint8_t bytes[255];
    in_.read(bytes, field.size);
    const bool record = def.global == kRecordMessage, event = def.global == kEventMessage;
    std::int64_t* target = nullptr;
    std::size_t size = 4;
    if (field.number == kTimestampField)
        target = &values.timestamp;
    else if (record && field.number == 0)
        target = &values.lat;
    else if (record && field.number == 1)
        target = &values.lon;
    else if (record && field.number == 2)
        target = &values.altitude, size = 2;
    else if (record && field.number == 78)
        target = &values.enhancedAltitude;
    else if (event && field.number <= 1)
        target = field.number == 0 ? &values.event : &values.eventType, size = 1;
    if (target == nullptr) return;
    if (field.size != size)
        fail(at, "field " + std::to_string(field.number) + " of a FIT message has " +
                     std::to_string(field.size) + " bytes where its type has " +
                     std::to_string(size));
    const std::uint64_t raw = number(bytes, size, def.bigEndian);
    // A position is signed: 0x7FFFFFFF says it holds nothing, which handleRecord sees.
    if (target == &values.lat || target == &values.lon) {
        *target = static_cast<std::int32_t>(static_cast<std::uint32_t>(raw));
        return;
    }
    // All ones is the value FIT writes for an unsigned field that holds nothing.
    if (raw == (size == 4 ? 0xFFFFFFFFu : size == 2 ? 0xFFFFu : 0xFFu)) return;
    *target = static_cast<std::int64_t>(raw);
}

void FitDecoder::handleRecord(const Values& v) {
    if (v.lat == kAbsent || v.lon == kAbsent || v.lat == kNoPosition || v.lon == kNoPosition)
        return;
    const double lat = garmin::Semicircles_To_Degrees(static_cast<std::int32_t>(v.lat));
    const double lon = garmin::Semicircles_To_Degrees(static_cast<std::int32_t>(v.lon));
    if (lat < -90.0 || lat > 90.0) return;
    if (!trackStarted_) {
        trackStarted_ = true;
        sink_.startTrack("");
    }
    point_.lat = lat;
    point_.lon = lon;
    point_.time = v.timestamp >= 0 ? receiverTimeText(v.timestamp) : "N/A";
    const std::int64_t alt = v.enhancedAltitude >= 0 ? v.enhancedAltitude : v.altitude;
    point_.elevation =
        alt >= 0 ? static_cast<float>(alt / 5.0 - 500.0) : std::numeric_limits<float>::quiet_NaN();
    point_.newSegment = segmentPending_;
    segmentPending_ = false;
    sink_.point(point_);
    --budget_;
}

// The timer stopped and started again: the points after the pause are a new segment.
void FitDecoder::handleEvent(const Values& v) {
    if (v.event != kEventTimer) return;
    if (v.eventType == kEventStop || v.eventType == kEventStopAll ||
        v.eventType == kEventStopDisable || v.eventType == kEventStopDisableAll)
        timerStopped_ = true;
    if (v.eventType == kEventStart && timerStopped_) {
        timerStopped_ = false;
        segmentPending_ = true;
    }
}

}  // namespace source
