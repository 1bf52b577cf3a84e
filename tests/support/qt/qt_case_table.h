// The toolkit's case tables for the Qt drivers.
#pragma once

#include <QStringList>

#include "tests/support/case_table.h"

namespace testkit {

// The lines of the file at `path` that hold cases.
inline QStringList qtTableLines(const std::string& path) {
    QStringList lines;
    for (const std::string& line : tableLines(path)) lines << QString::fromStdString(line);
    return lines;
}

// The same, each split at "|" into cells trimmed of white space.
inline QList<QStringList> qtTableRows(const std::string& path) {
    QList<QStringList> rows;
    for (const QString& line : qtTableLines(path)) {
        rows << line.split('|');
        for (QString& cell : rows.back()) cell = cell.trimmed();
    }
    return rows;
}

}  // namespace testkit
