// The conversion pass: one sequential read of the point file, holding only the current
// and the previous record, so a track of any length needs the same memory.
#include "coords/convert.h"

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "coords/angles.h"
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
    std::string text;  // reassigned in place, so its storage is reused record after record
};

class Pass {
  public:
    Pass(const std::string& input, const std::string& output, const ConvertOptions& options)
        : reader_(input),
          itm_(options.system == CoordSystem::IsraeliNew ? std::make_unique<ItmProjection>()
                                                         : nullptr),
          out_(output),
          grid_(options.system != CoordSystem::LatLon),
          reduce_(options.reduce),
          deviation_(options.deviation),
          separator_(options.decimalSeparator) {}

    void run() {
        try {
            PointRecord record;
            while (reader_.next(record)) {
                handle(record);
                out_.flushIfFull();
            }
            // The last point always ends a reduced track, even when it was also the first.
            if (reduce_ && !first_) writeKept(prev_);
        } catch (const ArithmeticError& e) {
            throw ConversionError("Cannot convert the point file " + reader_.path() + ", line " +
                                  std::to_string(reader_.lineNumber()) + ": " + e.what());
        }
        out_.close();
    }

  private:
    void handle(const PointRecord& r) {
        if (!grid_ && !reduce_) {
            writeLine(Deg_To_DMS(r.lat), Deg_To_DMS(r.lon), r.text);
            return;
        }
        double e = 0.0;
        double n = 0.0;
        // Turns are measured on the chosen grid, and on the old one for latitude/longitude.
        if (itm_) {
            itm_->project(r.lat, r.lon, e, n);
        } else {
            LatLon_To_Israeli_Grid(r.lat, r.lon, e, n);
        }
        const std::int32_t x = gridInt(e, "easting");
        const std::int32_t y = gridInt(n, "northing");
        if (!reduce_) {
            writeLine(x, y, r.text);
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
            writeKept(prev_);
            return;
        }
        const double bearing = Grid_Bearing(x, y, prev_.x, prev_.y);
        if (second_) {
            second_ = false;
        } else {
            const double d = std::fabs(prevBearing_ - bearing);
            const double turn = Min_Value(d, 360.0 - d);
            if (turn > deviation_) writeKept(prev_);
        }
        prevBearing_ = bearing;
        remember(r, x, y);
    }

    void remember(const PointRecord& r, std::int32_t x, std::int32_t y) {
        prev_.x = x;
        prev_.y = y;
        prev_.lat = r.lat;
        prev_.lon = r.lon;
        prev_.text.assign(r.text);
    }

    void writeKept(const Kept& k) {
        if (grid_) {
            writeLine(k.x, k.y, k.text);
        } else {
            writeLine(Deg_To_DMS(k.lat), Deg_To_DMS(k.lon), k.text);
        }
    }

    void writeLine(double first, double second, std::string_view text) {
        std::string& buffer = out_.buffer();
        const std::size_t mark = buffer.size();
        try {
            appendOutputLine(buffer, first, second, text, separator_);
        } catch (...) {
            buffer.resize(mark);  // never leave half a line behind
            throw;
        }
    }

    PointFileReader reader_;  // opened first: a missing input leaves the output untouched
    std::unique_ptr<ItmProjection> itm_;  // set up before the output exists, for the same reason
    OutputFile out_;
    const bool grid_;
    const bool reduce_;
    const std::int16_t deviation_;
    const char separator_;

    bool first_ = true;
    bool second_ = true;
    Kept prev_;
    double prevBearing_ = 0.0;
};

}  // namespace

void Convert_Track_File(const std::string& input, const std::string& output,
                        const ConvertOptions& options) {
    Pass(input, output, options).run();
}

void Convert_Track_File(const std::string& input, const std::string& output, bool grid, bool reduce,
                        std::int16_t deviation, char decimalSeparator) {
    Convert_Track_File(input, output,
                       {grid ? CoordSystem::IsraeliOld : CoordSystem::LatLon, reduce, deviation,
                        decimalSeparator});
}

}  // namespace coords
