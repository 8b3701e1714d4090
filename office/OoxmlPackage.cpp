// Zip reading and writing through libzip, all in memory.
#include "office/OoxmlPackage.h"

#include "office/WordError.h"
#include "platform/AllocationProbe.h"
#include "platform/AtomicFile.h"
#include "platform/FileError.h"

#include <QFileInfo>
#include <memory>
#include <zip.h>

namespace pit {

namespace {

// 2000-01-01 00:00 UTC: a fixed entry time, so equal documents are equal files.
constexpr time_t kEntryTime = 946684800;

// libzip reports memory that ran out as an error code: it is told as out of
// memory, not as a damaged file or a package that could not be made.
void ThrowIfOutOfMemory(int zipError) {
    if (zipError == ZIP_ER_MEMORY)
        ThrowBadAlloc();
}
void ThrowIfOutOfMemory(zip_error_t* err) {
    ThrowIfOutOfMemory(zip_error_code_zip(err));
}
void ThrowIfOutOfMemory(zip_t* za) {
    ThrowIfOutOfMemory(zip_get_error(za));
}

WordError NotAPackage(const QString& name) {
    return WordError(QStringLiteral("文件 %1 不是有效的文档或模板。").arg(name),
                     QStringLiteral("The file %1 is not a valid document or template.").arg(name));
}

struct ZipCloser {
    void operator()(zip_t* z) const { zip_discard(z); }
};
struct SourceFree {
    void operator()(zip_source_t* s) const { zip_source_free(s); }
};

} // namespace

OoxmlPackage OoxmlPackage::FromFile(const QString& path) {
    QByteArray bytes;
    try {
        bytes = readWholeFile(path);
    } catch (const FileError& e) {
        throw WordError(e.message(false), e.message(true));
    }
    return FromBytes(bytes, QFileInfo(path).fileName());
}

OoxmlPackage OoxmlPackage::FromBytes(const QByteArray& zipBytes, const QString& name) {
    zip_error_t err;
    zip_error_init(&err);
    zip_source_t* src =
        zip_source_buffer_create(zipBytes.constData(), zip_uint64_t(zipBytes.size()), 0, &err);
    if (!src) {
        const int code = zip_error_code_zip(&err);
        zip_error_fini(&err);
        ThrowIfOutOfMemory(code);
        throw NotAPackage(name);
    }
    std::unique_ptr<zip_t, ZipCloser> za(zip_open_from_source(src, ZIP_RDONLY, &err));
    const int code = zip_error_code_zip(&err);
    zip_error_fini(&err);
    if (!za) {
        zip_source_free(src);
        ThrowIfOutOfMemory(code);
        throw NotAPackage(name);
    }
    OoxmlPackage pkg;
    pkg.m_name = name;
    const zip_int64_t n = zip_get_num_entries(za.get(), 0);
    for (zip_int64_t i = 0; i < n; ++i) {
        zip_stat_t st;
        if (zip_stat_index(za.get(), zip_uint64_t(i), 0, &st) != 0) {
            ThrowIfOutOfMemory(za.get());
            throw NotAPackage(name);
        }
        if (!(st.valid & ZIP_STAT_NAME) || !(st.valid & ZIP_STAT_SIZE))
            throw NotAPackage(name);
        const QString partName = QString::fromUtf8(st.name);
        if (partName.endsWith(u'/'))
            continue; // a folder entry
        // Parts of our documents are small; a huge declared size is a damaged file.
        if (st.size > (zip_uint64_t(1) << 30))
            throw NotAPackage(name);
        zip_file_t* f = zip_fopen_index(za.get(), zip_uint64_t(i), 0);
        if (!f) {
            ThrowIfOutOfMemory(za.get());
            throw NotAPackage(name);
        }
        QByteArray data;
        try {
            data = QByteArray(qsizetype(st.size), Qt::Uninitialized);
        } catch (...) {
            zip_fclose(f);
            throw;
        }
        const zip_int64_t got = zip_fread(f, data.data(), st.size);
        const int readError = got < 0 ? zip_error_code_zip(zip_file_get_error(f)) : ZIP_ER_OK;
        zip_fclose(f);
        ThrowIfOutOfMemory(readError);
        if (got < 0 || zip_uint64_t(got) != st.size)
            throw NotAPackage(name);
        if (!pkg.m_index.contains(partName)) // a repeated name: the first entry is the part
            pkg.m_index.insert(partName, pkg.m_parts.size());
        pkg.m_parts.emplace_back(partName, std::move(data));
    }
    if (!pkg.Has(QStringLiteral("[Content_Types].xml")))
        throw NotAPackage(name);
    return pkg;
}

bool OoxmlPackage::Has(const QString& part) const {
    return m_index.contains(part);
}

const QByteArray& OoxmlPackage::Part(const QString& part) const {
    const auto it = m_index.constFind(part);
    if (it != m_index.constEnd())
        return m_parts[*it].second;
    throw WordError(QStringLiteral("文件 %1 缺少部件 %2。").arg(m_name, part),
                    QStringLiteral("The file %1 has no part %2.").arg(m_name, part));
}

void OoxmlPackage::SetPart(const QString& part, QByteArray bytes) {
    const auto it = m_index.constFind(part);
    if (it != m_index.constEnd()) {
        m_parts[*it].second = std::move(bytes);
        return;
    }
    m_index.insert(part, m_parts.size());
    m_parts.emplace_back(part, std::move(bytes));
}

QStringList OoxmlPackage::PartNames() const {
    QStringList names;
    for (const auto& p : m_parts)
        names << p.first;
    return names;
}

QByteArray OoxmlPackage::ToZip() const {
    const auto fail = [] {
        return WordError(QStringLiteral("无法生成文档的压缩包。"),
                         QStringLiteral("The document could not be packed."));
    };
    zip_error_t err;
    zip_error_init(&err);
    std::unique_ptr<zip_source_t, SourceFree> out(zip_source_buffer_create(nullptr, 0, 0, &err));
    if (!out) {
        const int code = zip_error_code_zip(&err);
        zip_error_fini(&err);
        ThrowIfOutOfMemory(code);
        throw fail();
    }
    zip_source_keep(out.get()); // the archive frees its reference on close; we read it after
    zip_t* za = zip_open_from_source(out.get(), ZIP_TRUNCATE, &err);
    const int code = zip_error_code_zip(&err);
    zip_error_fini(&err);
    if (!za) {
        zip_source_free(out.get());
        ThrowIfOutOfMemory(code);
        throw fail();
    }
    std::unique_ptr<zip_t, ZipCloser> guard(za);
    // Readers expect the content types first.
    std::vector<const std::pair<QString, QByteArray>*> order;
    for (const auto& p : m_parts)
        if (p.first == QLatin1String("[Content_Types].xml"))
            order.push_back(&p);
    for (const auto& p : m_parts)
        if (p.first != QLatin1String("[Content_Types].xml"))
            order.push_back(&p);
    for (const auto* p : order) {
        zip_source_t* s = zip_source_buffer(za, p->second.constData(), zip_uint64_t(p->second.size()), 0);
        if (!s) {
            ThrowIfOutOfMemory(za);
            throw fail();
        }
        const QByteArray name = p->first.toUtf8();
        const zip_int64_t idx = zip_file_add(za, name.constData(), s, ZIP_FL_ENC_UTF_8);
        if (idx < 0) {
            zip_source_free(s);
            ThrowIfOutOfMemory(za);
            throw fail();
        }
        if (zip_file_set_mtime(za, zip_uint64_t(idx), kEntryTime, 0) != 0 ||
            zip_set_file_compression(za, zip_uint64_t(idx), ZIP_CM_DEFLATE, 0) != 0) {
            ThrowIfOutOfMemory(za);
            throw fail();
        }
    }
    if (zip_close(za) != 0) {
        ThrowIfOutOfMemory(za);
        throw fail();
    }
    guard.release();

    zip_source_t* s = out.get();
    if (zip_source_open(s) != 0) {
        ThrowIfOutOfMemory(zip_error_code_zip(zip_source_error(s)));
        throw fail();
    }
    QByteArray bytes;
    try {
        if (zip_source_seek(s, 0, SEEK_END) == 0) {
            const zip_int64_t size = zip_source_tell(s);
            if (size >= 0 && zip_source_seek(s, 0, SEEK_SET) == 0) {
                bytes.resize(qsizetype(size));
                if (zip_source_read(s, bytes.data(), zip_uint64_t(size)) != size)
                    bytes.clear();
            }
        }
    } catch (...) {
        zip_source_close(s);
        throw;
    }
    zip_source_close(s);
    if (bytes.isEmpty())
        throw fail();
    return bytes;
}

} // namespace pit
