// What the program keeps where a Windows program keeps its registry values:
// the recent-file list (four entries, newest first) and the print preview's
// page count, in an INI file of the state folder like the rest of its state.
#pragma once

#include <QSettings>
#include <QString>
#include <QStringList>
#include <memory>

namespace pit {

class RecentFileList {
public:
    static constexpr int kSize = 4;

    // stateDir()/Registry.ini, which the main window's layout shares.
    static QString DefaultPath();

    RecentFileList();
    explicit RecentFileList(const QString& iniPath);

    QStringList Files() const;
    // path becomes the newest entry; an entry already listed moves up.
    void Add(const QString& path);
    void Remove(const QString& path);

    int PreviewPages() const;
    void SetPreviewPages(int pages);

    // Writes the list again (it is rewritten at every exit, as the settings
    // are); false when its file could not be written.
    bool Flush();
    QString FilePath() const { return m_settings->fileName(); }

private:
    void Store(const QStringList& files);
    std::unique_ptr<QSettings> m_settings;
};

} // namespace pit
