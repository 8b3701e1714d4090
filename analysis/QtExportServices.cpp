// The window build's export services.
#include "analysis/QtExportServices.h"

#include "controls/UiServices.h"
#include "platform/MessageSink.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QProgressDialog>
#include <QUrl>
#include <algorithm>

namespace pit {

QtExportServices::QtExportServices(QWidget* parent) : m_parent(parent) {}
QtExportServices::~QtExportServices() = default;

std::optional<QString> QtExportServices::ChooseSaveFile(const SaveFileAsk& ask) {
    QFileDialog dialog(m_parent, ui::english() ? QStringLiteral("Save As") : QStringLiteral("另存为"),
                       ask.folder.isEmpty() ? ask.defaultName : QDir(ask.folder).filePath(ask.defaultName),
                       ask.filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(ask.defaultSuffix);
    // The dialog asks before an existing file is replaced.
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first();
}

QString PictureSavedMessage(const QString& path, bool opened, bool english) {
    const QString shown = QDir::toNativeSeparators(path);
    if (english)
        return opened
                   ? QStringLiteral("The picture was saved as \"%1\".").arg(shown)
                   : QStringLiteral("The picture was saved as \"%1\", but no program opens it.").arg(shown);
    return opened ? QStringLiteral("图片已保存为“%1”。").arg(shown)
                  : QStringLiteral("图片已保存为“%1”，但没有可以打开它的程序。").arg(shown);
}

bool QtExportServices::OpenWithDesktop(const QString& path) {
    const bool opened = ui::desktop().open(QUrl::fromLocalFile(path));
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix != QLatin1String("emf") && suffix != QLatin1String("bmp"))
        return opened; // documents and workbooks tell for themselves
    // The picture exports write a file and say nothing else: confirm it here.
    const bool english = ui::english();
    ui::messages().show(PictureSavedMessage(path, opened, english),
                        english ? QStringLiteral("Tips") : QStringLiteral("提示"),
                        MB_OK | (opened ? MB_ICONINFORMATION : MB_ICONWARNING));
    return opened;
}

void QtExportServices::SetBusy(bool busy) {
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else if (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

// A box with a bar and Cancel over the window, which keeps painting: the
// events are taken here between the steps of the export.
bool QtExportServices::Progress(const QString& text, int done, int total) {
    if (!m_progress) {
        const bool english = ui::english();
        m_progress = std::make_unique<QProgressDialog>(
            text, english ? QStringLiteral("Cancel") : QStringLiteral("取消"), 0, std::max(1, total),
            m_parent);
        m_progress->setWindowTitle(english ? QStringLiteral("Export") : QStringLiteral("导出"));
        m_progress->setWindowModality(Qt::ApplicationModal);
        m_progress->setAutoClose(false);
        m_progress->setAutoReset(false);
        m_progress->setMinimumDuration(400);
        m_cancelled = false;
        QObject::connect(m_progress.get(), &QProgressDialog::canceled, m_progress.get(),
                         [this] { m_cancelled = true; });
    }
    if (m_progress->maximum() != std::max(1, total))
        m_progress->setMaximum(std::max(1, total));
    if (m_progress->labelText() != text)
        m_progress->setLabelText(text);
    m_progress->setValue(std::min(done, total));
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return !m_cancelled;
}

void QtExportServices::EndProgress() {
    m_progress.reset();
    m_cancelled = false;
}

int QtExportServices::Message(const QString& text, const QString& caption, unsigned type) {
    return ui::messages().show(text, caption, type);
}

} // namespace pit
