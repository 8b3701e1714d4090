#include "platform/FileError.h"

#include <QFileDevice>
#include <cerrno>

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

} // namespace

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
        cause = (os == ENOSPC) ? FileCause::DiskFull : FileCause::HardIO;
        break;
    case QFileDevice::WriteError:
        cause = (os == ENOSPC) ? FileCause::DiskFull : FileCause::HardIO;
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
    return FileError(cause, file.fileName(), os, file.errorString());
}

} // namespace pit
