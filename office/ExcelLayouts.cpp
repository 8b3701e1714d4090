// The two worksheet layouts: the result sheet of one pile ("Low Strain Result
// Data Format") and the raw-data sheet of the open pile ("Low Strain Raw Data
// Format"). Their header rows are tables: row, labels, value, kind.
#include "office/OfficeExcel.h"

#include "core/doc/OptionTables.h"
#include "core/doc/SharedRoutines.h"

#include <algorithm>

using pit::CellRange;
using Kind = OfficeExcel::Kind;

namespace {

constexpr int kTableRows = 1024; // rows of the sample tables at least

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// The test date-time text split at its last blank; no blank: all date, no time.
QString DatePart(const QString& dateTime) {
    const qsizetype blank = dateTime.lastIndexOf(u' ');
    return blank < 0 ? dateTime : dateTime.left(blank);
}

// Midnight is what a date without a time reads as, so it shows nothing.
QString TimePart(const QString& dateTime) {
    const qsizetype blank = dateTime.lastIndexOf(u' ');
    if (blank < 0)
        return {};
    const QString time = dateTime.mid(blank + 1);
    return time == QLatin1String("00:00:00") ? QString() : time;
}

// A grade index outside the table gives its first grade, as the statistics report does.
QString GradeName(int index) {
    return pit::options::Grade(index >= 0 && index < pit::options::GradeCount() ? index : 0);
}

QString Sizes(int shape, float first, float second) {
    return shape == 0 ? QString::asprintf("%.2f", double(first))
                      : QString::asprintf("%.2f * %.2f", double(first), double(second));
}

QString Int(int v) {
    return QString::number(v);
}

// The i-th defect mark's sample index, empty when there is none.
QString Defect(const CWaveRecord& wave, size_t i) {
    const auto& marks = wave.GetDefectMarks();
    return i < marks.size() ? Int(marks[i].index) : QString();
}

// Samples to write: no more than the wave holds.
int WrittenSamples(int requested, const CWaveRecord& wave) {
    return std::clamp(requested, 0, wave.SampleCount());
}

struct ResultRow {
    int row;
    const char* zh;
    const char* en;
    Kind kind;
    const char* numberFormat; // nullptr: none
    QString (*value)(const CExcelPileInfo& p, int decimals);
};

const ResultRow kResultRows[] = {
    {3, "工程名称", "Project Name", Kind::Text, nullptr, [](auto& p, int) { return p.m_strProject; }},
    {4, "检测单位", "Test Department", Kind::Text, nullptr, [](auto& p, int) { return p.m_strTestOrg; }},
    {5, "施工单位", "Construct Company", Kind::Text, nullptr, [](auto& p, int) { return p.m_strBuilder; }},
    {6, "检测人员", "Detect Man", Kind::Text, nullptr, [](auto& p, int) { return p.m_strTester; }},
    {7, "测试日期", "Test Date", Kind::Date, "yyyy-m-d;@",
     [](auto& p, int) { return DatePart(p.m_strDateTime); }},
    {8, "测试时间", "Test Time", Kind::Time, "h:mm:ss;@",
     [](auto& p, int) { return TimePart(p.m_strDateTime); }},
    {9, "仪器型号", "Instrument", Kind::Text, nullptr, [](auto& p, int) { return p.m_strInstrument; }},
    {10, "检测依据", "Technical Code", Kind::Text, nullptr, [](auto& p, int) { return p.m_strStandard; }},
    {12, "文件名", "File Name", Kind::Text, nullptr, [](auto& p, int) { return p.m_strFileName; }},
    {13, "桩号", "Pile Num", Kind::Text, nullptr, [](auto& p, int) { return p.m_strPileNo; }},
    {14, "桩长（m）", "Lenght（m）", Kind::Number, "0.00_ ",
     [](auto& p, int decimals) {
         QString text;
         FormatFloat(text, p.m_fLength, decimals, true);
         return text;
     }},
    {15, "桩径（mm）", "Diameter（mm）", Kind::Number, "0.00_ ",
     [](auto& p, int) { return Sizes(p.m_nShape, p.m_fDiameter, p.m_fDiameter2); }},
    {16, "扩底（mm）", "Expand（mm）", Kind::Number, "0.00_ ",
     [](auto& p, int) { return Sizes(p.m_nShape, p.m_fEnlargedBase, p.m_fEnlargedBase2); }},
    {17, "波速（m/s）", "Speed（m/s）", Kind::Number, nullptr, [](auto& p, int) { return Int(p.m_nSpeed); }},
    {18, "指数放大", "Index Enlarge", Kind::Number, nullptr,
     [](auto& p, int) { return Int(p.m_wave.GetExpGain()); }},
    {19, "小波滤波", "WaveletFilter", Kind::Number, nullptr,
     [](auto& p, int) { return Int(p.m_wave.GetWaveletFilter()); }},
    {20, "高通滤波", "Hight Filter", Kind::Number, nullptr,
     [](auto& p, int) { return Int(p.m_wave.highPassHz); }},
    {21, "低通滤波", "Low Filter", Kind::Number, nullptr,
     [](auto& p, int) { return Int(p.m_wave.lowPassHz); }},
    {22, "砼等级", "Con_L", Kind::Text, nullptr, [](auto& p, int) { return GradeName(p.m_nGrade); }},
    {23, "桩类别", "Pile Type", Kind::Text, nullptr, [](auto& p, int) { return p.m_strClass; }},
    {24, "完整性描述", "Description", Kind::Text, nullptr, [](auto& p, int) { return p.m_strIntegrity; }},
    {25, "频率上限", "Flimited", Kind::Number, nullptr, [](auto& p, int) { return Int(p.m_nFreqLimit); }},
    {26, "FMAX（Hz）", "FMAX（Hz）", Kind::Number, nullptr, [](auto& p, int) { return Int(p.m_nFMax); }},
    {27, "F0（Hz）", "F0（Hz）", Kind::Number, nullptr, [](auto& p, int) { return Int(p.m_nF0); }},
    {28, "dFL（Hz）", "dFL（Hz）", Kind::Number, nullptr, [](auto& p, int) { return Int(p.m_nDFL); }},
    {29, "dFD1（Hz）", "dFD1（Hz）", Kind::Number, nullptr, [](auto& p, int) { return Int(p.m_nDFD1); }},
    {30, "dFD2（Hz）", "dFD2（Hz）", Kind::Number, nullptr, [](auto& p, int) { return Int(p.m_nDFD2); }},
    {31, "桩头起始点序号", "Pile Head Start Pos", Kind::Number, nullptr,
     [](auto& p, int) { return Int(p.m_wave.GetGainStart()); }},
    {32, "桩底终止点序号", "Pile bottom End Pos", Kind::Number, nullptr,
     [](auto& p, int) { return Int(p.m_wave.ToeIndexFor(p.m_fLength, p.m_nSpeed)); }},
    {33, "缺陷1的点序号", "defect 1", Kind::Number, nullptr,
     [](auto& p, int) { return Defect(p.m_wave, 0); }},
    {34, "缺陷2的点序号", "defect 2", Kind::Number, nullptr,
     [](auto& p, int) { return Defect(p.m_wave, 1); }},
    {35, "缺陷3的点序号", "defect 3", Kind::Number, nullptr,
     [](auto& p, int) { return Defect(p.m_wave, 2); }},
    {36, "缺陷4的点序号", "defect 4", Kind::Number, nullptr,
     [](auto& p, int) { return Defect(p.m_wave, 3); }},
    {37, "结果波形通道号", "Result Wave Num", Kind::Text, nullptr,
     [](auto& p, int) {
         return p.m_bAverage ? QStringLiteral("CHAVG") : QStringLiteral("CH%1").arg(p.m_nChannel + 1);
     }},
};

// Rows of the raw header with a value in column B.
struct RawRow {
    int row;
    const char* zh;
    const char* en;
    Kind kind;
    QString (*value)(const CExcelRawInfo& r, const AverageFlags& flags);
};

const RawRow kRawRows[] = {
    {3, "工程名称", "Project Name", Kind::Text, [](auto& r, auto&) { return r.m_strProject; }},
    {4, "检测单位", "Test Department", Kind::Text, [](auto& r, auto&) { return r.m_strTestOrg; }},
    {5, "施工单位", "Construct Company", Kind::Text, [](auto& r, auto&) { return r.m_strBuilder; }},
    {6, "检测人员", "Detect Man", Kind::Text, [](auto& r, auto&) { return r.m_strTester; }},
    {7, "测试日期", "Test Date", Kind::Date, [](auto& r, auto&) { return DatePart(r.m_strDateTime); }},
    {8, "测试时间", "Test Time", Kind::Time, [](auto& r, auto&) { return TimePart(r.m_strDateTime); }},
    {9, "桩号", "Pile Num", Kind::Text, [](auto& r, auto&) { return r.m_strPileNo; }},
    {10, "采样数量", "Sample Num", Kind::Number, [](auto& r, auto&) { return Int(r.m_nChannels); }},
    {11, "备注", "Remark", Kind::Text, [](auto& r, auto&) { return r.m_strRemark; }},
    {12, "", "", Kind::Text, nullptr},
    {13, "预设桩长（m）", "PreLength（m）", Kind::Text, nullptr},
    {14, "预设波速（m/s）", "PreFixSpeed（m/s）", Kind::Text, nullptr},
    {15, "桩径（mm）", "Diameter（mm）", Kind::Number, [](auto& r, auto&) { return r.m_strDiameter; }},
    {16, "采样间隔（μs）", "Sample Interval（μs）", Kind::Number,
     [](auto& r, auto&) { return QString::asprintf("%.2f", double(r.m_fInterval)); }},
    {17, "是否积分", "Is integral ", Kind::Text, nullptr},
    {18, "", "", Kind::Text, nullptr},
    {19, "指数放大", "Index Enlarge", Kind::Text, nullptr},
    {20, "高通滤波", "Hight Filter", Kind::Text, nullptr},
    {21, "低通滤波", "Low Filter", Kind::Text, nullptr},
    {22, "桩头起始点序号", "Pile Head Start Pos", Kind::Text, nullptr},
    {23, "参与平均波形计算的通道号", "In the calculation of the number average waveform", Kind::Text,
     [](auto&, auto& flags) { return AverageBlowsText(flags); }},
};

// The per-channel rows of the raw sheet.
struct ChannelRow {
    int row;
    Kind kind;
    QString (*value)(const CWaveRecord& w, bool english);
};

const ChannelRow kChannelRows[] = {
    {13, Kind::Number, [](auto& w, bool) { return QString::asprintf("%.2f", double(w.GetPileLength())); }},
    {14, Kind::Number, [](auto& w, bool) { return Int(w.GetWaveSpeed()); }},
    {17, Kind::Text,
     [](auto& w, bool english) {
         QString text;
         IntegrationStateText(text, w.GetDataForm(), english);
         return text;
     }},
    {19, Kind::Number, [](auto& w, bool) { return Int(w.GetExpGain()); }},
    {20, Kind::Number, [](auto& w, bool) { return Int(w.highPassHz); }},
    {21, Kind::Number, [](auto& w, bool) { return Int(w.lowPassHz); }},
    {22, Kind::Number, [](auto& w, bool) { return Int(w.GetGainStart()); }},
};

QString Sample(float v) {
    return QString::asprintf("%.6f", double(v));
}

// i x interval in the single precision the sample times are kept in.
QString SampleTime(int i, float interval) {
    return QString::asprintf("%.6f", double(float(i) * interval));
}

// Rows of the raw sample table: 1024, or down to the last sample written.
int RawTableRows(int samples, const std::vector<const CWaveRecord*>& waves) {
    int rows = kTableRows;
    for (const CWaveRecord* w : waves)
        if (w)
            rows = std::max(rows, WrittenSamples(samples, *w));
    return rows;
}

} // namespace

