// The one error type of file readers and writers: a cause number as the
// Windows program reported it, the operating system's error and the path.
#pragma once

#include <QString>
#include <exception>
#include <string>

class QFileDevice;

namespace pit {

enum class FileCause : int {
    None = 0,
    Generic = 1,
    FileNotFound = 2,
    BadPath = 3,
    AccessDenied = 5,
    InvalidFile = 6,
    BadSeek = 9,
    HardIO = 10,
    EndOfFile = 14,
    DiskFull = 13,
};

class FileError : public std::exception {
public:
    FileError(FileCause cause, QString path = {}, int osError = 0, QString detail = {});
    // A detail in both languages: detail in English, detailZh in Chinese.
    FileError(FileCause cause, QString path, int osError, QString detail, QString detailZh);

    FileCause cause() const noexcept { return m_cause; }
    int osError() const noexcept { return m_osError; }
    const QString& path() const noexcept { return m_path; }
    const QString& detail() const noexcept { return m_detail; }

    // A bilingual one-line description naming the file and the problem.
    QString message(bool english) const;
    const char* what() const noexcept override { return m_what.c_str(); }

    // The cause of a failed QFile/QSaveFile operation.
    static FileError fromDevice(const QFileDevice& file, FileCause fallback = FileCause::Generic);
    // A failed system call on the file named path (shown in messages): the
    // cause from errno, its text in both languages.
    static FileError fromErrno(int err, QString path, FileCause fallback = FileCause::HardIO);

private:
    FileCause m_cause;
    QString m_path;
    int m_osError;
    QString m_detail;
    QString m_detailZh;
    std::string m_what;
};

// What errno says, in the language: the common causes in both languages,
// the system's own text for the rest.
QString ErrnoText(int err, bool english);

} // namespace pit
