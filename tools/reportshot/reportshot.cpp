// reportshot: renders report pages without the window, through the same
// builders, page frame and exports as the program, so pages can be looked at
// (pdftoppm to PNG) and checked by independent readers.
//
//   reportshot single --out FILE.pdf|FILE.emf|FILE.bmp|FILE.docx [--lang en|zh] PILE.DUX...
//   reportshot project [--format A|B] [--rows R --cols C] --out FILE.pdf|.emf|.bmp|.docx PILE.DUX...
//   reportshot stats [--type 0|1|2] --out FILE.docx PILE.DUX...
//   reportshot curve --out FILE.docx PILE.DUX
//   reportshot results --out FILE.xlsx [--lang en|zh] PILE.DUX...
//   reportshot raw --out FILE.xlsx [--lang en|zh] PILE.DUX
//
// PDF: through the print hosts' page loop on a QPdfWriter at 600 dpi (a
// single-pile page per pile; the project report's pages). EMF and BMP as the
// picture exports write them: the page picture of the first pile, or every
// project page as FILE_第N页.emf|.bmp. Workbooks as the program writes them:
// the result sheets of the piles (report mode's workbook) or the raw data of
// the first pile (the state export). Documents (.docx) through the program's
// Word export: the single-pile and project reports, the summary table of the
// piles (stats), the current-state curve document of the first pile (curve).
// Settings come from KEV_DUX_HOME (DuxConfig.xml). Status 1 and a message on
// failure, and when a pile is left out (named on stderr with why: it has no
// saved analysis, or it cannot be read). Every file is written whole under
// its name or not at all, also when memory runs out.
#include "tools/reportshot/ReportShot.h"

#include "controls/ListRows.h"
#include "core/doc/KEV_DUXDoc.h"
#include "office/CurveDocument.h"
#include "office/ExcelExporter.h"
#include "office/OfficeWordExport.h"
#include "platform/AtomicFile.h"
#include "platform/FileError.h"
#include "platform/FontSetup.h"
#include "platform/MessageSink.h"
#include "platform/Paths.h"
#include "platform/PdfTextLayer.h"
#include "reports/ExcelStateExport.h"
#include "reports/ExportServices.h"
#include "reports/PrintJob.h"
#include "reports/RepCountInfo.h"
#include "reports/RepExcel.h"
#include "reports/RepProjectB.h"
#include "reports/RepSingle.h"

#include <QBuffer>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHash>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>

namespace {

constexpr int kPrintDpi = 600;

// Answers every save question with the output file; opens nothing; tells on stderr.
struct ToolServices : pit::ExportServices {
    QString out;
    QStringList messages;
    std::optional<QString> ChooseSaveFile(const pit::SaveFileAsk&) override { return out; }
    bool OpenWithDesktop(const QString&) override { return true; }
    int Message(const QString& text, const QString&, unsigned type) override {
        messages << text;
        return pit::defaultResultForType(type);
    }
};

int Fail(const QString& text) {
    std::fprintf(stderr, "reportshot: %s\n", text.toLocal8Bit().constData());
    return 1;
}

// The print hosts' page loop into a PDF file of A4 pages, made in memory
// and given its name when whole.
bool WritePdf(const QString& path, CReportBuilder& builder, const CPrintSettings& settings, QString& why) {
    QBuffer bytes;
    bytes.open(QIODevice::WriteOnly);
    {
        QPdfWriter pdf(&bytes);
        pdf.setResolution(kPrintDpi);
        pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
        CPrintInfo info;
        builder.SetPageRange(info);
        info.fromPage = info.minPage;
        info.toPage = info.maxPage;
        if (pit::PrintPages(pdf, builder, settings, info) < 1) {
            why = QStringLiteral("no page was printed");
            return false;
        }
    }
    try {
        pit::writeFileAtomic(path, pit::RepairPdfTextLayer(bytes.data()));
    } catch (const pit::FileError& e) {
        why = e.message(true);
        return false;
    }
    return true;
}

// The piles a report left out, by why, as the batch tells them: a pile that
// reads but was never saved with its analysis has none to report.
QString LeftOutReasons(const QStringList& leftOut) {
    QStringList noAnalysis, unreadable;
    for (const QString& path : leftOut) {
        CPileRecord pile;
        (pile.TryReadFile(path) && !pile.m_bFixedParam ? noAnalysis : unreadable) << path;
    }
    const QString sep = QStringLiteral(", ");
    QStringList parts;
    if (!noAnalysis.isEmpty())
        parts << noAnalysis.join(sep) + (noAnalysis.size() == 1 ? QStringLiteral(" has no saved analysis")
                                                                : QStringLiteral(" have no saved analysis"));
    if (!unreadable.isEmpty())
        parts << unreadable.join(sep) + QStringLiteral(" cannot be read");
    return parts.join(QStringLiteral("; "));
}

// Nothing written: every pile was left out, each named with why.
int NoneReported(const QStringList& leftOut) {
    return Fail(QStringLiteral("none of the piles can be reported: %1").arg(LeftOutReasons(leftOut)));
}

} // namespace