// ---- result layout ------------------------------------------------------------

void OfficeExcel::ExportResultWorkbook(const CExcelPileInfo& pile, int sheetIndex, bool english,
                                       int decimals) {
    if (!SelectSheet(sheetIndex))
        return;
    SetColumnWidth(1, QStringLiteral("23"));
    SetColumnWidth(2, QStringLiteral("14.25"));
    SetColumnWidth(3, QStringLiteral("15.75"));
    SetCell(1, 1, english ? U("Low Strain Result Data Format") : U("低应变结果数据格式"));
    SetCell(2, 1, english ? U("Project ") : U("项目"));
    SetCellAlignment(2, 1, xlCenter);
    FreezeTitleRows();

    const int d = pile.m_strAvgChannels.isEmpty() ? 0 : 1;
    // The sample table has 1024 rows, more when the wave is longer.
    const int lastRow = 39 + d + std::max(kTableRows, WrittenSamples(pile.m_nSamples, pile.m_wave));
    DrawGrid({2, 1, lastRow, 3});
    MergeAcross({2, 2, 38 + d, 3});
    SetRangeNumberFormat({40 + d, 1, lastRow, 1}, QStringLiteral("@"));

    WriteResultHeader(pile, english, decimals);
    const int head = 39 + d;
    SetCell(head, 1, english ? U("Num") : U("点数序号"));
    SetCell(head, 2, english ? U("Time(μs)") : U("对应时间(μs)"));
    SetCell(head, 3, QStringLiteral("m/s"));
    SetCellAlignment(head, 2, xlCenter);
    SetCellAlignment(head, 3, xlCenter);
    WriteResultData(pile);
    if (d) {
        SetCell(38, 1,
                english ? U("In the calculation of the number average waveform")
                        : U("参与平均波形计算的通道号"));
        SetCell(38, 2, pile.m_strAvgChannels);
        SetCellAlignment(38, 2, xlRight);
    }
    RenameSheet(pile.m_strFileName);
}

