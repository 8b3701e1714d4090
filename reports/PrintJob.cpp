// Page loop of a print job.
#include "reports/PrintJob.h"

#include "platform/AtomicFile.h"
#include "platform/FileError.h"
#include "platform/PdfTextLayer.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPagedPaintDevice>
#include <QPainter>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace pit {

ReportPages::ReportPages(CReportBuilder& builder, const CPrintSettings& settings, const PageMetrics& metrics)
    : m_builder(builder), m_settings(settings), m_metrics(metrics) {}

void ReportPages::PreparePage(gdi::Canvas& dc, CPrintInfo& info) {
    m_frame = LayoutPageFrame(m_settings, m_metrics);
    info.drawRect = m_frame.body;
    m_builder.LayoutPage(m_frame.body, dc);
    info.continuePrinting = info.maxPage != CPrintInfo::kUnknownMaxPage || info.currentPage == 1;
}

void ReportPages::PrintPage(gdi::Canvas& dc, CPrintInfo& info) {
    // A job of unknown length ends with the page it prints.
    const int last = info.maxPage == CPrintInfo::kUnknownMaxPage ? info.currentPage : info.maxPage;
    DrawPageHeaderFooter(dc, m_settings, m_frame, info.currentPage, last);
    m_builder.PrintPage(dc, info);
}

int PrintPages(QPainter& painter, ReportPages& pages, CPrintInfo& info,
               const std::function<bool()>& newPage) {
    const int first = std::max(info.fromPage, info.minPage);
    const int last = std::min(info.toPage, info.maxPage);
    int printed = 0;
    for (int page = first; page <= last; ++page) {
        info.currentPage = page;
        // A canvas per page, so no selection or origin leaks into the next one.
        auto dc = std::make_unique<gdi::Canvas>(painter, pages.Metrics().dpiX, pages.Metrics().dpiY, true);
        pages.PreparePage(*dc, info);
        if (!info.continuePrinting)
            break;
        if (printed > 0) {
            dc.reset();
            if (newPage && !newPage())
                break;
            dc = std::make_unique<gdi::Canvas>(painter, pages.Metrics().dpiX, pages.Metrics().dpiY, true);
        }
        pages.PrintPage(*dc, info);
        ++printed;
    }
    return printed;
}

namespace {

// A new empty file beside target, under a name nothing had (readable as the
// umask allows, as the file it stands in for); empty with errno in err when
// none can be made.
QString MakeFileBeside(const QString& target, int& err) {
    static std::atomic<unsigned> counter{0};
    const QFileInfo fi(target);
    for (int tries = 0; tries < 100; ++tries) {
        const QString path = QDir(fi.absolutePath())
                                 .filePath(QStringLiteral(".%1.%2-%3.part")
                                               .arg(fi.fileName())
                                               .arg(QCoreApplication::applicationPid())
                                               .arg(counter++));
        const int fd =
            ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            return path;
        }
        if (errno != EEXIST) {
            err = errno;
            return {};
        }
    }
    err = EEXIST;
    return {};
}

// A PDF file written to its end: it starts as one and its last line is the
// end-of-file mark.
bool IsWholePdf(const QByteArray& pdf) {
    QByteArray tail = pdf.right(32);
    while (!tail.isEmpty() && (tail.back() == '\n' || tail.back() == '\r' || tail.back() == ' '))
        tail.chop(1);
    return pdf.startsWith("%PDF-") && tail.endsWith("%%EOF");
}

