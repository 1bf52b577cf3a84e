// Case tables as the drivers keep them in data files: a case a line, with blank lines and
// "#" comments between them, cells split at a separator, bytes written as escapes.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace testkit {

// The lines of the file at `path` that hold cases. A table that cannot be read, or holds
// no case, fails the test that reads it (or, read before any test runs, stops the run).
std::vector<std::string> tableLines(const std::string& path);

// `row` split at each `separator`, the cells as they stand; a separator that ends the row
// opens no cell after it.
std::vector<std::string> cells(const std::string& row, char separator = '|');

// "\r", "\n" and "\xHH" as the bytes they name, "{C*N}" as N copies of the character C.
std::string unescape(const std::string& text);

// The files directly in `folder` whose names end in `extension` (any name when it is empty),
// sorted by name; hidden files (.gitkeep) are left out.
std::vector<std::filesystem::path> filesIn(const std::string& folder, const std::string& extension);

// `text` as a GoogleTest case name: every character but ASCII letters and digits becomes "_".
std::string caseName(std::string text);

}  // namespace testkit
