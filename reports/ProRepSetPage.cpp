// The project report settings page.
#include "reports/ProRepSetPage.h"

#include "controls/CtrlId.h"
#include "controls/LanguageWidgets.h"
#include "controls/UiServices.h"
#include "core/doc/KEV_DUXDoc.h"
#include "core/doc/OptionTables.h"
#include "core/doc/PrintSettings.h"
#include "core/wave/WaveRecord.h"
#include "platform/Canvas.h"
#include "platform/MessageSink.h"
#include "platform/Metrics.h"
#include "platform/Numbers.h"
#include "reports/PageWidgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <algorithm>
#include <array>
#include <cmath>

using namespace pit::pages;

namespace pit {

namespace {

constexpr std::array<int, 8> kGapLimits = {50, 35, 25, 20, 16, 12, 10, 8}; // rows 3..10
constexpr std::array<float, kProjectFontSizes> kFontSizes = {5.0f,  5.5f,  6.5f,  7.5f,  8.0f,  9.0f,
                                                             10.0f, 10.5f, 11.0f, 12.0f, 14.0f, 15.0f};

} // namespace

int GapLimitForRows(int rows) {
    return kGapLimits[size_t(std::clamp(rows, 3, 10) - 3)];
}

int MaxRowsForWaveGap(int gap) {
    for (int rows = 10; rows > 3; --rows)
        if (GapLimitForRows(rows) >= gap)
            return rows;
    return 3;
}

float ProjectFontSize(int index) {
    return kFontSizes[size_t(std::clamp(index, 0, kProjectFontSizes - 1))];
}

int ProjectFontSizeEntry(float points) {
    for (int i = 0; i < kProjectFontSizes; ++i)
        if (std::fabs(kFontSizes[size_t(i)] - points) < 0.1f)
            return i;
    return 0;
}

int ChooseProjectFontSize(double points) {
    for (int i = kProjectFontSizes - 1; i >= 0; --i)
        if (points + 0.01 - kFontSizes[size_t(i)] >= 0.0001)
            return i;
    return 0;
}

int HeadLineCount(const CPrintSettings& s) {
    int n = 0;
    for (int i = 0; i < 14; ++i)
        if (i != 9 && s.m_bHeadInfo[i])
            ++n;
    if (s.m_bHeadInfo[6] && s.m_bHeadInfo[12])
        --n;
    return n == 0 ? 0 : (n <= 6 ? 1 : 2);
}

int FontFitLineUnits(const CPrintSettings& s) {
    const bool curves = s.m_bSpectrum || s.m_bXiangwei;
    return (curves ? 12 : 4) + HeadLineCount(s) + (s.m_bQualityAssess ? 1 : 0);
}

QString ProjectHeadLine(const HeadLineValues& v, const CPrintSettings& s, int decimals) {
    const bool en = s.m_bLanguage != 0;
    auto label = [en](const char16_t* zh, const char* english) {
        return en ? QString::fromLatin1(english) : QString::fromUtf16(zh);
    };
    const QString dateFormat = QStringLiteral("yyyy-MM-dd");
    QStringList parts;
    for (int i = 0; i < 14 && parts.size() < 6; ++i) {
        if (!s.m_bHeadInfo[i] || i == 9 || i == 12)
            continue;
        switch (i) {
        case 0:
            parts << label(u"桩号:", "ID:") + v.pileNo;
            break;
        case 1:
            parts << label(u"桩长:", "LE:") +
                         QString::asprintf("%.*fm", std::clamp(decimals, 0, 6), v.length);
            break;
        case 2:
            parts << label(u"波速:", "WS:") + QString::asprintf("%dm/s", v.speed);
            break;
        case 3:
            parts << label(u"强度等级:", "Con-L:") + v.grade;
            break;
        case 4:
            parts << label(u"桩类别:", "PileType:") + v.pileClass;
            break;
        case 5:
            parts << label(u"桩径:", "D:") +
                         (v.square ? QString::asprintf("%.0fmm*%0.fmm", v.diameter, v.secondSide)
                                   : QString::asprintf("%.0fmm", v.diameter));
            break;
        case 6:
            parts << label(u"测试日期:", "TestDate:") +
                         v.testDate.toString(s.m_bHeadInfo[12] ? QStringLiteral("yyyy-MM-dd HH:mm:ss")
                                                               : dateFormat);
            break;
        case 7:
            parts << label(u"低通:", "LP:") + QString::number(v.lowPass);
            break;
        case 8:
            parts << label(u" Exp:", "Exp:") + QString::number(v.exp);
            break;
        case 10:
            parts << label(u"仪器型号:", "InstrumentType:") + v.model;
            break;
        case 11:
            parts << label(u"备注:", "Remark:") + v.remark;
            break;
        case 13:
            parts << (s.m_iPrintType == 0
                          ? label(u"施工日期:", "CommDate:") + v.constructionDate.toString(dateFormat)
                          : label(u"龄期:", "Age:") + QString::number(v.age));
            break;
        }
    }
    return parts.join(u'|');
}

} // namespace pit