// Repairs the text layer of the file written at scratch, makes it durable
// and gives it the name target (replacing a file of that name at once).
// False with why in both languages.
bool PublishPdf(const QString& scratch, const QString& target, QString& whyZh, QString& whyEn) {
    try {
        const QByteArray pdf = readWholeFile(scratch);
        if (!IsWholePdf(pdf)) {
            // The device ended without saying so; a full disk is the usual cause.
            whyZh = QStringLiteral("文件没有写完整（磁盘可能已满）");
            whyEn = QStringLiteral("the file was not written whole (the disk may be full)");
            return false;
        }
        const QByteArray fixed = RepairPdfTextLayer(pdf);
        if (fixed != pdf)
            writeFileAtomic(scratch, fixed);
    } catch (const FileError& e) {
        whyZh = e.message(false);
        whyEn = e.message(true);
        return false;
    }
    const QByteArray from = QFile::encodeName(scratch);
    const QByteArray to = QFile::encodeName(target);
    struct stat old {};
    if (::stat(to.constData(), &old) == 0)
        ::chmod(from.constData(), old.st_mode & 07777); // the file keeps its permissions
    int fd = ::open(from.constData(), O_RDONLY | O_CLOEXEC);
    const bool synced = fd >= 0 && ::fsync(fd) == 0;
    const int syncErr = errno;
    if (fd >= 0)
        ::close(fd);
    if (!synced || ::rename(from.constData(), to.constData()) != 0) {
        const int err = synced ? errno : syncErr;
        whyZh = ErrnoText(err, false);
        whyEn = ErrnoText(err, true);
        return false;
    }
    return true;
}

} // namespace

int PrintPages(QPagedPaintDevice& dev, CReportBuilder& builder, const CPrintSettings& settings,
               CPrintInfo& info, const QString& pdfFile, const std::function<void(const QString&)>& writeTo) {
    const bool toFile = !pdfFile.isEmpty() && writeTo && !info.preview;
    const QString shown = QDir::toNativeSeparators(QFileInfo(pdfFile).absoluteFilePath());
    auto fail = [&](const QString& whyZh, const QString& whyEn) {
        builder.TellFailure(
            QStringLiteral("无法写入文件“%1”：%2。原有文件保持不变。").arg(shown, whyZh),
            QStringLiteral("Cannot write the file \"%1\": %2. The file there is kept as it was.")
                .arg(shown, whyEn));
        return 0;
    };
    // The job's own file beside the chosen one; removed unless published, and
    // the device pointed back at the chosen name.
    struct Scratch {
        QString path;
        const std::function<void(const QString&)>* writeTo = nullptr;
        QString target;
        bool published = false;
        ~Scratch() {
            if (path.isEmpty())
                return;
            if (!published)
                QFile::remove(path);
            (*writeTo)(target);
        }
    } scratch;
    if (toFile) {
        int err = 0;
        const QString path = MakeFileBeside(pdfFile, err);
        if (path.isEmpty())
            return fail(ErrnoText(err, false), ErrnoText(err, true));
        scratch.path = path;
        scratch.writeTo = &writeTo;
        scratch.target = pdfFile;
        writeTo(path);
    }
    ReportPages pages(builder, settings, MetricsOf(dev));
    const QDateTime started = QDateTime::currentDateTime().addSecs(-1);
    auto painter = std::make_unique<QPainter>();
    if (!painter->begin(&dev)) {
        if (toFile)
            return fail(QStringLiteral("无法创建"), QStringLiteral("it cannot be created"));
        return 0;
    }
    int n = 0;
    try {
        n = PrintPages(*painter, pages, info, [&dev] { return dev.newPage(); });
    } catch (...) {
        // A page that ran out of memory gives the job up. The painter is
        // ended here, not by its destructor in the unwinding: the device
        // writing out its pages may run out too, which in a destructor would
        // end the program. One that could not be ended is let go of, as
        // ending it again would fail again.
        try {
            painter->end();
        } catch (...) {
            (void)painter.release();
        }
        throw;
    }
    const bool ended = painter->end();
    if (toFile) {
        if (n < 1)
            return 0; // nothing printed: the chosen file stays as it was
        QString whyZh, whyEn;
        if (!ended) {
            whyZh = QStringLiteral("文件没有写完整");
            whyEn = QStringLiteral("the file was not written whole");
        } else if (PublishPdf(scratch.path, pdfFile, whyZh, whyEn)) {
            scratch.published = true;
            return n;
        }
        return fail(whyZh, whyEn);
    }
    // Only a file this job wrote (a preview paints into no file).
    const QFileInfo written(pdfFile);
    if (n > 0 && !pdfFile.isEmpty() && written.exists() && written.lastModified() >= started)
        RepairPdfTextLayerFile(pdfFile);
    return n;
}

} // namespace pit
