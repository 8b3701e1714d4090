// Builds the user manual shipped beside the program: the Markdown source
// laid out as A4 pages with page numbers, written as PDF.
//   makemanual SOURCE.md OUTPUT.pdf
#include "platform/FontSetup.h"
#include "platform/PdfTextLayer.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <cstdio>

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: makemanual SOURCE.md OUTPUT.pdf\n");
        return 2;
    }
    pit::RegisterFontSubstitutions();
    QFile source(args[1]);
    if (!source.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "makemanual: cannot read %s\n", qPrintable(args[1]));
        return 1;
    }
    const QString markdown = QString::fromUtf8(source.readAll());

    QPdfWriter writer(args[2]);
    writer.setResolution(300);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(20, 18, 20, 14), QPageLayout::Millimeter));
    writer.setTitle(QStringLiteral("KEV 低应变分析程序 使用手册"));
    writer.setCreator(QStringLiteral("KEV_DUX"));

    QTextDocument doc;
    doc.documentLayout()->setPaintDevice(&writer);
    QFont body(QStringLiteral("宋体"));
    body.setPointSizeF(10.5);
    doc.setDefaultFont(body);
    doc.setMarkdown(markdown);
    // Tables with room in their cells and single rules.
    for (QTextFrame* frame : doc.rootFrame()->childFrames())
        if (auto* table = qobject_cast<QTextTable*>(frame)) {
            QTextTableFormat f = table->format();
            f.setCellPadding(4); // pixels of 1/96 inch, as the text layout measures
            f.setCellSpacing(0);
            f.setBorderCollapse(true);
            f.setBorder(1);
            f.setBorderBrush(Qt::darkGray);
            table->setFormat(f);
        }
    QTextFrameFormat root = doc.rootFrame()->frameFormat();
    root.setMargin(0);
    doc.rootFrame()->setFrameFormat(root);

    const QRectF area = writer.pageLayout().paintRectPixels(writer.resolution());
    const qreal footer = writer.resolution() * 10 / 25.4; // 10 mm for the page number
    const QSizeF pageSize(area.width(), area.height() - footer);
    doc.setPageSize(pageSize);

    QPainter painter;
    if (!painter.begin(&writer)) {
        std::fprintf(stderr, "makemanual: cannot write %s\n", qPrintable(args[2]));
        return 1;
    }
    QFont small(body);
    small.setPointSizeF(9);
    const int pages = doc.pageCount();
    for (int page = 0; page < pages; ++page) {
        if (page > 0)
            writer.newPage();
        painter.save();
        painter.translate(0, -page * pageSize.height());
        doc.drawContents(&painter, QRectF(QPointF(0, page * pageSize.height()), pageSize));
        painter.restore();
        painter.setFont(small);
        painter.setPen(Qt::darkGray);
        painter.drawText(QRectF(0, area.height() - footer, area.width(), footer), Qt::AlignCenter,
                         QStringLiteral("— %1 / %2 —").arg(page + 1).arg(pages));
    }
    if (!painter.end())
        return 1;
    // Its text read back as written: a search finds what the pages show.
    QString why;
    if (!pit::RepairPdfTextLayerFile(args[2], &why, true)) {
        std::fprintf(stderr, "makemanual: %s\n", qPrintable(why));
        return 1;
    }
    return 0;
}
