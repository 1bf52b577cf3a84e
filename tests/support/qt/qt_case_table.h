// The toolkit's case tables for the Qt drivers.
#pragma once

#include <QRegularExpression>
#include <QStringList>
#include <map>

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

// The words of `text` as keys and values: "key=value", or "key" alone with an empty value;
// the key ends at the first of `separators`.
inline std::map<QString, QString> keyValues(const QString& text, const QString& separators = "=") {
    std::map<QString, QString> values;
    const QRegularExpression at("[" + separators + "]");
    for (const QString& word : text.split(' ', Qt::SkipEmptyParts))
        values[word.section(at, 0, 0)] = word.section(at, 1);
    return values;
}

}  // namespace testkit
