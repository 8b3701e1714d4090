// The system print dialogs.
#include "analysis/PrintUi.h"

#include "reports/ReportBuilder.h"

#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <algorithm>

namespace pit {

bool QtPrintUi::ChoosePrinter(QPrinter& printer, CPrintInfo& info, QWidget* parent) {
    QPrintDialog dialog(&printer, parent);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    dialog.setMinMax(info.minPage, std::max(info.minPage, info.maxPage));
    if (dialog.exec() != QDialog::Accepted)
        return false;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        info.fromPage = printer.fromPage();
        info.toPage = printer.toPage();
    } else {
        info.fromPage = info.minPage;
        info.toPage = info.maxPage;
    }
    return true;
}

void QtPrintUi::Preview(QPrinter& printer, const std::function<void(QPrinter*)>& render, QWidget* parent) {
    QPrintPreviewDialog dialog(&printer, parent);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&render](QPrinter* p) { render(p); });
    dialog.exec();
}

bool QtPrintUi::SetupPrinter(QPrinter& printer, QWidget* parent) {
    QPrintDialog dialog(&printer, parent);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    return dialog.exec() == QDialog::Accepted;
}

QPrinter& SharedPrinter() {
    // Never destroyed: its destructor would run after the application object is gone.
    static QPrinter* printer = new QPrinter(QPrinter::HighResolution);
    return *printer;
}

} // namespace pit
