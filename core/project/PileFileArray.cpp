#include "core/project/PileFileArray.h"

#include "core/pile/PileHeader.h"
#include "core/project/NaturalOrder.h"
#include "platform/ByteCursor.h"
#include "platform/CodePage.h"
#include "platform/FileError.h"
#include "platform/RangeFile.h"
#include "platform/TimeUtil.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QRegularExpression>
#include <algorithm>
#include <ctime>

using namespace pit;

namespace {

// No pile file comes near this; anything larger is not read for a summary.
constexpr qint64 kMaxSummaryBytes = 64 * 1024 * 1024;
// The bytes read at a time for a summary: the head with the parameter block,
// or the first strings of an analysis block.
constexpr qint64 kSummaryPart = 4096;

const QString kDateFormat = QStringLiteral("yyyy-MM-dd");
const QString kDateTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

QString nameLessExtension(const QString& name) {
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? name : name.left(dot);
}

// A date with an optional time of day ("2024-03-15", "2024/3/15 9:30:00").
QDateTime parseDateKey(const QString& text, bool withTime) {
    const QStringList parts = text.trimmed().split(u' ', Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return {};
    const QStringList d = parts[0].split(QRegularExpression(QStringLiteral("[-/.]")));
    if (d.size() != 3)
        return {};
    const QDate date(d[0].toInt(), d[1].toInt(), d[2].toInt());
    if (!date.isValid())
        return {};
    QTime time(0, 0);
    if (withTime && parts.size() > 1) {
        const QStringList t = parts[1].split(u':');
        const QTime parsed(t.value(0).toInt(), t.value(1).toInt(), t.value(2).toInt());
        if (parsed.isValid())
            time = parsed;
    }
    return QDateTime(date, time);
}

// The summaries of files read before, so that opening a large project again,
// or sorting it, reads only the piles that changed. A summary is kept only
// for a file whose last write and status change lie some seconds in the past:
// any later change then gives the file a later time, even on file systems
// that keep times to two seconds, so a kept summary is never stale.
class SummaryCache {
public:
    static SummaryCache& instance() {
        static SummaryCache cache;
        return cache;
    }

    bool find(const QString& path, const QString& name, const FileStamp& stamp, CPileFileItem& item) {
        const QMutexLocker lock(&m_mutex);
        const auto it = m_kept.constFind(path);
        if (it == m_kept.cend() || it->stamp != stamp || it->name != name)
            return false;
        item.m_strPileNo = it->pileNo;
        item.m_strTestDate = it->testDate;
        item.m_strTestDateTime = it->testDateTime;
        item.m_bFlag = it->flag;
        item.m_bCompleteDate = it->completeDate;
        item.m_bSummaryRead = 1;
        return true;
    }

    void keep(const FileStamp& stamp, const CPileFileItem& item) {
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        const qint64 settled = (qint64(now.tv_sec) - kSettleSeconds) * 1000000000 + now.tv_nsec;
        if (stamp.mtimeNs > settled || stamp.ctimeNs > settled)
            return;
        const QMutexLocker lock(&m_mutex);
        if (m_kept.size() >= kMaxKept)
            m_kept.clear();
        m_kept.insert(item.m_strPath, Kept{stamp, item.m_strName, item.m_strPileNo, item.m_strTestDate,
                                           item.m_strTestDateTime, item.m_bFlag, item.m_bCompleteDate});
    }

    void forget() {
        const QMutexLocker lock(&m_mutex);
        m_kept.clear();
    }

private:
    static constexpr qint64 kSettleSeconds = 3;
    static constexpr qsizetype kMaxKept = 100000;
    struct Kept {
        FileStamp stamp;
        QString name, pileNo, testDate, testDateTime;
        uint8_t flag = 0, completeDate = 0;
    };
    QMutex m_mutex;
    QHash<QString, Kept> m_kept;
};

} // namespace

void CPileFileItem::ForgetSummaries() {
    SummaryCache::instance().forget();
}

bool CPileFileItem::ReadFileSummary() {
    if (m_strPath.isEmpty())
        return false;
    FileStamp stamp;
    const bool stamped = StampFile(m_strPath, stamp);
    if (stamped && SummaryCache::instance().find(m_strPath, m_strName, stamp, *this))
        return true;
    // The stamp is taken before the read: a change during the read makes the
    // next stamp differ from the kept one.
    const bool read = ReadSummaryFromFile();
    if (read && stamped)
        SummaryCache::instance().keep(stamp, *this);
    return read;
}

bool CPileFileItem::ReadSummaryFromFile() {
    const RangeFile f(m_strPath);
    if (!f.IsOpen() || f.Size() > kMaxSummaryBytes)
        return false;
    // Only the parts a summary takes are read: the head and, in a saved
    // analysis, the start of its block, kSummaryPart bytes each. A field
    // beyond them (a refused read that a longer part could change) reads the
    // parts again to the end of the file, so the summary is the whole file's.
    for (const qint64 part : {kSummaryPart, f.Size()}) {
        bool cut = false, failed = false;
        const auto at = [&](qint64 offset) {
            const qint64 n = std::clamp<qint64>(f.Size() - offset, 0, part);
            QByteArray bytes;
            if (!f.Read(offset, n, bytes) || bytes.size() != n)
                failed = true;
            cut = cut || offset + n < f.Size();
            return bytes;
        };
        const QByteArray head = at(0);
        if (failed)
            return false;
        try {
            return Summarize(head, at, f.Size());
        } catch (const FileError&) {
            if (failed)
                return false;
            if (!cut) {
                // A damaged file is not listed.
                m_bCompleteDate = 1;
                return false;
            }
        }
    }
    return false;
}

bool CPileFileItem::Summarize(const QByteArray& head, const std::function<QByteArray(qint64)>& at,
                              qint64 size) {
    const CodePage& cp = CodePage::system();
    ByteReader in(head, m_strPath);
    uint8_t magic[10];
    in.read(magic, 10);
    const int32_t code = in.i32();
    if (IsBaseTypeCode(code)) {
        in.seek(filehdr::kParamOffset);
        const int32_t P = in.i32();
        const int32_t W = in.i32();
        const int type = DetectRecordType(magic, code, int64_t(W) - int64_t(P));
        // A header cut short by the end of the file leaves its time zero.
        int32_t time = 0;
        const size_t timeAt = type <= 4 ? hdr::kTestTime : blk::kTestTime;
        const size_t limit = type <= 4 ? hdr::kShortMax : blk::kSize;
        const int64_t L = int64_t(W) - int64_t(P);
        const size_t len = type <= 4 ? ((L < 0 || L > int64_t(limit)) ? limit : size_t(L)) : limit;
        if (P >= 0 && timeAt + 4 <= len && size_t(P) + timeAt + 4 <= size_t(size)) {
            const QByteArray field = at(qint64(P) + qint64(timeAt));
            time = ByteReader(field, m_strPath).i32();
        }
        m_bCompleteDate = 1;
        QDateTime local;
        if (!IsValidTimeValue(local, time))
            local = QFileInfo(m_strPath).lastModified().toLocalTime();
        m_strTestDate = local.toString(kDateFormat);
        m_strTestDateTime = local.toString(kDateTimeFormat);
        m_strPileNo = nameLessExtension(m_strName.isEmpty() ? QFileInfo(m_strPath).fileName() : m_strName);
        m_bFlag = MagicText(magic) == "A-RIRADAD" ? 1 : 0;
        m_bSummaryRead = 1;
        return true;
    }
    if (IsExtTypeCode(code)) {
        in.seek(filehdr::kTrailOffset);
        const int32_t A = in.i32();
        if (A < 0) {
            m_bCompleteDate = 1;
            return false;
        }
        // The block's head of 12 bytes, then its first fields.
        const qint64 from = qint64(A) + 12;
        if (from > size)
            throw FileError(FileCause::BadSeek, m_strPath, 0);
        const QByteArray block = at(from);
        ByteReader b(block, m_strPath);
        const QString pileNo = b.archiveString(cp);
        b.archiveString(cp); // construction date
        const uint8_t fixed = b.u8();
        b.archiveString(cp); // project
        const QString testDate = b.archiveString(cp);
        m_bCompleteDate = 1;
        m_strPileNo = pileNo.isEmpty() ? nameLessExtension(QFileInfo(m_strPath).fileName()) : pileNo;
        m_bFlag = fixed;
        const qsizetype blank = testDate.indexOf(u' ');
        if (blank < 0) {
            m_bCompleteDate = 0;
            m_strTestDate = testDate;
            m_strTestDateTime = testDate + QStringLiteral(" 00:00:00");
        } else {
            m_strTestDate = testDate.left(blank);
            m_strTestDateTime = testDate;
        }
        m_bSummaryRead = 1;
        return true;
    }
    m_bCompleteDate = 1;
    return false;
}

CPileFileItem& CPileFileArray::GetAt(int index) {
    Q_ASSERT(index >= 0 && index < GetCount());
    return m_items[size_t(index)];
}

const CPileFileItem& CPileFileArray::GetAt(int index) const {
    Q_ASSERT(index >= 0 && index < GetCount());
    return m_items[size_t(index)];
}

bool CPileFileArray::Contains(const QString& path) const {
    return std::any_of(m_items.begin(), m_items.end(),
                       [&](const CPileFileItem& i) { return i.m_strPath == path; });
}

CPileFileItem& CPileFileArray::FindOrAdd(const QString& path) {
    for (CPileFileItem& i : m_items)
        if (i.m_strPath == path)
            return i;
    CPileFileItem item;
    item.m_strPath = path;
    m_items.push_back(item);
    return m_items.back();
}

const CPileFileItem* CPileFileArray::FindByName(const QString& name) const {
    for (const CPileFileItem& i : m_items)
        if (i.m_strName == name)
            return &i;
    for (const CPileFileItem& i : m_items)
        if (i.m_strName.compare(name, Qt::CaseInsensitive) == 0)
            return &i;
    return nullptr;
}

QString CPileFileArray::GetPathByName(const QString& name) const {
    const CPileFileItem* i = FindByName(name);
    return i ? i->m_strPath : QString();
}

void CPileFileArray::Sort(int order) {
    if (order < ByName || order > ByTestDateTime)
        return;
    // Ties fall to the name, then the path: the order never depends on the
    // listing order of the folder.
    auto tieBreak = [](const CPileFileItem& a, const CPileFileItem& b) {
        if (const int c = CompareNatural(a.m_strName, b.m_strName))
            return c < 0;
        if (a.m_strName != b.m_strName)
            return a.m_strName < b.m_strName;
        return a.m_strPath < b.m_strPath;
    };
    if (order == ByName || order == ByPileNo) {
        std::stable_sort(m_items.begin(), m_items.end(), [&](const CPileFileItem& a, const CPileFileItem& b) {
            if (order == ByPileNo)
                if (const int c = CompareNatural(a.m_strPileNo, b.m_strPileNo))
                    return c < 0;
            return tieBreak(a, b);
        });
        return;
    }
    // Keys parsed once; an unreadable date sorts first.
    struct Keyed {
        qint64 key;
        CPileFileItem item;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(m_items.size());
    for (CPileFileItem& i : m_items) {
        const QDateTime t = order == ByTestDate ? parseDateKey(i.m_strTestDate, false)
                                                : parseDateKey(i.m_strTestDateTime, true);
        const qint64 key = t.isValid() ? QDateTime(t.date(), t.time(), Qt::UTC).toSecsSinceEpoch()
                                       : std::numeric_limits<qint64>::min();
        keyed.push_back({key, std::move(i)});
    }
    std::stable_sort(keyed.begin(), keyed.end(), [&](const Keyed& a, const Keyed& b) {
        if (a.key != b.key)
            return a.key < b.key;
        return tieBreak(a.item, b.item);
    });
    for (size_t k = 0; k < keyed.size(); ++k)
        m_items[k] = std::move(keyed[k].item);
}

bool CPileFileArray::RefreshAll() {
    bool complete = true;
    for (CPileFileItem& i : m_items) {
        i.ReadFileSummary();
        if (i.m_bCompleteDate == 0)
            complete = false;
    }
    return complete;
}
