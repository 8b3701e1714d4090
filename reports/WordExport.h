// The document writer behind the builders' Word export: the builders gather
// what a report holds, a writer of this interface puts it into a document
// made from the report's template. The window build and the batch mode
// install the office writer; tests a fake.
#pragma once

#include "core/wave/WaveRecord.h"
#include "reports/SingleReportInfo.h"

#include <QString>
#include <QStringList>
#include <array>
#include <vector>

class CPrintSettings;
class CReportPileItem;

namespace pit {

// The single-pile report: one page per pile, in list order.
struct WordSingleReport {
    QString templateName; // "SingleBoltReport.dot", or "SingleBoltReportE.dot" for English reports
    std::vector<CSingleReportInfo> pages;
    const CPrintSettings* settings = nullptr; // language, report type, decimals, print type, footer
    PrintDrawDoc draw;                        // what the curve pictures read of the document
    gdi::Font curveFont;                      // the curve pictures' texts: the printed page's face
    bool bitmapPictures = false;              // the document's picture-format flag
    QString folder;                           // the project folder, where the save dialog opens
    QStringList unreadable;                   // pile files left out as unreadable, for the message
};

// The statistics report: eleven text columns a row.
struct WordCountInfoReport {
    QString
        templateName; // "CountInfoReportA.dot", "CountInfoReportB.dot", "CountInfoReportU.dot" / "...UE.dot"
    int summaryType = 0; // 0, 1 or 2
    QString project;
    std::vector<std::array<QString, 11>> rows;
    const CPrintSettings* settings = nullptr; // language and the column switches
    QString folder;
    QStringList unreadable; // checked pile files left out as unreadable, for the message
};

// The project report: the piles in report order, rows x columns a page.
struct WordProjectReport {
    QString templateName = QStringLiteral("ProjectReport.dot");
    int kind = 0; // 0 the ordinary report, 1 the static-English one
    std::vector<const CReportPileItem*> items;
    const CPrintSettings* settings = nullptr; // rows, columns, language, items, font rate, gaps
    PrintDrawDoc draw;
    bool bitmapPictures = false;
    QString folder;
    QStringList unreadable; // checked pile files left out as unreadable, for the message
};

class WordExport {
public:
    virtual ~WordExport() = default;
    // Each writes a new document from the report's template. With an output
    // path it is saved there (the batch); with an empty one the user is
    // asked where and the document opened. False when nothing was written;
    // the writer has told the user why.
    virtual bool WriteSingleReport(const WordSingleReport& report, const QString& outputPath) = 0;
    virtual bool WriteCountInfoReport(const WordCountInfoReport& report, const QString& outputPath) = 0;
    virtual bool WriteProjectReport(const WordProjectReport& report, const QString& outputPath) = 0;
};

} // namespace pit
