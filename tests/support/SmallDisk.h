// A small file system of a test's own, to fill up and free again: a tmpfs
// mounted in a mount namespace of the test's thread (as root). Where no
// file system can be mounted, a limit on the size of the files the process
// writes stands in for the full disk (writes fail with EFBIG instead).
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <csignal>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

namespace pit::test {

struct SmallDisk {
    QString folder;
    bool mounted = false;

    // The folder made, on a tmpfs of that size when one can be mounted.
    bool Mount(const QString& path, int kilobytes) {
        folder = path;
        if (!QDir().mkpath(path))
            return false;
        const QByteArray native = QFile::encodeName(path);
        const QByteArray options = "size=" + QByteArray::number(kilobytes) + "k";
        if (geteuid() != 0 || unshare(CLONE_NEWNS) != 0 ||
            mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            return true;
        mounted = mount("tmpfs", native.constData(), "tmpfs", 0, options.constData()) == 0;
        return true;
    }
    QString Filler() const { return QDir(folder).filePath(QStringLiteral("filler")); }
    // Writes until nothing more fits; or limits the files written to a
    // kilobyte.
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
            umount2(QFile::encodeName(folder).constData(), MNT_DETACH);
    }

private:
    rlimit m_limit{};
    void (*m_xfsz)(int) = SIG_DFL;
    bool m_limited = false;
};

} // namespace pit::test
