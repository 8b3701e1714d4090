#include "reports/ProjectItems.h"

#include "core/doc/KEV_DUXDoc.h"
#include "core/doc/OptionTables.h"
#include "core/doc/SharedRoutines.h"
#include "core/pile/AnalysisBlock.h"
#include "core/pile/PileRecord.h"
#include "platform/AtomicFile.h"
#include "platform/FileError.h"

#include <algorithm>

namespace {

// The head-information flag of each row item.
constexpr int kItemFlag[12] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 13};

// Spectrum range, Fmax, F0, dFL, dFD1 and dFD2 as the file keeps them.
void SetItemAnalysisValues(CReportPileItem& item, const std::array<int32_t, 6>& v) {
    item.m_nSpecRange = v[0];
    item.m_nFAMax = v[1];
    item.m_nF0 = v[2];
    item.m_nDFL = v[3];
    item.m_nDFD1 = v[4];
    item.m_nDFD2 = v[5];
}

} // namespace

namespace pit {

ProjectRowItems BuildProjectRowItems(const CReportPileItem& it, const CPrintSettings& s, int decimals) {
    const bool en = s.m_bLanguage == 1;
    ProjectRowItems r;
    auto L = [en](const char16_t* zh, const char* english) {
        return en ? QString::fromLatin1(english) : QString::fromUtf16(zh);
    };
    r.labels = {L(u"桩号:", "ID:"),
                L(u"桩长:", "LE:"),
                L(u"波速:", "WS:"),
                L(u"强度等级:", "Con-L:"),
                L(u"桩类别:", "PileType:"),
                L(u"桩径:", "D:"),
                L(u"测试日期:", "TestDate:"),
                L(u"低通:", "LP:"),
                L(u" Exp:", "Exp:"),
                L(u"仪器型号:", "InstrumentType:"),
                L(u"备注:", "Remark:"),
                s.m_iPrintType == 1 ? L(u"龄期:", "Age:") : L(u"施工日期:", "CommDate:")};
    QString length;
    FormatFloat(length, it.m_fLength, decimals, true);
    int hp = 0, lp = 0;
    it.m_wave.GetFilterCutoffs(hp, lp);
    const QString date = it.m_dtTest.toString(QStringLiteral("yyyy-MM-dd"));
    r.values = {it.m_strPileNo,
                length + QStringLiteral("m"),
                QString::asprintf("%dm/s", it.m_nSpeed),
                options::Grade(std::clamp(it.m_nGrade, 0, 18)),
                it.m_strPileType,
                it.m_bSquare ? QString::asprintf("%.0fmm*%0.fmm", double(it.m_fDiameter), double(it.m_fSide))
                             : QString::asprintf("%.0fmm", double(it.m_fDiameter)),
                date,
                QString::asprintf("%d", lp),
                QString::asprintf("%d", it.m_wave.GetExpGain()),
                it.m_strModel,
                it.m_strRemark,
                s.m_iPrintType == 1 ? QString::asprintf("%d", it.m_nAge)
                                    : it.m_dtConstruct.toString(QStringLiteral("yyyy-MM-dd"))};
    // With the test time, the date becomes the label and the time the value.
    if (s.m_bHeadInfo[12]) {
        r.labels[6] = date;
        r.values[6] = it.m_dtTest.toString(QStringLiteral(" HH:mm:ss"));
    }
    for (int i = 0; i < 12; ++i)
        r.shown[size_t(i)] = s.m_bHeadInfo[kItemFlag[i]] != 0;
    return r;
}

int ProjectFieldCount(const CPrintSettings& s) {
    return int(std::count_if(std::begin(kItemFlag), std::end(kItemFlag),
                             [&s](int flag) { return s.m_bHeadInfo[flag] != 0; }));
}

int ProjectCellLineUnits(const CPrintSettings& s) {
    const bool withSpectrum = s.m_bSpectrum || s.m_bXiangwei;
    return ProjectInfoLineCount(ProjectFieldCount(s)) + (withSpectrum ? 6 : 4) + (withSpectrum ? 6 : 0) +
           (s.m_bQualityAssess ? 1 : 0);
}

bool AnalysedWaveReads(const QByteArray& file, const AnalysisBlock& b, CWaveRecord* wave) {
    CWaveRecord scratch;
    return ReadAnalysisChannel(file, b, b.ShownChannel(), wave ? *wave : scratch);
}

bool AnalysedWaveReads(const QString& path, const AnalysisBlock& b) {
    try {
        return AnalysedWaveReads(readWholeFile(path), b);
    } catch (const FileError&) {
        return false;
    }
}

bool LoadProjectPileItem(const CKEV_DUXDoc* doc, CReportPileItem& item, const QString& path, bool allAge) {
    QByteArray file;
    try {
        file = pit::readWholeFile(path);
    } catch (const pit::FileError&) {
        return false;
    }
    pit::AnalysisBlock b;
    const pit::AnalysisBlockRead read = pit::ReadAnalysisBlock(file, b, path);
    const bool commonAge = allAge && doc && doc->m_bAllPilesAge;
    std::array<int32_t, 15> blowFlags{};
    int averageIndex = -1;
    if (read.kind == pit::AnalysisBlockRead::Kind::BlowFile) {
        CPileRecord pile;
        if (!pile.TryReadFile(path))
            return false;
        const CWaveRecord* w = pile.CurrentChannel();
        if (!w)
            return false;
        item.m_strFileInfo = pile.m_strProject;
        item.m_dtTest = pile.m_testDate;
        item.m_dtConstruct = pile.m_constructionDate;
        item.m_fLength = pile.m_fPileLength;
        item.m_nSpeed = pile.m_nWaveSpeed;
        item.m_strPileType = pile.m_strClass;
        item.m_nGrade = std::clamp(pile.m_nGradeIndex, 0, 18);
        item.m_fDiameter = pile.m_fDiameter;
        item.m_fSide = pile.m_fSecondSide;
        item.m_fValueA = pile.m_fEnlarged;
        item.m_fValueB = pile.m_fEnlarged2;
        item.m_strIntegrity = pile.m_strConclusion;
        item.m_strRemark = pile.m_strIdText2;
        item.m_bSquare = pile.m_nShape == 1 ? 1 : 0;
        SetItemAnalysisValues(item, pile.m_analysisValues);
        item.m_nChannel = pile.m_nCurrentChannel;
        item.m_nFirstSample = 0;
        item.m_nSampleCount = 1024;
        item.m_wave = *w;
        blowFlags = pile.m_blowFlags;
        averageIndex = pile.ChannelCountInList() - 1;
    } else if (read.kind == pit::AnalysisBlockRead::Kind::Fields) {
        item.m_dtConstruct = b.constructionDate.isValid() ? b.constructionDate : b.testDate;
        item.m_strFileInfo = b.project;
        item.m_dtTest = b.testDate;
        if (b.hasTexts65)
            item.m_strProjectD = b.text5;
        item.m_fLength = b.pileLength;
        item.m_nSpeed = b.waveSpeed;
        item.m_strPileType = b.PileClass();
        item.m_nGrade = std::clamp(b.gradeIndex, 0, 18);
        item.m_fDiameter = b.diameter;
        item.m_fValueA = b.enlarged;
        item.m_strIntegrity = b.conclusion;
        item.m_strRemark = b.idText2;
        item.m_bSquare = b.IsSquare() ? 1 : 0;
        item.m_nFirstSample = b.spareCounter;
        item.m_nSampleCount = b.samples;
        SetItemAnalysisValues(item, b.analysisValues);
        item.m_nChannel = b.ShownChannel();
        if (b.hasSecondSides) {
            item.m_fSide = b.secondSide;
            item.m_fValueB = b.enlarged2;
        } else {
            // Without second sides the pile is round, each second value its first.
            item.m_bSquare = 0;
            item.m_fSide = item.m_fDiameter;
            item.m_fValueB = item.m_fValueA;
        }
        if (!AnalysedWaveReads(file, b, &item.m_wave))
            return false;
        blowFlags = b.blowFlags;
        averageIndex = b.channelCount;
    } else {
        return false;
    }
    item.m_nAge = item.m_dtConstruct.isValid() && item.m_dtTest.isValid()
                      ? int(item.m_dtConstruct.daysTo(item.m_dtTest))
                      : 0;
    if (commonAge) {
        item.m_nAge = doc->m_iAllAge;
        item.m_dtConstruct = item.m_dtTest.addDays(-item.m_nAge);
    }
    if (doc) {
        item.m_wave.SetFillMode(doc->m_ProjectInfo.m_nValue2);
        item.m_wave.SetShowStyle(doc->m_nShowStyle);
        item.m_wave.SetWaveWidth(doc->m_nWaveWidth);
        item.m_nRefine = doc->m_nRefineIndex;
    }
    // The blows of the average, from this pile's own file.
    item.m_strAvgBlows = item.m_nChannel == averageIndex ? AverageBlowsText(blowFlags) : QString();
    return true;
}

} // namespace pit
