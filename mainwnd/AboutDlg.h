// The About box (dialog 100): the program's name and version, and a link to
// the user manual beside the program.
#pragma once

#include <QDialog>

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 100;
    enum ControlId : int { kName = 1081, kVersion = 1080, kLink = 1084, kOk = 1 };

    explicit CAboutDlg(QWidget* parent = nullptr);

    // "Ver: 1.8.31008".
    static QString VersionText();
};
