// Structural checks, python-docx and LibreOffice for written Word documents.
#include "tests/support/OfficeCheck.h"

#include "office/OoxmlPackage.h"
#include "office/WordError.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>
#include <algorithm>
#include <cstring>
#include <pugixml.hpp>
#include <set>

namespace pit::test {

namespace {

bool Load(pugi::xml_document& d, const QByteArray& bytes) {
    return bool(d.load_buffer(bytes.constData(), size_t(bytes.size())));
}

void CheckTables(const pugi::xml_document& d, const QString& part, QStringList& out) {
    int t = 0;
    for (pugi::xpath_node x : d.select_nodes("//w:tbl")) {
        ++t;
        pugi::xml_node tbl = x.node();
        const QString where = QStringLiteral("%1 table %2").arg(part).arg(t);
        int grid = 0;
        for (pugi::xml_node g = tbl.child("w:tblGrid").child("w:gridCol"); g; g = g.next_sibling("w:gridCol"))
            ++grid;
        if (grid == 0)
            out << where + QStringLiteral(": no grid");
        // Grid start of every cell, row by row, for the vertical merges.
        std::vector<std::vector<std::pair<int, pugi::xml_node>>> starts;
        int r = 0;
        for (pugi::xml_node tr = tbl.child("w:tr"); tr; tr = tr.next_sibling("w:tr")) {
            ++r;
            int col = tr.child("w:trPr").child("w:gridBefore").attribute("w:val").as_int(0);
            std::vector<std::pair<int, pugi::xml_node>> row;
            int c = 0;
            for (pugi::xml_node tc = tr.child("w:tc"); tc; tc = tc.next_sibling("w:tc")) {
                ++c;
                row.emplace_back(col, tc);
                col += std::max(1, tc.child("w:tcPr").child("w:gridSpan").attribute("w:val").as_int(1));
                pugi::xml_node last = tc.last_child();
                if (!last || std::strcmp(last.name(), "w:p"))
                    out << where +
                               QStringLiteral(" cell (%1, %2) does not end with a paragraph").arg(r).arg(c);
            }
            if (c == 0)
                out << where + QStringLiteral(" row %1 has no cell").arg(r);
            col += tr.child("w:trPr").child("w:gridAfter").attribute("w:val").as_int(0);
            if (col != grid)
                out << where +
                           QStringLiteral(" row %1 spans %2 of %3 grid columns").arg(r).arg(col).arg(grid);
            starts.push_back(std::move(row));
        }
        for (size_t i = 0; i < starts.size(); ++i)
            for (auto [col, tc] : starts[i]) {
                pugi::xml_node vm = tc.child("w:tcPr").child("w:vMerge");
                if (!vm || !std::strcmp(vm.attribute("w:val").as_string("continue"), "restart"))
                    continue;
                bool above = false;
                if (i > 0)
                    for (auto [c2, tc2] : starts[i - 1])
                        if (c2 == col && tc2.child("w:tcPr").child("w:vMerge"))
                            above = true;
                if (!above)
                    out << where + QStringLiteral(" row %1: a merged cell with no top above it").arg(i + 1);
            }
    }
}

} // namespace

QStringList DocxProblems(const QString& docx) {
    QStringList out;
    OoxmlPackage pkg;
    try {
        pkg = OoxmlPackage::FromFile(docx);
    } catch (const WordError& e) {
        return {e.message(true)};
    }
    pugi::xml_document types;
    if (!Load(types, pkg.Part(QStringLiteral("[Content_Types].xml"))))
        return {QStringLiteral("content types are not XML")};
    std::set<QString> defaults, overrides;
    for (pugi::xml_node d : types.child("Types").children("Default"))
        defaults.insert(QString::fromUtf8(d.attribute("Extension").as_string()).toLower());
    for (pugi::xml_node o : types.child("Types").children("Override"))
        overrides.insert(QString::fromUtf8(o.attribute("PartName").as_string()));
    if (!overrides.count(QStringLiteral("/word/document.xml")))
        out << QStringLiteral("the main part has no content type");
    for (const QString& part : pkg.PartNames()) {
        if (part == QLatin1String("[Content_Types].xml"))
            continue;
        if (!overrides.count(u'/' + part) && !defaults.count(QFileInfo(part).suffix().toLower()))
            out << part + QStringLiteral(": no content type");
    }

    std::set<int> drawingIds;
    std::set<std::string> bookmarkIds, bookmarkNames;
    for (const QString& part : pkg.PartNames()) {
        if (!part.startsWith(QLatin1String("word/")) || !part.endsWith(QLatin1String(".xml")) ||
            part.contains(QLatin1String("_rels")))
            continue;
        pugi::xml_document d;
        if (!Load(d, pkg.Part(part))) {
            out << part + QStringLiteral(": not XML");
            continue;
        }
        CheckTables(d, part, out);
        for (pugi::xpath_node x : d.select_nodes("//wp:docPr"))
            if (!drawingIds.insert(x.node().attribute("id").as_int()).second)
                out << part + QStringLiteral(": drawing id %1 twice").arg(x.node().attribute("id").as_int());
        for (pugi::xpath_node x : d.select_nodes("//w:bookmarkStart")) {
            if (!bookmarkIds.insert(x.node().attribute("w:id").as_string()).second)
                out << part + QStringLiteral(": bookmark id twice");
            if (!bookmarkNames.insert(x.node().attribute("w:name").as_string()).second)
                out << part + QStringLiteral(": bookmark name twice");
        }
        // Every relationship id used has a relationship to an existing part.
        const QString relsName = QFileInfo(part).path() + QStringLiteral("/_rels/") +
                                 QFileInfo(part).fileName() + QStringLiteral(".rels");
        std::set<std::string> ids;
        if (pkg.Has(relsName)) {
            pugi::xml_document rels;
            Load(rels, pkg.Part(relsName));
            for (pugi::xml_node rel : rels.child("Relationships").children("Relationship")) {
                ids.insert(rel.attribute("Id").as_string());
                if (std::strcmp(rel.attribute("TargetMode").as_string(), "External") == 0)
                    continue;
                const QString target = QDir::cleanPath(
                    QFileInfo(part).path() + u'/' + QString::fromUtf8(rel.attribute("Target").as_string()));
                if (!pkg.Has(target))
                    out << relsName + QStringLiteral(": target %1 missing").arg(target);
            }
        }
        for (pugi::xpath_node x : d.select_nodes("//*[@r:embed or @r:id]")) {
            const char* id = x.node().attribute("r:embed") ? x.node().attribute("r:embed").as_string()
                                                           : x.node().attribute("r:id").as_string();
            if (!ids.count(id))
                out << part + QStringLiteral(": relationship %1 missing").arg(QString::fromUtf8(id));
        }
    }
    return out;
}

std::vector<DocxPicture> DocxPictures(const QString& docx) {
    const OoxmlPackage pkg = OoxmlPackage::FromFile(docx);
    pugi::xml_document main, rels;
    Load(main, pkg.Part(QStringLiteral("word/document.xml")));
    Load(rels, pkg.Part(QStringLiteral("word/_rels/document.xml.rels")));
    std::vector<DocxPicture> out;
    for (pugi::xpath_node x : main.select_nodes("//wp:inline")) {
        DocxPicture p;
        pugi::xml_node extent = x.node().child("wp:extent");
        p.shownWidth = extent.attribute("cx").as_double() / 12700;
        p.shownHeight = extent.attribute("cy").as_double() / 12700;
        const char* id = x.node().select_node(".//a:blip").node().attribute("r:embed").as_string();
        for (pugi::xml_node r : rels.child("Relationships").children("Relationship"))
            if (!std::strcmp(r.attribute("Id").as_string(), id))
                p.bytes =
                    pkg.Part(QStringLiteral("word/") + QString::fromUtf8(r.attribute("Target").as_string()));
        out.push_back(p);
    }
    return out;
}

std::vector<PictureAspect> PictureAspects(const QString& docx) {
    std::vector<PictureAspect> out;
    for (const DocxPicture& p : DocxPictures(docx)) {
        const QByteArray& b = p.bytes;
        const auto i32 = [&](int at) {
            return b.size() >= at + 4 ? qFromLittleEndian<qint32>(b.constData() + at) : 0;
        };
        PictureAspect a;
        a.shown = p.shownWidth / std::max(1e-9, p.shownHeight);
        if (b.startsWith("BM"))
            a.drawn = double(i32(18)) / std::max(1, std::abs(i32(22)));
        else if (b.size() >= 40)
            a.drawn = double(i32(32) - i32(24)) / std::max(1, i32(36) - i32(28));
        out.push_back(a);
    }
    return out;
}

EmfShapes ReadEmfShapes(const QByteArray& b) {
    EmfShapes out;
    const auto u32 = [&](qsizetype at) { return qFromLittleEndian<quint32>(b.constData() + at); };
    const auto i32 = [&](qsizetype at) { return qFromLittleEndian<qint32>(b.constData() + at); };
    const auto i16 = [&](qsizetype at) { return qFromLittleEndian<qint16>(b.constData() + at); };
    if (b.size() < 88 || u32(0) != 1 || u32(40) != 0x464D4520)
        return out;
    // The frame (0.01 mm) in device units of the reference the header names.
    const double frameMm = (i32(36) - i32(28)) / 100.0;
    const double pxPerMm = double(i32(76)) / std::max(1, i32(84));
    out.heightPx = frameMm * pxPerMm;
    for (qsizetype at = 0; at + 8 <= b.size();) {
        const quint32 type = u32(at), size = u32(at + 4);
        if (size < 8 || at + size > b.size())
            return out;
        if (type == 4 || type == 87) { // EMR_POLYLINE, EMR_POLYLINE16: bounds, count, points
            const bool small = type == 87;
            const quint32 n = u32(at + 24);
            const qsizetype step = small ? 4 : 8;
            if (28 + qsizetype(n) * step > qsizetype(size))
                return out;
            for (quint32 k = 1; k < n; ++k) {
                const qsizetype p = at + 28 + qsizetype(k - 1) * step, q = p + step;
                out.segments.push_back(small ? EmfSegment{i16(p), i16(p + 2), i16(q), i16(q + 2)}
                                             : EmfSegment{i32(p), i32(p + 4), i32(q), i32(q + 4)});
            }
        } else if (type == 84) { // EMR_EXTTEXTOUTW: bounds, mode, scales, then the EMRTEXT
            const quint32 chars = u32(at + 44), offString = u32(at + 48);
            if (offString + qsizetype(chars) * 2 > size)
                return out;
            EmfText t;
            for (quint32 k = 0; k < chars; ++k)
                t.text += QChar(qFromLittleEndian<quint16>(b.constData() + at + offString + 2 * k));
            t.left = i32(at + 8);
            t.top = i32(at + 12);
            t.right = i32(at + 16);
            t.bottom = i32(at + 20);
            out.texts.push_back(t);
        } else if (type == 14) { // EMR_EOF
            out.valid = true;
            return out;
        }
        at += size;
    }
    return out;
}

bool Crosses(const EmfSegment& s, const EmfText& t) {
    const int xl = std::min(s.x0, s.x1), xr = std::max(s.x0, s.x1);
    const int yt = std::min(s.y0, s.y1), yb = std::max(s.y0, s.y1);
    return xr > t.left && xl < t.right && yb > t.top && yt < t.bottom;
}

QJsonObject ReadDocx(const QString& docx) {
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(PIT_TEST_SUPPORT_DIR "/read_docx.py"), docx});
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        p.kill();
        return {{QStringLiteral("error"), QString::fromUtf8(p.readAllStandardError())}};
    }
    QJsonParseError err;
    const QJsonDocument doc = QJsonDocument::fromJson(p.readAllStandardOutput(), &err);
    if (err.error != QJsonParseError::NoError)
        return {{QStringLiteral("error"), err.errorString()}};
    return doc.object();
}