namespace {

int RunReportShot(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Renders report pages without the window."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("report"),
                                 QStringLiteral("single, project, stats, curve, results or raw"));
    parser.addPositionalArgument(QStringLiteral("piles"), QStringLiteral("PILE.DUX ..."));
    const QCommandLineOption outOption(QStringLiteral("out"),
                                       QStringLiteral("FILE.pdf, .emf, .bmp, .docx or .xlsx"),
                                       QStringLiteral("file"));
    const QCommandLineOption langOption(QStringLiteral("lang"), QStringLiteral("report language: en or zh"),
                                        QStringLiteral("language"));
    const QCommandLineOption formatOption(QStringLiteral("format"), QStringLiteral("project report: A or B"),
                                          QStringLiteral("format"));
    const QCommandLineOption rowsOption(QStringLiteral("rows"), QStringLiteral("project report: rows a page"),
                                        QStringLiteral("rows"));
    const QCommandLineOption colsOption(
        QStringLiteral("cols"), QStringLiteral("project report: columns a page"), QStringLiteral("cols"));
    const QCommandLineOption typeOption(
        QStringLiteral("type"), QStringLiteral("stats: summary type 0, 1 or 2"), QStringLiteral("type"));
    parser.addOption(outOption);
    parser.addOption(typeOption);
    parser.addOption(langOption);
    parser.addOption(formatOption);
    parser.addOption(rowsOption);
    parser.addOption(colsOption);
    parser.process(app);

    const QStringList args = parser.positionalArguments();
    const QString kind = args.value(0);
    const bool project = kind == QStringLiteral("project");
    const bool workbook = kind == QStringLiteral("results") || kind == QStringLiteral("raw");
    const bool documentOnly = kind == QStringLiteral("stats") || kind == QStringLiteral("curve");
    if (args.size() < 2 || (kind != QStringLiteral("single") && !project && !workbook && !documentOnly))
        return Fail(QStringLiteral("usage: reportshot single|project [--format A|B] [--rows R --cols C] "
                                   "--out FILE.pdf|.emf|.bmp|.docx [--lang en|zh] PILE.DUX..., "
                                   "reportshot stats [--type 0|1|2] --out FILE.docx PILE.DUX..., "
                                   "reportshot curve --out FILE.docx PILE.DUX, or "
                                   "reportshot results|raw --out FILE.xlsx [--lang en|zh] PILE.DUX..."));
    const QString format = parser.value(formatOption).toUpper();
    if (!format.isEmpty() && format != QStringLiteral("A") && format != QStringLiteral("B"))
        return Fail(QStringLiteral("--format is A or B"));
    const QString out = parser.value(outOption);
    const QString suffix = QFileInfo(out).suffix().toLower();
    const bool docx = suffix == QStringLiteral("docx");
    if (workbook && (out.isEmpty() || suffix != QStringLiteral("xlsx")))
        return Fail(QStringLiteral("--out needs a .xlsx file"));
    if (documentOnly && (out.isEmpty() || !docx))
        return Fail(QStringLiteral("--out needs a .docx file"));
    if (!workbook && !documentOnly &&
        (out.isEmpty() || (suffix != QStringLiteral("pdf") && suffix != QStringLiteral("emf") &&
                           suffix != QStringLiteral("bmp") && !docx)))
        return Fail(QStringLiteral("--out needs a .pdf, .emf, .bmp or .docx file"));
    const QString lang = parser.value(langOption);
    if (!lang.isEmpty() && lang != QStringLiteral("en") && lang != QStringLiteral("zh"))
        return Fail(QStringLiteral("--lang is en or zh"));

