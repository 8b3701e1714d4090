#include "app/RecentFiles.h"

#include "platform/Paths.h"

namespace pit {

namespace {
const QString kRecentGroup = QStringLiteral("Recent File List");
const QString kPreviewPages = QStringLiteral("Settings/PreviewPages");
} // namespace

QString RecentFileList::DefaultPath() {
    return joinPath(stateDir(), QStringLiteral("Registry.ini"));
}

RecentFileList::RecentFileList() : RecentFileList(DefaultPath()) {}

RecentFileList::RecentFileList(const QString& iniPath)
    : m_settings(std::make_unique<QSettings>(iniPath, QSettings::IniFormat)) {}

QStringList RecentFileList::Files() const {
    QStringList files;
    for (int i = 1; i <= kSize; ++i) {
        const QString f = m_settings->value(kRecentGroup + QStringLiteral("/File%1").arg(i)).toString();
        if (!f.isEmpty())
            files << f;
    }
    return files;
}

void RecentFileList::Store(const QStringList& files) {
    m_settings->remove(kRecentGroup);
    for (int i = 0; i < files.size() && i < kSize; ++i)
        m_settings->setValue(kRecentGroup + QStringLiteral("/File%1").arg(i + 1), files[i]);
    m_settings->sync();
}

void RecentFileList::Add(const QString& path) {
    if (path.isEmpty())
        return;
    QStringList files = Files();
    files.removeAll(path);
    files.prepend(path);
    Store(files);
}

void RecentFileList::Remove(const QString& path) {
    QStringList files = Files();
    files.removeAll(path);
    Store(files);
}

bool RecentFileList::Flush() {
    Store(Files());
    return m_settings->status() == QSettings::NoError;
}

int RecentFileList::PreviewPages() const {
    return m_settings->value(kPreviewPages, 1).toInt() == 2 ? 2 : 1;
}

void RecentFileList::SetPreviewPages(int pages) {
    m_settings->setValue(kPreviewPages, pages == 2 ? 2 : 1);
    m_settings->sync();
}

} // namespace pit
