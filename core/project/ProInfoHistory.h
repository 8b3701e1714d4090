// Recent values of four project-information fields and three whole-number
// choices, kept in the small binary file "VADUZI_PROINFO.ini".
#pragma once

#include <QByteArray>
#include <QString>
#include <array>

class CProInfoHistory {
public:
    static constexpr int kLists = 4;
    static constexpr int kMaxValues = 10;
    using Values = std::array<QString, kMaxValues>;

    CProInfoHistory() = default;

    // Resets everything, points at stateDir()/VADUZI_PROINFO.ini (or path) and loads it.
    void Init();
    void Init(const QString& path);

    const QString& GetPath() const { return m_path; }

    // i 0..3; other i: null.
    Values* GetList(int i);
    const Values* GetList(int i) const;
    int GetCount(int i) const;
    void SetCount(int i, int n); // kept within 0..10
    // i 0..3: a list's current index; 4..6: the three choices. Others: -1 / nothing.
    int GetIndex(int i) const;
    void SetIndex(int i, int n);
    void ClearList(int i);
    // An empty value is ignored; a value already listed keeps its place.
    void AddValue(int i, const QString& value);
    // The value at the current index; an index past the count falls back to 0.
    QString GetCurrent(int i);

    // Values 9..1 take 8..0 and value becomes the first, unless it is already
    // among the first count values. Returns the new count (at most 10).
    static int PushFront(Values& list, int count, const QString& value);

    // Atomic rewrite; false when the file cannot be written (it is left as it was).
    bool Save() const;
    // Save that throws FileError, naming the cause, instead of giving false.
    void Write() const;
    // Silent: a missing or foreign file leaves the values as they are; a
    // damaged one keeps what was read before the damage.
    void Load();

    QByteArray ToBytes() const;
    void LoadFromBytes(const QByteArray& bytes);

private:
    struct List {
        int count = 0;
        int index = -1;
        Values values;
    };
    void Reset();

    std::array<List, kLists> m_lists;
    int m_fixi[3] = {0, -1, -1};
    QString m_path;
};
