#include "platform/AtomicFile.h"

#include "platform/FileError.h"

#include <QFile>
#include <QSaveFile>

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

} // namespace pit