    pit::RegisterFontSubstitutions();
    // Pictures for documents go to a folder of this run, removed at its end.
    const pit::RunTempFolder temp;
    // Pages and workbooks need none; a document's pictures fail, each saying why.
    if (temp.dir().isEmpty())
        std::fprintf(stderr, "reportshot: %s\n", temp.problem().Text(true).toLocal8Bit().constData());
    pit::StderrMessageSink sink;
    pit::AppContext ctx;
    ctx.interactive = false;
    ctx.messages = &sink;
    CKEV_DUXDoc doc(ctx);
    doc.SetWriteSettingsOnClose(false);
    const QStringList piles = args.mid(1);
    if (!doc.OnOpenDocument(piles.first()))
        return Fail(QStringLiteral("cannot read %1").arg(piles.first()));
    if (!lang.isEmpty())
        doc.m_PrintSettings.m_bLanguage = lang == QStringLiteral("en") ? 1 : 0;
    doc.m_PrintSettings.m_nReportKind = 1;

    ToolServices services;
    services.out = out;
    pit::ReportEnv env;
    env.doc = &doc;
    env.services = &services;
    env.printerDpi = kPrintDpi;
    std::vector<QString> files;
    std::vector<QString> pileNos;
    for (const QString& p : piles) {
        files.push_back(QFileInfo(p).absoluteFilePath());
        pileNos.push_back(QFileInfo(p).completeBaseName());
    }
    QString why;
    bool ok = false;
    QStringList leftOut; // piles the report leaves out
    pit::OfficeExcelExport excel(ctx, &services);
    // The document writer: a given path is written without asking.
    pit::OfficeWordExport writer(&ctx, &services);
    env.word = &writer;
    if (kind == QStringLiteral("curve")) {
        ok = pit::ExportCurveDocument(doc.m_PileRecord, doc.m_nDecimalPointNum, writer,
                                      QFileInfo(piles.first()).absolutePath(), out);
    } else if (kind == QStringLiteral("stats")) {
        bool number = true;
        const int type = parser.isSet(typeOption) ? parser.value(typeOption).toInt(&number) : 0;
        if (!number || type < 0 || type > 2)
            return Fail(QStringLiteral("--type is 0, 1 or 2"));
        // The report list of the piles, all ticked (column 1: the file name and a mark).
        pit::ListRows list;
        list.InsertColumn(0, QStringLiteral("#"));
        list.InsertColumn(1, QStringLiteral("file"));
        for (int i = 0; i < piles.size(); ++i) {
            list.InsertItem(i, QString::number(i + 1));
            list.SetItemText(i, 1, QFileInfo(piles[i]).fileName() + QStringLiteral("*"));
            list.SetItemCheck(i, true);
        }
        // The report finds the piles by name in the project: the piles given
        // are its list, from whatever folders they come. A name given twice
        // (from two folders) would find the first pile for both.
        QHash<QString, QString> byName;
        for (const QString& pile : piles) {
            const QFileInfo fi(pile);
            const QString earlier = byName.value(fi.fileName());
            if (!earlier.isEmpty() && earlier != fi.absoluteFilePath())
                return Fail(QStringLiteral("%1 and %2 have the same name; the summary table finds its piles "
                                           "by name")
                                .arg(earlier, fi.absoluteFilePath()));
            byName.insert(fi.fileName(), fi.absoluteFilePath());
        }
        doc.m_ProjectInfo.m_files.RemoveAll();
        for (const QString& pile : piles) {
            const QFileInfo fi(pile);
            if (doc.m_ProjectInfo.Contains(fi.absoluteFilePath()))
                continue;
            CPileFileItem item;
            item.m_strName = fi.fileName();
            item.m_strPath = fi.absoluteFilePath();
            item.m_bSummaryRead = 1;
            item.ReadFileSummary(); // one that cannot be read is named by the report with why
            doc.m_ProjectInfo.m_files.Add(item);
        }
        CRepCountInfo builder(env, &list, type);
        ok = builder.ExportWord(out);
        leftOut = builder.LeftOut();
        if (!ok && builder.Rows().empty() && !leftOut.isEmpty())
            return NoneReported(leftOut);
    } else if (kind == QStringLiteral("raw")) {
        const pit::RawWorkbookInput in = pit::MakeRawWorkbookInput(doc.m_PileRecord, doc.m_ProjectInfo,
                                                                   nullptr, lang == QStringLiteral("en"));
        ok = excel.ExportRawData(in.info, in.flags, in.waves, {out});
    } else if (kind == QStringLiteral("results")) {
        env.excel = &excel;
        CRepExcel builder(env, nullptr, 0);
        builder.SetPileFiles(files, pileNos);
        leftOut = builder.LeftOut();
        if (builder.Items().empty())
            return NoneReported(leftOut);
        ok = builder.ExportExcel();
    } else if (project) {
        CPrintSettings& s = doc.m_PrintSettings;
        bool number = true;
        if (parser.isSet(rowsOption))
            s.m_nRow = parser.value(rowsOption).toInt(&number);
        if (number && parser.isSet(colsOption))
            s.m_nColumn = parser.value(colsOption).toInt(&number);
        if (!number)
            return Fail(QStringLiteral("--rows and --cols take numbers"));
        std::unique_ptr<CRepProjectA> builder = format == QStringLiteral("B")
                                                    ? std::make_unique<CRepProjectB>(env, nullptr)
                                                    : std::make_unique<CRepProjectA>(env, nullptr);
        builder->SetFontRate(doc.m_nFontRate);
        builder->SetPileFiles(files, pileNos);
        leftOut = builder->LeftOut();
        if (builder->Items().empty())
            return NoneReported(leftOut);
        if (docx)
            ok = builder->ExportWord(out);
        else if (suffix == QStringLiteral("pdf"))
            ok = WritePdf(out, *builder, s, why);
        else
            ok = suffix == QStringLiteral("bmp") ? builder->ExportBmp() : builder->ExportEmf();
    } else {
        CRepSingle builder(env, &doc.m_PileRecord, nullptr);
        if (docx) {
            builder.SetPileFiles(files);
            ok = builder.ExportWord(out);
            leftOut = builder.LeftOut();
        } else if (suffix == QStringLiteral("pdf")) {
            builder.SetPileFiles(files);
            ok = WritePdf(out, builder, doc.m_PrintSettings, why);
        } else {
            ok = suffix == QStringLiteral("bmp") ? builder.ExportBmp() : builder.ExportEmf();
        }
    }
    if (why.isEmpty())
        why = services.messages.join(QLatin1Char(' '));
    if (!ok)
        return Fail(why.isEmpty() ? QStringLiteral("%1 was not written").arg(out) : why);
    // Written, but not whole: the piles it lacks are named and the run fails.
    if (!leftOut.isEmpty())
        return Fail(
            QStringLiteral("%1 was written without these piles: %2").arg(out, LeftOutReasons(leftOut)));
    return 0;
}

// As the batch ends: status 1 and the message. Each file is written whole
// or not at all, so the one being made is not there.
void TellOutOfMemory() {
    std::fputs("reportshot: out of memory: the report stopped; the file it was writing was not written\n",
               stderr);
}

// Memory that ran out where the exception cannot reach ReportShotMain (in a
// library that cannot pass it on, or while the painter wrote out its pages
// in the unwinding of another) ends the run the same way.
[[noreturn]] void EndOutOfMemory() {
    if (const std::exception_ptr e = std::current_exception()) {
        try {
            std::rethrow_exception(e);
        } catch (const std::bad_alloc&) {
            TellOutOfMemory();
            std::_Exit(1);
        } catch (...) {
        }
    }
    std::abort();
}

} // namespace

int ReportShotMain(int argc, char** argv) {
    struct Terminate {
        std::terminate_handler before = std::set_terminate(EndOutOfMemory);
        ~Terminate() { std::set_terminate(before); }
    } terminate;
    try {
        return RunReportShot(argc, argv);
    } catch (const std::bad_alloc&) {
        TellOutOfMemory();
        return 1;
    }
}
