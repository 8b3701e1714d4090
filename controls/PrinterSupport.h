// The window build's answer to "which is the default printer".
#pragma once

namespace pit {

// Installs the default-printer provider of the metrics layer: a QPrinter on
// the system's default printer, none when no printer is configured.
void InstallDefaultPrinterProvider();

} // namespace pit
