// One project: a folder of pile files with its index file (folder name +
// ".DUP") that keeps the project texts. The pile list is always rebuilt from
// the folder; the index only records it.
#pragma once

#include "core/project/PileFileArray.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>

namespace pit {
struct AppContext;
}

// True when the file opens and its first 8 bytes are the double 1.004.
bool IsProjectFile(const QString& path);

class CProjectInfo {
public:
    static constexpr int kTexts = 9;
    static constexpr int kInstrumentText = 6; // the seventh text: the instrument model
    static constexpr int kUnsavedText = 7;    // the eighth text is not kept in the index
    static constexpr double kFormatMark = 1.004;

    // ctx gives the interface language, the batch flag and the message sink;
    // it must outlive the project. Without one: Chinese, interactive, no messages.
    explicit CProjectInfo(const pit::AppContext* ctx = nullptr);
    void SetContext(const pit::AppContext* ctx);

    // Reads the index texts and rebuilds the list from the folder (interactive
    // mode only). An index that cannot be opened or has another format mark
    // is reported through the message sink and changes nothing; a damaged text
    // block throws FileError (BadSeek) and changes nothing. Saving the rebuilt
    // index may throw FileError. True when the texts were read.
    bool OpenProjectFile(const QString& indexPath);
    // The project of a pile's folder: its index read (as OpenProjectFile),
    // or, when there is none, a new one built (as BuildDefault). An index that
    // cannot be read is set aside as "<index>.bad-<stamp>" and built anew
    // from the folder; a folder or anything else that is no file under its
    // name is left alone and the list built without an index. Both are told
    // through the message sink. Saving may throw FileError.
    void OpenOrBuild(const QString& indexPath, const QString& folder);
    // Atomic; FileError with the cause when the file cannot be written (a
    // folder in the way, no permission, a full disk).
    void WriteProjectFile(const QString& path) const;
    // FileError(BadPath) when no index path is stored.
    void SaveProjectFile() const;
    // A new index for the folder: reset, scan, sort by name, save (FileError
    // when it cannot be written; the list is built all the same). A folder
    // that cannot be written keeps no index; its project is listed all the same.
    void BuildDefault(const QString& folder);
    // Rescans the folder of the index, sorts by name and saves where the
    // folder can be written (not in batch mode); an index file that already
    // holds the rebuilt list is left as it is.
    void Rebuild();
    // The folder of the index path can be written (a missing folder counts
    // as writable: writing it reports the failure), and no folder, pipe or
    // device has the index's name.
    bool IndexWritable() const;
    // Appends every readable "*.dux" file (any case) of the folder not yet
    // listed; the paths of those that cannot be read go to m_unreadable.
    void ScanFolder(const QString& folder);
    void Reset();
    void Sort(int order) { m_files.Sort(order); }
    bool Contains(const QString& path) const { return m_files.Contains(path); }
    QString GetPathByName(const QString& name) const { return m_files.GetPathByName(name); }
    // With a name: re-reads the first item of that name; without: every item,
    // and the all-complete flag tells whether every date carries its time.
    void RefreshItems(const QString& name = {});
    QString GetProjectPath() const { return m_strIndexPath; }

    // The index image as WriteProjectFile writes it.
    QByteArray ToBytes() const;

    CPileFileArray& Files() { return m_files; }
    const CPileFileArray& Files() const { return m_files; }

    // --- fields ---
    std::array<QString, kTexts> m_texts;
    int32_t m_nValue1 = 3;
    int32_t m_nValue2 = 0;
    uint8_t m_bAllComplete = 0;
    CPileFileArray m_files;
    int32_t m_nItemCount = 0;
    int32_t m_nValue3 = 1;
    QString m_strIndexPath;
    // The folder's "*.dux" files the last scan could not read (not listed;
    // not kept in the index): the exports name them as left out.
    QStringList m_unreadable;

private:
    const pit::AppContext& ctx() const;
    // The texts and values of an index image; FileError (BadSeek) when its
    // text block is damaged, nothing taken over then.
    void ReadTexts(const QByteArray& data, const QString& indexPath);
    // BuildDefault, saving the index only when save is set.
    void BuildList(const QString& folder, bool save);
    QString DefaultInstrument() const;

    const pit::AppContext* m_ctx = nullptr;
};
