// The record log "Record.xml": one "Record" per pile the batch reports on,
// naming its project, pile, source file, report and the report's time.
#pragma once

#include <QString>
#include <memory>
#include <vector>

class CPileRecord;

namespace pit {
struct AppContext;
}

// One log entry; the pile reader fills it in the record's log texts.
struct AnalysisLogEntry {
    QString ProjectType;
    QString InstrumentNo;
    QString ProjectName;
    QString PileName;
    QString OriginalFile;
    QString AnalysisFile;
    QString AnalysisTime;
    int FileType = 0;

    static AnalysisLogEntry FromRecord(const CPileRecord& record);
};

// The XML document of the log.
class AnalysisLog {
public:
    AnalysisLog();
    ~AnalysisLog();

    // Loads the file; false (and the log empty) when it cannot be read, does
    // not parse, or its root is not "ArrayOfRecord".
    bool Load(const QString& path);
    // A new document: the declaration and the root "ArrayOfRecord".
    void Open();
    // Appends a "Record" with its eight fields for each entry whose pile
    // name is not blank, after the records already there.
    void AddRecord(const std::vector<AnalysisLogEntry>& entries);
    // The document as it is written: UTF-8, declaration version 1.0.
    QByteArray Text() const;
    // Written whole and atomically; false with why (in the language) in *error.
    bool Save(const QString& path, QString* error = nullptr, bool english = false) const;

    int RecordCount() const;

private:
    void CreateRoot(const QString& name);
    void AddRecordElement(const QString& text, const QString& name);
    void AddFieldElement(const QString& text, const QString& name);

    struct Xml;
    std::unique_ptr<Xml> m_xml;
};

// Appends the entries to the log at path under a lock file beside it, so
// that two runs at once lose nothing; a wait for the lock is said first. A
// log that does not parse is kept as "<name>.bad-<stamp>" ("_2", "_3" after
// the stamp when that is taken: no copy set aside is replaced) and a new one
// started (said through ctx). False, with the reason told through ctx, when
// the log could not be written; *blocked then says whether something that
// is no lock stands under the lock's name, a link included (no later try in
// the run can do better). A run waits for a taken lock once: with *waited
// set (by the wait of an earlier try) a taken lock fails at once, unsaid.
// Memory that runs out throws std::bad_alloc; the log stays as it was.
bool AppendToRecordLog(const QString& path, const std::vector<AnalysisLogEntry>& entries,
                       const pit::AppContext& ctx, bool* blocked = nullptr, bool* waited = nullptr);
