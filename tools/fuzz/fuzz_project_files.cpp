// libFuzzer target for the project files: any bytes given as a project index,
// as a pile file read for its summary, or as the project-information history
// give a result, a message or a FileError, never a crash or an over-read.
// The first byte picks the reader.
#include "core/project/PileFileArray.h"
#include "core/project/ProInfoHistory.h"
#include "core/project/ProjectInfo.h"
#include "platform/AppContext.h"
#include "platform/FileError.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <cstdint>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    static const QString path =
        (QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath()) +
        QStringLiteral("/fuzz_project_%1.dux").arg(qint64(getpid()));
    static const struct Cleanup {
        ~Cleanup() { QFile::remove(path); }
    } cleanup;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(bytes);
    }
    switch (data[0] % 3) {
    case 0: {
        // Batch mode: the texts only, no folder scan or rewrite.
        pit::AppContext ctx;
        ctx.interactive = false;
        CProjectInfo p(&ctx);
        try {
            p.OpenProjectFile(path);
        } catch (const pit::FileError&) {
        }
        break;
    }
    case 1: {
        CPileFileItem item;
        item.m_strPath = path;
        item.ReadFileSummary();
        break;
    }
    default: {
        CProInfoHistory h;
        h.LoadFromBytes(bytes);
        for (int i = 0; i < CProInfoHistory::kLists; ++i)
            h.GetCurrent(i);
        break;
    }
    }
    return 0;
}
