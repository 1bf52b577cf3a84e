// Fuzz target: the FIT decoder fed arbitrary files. A ReadError is the decoder refusing a
// bad file, as it should; anything else that escapes, or a point the point file could not
// carry, is a finding.
#include <QBuffer>
#include <QByteArray>
#include <string>

#include "source/fit_decoder.h"
#include "source/read_error.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/fuzz/track_sink_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    kelvaron_fuzz::CheckingSink sink;
    try {
        source::FitDecoder(in, "fuzz.fit", sink).run();
    } catch (const source::ReadError& e) {
        FUZZ_CHECK(std::string_view(e.what()).starts_with("fuzz.fit"));
    }
    return 0;
}