namespace {

QStringList rowTexts(int last) {
    QStringList t;
    for (int r = 3; r <= last; ++r)
        t << QString::number(r);
    return t;
}

pit::TextExtent measureOnScreen(const QString& text, int fontHeight) {
    const QFontMetrics fm(gdi::FontForCellHeight(QStringLiteral("宋体"), 100, fontHeight));
    return {fm.horizontalAdvance(text), fm.height()};
}

int ask(const QString& zh, const QString& en, const QString& captionZh, const QString& captionEn) {
    const bool english = pit::ui::english();
    return pit::ui::messages().show(english ? en : zh, english ? captionEn : captionZh,
                                    pit::MB_YESNO | pit::MB_ICONEXCLAMATION);
}

} // namespace

CProRepSetPage::CProRepSetPage(CKEV_DUXDoc* doc, CPrintSettings* settings)
    : measureText(measureOnScreen), m_doc(doc), m_pSettings(settings) {}

CProRepSetPage::~CProRepSetPage() {
    delete m_page;
}

QString CProRepSetPage::TabText() const {
    return QStringLiteral("工程报告设置");
}

QWidget* CProRepSetPage::CreatePage(QWidget* parent) {
    auto* page = new QWidget(parent);
    pit::SetCtrlId(page, kDialogId);
    m_page = page;
    CPrintSettings& s = *m_pSettings;

    m_format = MakeCombo(page, kFormat);
    m_infoType = MakeCombo(page, kInfoType);
    m_rows = MakeCombo(page, kRows);
    m_columns = MakeCombo(page, kColumns);
    m_ruler = MakeCombo(page, kRuler);
    m_fontSize = MakeCombo(page, kFontSize);
    m_gap = MakeEdit(page, kGap);
    m_gap->setValidator(new QIntValidator(0, 99999, m_gap));
    m_multiPicture =
        MakeCheck(page, kMultiPicture, Tr(u"允许批量导出单桩图片", "Export single-pile pictures in a batch"));

    auto* grid = new QGridLayout(page);
    const struct {
        const char16_t* zh;
        const char* en;
        QWidget* field;
    } rows[] = {{u"工程报告格式:", "Project report format:", m_format},
                {u"信息统计格式:", "Statistics format:", m_infoType},
                {u"行数:", "Rows:", m_rows},
                {u"列数:", "Columns:", m_columns},
                {u"波形间隔(mm):", "Waveform gap(mm):", m_gap},
                {u"标尺单位:", "Ruler unit:", m_ruler},
                {u"字体系数:", "Font size:", m_fontSize}};
    int row = 0;
    for (const auto& r : rows) {
        grid->addWidget(MakeLabel(page, Tr(r.zh, r.en)), row, 0);
        grid->addWidget(r.field, row++, 1);
    }
    grid->addWidget(m_multiPicture, row++, 0, 1, 2);
    grid->setRowStretch(row, 1);

    pit::TranslateDialog(page, unsigned(kDialogId));

    RefillQuiet(m_infoType, TrList({u"格式1", u"格式2", u"格式3"}, {"Format1", "Format2", "Format3"}));
    SelectQuiet(m_infoType, s.m_nInfoType);
    QStringList sizes;
    for (int i = 0; i < pit::kProjectFontSizes; ++i)
        sizes << pit::options::FontSizeName(1, i);
    RefillQuiet(m_fontSize, sizes);
    SelectQuiet(m_fontSize, m_doc ? pit::ProjectFontSizeEntry(m_doc->m_nFontRate) : 0);
    RefillQuiet(m_rows, rowTexts(10));
    SelectQuiet(m_rows, std::max(0, s.m_nRow - 3));
    RefillQuiet(m_columns, {QStringLiteral("1"), QStringLiteral("2")});
    SelectQuiet(m_columns, std::max(0, s.m_nColumn - 1));

    RefillQuiet(m_format,
                TrList({u"活动中文", u"报告格式一", u"活动英文", u"固定英文"},
                       {"Dynamic Chinese", "Report Format One", "Dynamic English", "Static English"}));
    SelectQuiet(m_format, s.m_nProType);
    // The format should match the interface language. A Yes only changes the
    // selection: OK takes format and language together, Cancel leaves both.
    if (pit::ui::english() && s.m_nProType < 2) {
        if (ask({},
                QStringLiteral("The report does not match the format program language, are you sure to "
                               "automatically adjust the report format?"),
                {}, QStringLiteral("Prompt")) == pit::IDYES)
            SelectQuiet(m_format, 2);
    } else if (!pit::ui::english() && s.m_nProType > 1) {
        if (ask(QStringLiteral("工程报告格式与软件当前语言不一致，是否自动调整？"), {},
                QStringLiteral("提示"), {}) == pit::IDYES)
            SelectQuiet(m_format, 0);
    }

    RefillQuiet(m_ruler, TrList({u"时间", u"长度"}, {"Time", "Length"}));
    // The second record has a current wave only once a pile was loaded into
    // it; before that the document's ruler unit stands.
    int axis = m_doc ? m_doc->m_nShowStyle : 1;
    if (m_doc)
        if (const CWaveRecord* w = m_doc->m_PileRecord2.CurrentChannel())
            axis = w->GetAxisMode();
    SelectQuiet(m_ruler, axis - 1);
    CheckQuiet(m_multiPicture, m_doc && m_doc->m_bIsMultiplePictrue);
    m_gap->setText(QString::number(s.m_nWaveGas));

    QObject::connect(m_format, &QComboBox::activated, page, [this](int i) { OnFormatChanged(i); });
    QObject::connect(m_infoType, &QComboBox::activated, page,
                     [this](int i) { m_pSettings->m_nInfoType = i; });
    QObject::connect(m_ruler, &QComboBox::activated, page, [this](int i) {
        if (m_doc)
            m_doc->m_nShowStyle = i + 1;
        CMyPropertySheet::RequestRefreshFrom(m_page, 6, 0);
    });
    QObject::connect(m_multiPicture, &QCheckBox::clicked, page, [this](bool on) {
        if (m_doc)
            m_doc->m_bIsMultiplePictrue = on;
    });
    QObject::connect(m_fontSize, &QComboBox::activated, page, [this](int i) {
        if (m_doc)
            m_doc->m_nFontRate = pit::ProjectFontSize(i);
        UpdateFontRate(true);
    });
    QObject::connect(m_rows, &QComboBox::activated, page, [this] {
        if (ValidateInput(true)) {
            m_pSettings->m_nRow = m_rows->currentIndex() + 3;
            UpdateFontRate(false);
        }
    });
    QObject::connect(m_columns, &QComboBox::activated, page, [this] { ValidateInput(false); });
    QObject::connect(m_gap, &QLineEdit::editingFinished, page, [this] { OnGapEdited(); });
    return page;
}

