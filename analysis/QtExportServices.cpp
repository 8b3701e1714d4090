// The window build's export services.
#include "analysis/QtExportServices.h"

#include "controls/UiServices.h"
#include "platform/MessageSink.h"

#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QUrl>

namespace pit {

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

bool QtExportServices::OpenWithDesktop(const QString& path) {
    return ui::desktop().open(QUrl::fromLocalFile(path));
}

void QtExportServices::SetBusy(bool busy) {
    if (busy)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QGuiApplication::restoreOverrideCursor();
}

int QtExportServices::Message(const QString& text, const QString& caption, unsigned type) {
    return ui::messages().show(text, caption, type);
}

} // namespace pit
