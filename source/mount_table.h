// The kernel's table of mounts (/proc/self/mountinfo) as the places and file-system types
// it lists, read from its text so that any table can be given.
#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

namespace source {

struct Mount {
    QString mountPoint;
    QString type;  // such as "ext4" or "fuse.jmtpfs"
};

// The mounts of a mountinfo text, in its order. A line that does not have the table's form
// (too few fields, no separator before the type, an escape that is not three octal digits)
// is passed over: the table is read for what it can offer, never trusted whole.
std::vector<Mount> parseMountTable(const QByteArray& text);

}  // namespace source
