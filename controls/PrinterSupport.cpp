#include "controls/PrinterSupport.h"

#include "platform/Metrics.h"

#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

namespace pit {

namespace {

QString& chosenName() {
    static QString name;
    return name;
}

PrinterChooser* g_chooser = nullptr;

} // namespace

void InstallDefaultPrinterProvider() {
    SetDefaultPrinterProvider([]() -> std::unique_ptr<QPaintDevice> {
        QPrinterInfo info = QPrinterInfo::printerInfo(ChosenPrinterName());
        if (info.isNull())
            info = QPrinterInfo::defaultPrinter();
        if (info.isNull())
            return nullptr;
        auto printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
        if (!printer->isValid())
            return nullptr;
        return printer;
    });
}

QString ChosenPrinterName() {
    return chosenName();
}

void SetChosenPrinterName(const QString& name) {
    chosenName() = name;
}

QString CurrentPrinterName() {
    if (!chosenName().isEmpty())
        return chosenName();
    return QPrinterInfo::defaultPrinterName();
}

void StartFromChosenPrinter(QPrinter& printer) {
    if (!chosenName().isEmpty() && !QPrinterInfo::printerInfo(chosenName()).isNull())
        printer.setPrinterName(chosenName());
}

std::optional<QString> QtPrinterChooser::choose(QWidget* parent) {
    QPrinter printer(QPrinter::HighResolution);
    StartFromChosenPrinter(printer);
    QPrintDialog dialog(&printer, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return printer.outputFormat() == QPrinter::NativeFormat ? printer.printerName() : QString();
}

namespace ui {

PrinterChooser& printerChooser() {
    static QtPrinterChooser system;
    return g_chooser ? *g_chooser : system;
}

void setPrinterChooser(PrinterChooser* chooser) {
    g_chooser = chooser;
}

} // namespace ui

QString PdfOutputFile(const QPrinter& printer) {
    return printer.outputFormat() == QPrinter::PdfFormat ? printer.outputFileName() : QString();
}

} // namespace pit
