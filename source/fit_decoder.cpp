#include "source/fit_decoder.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "garmin/units.h"
#include "source/iso_time.h"
#include "source/read_error.h"

namespace source {

namespace {

constexpr std::uint16_t kRecordMessage = 20;
constexpr std::uint16_t kEventMessage = 21;
constexpr std::uint8_t kTimestampField = 253;
constexpr double kEventTimer = 0;
constexpr double kEventStart = 0, kEventStop = 1, kEventStopAll = 4;
// Stops that also disable the timer end a stretch of recording as well.
constexpr double kEventStopDisable = 8, kEventStopDisableAll = 9;
// A FIT time is seconds since 1989-12-31 in 32 bits; a time far beyond is no time.
constexpr double kLatestTime = 0x1p40;
constexpr double kDegreesPerSemicircle = 180.0 / 2147483648.0;

std::uint64_t number(const std::uint8_t* bytes, std::size_t size, bool bigEndian) {
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < size; ++i) v = v << 8 | bytes[bigEndian ? i : size - 1 - i];
    return v;
}

// A FIT base type, numbered by the low five bits of its code. The value whose every bit
// is set, or the largest positive one for a signed type, or zero for the "z" types, says
// that the field holds nothing.
struct BaseType {
    std::uint8_t size = 0;  // 0: not a number (a string, bytes, an unknown code)
    bool isSigned = false;
    bool isFloat = false;
    bool zeroInvalid = false;
};

BaseType baseTypeOf(std::uint8_t code) {
    static constexpr BaseType kTypes[17] = {{1},
                                            {1, true},
                                            {1},
                                            {2, true},
                                            {2},
                                            {4, true},
                                            {4},
                                            {0},
                                            {4, false, true},
                                            {8, false, true},
                                            {1, false, false, true},
                                            {2, false, false, true},
                                            {4, false, false, true},
                                            {0},
                                            {8, true},
                                            {8},
                                            {8, false, false, true}};
    const unsigned n = code & 0x1Fu;
    return n < 17 ? kTypes[n] : BaseType{};
}

bool isTime(const std::optional<double>& seconds) {
    return seconds && *seconds >= 0 && *seconds < kLatestTime;
}

std::optional<double> valueOf(const BaseType& type, std::uint64_t raw) {
    const unsigned bits = type.size * 8u;
    const std::uint64_t ones = bits == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << bits) - 1;
    if (type.zeroInvalid ? raw == 0 : raw == (type.isSigned ? ones >> 1 : ones))
        return std::nullopt;
    if (type.isFloat) {
        double v = 0;
        if (type.size == 4) {
            float f = 0;
            const auto narrow = static_cast<std::uint32_t>(raw);
            std::memcpy(&f, &narrow, sizeof f);
            v = f;
        } else {
            std::memcpy(&v, &raw, sizeof v);
        }
        return std::isfinite(v) ? std::optional<double>(v) : std::nullopt;
    }
    if (type.isSigned && bits < 64 && (raw >> (bits - 1) & 1) != 0) raw |= ~ones;
    return type.isSigned ? static_cast<double>(static_cast<std::int64_t>(raw))
                         : static_cast<double>(raw);
}

}  // namespace

FitDecoder::FitDecoder(QIODevice& in, std::string name, TrackSink& sink)
    : in_(in, std::move(name)), sink_(sink) {}

void FitDecoder::run() {
    while (runSome(std::numeric_limits<std::int64_t>::max())) {
    }
}

// An input holds at least one file; what follows a file's CRC is the next one, or bytes
// that start none, which are passed over.
bool FitDecoder::runSome(std::int64_t points) {
    budget_ = points;
    while (budget_ > 0) {
        if (inFile_ && in_.offset() < dataEnd_) {
            readRecord();
        } else if (inFile_) {
            endFile();
        } else if (!fileRead_ || (!in_.atEnd() && fileFollows())) {
            startFile();
        } else {
            if (!in_.atEnd()) passOverTrailing();
            return false;
        }
    }
    return true;
}

bool FitDecoder::fileFollows() {
    std::uint8_t head[12];
    return in_.peek(head, sizeof head) == sizeof head && (head[0] == 12 || head[0] == 14) &&
           std::memcmp(head + 8, ".FIT", 4) == 0;
}

// Padding or a line break that a program added after the last file holds no point.
void FitDecoder::passOverTrailing() {
    const std::uint64_t at = in_.offset();
    const std::uint64_t count = in_.skipToEnd();
    sink_.warning(in_.name() + ", byte " + std::to_string(at) + ": " +
                  (count == 1 ? std::string("the byte after the last FIT file is not FIT data; "
                                            "it was passed over.")
                              : "the " + std::to_string(count) +
                                    " bytes after the last FIT file are not FIT data; they "
                                    "were passed over."));
}

