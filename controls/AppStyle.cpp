#include "controls/AppStyle.h"

#include <QApplication>

namespace pit {

QString ApplicationStyleSheet() {
    return QStringLiteral("QDialog, QDockWidget, QToolBar, QStatusBar, CFormViewExt, QWidget[panel=\"true\"] "
                          "{ background-color: rgb(%1, %1, %1); }")
        .arg(kPanelGrey);
}

void InstallApplicationStyle() {
    if (qApp)
        qApp->setStyleSheet(ApplicationStyleSheet());
}

} // namespace pit
