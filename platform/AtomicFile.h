// Whole-file writes that either replace the file completely or leave it as it was.
#pragma once

#include <QByteArray>
#include <QString>
#include <sys/types.h>

namespace pit {

// Writes bytes to path through a temporary file renamed over it.
// Throws FileError when any step fails; the old file is then untouched.
// A path that an open ExclusiveFile holds is written through that file.
void writeFileAtomic(const QString& path, const QByteArray& bytes);

// Reads the whole file; throws FileError (FileNotFound, AccessDenied, ...),
// also for anything but a regular file (a folder, a FIFO, a device).
QByteArray readWholeFile(const QString& path);

// Gives the file from the name to, only when nothing has that name yet (so
// that of two writers at once, one gets it). Done, Taken (to exists; from
// stays), or Failed with why.
enum class RenameResult { Done, Taken, Failed };
RenameResult renameExclusive(const QString& from, const QString& to, QString* why = nullptr);

// Sets an unreadable file aside as "<path>.bad-<stamp>", "..._2", ...: the
// first name nothing has, so that no earlier copy is replaced (two in one
// second, or a clock put back). The name given, empty when none could be.
QString setAsideAsBad(const QString& path, const QString& stamp);

// A file that this program makes for itself in a folder others may write
// in: created under a name that nothing had (a link there is never
// followed), written only through what was created, and given its final
// name only while the name still is that file. Whatever is put in its
// place meanwhile is left alone.
class ExclusiveFile {
public:
    ExclusiveFile() = default;
    // Removes the file unless it was published (see Remove).
    ~ExclusiveFile();
    ExclusiveFile(const ExclusiveFile&) = delete;
    ExclusiveFile& operator=(const ExclusiveFile&) = delete;

    // Creates the file name in folder, readable and writable as the umask
    // allows. 0, or the errno: EEXIST when anything has that name.
    int Create(const QString& folder, const QString& name);
    bool IsOpen() const { return m_fd >= 0; }
    // folder/name.
    const QString& Path() const { return m_path; }

    // Messages about writing it name this instead of its path (the name
    // the file is made for).
    void SetShownName(const QString& shown) { m_shown = shown; }
    // Replaces what the file holds by bytes, on disk when it returns.
    // Throws FileError naming the shown name.
    void Write(const QByteArray& bytes);
    // Its size, -1 when it cannot be told.
    qint64 Size() const;

    // Whether the folder's entry of its name still is this file, a regular
    // file of this user.
    bool StillOurs() const;
    // Gives it the name to (the file name of to) in its folder, never
    // replacing anything there. Failed: *err holds the errno.
    RenameResult Publish(const QString& to, int* err = nullptr);
    // Closes it and removes its name when that still is this file (not
    // after Publish).
    void Remove();

private:
    void Close() noexcept;

    int m_dirFd = -1;
    int m_fd = -1;
    QByteArray m_name;
    QString m_path, m_shown, m_key;
    dev_t m_dev = 0;
    ino_t m_ino = 0;
};

} // namespace pit
