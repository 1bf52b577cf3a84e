// Reads FIT activity files (one or several chained in one file) and hands each record
// message with a position to the sink, and counts those without. The whole layout is
// checked as it goes: header, definitions, the data size the header announces and the CRC
// of each file; the first fault throws ReadError naming the file and the byte where it
// lies. Bytes after the last complete file that start no other (padding, a line break) are
// passed over with a warning.
#pragma once

#include <QIODevice>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "source/fit_stream.h"
#include "source/track_sink.h"

namespace source {

class FitDecoder {
  public:
    // `name` is how messages call the file.
    FitDecoder(QIODevice& in, std::string name, TrackSink& sink);

    // Reads every file of the chain to its end.
    void run();
    // Reads on until `points` more points have gone to the sink, or to the end of the
    // chain; false once the end has been read.
    bool runSome(std::int64_t points);

  private:
    struct Field {
        std::uint8_t number = 0;
        std::uint8_t size = 0;
        std::uint8_t baseType = 0;  // as the definition gives it, whatever the profile says
    };
    struct Definition {
        bool defined = false;
        bool bigEndian = false;
        std::uint16_t global = 0;
        std::vector<Field> fields;
        std::uint32_t developerBytes = 0;
    };
    // What one data message said of the fields this program reads, in the units of their
    // profile (semicircles, seconds); empty where a field is not there or holds its base
    // type's invalid value.
    struct Values {
        std::optional<double> timestamp;
        std::optional<double> lat, lon;
        std::optional<double> altitude, enhancedAltitude;
        std::optional<double> event, eventType;
    };

    // True when the bytes that follow start a FIT file.
    bool fileFollows();
    void passOverTrailing();
    void startFile();
    void endFile();
    void readHeader();
    void readRecord();
    void readDefinition(std::uint8_t header, std::uint64_t at);
    void readData(std::uint8_t local, std::int64_t compressedTime, std::uint64_t at);
    void readField(const Definition& def, const Field& field, std::uint64_t at, Values& values);
    std::optional<double> fieldValue(const Definition& def, const Field& field,
                                     const std::uint8_t* bytes, std::uint64_t at) const;
    void handleRecord(const Values& values);
    void handleEvent(const Values& values);
    void checkFits(std::uint64_t end, std::uint64_t at, const char* what);
    [[noreturn]] void fail(std::uint64_t at, const std::string& why) const;

    FitStream in_;
    TrackSink& sink_;
    std::array<Definition, 16> definitions_;
    std::uint64_t dataEnd_ = 0;  // offset of the file's CRC
    std::int64_t lastTimestamp_ = -1;
    bool timerStopped_ = false;
    bool segmentPending_ = true;
    bool trackStarted_ = false;
    seams::Point point_;
    bool inFile_ = false;  // between a file's header and its CRC
    bool fileRead_ = false;
    std::int64_t budget_ = 0;  // points still to hand on in this step
};

}  // namespace source
