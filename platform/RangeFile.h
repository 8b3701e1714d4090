// A file read in parts at given offsets, for readers that need a few hundred
// bytes of each of many files (the summaries of a large project): one open,
// one status query and one read a part, nothing read that is not asked for.
#pragma once

#include <QByteArray>
#include <QString>

class QFile;

namespace pit {

class FileError;
enum class FileCause : int;

// Why OpenRegularFile gave no descriptor.
enum class OpenRefusal {
    None,
    Failed,     // the open failed: errno says why
    Folder,     // a folder has the name
    NotRegular, // a FIFO, a device or a socket has the name
};

// Opens path read-only when it names a regular file (a link is followed).
// It never waits: a FIFO or a device is opened without blocking, seen for
// what it is and closed again. The descriptor, blocking again, or -1 with
// why (and errno for a failed open).
int OpenRegularFile(const QString& path, OpenRefusal* why = nullptr, int* error = nullptr);
// The same into file (read-only, unbuffered; the file owns the descriptor).
// Throws FileError naming path when it is refused: fallback is the cause of
// a failed open that errno does not name.
void OpenRegularFile(QFile& file, const QString& path, FileCause fallback);
// The error of a refusal: "not a regular file", "is a folder", or errno's cause.
FileError OpenRefusalError(const QString& path, OpenRefusal why, int error, FileCause fallback);

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
    // Opens path for reading; only a regular file is opened (never waiting
    // on a FIFO or a device).
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
