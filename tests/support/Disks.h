// Folders that refuse writes, for the tests of what a writer tells: a small
// file system that fills up, and a read-only folder. As root (who writes
// through permission bits) both live in a mount namespace of the test
// process's own, which goes with it; another user gets the read-only folder
// from the permission bits and no small disk (such a test is skipped).
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <csignal>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace pit::test {

// A mount namespace of this process, so that what it mounts is seen by it alone.
inline bool PrivateMounts() {
    static const bool done = geteuid() == 0 && unshare(CLONE_NEWNS) == 0 &&
                             mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    return done;
}

// A tmpfs of sizeKb at path (made when missing), unmounted with the object.
// Make() gives a real small disk or nothing (the test skips); Mount() falls
// back, where nothing can be mounted, to a limit on the size of the files the
// process writes, so that Fill() still makes writes fail (with EFBIG).
struct SmallDisk {
    QString path;
    bool mounted = false;

    bool Make(const QString& folder, int sizeKb) {
        path = folder;
        QDir().mkpath(folder);
        const QByteArray options = "size=" + QByteArray::number(sizeKb) + "k";
        mounted = PrivateMounts() &&
                  mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, options.constData()) == 0;
        return mounted;
    }
    bool Mount(const QString& folder, int sizeKb) {
        Make(folder, sizeKb);
        return QFileInfo(folder).isDir();
    }
    // Bytes a file may still take.
    qint64 Available() const {
        struct statvfs s {};
        if (statvfs(QFile::encodeName(path).constData(), &s) != 0)
            return -1;
        return qint64(s.f_bavail) * qint64(s.f_frsize);
    }
    QString Filler() const { return QDir(path).filePath(QStringLiteral("filler")); }
    // A filler file leaves at most leave bytes free.
    bool FillTo(qint64 leave) {
        QFile filler(Filler());
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Append))
            return false;
        const qint64 more = Available() - leave;
        if (more > 0)
            filler.write(QByteArray(more, 'x'));
        filler.close();
        return Available() <= leave;
    }
    // Writes until nothing more fits; without a mounted disk, limits the
    // files the process writes to a kilobyte.
    void Fill() {
        if (!mounted) {
            getrlimit(RLIMIT_FSIZE, &m_limit);
            m_xfsz = std::signal(SIGXFSZ, SIG_IGN);
            rlimit small = m_limit;
            small.rlim_cur = 1024;
            m_limited = setrlimit(RLIMIT_FSIZE, &small) == 0;
            return;
        }
        QFile f(Filler());
        if (!f.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
            return;
        const QByteArray block(4096, 'x');
        while (f.write(block) == block.size()) {
        }
        const QByteArray one(1, 'x');
        while (f.write(one) == 1) {
        }
    }
    // Room again: the filler gone, the file-size limit lifted.
    void Free() {
        if (m_limited) {
            setrlimit(RLIMIT_FSIZE, &m_limit);
            std::signal(SIGXFSZ, m_xfsz);
            m_limited = false;
        }
        QFile::remove(Filler());
    }
    ~SmallDisk() {
        Free();
        if (mounted)
            umount2(QFile::encodeName(path).constData(), MNT_DETACH);
    }

private:
    rlimit m_limit{};
    void (*m_xfsz)(int) = SIG_DFL;
    bool m_limited = false;
};

// A folder made read-only as read-only media are: as root a read-only bind
// mount, otherwise the permission bits of the folder and what it holds.
struct ReadOnlyFolder {
    QString folder;
    bool mounted = false;
    std::vector<std::pair<QString, QFile::Permissions>> kept;

    bool Make(const QString& path) {
        folder = path;
        const QByteArray native = QFile::encodeName(path);
        if (geteuid() == 0) {
            if (!PrivateMounts() ||
                mount(native.constData(), native.constData(), nullptr, MS_BIND, nullptr) != 0)
                return false;
            mounted = true;
            if (mount(nullptr, native.constData(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) != 0)
                return false;
        } else {
            for (const QFileInfo& fi : QDir(path).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotDot)) {
                kept.push_back({fi.absoluteFilePath(), fi.permissions()});
                QFile::setPermissions(fi.absoluteFilePath(),
                                      fi.permissions() & ~(QFile::WriteOwner | QFile::WriteUser |
                                                           QFile::WriteGroup | QFile::WriteOther));
            }
        }
        // Read-only indeed: nothing can be made in it.
        QFile probe(QDir(path).filePath(QStringLiteral("probe")));
        return !probe.open(QIODevice::WriteOnly);
    }
    ~ReadOnlyFolder() {
        if (mounted)
            umount2(QFile::encodeName(folder).constData(), MNT_DETACH);
        for (auto it = kept.rbegin(); it != kept.rend(); ++it)
            QFile::setPermissions(it->first, it->second);
    }
};

// A message that gives the cause of a write refused by a ReadOnlyFolder (a
// read-only file system for root, a denied permission for another user).
inline bool NamesReadOnly(const QString& text) {
    for (const char* cause : {"只读", "没有权限", "拒绝访问", "Read-only", "read-only", "ermission denied"})
        if (text.contains(QString::fromUtf8(cause)))
            return true;
    return false;
}

} // namespace pit::test