void OfficeExcel::WriteResultHeader(const CExcelPileInfo& pile, bool english, int decimals) {
    for (const ResultRow& r : kResultRows) {
        SetCell(r.row, 1, U(english ? r.en : r.zh));
        if (r.numberFormat)
            SetCellNumberFormat(r.row, 2, U(r.numberFormat));
        SetCell(r.row, 2, r.value(pile, decimals), r.kind);
    }
    SetRangeAlignment({3, 2, 37, 2}, xlRight);
}

void OfficeExcel::WriteResultData(const CExcelPileInfo& pile) {
    const int first = pile.m_strAvgChannels.isEmpty() ? 40 : 41;
    const std::vector<float>& samples = pile.m_wave.Source();
    const float interval = pile.m_wave.GetSampleInterval();
    const int n = WrittenSamples(pile.m_nSamples, pile.m_wave);
    for (int i = 0; i < n; ++i) {
        const int row = first + i;
        SetCell(row, 1, Int(i), Kind::Number);
        SetCell(row, 2, SampleTime(i, interval), Kind::Number);
        SetCell(row, 3, Sample(samples[size_t(i)]), Kind::Number);
    }
}

bool OfficeExcel::ExportResultSheets(const std::vector<const CExcelPileInfo*>& piles, bool english,
                                     int decimals, const std::function<bool(int, int)>& progress) {
    int index = 0;
    int done = 0;
    for (const CExcelPileInfo* pile : piles) {
        if (progress && !progress(done++, int(piles.size())))
            return false;
        if (!pile)
            continue;
        // Sheets are added as they are needed, so each new one can already
        // carry a name that no later rename collides with.
        if (index >= m_book.SheetCount())
            m_book.AddSheet(pile->m_strFileName);
        ExportResultWorkbook(*pile, index, english, decimals);
        ++index;
    }
    return true;
}

