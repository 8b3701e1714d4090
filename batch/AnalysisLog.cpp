#include "batch/AnalysisLog.h"

#include "batch/BatchReportHelper.h"
#include "core/pile/PileRecord.h"
#include "office/XmlClean.h"
#include "office/XmlMemory.h"
#include "platform/AllocationProbe.h"
#include "platform/AppContext.h"
#include "platform/AtomicFile.h"
#include "platform/FileError.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <cstdlib>
#include <pugixml.hpp>
#include <sstream>
#include <sys/stat.h>

using namespace pit;

namespace {

const char* const kRoot = "ArrayOfRecord";
const char* const kRecord = "Record";

std::string utf8(const QString& s) {
    return s.toStdString();
}

} // namespace

AnalysisLogEntry AnalysisLogEntry::FromRecord(const CPileRecord& r) {
    AnalysisLogEntry e;
    e.ProjectType = r.m_logTexts[0];
    e.InstrumentNo = r.m_logTexts[1];
    e.ProjectName = r.m_logTexts[2];
    e.PileName = r.m_logTexts[3];
    e.OriginalFile = r.m_logTexts[4];
    e.AnalysisFile = r.m_logTexts[5];
    e.AnalysisTime = r.m_logTexts[6];
    e.FileType = r.m_nLogState;
    return e;
}

struct AnalysisLog::Xml {
    pugi::xml_document doc;
    pugi::xml_node root;
    pugi::xml_node record;
};

AnalysisLog::AnalysisLog() : m_xml(std::make_unique<Xml>()) {
    // An element that found no memory would be left out silently: a log
    // without its root or with records cut short. Out of memory is told as such.
    UseThrowingXmlAllocation();
}
AnalysisLog::~AnalysisLog() = default;

bool AnalysisLog::Load(const QString& path) {
    m_xml = std::make_unique<Xml>();
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError)
        return false;
    const pugi::xml_parse_result r = m_xml->doc.load_buffer(bytes.constData(), size_t(bytes.size()));
    // Not a damaged log: it stays as it is.
    if (r.status == pugi::status_out_of_memory) {
        m_xml = std::make_unique<Xml>();
        ThrowBadAlloc();
    }
    const pugi::xml_node root = m_xml->doc.document_element();
    if (!r || !root || std::string_view(root.name()) != kRoot) {
        m_xml = std::make_unique<Xml>();
        return false;
    }
    m_xml->root = root;
    return true;
}

void AnalysisLog::Open() {
    m_xml = std::make_unique<Xml>();
    pugi::xml_node decl = m_xml->doc.append_child(pugi::node_declaration);
    decl.append_attribute("version") = "1.0";
    CreateRoot(QString::fromLatin1(kRoot));
}

void AnalysisLog::CreateRoot(const QString& name) {
    m_xml->root = m_xml->doc.append_child(utf8(name).c_str());
    if (!m_xml->root)
        ThrowBadAlloc();
}

void AnalysisLog::AddRecordElement(const QString& text, const QString& name) {
    m_xml->record = m_xml->root.append_child(utf8(name).c_str());
    if (!text.isEmpty())
        m_xml->record.text().set(utf8(text).c_str());
}

void AnalysisLog::AddFieldElement(const QString& text, const QString& name) {
    pugi::xml_node field = m_xml->record.append_child(utf8(name).c_str());
    if (!text.isEmpty())
        field.text().set(utf8(text).c_str());
}

void AnalysisLog::AddRecord(const std::vector<AnalysisLogEntry>& entries) {
    if (!m_xml->root)
        return;
    for (const AnalysisLogEntry& e : entries) {
        if (e.PileName.trimmed().isEmpty())
            continue;
        AddRecordElement(QString(), QString::fromLatin1(kRecord));
        AddFieldElement(e.ProjectType, QStringLiteral("ProjectType"));
        AddFieldElement(e.InstrumentNo, QStringLiteral("InstrumentNo"));
        AddFieldElement(e.ProjectName, QStringLiteral("ProjectName"));
        AddFieldElement(e.PileName.trimmed(), QStringLiteral("PileName"));
        AddFieldElement(e.OriginalFile, QStringLiteral("OriginalFile"));
        AddFieldElement(e.AnalysisFile, QStringLiteral("AnalysisFile"));
        AddFieldElement(e.AnalysisTime, QStringLiteral("AnalysisTime"));
        AddFieldElement(QString::asprintf("%d", e.FileType), QStringLiteral("FileType"));
    }
}

