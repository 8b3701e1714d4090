// A small model of a word-processing document (OOXML): the operations the
// report writers use, in the terms of a word processor's object model
// (ranges, selection, tables, cells, pictures, sections), each a thin
// wrapper over the XML it changes. Errors are WordError naming what failed.
#pragma once

#include "office/OoxmlPackage.h"

#include <QByteArray>
#include <QString>
#include <map>
#include <memory>
#include <pugixml.hpp>
#include <vector>

namespace pit {

class WordDocument;

// A place in the text: a paragraph and a character offset in it.
struct WordPos {
    pugi::xml_node para;
    int offset = 0;
};

// Paragraph alignment and line-spacing codes as the word processor numbers them.
enum WordAlign : int { kAlignLeft = 0, kAlignCenter = 1, kAlignRight = 2, kAlignJustify = 3 };
enum WordLineRule : int {
    kLineSingle = 0,
    kLineOnePtFive = 1,
    kLineDouble = 2,
    kLineAtLeast = 3,
    kLineExactly = 4,
    kLineMultiple = 5
};
// Row height rules.
enum WordHeightRule : int { kHeightAuto = 0, kHeightAtLeast = 1, kHeightExactly = 2 };

// A stretch of a story: either all content of a container (cell, row, table,
// body, header, footer) or the text between two places.
class WordRange {
public:
    WordRange() = default;
    static WordRange Point(WordDocument* doc, WordPos at) { return Span(doc, at, at); }
    static WordRange Span(WordDocument* doc, WordPos from, WordPos to);
    static WordRange Whole(WordDocument* doc, pugi::xml_node container);

    bool IsNull() const { return m_doc == nullptr; }
    bool IsCollapsed() const;
    bool IsWhole() const { return bool(m_whole); }
    pugi::xml_node Container() const { return m_whole; }
    WordPos Start() const;
    WordPos End() const;
    WordDocument* Document() const { return m_doc; }

    // Paragraph marks become "\r", line breaks "\n", tabs "\t", pictures "/".
    QString Text() const;
    // Replaces the range's content by text and returns the place after it. The
    // new text takes the format of the text before it in its paragraph, else
    // the paragraph mark's. "\n" in text is a line break.
    WordPos SetText(const QString& text);

    // Character format of the text and of the paragraph marks in the range (a
    // collapsed range formats its paragraph mark, which new text then takes).
    void SetFontName(const QString& face);
    void SetFontSize(double points);
    void SetBold(bool bold);
    // Paragraph format of every paragraph the range touches.
    void SetAlignment(int align);
    void SetLineSpacingRule(int rule);
    void SetLineSpacing(double points); // with the rule at least or exactly
    void SetRightIndent(double points);
    // The first paragraph's line spacing in points (single spacing is 12).
    double LineSpacing() const;

    // Paragraphs the range touches, in document order. A table's range leaves
    // out the paragraphs of the tables nested in it.
    std::vector<pugi::xml_node> Paragraphs() const;

private:
    WordDocument* m_doc = nullptr;
    pugi::xml_node m_whole;
    WordPos m_from, m_to;
};

// A picture in the text.
class WordInlineShape {
public:
    WordInlineShape(pugi::xml_node drawing) : m_drawing(drawing) {}
    double Width() const;
    double Height() const;
    void SetWidth(double points);
    void SetHeight(double points);
    pugi::xml_node Node() const { return m_drawing; }

private:
    pugi::xml_node m_drawing;
};

class WordTable;

// A cell as the word processor counts them: Cell(r, c) is the c-th cell of
// row r that is not the lower part of a vertically merged cell.
class WordCell {
public:
    WordCell(WordDocument* doc, pugi::xml_node tc) : m_doc(doc), m_tc(tc) {}
    pugi::xml_node Node() const { return m_tc; }
    WordRange Range() const { return WordRange::Whole(m_doc, m_tc); }
    WordTable Table() const;

    double Width() const; // points
    // A vertically merged cell sets the width of all its parts.
    void SetWidth(double points);
    double Height() const; // its row's height, points (0 when automatic)
    int HeightRule() const;
    void SetHeight(double points, int rule);
    double LeftPadding() const;
    double RightPadding() const;
    // 0 top, 1 centre, 3 bottom.
    void SetVerticalAlignment(int align);