QString Squeezed(const QString& text) {
    QString out;
    for (QChar c : text)
        if (!c.isSpace())
            out += c;
    return out;
}

namespace {

PdfText ReadPdf(const QString& pdf) {
    PdfText t;
    t.pdf = pdf;
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {pdf});
    info.waitForFinished(30000);
    for (const QString& line : QString::fromUtf8(info.readAllStandardOutput()).split(u'\n'))
        if (line.startsWith(QLatin1String("Pages:")))
            t.pages = line.mid(6).trimmed().toInt();
    QProcess text;
    text.start(QStringLiteral("pdftotext"),
               {QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf, QStringLiteral("-")});
    text.waitForFinished(30000);
    // Pages end with a form feed.
    QStringList pages = QString::fromUtf8(text.readAllStandardOutput()).split(u'\f');
    if (!pages.isEmpty() && pages.back().trimmed().isEmpty())
        pages.removeLast();
    t.pageTexts = pages;
    if (t.pages == 0)
        t.error = QStringLiteral("no pages in %1").arg(pdf);
    return t;
}

} // namespace

std::map<QString, PdfText> RenderToPdf(const QStringList& docs) {
    std::map<QString, PdfText> out;
    const QString cache = QStringLiteral(PIT_TEST_CACHE_DIR "/office-pdf");
    QDir().mkpath(cache);
    QLockFile lock(cache + QStringLiteral("/convert.lock"));
    lock.setStaleLockTime(0); // a lock of a process that died is taken over
    if (!lock.lock()) {
        for (const QString& d : docs)
            out[d].error = QStringLiteral("cannot lock %1").arg(cache);
        return out;
    }
    std::map<QString, QString> hashOf;
    QTemporaryDir stage;
    QStringList todo;
    for (const QString& d : docs) {
        QFile f(d);
        if (!f.open(QIODevice::ReadOnly)) {
            out[d].error = QStringLiteral("cannot read %1").arg(d);
            continue;
        }
        const QString h =
            QString::fromLatin1(QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha1).toHex());
        hashOf[d] = h;
        if (QFileInfo::exists(cache + u'/' + h + QStringLiteral(".pdf")))
            continue;
        const QString copy = stage.path() + u'/' + h + u'.' + QFileInfo(d).suffix();
        if (!QFileInfo::exists(copy) && QFile::copy(d, copy))
            todo << copy;
    }
    if (!todo.isEmpty()) {
        QProcess lo;
        QStringList args{QStringLiteral("-env:UserInstallation=file://") + cache + QStringLiteral("/profile"),
                         QStringLiteral("--headless"),
                         QStringLiteral("--norestore"),
                         QStringLiteral("--convert-to"),
                         QStringLiteral("pdf"),
                         QStringLiteral("--outdir"),
                         stage.path()};
        args << todo;
        lo.start(QStringLiteral("soffice"), args);
        if (!lo.waitForFinished(300000)) {
            lo.kill();
            lo.waitForFinished(5000);
        }
        for (const QString& c : todo) {
            const QString pdf =
                stage.path() + u'/' + QFileInfo(c).completeBaseName() + QStringLiteral(".pdf");
            QFile::rename(pdf, cache + u'/' + QFileInfo(c).completeBaseName() + QStringLiteral(".pdf"));
        }
    }
    lock.unlock();
    for (const auto& [d, h] : hashOf) {
        const QString pdf = cache + u'/' + h + QStringLiteral(".pdf");
        if (!QFileInfo::exists(pdf))
            out[d].error = QStringLiteral("LibreOffice made no PDF of %1").arg(d);
        else
            out[d] = ReadPdf(pdf);
    }
    return out;
}

} // namespace pit::test
