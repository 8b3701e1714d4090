// Printing report pages into A4 PDF files and reading them back with poppler.
#pragma once

#include "analysis/PrintUi.h"
#include "reports/ReportBuilder.h"

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

inline QString Tool(const QString& name, const QStringList& args) {
    const QString exe = QStandardPaths::findExecutable(name);
    if (exe.isEmpty())
        return QStringLiteral("<%1 missing: scripts/install-deps.sh>").arg(name);
    QProcess p;
    p.start(exe, args);
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace pit::test
