#include "tests/support/case_table.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <gtest/gtest.h>

namespace testkit {

namespace {

// A table read while the cases are listed (a parameterised suite's values) has no test to
// fail yet: the run stops there instead, so the missing table cannot pass unseen.
void tableFault(const std::string& what) {
    if (::testing::UnitTest::GetInstance()->current_test_info() != nullptr)
        ADD_FAILURE() << what;
    else
        throw std::runtime_error(what);
}

}  // namespace

std::vector<std::string> tableLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    if (!in) tableFault("cannot read the case table " + path);
    for (std::string line; std::getline(in, line);)
        if (line.find_first_not_of(" \t") != std::string::npos && line[0] != '#')
            lines.push_back(line);
    if (in.is_open() && lines.empty()) tableFault("the case table " + path + " holds no case");
    return lines;
}

std::vector<std::string> cells(const std::string& row, char separator) {
    std::vector<std::string> out;
    std::istringstream in(row);
    for (std::string cell; std::getline(in, cell, separator);) out.push_back(cell);
    return out;
}

std::string unescape(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '{' && text.compare(i + 2, 1, "*") == 0) {
            const std::size_t end = text.find('}', i);
            out.append(std::stoul(text.substr(i + 3, end - i - 3)), text[i + 1]);
            i = end;
        } else if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
        } else if (text[++i] == 'x') {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += text[i] == 'r' ? '\r' : '\n';
        }
    }
    return out;
}

std::vector<std::filesystem::path> filesIn(const std::string& folder,
                                           const std::string& extension) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.is_regular_file() && entry.path().filename().string()[0] != '.' &&
            (extension.empty() || entry.path().extension() == extension))
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

std::string caseName(std::string text) {
    for (char& c : text)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return text;
}

}  // namespace testkit