QByteArray AnalysisLog::Text() const {
    // Texts from pile files (and records of older runs) may hold control
    // characters: a log with them would be refused by every XML reader.
    DropNonXmlChars(m_xml->doc);
    std::ostringstream out;
    m_xml->doc.save(out, "  ", pugi::format_default, pugi::encoding_utf8);
    return QByteArray::fromStdString(out.str());
}

bool AnalysisLog::Save(const QString& path, QString* error, bool english) const {
    // A log without its root would be set aside as damaged by the next run.
    const pugi::xml_node root = m_xml->doc.document_element();
    if (!root || root != m_xml->root || std::string_view(root.name()) != kRoot) {
        if (error)
            *error = english ? QStringLiteral("the log has no root element \"%1\"").arg(QLatin1String(kRoot))
                             : QStringLiteral("记录没有根元素“%1”").arg(QLatin1String(kRoot));
        return false;
    }
    try {
        writeFileAtomic(path, Text());
        return true;
    } catch (const FileError& e) {
        if (error)
            *error = e.message(english);
        return false;
    }
}

int AnalysisLog::RecordCount() const {
    int n = 0;
    for (pugi::xml_node r = m_xml->root.child(kRecord); r; r = r.next_sibling(kRecord))
        ++n;
    return n;
}

namespace {

// Who holds the lock, as its file says. A run makes the lock file first and
// writes who it is into it next: an empty lock made a moment ago is one
// being written, not a file of no program.
QString lockHolder(const QLockFile& lock, const QString& lockPath, bool english) {
    qint64 pid = 0;
    QString host, app;
    if (!lock.getLockInfo(&pid, &host, &app)) {
        const QFileInfo info(lockPath);
        constexpr qint64 kFreshSeconds = 5;
        if (info.exists() && info.size() == 0 &&
            std::abs(info.lastModified().secsTo(QDateTime::currentDateTime())) <= kFreshSeconds)
            return english ? QStringLiteral("another run has just made it")
                           : QStringLiteral("另一次运行刚刚建立了它");
        return english ? QStringLiteral("its content names no program")
                       : QStringLiteral("其内容不是程序的锁信息");
    }
    return english ? QStringLiteral("held by process %1 of \"%2\" on %3").arg(pid).arg(app, host)
                   : QStringLiteral("由主机 %3 上“%2”的进程 %1 持有").arg(pid).arg(app, host);
}

} // namespace

