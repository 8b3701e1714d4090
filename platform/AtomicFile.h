// Whole-file writes that either replace the file completely or leave it as it was.
#pragma once

#include <QByteArray>
#include <QString>

namespace pit {

// Writes bytes to path through a temporary file renamed over it.
// Throws FileError when any step fails; the old file is then untouched.
void writeFileAtomic(const QString& path, const QByteArray& bytes);

// Reads the whole file; throws FileError (FileNotFound, AccessDenied, ...).
QByteArray readWholeFile(const QString& path);

// Gives the file from the name to, only when nothing has that name yet (so
// that of two writers at once, one gets it). Done, Taken (to exists; from
// stays), or Failed with why.
enum class RenameResult { Done, Taken, Failed };
RenameResult renameExclusive(const QString& from, const QString& to, QString* why = nullptr);

} // namespace pit
