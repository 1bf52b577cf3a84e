#include "magellan/point_writer.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "trackfile/file_handle.h"
#include "trackfile/point_file.h"

namespace magellan {

namespace {

[[noreturn]] void Fail(const std::string& what, const std::string& path, int error) {
    throw std::runtime_error(what + " " + path + ": " + std::strerror(error));
}

}  // namespace

void writePointFile(const std::string& path, const std::vector<ReplyPoint>& points) {
    trackfile::FileHandle file(std::fopen(path.c_str(), "wb"));
    if (!file) Fail("Cannot create the point file", path, errno);
    for (const auto& p : points) {
        const std::string line = trackfile::formatPointRecord(p.lat, p.lon, kNoTimeText);
        if (std::fwrite(line.data(), 1, line.size(), file.get()) != line.size())
            Fail("Cannot write the point file", path, errno);
    }
    // Closing flushes the last buffer, and a full disk shows only here.
    if (std::fclose(file.release()) != 0) Fail("Cannot write the point file", path, errno);
}

}  // namespace magellan
