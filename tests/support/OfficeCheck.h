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