void CProRepSetPage::OnFormatChanged(int s) {
    CPrintSettings& p = *m_pSettings;
    if (p.m_nReportKind != s + 2 || p.m_nProType != s) {
        p.m_nReportKind = s + 2;
        p.SetProType(s);
    }
    p.m_bLanguage = s >= 2 ? 1 : 0;
    if (s == 0 || s == 1) {
        RefillQuiet(m_rows, rowTexts(10));
        SelectQuiet(m_rows, p.m_nRow - 3);
        m_columns->setEnabled(true);
    } else if (s == 2) {
        // The dynamic English report holds at most six rows in one column.
        RefillQuiet(m_rows, rowTexts(6));
        p.m_nRow = std::min(p.m_nRow, 6);
        SelectQuiet(m_rows, p.m_nRow - 3);
        p.m_nColumn = 1;
        SelectQuiet(m_columns, 0);
        m_columns->setEnabled(false);
    }
}

void CProRepSetPage::SetGap(int gap) {
    m_pSettings->m_nWaveGas = gap;
    m_gap->setText(QString::number(gap));
    // The spectrum is printed only with the smallest gap.
    if (gap > 3)
        m_pSettings->m_bSpectrum = 0;
}

bool CProRepSetPage::CheckWaveIntervalLimit(int rows) {
    const int gap = m_pSettings->m_nWaveGas;
    const int limit = pit::GapLimitForRows(rows);
    if (gap <= limit)
        return true;
    const int most = pit::MaxRowsForWaveGap(gap);
    const QString zh =
        QString::fromUtf16(
            u"当前报告行数为%1，其极限波形间隔值为%2(mm)。\n当前波形间隔值%3(mm)已超出极限值!\n\n"
            u"RGB(0,0,255)确认将波形间隔值改为%4(mm)吗？\nRGB(255,0,0)是:报告行数会自动调整为%5。\n"
            u"否:当前波形间隔值将更改为极限值%6。")
            .arg(rows)
            .arg(limit)
            .arg(gap)
            .arg(gap)
            .arg(most)
            .arg(limit);
    const QString en =
        QString::fromUtf16(
            u"In the present,the row is %1，the limit value of waveform interval is %2(mm).\t\t\t\t\t\t\t  \n"
            u"the current waveform interval %3(mm) exceeded the limit value !\t\t\t\t\t\t\t  \n\n"
            u"RGB(0,0,255)Are you sure to adjust waveform interval to %4(mm)?\t\t\t\t\t\t\t  \n"
            u"RGB(255,0,0)YES: The row will be adjusted to %5.\n"
            u"No: The waveform interval will be adjusted limit value %6.")
            .arg(rows)
            .arg(limit)
            .arg(gap)
            .arg(gap)
            .arg(most)
            .arg(limit);
    if (ask(zh, en, QStringLiteral("提示"), QStringLiteral("Prompt")) != pit::IDYES) {
        m_pSettings->m_nWaveGas = limit;
        return false;
    }
    m_pSettings->m_nRow = most;
    SelectQuiet(m_rows, most - 3);
    return true;
}

