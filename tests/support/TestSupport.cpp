#include "tests/support/TestSupport.h"

#include "platform/Numbers.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <stdexcept>
#include <sys/wait.h>
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

bool copyPileFiles(const QString& from, const QString& to) {
    if (!QDir().mkpath(to))
        return false;
    const QDir source(from);
    for (const QString& name : source.entryList({QStringLiteral("*.DUX")}, QDir::Files))
        if (!QFile::copy(source.filePath(name), QDir(to).filePath(name)))
            return false;
    return true;
}

qint64 GonePid() {
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    if (child < 0 || ::waitpid(child, nullptr, 0) != child)
        return -1;
    return child;
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

} // namespace pit::test
