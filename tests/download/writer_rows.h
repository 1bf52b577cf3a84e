// What the writer's tables compare: lists as words joined by blanks, failures by kind.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "download/temp_point_file.h"

namespace testkit {

inline std::string join(const std::vector<std::string>& items) {
    std::string text;
    for (const std::string& item : items) text += (text.empty() ? "" : " ") + item;
    return text;
}

inline std::string kindName(app::WriterFailure::Kind kind) {
    using Kind = app::WriterFailure::Kind;
    static const std::map<Kind, std::string> names = {
        {Kind::CannotStart, "CannotStart"},   {Kind::CannotOpen, "CannotOpen"},
        {Kind::CannotWrite, "CannotWrite"},   {Kind::PointNotStored, "PointNotStored"},
        {Kind::OutputFailed, "OutputFailed"}, {Kind::BadDeviation, "BadDeviation"}};
    return names.at(kind);
}

}  // namespace testkit
