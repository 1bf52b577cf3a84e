// The conversion pass: one sequential read of the point file, holding only the current
// and the previous record, so a track of any length needs the same memory.
#include "trackfile/convert.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "coords/angles.h"
#include "coords/grid.h"
#include "coords/itm_projection.h"
#include "coords/turn_reducer.h"
#include "trackfile/file_handle.h"
#include "trackfile/gpx_writer.h"
#include "trackfile/output_file.h"
#include "trackfile/output_line.h"
#include "trackfile/point_file.h"

namespace trackfile {

using coords::ArithmeticError;
using coords::ConversionError;
using coords::CoordSystem;
using coords::Deg_To_DMS;
using coords::ItmProjection;
using coords::LatLon_To_Israeli_Grid;
using coords::OutsideGridArea;
using coords::ReducedPoint;
using coords::requireOldGridArea;
using coords::TurnReducer;

namespace {

// Both grids hand over whole metres already, so the cast only narrows the type.
std::int32_t gridInt(double v, const char* what) {
    if (!(v >= -2147483648.0 && v <= 2147483647.0))
        throw ArithmeticError(std::string("the grid ") + what + " does not fit 32 bits");
    return static_cast<std::int32_t>(v);
}

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
          reducer_(options.deviation, [this](const ReducedPoint& p) { writeKept(p); }),
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
            if (reduce_) reducer_.finish();
            if (gpxWriter_) gpxWriter_->finish();
        } catch (const OutsideGridArea& e) {
            throw OutsideGridArea(where() + e.what());
        } catch (const ArithmeticError& e) {
            throw ConversionError(where() + e.what());
        }
        out_.close();
        return {read_, written_};
    }

  private:
    std::string where() const {
        return "Cannot convert the point file " + reader_.path() + ", line " +
               std::to_string(reader_.lineNumber()) + ": ";
    }

    void handle(const PointRecord& r) {
        line_ = reader_.lineNumber();
        if (!grid_ && !reduce_) {
            write(0, 0, r.lat, r.lon, r.text);
            return;
        }
        double e = 0.0;
        double n = 0.0;
        // Turns are measured on the chosen grid, and on the old one for latitude/longitude
        // and GPX, wherever the points lie.
        if (itm_) {
            itm_->project(r.lat, r.lon, e, n);
        } else {
            if (grid_) requireOldGridArea(r.lat, r.lon);
            LatLon_To_Israeli_Grid(r.lat, r.lon, e, n);
        }
        const std::int32_t x = gridInt(e, "easting");
        const std::int32_t y = gridInt(n, "northing");
        if (!reduce_) {
            write(x, y, r.lat, r.lon, r.text);
            return;
        }
        reducer_.add(x, y, r.lat, r.lon, line_, r.text);
    }

    void writeKept(const ReducedPoint& p) {
        line_ = p.line;
        write(p.x, p.y, p.lat, p.lon, p.text);
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
    TurnReducer reducer_;
    const char separator_;
    const std::vector<std::uint64_t>& segmentStarts_;
    std::size_t nextSegment_ = 0;
    const std::vector<TrackStart>& trackStarts_;
    std::size_t nextTrack_ = 0;
    ElevationReader elevations_;
    std::uint64_t line_ = 0;  // of the point being written
    std::uint64_t read_ = 0;
    std::uint64_t written_ = 0;
};

}  // namespace

ConvertCounts Convert_Track_File(const std::string& input, const std::string& output,
                                 const ConvertOptions& options) {
    return Pass(input, output, options).run();
}

}  // namespace trackfile
