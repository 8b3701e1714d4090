// The Excel report builder.
#include "reports/RepExcel.h"

#include "controls/ListRows.h"
#include "core/doc/KEV_DUXDoc.h"
#include "core/doc/OptionTables.h"
#include "core/doc/PrintSettings.h"
#include "core/doc/SharedRoutines.h"
#include "core/pile/AnalysisBlock.h"
#include "core/pile/PileRecord.h"
#include "platform/AtomicFile.h"
#include "platform/FileError.h"
#include "platform/MessageSink.h"
#include "reports/ExcelExport.h"
#include "reports/ExcelStateExport.h"
#include "reports/ExportServices.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace {

// A grade index outside the table reads as its first grade.
int BoundedGrade(int index) {
    return index >= 0 && index < pit::options::GradeCount() ? index : 0;
}

// Spectrum range, Fmax, F0, dFL, dFD1 and dFD2 as the file keeps them.
void SetExcelAnalysisValues(CExcelPileInfo& rec, const std::array<int32_t, 6>& v) {
    rec.m_nFreqLimit = v[0];
    rec.m_nFMax = v[1];
    rec.m_nF0 = v[2];
    rec.m_nDFL = v[3];
    rec.m_nDFD1 = v[4];
    rec.m_nDFD2 = v[5];
}

bool IsRoundName(const QString& shape) {
    return shape == pit::options::PileShape(0, false) || shape == pit::options::PileShape(0, true);
}

} // namespace

CRepExcel::CRepExcel(const pit::ReportEnv& env, const pit::ListRows* list, int option)
    : CReportBuilder(env), m_pList(list), m_nOption(option), m_pExcel(env.excel) {}

CRepExcel::~CRepExcel() = default;

void CRepExcel::SetPileFiles(std::vector<QString> paths, std::vector<QString> pileNos) {
    m_paths = std::move(paths);
    m_pileNos = std::move(pileNos);
    m_pileNos.resize(m_paths.size());
    m_bFiles = true;
    UpdatePileList();
}

void CRepExcel::FillFromDocument(CExcelPileInfo& rec) const {
    if (!m_pDoc)
        return;
    const auto& texts = m_pDoc->m_ProjectInfo.m_texts;
    rec.m_strInstrument = pit::options::InstrumentModel(m_pDoc->m_nYiqiXinghao);
    rec.m_strProject = texts[0];
    rec.m_strTestOrg = texts[2];
    rec.m_strTester = texts[4];
    rec.m_strBuilder = texts[5];
    rec.m_strStandard = pit::options::TestStandard(m_pDoc->m_nJianceYiju);
}

void CRepExcel::ApplyCommonValues(CExcelPileInfo& rec) const {
    if (!m_pDoc || !m_pDoc->m_bUseCommonInfo)
        return;
    const CCommonInfo& c = m_pDoc->m_CommonInfo;
    c.ApplyTo({.projectName = &rec.m_strProject,
               .testingUnit = &rec.m_strTestOrg,
               .constructionUnit = &rec.m_strBuilder,
               .tester = &rec.m_strTester,
               .instrument = &rec.m_strInstrument,
               .standard = &rec.m_strStandard,
               .diameter = &rec.m_fDiameter,
               .secondSide = &rec.m_fDiameter2,
               .enlarged = &rec.m_fEnlargedBase,
               .enlarged2 = &rec.m_fEnlargedBase2,
               .grade = &rec.m_nGrade,
               .shape = &rec.m_nShape});
    // A grade outside the table reads as its first (the pile's own is bounded already).
    rec.m_nGrade = BoundedGrade(rec.m_nGrade);
    if (c.Use(CCommonInfo::TestDate)) {
        // The common date with the pile's own time of day; midnight is dropped.
        const qsizetype blank = rec.m_strDateTime.lastIndexOf(u' ');
        QString time = blank < 0 ? QString() : rec.m_strDateTime.mid(blank + 1);
        if (time == QLatin1String("00:00:00"))
            time.clear();
        rec.m_strDateTime = c.m_testDate.toString(QStringLiteral("yyyy-MM-dd ")) + time;
    }
}

void CRepExcel::UpdatePileList() {
    m_items.clear();
    m_leftOut.clear();
    auto add = [this](const QString& path, const QString& fileName, const QString& pileNo) {
        auto rec = std::make_unique<CExcelPileInfo>();
        FillFromDocument(*rec);
        rec->m_strPileNo = pileNo;
        rec->m_strFileName = fileName;
        if (path.isEmpty() || !LoadPileInfo(*rec, path)) {
            m_leftOut << (path.isEmpty() ? fileName : path);
            return;
        }
        ApplyCommonValues(*rec);
        m_items.push_back(std::move(rec));
    };
    if (m_bFiles) {
        for (size_t i = 0; i < m_paths.size(); ++i)
            add(m_paths[i], QFileInfo(m_paths[i]).completeBaseName(), m_pileNos[i]);
        return;
    }
    if (!m_pList || !m_pDoc)
        return;
    for (int row = 0; row < m_pList->GetItemCount(); ++row) {
        if (!m_pList->GetItemCheck(row))
            continue;
        const QString name = ListRowName(*m_pList, row);
        const qsizetype dot = name.lastIndexOf(u'.');
        add(ListRowPath(*m_pList, row), dot < 0 ? name : name.left(dot), m_pList->GetItemText(row, 2));
    }
}

void CRepExcel::PrepareWave(CWaveRecord& wave) const {
    if (!m_pDoc)
        return;
    wave.SetFillMode(m_pDoc->m_ProjectInfo.m_nValue2);
    wave.SetShowStyle(m_pDoc->m_nShowStyle);
    wave.SetWaveWidth(m_pDoc->m_nWaveWidth);
    wave.AutoAlignHead(m_pDoc->GetAlignMode());
}

