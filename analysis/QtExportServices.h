// The export services of the window build: the system's save dialog, the
// desktop's default application and the program's message box.
#pragma once

#include "reports/ExportServices.h"

class QWidget;

namespace pit {

class QtExportServices : public ExportServices {
public:
    explicit QtExportServices(QWidget* parent = nullptr) : m_parent(parent) {}

    std::optional<QString> ChooseSaveFile(const SaveFileAsk& ask) override;
    bool OpenWithDesktop(const QString& path) override;
    int Message(const QString& text, const QString& caption, unsigned type) override;
    void SetBusy(bool busy) override;

private:
    QWidget* m_parent;
};

} // namespace pit
