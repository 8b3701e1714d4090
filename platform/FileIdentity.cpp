#include "platform/FileIdentity.h"

#include <QFile>
#include <sys/stat.h>

namespace pit {

namespace {

FileIdentity fromStat(const struct stat& st) {
    FileIdentity id;
    id.known = true;
    id.device = uint64_t(st.st_dev);
    id.inode = uint64_t(st.st_ino);
    id.size = int64_t(st.st_size);
    id.modifiedNs = int64_t(st.st_mtim.tv_sec) * 1000000000 + int64_t(st.st_mtim.tv_nsec);
    return id;
}

} // namespace

FileIdentity FileIdentity::OfDescriptor(int fd) {
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0)
        return {};
    return fromStat(st);
}

FileIdentity FileIdentity::OfPath(const QString& path) {
    struct stat st {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return fromStat(st);
}

} // namespace pit
