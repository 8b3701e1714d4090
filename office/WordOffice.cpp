// CWordOffice: documents from templates, page setup, header and footer,
// pictures, saving, and the current-state curve document's pile table.
#include "office/WordOffice.h"

#include "core/doc/PrintSettings.h"
#include "platform/Paths.h"
#include "platform/SafeText.h"

#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <algorithm>
#include <array>
#include <cmath>

using pit::WordError;

namespace {

// Header and footer sizes in points, in the order of the size lists.
constexpr std::array<double, 23> kHeaderFooterSizes = {8,  9,  10, 11, 12, 14, 16,   18,  20,  22,  24, 26,
                                                       28, 36, 48, 72, 42, 15, 10.5, 7.5, 6.5, 5.5, 5};

constexpr double kPointsPerMm = 72.0 / 25.4;

// The report font the document shows the fields in (its substitute on this
// machine), so the columns share the width as the texts will need it.
int DefaultMeasure(const QString& text) {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        QFont font(QStringLiteral("宋体"));
        font.setPixelSize(100); // an em of 100 pixels
        return QFontMetrics(font).horizontalAdvance(text);
    }
    // Without a GUI application: wide characters count twice.
    int n = 0;
    for (QChar c : text)
        n += c.unicode() > 0x2E80 ? 16 : 8;
    return n;
}

// The page total as the reader lays the document out (a page of the
// writer's may take two of the reader's): the page count, or with numbers
// starting elsewhere than 1 the number of the page where the body ends.
QString PageTotalField(pit::WordDocument& doc, int firstNumber) {
    if (firstNumber == 1)
        return QStringLiteral("NUMPAGES \\* Arabic");
    const char* const name = "_KevLastPage";
    pugi::xml_node body = doc.Body();
    pugi::xml_node last;
    int id = 0;
    for (pugi::xml_node p = body.child("w:p"); p; p = p.next_sibling("w:p"))
        last = p;
    for (pugi::xpath_node x : body.select_nodes("//w:bookmarkStart"))
        id = std::max(id, x.node().attribute("w:id").as_int() + 1);
    if (!last)
        return QStringLiteral("NUMPAGES \\* Arabic");
    if (!body.select_node("//w:bookmarkStart[@w:name='_KevLastPage']")) {
        pugi::xml_node start = last.append_child("w:bookmarkStart");
        start.append_attribute("w:id") = id;
        start.append_attribute("w:name") = name;
        last.append_child("w:bookmarkEnd").append_attribute("w:id") = id;
    }
    return QStringLiteral("PAGEREF %1 \\* Arabic").arg(QLatin1String(name));
}

} // namespace

CWordOffice::CWordOffice() = default;

CWordOffice::~CWordOffice() {
    DetachAll();
}

CWordOffice& CWordOffice::GetInstance() {
    static CWordOffice instance;
    return instance;
}

bool CWordOffice::StartOffice() {
    IsWord = 0;
    Version = QStringLiteral("KEV_DUX OOXML");
    return true;
}

bool CWordOffice::Init() {
    return StartOffice();
}

QString CWordOffice::TemplateFile(const QString& name) const {
    const QString file = name + QStringLiteral(".dotx");
    if (!m_templateDir.isEmpty())
        return pit::joinPath(m_templateDir, file);
    // The templates ship with the program: where the resources are, else
    // beside the executable (KEV_DUX_HOME may point the resources elsewhere).
    QStringList dirs{pit::resourceDir()};
    if (QCoreApplication::instance()) {
        const QString exe = QCoreApplication::applicationDirPath();
        dirs << exe << QDir::cleanPath(exe + QStringLiteral("/../share/kev-dux"));
    }
    for (const QString& d : dirs)
        if (QFileInfo::exists(pit::joinPath(d, file)))
            return pit::joinPath(d, file);
    return pit::joinPath(dirs.front(), file);
}

QString CWordOffice::ErrorText() const {
    return ErrorText(m_english);
}

QString CWordOffice::ErrorText(bool english) const {
    return m_error ? m_error->message(english) : QString();
}

void CWordOffice::SetError(const WordError& e) {
    if (!m_error)
        m_error = e;
}

