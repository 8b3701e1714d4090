#include "reports/ExcelStateExport.h"

#include "core/pile/PileRecord.h"
#include "core/project/ProjectInfo.h"
#include "platform/SafeText.h"

#include <algorithm>

namespace pit {

RawWorkbookInput MakeRawWorkbookInput(const CPileRecord& pile, const CProjectInfo& project,
                                      const CPileParamSet* fixed, bool english) {
    RawWorkbookInput in;
    CExcelRawInfo& r = in.info;
    r.m_strPileNo = pile.m_strPileNo;
    // A record without a valid test date shows none.
    if (pile.m_testDate.isValid())
        r.m_strDateTime = pile.m_testDate.toString(QStringLiteral("yyyy-MM-dd")) +
                          (pile.m_testTime.isValid() ? pile.m_testTime.toString(QStringLiteral(" HH:mm:ss"))
                                                     : QStringLiteral(" 00:00:00"));
    r.m_strProject = project.m_texts[0];
    r.m_strTestOrg = project.m_texts[2];
    r.m_strTester = project.m_texts[4];
    r.m_strBuilder = project.m_texts[5];
    r.m_strRemark = pile.m_strRemark;

    const bool square = fixed ? fixed->shapeIndex != 0 : pile.m_nShape != 0;
    const float side1 = fixed ? fixed->diameter : pile.m_fDiameter;
    const float side2 = fixed ? fixed->secondSide : pile.m_fSecondSide;
    r.m_strDiameter = square ? QString::asprintf("%.2f*%.2f", double(side1), double(side2))
                             : QString::asprintf("%.2f", double(side1));

    for (int i = 0; i < pile.ChannelCountInList(); ++i)
        in.waves.push_back(pile.Channel(i));
    r.m_nChannels = std::max(0, pile.ChannelCountInList() - 1);
    // A record whose header leaves these unset takes them from its first channel.
    const CWaveRecord* first = in.waves.empty() ? nullptr : in.waves.front();
    r.m_nSamples = pile.m_nSamples > 0 || !first ? pile.m_nSamples : first->SampleCount();
    r.m_fInterval =
        pile.m_fSampleInterval > 0 || !first ? pile.m_fSampleInterval : first->GetSampleInterval();
    r.m_bEnglish = english ? 1 : 0;
    in.flags = pile.m_blowFlags;
    return in;
}

QString RawWorkbookDefaultName(const QString& pileNo, bool english) {
    return FileNamePart(pileNo).trimmed() +
           (english ? QStringLiteral("_RawData.xlsx") : QStringLiteral("_原始数据.xlsx"));
}

QString ResultWorkbookDefaultName(const QString& project, bool english) {
    return FileNamePart(project).trimmed() +
           (english ? QStringLiteral("_ResultData.xlsx") : QStringLiteral("_结果数据.xlsx"));
}

} // namespace pit
