// The print dialogs behind an interface, so that the print hosts run
// headless in tests: the system print dialog and the print preview.
#pragma once

#include <functional>

class QPrinter;
class QWidget;
struct CPrintInfo;

namespace pit {

class PrintUi {
public:
    virtual ~PrintUi() = default;
    // Lets the user choose the printer (or a PDF file) and the page range
    // inside info's minPage..maxPage; fromPage and toPage take the choice.
    // False when cancelled.
    virtual bool ChoosePrinter(QPrinter& printer, CPrintInfo& info, QWidget* parent) = 0;
    // Shows the preview of printer's pages; render draws them on the
    // printer it is given, as often as the preview asks.
    virtual void Preview(QPrinter& printer, const std::function<void(QPrinter*)>& render,
                         QWidget* parent) = 0;
    // The printer choice of the print setup command; false when cancelled.
    virtual bool SetupPrinter(QPrinter& printer, QWidget* parent) {
        (void)printer;
        (void)parent;
        return false;
    }
};

// QPrintDialog and QPrintPreviewDialog. Without an installed printer the
// dialog offers printing into a PDF file.
class QtPrintUi : public PrintUi {
public:
    bool ChoosePrinter(QPrinter& printer, CPrintInfo& info, QWidget* parent) override;
    void Preview(QPrinter& printer, const std::function<void(QPrinter*)>& render, QWidget* parent) override;
    bool SetupPrinter(QPrinter& printer, QWidget* parent) override;
};

// The printer the print hosts print on, which the print setup command
// chooses; made at the first use (an application object must exist).
QPrinter& SharedPrinter();

} // namespace pit
