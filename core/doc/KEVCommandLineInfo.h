// The program's command line: a plain file name opens that pile file; the
// flags "report" and "projectreport" (after "-", "--" or "/") followed by the
// list file and the output folder run the batch reports without a window.
#pragma once

#include <QString>
#include <QStringList>

class CKEVCommandLineInfo {
public:
    enum class ShellCommand { FileNew, FileOpen };
    static constexpr int kNoBatch = -2;
    static constexpr int kSingleReports = 7;  // "report"
    static constexpr int kProjectReports = 8; // "projectreport"

    // args without the program name.
    void Parse(const QStringList& args);
    // One argument; isLast on the last one.
    void ParseParam(const QString& arg, bool isLast);

    // Batch flag and both its arguments given.
    bool IsBatch() const;
    // 1 single-pile reports, 2 project reports, 0 no batch.
    int BatchKind() const;
    bool IsFileOpen() const { return m_nShellCommand == ShellCommand::FileOpen && !m_strFileName.isEmpty(); }

    ShellCommand m_nShellCommand = ShellCommand::FileNew;
    QString m_strFileName;
    int m_nMode = kNoBatch;
    QString m_strOutputDir;
    QString m_strListFile;
    bool m_bShowHelp = false;
    bool m_bShowVersion = false;

private:
    void ParseParamFlag(const QString& flag);
    void ParseParamNotFlag(const QString& text);
    void ParseLast(bool isLast);
};
