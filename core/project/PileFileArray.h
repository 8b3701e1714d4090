// The pile files of a project as the pile tree and the reports list them:
// one short summary per file (name, pile number, test date) and the sort orders.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

class CPileFileItem {
public:
    CPileFileItem() = default;

    // Reads the file's summary. False when the path is empty, the file cannot
    // be read or is not a pile file of a known format code.
    bool ReadFileSummary();
    // Summaries are kept for the files they came from while those stay as they
    // were (same inode, size and times); this forgets them all.
    static void ForgetSummaries();

    QString m_strName;         // file name with extension
    QString m_strPath;         // full path
    QString m_strPileNo;       // the name less its extension, or the saved pile number
    QString m_strTestDate;     // "yyyy-MM-dd"
    QString m_strTestDateTime; // "yyyy-MM-dd HH:mm:ss"
    // Base format: 1 for a blow file ("A-RIRADAD"); saved analysis: the fixed-parameter flag.
    uint8_t m_bFlag = 0;
    uint8_t m_bSummaryRead = 1;
    // 0 when a saved test date carries no time of day.
    uint8_t m_bCompleteDate = 0;

private:
    bool ReadSummaryFromFile();
    // ReadFileSummary from the file's head and its bytes from an offset (at);
    // FileError when a field lies beyond the bytes given.
    bool Summarize(const QByteArray& head, const std::function<QByteArray(qint64)>& at, qint64 size);
};

class CPileFileArray {
public:
    enum SortOrder : int { ByName = 0, ByPileNo = 1, ByTestDate = 2, ByTestDateTime = 3 };

    int GetCount() const { return int(m_items.size()); }
    // index must lie below GetCount().
    CPileFileItem& GetAt(int index);
    const CPileFileItem& GetAt(int index) const;
    void Add(const CPileFileItem& item) { m_items.push_back(item); }
    void RemoveAll() { m_items.clear(); }
    // Paths compare exactly: two files whose names differ only in case are two piles here.
    bool Contains(const QString& path) const;
    // The listed item of that path, or a new item with the path appended.
    CPileFileItem& FindOrAdd(const QString& path);
    // The first item of that name (exact, else ignoring case); null when none.
    const CPileFileItem* FindByName(const QString& name) const;
    QString GetPathByName(const QString& name) const;
    // Ascending, stable; equal keys keep name then path order. Other orders: no change.
    void Sort(int order);
    // Re-reads every item's summary; false when some item has a date without time.
    bool RefreshAll();
    std::vector<CPileFileItem>& GetVector() { return m_items; }
    const std::vector<CPileFileItem>& GetVector() const { return m_items; }

private:
    std::vector<CPileFileItem> m_items;
};
