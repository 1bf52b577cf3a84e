#include "source/mount_table.h"

#include <QFile>
#include <QList>
#include <optional>

namespace source {

namespace {

// The kernel writes a space, a tab, a line break and a backslash of a path as \040, \011,
// \012 and \134.
std::optional<QByteArray> unescaped(const QByteArray& field) {
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] != '\\') {
            out += field[i];
            continue;
        }
        if (i + 3 >= field.size()) return std::nullopt;
        int value = 0;
        for (qsizetype k = i + 1; k <= i + 3; ++k) {
            if (field[k] < '0' || field[k] > '7') return std::nullopt;
            value = value * 8 + (field[k] - '0');
        }
        if (value == 0 || value > 0xFF) return std::nullopt;
        out += static_cast<char>(value);
        i += 3;
    }
    return out;
}

bool isNumber(const QByteArray& field) {
    bool ok = false;
    field.toULongLong(&ok);
    return ok;
}

// "ID PARENT MAJOR:MINOR ROOT MOUNT-POINT OPTIONS [OPTIONAL...] - TYPE SOURCE SUPER-OPTIONS"
std::optional<Mount> parseLine(const QByteArray& line) {
    const QList<QByteArray> f = line.split(' ');
    constexpr qsizetype kMountPoint = 4;
    constexpr qsizetype kFirstOptional = 6;
    if (f.size() < kFirstOptional + 4) return std::nullopt;
    if (!isNumber(f[0]) || !isNumber(f[1]) || !f[2].contains(':')) return std::nullopt;
    const qsizetype separator = f.indexOf(QByteArray("-"), kFirstOptional);
    if (separator < 0 || separator + 1 >= f.size() || f[separator + 1].isEmpty())
        return std::nullopt;
    const auto point = unescaped(f[kMountPoint]);
    const auto type = unescaped(f[separator + 1]);
    if (!point || !type || !point->startsWith('/')) return std::nullopt;
    return Mount{QFile::decodeName(*point), QString::fromLatin1(*type)};
}

}  // namespace

std::vector<Mount> parseMountTable(const QByteArray& text) {
    std::vector<Mount> mounts;
    for (const QByteArray& line : text.split('\n'))
        if (auto mount = parseLine(line)) mounts.push_back(std::move(*mount));
    return mounts;
}

}  // namespace source
