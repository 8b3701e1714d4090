#include "platform/RangeFile.h"

#include "platform/FileError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pit {

bool StampFile(const QString& path, FileStamp& out) {
    const QByteArray name = QFile::encodeName(path);
    struct stat st;
    if (name.isEmpty() || ::stat(name.constData(), &st) != 0 || S_ISDIR(st.st_mode))
        return false;
    out.dev = quint64(st.st_dev);
    out.ino = quint64(st.st_ino);
    out.size = qint64(st.st_size);
    out.mtimeNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    out.ctimeNs = qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    return true;
}

namespace {

// The path with every link resolved; for a name that does not exist yet, its
// folder's resolved path and the name.
QString resolvedPath(const QString& path) {
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    if (!canonical.isEmpty())
        return canonical;
    const QString folder = info.absoluteDir().canonicalPath();
    return folder.isEmpty() ? QDir::cleanPath(info.absoluteFilePath())
                            : QDir(folder).filePath(info.fileName());
}

} // namespace

bool SameFile(const QString& a, const QString& b) {
    if (a.isEmpty() || b.isEmpty())
        return false;
    if (resolvedPath(a) == resolvedPath(b))
        return true;
    struct stat sa, sb;
    const QByteArray na = QFile::encodeName(a), nb = QFile::encodeName(b);
    return ::stat(na.constData(), &sa) == 0 && ::stat(nb.constData(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

int OpenRegularFile(const QString& path, OpenRefusal* why, int* error) {
    const auto refuse = [&](OpenRefusal r, int err) {
        if (why)
            *why = r;
        if (error)
            *error = err;
        return -1;
    };
    const QByteArray name = QFile::encodeName(path);
    if (name.isEmpty())
        return refuse(OpenRefusal::Failed, ENOENT);
    // Without O_NONBLOCK the open of a FIFO waits for a writer, for ever.
    int fd;
    do
        fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return refuse(OpenRefusal::Failed, errno);
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        return refuse(OpenRefusal::Failed, err);
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return refuse(S_ISDIR(st.st_mode) ? OpenRefusal::Folder : OpenRefusal::NotRegular,
                      S_ISDIR(st.st_mode) ? EISDIR : 0);
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        const int err = errno;
        ::close(fd);
        return refuse(OpenRefusal::Failed, err);
    }
    if (why)
        *why = OpenRefusal::None;
    return fd;
}

FileError OpenRefusalError(const QString& path, OpenRefusal why, int error, FileCause fallback) {
    switch (why) {
    case OpenRefusal::Folder:
        return FileError(FileCause::BadPath, path, EISDIR, QStringLiteral("it is a folder"),
                         QStringLiteral("它是一个文件夹"));
    case OpenRefusal::NotRegular:
        return FileError(FileCause::BadPath, path, -1, QStringLiteral("not a regular file"),
                         QStringLiteral("不是普通文件"));
    default:
        return FileError::fromErrno(error, path, fallback);
    }
}

void OpenRegularFile(QFile& file, const QString& path, FileCause fallback) {
    OpenRefusal why = OpenRefusal::None;
    int error = 0;
    const int fd = OpenRegularFile(path, &why, &error);
    if (fd < 0)
        throw OpenRefusalError(path, why, error, fallback);
    if (!file.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw FileError::fromErrno(EIO, path, fallback);
    }
}

RangeFile::RangeFile(const QString& path) {
    const int fd = OpenRegularFile(path);
    if (fd < 0)
        return;
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return;
    }
    m_fd = fd;
    m_size = qint64(st.st_size);
}

RangeFile::~RangeFile() {
    if (m_fd >= 0)
        ::close(m_fd);
}

bool RangeFile::Read(qint64 offset, qint64 n, QByteArray& out) const {
    out.clear();
    if (m_fd < 0 || offset < 0 || n < 0)
        return false;
    out.resize(n);
    qint64 got = 0;
    while (got < n) {
        const ssize_t r = ::pread(m_fd, out.data() + got, size_t(n - got), off_t(offset + got));
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0) {
            out.clear();
            return false;
        }
        if (r == 0)
            break;
        got += r;
    }
    out.resize(got);
    return true;
}

} // namespace pit
