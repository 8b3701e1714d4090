// A small file system of a test's own, to fill up and free again: a tmpfs
// mounted in a mount namespace of the test's thread (as root; Mount is
// false elsewhere and the test skips).
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

namespace pit::test {

struct SmallDisk {
    QString folder;
    bool mounted = false;

    bool Mount(const QString& path, int kilobytes) {
        folder = path;
        if (geteuid() != 0 || !QDir().mkpath(path))
            return false;
        const QByteArray native = QFile::encodeName(path);
        const QByteArray options = "size=" + QByteArray::number(kilobytes) + "k";
        if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount("tmpfs", native.constData(), "tmpfs", 0, options.constData()) != 0)
            return false;
        mounted = true;
        return true;
    }
    QString Filler() const { return QDir(folder).filePath(QStringLiteral("filler")); }
    // Writes until nothing more fits.
    void Fill() const {
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
    void Free() const { QFile::remove(Filler()); }
    ~SmallDisk() {
        if (mounted)
            umount2(QFile::encodeName(folder).constData(), MNT_DETACH);
    }
};

} // namespace pit::test
