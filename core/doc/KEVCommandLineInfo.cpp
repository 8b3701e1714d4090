#include "core/doc/KEVCommandLineInfo.h"

void CKEVCommandLineInfo::Parse(const QStringList& args) {
    for (qsizetype i = 0; i < args.size(); ++i)
        ParseParam(args[i], i + 1 == args.size());
}

void CKEVCommandLineInfo::ParseParam(const QString& arg, bool isLast) {
    QString flag;
    if (arg.startsWith(QStringLiteral("--")))
        flag = arg.mid(2);
    else if (arg.startsWith(u'-'))
        flag = arg.mid(1);
    else if (arg == QStringLiteral("/report") || arg == QStringLiteral("/projectreport"))
        flag = arg.mid(1); // any other "/..." is an absolute path here
    if (arg.startsWith(u'-') || !flag.isEmpty())
        ParseParamFlag(flag);
    else
        ParseParamNotFlag(arg);
    ParseLast(isLast);
}

void CKEVCommandLineInfo::ParseParamFlag(const QString& flag) {
    if (flag == QStringLiteral("report")) {
        m_nShellCommand = ShellCommand::FileNew;
        m_nMode = kSingleReports;
    } else if (flag == QStringLiteral("projectreport")) {
        m_nShellCommand = ShellCommand::FileNew;
        m_nMode = kProjectReports;
    } else if (flag == QStringLiteral("help") || flag == QStringLiteral("h")) {
        m_bShowHelp = true;
    } else if (flag == QStringLiteral("version") || flag == QStringLiteral("v")) {
        m_bShowVersion = true;
    }
    // Other flags are not ours and are ignored.
}

void CKEVCommandLineInfo::ParseParamNotFlag(const QString& text) {
    if (m_nMode == kSingleReports || m_nMode == kProjectReports) {
        if (m_strListFile.isEmpty())
            m_strListFile = text;
        else
            m_strOutputDir = text;
        return;
    }
    if (m_strFileName.isEmpty())
        m_strFileName = text;
}

void CKEVCommandLineInfo::ParseLast(bool isLast) {
    if (isLast && m_nShellCommand == ShellCommand::FileNew && !m_strFileName.isEmpty())
        m_nShellCommand = ShellCommand::FileOpen;
}

bool CKEVCommandLineInfo::IsBatch() const {
    return (m_nMode == kSingleReports || m_nMode == kProjectReports) && !m_strListFile.isEmpty() &&
           !m_strOutputDir.isEmpty();
}

int CKEVCommandLineInfo::BatchKind() const {
    if (!IsBatch())
        return 0;
    return m_nMode == kSingleReports ? 1 : 2;
}