bool CWordOffice::NeedDocument() {
    if (m_doc)
        return true;
    SetError(WordError(QStringLiteral("没有打开的文档。"), QStringLiteral("No document is open.")));
    return false;
}

bool CWordOffice::NewDocument(QString templatePath) {
    CloseDocument();
    ClearError();
    try {
        m_doc = pit::WordDocument::FromTemplate(templatePath);
    } catch (const WordError& e) {
        SetError(e);
        return false;
    }
    TemplatePath = templatePath;
    return ReadPageSetup(false);
}

bool CWordOffice::StartDocument(QString templatePath) {
    if (!Init())
        return false;
    // An empty name is the normal page, as a word processor's blank document.
    if (templatePath.trimmed().isEmpty())
        templatePath = TemplateFile(QStringLiteral("Blank"));
    return NewDocument(templatePath);
}

bool CWordOffice::ReadPageSetup(bool reserveFourLines) {
    if (!NeedDocument())
        return false;
    try {
        const pit::WordPageSetup ps = m_doc->PageSetup();
        const int n = int(ps.LinesPage());
        m_fPageWidth = float(ps.PageWidth() - ps.LeftMargin() - ps.RightMargin());
        double h = ps.PageHeight() - ps.TopMargin() - ps.BottomMargin() - 10;
        // Keep lines free at the bottom; a page of no more lines than that
        // keeps its whole height rather than none.
        const int reserved = reserveFourLines ? 4 : 1;
        if (n > reserved)
            h = h / n * (n - reserved);
        m_fPageHeight = float(h);
        m_fCharsLine = float(ps.CharsLine());
        m_fLineSpacing = float(m_doc->Selection().Range().LineSpacing());
        return true;
    } catch (const WordError& e) {
        SetError(e);
        return false;
    }
}

bool CWordOffice::ApplyPageSetup(CPrintSettings s) {
    if (!NeedDocument())
        return false;
    m_doc->SetMargins(s.m_nmarginup * kPointsPerMm, s.m_nmargindown * kPointsPerMm,
                      s.m_nmarginleft * kPointsPerMm, s.m_nmarginr * kPointsPerMm);
    m_doc->SetHeaderFooterDistance(36.850395, 8.503937); // 13 mm and 3 mm
    return ReadPageSetup(s.m_bHeadInfo[9] != 0);
}

double CWordOffice::HeaderFooterPoints(int index) {
    if (index < 0 || index >= int(kHeaderFooterSizes.size()))
        return 12.0;
    return kHeaderFooterSizes[size_t(index)];
}

QString CWordOffice::FormatPageNo(int style, bool after, bool english) {
    switch (style) {
    case 1:
        return QStringLiteral(".");
    case 2:
        return QStringLiteral("-");
    case 3:
    case 4:
        if (english)
            return after ? QString() : QStringLiteral("Page ");
        return after ? QStringLiteral("页") : QStringLiteral("第");
    default:
        return QStringLiteral(" ");
    }
}

bool CWordOffice::WritePageFooter(const CPrintSettings& s, int pageCount) {
    if (!s.m_bpagehead && !s.m_bpagefoot && !s.m_bprpage)
        return true;
    if (!NeedDocument())
        return false;
    try {
        const auto format = [](pit::WordRange r, const QString& face, int sizeIndex, int align) {
            r.SetLineSpacingRule(pit::kLineSingle);
            r.SetAlignment(align);
            r.SetFontName(face);
            r.SetFontSize(HeaderFooterPoints(sizeIndex));
        };
        if (s.m_bpagehead) {
            pit::WordRange h = m_doc->PrimaryHeader();
            format(h, s.m_strphfont, s.m_nphhei, s.m_nphloc);
            h.SetText(s.m_strphcon);
        }
        if (s.m_bprpage) {
            m_doc->SetPageNumberStart(s.m_nstpage);
            pit::WordRange f = m_doc->PrimaryFooter();
            format(f, s.m_strpffont, s.m_npfhei, s.m_npageloc);
            pit::WordSelection sel(m_doc.get());
            sel.Select(f);
            // Page numbers follow the report language.
            const bool english = s.m_bLanguage != 0;
            sel.TypeText(FormatPageNo(s.m_npagefm, false, english));
            sel.AddField(QStringLiteral("PAGE \\* Arabic"), QString::number(s.m_nstpage));
            sel.TypeText(FormatPageNo(s.m_npagefm, true, english));
            if (s.m_npagefm == 4) {
                const int total = s.m_nMaxPage != 0 ? s.m_nMaxPage : pageCount + s.m_nstpage - 1;
                sel.TypeText(english ? QStringLiteral(" Total ") : QStringLiteral("共"));
                if (s.m_nMaxPage != 0)
                    sel.TypeText(QString::number(total)); // the total the user gave
                else
                    sel.AddField(PageTotalField(*m_doc, s.m_nstpage), QString::number(total));
                if (!english)
                    sel.TypeText(QStringLiteral("页"));
            }
            if (s.m_bpagefoot) {
                sel.TypeParagraph();
                pit::WordRange r = sel.Range();
                format(r, s.m_strpffont, s.m_npfhei, s.m_npfloc);
                r.SetText(s.m_strpfcon);
            }
        } else if (s.m_bpagefoot) {
            pit::WordRange f = m_doc->PrimaryFooter();
            format(f, s.m_strpffont, s.m_npfhei, s.m_npfloc);
            f.SetText(s.m_strpfcon);
        }
        return true;
    } catch (const WordError& e) {
        SetError(e);
        return false;
    }
}

