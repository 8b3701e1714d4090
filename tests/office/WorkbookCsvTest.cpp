// A spreadsheet program reads the result workbook: LibreOffice converts it to
// CSV and the sample column holds the pile's samples.
#include "office/ExcelExporter.h"
#include "platform/AppContext.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>
#include <cmath>
#include <gtest/gtest.h>

using namespace pit;

namespace {

TEST(WorkbookInLibreOffice, ResultSheetConvertsToCsvWithItsSamples) {
    CExcelPileInfo pile;
    pile.m_strPileNo = "1-2";
    pile.m_strFileName = "ZK6";
    pile.m_strDateTime = "2024-03-15 09:30:00";
    pile.m_nSpeed = 3800;
    pile.m_fLength = 12.5f;
    std::vector<float> samples(1024);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = float(std::sin(double(i) * 0.07) * 0.8765432);
    pile.m_wave.SetData(samples);
    pile.m_wave.sampleInterval = 20;
    pile.m_nSamples = 1024;

    QTemporaryDir dir;
    AppContext app;
    OfficeExcelExport exporter(app);
    const QString xlsx = dir.filePath("result.xlsx");
    ASSERT_TRUE(exporter.ExportResults({&pile}, false, 2, {xlsx}));

    QProcess soffice;
    soffice.start(QStringLiteral("soffice"), {QStringLiteral("-env:UserInstallation=") +
                                                  QUrl::fromLocalFile(dir.filePath("profile")).toString(),
                                              QStringLiteral("--headless"), QStringLiteral("--convert-to"),
                                              QStringLiteral("csv:Text - txt - csv (StarCalc):44,34,76"),
                                              QStringLiteral("--outdir"), dir.path(), xlsx});
    ASSERT_TRUE(soffice.waitForFinished(180000)) << "soffice did not finish";
    QFile csv(dir.filePath("result.csv"));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly)) << soffice.readAllStandardError().toStdString();
    const QStringList lines = QString::fromUtf8(csv.readAll()).split(u'\n');

    ASSERT_GT(lines.size(), 1063);
    EXPECT_TRUE(lines[12].startsWith(QStringLiteral("桩号,1-2"))) << lines[12].toStdString();
    EXPECT_TRUE(lines[16].startsWith(QStringLiteral("波速（m/s）,3800"))) << lines[16].toStdString();
    for (int i = 0; i < 1024; ++i) {
        const QStringList fields = lines[39 + i].trimmed().split(u',');
        ASSERT_EQ(fields.size(), 3) << lines[39 + i].toStdString();
        EXPECT_EQ(fields[0], QString::number(i));
        EXPECT_NEAR(fields[1].toDouble(), i * 20.0, 1e-9);
        EXPECT_NEAR(fields[2].toDouble(), samples[size_t(i)], 1e-6) << i;
    }
}

} // namespace