    // Merges this cell with the cells up to other in the same row into one
    // (vertically merged cells merge in every row they span). The content of
    // the non-empty cells is kept, in order.
    void Merge(const WordCell& other);
    // Splits into rows × columns: 1 × k gives k cells of equal width in the
    // row; k × 1 gives k rows, in which the row's other cells are merged vertically.
    void Split(int rows, int columns);

private:
    WordDocument* m_doc;
    pugi::xml_node m_tc;
};

class WordRow {
public:
    WordRow(WordDocument* doc, pugi::xml_node tr) : m_doc(doc), m_tr(tr) {}
    pugi::xml_node Node() const { return m_tr; }
    WordRange Range() const { return WordRange::Whole(m_doc, m_tr); }
    double Height() const;
    int HeightRule() const;
    void SetHeight(double points, int rule);

private:
    WordDocument* m_doc;
    pugi::xml_node m_tr;
};

class WordTable {
public:
    WordTable(WordDocument* doc, pugi::xml_node tbl) : m_doc(doc), m_tbl(tbl) {}
    pugi::xml_node Node() const { return m_tbl; }
    WordRange Range() const { return WordRange::Whole(m_doc, m_tbl); }

    int RowCount() const;
    WordRow Row(int r) const;          // 1-based; throws naming the row
    WordCell Cell(int r, int c) const; // throws naming the cell
    // The c-th cell of every row.
    void SetColumnWidth(int c, double points);
    void DeleteColumn(int c);
    void SetRowsHeight(double points, int rule);

    void SetBordersEnabled(bool on);
    void SetPaddings(double left, double right);
    void SetPreferredWidth(double points);
    void SetPreferredWidthType(int type); // 3: points
    // Fits the table to the width of the page's text, widths in proportion.
    void AutoFitWindow();
    // Appends a row shaped as the last one, with empty cells.
    WordRow AppendRow();
    // Inserts n rows shaped as row r below it.
    void InsertRowsBelow(int r, int n);

private:
    WordDocument* m_doc;
    pugi::xml_node m_tbl;
};

// A page setup (one section's properties).
class WordPageSetup {
public:
    WordPageSetup(WordDocument* doc, pugi::xml_node sectPr) : m_doc(doc), m_sect(sectPr) {}
    double PageWidth() const;
    double PageHeight() const;
    double TopMargin() const;
    double BottomMargin() const;
    double LeftMargin() const;
    double RightMargin() const;
    double HeaderDistance() const;
    double FooterDistance() const;
    // Lines per page by the document grid's line pitch; characters per line
    // by the normal font size.
    double LinesPage() const;
    double CharsLine() const;

private:
    WordDocument* m_doc;
    pugi::xml_node m_sect;
};

// A copy of the body, to be put in again elsewhere.
struct WordBodyCopy {
    std::shared_ptr<pugi::xml_document> nodes;
};

class WordSelection {
public:
    explicit WordSelection(WordDocument* doc) : m_doc(doc) {}
    WordRange Range() const { return m_range; }
    void Select(const WordRange& r) { m_range = r; }

    void TypeText(const QString& text);
    void TypeParagraph();
    // The selection's story: all of it, its start, its end.
    void WholeStory();
    void HomeKey();
    void EndKey();
    // To the next cell; from the last cell of a table a new row is added.
    void MoveRightCell();
    // A next-page section break at the selection.
    void InsertSectionBreak();
    void InsertRowsBelow(int n);
    WordBodyCopy CopyStory() const;
    // Puts a copy in at the selection (an empty paragraph there is replaced).
    void Paste(const WordBodyCopy& copy);
    // A field (e.g. "PAGE") at the selection, showing placeholder until the
    // reader computes it; the selection then stands after the field.
    void AddField(const QString& code, const QString& placeholder);

private:
    // Throws WordError when nothing is selected.
    void RequireRange() const;
    // The selected cell, or the cell holding the selection; WordError when
    // nothing is selected or the selection is not in a table.
    pugi::xml_node SelectedCell() const;
    // The story holding the selection (the body when nothing is selected).
    pugi::xml_node SelectedStory() const;
    WordPos CollapsedPoint();
    WordDocument* m_doc;
    WordRange m_range;
};

enum class PictureKind { Emf, Bmp, Png };

class WordDocument {
public:
    // A new document from a template (.dotx or .docx): its main part becomes
    // a document; the selection stands at the start of the first paragraph.
    static std::unique_ptr<WordDocument> FromTemplate(const QString& path);
    static std::unique_ptr<WordDocument> FromPackage(OoxmlPackage package, const QString& name);
    ~WordDocument();

