// libFuzzer target: any bytes handed to the pile reader give a record, false
// or a FileError, never a crash, an over-read or a runaway allocation.
#include "core/pile/PileRecord.h"
#include "platform/FileError.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <cstdint>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The reader takes a path: each input goes through one scratch file, in
    // memory where the system offers a RAM-backed folder.
    static const QString path =
        (QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath()) +
        QStringLiteral("/fuzz_pile_%1.dux").arg(qint64(getpid()));
    static const struct Cleanup {
        ~Cleanup() { QFile::remove(path); }
    } cleanup;
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    CPileRecord rec;
    try {
        rec.ReadFile(path);
    } catch (const pit::FileError&) {
    }
    return 0;
}
