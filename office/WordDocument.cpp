// The document: its parts, sections, headers and footers, pictures, saving.
#include "office/WordDocument.h"

#include "office/WordError.h"
#include "office/XmlClean.h"
#include "office/XmlMemory.h"
#include "platform/AllocationProbe.h"
#include "platform/AtomicFile.h"
#include "platform/FileError.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>

namespace pit {

using namespace word;

namespace word {
void SetAttr(pugi::xml_node n, const char* attr, const char* v);
void SetAttr(pugi::xml_node n, const char* attr, long v);
double CellTwips(pugi::xml_node tc);
double Padding(pugi::xml_node tc, bool left);
void RecomputeGrid(pugi::xml_node tbl);
void NormalizeWidths(pugi::xml_node tbl);
} // namespace word

namespace {

const char* const kMainPart = "word/document.xml";
const char* const kRelsPart = "word/_rels/document.xml.rels";
const char* const kTypesPart = "[Content_Types].xml";
const char* const kStylesPart = "word/styles.xml";

const char* const kNsW = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
const char* const kNsR = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
const char* const kNsWp = "http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing";
const char* const kNsA = "http://schemas.openxmlformats.org/drawingml/2006/main";
const char* const kNsPic = "http://schemas.openxmlformats.org/drawingml/2006/picture";
const char* const kRelBase = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
const char* const kTypeDocument =
    "application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml";
const char* const kTypeTemplate =
    "application/vnd.openxmlformats-officedocument.wordprocessingml.template.main+xml";

constexpr unsigned kParseFlags = pugi::parse_default | pugi::parse_declaration | pugi::parse_ws_pcdata_single;

struct ByteWriter : pugi::xml_writer {
    QByteArray bytes;
    void write(const void* data, size_t size) override {
        bytes.append(static_cast<const char*>(data), qsizetype(size));
    }
};

// Pile texts may carry control characters: a part is cleaned as it is written.
QByteArray Serialize(pugi::xml_document& doc) {
    DropNonXmlChars(doc);
    ByteWriter w;
    doc.save(w, "", pugi::format_raw, pugi::encoding_utf8);
    return w.bytes;
}

void Parse(pugi::xml_document& doc, const QByteArray& bytes, const QString& part, const QString& file) {
    const pugi::xml_parse_result res = doc.load_buffer(bytes.constData(), size_t(bytes.size()), kParseFlags);
    if (res.status == pugi::status_out_of_memory) // not a damaged part
        pit::ThrowBadAlloc();
    if (!res)
        throw WordError(QStringLiteral("文件 %1 的部件 %2 不是有效的 XML。").arg(file, part),
                        QStringLiteral("The part %2 of the file %1 is not valid XML.").arg(file, part));
}

void NewPartDocument(pugi::xml_document& doc, const char* root) {
    pugi::xml_node decl = doc.append_child(pugi::node_declaration);
    decl.append_attribute("version") = "1.0";
    decl.append_attribute("encoding") = "UTF-8";
    decl.append_attribute("standalone") = "yes";
    pugi::xml_node r = doc.append_child(root);
    r.append_attribute("xmlns:w") = kNsW;
    r.append_attribute("xmlns:r") = kNsR;
}

// Natural size of a picture from its bytes, in points.
struct PictureInfo {
    PictureKind kind;
    double width = 0, height = 0;
};

quint32 U32le(const QByteArray& b, int at) {
    return quint32(uchar(b[at])) | quint32(uchar(b[at + 1])) << 8 | quint32(uchar(b[at + 2])) << 16 |
           quint32(uchar(b[at + 3])) << 24;
}
qint32 I32le(const QByteArray& b, int at) {
    return qint32(U32le(b, at));
}
quint32 U32be(const QByteArray& b, int at) {
    return quint32(uchar(b[at])) << 24 | quint32(uchar(b[at + 1])) << 16 | quint32(uchar(b[at + 2])) << 8 |
           quint32(uchar(b[at + 3]));
}

bool Sniff(const QByteArray& b, PictureInfo& info) {
    constexpr double kPxToPt = 72.0 / 96.0; // bitmaps at 96 dpi
    if (b.size() >= 88 && U32le(b, 0) == 1 && b.mid(40, 4) == QByteArray(" EMF", 4)) {
        info.kind = PictureKind::Emf;
        // The frame, in hundredths of a millimetre.
        const double w = double(I32le(b, 32)) - I32le(b, 24);
        const double h = double(I32le(b, 36)) - I32le(b, 28);
        if (w > 0 && h > 0) {
            info.width = w / 100.0 / 25.4 * 72.0;
            info.height = h / 100.0 / 25.4 * 72.0;
        } else { // no frame: the bounds in reference-device pixels
            const double devPx = I32le(b, 72), devMm = I32le(b, 80);
            const double bw = double(I32le(b, 16)) - I32le(b, 8) + 1;
            const double bh = double(I32le(b, 20)) - I32le(b, 12) + 1;
            const double mmPerPx = devPx > 0 && devMm > 0 ? devMm / devPx : 25.4 / 96.0;
            info.width = std::max(1.0, bw) * mmPerPx / 25.4 * 72.0;
            info.height = std::max(1.0, bh) * mmPerPx / 25.4 * 72.0;
        }
        return true;
    }
    if (b.size() >= 26 && b[0] == 'B' && b[1] == 'M') {
        info.kind = PictureKind::Bmp;
        const quint32 header = U32le(b, 14);
        double w = 0, h = 0;
        if (header == 12) {
            w = quint16(uchar(b[18]) | uchar(b[19]) << 8);
            h = quint16(uchar(b[20]) | uchar(b[21]) << 8);
        } else if (header >= 40 && b.size() >= 30) {
            w = std::abs(double(I32le(b, 18)));
            h = std::abs(double(I32le(b, 22)));
        }
        if (w <= 0 || h <= 0)
            return false;
        info.width = w * kPxToPt;
        info.height = h * kPxToPt;
        return true;
    }
    if (b.size() >= 24 && b.startsWith(QByteArray("\x89PNG\r\n\x1a\n", 8))) {
        info.kind = PictureKind::Png;
        info.width = U32be(b, 16) * kPxToPt;
        info.height = U32be(b, 20) * kPxToPt;
        return info.width > 0 && info.height > 0;
    }
    return false;
}

} // namespace

WordDocument::~WordDocument() = default;

std::unique_ptr<WordDocument> WordDocument::FromTemplate(const QString& path) {
    if (!QFileInfo(path).isFile())
        throw WordError(QStringLiteral("找不到模板文件 %1。").arg(path),
                        QStringLiteral("The template %1 was not found.").arg(path));
    return FromPackage(OoxmlPackage::FromFile(path), QFileInfo(path).fileName());
}

std::unique_ptr<WordDocument> WordDocument::FromPackage(OoxmlPackage package, const QString& name) {
    // Memory that runs out while the document is built ends the writing as
    // out of memory, not as a document that lacks a table cell.
    UseThrowingXmlAllocation();
    std::unique_ptr<WordDocument> doc(new WordDocument());
    doc->m_pkg = std::move(package);
    doc->m_name = name;
    doc->LoadParts();
    doc->m_selection.HomeKey();
    return doc;
}

void WordDocument::LoadParts() {
    const QString main = QString::fromLatin1(kMainPart);
    if (!m_pkg.Has(main))
        throw WordError(
            QStringLiteral("文件 %1 不是文字处理文档或模板。").arg(m_name),
            QStringLiteral("The file %1 is no word-processing document or template.").arg(m_name));
    Parse(m_main, m_pkg.Part(main), main, m_name);
    Parse(m_types, m_pkg.Part(QString::fromLatin1(kTypesPart)), QString::fromLatin1(kTypesPart), m_name);
    if (m_pkg.Has(QString::fromLatin1(kRelsPart)))
        Parse(m_rels, m_pkg.Part(QString::fromLatin1(kRelsPart)), QString::fromLatin1(kRelsPart), m_name);
    else {
        pugi::xml_node decl = m_rels.append_child(pugi::node_declaration);
        decl.append_attribute("version") = "1.0";
        decl.append_attribute("encoding") = "UTF-8";
        m_rels.append_child("Relationships").append_attribute("xmlns") =
            "http://schemas.openxmlformats.org/package/2006/relationships";
    }
    if (m_pkg.Has(QString::fromLatin1(kStylesPart)))
        Parse(m_styles, m_pkg.Part(QString::fromLatin1(kStylesPart)), QString::fromLatin1(kStylesPart),
              m_name);

    pugi::xml_node root = m_main.child("w:document");
    if (!root || !root.child("w:body"))
        throw WordError(QStringLiteral("文件 %1 没有正文。").arg(m_name),
                        QStringLiteral("The file %1 has no document body.").arg(m_name));
    // The namespaces that pictures need.
    for (auto [prefix, uri] :
         {std::pair{"xmlns:w", kNsW}, std::pair{"xmlns:r", kNsR}, std::pair{"xmlns:wp", kNsWp}})
        if (!root.attribute(prefix))
            root.append_attribute(prefix) = uri;

    // A template becomes a document.
    SetOverride(QStringLiteral("/word/document.xml"), QString::fromLatin1(kTypeDocument));

    // Headers and footers are kept as parsed parts.
    for (pugi::xml_node rel : m_rels.child("Relationships").children("Relationship")) {
        const std::string_view type = rel.attribute("Type").as_string();
        const std::string_view base = kRelBase;
        const std::string_view kind = type.starts_with(base) ? type.substr(base.size()) : std::string_view();
        if (kind == "header" || kind == "footer") {
            const QString part =
                QStringLiteral("word/") + QString::fromUtf8(rel.attribute("Target").as_string());
            auto d = std::make_unique<pugi::xml_document>();
            Parse(*d, m_pkg.Part(part), part, m_name);
            m_extraParts[part] = std::move(d);
        }
    }
    for (pugi::xpath_node x : m_main.select_nodes("//wp:docPr"))
        m_lastDrawingId = std::max(m_lastDrawingId, x.node().attribute("id").as_int());
    for (pugi::xpath_node x : m_main.select_nodes("//w:tbl"))
        NormalizeWidths(x.node());
    if (!Body().child("w:p") && !Body().child("w:tbl"))
        Body().prepend_child("w:p");
}

pugi::xml_node WordDocument::Body() const {
    return m_main.child("w:document").child("w:body");
}

WordRange WordDocument::Content() {
    return WordRange::Whole(this, Body());
}

WordRange WordDocument::Bookmark(const QString& name) {
    const QByteArray n = name.toUtf8();
    pugi::xml_node start;
    for (pugi::xpath_node x : m_main.select_nodes("//w:bookmarkStart"))
        if (n == x.node().attribute("w:name").as_string()) {
            start = x.node();
            break;
        }
    if (!start || std::strcmp(start.parent().name(), "w:p"))
        throw WordError(QStringLiteral("模板中没有书签 \"%1\"。").arg(name),
                        QStringLiteral("The template has no bookmark \"%1\".").arg(name));
    const auto offsetOf = [](pugi::xml_node marker) { return OffsetBefore(marker); };
    const WordPos from{start.parent(), offsetOf(start)};
    const std::string id = start.attribute("w:id").as_string();
    for (pugi::xpath_node x : m_main.select_nodes("//w:bookmarkEnd"))
        if (id == x.node().attribute("w:id").as_string() && !std::strcmp(x.node().parent().name(), "w:p"))
            return WordRange::Span(this, from, {x.node().parent(), offsetOf(x.node())});
    return WordRange::Point(this, from);
}

// ---- sections

pugi::xml_node WordDocument::LastSection() const {
    pugi::xml_node body = Body();
    // The body's own section properties are its last element: looked for
    // from the end, as the body grows page by page.
    pugi::xml_node s = body.last_child();
    while (s && std::strcmp(s.name(), "w:sectPr"))
        s = s.previous_sibling();
    if (!s) {
        // A4 portrait with the usual margins when the template names none.
        s = body.append_child("w:sectPr");
        pugi::xml_node sz = s.append_child("w:pgSz");
        SetAttr(sz, "w:w", 11906L);
        SetAttr(sz, "w:h", 16838L);
        pugi::xml_node m = s.append_child("w:pgMar");
        for (auto [a, v] : {std::pair{"w:top", 1440L},
                            {"w:right", 1800L},
                            {"w:bottom", 1440L},
                            {"w:left", 1800L},
                            {"w:header", 851L},
                            {"w:footer", 992L},
                            {"w:gutter", 0L}})
            SetAttr(m, a, v);
    }
    return s;
}

pugi::xml_node WordDocument::FirstSection() const {
    for (pugi::xml_node p = Body().child("w:p"); p; p = p.next_sibling("w:p"))
        if (pugi::xml_node s = p.child("w:pPr").child("w:sectPr"))
            return s;
    return LastSection();
}

WordPageSetup WordDocument::PageSetup() {
    return WordPageSetup(this, FirstSection());
}

void WordDocument::SetMargins(double top, double bottom, double left, double right) {
    LastSection();
    for (pugi::xpath_node x : m_main.select_nodes("//w:sectPr")) {
        pugi::xml_node m = Child(x.node(), "w:pgMar");
        SetAttr(m, "w:top", long(ToTwips(top)));
        SetAttr(m, "w:bottom", long(ToTwips(bottom)));
        SetAttr(m, "w:left", long(ToTwips(left)));
        SetAttr(m, "w:right", long(ToTwips(right)));
        if (!m.attribute("w:gutter"))
            SetAttr(m, "w:gutter", 0L);
    }
}

void WordDocument::SetHeaderFooterDistance(double header, double footer) {
    LastSection();
    for (pugi::xpath_node x : m_main.select_nodes("//w:sectPr")) {
        pugi::xml_node m = Child(x.node(), "w:pgMar");
        SetAttr(m, "w:header", long(ToTwips(header)));
        SetAttr(m, "w:footer", long(ToTwips(footer)));
    }
}

void WordDocument::SetPageNumberStart(int n) {
    pugi::xml_node first = FirstSection();
    for (pugi::xpath_node x : m_main.select_nodes("//w:sectPr")) {
        if (x.node() == first)
            SetAttr(Child(first, "w:pgNumType"), "w:start", long(n));
        else if (pugi::xml_node num = x.node().child("w:pgNumType"))
            num.remove_attribute("w:start");
    }
}

double WordPageSetup::PageWidth() const {
    return FromTwips(m_sect.child("w:pgSz"), "w:w", 595.3);
}
double WordPageSetup::PageHeight() const {
    return FromTwips(m_sect.child("w:pgSz"), "w:h", 841.9);
}
double WordPageSetup::TopMargin() const {
    return FromTwips(m_sect.child("w:pgMar"), "w:top", 72);
}
double WordPageSetup::BottomMargin() const {
    return FromTwips(m_sect.child("w:pgMar"), "w:bottom", 72);
}
double WordPageSetup::LeftMargin() const {
    return FromTwips(m_sect.child("w:pgMar"), "w:left", 90);
}
double WordPageSetup::RightMargin() const {
    return FromTwips(m_sect.child("w:pgMar"), "w:right", 90);
}
double WordPageSetup::HeaderDistance() const {
    return FromTwips(m_sect.child("w:pgMar"), "w:header", 42.55);
}
double WordPageSetup::FooterDistance() const {
    return FromTwips(m_sect.child("w:pgMar"), "w:footer", 49.6);
}
double WordPageSetup::LinesPage() const {
    // 15.6 pt is the pitch of the usual Chinese page of 10.5-point text.
    double pitch = FromTwips(m_sect.child("w:docGrid"), "w:linePitch", 15.6);
    if (pitch <= 0)
        pitch = 15.6;
    return std::floor((PageHeight() - TopMargin() - BottomMargin()) / pitch + 1e-6);
}
double WordPageSetup::CharsLine() const {
    const double size = m_doc ? m_doc->NormalFontSize() : 10.5;
    return std::floor((PageWidth() - LeftMargin() - RightMargin()) / size + 1e-6);
}

// ---- styles and widths

double WordDocument::StyleLineSpacing(pugi::xml_node para) const {
    const auto spacingOf = [](pugi::xml_node pPr, double* out) {
        pugi::xml_node sp = pPr.child("w:spacing");
        if (!sp || !sp.attribute("w:line"))
            return false;
        const double line = sp.attribute("w:line").as_double();
        const std::string rule = sp.attribute("w:lineRule").as_string("auto");
        *out = rule == "auto" ? line / 240.0 * 12.0 : line / kTwipsPerPoint;
        return true;
    };
    double v = 12.0;
    if (spacingOf(para.child("w:pPr"), &v))
        return v;
    pugi::xml_node styles = m_styles.child("w:styles");
    std::string id = para.child("w:pPr").child("w:pStyle").attribute("w:val").as_string();
    if (id.empty())
        for (pugi::xml_node s : styles.children("w:style"))
            if (std::string(s.attribute("w:type").as_string()) == "paragraph" &&
                s.attribute("w:default").as_bool())
                id = s.attribute("w:styleId").as_string();
    for (int depth = 0; depth < 10 && !id.empty(); ++depth) {
        pugi::xml_node style;
        for (pugi::xml_node s : styles.children("w:style"))
            if (id == s.attribute("w:styleId").as_string()) {
                style = s;
                break;
            }
        if (!style)
            break;
        if (spacingOf(style.child("w:pPr"), &v))
            return v;
        id = style.child("w:basedOn").attribute("w:val").as_string();
    }
    if (spacingOf(styles.child("w:docDefaults").child("w:pPrDefault").child("w:pPr"), &v))
        return v;
    return 12.0;
}

double WordDocument::NormalFontSize() const {
    pugi::xml_node styles = m_styles.child("w:styles");
    double size = 0;
    for (pugi::xml_node s : styles.children("w:style"))
        if (std::string(s.attribute("w:type").as_string()) == "paragraph" &&
            s.attribute("w:default").as_bool())
            size = s.child("w:rPr").child("w:sz").attribute("w:val").as_double() / 2;
    if (size <= 0)
        size = styles.child("w:docDefaults")
                   .child("w:rPrDefault")
                   .child("w:rPr")
                   .child("w:sz")
                   .attribute("w:val")
                   .as_double() /
               2;
    return size > 0 ? size : 10.5;
}

double WordDocument::TextWidthOf(pugi::xml_node node) {
    pugi::xml_node tc = !std::strcmp(node.name(), "w:tc") ? node : EnclosingCell(node);
    if (tc)
        return std::max(1.0, CellTwips(tc) / kTwipsPerPoint - Padding(tc, true) - Padding(tc, false));
    const WordPageSetup ps = PageSetup();
    return std::max(1.0, ps.PageWidth() - ps.LeftMargin() - ps.RightMargin());
}

// ---- relationships, content types, headers and footers

QString WordDocument::AddRelationship(const QString& type, const QString& target) {
    pugi::xml_node rels = m_rels.child("Relationships");
    if (m_lastRelId < 0) {
        // The template's relationships are read once; ours follow them in turn.
        m_lastRelId = 0;
        for (pugi::xml_node r : rels.children("Relationship")) {
            const QString id = QString::fromUtf8(r.attribute("Id").as_string());
            if (id.startsWith(QLatin1String("rId")))
                m_lastRelId = std::max(m_lastRelId, id.mid(3).toInt());
        }
    }
    const QString id = QStringLiteral("rId%1").arg(++m_lastRelId);
    pugi::xml_node r = rels.append_child("Relationship");
    r.append_attribute("Id") = id.toUtf8().constData();
    r.append_attribute("Type") = (QString::fromLatin1(kRelBase) + type).toUtf8().constData();
    r.append_attribute("Target") = target.toUtf8().constData();
    return id;
}

void WordDocument::EnsureDefault(const QString& ext, const QString& contentType) {
    pugi::xml_node types = m_types.child("Types");
    for (pugi::xml_node d : types.children("Default"))
        if (ext.compare(QString::fromUtf8(d.attribute("Extension").as_string()), Qt::CaseInsensitive) == 0)
            return;
    pugi::xml_node d = types.prepend_child("Default");
    d.append_attribute("Extension") = ext.toUtf8().constData();
    d.append_attribute("ContentType") = contentType.toUtf8().constData();
}

void WordDocument::SetOverride(const QString& partName, const QString& contentType) {
    pugi::xml_node types = m_types.child("Types");
    for (pugi::xml_node o : types.children("Override"))
        if (partName == QString::fromUtf8(o.attribute("PartName").as_string())) {
            o.attribute("ContentType").set_value(contentType.toUtf8().constData());
            return;
        }
    pugi::xml_node o = types.append_child("Override");
    o.append_attribute("PartName") = partName.toUtf8().constData();
    o.append_attribute("ContentType") = contentType.toUtf8().constData();
}

pugi::xml_node WordDocument::HeaderFooter(bool header) {
    const char* refName = header ? "w:headerReference" : "w:footerReference";
    const char* kind = header ? "header" : "footer";
    pugi::xml_node sect = FirstSection();
    for (pugi::xml_node ref : sect.children(refName)) {
        if (std::strcmp(ref.attribute("w:type").as_string("default"), "default"))
            continue;
        const std::string id = ref.attribute("r:id").as_string();
        for (pugi::xml_node rel : m_rels.child("Relationships").children("Relationship"))
            if (id == rel.attribute("Id").as_string()) {
                const QString part =
                    QStringLiteral("word/") + QString::fromUtf8(rel.attribute("Target").as_string());
                auto it = m_extraParts.find(part);
                if (it != m_extraParts.end())
                    return it->second->first_child().next_sibling();
            }
    }
    int n = 1;
    QString target;
    do {
        target = QStringLiteral("%1%2.xml").arg(QLatin1String(kind)).arg(n++);
    } while (m_pkg.Has(QStringLiteral("word/") + target) ||
             m_extraParts.count(QStringLiteral("word/") + target));
    auto d = std::make_unique<pugi::xml_document>();
    NewPartDocument(*d, header ? "w:hdr" : "w:ftr");
    pugi::xml_node root = d->child(header ? "w:hdr" : "w:ftr");
    root.append_child("w:p");
    m_extraParts[QStringLiteral("word/") + target] = std::move(d);
    const QString id = AddRelationship(QString::fromLatin1(kind), target);
    SetOverride(QStringLiteral("/word/") + target,
                QStringLiteral("application/vnd.openxmlformats-officedocument.wordprocessingml.%1+xml")
                    .arg(QLatin1String(kind)));
    pugi::xml_node ref = sect.insert_child_before(refName, sect.first_child());
    if (!header)
        if (pugi::xml_node h = sect.child("w:headerReference")) {
            sect.remove_child(ref);
            pugi::xml_node lastHeader = h;
            for (pugi::xml_node x = h; x && !std::strcmp(x.name(), "w:headerReference"); x = x.next_sibling())
                lastHeader = x;
            ref = sect.insert_child_after(refName, lastHeader);
        }
    ref.append_attribute("w:type") = "default";
    ref.append_attribute("r:id") = id.toUtf8().constData();
    return root;
}

WordRange WordDocument::PrimaryHeader() {
    return WordRange::Whole(this, HeaderFooter(true));
}

WordRange WordDocument::PrimaryFooter() {
    return WordRange::Whole(this, HeaderFooter(false));
}

// ---- pictures

WordInlineShape WordDocument::AddPicture(const WordRange& at, const QString& path) {
    QByteArray bytes;
    try {
        bytes = readWholeFile(path);
    } catch (const FileError& e) {
        throw WordError(e.message(false), e.message(true));
    }
    PictureInfo info;
    if (!Sniff(bytes, info))
        throw WordError(QStringLiteral("图片文件 %1 不是 EMF、BMP 或 PNG 图片。").arg(path),
                        QStringLiteral("The picture file %1 is no EMF, BMP or PNG picture.").arg(path));
    const WordPos pos = at.Start();
    if (pos.para.root() != m_main.root())
        throw WordError(QStringLiteral("图片只能插入正文。"),
                        QStringLiteral("Pictures go into the body only."));

    const char* ext = info.kind == PictureKind::Emf ? "emf" : info.kind == PictureKind::Bmp ? "bmp" : "png";
    const char* type = info.kind == PictureKind::Emf   ? "image/x-emf"
                       : info.kind == PictureKind::Bmp ? "image/bmp"
                                                       : "image/png";
    EnsureDefault(QString::fromLatin1(ext), QString::fromLatin1(type));
    QString target;
    do {
        target = QStringLiteral("media/image%1.%2").arg(++m_imageCount).arg(QLatin1String(ext));
    } while (m_pkg.Has(QStringLiteral("word/") + target));
    m_pkg.SetPart(QStringLiteral("word/") + target, bytes);
    const QString rid = AddRelationship(QStringLiteral("image"), target);

    // Scaled down to the text width of its place, as a word processor inserts it.
    double w = info.width, h = info.height;
    const double avail = TextWidthOf(pos.para);
    if (w > avail) {
        h = h * avail / w;
        w = avail;
    }
    pugi::xml_node p = pos.para;
    pugi::xml_node before = SplitAt(p, pos.offset);
    pugi::xml_node r = before ? p.insert_child_before("w:r", before) : p.append_child("w:r");
    pugi::xml_node drawing = r.append_child("w:drawing");
    pugi::xml_node inl = drawing.append_child("wp:inline");
    for (const char* d : {"distT", "distB", "distL", "distR"})
        inl.append_attribute(d) = "0";
    inl.append_child("wp:extent");
    pugi::xml_node eff = inl.append_child("wp:effectExtent");
    for (const char* d : {"l", "t", "r", "b"})
        eff.append_attribute(d) = "0";
    const int id = NextDrawingId();
    pugi::xml_node docPr = inl.append_child("wp:docPr");
    docPr.append_attribute("id") = id;
    docPr.append_attribute("name") = QStringLiteral("Picture %1").arg(id).toUtf8().constData();
    pugi::xml_node locks = inl.append_child("wp:cNvGraphicFramePr").append_child("a:graphicFrameLocks");
    locks.append_attribute("xmlns:a") = kNsA;
    locks.append_attribute("noChangeAspect") = "1";
    pugi::xml_node graphic = inl.append_child("a:graphic");
    graphic.append_attribute("xmlns:a") = kNsA;
    pugi::xml_node gd = graphic.append_child("a:graphicData");
    gd.append_attribute("uri") = kNsPic;
    pugi::xml_node pic = gd.append_child("pic:pic");
    pic.append_attribute("xmlns:pic") = kNsPic;
    pugi::xml_node nv = pic.append_child("pic:nvPicPr");
    pugi::xml_node cNvPr = nv.append_child("pic:cNvPr");
    cNvPr.append_attribute("id") = "0";
    cNvPr.append_attribute("name") = target.mid(6).toUtf8().constData();
    nv.append_child("pic:cNvPicPr");
    pugi::xml_node fill = pic.append_child("pic:blipFill");
    fill.append_child("a:blip").append_attribute("r:embed") = rid.toUtf8().constData();
    fill.append_child("a:stretch").append_child("a:fillRect");
    pugi::xml_node spPr = pic.append_child("pic:spPr");
    pugi::xml_node xfrm = spPr.append_child("a:xfrm");
    pugi::xml_node off = xfrm.append_child("a:off");
    off.append_attribute("x") = "0";
    off.append_attribute("y") = "0";
    xfrm.append_child("a:ext");
    pugi::xml_node geom = spPr.append_child("a:prstGeom");
    geom.append_attribute("prst") = "rect";
    geom.append_child("a:avLst");

    WordInlineShape shape(drawing);
    shape.SetWidth(w);
    shape.SetHeight(h);
    return shape;
}

// ---- saving

QByteArray WordDocument::Save() {
    for (pugi::xpath_node x : m_main.select_nodes("//w:tbl"))
        RecomputeGrid(x.node());
    for (auto& [part, d] : m_extraParts)
        for (pugi::xpath_node x : d->select_nodes("//w:tbl"))
            RecomputeGrid(x.node());
    m_pkg.SetPart(QString::fromLatin1(kMainPart), Serialize(m_main));
    m_pkg.SetPart(QString::fromLatin1(kRelsPart), Serialize(m_rels));
    m_pkg.SetPart(QString::fromLatin1(kTypesPart), Serialize(m_types));
    for (auto& [part, d] : m_extraParts)
        m_pkg.SetPart(part, Serialize(*d));
    return m_pkg.ToZip();
}

void WordDocument::SaveAs(const QString& path) {
    const QByteArray bytes = Save();
    try {
        writeFileAtomic(path, bytes);
    } catch (const FileError& e) {
        throw WordError(e.message(false), e.message(true));
    }
}

} // namespace pit
