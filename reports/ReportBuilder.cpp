// The builder frame: construction from the environment, the half frame and
// the metafile of a page file.
#include "reports/ReportBuilder.h"

#include "controls/ListRows.h"
#include "core/doc/KEV_DUXDoc.h"
#include "core/wave/WaveRecord.h"
#include "platform/AppContext.h"
#include "platform/MessageSink.h"
#include "reports/ExportServices.h"

#include <QFileInfo>
#include <cmath>

namespace pit {

LeftOutText LeftOutMessage(LeftOut what, const QStringList& files) {
    static const struct {
        const char16_t* zh;
        const char16_t* en;
    } kTexts[] = {
        {u"报告中没有它们", u" and are not in the report"},
        {u"工作簿中没有它们", u" and are not in the workbook"},
        {u"没有写出它们的图片", u"; no picture of them was written"},
        {u"没有写出文档", u"; no document was written"},
        {u"未生成工作簿", u"; no workbook was written"},
        {u"没有写出图片", u"; no picture was written"},
    };
    const auto& t = kTexts[size_t(what)];
    const QString list = files.join(u'\n');
    return {QStringLiteral("下列桩文件无法读取，") + QString::fromUtf16(t.zh) + QStringLiteral("：\n") + list,
            QStringLiteral("These pile files cannot be read") + QString::fromUtf16(t.en) +
                QStringLiteral(":\n") + list};
}

} // namespace pit

CReportBuilder::CReportBuilder(const pit::ReportEnv& env)
    : m_pDoc(env.doc), m_pSettings(env.settings), m_pApp(env.app), m_pServices(env.services),
      m_pWord(env.word), m_nPrinterDpi(env.printerDpi > 0 ? env.printerDpi : 300) {
    if (m_pDoc) {
        if (!m_pSettings)
            m_pSettings = &m_pDoc->m_PrintSettings;
        if (!m_pApp)
            m_pApp = &m_pDoc->Context();
        m_nDecimals = m_pDoc->m_nDecimalPointNum;
    }
    if (m_pSettings)
        m_pSettings->m_nDecimalPointNum = m_nDecimals;
}

CReportBuilder::~CReportBuilder() = default;

void CReportBuilder::DrawFrame(gdi::Canvas& dc, int left, int top, int right, int bottom,
                               bool rightAndBottom) {
    const std::vector<gdi::Point> pts =
        rightAndBottom ? std::vector<gdi::Point>{{right, top}, {right, bottom}, {left, bottom}}
                       : std::vector<gdi::Point>{{left, bottom}, {left, top}, {right, top}};
    dc.Polyline(pts);
}

std::unique_ptr<pit::EmfDevice> CReportBuilder::CreateMetaFile(const pit::EmfReference& ref,
                                                               const QString& path, QSize size) {
    // An existing picture of that name is replaced whole when the new one is saved.
    auto dev = std::make_unique<pit::EmfDevice>(size, ref);
    // The frame is the page: a reader shows the page at its size, whatever
    // is drawn on it or past its edge.
    dev->SetFrame(gdi::Rect(0, 0, int(std::lround(dev->Size().width() * 2540.0 / ref.dpiX)),
                            int(std::lround(dev->Size().height() * 2540.0 / ref.dpiY))));
    dev->SetDescription(QFileInfo(path).completeBaseName(), QStringLiteral("KEV_DUX"));
    return dev;
}

void CReportBuilder::SetCommonInfo(bool use, const CCommonInfo* values) {
    m_bUseCommonInfo = use;
    if (values)
        m_CommonInfo = *values;
}

QString CReportBuilder::ListRowName(const pit::ListRows& list, int row) {
    QString name = list.GetItemText(row, 1);
    name.chop(1);
    return name;
}

QString CReportBuilder::ListRowPath(const pit::ListRows& list, int row) const {
    return m_pDoc ? m_pDoc->m_ProjectInfo.GetPathByName(ListRowName(list, row)) : QString();
}

bool CReportBuilder::SmoothCurves() const {
    return m_pDoc && m_pDoc->m_CurveStyle.IsSmooth != 0;
}

pit::PrintDrawDoc CReportBuilder::DrawDoc() const {
    pit::PrintDrawDoc d;
    d.print = m_pSettings;
    if (m_pDoc) {
        d.curve = &m_pDoc->m_CurveStyle;
        d.doc = m_pDoc;
    }
    return d;
}

bool CReportBuilder::EnglishInterface() const {
    return m_pApp && m_pApp->english;
}

void CReportBuilder::TellFailure(const QString& zh, const QString& en) const {
    Message(zh, en, pit::MB_OK | pit::MB_ICONEXCLAMATION);
}

void CReportBuilder::TellLeftOut(pit::LeftOut what, const QStringList& files) const {
    if (files.isEmpty())
        return;
    const pit::LeftOutText text = pit::LeftOutMessage(what, files);
    Message(text.zh, text.en, pit::MB_OK | pit::MB_ICONWARNING);
}

int CReportBuilder::Message(const QString& zh, const QString& en, unsigned type) const {
    const bool english = EnglishInterface();
    const QString caption = english ? QStringLiteral("Tips") : QStringLiteral("提示");
    if (m_pServices)
        return m_pServices->Message(english ? en : zh, caption, type);
    if (m_pApp)
        return m_pApp->message(english ? en : zh, caption, type);
    return pit::defaultResultForType(type);
}
