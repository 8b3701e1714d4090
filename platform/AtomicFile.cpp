#include "platform/AtomicFile.h"

#include "platform/FileError.h"
#include "platform/RangeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace pit {

namespace {

// The paths of the open exclusive files: writes to them go through the file.
std::mutex g_heldMutex;
std::map<QString, ExclusiveFile*> g_held;

ExclusiveFile* heldFile(const QString& path) {
    std::lock_guard lock(g_heldMutex);
    const auto it = g_held.find(QDir::cleanPath(path));
    return it == g_held.end() ? nullptr : it->second;
}

} // namespace

void writeFileAtomic(const QString& path, const QByteArray& bytes) {
    if (ExclusiveFile* held = heldFile(path)) {
        held->Write(bytes);
        return;
    }
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        throw FileError::fromDevice(f);
    if (f.write(bytes) != bytes.size())
        throw FileError::fromDevice(f, FileCause::DiskFull);
    // QSaveFile::commit() does not see an error of its final buffer flush and
    // would rename a cut-short file over the old one: flush and check first.
    if (!f.flush())
        throw FileError::fromDevice(f, FileCause::DiskFull);
    if (!f.commit())
        throw FileError::fromDevice(f, FileCause::HardIO);
}

QByteArray readWholeFile(const QString& path) {
    // A FIFO or a device would be waited on, or read without end.
    QFile f;
    OpenRegularFile(f, path, FileCause::FileNotFound);
    QByteArray data = f.readAll();
    if (f.error() != QFileDevice::NoError)
        throw FileError::fromErrno(errno, path, FileCause::HardIO);
    return data;
}

namespace {

bool unsupported(int err) {
    return err == EINVAL || err == ENOSYS || err == ENOTSUP || err == EOPNOTSUPP || err == EPERM;
}

// renameExclusive within folders open as fromDir and toDir (AT_FDCWD: paths).
RenameResult renameExclusiveAt(int fromDir, const char* from, int toDir, const char* to, int& err) {
    // One step where the file system offers it ...
    if (::renameat2(fromDir, from, toDir, to, RENAME_NOREPLACE) == 0)
        return RenameResult::Done;
    err = errno;
    if (err == EEXIST)
        return RenameResult::Taken;
    if (!unsupported(err))
        return RenameResult::Failed;
    // ... else a second link, which cannot replace a file either ...
    if (::linkat(fromDir, from, toDir, to, 0) == 0) {
        ::unlinkat(fromDir, from, 0);
        return RenameResult::Done;
    }
    err = errno;
    if (err == EEXIST)
        return RenameResult::Taken;
    if (!unsupported(err))
        return RenameResult::Failed;
    // ... else the name taken by creating it, then replaced by the file. (A
    // run killed in between leaves it empty; the next run clears it with
    // the file.)
    const int fd = ::openat(toDir, to, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
        err = errno;
        return err == EEXIST ? RenameResult::Taken : RenameResult::Failed;
    }
    ::close(fd);
    if (::renameat(fromDir, from, toDir, to) != 0) {
        err = errno;
        ::unlinkat(toDir, to, 0);
        return RenameResult::Failed;
    }
    return RenameResult::Done;
}

} // namespace

RenameResult renameExclusive(const QString& from, const QString& to, QString* why) {
    const QByteArray src = QFile::encodeName(from), dst = QFile::encodeName(to);
    int err = 0;
    const RenameResult r = renameExclusiveAt(AT_FDCWD, src.constData(), AT_FDCWD, dst.constData(), err);
    if (r == RenameResult::Failed && why)
        *why = QString::fromLocal8Bit(std::strerror(err));
    return r;
}

QString setAsideAsBad(const QString& path, const QString& stamp) {
    const QString base = path + QStringLiteral(".bad-") + stamp;
    for (int n = 1; n < 1000; ++n) {
        const QString aside = n == 1 ? base : base + QStringLiteral("_%1").arg(n);
        switch (renameExclusive(path, aside)) {
        case RenameResult::Done:
            return aside;
        case RenameResult::Taken:
            continue;
        case RenameResult::Failed:
            return {};
        }
    }
    return {};
}

ExclusiveFile::~ExclusiveFile() {
    Remove();
}

int ExclusiveFile::Create(const QString& folder, const QString& name) {
    Remove();
    // Every name first: nothing that can fail is left once the file exists.
    QByteArray encoded = QFile::encodeName(name);
    QString path = QDir(folder).filePath(name);
    QString key = QDir::cleanPath(path);
    std::lock_guard lock(g_heldMutex);
    const auto held = g_held.try_emplace(key, nullptr).first;
    const int dir = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    // O_EXCL with O_NOFOLLOW: a link (or anything) under the name fails with EEXIST.
    const int fd = dir < 0 ? -1
                           : ::openat(dir, encoded.constData(),
                                      O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) {
        const int err = errno;
        if (fd >= 0) {
            ::unlinkat(dir, encoded.constData(), 0);
            ::close(fd);
        }
        if (dir >= 0)
            ::close(dir);
        if (!held->second)
            g_held.erase(held);
        return err;
    }
    held->second = this;
    m_dirFd = dir;
    m_fd = fd;
    m_name = std::move(encoded);
    m_shown = path;
    m_path = std::move(path);
    m_key = std::move(key);
    m_dev = st.st_dev;
    m_ino = st.st_ino;
    return 0;
}

void ExclusiveFile::Write(const QByteArray& bytes) {
    if (m_fd < 0)
        throw FileError::fromErrno(EBADF, m_shown);
    if (::ftruncate(m_fd, 0) != 0)
        throw FileError::fromErrno(errno, m_shown);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(m_fd, bytes.constData() + done, size_t(bytes.size() - done), off_t(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw FileError::fromErrno(n < 0 ? errno : ENOSPC, m_shown, FileCause::DiskFull);
        done += n;
    }
    // A file system that reserves late (NFS, quotas) reports a full disk here.
    if (::fsync(m_fd) != 0)
        throw FileError::fromErrno(errno, m_shown, FileCause::DiskFull);
}

qint64 ExclusiveFile::Size() const {
    struct stat st {};
    if (m_fd < 0 || ::fstat(m_fd, &st) != 0)
        return -1;
    return st.st_size;
}

bool ExclusiveFile::StillOurs() const {
    struct stat st {};
    if (m_fd < 0 || ::fstatat(m_dirFd, m_name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    return S_ISREG(st.st_mode) && st.st_dev == m_dev && st.st_ino == m_ino && st.st_uid == ::geteuid();
}

RenameResult ExclusiveFile::Publish(const QString& to, int* err) {
    int e = EBADF;
    RenameResult r = RenameResult::Failed;
    if (m_fd >= 0) {
        const QByteArray target = QFile::encodeName(QFileInfo(to).fileName());
        r = renameExclusiveAt(m_dirFd, m_name.constData(), m_dirFd, target.constData(), e);
        if (r == RenameResult::Done)
            Close(); // the name is the document's now: nothing is left to remove
    }
    if (err)
        *err = e;
    return r;
}

void ExclusiveFile::Remove() {
    if (m_fd >= 0 && StillOurs())
        ::unlinkat(m_dirFd, m_name.constData(), 0);
    Close();
}

void ExclusiveFile::Close() noexcept {
    if (m_fd < 0)
        return;
    {
        std::lock_guard lock(g_heldMutex);
        g_held.erase(m_key); // allocates nothing: safe while memory is gone
    }
    ::close(m_fd);
    ::close(m_dirFd);
    m_fd = m_dirFd = -1;
}

} // namespace pit
