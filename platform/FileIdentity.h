// Which file a name held when it was read: device, inode, size and
// modification time. A file replaced under its name, or written in place,
// no longer matches.
#pragma once

#include <QString>
#include <cstdint>

namespace pit {

struct FileIdentity {
    bool known = false;
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t size = 0;
    int64_t modifiedNs = 0; // since 1970

    // Of an open file; unknown when it cannot be told.
    static FileIdentity OfDescriptor(int fd);
    // Of the file a path names (links followed, as an open does); unknown
    // when there is none.
    static FileIdentity OfPath(const QString& path);

    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

} // namespace pit