bool CRepExcel::LoadPileInfo(CExcelPileInfo& rec, const QString& path) const {
    QByteArray file;
    try {
        file = pit::readWholeFile(path);
    } catch (const pit::FileError&) {
        return false;
    }
    pit::AnalysisBlock b;
    const pit::AnalysisBlockRead read = pit::ReadAnalysisBlock(file, b, path);
    if (read.kind == pit::AnalysisBlockRead::Kind::BlowFile)
        return LoadFromPileRecord(rec, path);
    if (read.kind != pit::AnalysisBlockRead::Kind::Fields)
        return false;
    if (!pit::ReadAnalysisChannel(file, b, b.ShownChannel(), rec.m_wave))
        return false;
    rec.m_strFileProject = b.project;
    rec.m_strDateTime = b.testDateText;
    rec.m_fLength = b.pileLength;
    rec.m_nSpeed = b.waveSpeed;
    rec.m_strClass = b.PileClass();
    rec.m_nGrade = BoundedGrade(b.gradeIndex);
    rec.m_fDiameter = b.diameter;
    rec.m_fEnlargedBase = b.enlarged;
    // Files without second sides keep one size for both.
    rec.m_fDiameter2 = b.hasSecondSides ? b.secondSide : b.diameter;
    rec.m_fEnlargedBase2 = b.hasSecondSides ? b.enlarged2 : b.enlarged;
    rec.m_strIntegrity = b.conclusion;
    rec.m_nShape = IsRoundName(b.shapeText) ? 0 : 1;
    rec.m_nSamples = b.samples;
    SetExcelAnalysisValues(rec, b.analysisValues);
    rec.m_nChannel = b.ShownChannel();
    PrepareWave(rec.m_wave);
    // The average of this file: its index follows the blows, its channels are this file's flags.
    rec.m_bAverage = rec.m_nChannel == b.channelCount;
    rec.m_strAvgChannels = rec.m_bAverage ? AverageBlowsText(b.blowFlags) : QString();
    return true;
}

bool CRepExcel::LoadFromPileRecord(CExcelPileInfo& rec, const QString& path) const {
    CPileRecord pile;
    if (!pile.TryReadFile(path))
        return false;
    const CWaveRecord* w = pile.CurrentChannel();
    if (!w)
        return false;
    rec.m_strFileProject = pile.m_strProject;
    rec.m_strPileNo = pile.m_strPileNo;
    rec.m_fEnlargedBase = pile.m_fEnlarged;
    rec.m_fEnlargedBase2 = pile.m_fEnlarged2;
    rec.m_strDateTime = pile.m_testDate.toString(QStringLiteral("yyyy-MM-dd")) + u' ' +
                        pile.m_testTime.toString(QStringLiteral("HH:mm:ss"));
    rec.m_fLength = pile.m_fPileLength;
    rec.m_fDiameter = pile.m_fDiameter;
    rec.m_fDiameter2 = pile.m_fSecondSide;
    rec.m_nSpeed = pile.m_nWaveSpeed;
    rec.m_strClass = pile.m_strClass;
    rec.m_nGrade = BoundedGrade(pile.m_nGradeIndex);
    SetExcelAnalysisValues(rec, pile.m_analysisValues);
    rec.m_strIntegrity = pile.m_strConclusion;
    rec.m_nShape = pile.m_nShape;
    rec.m_nChannel = pile.m_nCurrentChannel;
    rec.m_wave = *w;
    // The copy leaves out what the workbook shows of the processing.
    rec.m_wave.expStart = w->expStart;
    rec.m_wave.waveletHz = w->waveletHz;
    rec.m_wave.dataForm = w->dataForm;
    // Every sample of the wave (the layout never reads past it).
    rec.m_nSamples = rec.m_wave.SampleCount();
    PrepareWave(rec.m_wave);
    rec.m_bAverage = w->isAverage != 0;
    rec.m_strAvgChannels = rec.m_bAverage ? AverageBlowsText(pile.m_blowFlags) : QString();
    return true;
}

bool CRepExcel::ExportExcel() {
    const QStringList leftOut = AllLeftOut();
    if (m_items.empty()) {
        if (m_leftOut.isEmpty())
            Message(QStringLiteral("没有勾选可导出的桩，未生成工作簿。"),
                    QStringLiteral("No pile that can be read is checked: no workbook was written."),
                    pit::MB_OK | pit::MB_ICONWARNING);
        else
            TellLeftOut(pit::LeftOut::NoWorkbook, leftOut);
        return false;
    }
    if (!m_pExcel) {
        Message(QStringLiteral("没有可用的工作簿导出。"), QStringLiteral("No workbook export is available."),
                pit::MB_OK | pit::MB_ICONWARNING);
        return false;
    }
    std::vector<const CExcelPileInfo*> piles;
    for (const auto& rec : m_items)
        piles.push_back(rec.get());
    pit::ExcelTarget target;
    if (m_pDoc) {
        const QString index = m_pDoc->m_ProjectInfo.GetProjectPath();
        target.folder = index.isEmpty() ? m_pDoc->m_strFolder : QFileInfo(index).absolutePath();
        QString project = m_pDoc->m_ProjectInfo.m_texts[0].trimmed();
        if (project.isEmpty())
            project = QDir(target.folder).dirName();
        target.defaultName = pit::ResultWorkbookDefaultName(project, EnglishInterface());
    }
    const bool english = m_pSettings && m_pSettings->m_bLanguage != 0;
    if (!m_pExcel->ExportResults(piles, english, m_nDecimals, target))
        return false;
    TellLeftOut(pit::LeftOut::NotInWorkbook, leftOut);
    return true;
}
