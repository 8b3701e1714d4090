#include "tests/support/TestSupport.h"

#include "platform/Numbers.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QtEndian>
#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace pit::test {

QByteArray readFileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString toolOutput(const QString& name, const QStringList& args, QString* errors) {
    const QString exe = QStandardPaths::findExecutable(name);
    if (exe.isEmpty())
        return QStringLiteral("<%1 missing: scripts/install-deps.sh>").arg(name);
    QProcess p;
    p.start(exe, args);
    p.waitForFinished(30000);
    if (errors)
        *errors = QString::fromUtf8(p.readAllStandardError());
    return QString::fromUtf8(p.readAllStandardOutput());
}

MetafileText readMetafileText(const QByteArray& emf) {
    const auto u32 = [&emf](qsizetype at) { return qFromLittleEndian<quint32>(emf.constData() + at); };
    MetafileText out;
    for (qsizetype at = 0; at + 8 <= emf.size();) {
        const quint32 type = u32(at), size = u32(at + 4);
        if (size < 8 || at + qsizetype(size) > emf.size()) {
            out.ok = false;
            out.brokenAt = at;
            break;
        }
        if (type == 82) // EMR_EXTCREATEFONTINDIRECTW: ihFont, then LOGFONTW's face after 28 bytes
            out.faces << QString::fromUtf16(reinterpret_cast<const char16_t*>(emf.constData() + at + 40), 32)
                             .section(QChar(0), 0, 0);
        if (type == 84) { // EMR_EXTTEXTOUTW: the string's length and offset in its EMRTEXT
            const quint32 chars = u32(at + 44), offset = u32(at + 48);
            if (offset < size && chars <= (size - offset) / 2)
                out.texts << QString::fromUtf16(
                    reinterpret_cast<const char16_t*>(emf.constData() + at + offset), qsizetype(chars));
        }
        at += size;
    }
    return out;
}

bool copyPileFiles(const QString& from, const QString& to) {
    if (!QDir().mkpath(to))
        return false;
    const QDir source(from);
    for (const QString& name : source.entryList({QStringLiteral("*.DUX")}, QDir::Files))
        if (!QFile::copy(source.filePath(name), QDir(to).filePath(name)))
            return false;
    return true;
}

int countPixels(const QImage& image, const QRect& area, QRgb colour) {
    const QRect r = area.intersected(image.rect());
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += image.pixel(x, y) == colour;
    return n;
}

qint64 GonePid() {
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    if (child < 0 || ::waitpid(child, nullptr, 0) != child)
        return -1;
    return child;
}

qint64 ProcessStartTicks(qint64 pid) {
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QString text = QString::fromLatin1(f.readAll());
    // The fields after the command name (which may hold blanks) start with the third.
    const QStringList fields = text.mid(text.lastIndexOf(u')') + 2).split(u' ');
    return fields.size() > 19 ? fields[19].toLongLong() : -1;
}

QString dataDir() {
    return QStringLiteral(PIT_TEST_DATA_DIR);
}

std::vector<double> Csv::column(const QString& name) const {
    const qsizetype c = header.indexOf(name);
    if (c < 0)
        throw std::runtime_error("no column " + name.toStdString());
    std::vector<double> out;
    for (const auto& r : rows)
        out.push_back(r.at(size_t(c)));
    return out;
}

Csv readCsv(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        throw std::runtime_error("cannot open " + path.toStdString());
    Csv csv;
    bool first = true;
    while (!f.atEnd()) {
        const QString line = QString::fromUtf8(f.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const QStringList cells = line.split(u',');
        if (first) {
            csv.header = cells;
            first = false;
            continue;
        }
        std::vector<double> row;
        for (const QString& c : cells)
            row.push_back(atofC(c));
        csv.rows.push_back(std::move(row));
    }
    return csv;
}

bool MakeFifo(const QString& path) {
    return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
}

bool FinishesWithoutWaiting(const QStringList& fifos, const std::function<void()>& work, int seconds) {
    using namespace std::chrono_literals;
    std::atomic<bool> done{false}, fired{false};
    std::thread dog([&] {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (!done && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(10ms);
        while (!done) {
            fired = true;
            for (const QString& f : fifos) {
                const int fd = ::open(QFile::encodeName(f).constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                if (fd >= 0)
                    ::close(fd);
            }
            std::this_thread::sleep_for(10ms);
        }
    });
    try {
        work();
    } catch (...) {
        done = true;
        dog.join();
        throw;
    }
    done = true;
    dog.join();
    return !fired;
}

} // namespace pit::test
