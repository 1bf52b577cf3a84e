// The conversion pass: one sequential read of the point file, holding only the current
// and the previous record, so a track of any length needs the same memory.
#include "coords/convert.h"

#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "coords/angles.h"
#include "coords/grid.h"
#include "coords/output_file.h"
#include "coords/output_line.h"
#include "coords/point_file.h"

namespace coords {

namespace {

std::int32_t Grid_Int(double v, const char* what) {
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
    Pass(const std::string& input, const std::string& output, bool grid, bool reduce,
         std::int16_t deviation, char separator)
        : reader_(input),
          out_(output),
          grid_(grid),
          reduce_(reduce),
          deviation_(deviation),
          separator_(separator) {}

    void Run() {
        try {
            PointRecord record;
            while (reader_.Next(record)) {
                Handle(record);
                out_.Flush_If_Full();
            }
            // The last point always ends a reduced track, even when it was also the first.
            if (reduce_ && !first_) Write_Kept(prev_);
        } catch (const ArithmeticError& e) {
            throw ConversionError("Cannot convert the point file " + reader_.Path() + ", line " +
                                  std::to_string(reader_.Line_Number()) + ": " + e.what());
        }
        out_.Close();
    }

  private:
    void Handle(const PointRecord& r) {
        if (!grid_ && !reduce_) {
            Write_Line(Deg_To_DMS(r.lat), Deg_To_DMS(r.lon), r.text);
            return;
        }
        double e = 0.0;
        double n = 0.0;
        LatLon_To_Israeli_Grid(r.lat, r.lon, e, n);
        const std::int32_t x = Grid_Int(e, "easting");
        const std::int32_t y = Grid_Int(n, "northing");
        if (!reduce_) {
            Write_Line(x, y, r.text);
            return;
        }
        Reduce(r, x, y);
    }

    // The turn at a point is measured between the step arriving at it and the step
    // leaving it, so a point is known to be kept only when its successor has been read.
    void Reduce(const PointRecord& r, std::int32_t x, std::int32_t y) {
        if (first_) {
            first_ = false;
            Remember(r, x, y);
            Write_Kept(prev_);
            return;
        }
        const double bearing = Grid_Bearing(x, y, prev_.x, prev_.y);
        if (second_) {
            second_ = false;
        } else {
            const double d = std::fabs(prevBearing_ - bearing);
            const double turn = Min_Value(d, 360.0 - d);
            if (turn > deviation_) Write_Kept(prev_);
        }
        prevBearing_ = bearing;
        Remember(r, x, y);
    }

    void Remember(const PointRecord& r, std::int32_t x, std::int32_t y) {
        prev_.x = x;
        prev_.y = y;
        prev_.lat = r.lat;
        prev_.lon = r.lon;
        prev_.text.assign(r.text);
    }

    void Write_Kept(const Kept& k) {
        if (grid_) {
            Write_Line(k.x, k.y, k.text);
        } else {
            Write_Line(Deg_To_DMS(k.lat), Deg_To_DMS(k.lon), k.text);
        }
    }

    void Write_Line(double first, double second, std::string_view text) {
        std::string& buffer = out_.Buffer();
        const std::size_t mark = buffer.size();
        try {
            Append_Output_Line(buffer, first, second, text, separator_);
        } catch (...) {
            buffer.resize(mark);  // never leave half a line behind
            throw;
        }
    }

    PointFileReader reader_;  // opened first: a missing input leaves the output untouched
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

void Convert_Track_File(const std::string& input, const std::string& output, bool grid, bool reduce,
                        std::int16_t deviation, char decimalSeparator) {
    Pass(input, output, grid, reduce, deviation, decimalSeparator).Run();
}

}  // namespace coords