bool CWordOffice::InsertPicture(int row, int column, float width, float height, const QString& path) {
    if (!NeedDocument())
        return false;
    try {
        if (!m_table)
            throw WordError(QStringLiteral("没有可插入图片的表格。"),
                            QStringLiteral("There is no table for the picture."));
        pit::WordRange r = m_table->Cell(row, column).Range();
        r.SetLineSpacingRule(pit::kLineSingle); // a picture needs its own height
        pit::WordInlineShape shape = m_doc->AddPicture(r, path);
        shape.SetWidth(width);
        shape.SetHeight(height);
        return true;
    } catch (const WordError& e) {
        SetError(e);
        return false;
    }
}

bool CWordOffice::SaveDocumentAs(QString path) {
    if (!NeedDocument())
        return false;
    try {
        m_doc->SaveAs(path);
        return true;
    } catch (const WordError& e) {
        SetError(e);
        return false;
    }
}

void CWordOffice::CloseDocument() {
    m_table.reset();
    m_doc.reset();
}

bool CWordOffice::ShowApplication() {
    if (!NeedDocument())
        return false;
    if (!m_present) {
        SetError(
            WordError(QStringLiteral("无法显示文档。"), QStringLiteral("The document cannot be shown.")));
        return false;
    }
    return m_present(*this, m_defaultName);
}

void CWordOffice::DetachAll() {
    m_table.reset();
}

bool CWordOffice::EnsureDirectory(const QString& path) {
    if (QFileInfo::exists(path))
        return true;
    return QDir().mkdir(path);
}

QString CWordOffice::GetProgramDir() {
    return pit::programDir() + QLatin1Char('/');
}

bool CWordOffice::CreateReportFont(gdi::Font& font, float points) {
    font = gdi::Font{QStringLiteral("宋体"), int(points * 4 / 3), 400};
    return true;
}

double CWordOffice::Measure(const QString& text) const {
    return m_measure ? m_measure(text) : DefaultMeasure(text);
}

QString CWordOffice::CutToWidth(const QString& text, double size, double width) const {
    // A hundredth of a point to spare: a width made of shares of a cell loses that much.
    const auto fits = [&](const QString& t) { return Measure(t) * size / 100 <= width + 0.01; };
    if (fits(text))
        return text;
    const QString dots = QStringLiteral("...");
    // The longest start that fits with the dots, found by halving: a
    // conclusion may run to thousands of characters.
    qsizetype fitting = 0, over = text.size();
    const auto head = [&](qsizetype n) {
        if (n > 0 && text[n - 1].isHighSurrogate())
            --n; // a character is never cut in two
        QString h = text.left(n);
        while (!h.isEmpty() && h.back().isSpace())
            h.chop(1);
        return h + dots;
    };
    while (over - fitting > 1) {
        const qsizetype mid = (fitting + over) / 2;
        (fits(head(mid)) ? fitting : over) = mid;
    }
    return fitting > 0 || fits(dots) ? head(fitting) : QString();
}

