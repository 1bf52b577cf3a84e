// Fuzz target: the temporary point file reader and the conversion pass in all four
// modes, fed arbitrary files.
//
// Input: one steering byte, then the file itself. The byte's bit 0 asks for grid output,
// bit 1 for reduction, bit 2 for a comma as the output's decimal separator, and bits 3 to 7
// times three give the minimum deviation in degrees (0 to 93). One mode per input keeps
// the runs fast.
// A ConversionError is the pass refusing a bad file, as it should; anything else that
// escapes, or a broken promise below, is a finding.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "coords/convert.h"
#include "coords/point_file.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/support/temp_dir.h"

namespace {

// Made once per process, removed when it ends.
const testkit::TempDir& Scratch() {
    static const testkit::TempDir dir;
    return dir;
}

using kelvaron_fuzz::Input;

void Write_File(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) std::abort();
}

std::string Read_File(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The records of the file, or -1 when the reader refuses it.
long Count_Records(const std::string& path) {
    try {
        coords::PointFileReader reader(path);
        coords::PointRecord record;
        long count = 0;
        while (reader.next(record)) {
            FUZZ_CHECK(std::isfinite(record.lat) && std::isfinite(record.lon));
            FUZZ_CHECK(record.text.find_first_of("\r\n") == std::string_view::npos);
            FUZZ_CHECK(reader.lineNumber() == static_cast<std::uint64_t>(count) + 1);
            ++count;
        }
        return count;
    } catch (const coords::ConversionError&) {
        return -1;
    }
}

// Every output line ends in CR LF and holds no other line break.
long Count_Output_Lines(const std::string& text) {
    long lines = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t lf = text.find('\n', start);
        FUZZ_CHECK(lf != std::string::npos && lf > start && text[lf - 1] == '\r');
        FUZZ_CHECK(text.find('\r', start) == lf - 1);
        ++lines;
        start = lf + 1;
    }
    return lines;
}

void Check_Line_Count(long records, long lines, bool reduce) {
    if (!reduce) {
        FUZZ_CHECK(lines == records);
    } else if (records <= 1) {
        // A lone point is both the first and the last of its track.
        FUZZ_CHECK(lines == 2 * records);
    } else {
        FUZZ_CHECK(lines >= 2 && lines <= records);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    const std::uint8_t steer = in.Byte();
    const bool grid = (steer & 1) != 0;
    const bool reduce = (steer & 2) != 0;
    const char separator = (steer & 4) != 0 ? ',' : '.';
    const auto deviation = static_cast<std::int16_t>((steer >> 3) * 3);

    const std::string points = Scratch().path("points");
    const std::string output = Scratch().path("output");
    Write_File(points, in.Rest());

    try {
        coords::Convert_Track_File(points, output, grid, reduce, deviation, separator);
    } catch (const coords::ConversionError&) {
        return 0;
    }
    // The pass reads the file as the reader does: it cannot accept what the reader
    // refuses. (The reader runs only here because each reader holds a megabyte buffer,
    // and under AddressSanitizer every one of those is a fresh mapping.)
    const long records = Count_Records(points);
    FUZZ_CHECK(records >= 0);
    Check_Line_Count(records, Count_Output_Lines(Read_File(output)), reduce);
    return 0;
}
