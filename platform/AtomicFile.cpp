#include "platform/AtomicFile.h"

#include "platform/FileError.h"

#include <QFile>
#include <QSaveFile>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace pit {

void writeFileAtomic(const QString& path, const QByteArray& bytes) {
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
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw FileError::fromDevice(f, FileCause::FileNotFound);
    QByteArray data = f.readAll();
    if (f.error() != QFileDevice::NoError)
        throw FileError::fromDevice(f, FileCause::HardIO);
    return data;
}

namespace {

bool unsupported(int err) {
    return err == EINVAL || err == ENOSYS || err == ENOTSUP || err == EOPNOTSUPP || err == EPERM;
}

RenameResult failed(int err, QString* why) {
    if (why)
        *why = QString::fromLocal8Bit(std::strerror(err));
    return RenameResult::Failed;
}

} // namespace

RenameResult renameExclusive(const QString& from, const QString& to, QString* why) {
    const QByteArray src = QFile::encodeName(from), dst = QFile::encodeName(to);
    // One step where the file system offers it ...
    if (::renameat2(AT_FDCWD, src.constData(), AT_FDCWD, dst.constData(), RENAME_NOREPLACE) == 0)
        return RenameResult::Done;
    int err = errno;
    if (err == EEXIST)
        return RenameResult::Taken;
    if (!unsupported(err))
        return failed(err, why);
    // ... else a second link, which cannot replace a file either ...
    if (::link(src.constData(), dst.constData()) == 0) {
        ::unlink(src.constData());
        return RenameResult::Done;
    }
    err = errno;
    if (err == EEXIST)
        return RenameResult::Taken;
    if (!unsupported(err))
        return failed(err, why);
    // ... else the name taken by creating it, then replaced by the file.
    const int fd = ::open(dst.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return errno == EEXIST ? RenameResult::Taken : failed(errno, why);
    ::close(fd);
    if (::rename(src.constData(), dst.constData()) != 0) {
        err = errno;
        ::unlink(dst.constData());
        return failed(err, why);
    }
    return RenameResult::Done;
}

} // namespace pit
