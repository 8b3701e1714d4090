// The program's Word export: the builders' reports written by CWordOffice
// into documents from our templates, then saved where the batch says, or
// where the user chooses and opened with the desktop.
#pragma once

#include "reports/ReportBuilder.h"
#include "reports/WordExport.h"

#include <QString>
#include <QStringList>

class CWordOffice;

namespace pit {

struct AppContext;
class ExportServices;

// ".~lock.<name>#" beside a file: the mark an office program leaves while it
// has the file open.
QString OfficeLockFile(const QString& path);

class OfficeWordExport : public WordExport {
public:
    // app: language and messages (the batch's go to stderr); services: the
    // save dialog, the desktop and message boxes, none in the batch mode;
    // office: the writer, the program's one when none is given.
    OfficeWordExport(const AppContext* app, ExportServices* services, CWordOffice* office = nullptr);

    bool WriteSingleReport(const WordSingleReport& report, const QString& outputPath) override;
    bool WriteCountInfoReport(const WordCountInfoReport& report, const QString& outputPath) override;
    bool WriteProjectReport(const WordProjectReport& report, const QString& outputPath) override;

    // Saves the office's open document at outputPath, or (an empty path)
    // where the user chooses, offering defaultName in folder, and opens it.
    // Tells the user what went wrong; the document is closed either way.
    bool SaveOrPresent(const QString& outputPath, const QString& defaultName, const QString& folder);
    // A new document from the named template ("SingleBoltReport.dot" finds
    // SingleBoltReport.dotx); tells the user when it cannot be made.
    bool Open(const QString& templateName);
    // Shows the office's first error and closes the document; false.
    bool Fail();
    // No page to write: says so, naming the checked files that cannot be read; false.
    bool NothingToWrite(const QStringList& unreadable);
    // After a document was saved: names the checked files it leaves out; true.
    bool Written(const QStringList& unreadable);
    // The file name offered for a report of that kind: "<project>_<kind>.docx".
    QString DefaultName(const QString& project, const QString& zhKind, const QString& enKind) const;
    int Tell(const QString& zh, const QString& en, unsigned type);
    // The files an export left out, as every export names them.
    void Tell(const LeftOutText& leftOut);

    // Closes the office's document when an exception (memory running out)
    // leaves the scope: a program that goes on does not keep the half-made
    // document in memory until the next one.
    class CloseOnThrow {
    public:
        explicit CloseOnThrow(CWordOffice& office);
        ~CloseOnThrow();
        CloseOnThrow(const CloseOnThrow&) = delete;
        CloseOnThrow& operator=(const CloseOnThrow&) = delete;

    private:
        CWordOffice& m_office;
        int m_uncaught;
    };

    bool English() const;
    CWordOffice& Office() { return m_office; }
    void SetServices(ExportServices* services) { m_services = services; }

private:
    const AppContext* m_app;
    ExportServices* m_services;
    CWordOffice& m_office;
};

} // namespace pit
