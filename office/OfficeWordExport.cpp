// The Word export: open, write, save or present, tell.
#include "office/OfficeWordExport.h"

#include "core/doc/PrintSettings.h"
#include "office/WordOffice.h"
#include "platform/AppContext.h"
#include "platform/MessageSink.h"
#include "reports/ExportServices.h"
#include "reports/RepProjectA.h"
#include "reports/ReportPileItem.h"

#include <QDir>
#include <QFileInfo>
#include <exception>

namespace pit {

QString OfficeLockFile(const QString& path) {
    const QFileInfo fi(path);
    return fi.dir().filePath(QStringLiteral(".~lock.") + fi.fileName() + u'#');
}

OfficeWordExport::OfficeWordExport(const AppContext* app, ExportServices* services, CWordOffice* office)
    : m_app(app), m_services(services), m_office(office ? *office : CWordOffice::GetInstance()) {}

OfficeWordExport::CloseOnThrow::CloseOnThrow(CWordOffice& office)
    : m_office(office), m_uncaught(std::uncaught_exceptions()) {}

OfficeWordExport::CloseOnThrow::~CloseOnThrow() {
    if (std::uncaught_exceptions() > m_uncaught)
        m_office.CloseDocument();
}

bool OfficeWordExport::English() const {
    return m_app && m_app->english;
}

int OfficeWordExport::Tell(const QString& zh, const QString& en, unsigned type) {
    const bool english = English();
    const QString caption = english ? QStringLiteral("Tips") : QStringLiteral("提示");
    if (m_services)
        return m_services->Message(english ? en : zh, caption, type);
    if (m_app)
        return m_app->message(english ? en : zh, caption, type);
    return defaultResultForType(type);
}

void OfficeWordExport::Tell(const LeftOutText& leftOut) {
    Tell(leftOut.zh, leftOut.en, MB_OK | MB_ICONWARNING);
}

bool OfficeWordExport::Fail() {
    Tell(QStringLiteral("文档没有写成：") + m_office.ErrorText(false),
         QStringLiteral("The document was not written: ") + m_office.ErrorText(true), MB_OK | MB_ICONWARNING);
    m_office.CloseDocument();
    return false;
}

bool OfficeWordExport::Open(const QString& templateName) {
    m_office.SetEnglish(English());
    const QString base = QFileInfo(templateName).completeBaseName();
    if (!m_office.NewDocument(m_office.TemplateFile(base)))
        return Fail();
    return true;
}

QString OfficeWordExport::DefaultName(const QString& project, const QString& zhKind,
                                      const QString& enKind) const {
    const QString kind = English() ? enKind : zhKind;
    const QString name = SafeFileName(project.trimmed());
    return (name.isEmpty() ? kind : name + u'_' + kind) + QStringLiteral(".docx");
}

bool OfficeWordExport::SaveOrPresent(const QString& outputPath, const QString& defaultName,
                                     const QString& folder) {
    QString path = outputPath;
    if (path.isEmpty()) {
        if (!m_services) {
            m_office.CloseDocument();
            Tell(QStringLiteral("没有给出保存文档的文件名。"),
                 QStringLiteral("No file name was given for the document."), MB_OK | MB_ICONWARNING);
            return false;
        }
        SaveFileAsk ask;
        ask.defaultName = defaultName;
        ask.defaultSuffix = QStringLiteral("docx");
        ask.filter =
            English() ? QStringLiteral("Word Documents (*.docx)") : QStringLiteral("Word 文档 (*.docx)");
        ask.folder = folder;
        const std::optional<QString> chosen = m_services->ChooseSaveFile(ask);
        if (!chosen) { // cancelled: nothing written
            m_office.CloseDocument();
            return false;
        }
        path = *chosen;
    }
    if (QFileInfo::exists(OfficeLockFile(path))) {
        m_office.CloseDocument();
        Tell(QStringLiteral("文件“%1”正在被其他程序使用，请先关闭它再保存。").arg(path),
             QStringLiteral("The file \"%1\" is open in another program; close it there, then save again.")
                 .arg(path),
             MB_OK | MB_ICONWARNING);
        return false;
    }
    if (!m_office.SaveDocumentAs(path))
        return Fail();
    m_office.CloseDocument();
    if (outputPath.isEmpty() && m_services && !m_services->OpenWithDesktop(path))
        Tell(QStringLiteral("文档已保存为“%1”，但没有可以打开它的程序。").arg(path),
             QStringLiteral("The document was saved as \"%1\", but no program opens it.").arg(path),
             MB_OK | MB_ICONINFORMATION);
    return true;
}

bool OfficeWordExport::NothingToWrite(const QStringList& unreadable) {
    if (unreadable.isEmpty())
        Tell(QStringLiteral("没有选中的桩，没有写出文档。"),
             QStringLiteral("No pile is checked; no document was written."), MB_OK | MB_ICONWARNING);
    else
        Tell(LeftOutMessage(LeftOut::NoDocument, unreadable));
    return false;
}

bool OfficeWordExport::Written(const QStringList& unreadable) {
    if (!unreadable.isEmpty())
        Tell(LeftOutMessage(LeftOut::NotInReport, unreadable));
    return true;
}

bool OfficeWordExport::WriteSingleReport(const WordSingleReport& report, const QString& outputPath) {
    CloseOnThrow closing(m_office);
    if (!report.settings)
        return false;
    if (report.pages.empty())
        return NothingToWrite(report.unreadable);
    if (!Open(report.templateName))
        return false;
    if (!m_office.WriteSingleReport(report.pages, *report.settings, report.draw, report.curveFont,
                                    report.bitmapPictures))
        return Fail();
    const QString name = DefaultName(report.pages.front().m_strProject, QStringLiteral("单桩报告"),
                                     QStringLiteral("SingleReport"));
    return SaveOrPresent(outputPath, name, report.folder) && Written(report.unreadable);
}

bool OfficeWordExport::WriteCountInfoReport(const WordCountInfoReport& report, const QString& outputPath) {
    CloseOnThrow closing(m_office);
    if (!report.settings)
        return false;
    if (report.rows.empty())
        return NothingToWrite(report.unreadable);
    if (!Open(report.templateName))
        return false;
    if (!m_office.WriteCountInfoReport(report.rows, report.project, *report.settings, report.summaryType))
        return Fail();
    return SaveOrPresent(outputPath,
                         DefaultName(report.project, QStringLiteral("汇总表"), QStringLiteral("Summary")),
                         report.folder) &&
           Written(report.unreadable);
}

bool OfficeWordExport::WriteProjectReport(const WordProjectReport& report, const QString& outputPath) {
    CloseOnThrow closing(m_office);
    if (!report.settings)
        return false;
    if (report.items.empty())
        return NothingToWrite(report.unreadable);
    if (!Open(report.templateName))
        return false;
    if (!m_office.WriteProjectReport(report.items, *report.settings, report.kind, report.draw))
        return Fail();
    return SaveOrPresent(outputPath,
                         DefaultName(report.items.front()->m_strProject, QStringLiteral("工程报告"),
                                     QStringLiteral("ProjectReport")),
                         report.folder) &&
           Written(report.unreadable);
}

} // namespace pit
