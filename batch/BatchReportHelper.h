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
class ExclusiveFile;
} // namespace pit

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
    // characters and : * ? " < > | become "_" (FileNamePart), and so do
    // leading dots, which would hide the document.
    static QString SanitizeFileNamePart(const QString& project);

    // The name of a project's document: "<folder>/<project>_<stamp>.docx",
    // or with "_2", "_3", ... when that name is on disk already or was given
    // out in this run (compared without case: the folder may be on a
    // case-blind file system). Nothing is made.
    QString DocumentName(const QString& folder, const QString& project, const QString& stamp) const;
    // Where a document is written until it is whole: a hidden name in the
    // folder, ".<name>.<run tag>.part" (variant n from 2 on: "<run tag>~n"),
    // of this run alone. A name too long for the folder keeps the start of
    // the document's name and a digest of all of it ("~<8 hex digits>"), so
    // that it fits whenever the document's name fits.
    static QString TemporaryDocumentPath(const QString& folder, const QString& name, int variant = 1);
    // Creates the hidden document of name in the folder, the first variant
    // that nothing has (never through a link); 0 or the errno.
    static int CreateTemporaryDocument(const QString& folder, const QString& name, pit::ExclusiveFile& file);
    // Gives the whole document temp the project's name in the folder: the
    // first of the names above that nothing on disk has, taken so that two
    // runs at once never take one name. False, with why in the language,
    // when it cannot be given (temp is then left for the caller to remove).
    bool PublishDocument(pit::ExclusiveFile& temp, const QString& folder, const QString& project,
                         const QString& stamp, QString& published, QString& why, bool english);
    // Removes the temporary documents that runs certainly gone (killed) left
    // in the folder, regular files of this user only, with the empty
    // document a run killed while naming it may leave under its name. Those
    // of live runs and of runs that cannot be judged stay.
    static void ClearGoneRunsDocuments(const QString& folder);

    void SetBatchDocument(CKEV_DUXDoc* doc) { m_pDoc = doc; }
    CKEV_DUXDoc* GetBatchDocument() const { return m_pDoc; }

private:
    CKEV_DUXDoc* m_pDoc = nullptr;
    QSet<QString> m_usedNames; // case-folded file-name parts given out
};
