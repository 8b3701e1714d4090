#include "controls/PrinterSupport.h"

#include "platform/Metrics.h"

#include <QPrinter>
#include <QPrinterInfo>

namespace pit {

void InstallDefaultPrinterProvider() {
    SetDefaultPrinterProvider([]() -> std::unique_ptr<QPaintDevice> {
        const QPrinterInfo info = QPrinterInfo::defaultPrinter();
        if (info.isNull())
            return nullptr;
        auto printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
        if (!printer->isValid())
            return nullptr;
        return printer;
    });
}

} // namespace pit
