// The arithmetic of report mode's pile list without a window: what a pile
// file gives a list row (wave speed, description, elevations), the column
// texts, the wave-speed statistics of the checked rows, the age rule, the
// file names of pile pictures and the channel grid of the curve picture.
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

class CCommonInfo;
class CPileFileItem;

namespace pit::report {

// What a list row shows and counts of its pile file.
struct RowFile {
    bool readable = false; // the file could be read; else `why` says why
    QString why;
    int32_t speed = 0;                 // wave speed, m/s
    QString description;               // the integrity description
    QString project;                   // the project name the pile holds
    std::array<float, 3> elevations{}; // design top, design tip, measured top (m)
};

// Reads the saved analysis block, or the whole file for a blow file without
// one. Never throws; a damaged or foreign file comes back unreadable.
RowFile ReadRowFile(const QString& path);

// One row's speed and whether it goes into the statistics (the row is
// checked and its speed could be read).
struct RowSpeed {
    int32_t speed = 0;
    bool counted = false;
    bool readable = true;
};

struct SpeedStats {
    int count = 0;
    float mean = 0, sd = 0, cv = 0, max = 0, min = 0;
    bool operator==(const SpeedStats&) const = default;
};

// Over the counted rows: the integer mean (sum / count, truncated), the
// sample standard deviation about that mean, the coefficient of variation
// (0 when the mean is 0), maximum and minimum. All 0 while the list is not
// filled or nothing is counted.
SpeedStats ComputeSpeedStats(const std::vector<RowSpeed>& rows, bool listFilled);

// The texts of the five statistics fields in the order count, mean,
// standard deviation, coefficient of variation, maximum, minimum.
std::array<QString, 6> SpeedStatsTexts(const SpeedStats& s);

// Column 3: the item's date, or the common test date ("yyyy-MM-dd " with its
// blank) when the common values are used with the test-date flag set.
QString DateColumnText(const QString& itemDate, const CCommonInfo& common, bool useCommon);
// Column 4: the date-time text from its first blank on (so it starts with the
// blank); empty for " 00:00:00" and for a text without a blank.
QString TimeColumnText(const QString& dateTime);

// Ages are whole days from 1 to 9999.
constexpr int kMinAge = 1, kMaxAge = 9999;
// The age typed into the age edit; nothing when it is no whole number in range.
std::optional<int> ParseAge(const QString& text);

// A pile number as a plain file name (FileNamePart: separators, characters
// a Windows name cannot hold and control characters become "_"); nothing
// for an empty name, "." or "..".
std::optional<QString> PictureFileName(const QString& pileNo);

// The cells of the curve picture for n channels (the average included):
// below 8 one column of n rows; else n raised to the next even number in two
// columns of n / 2 rows. Cells are filled column by column; cell 0 shows the
// average (channel n - 1), cell k >= 1 channel k - 1.
struct CurveGrid {
    int rows = 0;
    int columns = 0;
    struct Cell {
        int row = 0, column = 0, channel = 0;
    };
    std::vector<Cell> cells; // n cells, in filling order
};
CurveGrid CurveGridFor(int channelCount);

// The caption unit of the curve picture: 0.1 x drawing height / (6 x rows + 1)
// while rows + 1 is below 7, else / (4 x rows + 1).
double CurveCaptionUnit(int drawingHeight, int rows);

} // namespace pit::report
