// Printing report pages into A4 PDF files and reading them back with poppler,
// and the project the project-report prints are made of.
#pragma once

#include "analysis/PrintUi.h"
#include "reports/ReportBuilder.h"
#include "tests/reports/ReportFixture.h"
#include "tests/support/TestSupport.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>

namespace pit::test {

// Prints into an A4 PDF file, margins left to the report's page frame.
struct A4PdfPrintUi : PrintUi {
    QString path;
    int resolution = 0;
    bool ChoosePrinter(QPrinter& printer, CPrintInfo&, QWidget*) override {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
        resolution = printer.resolution();
        return true;
    }
    void Preview(QPrinter& printer, const std::function<void(QPrinter*)>& render, QWidget* parent) override {
        CPrintInfo info;
        ChoosePrinter(printer, info, parent);
        render(&printer);
    }
};

// The text of a PDF file as poppler reads it (pdftotext with args before
// the file): what a PDF viewer's search finds.
inline QString PdfText(const QString& pdf, const QStringList& args = {}) {
    return pit::test::toolOutput(QStringLiteral("pdftotext"), args + QStringList{pdf, QStringLiteral("-")});
}

// Pile numbers as the engineers write them: letters and digits, and one of
// ideographs that share their glyph with a radical (大, 工).
inline const QStringList kPrintPiles = {
    QStringLiteral("ZK6"),   QStringLiteral("C40-2"), QStringLiteral("SZ13"),   QStringLiteral("P7"),
    QStringLiteral("大工8"), QStringLiteral("J105"),  QStringLiteral("K2-2014")};

// Seven piles of one project in folder, B1.DUX to B7.DUX: B1, B3, B5 and B7
// blow files of one blow and its average, the others saved by the program
// (files of type savedType) and numbered from kPrintPiles. Their names.
inline QStringList WriteProjectPiles(const QString& folder, const char* savedType) {
    QStringList names;
    for (int i = 0; i < kPrintPiles.size(); ++i) {
        const QString name = QStringLiteral("B%1.DUX").arg(i + 1);
        if (i % 2 == 0) {
            DuxBlow b1, avg;
            b1.samples = Pulse();
            avg.blow = 0;
            avg.samples = Pulse(0.8f);
            DuxBuilder::paramBlock("A-RIRADAD")
                .project(QStringLiteral("滨江大桥"))
                .channels(1, 1024)
                .samples(Pulse())
                .blowTable({b1, avg})
                .writeTo(folder, name);
        } else {
            DuxBuilder::paramBlock(savedType, 1042)
                .channels(2, 1024)
                .analysis(SavedPile(kPrintPiles[i]))
                .writeTo(folder, name);
        }
        names << name;
    }
    return names;
}

} // namespace pit::test