    WordSelection& Selection() { return m_selection; }
    WordRange Content(); // the whole main story
    pugi::xml_node Body() const;

    // Top-level tables of the main story, 1-based.
    int TableCount() const;
    WordTable Table(int index);
    // A table of rows × columns at the range: in a cell it is nested there.
    WordTable AddTable(const WordRange& at, int rows, int columns);
    WordRange Bookmark(const QString& name);

    // The first section's page setup; changes go to every section.
    WordPageSetup PageSetup();
    void SetMargins(double top, double bottom, double left, double right);
    void SetHeaderFooterDistance(double header, double footer);
    // Primary header and footer of the first section (later sections follow
    // it), made on first use.
    WordRange PrimaryHeader();
    WordRange PrimaryFooter();
    // Page numbers of the first section start at n; later sections continue.
    void SetPageNumberStart(int n);

    // Reads the picture file now (its bytes are embedded, so the file may be
    // reused), sniffs EMF, BMP or PNG from them and puts it in at the range's
    // start at its natural size, scaled down to the width of its container.
    WordInlineShape AddPicture(const WordRange& at, const QString& path);

    // The package with every table's grid made from its cell widths.
    QByteArray Save();
    // Save() written through a temporary file renamed over path.
    void SaveAs(const QString& path);

    // Internal services of the model's classes.
    int NextDrawingId() { return ++m_lastDrawingId; }
    double StyleLineSpacing(pugi::xml_node para) const;
    double NormalFontSize() const;
    double TextWidthOf(pugi::xml_node para);
    pugi::xml_node LastSection() const;
    pugi::xml_node FirstSection() const;
    // The list of top-level tables is kept rather than counted on every look
    // up (a document of many pages asks for its last tables page by page).
    // A table just put in: the list takes it when no table follows it in the
    // body, else it is counted again when next needed.
    void TableAdded(pugi::xml_node tbl);
    // Top-level tables went or moved: they are counted again when next needed.
    void TablesChanged() { m_tablesKnown = false; }

private:
    WordDocument() : m_selection(this) {}
    void LoadParts();
    pugi::xml_node HeaderFooter(bool header);
    QString AddRelationship(const QString& type, const QString& target);
    void EnsureDefault(const QString& ext, const QString& contentType);
    void SetOverride(const QString& partName, const QString& contentType);
    const std::vector<pugi::xml_node>& Tables() const;

    OoxmlPackage m_pkg;
    QString m_name;
    pugi::xml_document m_main, m_rels, m_types, m_styles;
    std::map<QString, std::unique_ptr<pugi::xml_document>> m_extraParts; // headers, footers
    WordSelection m_selection;
    int m_lastDrawingId = 0;
    int m_imageCount = 0;
    int m_lastRelId = -1; // the highest "rIdN" of the relationships; -1 until first needed
    mutable std::vector<pugi::xml_node> m_tables; // the body's tables, while m_tablesKnown
    mutable bool m_tablesKnown = false;
};

// Helpers shared by the model's source files.
namespace word {
constexpr double kTwipsPerPoint = 20.0;
constexpr double kEmuPerPoint = 12700.0;
int ToTwips(double points);
double FromTwips(const pugi::xml_node& n, const char* attr, double fallback = 0);
// The child of that name, made in schema order when missing.
pugi::xml_node Child(pugi::xml_node parent, const char* name);
int ParagraphLength(pugi::xml_node p);
// Characters of the runs before a node of a paragraph.
int OffsetBefore(pugi::xml_node node);
QString ParagraphText(pugi::xml_node p);
bool IsEmptyParagraph(pugi::xml_node p);
// The node before which text at offset goes, splitting a run when needed
// (null: at the end).
pugi::xml_node SplitAt(pugi::xml_node p, int offset);
pugi::xml_node EnclosingTable(pugi::xml_node n);
pugi::xml_node EnclosingCell(pugi::xml_node n);
// Clears a container to one empty paragraph shaped as its first.
pugi::xml_node ClearToOneParagraph(pugi::xml_node container);
} // namespace word

} // namespace pit
