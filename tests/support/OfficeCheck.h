// Checks of written Word documents by readers other than our own writer: a
// structural check of the package (grids, cells, ids, relationships),
// python-docx, and LibreOffice's rendering to PDF read back with poppler.
#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <map>
#include <vector>

namespace pit::test {

// What is wrong with the document's structure; empty when nothing is:
// every table row spans the grid, every cell ends with a paragraph, a
// vertically merged cell has its top above it, drawing and bookmark ids are
// unique, every relationship points at a part and every part has a content type.
QStringList DocxProblems(const QString& docx);

// Each picture of the main story in document order: the width / height it
// is shown at (its extent) and as drawn (a BMP's pixels, an EMF's frame).
struct PictureAspect {
    double shown = 0;
    double drawn = 0;
};
std::vector<PictureAspect> PictureAspects(const QString& docx);

// Each picture of the main story in document order: the size it is shown
// at (points) and the bytes of its part.
struct DocxPicture {
    double shownWidth = 0;
    double shownHeight = 0;
    QByteArray bytes;
};
std::vector<DocxPicture> DocxPictures(const QString& docx);

// What an enhanced metafile draws, read from its records by the format:
// every segment of its polylines and the texts with their bounds (device
// units), and its height in device units by its frame and reference.
struct EmfSegment {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};
struct EmfText {
    QString text;
    int left = 0, top = 0, right = 0, bottom = 0; // the glyphs' band, inclusive
};
struct EmfShapes {
    bool valid = false;
    double heightPx = 0; // the frame's height in device units
    std::vector<EmfSegment> segments;
    std::vector<EmfText> texts;
};
EmfShapes ReadEmfShapes(const QByteArray& emf);
// Whether a segment runs through a text's band: it enters the band's
// inside (touching an edge does not count).
bool Crosses(const EmfSegment& s, const EmfText& t);

// The document as python-docx reads it (tests/support/read_docx.py); an
// object with "error" when it cannot be read.
QJsonObject ReadDocx(const QString& docx);

struct PdfText {
    int pages = 0;
    QStringList pageTexts; // pdftotext of each page
    QString pdf;
    QString error;
};

// Text without white space: PDF text puts blanks where runs or fonts change.
QString Squeezed(const QString& text);

// Converts all documents with one LibreOffice run (a private profile, a time
// limit), then reads each PDF. PDFs of documents with the same bytes are
// kept in a cache folder of the build, so test processes of one binary share
// one conversion.
std::map<QString, PdfText> RenderToPdf(const QStringList& docs);

} // namespace pit::test
