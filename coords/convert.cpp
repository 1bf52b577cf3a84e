// The conversion pass: one sequential read of the point file, holding only the current
// and the previous record, so a track of any length needs the same memory.
#include "coords/convert.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "coords/angles.h"
#include "coords/file_handle.h"
#include "coords/gpx_writer.h"
#include "coords/grid.h"
#include "coords/itm_projection.h"
#include "coords/output_file.h"
#include "coords/output_line.h"
#include "coords/point_file.h"

namespace coords {

namespace {

// Both grids hand over whole metres already, so the cast only narrows the type.
std::int32_t gridInt(double v, const char* what) {
    if (!(v >= -2147483648.0 && v <= 2147483647.0))
        throw ArithmeticError(std::string("the grid ") + what + " does not fit 32 bits");
    return static_cast<std::int32_t>(v);
}

struct Kept {
    std::int32_t x = 0;
    std::int32_t y = 0;
    double lat = 0.0;
    double lon = 0.0;
    std::uint64_t line = 0;  // in the point file
    std::string text;        // reassigned in place, so its storage is reused record after record
};

// The elevations file read forward as the pass asks for ascending lines.
class ElevationReader {
  public:
    explicit ElevationReader(const std::string& path)
        : file_(path.empty() ? nullptr : std::fopen(path.c_str(), "rb")) {}

    std::optional<double> at(std::uint64_t line) {
        float metres = NAN;
        while (file_ && read_ < line) {
            if (std::fread(&metres, sizeof metres, 1, file_.get()) != 1) file_.reset();
            ++read_;
        }
        if (!file_ || read_ != line || !std::isfinite(metres)) return std::nullopt;
        return metres;
    }

  private:
    FileHandle file_;
    std::uint64_t read_ = 0;  // lines read so far
};

class Pass {
  public:
    Pass(const std::string& input, const std::string& output, const ConvertOptions& options)
        : reader_(input),
          gpx_(isGpxName(output)),
          // GPX is always in degrees, so only the text output uses the chosen system.
          itm_(!gpx_ && options.system == CoordSystem::IsraeliNew
                   ? std::make_unique<ItmProjection>()
                   : nullptr),
          out_(output),
          grid_(!gpx_ && options.system != CoordSystem::LatLon),
          reduce_(options.reduce),
          deviation_(options.deviation),
          separator_(options.decimalSeparator),
          segmentStarts_(options.segmentStarts),
          trackStarts_(options.trackStarts),
          elevations_(options.elevationsFile) {}

    ConvertCounts run() {
        try {
            if (gpx_) gpxWriter_.emplace(out_.buffer());
            PointRecord record;
            while (reader_.next(record)) {
                ++read_;
                handle(record);
                out_.flushIfFull();
            }
            // The last point always ends a reduced track; a track of one point has been
            // written already as its first.
            if (reduce_ && !second_) writeKept();
            if (gpxWriter_) gpxWriter_->finish();
        } catch (const ArithmeticError& e) {
            throw ConversionError("Cannot convert the point file " + reader_.path() + ", line " +
                                  std::to_string(reader_.lineNumber()) + ": " + e.what());
        }
        out_.close();
        return {read_, written_};
    }

  private:
    void handle(const PointRecord& r) {
        line_ = reader_.lineNumber();
        if (!grid_ && !reduce_) {
            write(0, 0, r.lat, r.lon, r.text);
            return;
        }
        double e = 0.0;
        double n = 0.0;
        // Turns are measured on the chosen grid, and on the old one for latitude/longitude
        // and GPX.
        if (itm_) {
            itm_->project(r.lat, r.lon, e, n);
        } else {
            LatLon_To_Israeli_Grid(r.lat, r.lon, e, n);
        }
        const std::int32_t x = gridInt(e, "easting");
        const std::int32_t y = gridInt(n, "northing");
        if (!reduce_) {
            write(x, y, r.lat, r.lon, r.text);
            return;
        }
        reduceAt(r, x, y);
    }

    // The turn at a point is measured between the step arriving at it and the step
    // leaving it, so a point is known to be kept only when its successor has been read.
    void reduceAt(const PointRecord& r, std::int32_t x, std::int32_t y) {
        if (first_) {
            first_ = false;
            remember(r, x, y);
            write(x, y, r.lat, r.lon, r.text);
            return;
        }
        const double bearing = Grid_Bearing(x, y, prev_.x, prev_.y);
        if (second_) {
            second_ = false;
        } else {
            const double d = std::fabs(prevBearing_ - bearing);
            const double turn = Min_Value(d, 360.0 - d);
            if (turn > deviation_) writeKept();
        }
        prevBearing_ = bearing;
        remember(r, x, y);
    }

    void remember(const PointRecord& r, std::int32_t x, std::int32_t y) {
        prev_.x = x;
        prev_.y = y;
        prev_.lat = r.lat;
        prev_.lon = r.lon;
        prev_.line = reader_.lineNumber();
        prev_.text.assign(r.text);
    }

    void writeKept() {
        line_ = prev_.line;
        write(prev_.x, prev_.y, prev_.lat, prev_.lon, prev_.text);
    }

    // A reduced track may have dropped a track's or a segment's first point: it then
    // starts at the next point kept.
    void startTrackOrSegmentIfDue() {
        const TrackStart* track = nullptr;
        while (nextTrack_ < trackStarts_.size() && trackStarts_[nextTrack_].line <= line_)
            track = &trackStarts_[nextTrack_++];
        if (track != nullptr) gpxWriter_->newTrack(track->name);
        bool due = false;
        while (nextSegment_ < segmentStarts_.size() && segmentStarts_[nextSegment_] <= line_) {
            due = due || segmentStarts_[nextSegment_] > 1;
            ++nextSegment_;
        }
        if (due) gpxWriter_->newSegment();
    }

    // A failure halfway through a line needs no undoing: a pass that fails leaves no
    // output at all.
    void write(std::int32_t x, std::int32_t y, double lat, double lon, std::string_view text) {
        ++written_;
        if (gpxWriter_) {
            startTrackOrSegmentIfDue();
            gpxWriter_->point(lat, lon, text, elevations_.at(line_));
        } else if (grid_) {
            appendOutputLine(out_.buffer(), x, y, text, separator_);
        } else {
            appendOutputLine(out_.buffer(), Deg_To_DMS(lat), Deg_To_DMS(lon), text, separator_);
        }
    }

    PointFileReader reader_;  // opened first: a missing input leaves the output untouched
    const bool gpx_;
    std::unique_ptr<ItmProjection> itm_;  // set up before the output exists, for the same reason
    OutputFile out_;
    std::optional<GpxWriter> gpxWriter_;
    const bool grid_;
    const bool reduce_;
    const std::int16_t deviation_;
    const char separator_;
    const std::vector<std::uint64_t>& segmentStarts_;
    std::size_t nextSegment_ = 0;
    const std::vector<TrackStart>& trackStarts_;
    std::size_t nextTrack_ = 0;
    ElevationReader elevations_;
    std::uint64_t line_ = 0;  // of the point being written
    std::uint64_t read_ = 0;
    std::uint64_t written_ = 0;

    bool first_ = true;
    bool second_ = true;
    Kept prev_;
    double prevBearing_ = 0.0;
};

}  // namespace

ConvertCounts Convert_Track_File(const std::string& input, const std::string& output,
                                 const ConvertOptions& options) {
    return Pass(input, output, options).run();
}

}  // namespace coords