bool CProRepSetPage::CheckRowLimit(int& r) {
    const int rows = r + 3;
    const int gap = m_pSettings->m_nWaveGas;
    const int most = pit::MaxRowsForWaveGap(gap);
    if (rows <= most)
        return true;
    const int limit = pit::GapLimitForRows(rows);
    const QString zh =
        QString::fromUtf16(
            u"当前波形间隔值为%1(mm)，其极限报告行数为%2。\n当前所选报告行数%3已超出极限值!\n\n"
            u"RGB(0,0,255)确认将报告行数改为%4吗？\nRGB(255,0,0)是:波形间隔值将自动调整为%5(mm)\n"
            u"否:报告行数将更改为极限值%6。")
            .arg(gap)
            .arg(most)
            .arg(rows)
            .arg(rows)
            .arg(limit)
            .arg(most);
    const QString en =
        QString::fromUtf16(u"In the present,the waveform interval is %1(mm),the limit value of row is %2.\n"
                           u"the current row %3 exceeded the limit value!\t\t\t\t\t\t\t  \n\n"
                           u"RGB(0,0,255)Are you sure to Adjust the row to %4 ?\t\t\t\t\t\t\t  \n"
                           u"RGB(255,0,0)YES: Waveform interval will be adjusted to %5(mm)\n"
                           u"NO: The row will the adjusted to limit value %6.")
            .arg(gap)
            .arg(most)
            .arg(rows)
            .arg(rows)
            .arg(limit)
            .arg(most);
    if (ask(zh, en, QStringLiteral("提示"), QStringLiteral("Prompt")) != pit::IDYES) {
        r = most - 3;
        return false;
    }
    SetGap(limit);
    return true;
}

bool CProRepSetPage::ValidateInput(bool checkGap) {
    int r = m_rows->currentIndex();
    if (checkGap && !CheckRowLimit(r))
        SelectQuiet(m_rows, r);
    const int c = m_columns->currentIndex();
    // The selection, not the stored kind: a format the opening question chose
    // is stored only on OK.
    if (m_format->currentIndex() == 2 && r > 3) {
        const bool en = pit::ui::english();
        pit::ui::messages().show(en ? QStringLiteral("data illegal,please reinput!")
                                    : QStringLiteral("数据不合法,请重新输入!"),
                                 en ? QStringLiteral("Tips") : QStringLiteral("提示"), pit::MB_OK);
        SelectQuiet(m_rows, m_pSettings->m_nRow - 3);
        return false;
    }
    m_pSettings->m_nRow = r + 3;
    m_pSettings->m_nColumn = c + 1;
    return true;
}

