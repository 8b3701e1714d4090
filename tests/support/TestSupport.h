// Helpers shared by the tests.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>
#include <cstring>
#include <functional>
#include <vector>

namespace pit::test {

// The folder of committed reference data (tests/data).
QString dataDir();

// A CSV file of numbers with one header line; columns by header name.
struct Csv {
    QStringList header;
    std::vector<std::vector<double>> rows;
    std::vector<double> column(const QString& name) const;
};
Csv readCsv(const QString& path);

// A whole file, empty when it cannot be read.
QByteArray readFileBytes(const QString& path);

// What a command-line tool (found on PATH) writes to stdout, and in errors
// what it writes to stderr; a note naming the tool when it is not installed.
QString toolOutput(const QString& name, const QStringList& args, QString* errors = nullptr);

// The texts a metafile draws (EMR_EXTTEXTOUTW) and the faces its fonts name
// (EMR_EXTCREATEFONTINDIRECTW), in record order; ok is false, and the walk
// ends, at a record whose size is below 8 bytes or runs past the file.
struct MetafileText {
    bool ok = true;
    QStringList texts, faces;
    qsizetype brokenAt = -1;
};
MetafileText readMetafileText(const QByteArray& emf);

// Copies the pile files (*.DUX) of folder from into folder to, which is made
// when missing. False when one cannot be copied.
bool copyPileFiles(const QString& from, const QString& to);

// The pixels of exactly colour inside area (the part of it in the image).
int countPixels(const QImage& image, const QRect& area, QRgb colour);

// The id of a process that has ended (its folders and files belong to a run gone).
qint64 GonePid();
// When a live process started, in clock ticks after the boot, as ps shows it
// (the 22nd field of /proc/<pid>/stat); -1 when it cannot be read.
qint64 ProcessStartTicks(qint64 pid);

// Makes a FIFO at path; false when it cannot be made.
bool MakeFifo(const QString& path);

// Runs work while a watchdog keeps the FIFOs from holding it for ever: when
// work has not returned after `seconds`, the watchdog opens each FIFO for
// writing and closes it again (until work returns), so that an open or a
// read that waits on one ends. True when work returned before that, i.e.
// nothing waited on a FIFO.
bool FinishesWithoutWaiting(const QStringList& fifos, const std::function<void()>& work, int seconds = 5);

// A little-endian value of type T at a byte offset (the caller keeps off in range).
template <typename T> T valueAt(const QByteArray& b, int off) {
    T v;
    std::memcpy(&v, b.constData() + off, sizeof v);
    return v;
}

} // namespace pit::test
