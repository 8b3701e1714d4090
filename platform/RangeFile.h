// A file read in parts at given offsets, for readers that need a few hundred
// bytes of each of many files (the summaries of a large project): one open,
// one status query and one read a part, nothing read that is not asked for.
#pragma once

#include <QByteArray>
#include <QString>

namespace pit {

// What tells one version of a file from another: device, inode, size, and the
// last write and status-change times to the nanosecond.
struct FileStamp {
    quint64 dev = 0, ino = 0;
    qint64 size = 0, mtimeNs = 0, ctimeNs = 0;
    bool operator==(const FileStamp&) const = default;
};

// The stamp of path's file; false for a missing file or a folder.
bool StampFile(const QString& path, FileStamp& out);

// Whether a and b name one file: the same path once links and ".." are
// resolved (a missing file by its resolved folder), or, when both exist, the
// same device and inode (hard links, bind mounts).
bool SameFile(const QString& a, const QString& b);

class RangeFile {
public:
    // Opens path for reading; a folder is not opened.
    explicit RangeFile(const QString& path);
    ~RangeFile();
    RangeFile(const RangeFile&) = delete;
    RangeFile& operator=(const RangeFile&) = delete;

    bool IsOpen() const { return m_fd >= 0; }
    // The size when opened.
    qint64 Size() const { return m_size; }
    // Up to n bytes from offset into out (fewer at the end of the file);
    // false when the read fails.
    bool Read(qint64 offset, qint64 n, QByteArray& out) const;

private:
    int m_fd = -1;
    qint64 m_size = 0;
};

} // namespace pit
