// The one document: the open project (index of the pile file's folder), the
// pile shown in the views, a second record, and every setting that outlives
// a run (settings file, print settings, curve style, history). It has no
// widgets: it tells the user through the context's message sink and the
// windows through its signals.
#pragma once

#include "core/doc/CommonInfo.h"
#include "core/doc/CurveStyle.h"
#include "core/doc/DocSettings.h"
#include "core/doc/PrintSettings.h"
#include "core/pile/PileRecord.h"
#include "core/project/ProInfoHistory.h"
#include "core/project/ProjectInfo.h"
#include "platform/AppContext.h"
#include "platform/FileError.h"

#include <QObject>
#include <QString>
#include <array>
#include <functional>
#include <vector>

class CKEV_DUXDoc : public QObject, public pit::DocInfo {
    Q_OBJECT
public:
    // Where the settings file and the history live.
    struct Files {
        QString settings;
        QString history;
    };
    // stateDir()/DuxConfig.xml and stateDir()/VADUZI_PROINFO.ini.
    static Files DefaultFiles();

    // Reads the settings file (print settings, curve style, "DocInfo") and the history.
    explicit CKEV_DUXDoc(const pit::AppContext& ctx, QObject* parent = nullptr);
    CKEV_DUXDoc(const pit::AppContext& ctx, Files files, QObject* parent = nullptr);
    // CloseAndSave, unless it ran already.
    ~CKEV_DUXDoc() override;

    // What closing does, once: hands the current record to onClose, then
    // rewrites the settings file and the history (unless switched off). The
    // files that could not be written, each with its cause; the earlier
    // files stay whole.
    std::vector<pit::FileError> CloseAndSave();

    CKEV_DUXDoc(const CKEV_DUXDoc&) = delete;
    CKEV_DUXDoc& operator=(const CKEV_DUXDoc&) = delete;

    const pit::AppContext& Context() const { return m_ctx; }

    // Empties path, title and modified flag.
    bool OnNewDocument();
    // File New in the window: the pile shown is let go (the record emptied,
    // no file open), path, title and modified flag emptied; the project's
    // list stays, so its piles can still be chosen.
    void CloseFile();
    // Reads the pile file, then the project index of its folder (read when
    // it exists, else built). A failure is reported and changes nothing.
    bool OnOpenDocument(const QString& path);

    // Save copy: enabled once a file was opened.
    bool CanSaveCopy() const { return m_bFileOpen; }
    // The file name the copy is offered under: the pile's name in the project
    // list (the pile is listed when it was not) less its last four characters, then "_copy".
    QString SaveCopyDefaultName();
    // Writes the current record to path and re-reads it when it asks for that.
    // Refused (the user told) when path is the open pile itself, whose
    // analysis the copy image would drop, or lies in a read-only folder.
    bool SaveCopyAs(const QString& path);
    static constexpr const char* kSaveCopyFilter = "KEV Low Strain Files (*.DUX)";

    // False, and the user told, when the folder of path exists but cannot be
    // written (read-only media or folder); savingPile adds the hint to save a
    // copy elsewhere. A missing folder passes: the write itself reports it.
    bool CheckFolderWritable(const QString& path, bool savingPile) const;

    // 2 (no alignment) while the record's time difference varies; else the record's mode.
    int GetAlignMode();
    // 0 rise, 1 peak: the record re-aligns every head marker; other values move nothing.
    void SetAlignMode(int mode);
    int AlignModeValue() const { return m_nAlignMode; }

    // The current record's pile parameters into the second parameter set.
    void CopyPileParams();

    // Framework document state.
    const QString& GetTitle() const { return m_strTitle; }
    void SetTitle(const QString& title);
    const QString& GetPathName() const { return m_strPathName; }
    // addToRecent: the path also goes into the recent-file list (pathRegistered).
    void SetPathName(const QString& path, bool addToRecent = true);
    bool IsModified() const { return m_bModified; }
    void SetModifiedFlag(bool modified = true);

    // The index file of a pile's folder: folder/<folder name>.DUP, or an
    // existing file of that name in another case. Empty for a pile at the
    // root of a file system, which is opened without an index.
    static QString IndexPathFor(const QString& pilePath);

    // The titles of the main window after an open and after a save.
    static QString OpenTitle(const QString& path, bool english);
    static QString SaveTitle(const QString& path, bool english);

    // Off: destruction writes neither the settings file nor the history
    // (the batch mode works on a document of its own).
    void SetWriteSettingsOnClose(bool on) { m_bWriteOnClose = on; }
    bool WritesSettingsOnClose() const { return m_bWriteOnClose; }

    // Told after every pile read whether the fixed-parameter command may be
    // used; installed by the owner of the pile panel (interactive runs only).
    void SetFixedParamHook(std::function<void(bool)> hook);
    // Given the current record first thing at destruction (its log entry).
    std::function<void(const CPileRecord&)> onClose;

    bool SettingsLoaded() const { return m_bSettingsLoaded; }
    const Files& SettingsFiles() const { return m_files; }

    // Writes the settings file now; false when it could not be written.
    bool SaveSettings();
    // SaveSettings that throws FileError, naming the cause.
    void WriteSettings();

    // --- members (the views, panels and reports read and write them) ---
    CProjectInfo m_ProjectInfo; // the project of the open pile's folder
    CPileRecord m_PileRecord;   // the pile shown in the views
    CPileRecord m_PileRecord2;  // scratch record of the panels and reports
    CPrintSettings m_PrintSettings;
    bool m_bFileOpen = false;
    // The y-axis lock of command 32790: every channel drawn on the largest peak.
    bool m_bLockYAxis = false;
    bool m_bViewFlagB = false;
    int m_nStretchSteps = 4; // 2..6
    bool m_bViewFlagC = false;
    int m_nOpenCounter = 0;
    // The time-difference mode, then the nine fix flags of the fixed-parameter dialog.
    std::array<int, 10> m_nFixSettings{};
    bool m_bFixedParams = false;
    CPileParamSet m_FixParams; // written by the fixed-parameter dialog
    CCurveStyle m_CurveStyle;
    CPileParamSet m_PileParams; // the current pile's, copied at every open
    bool m_bProjectReloaded = true;
    int m_bUseCommonInfo = 0;
    CCommonInfo m_CommonInfo;
    CProInfoHistory m_History;
    QString m_strFolder; // folder of the last opened pile file
    bool m_bReplacePictures = false;
    bool m_bAllPilesAge = false;
    // The project report's font size was read from the settings or chosen on
    // the project report page; while clear the document export fits it.
    bool m_bFontRateSet = false;

Q_SIGNALS:
    void titleChanged(const QString& title);
    // A path for the recent-file list.
    void pathRegistered(const QString& path);
    void modifiedChanged(bool modified);
    // After a successful open, before the title: the main panel takes the
    // current channel's parameters and the pile panel its fixed values.
    void pileOpened();

private:
    bool ReadPile(const QString& path, CPileRecord& into);
    void ReportOpenFailure(const QString& path, const QString& exceptionText);

    pit::AppContext m_ctx;
    Files m_files;
    int m_nAlignMode = 0; // 0 rise, 1 peak, 2 none
    bool m_bSettingsLoaded = false;
    bool m_bWriteOnClose = true;
    bool m_bClosed = false;
    bool m_bModified = false;
    QString m_strTitle;
    QString m_strPathName;
    std::function<void(bool)> m_fixedParamHook;
};
