#include "core/project/ProInfoHistory.h"

#include "platform/AtomicFile.h"
#include "platform/ByteCursor.h"
#include "platform/CodePage.h"
#include "platform/FileError.h"
#include "platform/Paths.h"

#include <QFile>
#include <algorithm>
#include <cstring>

namespace {

constexpr char kMagic[] = "VADUZI_PRO";
constexpr int32_t kVersion = 1;
constexpr size_t kTableAt = 50;
constexpr size_t kFixiAt = 170;
constexpr const char* kTags[CProInfoHistory::kLists] = {"PRON", "TSUN", "CNUN", "TSPS"};

bool validList(int i) {
    return i >= 0 && i < CProInfoHistory::kLists;
}

} // namespace

void CProInfoHistory::Reset() {
    for (List& l : m_lists) {
        l.count = 0;
        l.index = -1;
        l.values.fill(QString());
    }
    m_fixi[0] = 0;
    m_fixi[1] = m_fixi[2] = -1;
}

void CProInfoHistory::Init() {
    Init(pit::joinPath(pit::stateDir(), QStringLiteral("VADUZI_PROINFO.ini")));
}

void CProInfoHistory::Init(const QString& path) {
    m_path = path;
    Reset();
    Load();
}

CProInfoHistory::Values* CProInfoHistory::GetList(int i) {
    return validList(i) ? &m_lists[size_t(i)].values : nullptr;
}

const CProInfoHistory::Values* CProInfoHistory::GetList(int i) const {
    return validList(i) ? &m_lists[size_t(i)].values : nullptr;
}

int CProInfoHistory::GetCount(int i) const {
    return validList(i) ? m_lists[size_t(i)].count : 0;
}

void CProInfoHistory::SetCount(int i, int n) {
    if (validList(i))
        m_lists[size_t(i)].count = std::clamp(n, 0, kMaxValues);
}

int CProInfoHistory::GetIndex(int i) const {
    if (validList(i))
        return m_lists[size_t(i)].index;
    if (i >= 4 && i <= 6)
        return m_fixi[i - 4];
    return -1;
}

void CProInfoHistory::SetIndex(int i, int n) {
    if (validList(i))
        m_lists[size_t(i)].index = n;
    else if (i >= 4 && i <= 6)
        m_fixi[i - 4] = n;
}

void CProInfoHistory::ClearList(int i) {
    if (validList(i))
        m_lists[size_t(i)].values.fill(QString());
}

int CProInfoHistory::PushFront(Values& list, int count, const QString& value) {
    count = std::clamp(count, 0, kMaxValues);
    for (int k = 0; k < count; ++k)
        if (list[size_t(k)] == value)
            return count;
    for (int k = kMaxValues - 1; k > 0; --k)
        list[size_t(k)] = list[size_t(k - 1)];
    list[0] = value;
    return std::min(count + 1, kMaxValues);
}

void CProInfoHistory::AddValue(int i, const QString& value) {
    if (!validList(i) || value.isEmpty())
        return;
    List& l = m_lists[size_t(i)];
    l.count = PushFront(l.values, l.count, value);
}

QString CProInfoHistory::GetCurrent(int i) {
    if (!validList(i))
        return {};
    List& l = m_lists[size_t(i)];
    if (l.count <= 0)
        return {};
    const int at = std::max(l.index, 0);
    if (at >= l.count) {
        l.index = 0;
        return l.values[0];
    }
    return l.values[size_t(at)];
}

QByteArray CProInfoHistory::ToBytes() const {
    const pit::CodePage& cp = pit::CodePage::system();
    pit::ByteWriter w;
    w.bytes(kMagic, std::strlen(kMagic));
    w.zeros(16 - std::strlen(kMagic));
    w.i32(kVersion);
    w.zeros(30);
    w.zeros(120); // offset table, patched below

    int32_t offsets[1 + kLists];
    offsets[0] = int32_t(w.size());
    w.bytes("FIXI", 4);
    for (int v : m_fixi)
        w.i32(v);
    w.zeros(100);
    for (int i = 0; i < kLists; ++i) {
        const List& l = m_lists[size_t(i)];
        offsets[1 + i] = int32_t(w.size());
        const int count = std::clamp(l.count, 0, kMaxValues);
        w.bytes(kTags[i], 4);
        w.i32(count);
        w.i32(l.index);
        for (int k = 0; k < count; ++k)
            w.archiveString(l.values[size_t(k)], cp);
    }
    for (int k = 0; k <= kLists; ++k)
        w.patchI32(kTableAt + 4 * size_t(k), offsets[k]);
    return w.take();
}

void CProInfoHistory::Write() const {
    pit::writeFileAtomic(m_path, ToBytes());
}

bool CProInfoHistory::Save() const {
    try {
        Write();
    } catch (const pit::FileError&) {
        return false;
    }
    return true;
}

void CProInfoHistory::Load() {
    QFile f(m_path);
    if (!f.exists() || !f.open(QIODevice::ReadOnly))
        return;
    LoadFromBytes(f.readAll());
}

void CProInfoHistory::LoadFromBytes(const QByteArray& bytes) {
    const pit::CodePage& cp = pit::CodePage::system();
    pit::ByteReader r(bytes, m_path);
    try {
        const auto magic = r.bytes(16);
        const char* m = reinterpret_cast<const char*>(magic.data());
        if (std::strncmp(m, kMagic, 16) != 0 || r.i32() != kVersion)
            return;
        r.seek(kTableAt);
        int32_t offsets[1 + kLists];
        for (int32_t& o : offsets)
            o = r.i32();

        r.seek(size_t(uint32_t(offsets[0])));
        if (std::memcmp(r.bytes(4).data(), "FIXI", 4) != 0)
            return;
        for (int& v : m_fixi)
            v = r.i32();

        for (int i = 0; i < kLists; ++i) {
            List& l = m_lists[size_t(i)];
            r.seek(size_t(uint32_t(offsets[1 + i])));
            if (std::memcmp(r.bytes(4).data(), kTags[i], 4) != 0)
                return;
            // A count the file may claim beyond ten (or below zero) is bounded;
            // the list holds only the values actually read.
            l.count = r.remaining() >= 4 ? std::clamp(r.i32(), 0, kMaxValues) : 0;
            l.index = r.remaining() >= 4 ? r.i32() : -1;
            const int claimed = l.count;
            l.count = 0;
            for (int k = 0; k < claimed; ++k) {
                l.values[size_t(k)] = r.archiveString(cp);
                l.count = k + 1;
            }
        }
    } catch (const pit::FileError&) {
        // A damaged file keeps what was read before the damage.
    }
}
