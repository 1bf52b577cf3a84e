// A C stdio file that closes itself on every exit path.
#pragma once

#include <cstdio>
#include <memory>

namespace trackfile {

struct FileCloser {
    void operator()(std::FILE* f) const {
        if (f != nullptr) std::fclose(f);
    }
};

using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace trackfile