bool AppendToRecordLog(const QString& path, const std::vector<AnalysisLogEntry>& entries,
                       const AppContext& ctx, bool* blocked, bool* waited) {
    if (blocked)
        *blocked = false;
    const QString shown = QDir::toNativeSeparators(path);
    const QString lockPath = path + QStringLiteral(".lock");
    const QString lockShown = QDir::toNativeSeparators(lockPath);
    const auto refuse = [&](const QString& zh, const QString& en) {
        ctx.message(zh, en, QString(), QString(), MB_OK | MB_ICONERROR);
        return false;
    };
    // A folder (a pipe, a device, a link, even one to nothing) under the lock
    // file's name is no run's lock and never goes away: waiting for it would
    // be in vain. (Not followed: a link is what is there.)
    struct stat st {};
    if (::lstat(QFile::encodeName(lockPath).constData(), &st) == 0 && !S_ISREG(st.st_mode)) {
        const bool folder = S_ISDIR(st.st_mode), link = S_ISLNK(st.st_mode);
        if (blocked)
            *blocked = true;
        const QString whatZh = folder ? QStringLiteral("是一个文件夹")
                               : link ? QStringLiteral("是一个符号链接")
                                      : QStringLiteral("不是普通文件");
        const QString whatEn = folder ? QStringLiteral("is a folder")
                               : link ? QStringLiteral("is a symbolic link")
                                      : QStringLiteral("is not a regular file");
        return refuse(
            QStringLiteral("记录文件【%1】无法写入：锁文件【%2】%3，请删除它。")
                .arg(shown, lockShown, whatZh),
            QStringLiteral("The record log [%1] cannot be written: its lock file [%2] %3; remove it.")
                .arg(shown, lockShown, whatEn));
    }
    // Nor is the log read from a FIFO or a device (a link to /dev/zero reads
    // without end): refused before any lock is taken.
    if (const QFileInfo logInfo(path); logInfo.exists() && !logInfo.isFile()) {
        const bool folder = logInfo.isDir();
        if (blocked)
            *blocked = true;
        return refuse(
            QStringLiteral("记录文件【%1】%2，本次记录未写入，请删除它。")
                .arg(shown, folder ? QStringLiteral("是一个文件夹") : QStringLiteral("不是普通文件")),
            QStringLiteral("The record log [%1] %2; this run's records were not written. Remove it.")
                .arg(shown,
                     folder ? QStringLiteral("is a folder") : QStringLiteral("is not a regular file")));
    }
    constexpr int kWaitSeconds = 30;
    QLockFile lock(lockPath);
    bool locked = lock.tryLock(0);
    // A run waits for the lock once: a holder that kept it that long is not
    // waited for again, its later tries take the lock only when it is free.
    const bool mayWait = !(waited && *waited);
    if (!locked && lock.error() == QLockFile::LockFailedError && mayWait) {
        // Another run writes the log, or a file no run made stands there: say which, then wait.
        ctx.message(QStringLiteral("记录文件【%1】的锁文件【%2】已被占用（%3），最多等待 %4 秒。")
                        .arg(shown, lockShown, lockHolder(lock, lockPath, false))
                        .arg(kWaitSeconds),
                    QStringLiteral("The lock file [%2] of the record log [%1] is taken (%3); waiting up to "
                                   "%4 s for it.")
                        .arg(shown, lockShown, lockHolder(lock, lockPath, true))
                        .arg(kWaitSeconds),
                    QString(), QString(), MB_OK | MB_ICONINFORMATION);
        if (waited)
            *waited = true;
        locked = lock.tryLock(kWaitSeconds * 1000);
    }
    if (!locked && lock.error() != QLockFile::LockFailedError)
        return refuse(
            QStringLiteral("记录文件【%1】无法写入：无法建立锁文件【%2】。").arg(shown, lockShown),
            QStringLiteral("The record log [%1] cannot be written: its lock file [%2] cannot be made.")
                .arg(shown, lockShown));
    if (!locked && !mayWait)
        return false; // told when it was waited for
    if (!locked)
        return refuse(QStringLiteral("记录文件【%1】的锁文件【%2】等待 %3 秒后仍被占用，本次记录未写入。")
                          .arg(shown, lockShown)
                          .arg(kWaitSeconds),
                      QStringLiteral("The lock file [%2] of the record log [%1] was still taken after %3 s; "
                                     "this run's records were not written.")
                          .arg(shown, lockShown)
                          .arg(kWaitSeconds));
    AnalysisLog log;
    if (QFileInfo::exists(path) && !log.Load(path)) {
        // Its earlier records stay in the set-aside copy.
        const QString aside = setAsideAsBad(path, CBatchReportHelper::GetTimeStamp(ctx));
        if (aside.isEmpty())
            return refuse(QStringLiteral("记录文件【%1】无法读取，也无法另存；本次记录未写入。").arg(shown),
                          QStringLiteral("The record log [%1] cannot be read nor set aside; this run's "
                                         "records were not written.")
                              .arg(shown));
        const QString asideShown = QDir::toNativeSeparators(aside);
        ctx.message(
            QStringLiteral("记录文件【%1】无法读取，已另存为【%2】，并新建记录文件。").arg(shown, asideShown),
            QStringLiteral("The record log [%1] cannot be read; it was kept as [%2] and a new log "
                           "started.")
                .arg(shown, asideShown),
            QString(), QString(), MB_OK | MB_ICONWARNING);
    }
    if (!QFileInfo::exists(path))
        log.Open();
    log.AddRecord(entries);
    QString why;
    if (!log.Save(path, &why, ctx.english))
        return refuse(QStringLiteral("记录文件【%1】无法写入：%2").arg(shown, why),
                      QStringLiteral("The record log [%1] cannot be written: %2").arg(shown, why));
    return true;
}
