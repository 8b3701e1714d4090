// The window build's export services.
#include "analysis/QtExportServices.h"

#include "controls/UiServices.h"
#include "platform/MessageSink.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
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
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QGuiApplication::restoreOverrideCursor();
}

int QtExportServices::Message(const QString& text, const QString& caption, unsigned type) {
    return ui::messages().show(text, caption, type);
}

} // namespace pit