// ---- raw-data layout ------------------------------------------------------------

bool OfficeExcel::ExportRawDataWorkbook(const CExcelRawInfo& info, const AverageFlags& flags,
                                        const std::vector<const CWaveRecord*>& waves,
                                        const QString& sheetName) {
    if (!SelectSheet(sheetName))
        return false;
    const bool english = info.m_bEnglish != 0;
    const int n = std::clamp(info.m_nChannels, 0, int(flags.size()));
    const int lastCol = n + 3;
    // Only the channels and the average have columns.
    const std::vector<const CWaveRecord*> shown(waves.begin(),
                                                waves.begin() + std::min(waves.size(), size_t(n) + 1));

    SetColumnWidth(1, QStringLiteral("21"));
    SetColumnWidth(2, QStringLiteral("14.75"));
    SetCell(1, 1, english ? U("Low Strain Raw Data Format") : U("低应变原始数据格式"));
    SetCell(2, 1, english ? U("Project") : U("项目"));
    SetCellAlignment(2, 1, xlCenter);
    FreezeTitleRows();
    DrawGrid({2, 1, 23, 2});

    for (int c = 1; c <= n + 1; ++c) {
        SetCell(12, c + 2, c <= n ? QStringLiteral("CH%1").arg(c) : QStringLiteral("CHAVG"));
        SetColumnWidth(c + 2, QStringLiteral("13.88"));
    }
    const CellRange headings{12, 3, 12, lastCol};
    SetRangeAlignment(headings, xlCenter);
    SetBorder(headings, xlDiagonalDown, xlLineStyleNone);
    SetBorder(headings, xlDiagonalUp, xlLineStyleNone);
    for (int index = xlEdgeLeft; index <= xlInsideVertical; ++index)
        SetBorder(headings, index, xlContinuous);
    DrawGrid({25, 1, 25 + RawTableRows(info.m_nSamples, shown), lastCol});

    WriteRawHeader(info, flags);
    SetCell(25, 1, english ? U("Num") : U("点数序号"));
    SetCell(25, 2, english ? U("Time(μs)") : U("对应时间(μs)"));
    MergeAcross({25, 3, 25, lastCol});
    SetCell(25, 3, QStringLiteral("m/s"));
    SetRangeAlignment({25, 3, 25, lastCol}, xlCenter);
    WriteRawData(info.m_fInterval, info.m_nSamples, shown, english);
    RenameSheet(english ? U("The original data format") : U("原始数据数据格式"));
    return true;
}

