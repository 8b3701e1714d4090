// The batch report mode: one Word document per project of the listed pile
// files that carry a saved analysis, and a record-log entry per reported pile.
#pragma once

#include <QString>
#include <QStringList>

class CBatchReportHelper;
class CKEV_DUXDoc;

namespace pit {

struct AppContext;

// What the batch asks of the report builders: one document per group.
class BatchReportWriter {
public:
    virtual ~BatchReportWriter() = default;

    struct Report {
        int kind = 1;            // 1 single-pile reports, 2 project report
        bool variantB = false;   // kind 2: the fixed-English project report (report kind 5)
        QStringList files;       // the group's analysed pile files, in report order
        QStringList pileNumbers; // their pile numbers
        QString outputPath;      // where to write the .docx (writeFileAtomic): the hidden file the run made
        QString documentName;    // the name it is to have (for what the writer tells)
    };
    // Writes the document from doc's settings (its current record is the
    // group's last one read, its project the group's). False, with why in
    // error (or nothing when the writer has told the user), when nothing was
    // written. leftOut: the files of the report that the document does not
    // hold because they cannot be read (the writer has named them).
    virtual bool Write(CKEV_DUXDoc& doc, const Report& report, QString& error, QStringList& leftOut) = 0;
};

struct BatchJob {
    int kind = 1; // 1 "report", 2 "projectreport"
    QStringList paths;
    QString outputDir;
    QString logPath; // stateDir()/Record.xml when empty
};

struct BatchOutcome {
    QStringList written; // the documents written, in order
    bool failed = false; // a report not written, a listed file not read, the log not written
};

// Runs the job: groups, reads, writes through writer, logs. Every message
// goes through ctx (the batch's goes to stderr); nothing is asked. Each
// group's report gets the texts of its own project (the index of its piles'
// folder), and each document is logged as soon as it is written, so a run
// that stops half-way leaves what it wrote logged. Each document is written
// under a hidden temporary name and takes its own name only when whole, so
// a run stopped half-way (killed) leaves no document cut short; temporary
// documents of runs gone are cleared from the output folder. An exception
// (out of memory) leaves the run's log entries written and removes the
// document being made, then goes on to the caller.
BatchOutcome GenerateBatchReports(const AppContext& ctx, CBatchReportHelper& helper, const BatchJob& job,
                                  BatchReportWriter& writer);

} // namespace pit
