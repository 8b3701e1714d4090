// The steps of the batch report mode: the list file, the grouping of the
// listed piles by project, the output folder and the names of the documents.
#pragma once

#include <QSet>
#include <QString>
#include <QStringList>
#include <vector>

class CKEV_DUXDoc;

namespace pit {
struct AppContext;
}

// One listed pile file and the project it belongs to.
struct CBatchReportEntry {
    int group = 0;
    QString project; // trimmed; empty for a file that cannot be read
    QString path;
};

class CBatchReportHelper {
public:
    // One path per line: lines split at "\n", one trailing "\r" dropped,
    // UTF-8 when the file is valid UTF-8 (a leading byte-order mark is
    // dropped) else the system code page; blank lines are skipped. Empty,
    // and *opened false, when the file cannot be read.
    static QStringList ReadListFile(const QString& path, bool* opened = nullptr);

    // The entries of the listed paths, those of one project together (the
    // later-listed first) and the projects in the order of their first
    // listing; groups numbered from 1. Every path is read into a scratch
    // record for its project name.
    static std::vector<CBatchReportEntry> BuildRecordGroups(const QStringList& paths);

    // Makes every missing level of the folder. A level that cannot be made
    // is named to the user through ctx; the result is then false.
    static bool CreateDirectories(const QString& path, const pit::AppContext& ctx);

    // The file's last modification as "yyyy-MM-dd hh:mm:ss" local time;
    // empty when the file cannot be looked at.
    static QString GetFileTimes(const QString& path);

    // "yyyyMMddhhmmss" of the context's clock.
    static QString GetTimeStamp(const pit::AppContext& ctx);

    // The project name as part of a file name: "/", "\", control
    // characters and : * ? " < > | become "_" (FileNamePart).
    static QString SanitizeFileNamePart(const QString& project);

    // The name of a project's document: "<folder>/<project>_<stamp>.docx",
    // or with "_2", "_3", ... when that name is on disk already or was given
    // out in this run (compared without case: the folder may be on a
    // case-blind file system). Nothing is made.
    QString DocumentName(const QString& folder, const QString& project, const QString& stamp) const;
    // Where a document is written until it is whole: a hidden name in the
    // folder, ".<name>.<run tag>.part", of this run alone.
    static QString TemporaryDocumentPath(const QString& folder, const QString& name);
    // Gives the whole document at temp the project's name in the folder:
    // the first of the names above that nothing on disk has, taken so that
    // two runs at once never take one name. False, with why, when it cannot
    // be given (temp is then left for the caller to remove).
    bool PublishDocument(const QString& temp, const QString& folder, const QString& project,
                         const QString& stamp, QString& published, QString& why);
    // Removes the temporary documents that runs now gone (killed) left in
    // the folder; those of live runs stay.
    static void ClearGoneRunsDocuments(const QString& folder);

    void SetBatchDocument(CKEV_DUXDoc* doc) { m_pDoc = doc; }
    CKEV_DUXDoc* GetBatchDocument() const { return m_pDoc; }

private:
    CKEV_DUXDoc* m_pDoc = nullptr;
    QSet<QString> m_usedNames; // case-folded file-name parts given out
};
