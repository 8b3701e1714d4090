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

} // namespace pit