void FitDecoder::fail(std::uint64_t at, const std::string& why) const {
    throw ReadError(in_.name() + ", byte " + std::to_string(at) + ": " + why + ".");
}

// Every file of a chain starts afresh: its own definitions and CRC; its first point
// begins a segment.
void FitDecoder::startFile() {
    definitions_ = {};
    in_.setAnnouncedEnd(0);
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
    in_.setAnnouncedEnd(dataEnd_ + 2);
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
        field = {f[0], f[1], f[2]};
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
    if (compressedTime >= 0) values.timestamp = static_cast<double>(compressedTime);
    for (const Field& field : def.fields) readField(def, field, at, values);
    in_.skip(def.developerBytes);
    if (isTime(values.timestamp)) lastTimestamp_ = static_cast<std::int64_t>(*values.timestamp);
    if (def.global == kRecordMessage) handleRecord(values);
    if (def.global == kEventMessage) handleEvent(values);
}

// Only the fields this program knows are read, each by the base type its definition
// gives (a maker may write an altitude in 32 bits where the profile has 16), the first
// element of an array; everything else is passed over by its size.
void FitDecoder::readField(const Definition& def, const Field& field, std::uint64_t at,
                           Values& values) {
    std::uint8_t bytes[255];
    in_.read(bytes, field.size);
    const bool record = def.global == kRecordMessage, event = def.global == kEventMessage;
    std::optional<double>* target = nullptr;
    if (field.number == kTimestampField)
        target = &values.timestamp;
    else if (record && field.number <= 2)
        target = field.number == 0   ? &values.lat
                 : field.number == 1 ? &values.lon
                                     : &values.altitude;
    else if (record && field.number == 78)
        target = &values.enhancedAltitude;
    else if (event && field.number <= 1)
        target = field.number == 0 ? &values.event : &values.eventType;
    if (target != nullptr) *target = fieldValue(def, field, bytes, at);
}

// A field of a type that holds no number (a string, bytes) says nothing this program reads.
std::optional<double> FitDecoder::fieldValue(const Definition& def, const Field& field,
                                             const std::uint8_t* bytes, std::uint64_t at) const {
    const BaseType type = baseTypeOf(field.baseType);
    if (type.size == 0) return std::nullopt;
    if (field.size < type.size || field.size % type.size != 0)
        fail(at, "field " + std::to_string(field.number) + " of a FIT message has " +
                     std::to_string(field.size) + " bytes where its base type has " +
                     std::to_string(type.size));
    return valueOf(type, number(bytes, type.size, def.bigEndian));
}

// A record without a position, or with one beyond a pole, is a point taken without a fix:
// counted, and a segment it would have begun begins at the next point. So is one whose
// elevation or time is out of range, counted apart.
void FitDecoder::handleRecord(const Values& v) {
    const double lat = v.lat.value_or(0) * kDegreesPerSemicircle;
    const double lon = v.lon.value_or(0) * kDegreesPerSemicircle;
    --budget_;
    if (!v.lat || !v.lon || std::fabs(lat) > 90.0 || std::fabs(lon) > 180.0) {
        sink_.pointWithoutPosition(false);  // the decoder carries the segment itself
        return;
    }
    const std::optional<double> alt = v.enhancedAltitude ? v.enhancedAltitude : v.altitude;
    const double metres = alt ? *alt / 5.0 - 500.0 : std::numeric_limits<double>::quiet_NaN();
    const std::optional<std::int64_t> seconds =
        isTime(v.timestamp) ? std::optional(static_cast<std::int64_t>(*v.timestamp)) : std::nullopt;
    // Left out as well, with the segment it began kept pending.
    if (!inRange(metres, seconds)) {
        sink_.pointOutOfRange();
        return;
    }
    if (!trackStarted_) {
        trackStarted_ = true;
        sink_.startTrack("");
    }
    point_.lat = lat;
    point_.lon = lon;
    point_.time = seconds ? receiverTimeText(*seconds) : "N/A";
    point_.elevation = static_cast<float>(metres);
    point_.newSegment = segmentPending_;
    segmentPending_ = false;
    sink_.point(point_);
}

// The timer stopped and started again: the points after the pause are a new segment.
void FitDecoder::handleEvent(const Values& v) {
    if (v.event != kEventTimer || !v.eventType) return;
    if (v.eventType == kEventStop || v.eventType == kEventStopAll ||
        v.eventType == kEventStopDisable || v.eventType == kEventStopDisableAll)
        timerStopped_ = true;
    if (v.eventType == kEventStart && timerStopped_) {
        timerStopped_ = false;
        segmentPending_ = true;
    }
}

}  // namespace source
