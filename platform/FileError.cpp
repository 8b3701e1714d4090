#include "platform/FileError.h"

#include <QFileDevice>
#include <cerrno>
#include <cstring>

namespace pit {

namespace {

QString causeText(FileCause cause, bool english) {
    switch (cause) {
    case FileCause::None:
        return english ? QStringLiteral("no error") : QStringLiteral("没有错误");
    case FileCause::FileNotFound:
        return english ? QStringLiteral("file not found") : QStringLiteral("找不到文件");
    case FileCause::BadPath:
        return english ? QStringLiteral("bad path") : QStringLiteral("路径无效");
    case FileCause::AccessDenied:
        return english ? QStringLiteral("access denied") : QStringLiteral("拒绝访问");
    case FileCause::InvalidFile:
        return english ? QStringLiteral("invalid or damaged file") : QStringLiteral("文件格式无效或已损坏");
    case FileCause::BadSeek:
        return english ? QStringLiteral("read past the end of the data") : QStringLiteral("读取超出数据范围");
    case FileCause::HardIO:
        return english ? QStringLiteral("input/output error") : QStringLiteral("读写错误");
    case FileCause::DiskFull:
        return english ? QStringLiteral("disk full") : QStringLiteral("磁盘已满");
    case FileCause::EndOfFile:
        return english ? QStringLiteral("unexpected end of file") : QStringLiteral("文件意外结束");
    case FileCause::Generic:
        break;
    }
    return english ? QStringLiteral("file error") : QStringLiteral("文件错误");
}

struct ErrnoWords {
    int err;
    const char* en;
    const char16_t* zh;
};

constexpr ErrnoWords kErrnoWords[] = {
    {ENOSPC, "no space left on the disk", u"磁盘空间不足"},
    {EDQUOT, "the disk quota is used up", u"磁盘配额已用完"},
    {EACCES, "permission denied", u"没有权限"},
    {EPERM, "operation not permitted", u"不允许的操作"},
    {EROFS, "read-only file system", u"只读文件系统"},
    {ENAMETOOLONG, "file name too long", u"文件名过长"},
    {ENOENT, "no such file or folder", u"文件或文件夹不存在"},
    {ENOTDIR, "a part of the path is not a folder", u"路径中有一部分不是文件夹"},
    {EISDIR, "is a folder", u"是一个文件夹"},
    {EEXIST, "the name is taken", u"该名称已被占用"},
    {ELOOP, "the name is a symbolic link", u"该名称是一个符号链接"},
    {EIO, "input/output error", u"读写错误"},
    {EFBIG, "file too large", u"文件过大"},
    {EMFILE, "too many open files", u"打开的文件过多"},
    {ENFILE, "too many open files in the system", u"系统中打开的文件过多"},
    {ENOMEM, "out of memory", u"内存不足"},
    {EBUSY, "the file or folder is busy", u"文件或文件夹正被占用"},
    {EXDEV, "not on the same file system", u"不在同一个文件系统上"},
};

} // namespace

QString ErrnoText(int err, bool english) {
    for (const ErrnoWords& w : kErrnoWords)
        if (w.err == err)
            return english ? QString::fromLatin1(w.en) : QString::fromUtf16(w.zh);
    const QString system = QString::fromLocal8Bit(std::strerror(err));
    return english ? system : QStringLiteral("系统错误 %1（%2）").arg(err).arg(system);
}

FileError::FileError(FileCause cause, QString path, int osError, QString detail)
    : m_cause(cause), m_path(std::move(path)), m_osError(osError), m_detail(std::move(detail)) {
    m_what = message(true).toStdString();
}

FileError::FileError(FileCause cause, QString path, int osError, QString detail, QString detailZh)
    : FileError(cause, std::move(path), osError, std::move(detail)) {
    m_detailZh = std::move(detailZh);
}

QString FileError::message(bool english) const {
    QString text = english ? QStringLiteral("File \"%1\": %2") : QStringLiteral("文件“%1”：%2");
    text = text.arg(m_path, causeText(m_cause, english));
    const QString& detail = english || m_detailZh.isEmpty() ? m_detail : m_detailZh;
    if (!detail.isEmpty())
        text += english ? QStringLiteral(" (%1)").arg(detail) : QStringLiteral("（%1）").arg(detail);
    return text;
}

FileError FileError::fromDevice(const QFileDevice& file, FileCause fallback) {
    const int os = errno;
    FileCause cause = fallback;
    switch (file.error()) {
    case QFileDevice::OpenError:
        cause = (os == ENOENT)                          ? FileCause::FileNotFound
                : (os == EACCES || os == EPERM)         ? FileCause::AccessDenied
                : (os == ENOTDIR || os == ENAMETOOLONG) ? FileCause::BadPath
                                                        : FileCause::Generic;
        break;
    case QFileDevice::PermissionsError:
        cause = FileCause::AccessDenied;
        break;
    case QFileDevice::ResourceError:
    case QFileDevice::WriteError:
        cause = (os == ENOSPC || os == EDQUOT) ? FileCause::DiskFull : FileCause::HardIO;
        break;
    case QFileDevice::ReadError:
        cause = FileCause::HardIO;
        break;
    case QFileDevice::PositionError:
        cause = FileCause::BadSeek;
        break;
    default:
        break;
    }
    // Qt has no text for a write cut short (the disk filled part-way): its
    // "Unknown error". The system's error names the cause, in both languages,
    // as for every other file the program writes.
    if (os != 0)
        return FileError(cause, file.fileName(), os, ErrnoText(os, true), ErrnoText(os, false));
    return FileError(cause, file.fileName(), os, file.errorString());
}

FileError FileError::fromErrno(int err, QString path, FileCause fallback) {
    const FileCause cause = (err == ENOSPC || err == EDQUOT)                  ? FileCause::DiskFull
                            : (err == EACCES || err == EPERM || err == EROFS) ? FileCause::AccessDenied
                            : (err == ENOENT)                                 ? FileCause::FileNotFound
                            : (err == ENOTDIR || err == ENAMETOOLONG || err == ELOOP) ? FileCause::BadPath
                                                                                      : fallback;
    return FileError(cause, std::move(path), err, ErrnoText(err, true), ErrnoText(err, false));
}

} // namespace pit
