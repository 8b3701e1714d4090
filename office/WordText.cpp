// Paragraphs, runs, ranges and the selection of the document model.
#include "office/WordDocument.h"

#include "office/WordError.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace pit {

namespace word {

namespace {

// Child order of the property elements, as readers expect it.
const char* const kRPrOrder[] = {
    "w:rStyle",  "w:rFonts",     "w:b",         "w:bCs",   "w:i",       "w:iCs",       "w:caps", "w:strike",
    "w:noProof", "w:snapToGrid", "w:vanish",    "w:color", "w:spacing", "w:w",         "w:kern", "w:position",
    "w:sz",      "w:szCs",       "w:highlight", "w:u",     "w:shd",     "w:vertAlign", "w:lang", nullptr};
const char* const kPPrOrder[] = {"w:pStyle",
                                 "w:keepNext",
                                 "w:keepLines",
                                 "w:pageBreakBefore",
                                 "w:widowControl",
                                 "w:numPr",
                                 "w:pBdr",
                                 "w:shd",
                                 "w:tabs",
                                 "w:snapToGrid",
                                 "w:spacing",
                                 "w:ind",
                                 "w:contextualSpacing",
                                 "w:jc",
                                 "w:textAlignment",
                                 "w:outlineLvl",
                                 "w:rPr",
                                 "w:sectPr",
                                 nullptr};
const char* const kTcPrOrder[] = {"w:tcW",    "w:gridSpan", "w:hMerge", "w:vMerge",        "w:tcBorders",
                                  "w:shd",    "w:noWrap",   "w:tcMar",  "w:textDirection", "w:tcFitText",
                                  "w:vAlign", "w:hideMark", nullptr};
const char* const kTrPrOrder[] = {"w:gridBefore", "w:gridAfter", "w:wBefore", "w:wAfter", "w:cantSplit",
                                  "w:trHeight",   "w:tblHeader", "w:jc",      nullptr};
const char* const kTblPrOrder[] = {"w:tblStyle",   "w:tblpPr", "w:tblOverlap",     "w:bidiVisual",
                                   "w:tblW",       "w:jc",     "w:tblCellSpacing", "w:tblInd",
                                   "w:tblBorders", "w:shd",    "w:tblLayout",      "w:tblCellMar",
                                   "w:tblLook",    nullptr};
const char* const kSectPrOrder[] = {
    "w:headerReference", "w:footerReference", "w:footnotePr", "w:endnotePr", "w:type",          "w:pgSz",
    "w:pgMar",           "w:paperSrc",        "w:pgBorders",  "w:lnNumType", "w:pgNumType",     "w:cols",
    "w:formProt",        "w:vAlign",          "w:noEndnote",  "w:titlePg",   "w:textDirection", "w:bidi",
    "w:rtlGutter",       "w:docGrid",         nullptr};
// The first children of these elements.
const char* const kPropertyFirst[][2] = {
    {"w:p", "w:pPr"}, {"w:r", "w:rPr"}, {"w:tc", "w:tcPr"}, {"w:tr", "w:trPr"}, {"w:tbl", "w:tblPr"}};

const char* const* OrderOf(const char* parent) {
    if (!std::strcmp(parent, "w:rPr"))
        return kRPrOrder;
    if (!std::strcmp(parent, "w:pPr"))
        return kPPrOrder;
    if (!std::strcmp(parent, "w:tcPr"))
        return kTcPrOrder;
    if (!std::strcmp(parent, "w:trPr"))
        return kTrPrOrder;
    if (!std::strcmp(parent, "w:tblPr"))
        return kTblPrOrder;
    if (!std::strcmp(parent, "w:sectPr"))
        return kSectPrOrder;
    return nullptr;
}

int Rank(const char* const* order, const char* name) {
    for (int i = 0; order[i]; ++i)
        if (!std::strcmp(order[i], name))
            return i;
    return 1000; // unknown elements stay last
}

int NodeLength(pugi::xml_node n) {
    const char* name = n.name();
    if (!std::strcmp(name, "w:t"))
        return int(QString::fromUtf8(n.text().get()).size());
    if (!std::strcmp(name, "w:tab") || !std::strcmp(name, "w:br") || !std::strcmp(name, "w:cr") ||
        !std::strcmp(name, "w:drawing") || !std::strcmp(name, "w:sym"))
        return 1;
    return 0;
}

int RunLength(pugi::xml_node r) {
    int n = 0;
    for (pugi::xml_node c : r.children())
        n += NodeLength(c);
    return n;
}

bool IsRun(pugi::xml_node n) {
    return !std::strcmp(n.name(), "w:r");
}

// Splits run r so that its first k characters stay in it; returns the new second run.
pugi::xml_node SplitRun(pugi::xml_node r, int k) {
    pugi::xml_node second = r.parent().insert_copy_after(r, r);
    // Remove from the first run everything from character k on, and from the second everything before.
    int pos = 0;
    std::vector<pugi::xml_node> dropFirst;
    for (pugi::xml_node c : r.children()) {
        if (!std::strcmp(c.name(), "w:rPr"))
            continue;
        const int len = NodeLength(c);
        if (pos >= k)
            dropFirst.push_back(c);
        else if (pos + len > k) { // a text node cut in two
            const QString t = QString::fromUtf8(c.text().get());
            c.text().set(t.left(k - pos).toUtf8().constData());
        }
        pos += len;
    }
    for (auto c : dropFirst)
        r.remove_child(c);
    pos = 0;
    std::vector<pugi::xml_node> dropSecond;
    for (pugi::xml_node c : second.children()) {
        if (!std::strcmp(c.name(), "w:rPr"))
            continue;
        const int len = NodeLength(c);
        if (pos + len <= k && !(len == 0 && pos == k))
            dropSecond.push_back(c);
        else if (pos < k) {
            const QString t = QString::fromUtf8(c.text().get());
            c.text().set(t.mid(k - pos).toUtf8().constData());
        }
        pos += len;
    }
    for (auto c : dropSecond)
        second.remove_child(c);
    return second;
}

void SetVal(pugi::xml_node n, const char* attr, const QString& v) {
    pugi::xml_attribute a = n.attribute(attr);
    if (!a)
        a = n.append_attribute(attr);
    a.set_value(v.toUtf8().constData());
}

} // namespace

int ToTwips(double points) {
    return int(std::lround(points * kTwipsPerPoint));
}

double FromTwips(const pugi::xml_node& n, const char* attr, double fallback) {
    const pugi::xml_attribute a = n.attribute(attr);
    return a ? a.as_double() / kTwipsPerPoint : fallback;
}

pugi::xml_node Child(pugi::xml_node parent, const char* name) {
    if (pugi::xml_node c = parent.child(name))
        return c;
    // Property elements come first in their owners.
    for (const auto& pf : kPropertyFirst)
        if (!std::strcmp(parent.name(), pf[0]) && !std::strcmp(name, pf[1]))
            return parent.prepend_child(name);
    const char* const* order = OrderOf(parent.name());
    if (!order)
        return parent.append_child(name);
    const int rank = Rank(order, name);
    for (pugi::xml_node c : parent.children())
        if (Rank(order, c.name()) > rank)
            return parent.insert_child_before(name, c);
    return parent.append_child(name);
}

int ParagraphLength(pugi::xml_node p) {
    int n = 0;
    for (pugi::xml_node c : p.children())
        if (IsRun(c))
            n += RunLength(c);
    return n;
}

int OffsetBefore(pugi::xml_node node) {
    int n = 0;
    for (pugi::xml_node c = node.previous_sibling(); c; c = c.previous_sibling())
        if (IsRun(c))
            n += RunLength(c);
    return n;
}

QString ParagraphText(pugi::xml_node p) {
    QString s;
    for (pugi::xml_node r : p.children()) {
        if (!IsRun(r))
            continue;
        for (pugi::xml_node c : r.children()) {
            const char* name = c.name();
            if (!std::strcmp(name, "w:t"))
                s += QString::fromUtf8(c.text().get());
            else if (!std::strcmp(name, "w:tab"))
                s += u'\t';
            else if (!std::strcmp(name, "w:br") || !std::strcmp(name, "w:cr"))
                s += u'\n';
            else if (!std::strcmp(name, "w:drawing"))
                s += u'/';
        }
    }
    return s;
}

bool IsEmptyParagraph(pugi::xml_node p) {
    return ParagraphLength(p) == 0;
}

pugi::xml_node SplitAt(pugi::xml_node p, int offset) {
    if (offset <= 0) {
        pugi::xml_node c = p.first_child();
        while (c && !std::strcmp(c.name(), "w:pPr"))
            c = c.next_sibling();
        return c;
    }
    int pos = 0;
    int depth = 0;      // inside a field
    bool after = false; // the place lies in a field: text goes after its end
    for (pugi::xml_node c = p.first_child(); c; c = c.next_sibling()) {
        if (!IsRun(c))
            continue;
        const int len = RunLength(c);
        const int before = depth;
        for (pugi::xml_node f : c.children("w:fldChar")) {
            const std::string type = f.attribute("w:fldCharType").as_string();
            depth += type == "begin" ? 1 : type == "end" ? -1 : 0;
        }
        depth = std::max(0, depth);
        if (before > 0 || depth > 0) { // a field is one piece
            pos += len;
            if (pos >= offset)
                after = true;
            if (after && depth == 0)
                return c.next_sibling();
            continue;
        }
        if (pos + len == offset)
            return c.next_sibling();
        if (pos < offset && offset < pos + len)
            return SplitRun(c, offset - pos);
        pos += len;
    }
    return {};
}

pugi::xml_node EnclosingTable(pugi::xml_node n) {
    for (pugi::xml_node a = n.parent(); a; a = a.parent())
        if (!std::strcmp(a.name(), "w:tbl"))
            return a;
    return {};
}

pugi::xml_node EnclosingCell(pugi::xml_node n) {
    for (pugi::xml_node a = n.parent(); a; a = a.parent())
        if (!std::strcmp(a.name(), "w:tc"))
            return a;
    return {};
}

pugi::xml_node ClearToOneParagraph(pugi::xml_node container) {
    pugi::xml_node first = container.child("w:p");
    pugi::xml_node keep;
    if (first) {
        keep = first;
    } else {
        keep = container.append_child("w:p");
    }
    std::vector<pugi::xml_node> drop;
    for (pugi::xml_node c : container.children()) {
        const char* name = c.name();
        if (c == keep || !std::strcmp(name, "w:tcPr") || !std::strcmp(name, "w:sectPr"))
            continue;
        drop.push_back(c);
    }
    for (auto c : drop)
        container.remove_child(c);
    // The paragraph keeps its properties, not its content.
    drop.clear();
    for (pugi::xml_node c : keep.children())
        if (std::strcmp(c.name(), "w:pPr"))
            drop.push_back(c);
    for (auto c : drop)
        keep.remove_child(c);
    // A body keeps its final section properties last.
    if (pugi::xml_node sect = container.child("w:sectPr"))
        container.insert_move_before(keep, sect);
    return keep;
}

// Format of new text: the run before the place, else the paragraph mark.
pugi::xml_node FormatForNewText(pugi::xml_node p, pugi::xml_node before) {
    for (pugi::xml_node c = before ? before.previous_sibling() : p.last_child(); c; c = c.previous_sibling())
        if (IsRun(c) && RunLength(c) > 0)
            return c.child("w:rPr");
    return p.child("w:pPr").child("w:rPr");
}

// Runs for text, put in before node `before` of paragraph p; returns the number of characters.
int InsertText(pugi::xml_node p, pugi::xml_node before, const QString& text, pugi::xml_node format = {}) {
    if (text.isEmpty())
        return 0;
    pugi::xml_node fmt = format ? format : FormatForNewText(p, before);
    pugi::xml_node r = before ? p.insert_child_before("w:r", before) : p.append_child("w:r");
    if (fmt) {
        pugi::xml_node rPr = r.append_copy(fmt);
        rPr.set_name("w:rPr");
    }
    QString chunk;
    const auto flush = [&] {
        if (chunk.isEmpty())
            return;
        pugi::xml_node t = r.append_child("w:t");
        t.append_attribute("xml:space") = "preserve";
        t.text().set(chunk.toUtf8().constData());
        chunk.clear();
    };
    int n = 0;
    for (int i = 0; i < text.size(); ++i) {
        const QChar ch = text[i];
        if (ch == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            continue; // one break for CR LF
        if (ch == QChar(0x7F))
            continue; // DEL shows nothing, as on the printed page
        if (ch == u'\n' || ch == u'\r' || ch == QChar(0x0B)) {
            flush();
            r.append_child("w:br");
        } else if (ch == u'\t') {
            flush();
            r.append_child("w:tab");
        } else {
            chunk += ch;
        }
        ++n;
    }
    flush();
    return n;
}

void SetRunFont(pugi::xml_node rPr, const QString* face, const double* size, const bool* bold) {
    if (face) {
        pugi::xml_node f = Child(rPr, "w:rFonts");
        for (const char* a : {"w:asciiTheme", "w:hAnsiTheme", "w:eastAsiaTheme", "w:cstheme"})
            f.remove_attribute(a);
        for (const char* a : {"w:ascii", "w:hAnsi", "w:eastAsia", "w:cs"})
            SetVal(f, a, *face);
    }
    if (size) {
        const QString hp = QString::number(std::max(2L, std::lround(*size * 2)));
        SetVal(Child(rPr, "w:sz"), "w:val", hp);
        SetVal(Child(rPr, "w:szCs"), "w:val", hp);
    }
    if (bold) {
        SetVal(Child(rPr, "w:b"), "w:val", *bold ? QStringLiteral("1") : QStringLiteral("0"));
        SetVal(Child(rPr, "w:bCs"), "w:val", *bold ? QStringLiteral("1") : QStringLiteral("0"));
    }
}

void SetParagraphSpacing(pugi::xml_node p, int rule, double points) {
    pugi::xml_node sp = Child(Child(p, "w:pPr"), "w:spacing");
    const auto set = [&](int line, const char* lineRule) {
        SetVal(sp, "w:line", QString::number(line));
        SetVal(sp, "w:lineRule", QString::fromLatin1(lineRule));
    };
    switch (rule) {
    case kLineSingle:
        set(240, "auto");
        break;
    case kLineOnePtFive:
        set(360, "auto");
        break;
    case kLineDouble:
        set(480, "auto");
        break;
    case kLineAtLeast:
        set(std::max(1, ToTwips(points)), "atLeast");
        break;
    case kLineExactly:
        set(std::max(1, ToTwips(points)), "exact");
        break;
    case kLineMultiple:
        set(std::max(1, int(std::lround(points / 12.0 * 240))), "auto");
        break;
    default:
        break;
    }
}

// The rule code of a paragraph's own spacing; -1 when it has none.
int ParagraphLineRule(pugi::xml_node p, double* points) {
    pugi::xml_node sp = p.child("w:pPr").child("w:spacing");
    if (!sp || !sp.attribute("w:line"))
        return -1;
    const double line = sp.attribute("w:line").as_double();
    const std::string rule = sp.attribute("w:lineRule").as_string("auto");
    if (rule == "exact") {
        *points = line / kTwipsPerPoint;
        return kLineExactly;
    }
    if (rule == "atLeast") {
        *points = line / kTwipsPerPoint;
        return kLineAtLeast;
    }
    *points = line / 240.0 * 12.0;
    if (line == 240)
        return kLineSingle;
    if (line == 360)
        return kLineOnePtFive;
    if (line == 480)
        return kLineDouble;
    return kLineMultiple;
}

} // namespace word

using namespace word;

namespace {

// Paragraphs of a container in document order; a table or row leaves out nested tables.
void CollectParagraphs(pugi::xml_node n, pugi::xml_node scopeTable, std::vector<pugi::xml_node>& out) {
    for (pugi::xml_node c : n.children()) {
        const char* name = c.name();
        if (!std::strcmp(name, "w:p"))
            out.push_back(c);
        else if (!std::strcmp(name, "w:tbl")) {
            if (!scopeTable || c == scopeTable)
                CollectParagraphs(c, scopeTable, out);
        } else if (!std::strcmp(name, "w:tr") || !std::strcmp(name, "w:tc") || !std::strcmp(name, "w:sdt") ||
                   !std::strcmp(name, "w:sdtContent"))
            CollectParagraphs(c, scopeTable, out);
    }
}

// Every paragraph of the story that holds p, in document order.
pugi::xml_node StoryOf(pugi::xml_node n) {
    for (pugi::xml_node a = n; a; a = a.parent()) {
        const char* name = a.name();
        if (!std::strcmp(name, "w:body") || !std::strcmp(name, "w:hdr") || !std::strcmp(name, "w:ftr"))
            return a;
    }
    return {};
}

std::vector<pugi::xml_node> StoryParagraphs(pugi::xml_node story) {
    std::vector<pugi::xml_node> out;
    CollectParagraphs(story, {}, out);
    return out;
}

pugi::xml_node RunsFormatTarget(pugi::xml_node r) {
    return Child(r, "w:rPr");
}

} // namespace

// ---- WordRange

WordRange WordRange::Span(WordDocument* doc, WordPos from, WordPos to) {
    WordRange r;
    r.m_doc = doc;
    r.m_from = from;
    r.m_to = to;
    return r;
}

WordRange WordRange::Whole(WordDocument* doc, pugi::xml_node container) {
    WordRange r;
    r.m_doc = doc;
    r.m_whole = container;
    return r;
}

bool WordRange::IsCollapsed() const {
    return !m_whole && m_from.para == m_to.para && m_from.offset == m_to.offset;
}

std::vector<pugi::xml_node> WordRange::Paragraphs() const {
    std::vector<pugi::xml_node> out;
    if (m_whole) {
        const char* name = m_whole.name();
        const bool scoped = !std::strcmp(name, "w:tbl") || !std::strcmp(name, "w:tr");
        pugi::xml_node scope = !std::strcmp(name, "w:tbl") ? m_whole : EnclosingTable(m_whole);
        CollectParagraphs(m_whole, scoped ? scope : pugi::xml_node(), out);
        return out;
    }
    if (m_from.para == m_to.para) {
        out.push_back(m_from.para);
        return out;
    }
    bool in = false;
    for (pugi::xml_node p : StoryParagraphs(StoryOf(m_from.para))) {
        if (p == m_from.para)
            in = true;
        if (in)
            out.push_back(p);
        if (p == m_to.para)
            break;
    }
    return out;
}

WordPos WordRange::Start() const {
    if (!m_whole)
        return m_from;
    const auto ps = Paragraphs();
    if (ps.empty())
        throw WordError(QStringLiteral("区域中没有段落。"), QStringLiteral("The range holds no paragraph."));
    return {ps.front(), 0};
}

WordPos WordRange::End() const {
    if (!m_whole)
        return m_to;
    const auto ps = Paragraphs();
    if (ps.empty())
        throw WordError(QStringLiteral("区域中没有段落。"), QStringLiteral("The range holds no paragraph."));
    return {ps.back(), ParagraphLength(ps.back())};
}

QString WordRange::Text() const {
    QString s;
    const auto ps = Paragraphs();
    for (size_t i = 0; i < ps.size(); ++i) {
        QString t = ParagraphText(ps[i]);
        if (!m_whole) {
            const int a = ps[i] == m_from.para ? m_from.offset : 0;
            const int b = ps[i] == m_to.para ? m_to.offset : int(t.size());
            t = t.mid(a, std::max(0, b - a));
        }
        s += t;
        if (i + 1 < ps.size())
            s += u'\r';
    }
    return s;
}

WordPos WordRange::SetText(const QString& text) {
    if (m_whole) {
        const char* name = m_whole.name();
        if (!std::strcmp(name, "w:tbl") || !std::strcmp(name, "w:tr"))
            throw WordError(QStringLiteral("不能给整个表格或表格行写入文字。"),
                            QStringLiteral("Text cannot replace a whole table or row."));
        // Replacing text keeps the format of its first character; an empty
        // container gives the paragraph mark's.
        pugi::xml_document keep;
        for (pugi::xml_node q : Paragraphs()) {
            for (pugi::xml_node r : q.children("w:r"))
                if (RunLength(r) > 0 && r.child("w:t")) {
                    if (pugi::xml_node rPr = r.child("w:rPr"))
                        keep.append_copy(rPr);
                    else
                        keep.append_child("w:rPr");
                    break;
                }
            if (keep.first_child())
                break;
        }
        pugi::xml_node p = ClearToOneParagraph(m_whole);
        if (m_whole == m_doc->Body())
            m_doc->TablesChanged();
        const int n = InsertText(p, {}, text, keep.first_child());
        return {p, n};
    }
    if (m_from.para != m_to.para)
        throw WordError(QStringLiteral("不能替换跨段落的文字。"),
                        QStringLiteral("Text across paragraphs cannot be replaced."));
    pugi::xml_node p = m_from.para;
    const int a = std::min(m_from.offset, m_to.offset);
    const int b = std::max(m_from.offset, m_to.offset);
    pugi::xml_document keep;
    if (b > a) {
        pugi::xml_node endNode = SplitAt(p, b);
        pugi::xml_node startNode = SplitAt(p, a);
        std::vector<pugi::xml_node> drop;
        for (pugi::xml_node c = startNode; c && c != endNode; c = c.next_sibling())
            if (IsRun(c)) {
                if (!keep.first_child() && RunLength(c) > 0)
                    c.child("w:rPr") ? keep.append_copy(c.child("w:rPr")) : keep.append_child("w:rPr");
                drop.push_back(c);
            }
        for (auto c : drop)
            p.remove_child(c);
    }
    const int n = InsertText(p, SplitAt(p, a), text, keep.first_child());
    return {p, a + n};
}

namespace {

// Applies f to the rPr of every run in the range and to the marks it includes.
template <class F> void ForEachFormatTarget(const WordRange& range, F f) {
    const auto ps = range.Paragraphs();
    if (range.IsCollapsed()) {
        f(Child(Child(range.Start().para, "w:pPr"), "w:rPr"));
        return;
    }
    const WordPos from = range.Start();
    const WordPos to = range.End();
    for (pugi::xml_node p : ps) {
        const int len = ParagraphLength(p);
        const int a = range.IsWhole() || p != from.para ? 0 : from.offset;
        const int b = range.IsWhole() || p != to.para ? len : to.offset;
        if (b > a) {
            pugi::xml_node endNode = SplitAt(p, b);
            pugi::xml_node startNode = SplitAt(p, a);
            for (pugi::xml_node c = startNode; c && c != endNode; c = c.next_sibling())
                if (IsRun(c))
                    f(RunsFormatTarget(c));
        }
        // The mark is in the range unless the range ends inside this paragraph.
        if (range.IsWhole() || p != to.para || b == len)
            f(Child(Child(p, "w:pPr"), "w:rPr"));
    }
}

} // namespace

void WordRange::SetFontName(const QString& face) {
    ForEachFormatTarget(*this, [&](pugi::xml_node rPr) { SetRunFont(rPr, &face, nullptr, nullptr); });
}

void WordRange::SetFontSize(double points) {
    ForEachFormatTarget(*this, [&](pugi::xml_node rPr) { SetRunFont(rPr, nullptr, &points, nullptr); });
}

void WordRange::SetBold(bool bold) {
    ForEachFormatTarget(*this, [&](pugi::xml_node rPr) { SetRunFont(rPr, nullptr, nullptr, &bold); });
}

void WordRange::SetAlignment(int align) {
    static const char* const kJc[] = {"left", "center", "right", "both"};
    const char* v = kJc[std::clamp(align, 0, 3)];
    for (pugi::xml_node p : Paragraphs())
        SetVal(Child(Child(p, "w:pPr"), "w:jc"), "w:val", QString::fromLatin1(v));
}

void WordRange::SetLineSpacingRule(int rule) {
    for (pugi::xml_node p : Paragraphs()) {
        double pts = m_doc->StyleLineSpacing(p);
        SetParagraphSpacing(p, rule, pts);
    }
}

void WordRange::SetLineSpacing(double points) {
    for (pugi::xml_node p : Paragraphs()) {
        double old = 0;
        int rule = ParagraphLineRule(p, &old);
        if (rule != kLineAtLeast && rule != kLineExactly)
            rule = kLineMultiple; // as the word processor does for a plain spacing value
        SetParagraphSpacing(p, rule, points);
    }
}

void WordRange::SetRightIndent(double points) {
    for (pugi::xml_node p : Paragraphs())
        SetVal(Child(Child(p, "w:pPr"), "w:ind"), "w:right", QString::number(ToTwips(points)));
}

double WordRange::LineSpacing() const {
    const auto ps = Paragraphs();
    if (ps.empty())
        return 12.0;
    return m_doc->StyleLineSpacing(ps.front());
}

// ---- WordInlineShape

namespace {
pugi::xml_node Extent(pugi::xml_node drawing) {
    return drawing.first_child().child("wp:extent");
}
pugi::xml_node XfrmExt(pugi::xml_node drawing) {
    return drawing.first_child()
        .child("a:graphic")
        .child("a:graphicData")
        .child("pic:pic")
        .child("pic:spPr")
        .child("a:xfrm")
        .child("a:ext");
}
void SetEmu(pugi::xml_node drawing, const char* attr, double points) {
    const QString v = QString::number(std::max(1L, std::lround(points * kEmuPerPoint)));
    SetVal(Extent(drawing), attr, v);
    SetVal(XfrmExt(drawing), attr, v);
}
} // namespace

double WordInlineShape::Width() const {
    return Extent(m_drawing).attribute("cx").as_double() / kEmuPerPoint;
}
double WordInlineShape::Height() const {
    return Extent(m_drawing).attribute("cy").as_double() / kEmuPerPoint;
}
void WordInlineShape::SetWidth(double points) {
    SetEmu(m_drawing, "cx", points);
}
void WordInlineShape::SetHeight(double points) {
    SetEmu(m_drawing, "cy", points);
}

// ---- WordSelection

void WordSelection::RequireRange() const {
    if (m_range.IsNull())
        throw WordError(QStringLiteral("没有选定位置。"), QStringLiteral("Nothing is selected."));
}

pugi::xml_node WordSelection::SelectedCell() const {
    RequireRange();
    pugi::xml_node tc = m_range.IsWhole() && !std::strcmp(m_range.Container().name(), "w:tc")
                            ? m_range.Container()
                            : EnclosingCell(m_range.Start().para);
    if (!tc)
        throw WordError(QStringLiteral("选定位置不在表格中。"),
                        QStringLiteral("The selection is not in a table."));
    return tc;
}

pugi::xml_node WordSelection::SelectedStory() const {
    pugi::xml_node story = StoryOf(m_range.IsNull() ? m_doc->Body() : m_range.Start().para);
    return story ? story : m_doc->Body();
}

WordPos WordSelection::CollapsedPoint() {
    RequireRange();
    if (m_range.IsCollapsed())
        return m_range.Start();
    const WordPos after = m_range.SetText(QString());
    m_range = WordRange::Point(m_doc, after);
    return after;
}

void WordSelection::TypeText(const QString& text) {
    RequireRange();
    const WordPos after = m_range.SetText(text);
    m_range = WordRange::Point(m_doc, after);
}

void WordSelection::TypeParagraph() {
    const WordPos at = CollapsedPoint();
    pugi::xml_node p = at.para;
    pugi::xml_node splitNode = SplitAt(p, at.offset);
    pugi::xml_node np = p.parent().insert_child_after("w:p", p);
    if (pugi::xml_node pPr = p.child("w:pPr")) {
        np.append_copy(pPr);
        // A section ends with the second part of a split paragraph.
        if (pugi::xml_node sect = pPr.child("w:sectPr"))
            pPr.remove_child(sect);
    }
    // The text after the place moves into the new paragraph.
    std::vector<pugi::xml_node> move;
    for (pugi::xml_node c = splitNode; c; c = c.next_sibling())
        move.push_back(c);
    for (auto c : move)
        np.append_move(c);
    m_range = WordRange::Point(m_doc, {np, 0});
}

void WordSelection::WholeStory() {
    m_range = WordRange::Whole(m_doc, SelectedStory());
}

void WordSelection::HomeKey() {
    const auto ps = StoryParagraphs(SelectedStory());
    m_range = WordRange::Point(m_doc, {ps.front(), 0});
}

void WordSelection::EndKey() {
    pugi::xml_node story = SelectedStory();
    // The story ends in its last paragraph (never inside a table: a story
    // always ends with a paragraph), found from the end.
    pugi::xml_node last = story.last_child();
    while (last && std::strcmp(last.name(), "w:p"))
        last = last.previous_sibling();
    if (!last)
        last = story.insert_child_before("w:p", story.child("w:sectPr"));
    m_range = WordRange::Point(m_doc, {last, ParagraphLength(last)});
}

void WordSelection::MoveRightCell() {
    const pugi::xml_node tc = SelectedCell();
    const auto isContinuation = [](pugi::xml_node c) {
        pugi::xml_node vm = c.child("w:tcPr").child("w:vMerge");
        return vm && std::string(vm.attribute("w:val").as_string("continue")) != "restart";
    };
    pugi::xml_node next = tc.next_sibling("w:tc");
    while (next && isContinuation(next))
        next = next.next_sibling("w:tc");
    for (pugi::xml_node tr = tc.parent().next_sibling("w:tr"); !next && tr; tr = tr.next_sibling("w:tr")) {
        for (pugi::xml_node c = tr.child("w:tc"); c; c = c.next_sibling("w:tc"))
            if (!isContinuation(c)) {
                next = c;
                break;
            }
    }
    if (!next) {
        WordTable table(m_doc, tc.parent().parent());
        next = table.AppendRow().Node().child("w:tc");
    }
    m_range = WordRange::Whole(m_doc, next);
}

void WordSelection::InsertSectionBreak() {
    const WordPos at = CollapsedPoint();
    if (EnclosingTable(at.para) || StoryOf(at.para) != m_doc->Body())
        throw WordError(QStringLiteral("分节符只能插入在正文中表格以外的位置。"),
                        QStringLiteral("A section break can only go into the body outside tables."));
    // The properties of the section that holds the place: the next section end
    // at or after it, else the body's final section.
    pugi::xml_node src;
    for (pugi::xml_node c = at.para; c && !src; c = c.next_sibling("w:p"))
        src = c.child("w:pPr").child("w:sectPr");
    if (!src)
        src = m_doc->LastSection();
    pugi::xml_node p = at.para;
    TypeParagraph(); // p keeps the text before the break and ends its section
    pugi::xml_node pPr = Child(p, "w:pPr");
    pPr.append_copy(src);
}

void WordSelection::InsertRowsBelow(int n) {
    pugi::xml_node tr = SelectedCell().parent();
    pugi::xml_node tbl = tr.parent();
    int r = 1;
    for (pugi::xml_node x = tbl.child("w:tr"); x && x != tr; x = x.next_sibling("w:tr"))
        ++r;
    WordTable(m_doc, tbl).InsertRowsBelow(r, n);
    m_range = WordRange::Whole(m_doc, tr.next_sibling("w:tr").child("w:tc"));
}

WordBodyCopy WordSelection::CopyStory() const {
    WordBodyCopy copy;
    copy.nodes = std::make_shared<pugi::xml_document>();
    pugi::xml_node holder = copy.nodes->append_child("copy");
    for (pugi::xml_node c : m_doc->Body().children())
        if (std::strcmp(c.name(), "w:sectPr"))
            holder.append_copy(c);
    // A copy starts no section of its own and carries no bookmark: names stay unique.
    for (pugi::xpath_node x : holder.select_nodes(".//w:sectPr | .//w:bookmarkStart | .//w:bookmarkEnd"))
        x.node().parent().remove_child(x.node());
    return copy;
}

void WordSelection::Paste(const WordBodyCopy& copy) {
    if (!copy.nodes)
        return;
    const WordPos at = CollapsedPoint();
    pugi::xml_node p = at.para;
    pugi::xml_node parent = p.parent();
    pugi::xml_node holder = copy.nodes->child("copy");
    pugi::xml_node last;
    const bool replace = IsEmptyParagraph(p) && !p.child("w:pPr").child("w:sectPr");
    pugi::xml_node anchor = replace ? p : p.next_sibling();
    for (pugi::xml_node c : holder.children()) {
        last = anchor ? parent.insert_copy_before(c, anchor) : parent.append_copy(c);
        for (pugi::xpath_node d : last.select_nodes(".//wp:docPr"))
            d.node().attribute("id").set_value(m_doc->NextDrawingId());
        if (!std::strcmp(last.name(), "w:tbl"))
            m_doc->TableAdded(last);
    }
    if (!last)
        return;
    if (replace)
        parent.remove_child(p);
    if (std::strcmp(last.name(), "w:p")) {
        // Keep a paragraph after a pasted table, as the story needs one.
        last = anchor ? parent.insert_child_before("w:p", anchor) : parent.append_child("w:p");
    }
    m_range = WordRange::Point(m_doc, {last, ParagraphLength(last)});
}

void WordSelection::AddField(const QString& code, const QString& placeholder) {
    const WordPos at = CollapsedPoint();
    pugi::xml_node p = at.para;
    pugi::xml_node before = SplitAt(p, at.offset);
    pugi::xml_node fmt = FormatForNewText(p, before);
    const auto run = [&]() {
        pugi::xml_node r = before ? p.insert_child_before("w:r", before) : p.append_child("w:r");
        if (fmt)
            r.append_copy(fmt).set_name("w:rPr");
        return r;
    };
    run().append_child("w:fldChar").append_attribute("w:fldCharType") = "begin";
    {
        pugi::xml_node t = run().append_child("w:instrText");
        t.append_attribute("xml:space") = "preserve";
        t.text().set((QStringLiteral(" ") + code + QStringLiteral(" ")).toUtf8().constData());
    }
    run().append_child("w:fldChar").append_attribute("w:fldCharType") = "separate";
    {
        pugi::xml_node t = run().append_child("w:t");
        t.append_attribute("xml:space") = "preserve";
        t.text().set(placeholder.toUtf8().constData());
    }
    run().append_child("w:fldChar").append_attribute("w:fldCharType") = "end";
    m_range = WordRange::Point(m_doc, {p, at.offset + int(placeholder.size())});
}

} // namespace pit