void OfficeExcel::WriteRawHeader(const CExcelRawInfo& info, const AverageFlags& flags) {
    const bool english = info.m_bEnglish != 0;
    SetCellNumberFormat(7, 2, QStringLiteral("yyyy-m-d;@"));
    SetCellNumberFormat(8, 2, QStringLiteral("h:mm:ss;@"));
    SetCellNumberFormat(13, 2, QStringLiteral("0.00_ "));
    SetCellNumberFormat(16, 2, QStringLiteral("0.00_ "));
    for (const RawRow& r : kRawRows) {
        SetCell(r.row, 1, U(english ? r.en : r.zh));
        if (r.value)
            SetCell(r.row, 2, r.value(info, flags), r.kind);
    }
    SetRangeAlignment({3, 2, 23, 2}, xlRight);
}

void OfficeExcel::WriteRawData(float interval, int samples, const std::vector<const CWaveRecord*>& waves,
                               bool english) {
    const int lastCol = int(waves.size()) + 2;
    for (size_t j = 0; j < waves.size(); ++j) {
        if (!waves[j])
            continue;
        const int col = int(j) + 3;
        for (const ChannelRow& r : kChannelRows) {
            SetCell(r.row, col, r.value(*waves[j], english), r.kind);
            for (int index = xlEdgeLeft; index <= xlEdgeRight; ++index)
                SetBorder(CellRange::Cell(r.row, col), index, xlContinuous);
        }
    }
    SetRangeAlignment({13, 3, 22, lastCol}, xlRight);

    const int rows = RawTableRows(samples, waves);
    SetRangeNumberFormat({26, 1, 25 + rows, 1}, QStringLiteral("@"));
    for (int i = 0; i < rows; ++i) {
        SetCell(26 + i, 1, Int(i), Kind::Number);
        SetCell(26 + i, 2, SampleTime(i, interval), Kind::Number);
    }
    SetRangeAlignment({26, 1, 25 + rows, 1}, xlRight);
    for (size_t j = 0; j < waves.size(); ++j) {
        if (!waves[j])
            continue;
        const std::vector<float>& data = waves[j]->Source();
        const int n = WrittenSamples(samples, *waves[j]);
        for (int i = 0; i < n; ++i)
            SetCell(26 + i, int(j) + 3, Sample(data[size_t(i)]), Kind::Number);
    }
    SetRangeAlignment({26, 3, 25 + rows, lastCol}, xlRight);
}
