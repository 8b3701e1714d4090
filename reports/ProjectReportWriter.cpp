// The project report's font-rate fitting.
#include "reports/ProjectReportWriter.h"

#include "core/doc/KEV_DUXDoc.h"
#include "core/doc/OptionTables.h"
#include "core/pile/PileHeader.h"
#include "platform/Canvas.h"
#include "platform/Metrics.h"
#include "reports/ProjectItems.h"

#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <algorithm>
#include <cmath>

namespace {

bool HasBlowMagic(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = f.read(10);
    if (head.size() < 10)
        return false;
    return pit::MagicText(reinterpret_cast<const uint8_t*>(head.constData())) == "A-RIRADAD";
}

} // namespace

CProjectReportWriter::CProjectReportWriter(CKEV_DUXDoc* doc) : m_doc(doc) {
    measure = [](const QString& text, int height) {
        const QFont f = gdi::FontForCellHeight(QStringLiteral("宋体"), 100, std::max(1, height));
        const QFontMetrics fm(f);
        return pit::TextExtent{fm.horizontalAdvance(text), fm.height()};
    };
}

float CProjectReportWriter::ChooseSize(double points) {
    for (int i = 11; i >= 0; --i)
        if (points + 0.01 - kSizes[i] > 0.0001)
            return kSizes[i];
    return 5.0f;
}

QString CProjectReportWriter::FormatHeadInfoItems(const pit::ProjectRowItems& row) {
    QStringList parts;
    for (int i = 0; i < 12 && parts.size() < 6; ++i)
        if (row.shown[size_t(i)])
            parts << row.Text(i);
    return parts.join(QLatin1Char('|'));
}

QString CProjectReportWriter::FormatPileHeaderLines() const {
    if (!m_doc)
        return {};
    QString longest;
    for (CPileFileItem& file : m_doc->m_ProjectInfo.Files().GetVector()) {
        file.ReadFileSummary();
        if (!HasBlowMagic(file.m_strPath))
            continue;
        CReportPileItem item;
        const auto& t = m_doc->m_ProjectInfo.m_texts;
        item.m_strModel = pit::options::InstrumentModel(m_doc->m_nYiqiXinghao);
        item.m_strStandard = pit::options::TestStandard(m_doc->m_nJianceYiju);
        item.m_strProject = t[0];
        item.m_strProjectB = t[3];
        item.m_strProjectC = t[2];
        item.m_strProjectD = t[5];
        item.m_strProjectE = t[4];
        if (!pit::LoadProjectPileItem(m_doc, item, file.m_strPath, false))
            continue;
        item.m_strPileNo = file.m_strName;
        const QString line =
            FormatHeadInfoItems(pit::BuildProjectRowItems(item, m_settings, m_doc->m_nDecimalPointNum));
        if (line.size() > longest.size())
            longest = line;
    }
    return longest;
}

float CProjectReportWriter::FitFontRate(bool keep) {
    float& stored = m_doc ? m_doc->m_nFontRate : m_settings.m_fFontRate;
    if (!keep) {
        const CPrintSettings& s = m_settings;
        const int units = pit::ProjectCellLineUnits(s);
        const QString text = FormatPileHeaderLines();
        const int rows = std::clamp(s.m_nRow, 3, 10);
        const double width = 210.0 - s.m_nmarginleft - s.m_nmarginr;
        const double height = 297.0 - s.m_nmargindown - s.m_nmarginup - double(s.m_nWaveGas) * rows;
        const double unit = height / rows / units;
        const int S = scalePercent > 0 ? scalePercent : pit::GetScreenScalePercent();
        const int boxW = int(width / 25.4 * S);
        const int boxH = int(unit / 25.4 * S);
        // A box of no width, or a line that fits at no height, takes the smallest size.
        const pit::FontFit fit =
            boxW > 0 ? pit::FitFontHeight(int(boxH * 0.5), boxW, [&](int h) { return measure(text, h); })
                     : pit::FontFit{};
        if (!fit.fits) {
            stored = 5.0f;
        } else {
            const int hp = int(fit.extent.height * 100.0 / S);
            stored = ChooseSize(hp * 72.0 / 96.0);
        }
    }
    m_settings.m_fFontRate = stored;
    return stored;
}
