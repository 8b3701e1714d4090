// What the program keeps where a Windows program keeps its registry values:
// the recent-file list (four entries, newest first) and the print preview's
// page count.
#pragma once

#include <QSettings>
#include <QString>
#include <QStringList>
#include <memory>

namespace pit {

class RecentFileList {
public:
    static constexpr int kSize = 4;

    // The user's settings of the program.
    RecentFileList();
    // An INI file instead (tests).
    explicit RecentFileList(const QString& iniPath);

    QStringList Files() const;
    // path becomes the newest entry; an entry already listed moves up.
    void Add(const QString& path);
    void Remove(const QString& path);

    int PreviewPages() const;
    void SetPreviewPages(int pages);

private:
    void Store(const QStringList& files);
    std::unique_ptr<QSettings> m_settings;
};

} // namespace pit