void CWordOffice::MeasureColumnWidths(const QString texts[12], const int flags[12], float fractions[6],
                                      int indices[12], double* measured) const {
    std::fill(indices, indices + 12, -1);
    int count = 0;
    for (int i = 0; i < 12; ++i)
        if (flags[i])
            indices[count++] = i;
    const int n = std::min(count, 6);
    const Measurer& measure = m_measure ? m_measure : Measurer(DefaultMeasure);
    double widths[6] = {};
    double sum = 0;
    for (int j = 0; j < n; ++j) {
        widths[j] = measure(texts[indices[j]]);
        if (indices[j + 6] != -1)
            widths[j] = std::max(widths[j], double(measure(texts[indices[j + 6]])));
        sum += widths[j];
    }
    for (int j = 0; j < 6; ++j) {
        fractions[j] = j < n ? float(sum > 0 ? widths[j] / sum : 1.0 / n) : 0.0f;
        if (measured)
            measured[j] = widths[j];
    }
}

ProjectCellLayout CWordOffice::ComputeCurvePageLayout(const CPrintSettings* settings, int) const {
    return pit::ComputeCurvePageLayout({m_fPageWidth, m_fPageHeight, m_fLineSpacing, m_fPileGap}, *settings);
}

ProjectCellLayout CWordOffice::ComputePageLayout(const CPrintSettings* settings, int) const {
    return pit::ComputePageLayout({m_fPageWidth, m_fPageHeight, m_fLineSpacing, m_fPileGap}, *settings);
}

int CWordOffice::WriteCurvePileCaptions(int n, int columns, const QString& pileNo, int& width, int& height,
                                        const QString& length, int speed, const QString& pileClass,
                                        const QString& description) {
    if (!NeedDocument())
        return 0;
    if (n < 1 || columns < 1) {
        SetError(WordError(QStringLiteral("没有可放入文档的曲线。"),
                           QStringLiteral("There is no curve to put in the document.")));
        return 0;
    }
    if (!ReadPageSetup(false))
        return 0;
    try {
        const double H = m_fPageHeight;
        const double caption = std::ceil(n <= 5 ? H / (7 * n + 1) : H / (5 * n + 1));
        pit::WordSelection& sel = m_doc->Selection();
        if (pit::word::EnclosingTable(sel.Range().Start().para))
            sel.EndKey(); // a further pile goes below the last table, not into it
        pit::WordTable table = m_doc->AddTable(sel.Range(), n + 2, columns);
        m_table = table;
        table.SetBordersEnabled(true);
        for (int r = 1; r <= 2; ++r) {
            pit::WordRow row = table.Row(r);
            row.Range().SetFontName(QStringLiteral("宋体"));
            row.Range().SetFontSize(caption * 0.5);
            row.SetHeight(caption, pit::kHeightExactly);
        }
        const double pictureRow = (H - 2 * table.Row(2).Height()) / n;
        for (int r = 3; r <= n + 2; ++r)
            table.Row(r).SetHeight(pictureRow, pit::kHeightExactly);
        if (columns > 1)
            table.Cell(1, 1).Merge(table.Cell(1, 2));
        table.Cell(1, 1).SetVerticalAlignment(1);
        table.Cell(1, 1).Split(1, 4);
        if (columns > 1)
            table.Cell(2, 1).Merge(table.Cell(2, 2));
        table.Cell(2, 1).SetVerticalAlignment(1);
        // Each caption one line in its row of exact height: a break is a space.
        const auto put = [&](int r, int c, const QString& text) {
            table.Cell(r, c).Range().SetText(pit::DrawnText(text, true));
        };
        put(1, 1, QStringLiteral("桩号:") + pileNo);
        put(1, 2, QStringLiteral("桩长:%1m").arg(length));
        put(1, 3, QStringLiteral("波速:%1m/s").arg(speed));
        put(1, 4, QStringLiteral("桩类别:") + pileClass);
        put(2, 1, QStringLiteral("描述:") + description);
        const pit::WordCell cell = table.Cell(3, 1);
        width = int(cell.Width() - 2);
        height = int(cell.Height());
        return 2;
    } catch (const WordError& e) {
        SetError(e);
        return 0;
    }
}
