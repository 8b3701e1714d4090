// The export services of the window build: the system's save dialog, the
// desktop's default application and the program's message box. A picture
// that an export opens (.emf, .bmp) is also confirmed, and a desktop that
// cannot open it is named, as the document exports do.
#pragma once

#include "reports/ExportServices.h"

#include <memory>

class QProgressDialog;
class QWidget;

namespace pit {

// "图片已保存为“path”。", with "，但没有可以打开它的程序" when the desktop did not open it.
QString PictureSavedMessage(const QString& path, bool opened, bool english);

class QtExportServices : public ExportServices {
public:
    explicit QtExportServices(QWidget* parent = nullptr);
    ~QtExportServices() override;

    std::optional<QString> ChooseSaveFile(const SaveFileAsk& ask) override;
    bool OpenWithDesktop(const QString& path) override;
    int Message(const QString& text, const QString& caption, unsigned type) override;
    void SetBusy(bool busy) override;
    bool Progress(const QString& text, int done, int total) override;
    void EndProgress() override;

private:
    QWidget* m_parent;
    std::unique_ptr<QProgressDialog> m_progress;
    bool m_cancelled = false;
};

} // namespace pit
