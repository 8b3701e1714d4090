// An OOXML package (a zip of parts) held in memory: read from a file, parts
// replaced or added, written back as one byte array.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

namespace pit {

class OoxmlPackage {
public:
    // Reads every part of the zip; throws WordError naming the file when it
    // cannot be read or is no zip.
    static OoxmlPackage FromFile(const QString& path);
    static OoxmlPackage FromBytes(const QByteArray& zip, const QString& name);

    bool Has(const QString& part) const;
    // The part's bytes; throws WordError when the package has no such part.
    const QByteArray& Part(const QString& part) const;
    void SetPart(const QString& part, QByteArray bytes);
    QStringList PartNames() const;

    // The package as a zip, "[Content_Types].xml" first, with fixed entry
    // times so the same document gives the same bytes.
    QByteArray ToZip() const;

private:
    QString m_name;
    std::vector<std::pair<QString, QByteArray>> m_parts; // in the order they are written
    QHash<QString, size_t> m_index;                      // a part's place in m_parts (its first entry)
};

} // namespace pit
