// The window build's printers: "which is the default printer", the printer
// chosen in the page setup that the print hosts start from for the rest of
// the run, and the dialog that chooses it.
#pragma once

#include <QString>
#include <optional>

class QPrinter;
class QWidget;

namespace pit {

// Installs the default-printer provider of the metrics layer: a QPrinter on
// the chosen printer, else the system's default printer, none when no
// printer is configured.
void InstallDefaultPrinterProvider();

// The printer chosen in the page setup; empty: the system default.
QString ChosenPrinterName();
void SetChosenPrinterName(const QString& name);
// The chosen printer, else the system default; empty when there is no printer.
QString CurrentPrinterName();
// A print host's printer starts from the chosen one (nothing to do without a choice).
void StartFromChosenPrinter(QPrinter& printer);
// The PDF file the printer writes, empty when it prints on paper.
QString PdfOutputFile(const QPrinter& printer);

// The dialog that picks a printer.
class PrinterChooser {
public:
    virtual ~PrinterChooser() = default;
    // The chosen printer's name (empty for printing into a file), nothing on Cancel.
    virtual std::optional<QString> choose(QWidget* parent) = 0;
};

// The system print dialog, opened on the current printer (Qt has no setup-only dialog).
class QtPrinterChooser : public PrinterChooser {
public:
    std::optional<QString> choose(QWidget* parent) override;
};

namespace ui {
PrinterChooser& printerChooser();
void setPrinterChooser(PrinterChooser* chooser);
} // namespace ui

} // namespace pit