void CProRepSetPage::OnGapEdited() {
    int gap = pit::atoiC(m_gap->text());
    const bool clamped = gap < 3 || gap > 50;
    gap = std::clamp(gap, 3, 50);
    m_pSettings->m_nWaveGas = gap;
    bool rewrite = clamped;
    if (!clamped && !CheckWaveIntervalLimit(m_pSettings->m_nRow))
        rewrite = true;
    if (rewrite)
        m_gap->setText(QString::number(m_pSettings->m_nWaveGas));
    if (m_pSettings->m_nWaveGas > 3)
        m_pSettings->m_bSpectrum = 0;
}

void CProRepSetPage::Apply() {
    if (!m_page)
        return;
    // What the box shows is what prints: a selection the question changed,
    // or a language that parted from the format, is settled here.
    const int s = m_format->currentIndex();
    const CPrintSettings& p = *m_pSettings;
    if (s >= 0 && (p.m_nProType != s || p.m_nReportKind != s + 2 || p.m_bLanguage != (s >= 2 ? 1 : 0)))
        OnFormatChanged(s);
}

bool CProRepSetPage::Validate() {
    if (m_page && m_gap->text() != QString::number(m_pSettings->m_nWaveGas))
        OnGapEdited();
    return true;
}

QString CProRepSetPage::SampleHeadLine() const {
    QString widest;
    bool any = false;
    if (m_doc) {
        const CPrintSettings& s = *m_pSettings;
        for (const CPileFileItem& item : m_doc->m_ProjectInfo.Files().GetVector()) {
            if (!item.m_bSummaryRead)
                continue;
            CPileRecord r;
            try {
                if (!r.ReadFile(item.m_strPath))
                    continue;
            } catch (...) {
                continue; // an unreadable pile has no line
            }
            pit::HeadLineValues v;
            v.pileNo = item.m_strPileNo;
            v.length = r.m_fPileLength;
            v.speed = r.m_nWaveSpeed;
            v.grade = pit::options::Grade(r.m_nGradeIndex);
            v.pileClass = r.m_strClass;
            v.diameter = r.m_fDiameter;
            v.secondSide = r.m_fSecondSide;
            v.square = r.m_nShape == 1;
            v.testDate = r.m_testDate;
            if (const CWaveRecord* w = r.CurrentChannel()) {
                int high = 0;
                w->GetFilterCutoffs(high, v.lowPass);
                v.exp = w->GetExpGain();
            }
            v.model = pit::options::InstrumentModel(m_doc->m_nYiqiXinghao);
            v.remark = r.m_strRemark;
            v.constructionDate = r.m_constructionDate;
            v.age = r.m_nAge;
            const QString line = pit::ProjectHeadLine(v, s, m_doc->m_nDecimalPointNum);
            if (!any || line.size() > widest.size())
                widest = line;
            any = true;
        }
    }
    return any ? widest : QString::fromUtf16(u" 工程名称:");
}

void CProRepSetPage::UpdateFontRate(bool chosenInBox) {
    CPrintSettings& s = *m_pSettings;
    if (!m_doc)
        return;
    const int units = pit::FontFitLineUnits(s);
    const double width = 210.0 - s.m_nmarginleft - s.m_nmarginr;
    const double height = 297.0 - s.m_nmargindown - s.m_nmarginup;
    if (chosenInBox) {
        s.m_fFontRate = m_doc->m_nFontRate;
        m_doc->m_bFontRateSet = true;
        return;
    }
    const QString sample = SampleHeadLine();
    const int rows = std::clamp(s.m_nRow, 3, 10);
    const double cell = (height - double(s.m_nWaveGas) * rows) / rows;
    const double line = cell / units;
    const int scale = pit::GetScreenScalePercent();
    const int widthPx = int(width / 25.4 * scale);
    const double linePx = line / 25.4 * scale;
    const pit::FontFit fit =
        pit::FitFontHeight(int(linePx * 0.5), widthPx, [&](int h) { return measureText(sample, h); });
    // A line that fits at no height gets the smallest size.
    const int entry = fit.fits ? pit::ChooseProjectFontSize(pit::FittedPoints(fit.extent.height, scale)) : 0;
    const float size = pit::ProjectFontSize(entry);
    m_doc->m_nFontRate = size;
    SelectQuiet(m_fontSize, entry);
    m_doc->m_bDefineRow = true;
    s.m_fFontRate = size;
    m_doc->m_bFontRateSet = true;
}
