// Report mode's list arithmetic.
#include "reportmode/ExportViewRules.h"

#include "core/doc/CommonInfo.h"
#include "core/pile/AnalysisBlock.h"
#include "core/pile/PileRecord.h"
#include "platform/FileError.h"
#include "platform/SafeText.h"
#include "reports/ProjectItems.h"

#include <cmath>
#include <cstring>

namespace pit::report {

RowFile ReadRowFile(const QString& path) {
    RowFile r;
    AnalysisBlock b;
    const AnalysisBlockRead read = ReadAnalysisBlockFile(path, b);
    switch (read.kind) {
    case AnalysisBlockRead::Kind::Fields: {
        // Readable as the project report reads it: with its analysed wave,
        // so that the statistics count exactly the piles the report holds.
        if (!AnalysedWaveReads(path, b)) {
            r.why = QStringLiteral("the analysed wave cannot be read");
            return r;
        }
        r.readable = true;
        r.speed = b.waveSpeed;
        r.description = b.conclusion;
        r.project = b.project;
        for (int i = 0; i < 3; ++i)
            r.elevations[size_t(i)] = b.PileValue(i);
        return r;
    }
    case AnalysisBlockRead::Kind::BlowFile: {
        // An unsaved blow file keeps its speed in its header and blow table.
        CPileRecord pile;
        try {
            if (pile.ReadFile(path) && pile.CurrentChannel()) {
                r.readable = true;
                r.speed = pile.m_nWaveSpeed;
                r.description = pile.m_strConclusion;
                r.project = pile.m_strProject;
                for (int i = 0; i < 3; ++i)
                    std::memcpy(&r.elevations[size_t(i)], pile.m_pileValues[size_t(i)].data(), 4);
                return r;
            }
            r.why = QStringLiteral("channel count out of range");
        } catch (const FileError& e) {
            r.why = e.message(false);
        }
        return r;
    }
    case AnalysisBlockRead::Kind::Refused:
        r.why = read.why;
        return r;
    }
    return r;
}

SpeedStats ComputeSpeedStats(const std::vector<RowSpeed>& rows, bool listFilled) {
    SpeedStats s;
    if (!listFilled)
        return s;
    int64_t sum = 0;
    int count = 0;
    for (const RowSpeed& r : rows) {
        if (!r.counted || !r.readable)
            continue;
        if (count == 0)
            s.max = s.min = float(r.speed);
        s.max = std::max(s.max, float(r.speed));
        s.min = std::min(s.min, float(r.speed));
        sum += r.speed;
        ++count;
    }
    if (count == 0)
        return {};
    s.count = count;
    const int64_t mean = sum / count; // the truncated mean the deviations are taken about
    s.mean = float(mean);
    if (count > 1) {
        double squares = 0;
        for (const RowSpeed& r : rows)
            if (r.counted && r.readable)
                squares += double(r.speed - mean) * double(r.speed - mean);
        s.sd = float(std::sqrt(squares / (count - 1)));
    }
    s.cv = mean != 0 ? float(s.sd / double(mean)) : 0.0f;
    return s;
}

std::array<QString, 6> SpeedStatsTexts(const SpeedStats& s) {
    return {QString::asprintf("%d", s.count),         QString::asprintf("%.0f", double(s.mean)),
            QString::asprintf("%.2f", double(s.sd)),  QString::asprintf("%.3f", double(s.cv)),
            QString::asprintf("%.0f", double(s.max)), QString::asprintf("%.0f", double(s.min))};
}

QString DateColumnText(const QString& itemDate, const CCommonInfo& common, bool useCommon) {
    if (useCommon && common.Use(CCommonInfo::TestDate))
        return common.m_testDate.toString(QStringLiteral("yyyy-MM-dd "));
    return itemDate;
}

QString TimeColumnText(const QString& dateTime) {
    const qsizetype blank = dateTime.indexOf(u' ');
    if (blank < 0)
        return {};
    const QString time = dateTime.mid(blank);
    return time == QStringLiteral(" 00:00:00") ? QString() : time;
}

std::optional<int> ParseAge(const QString& text) {
    bool ok = false;
    const int age = text.trimmed().toInt(&ok);
    if (!ok || age < kMinAge || age > kMaxAge)
        return std::nullopt;
    return age;
}

std::optional<QString> PictureFileName(const QString& pileNo) {
    const QString name = FileNamePart(pileNo);
    if (name.isEmpty() || name == QStringLiteral(".") || name == QStringLiteral(".."))
        return std::nullopt;
    return name;
}

CurveGrid CurveGridFor(int channelCount) {
    CurveGrid g;
    if (channelCount <= 0)
        return g;
    if (channelCount < 8) {
        g.columns = 1;
        g.rows = channelCount;
    } else {
        g.columns = 2;
        g.rows = (channelCount + 1) / 2;
    }
    for (int k = 0; k < channelCount; ++k) {
        CurveGrid::Cell c;
        c.column = k / g.rows;
        c.row = k % g.rows;
        c.channel = k == 0 ? channelCount - 1 : k - 1;
        g.cells.push_back(c);
    }
    return g;
}

double CurveCaptionUnit(int drawingHeight, int rows) {
    const double h = 0.1 * drawingHeight;
    return rows + 1 < 7 ? h / (6 * rows + 1) : h / (4 * rows + 1);
}

} // namespace pit::report
