// The page setup page with its header and footer tabs.
#include "reports/PrintSetDlg.h"

#include "controls/CtrlId.h"
#include "controls/LanguageWidgets.h"
#include "controls/PrinterSupport.h"
#include "controls/TabSheet.h"
#include "controls/UiServices.h"
#include "core/doc/OptionTables.h"
#include "core/doc/PrintSettings.h"
#include "platform/MessageSink.h"
#include "reports/PageFrame.h"
#include "reports/PageWidgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <cmath>

using namespace pit::pages;

namespace pit {

double BandPointSize(int sizeIndex) {
    return HeaderFooterTenths(std::clamp(sizeIndex, 0, options::FontSizeCount() - 1)) / 10.0;
}

int BandSizeIndex(int pointTenths) {
    for (int i = 0; i < options::FontSizeCount(); ++i)
        if (HeaderFooterTenths(i) == pointTenths)
            return i;
    return -1;
}

QString InstalledFaceFor(const QString& face) {
    if (face.isEmpty() || QFontDatabase::hasFamily(face))
        return face;
    return QFontInfo(QFont(face)).family();
}

void StoreChosenFont(const ChosenFont& chosen, CPrintSettings& s, bool footer) {
    QString face = chosen.face;
    if (face.startsWith(u'@'))
        face.remove(0, 1);
    if (!chosen.face.isEmpty())
        (footer ? s.m_strpffont : s.m_strphfont) = face;
    if (const int index = BandSizeIndex(chosen.pointTenths); index >= 0)
        (footer ? s.m_npfhei : s.m_nphhei) = index;
    (footer ? s.m_bFUnderline : s.m_bHUnderline) = chosen.underline ? 1 : 0;
    (footer ? s.m_bFIsBold : s.m_bHIsBold) = chosen.weight == 700 ? 1 : 0;
    (footer ? s.m_bFIsItalic : s.m_bHIsItalic) = chosen.italic ? 1 : 0;
    (footer ? s.m_bFIsStrikeOut : s.m_bHIsStrikeOut) = chosen.strikeOut ? 1 : 0;
}

} // namespace pit

namespace {

QStringList bandSizeNames() {
    QStringList names;
    for (int i = 0; i < pit::options::FontSizeCount(); ++i)
        names << pit::options::FontSizeName(0, i);
    return names;
}

} // namespace

// ---- header and footer tabs ------------------------------------------------------

CPrintBandDlg::CPrintBandDlg(CPrintSettings* settings, bool footer, CPrintSetDlg* page, QWidget* parent)
    : QWidget(parent), m_pSettings(settings), m_footer(footer), m_page(page) {
    pit::SetCtrlId(this, footer ? CPrintFootDlg::kDialogId : CPrintHeaderDlg::kDialogId);
    chooseFont = [](const QFont& initial, QWidget* parent) -> std::optional<QFont> {
        bool ok = false;
        const QFont f = QFontDialog::getFont(&ok, initial, parent);
        return ok ? std::optional<QFont>(f) : std::nullopt;
    };
    auto* grid = new QGridLayout(this);
    m_print = MakeCheck(this, footer ? CPrintFootDlg::kPrintFoot : CPrintHeaderDlg::kPrintHeader,
                        footer ? Tr(u"打印页脚", "Print footer") : Tr(u"打印页眉", "Print header"));
    m_title = MakeEdit(this, kTitle);
    m_face = MakeEdit(this, footer ? CPrintFootDlg::kFace : CPrintHeaderDlg::kFace);
    m_size = MakeCombo(this, kSize);
    m_position = MakeCombo(this, kPosition);
    m_fontButton = new QPushButton(Tr(u"字体", "Font"), this);
    pit::SetCtrlId(m_fontButton, kFont);
    grid->addWidget(m_print, 0, 0, 1, 2);
    grid->addWidget(MakeLabel(this, Tr(u"标题:", "Title:")), 1, 0);
    grid->addWidget(m_title, 1, 1, 1, 3);
    grid->addWidget(MakeLabel(this, Tr(u"大小:", "Size:")), 2, 0);
    grid->addWidget(m_size, 2, 1);
    grid->addWidget(MakeLabel(this, Tr(u"标题位置:", "Position:")), 2, 2);
    grid->addWidget(m_position, 2, 3);
    grid->addWidget(m_face, 3, 1, 1, 2);
    grid->addWidget(m_fontButton, 3, 3);
    grid->setRowStretch(4, 1);

    connect(m_print, &QCheckBox::clicked, this, [this] {
        EnableControls();
        UpdateData(true);
        if (m_footer && m_page)
            m_page->CheckPageNumberSide();
    });
    connect(m_size, &QComboBox::activated, this, [this](int index) { sizeField() = index; });
    connect(m_position, &QComboBox::activated, this, [this](int index) {
        if (m_footer && m_page)
            m_page->CheckPageNumberSide();
        positionField() = index;
    });
    // Enter and a lost focus take the texts at once.
    for (QLineEdit* e : {m_title, m_face})
        connect(e, &QLineEdit::editingFinished, this, [this] { UpdateData(true); });
    connect(m_fontButton, &QPushButton::clicked, this, &CPrintBandDlg::OnFontButton);
}

int& CPrintBandDlg::printField() {
    return m_footer ? m_pSettings->m_bpagefoot : m_pSettings->m_bpagehead;
}
int& CPrintBandDlg::sizeField() {
    return m_footer ? m_pSettings->m_npfhei : m_pSettings->m_nphhei;
}
int& CPrintBandDlg::positionField() {
    return m_footer ? m_pSettings->m_npfloc : m_pSettings->m_nphloc;
}
QString& CPrintBandDlg::titleField() {
    return m_footer ? m_pSettings->m_strpfcon : m_pSettings->m_strphcon;
}
QString& CPrintBandDlg::faceField() {
    return m_footer ? m_pSettings->m_strpffont : m_pSettings->m_strphfont;
}

void CPrintBandDlg::InitDialog() {
    pit::TranslateDialog(this, unsigned(m_footer ? CPrintFootDlg::kDialogId : CPrintHeaderDlg::kDialogId));
    RefillQuiet(m_position, TrList({u"左侧", u"中间", u"右侧"}, {"Left", "Mid", "Right"}));
    RefillQuiet(m_size, bandSizeNames());
    UpdateData(false);
    EnableControls();
    if (m_footer && m_page)
        m_page->CheckPageNumberSide();
}

void CPrintBandDlg::UpdateData(bool save) {
    if (save) {
        printField() = m_print->isChecked() ? 1 : 0;
        titleField() = m_title->text();
        faceField() = m_face->text();
        sizeField() = std::max(0, m_size->currentIndex());
        positionField() = std::max(0, m_position->currentIndex());
        return;
    }
    CheckQuiet(m_print, printField() != 0);
    m_title->setText(titleField());
    m_face->setText(faceField());
    // Indexes from the settings file are clamped where used.
    SelectQuiet(m_size, sizeField());
    SelectQuiet(m_position, positionField());
}

void CPrintBandDlg::EnableControls() {
    const bool on = m_print->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{m_title, m_size, m_position, m_fontButton})
        w->setEnabled(on);
}

void CPrintBandDlg::OnFontButton() {
    UpdateData(true);
    CPrintSettings& s = *m_pSettings;
    // A face not installed here ("宋体" on Linux) is offered as the face that
    // draws it; handing that back keeps the stored name, so a change of size
    // alone does not replace it.
    const QString stored = faceField().left(31);
    const QString offered = pit::InstalledFaceFor(stored);
    QFont initial(offered);
    initial.setPointSize(std::max(1, int(pit::BandPointSize(sizeField()))));
    initial.setBold((m_footer ? s.m_bFIsBold : s.m_bHIsBold) != 0);
    initial.setItalic((m_footer ? s.m_bFIsItalic : s.m_bHIsItalic) != 0);
    initial.setUnderline((m_footer ? s.m_bFUnderline : s.m_bHUnderline) != 0);
    initial.setStrikeOut((m_footer ? s.m_bFIsStrikeOut : s.m_bHIsStrikeOut) != 0);
    const std::optional<QFont> chosen = chooseFont ? chooseFont(initial, this) : std::nullopt;
    if (!chosen) {
        UpdateData(false);
        return;
    }
    pit::ChosenFont c;
    c.face = chosen->family();
    if (c.face.compare(offered, Qt::CaseInsensitive) == 0)
        c.face = faceField();
    c.pointTenths = chosen->pointSizeF() > 0 ? int(std::lround(chosen->pointSizeF() * 10)) : 0;
    c.weight = chosen->weight();
    c.italic = chosen->italic();
    c.underline = chosen->underline();
    c.strikeOut = chosen->strikeOut();
    pit::StoreChosenFont(c, s, m_footer);
    // The font dialog has no colour: the colour chooser follows it.
    pit::COLORREF& colour = m_footer ? s.m_colorFoot : s.m_colorHead;
    if (const auto picked = pit::ui::colorChooser().choose(colour, this))
        colour = *picked;
    UpdateData(false);
}

// ---- the page ---------------------------------------------------------------------

CPrintSetDlg::CPrintSetDlg(CPrintSettings* settings) : m_pSettings(settings) {}

QString CPrintSetDlg::TabText() const {
    return QStringLiteral("打印页面设置");
}

QLineEdit* CPrintSetDlg::edit(int id) const {
    return qobject_cast<QLineEdit*>(pit::FindCtrl(m_page, id));
}

QWidget* CPrintSetDlg::CreatePage(QWidget* parent) {
    auto* page = new QWidget(parent);
    pit::SetCtrlId(page, kDialogId);
    m_page = page;
    auto* top = new QGridLayout(page);

    auto numberEdit = [page](int id) {
        QLineEdit* e = MakeEdit(page, id);
        e->setValidator(new QIntValidator(0, 99999, e));
        e->setMaximumWidth(60);
        return e;
    };
    auto spinFor = [this, page](int spinId, int editId) {
        auto* s = new UpDownArrows(page, spinId);
        QObject::connect(s, &UpDownArrows::stepped, page, [this, editId](int d) { OnSpin(editId, d); });
        return s;
    };

    auto* margins = MakeGroup(page, 1119, Tr(u"页边距(mm)", "Margins(mm)"));
    auto* mg = new QGridLayout(margins);
    const struct {
        int edit, spin;
        const char16_t* zh;
        const char* en;
        int row, col;
    } marginRows[] = {{kMarginUp, kSpinUp, u"上:", "Top:", 0, 0},
                      {kMarginLeft, kSpinLeft, u"左:", "Left:", 1, 0},
                      {kMarginRight, kSpinRight, u"右:", "Right:", 1, 3},
                      {kMarginDown, kSpinDown, u"下:", "Bottom:", 0, 3}};
    for (const auto& m : marginRows) {
        mg->addWidget(MakeLabel(margins, Tr(m.zh, m.en)), m.row, m.col);
        mg->addWidget(numberEdit(m.edit), m.row, m.col + 1);
        mg->addWidget(spinFor(m.spin, m.edit), m.row, m.col + 2);
    }

    auto* numbers = MakeGroup(page, 1192, Tr(u"页码设置", "Page number"));
    auto* ng = new QGridLayout(numbers);
    m_printPageNo = MakeCheck(numbers, kPrintPageNo, Tr(u"打印页码", "Print page number"));
    m_form = MakeCombo(numbers, kPageForm);
    m_position = MakeCombo(numbers, kPagePos);
    ng->addWidget(m_printPageNo, 0, 0, 1, 2);
    ng->addWidget(MakeLabel(numbers, Tr(u"页码样式:", "Form:")), 1, 0);
    ng->addWidget(m_form, 1, 1, 1, 2);
    ng->addWidget(MakeLabel(numbers, Tr(u"起始页码:", "First page:")), 1, 3);
    ng->addWidget(numberEdit(kStartPage), 1, 4);
    ng->addWidget(spinFor(kStartSpin, kStartPage), 1, 5);
    ng->addWidget(MakeLabel(numbers, Tr(u"页码位置:", "Position:")), 2, 0);
    ng->addWidget(m_position, 2, 1, 1, 2);
    ng->addWidget(MakeLabel(numbers, Tr(u"总计页码:", "Total pages:")), 2, 3);
    ng->addWidget(numberEdit(kMaxPage), 2, 4);
    ng->addWidget(spinFor(kMaxSpin, kMaxPage), 2, 5);

    auto* bands = MakeGroup(page, 1196, Tr(u"页眉/页脚设置", "Header/Footer"));
    auto* bg = new QVBoxLayout(bands);
    m_tab = new CTabSheet(bands);
    pit::SetCtrlId(m_tab, kTabs);
    bg->addWidget(m_tab);

    auto* printer = MakeGroup(page, 1197, Tr(u"打印机设置", "Printer"));
    auto* pg = new QGridLayout(printer);
    QLineEdit* name = MakeEdit(printer, kPrinter);
    name->setReadOnly(true);
    auto* choose = new QPushButton(Tr(u"设置打印机", "Set printer"), printer);
    pit::SetCtrlId(choose, kPrinterButton);
    pg->addWidget(MakeLabel(printer, Tr(u"打印机名称:", "Printer name:")), 0, 0);
    pg->addWidget(name, 0, 1);
    pg->addWidget(choose, 0, 2);

    top->addWidget(margins, 0, 0);
    top->addWidget(numbers, 1, 0);
    top->addWidget(bands, 2, 0);
    top->addWidget(printer, 3, 0);
    top->setRowStretch(4, 1);

    pit::TranslateDialog(page, unsigned(kDialogId));
    RefillQuiet(m_form, TrList({u"1", u".1.", u"-1-", u"第1页", u"第1页 共1页"},
                               {"1", ".1.", "-1-", "Page 1", "Page 1 Total 1"}));
    RefillQuiet(m_position,
                TrList({u"页脚左侧", u"页脚中间", u"页脚右侧"}, {"Foot Left", "Foot Mid", "Foot Rig"}));
    m_strPrinter = pit::CurrentPrinterName();
    UpdateData(false);
    EnablePageNumberControls();

    QObject::connect(m_printPageNo, &QCheckBox::clicked, page, [this] {
        EnablePageNumberControls();
        CheckPageNumberSide();
    });
    QObject::connect(m_form, &QComboBox::activated, page, [this](int index) {
        m_pSettings->m_npagefm = index;
        const bool total = index == 4;
        pit::FindCtrl(m_page, kMaxPage)->setEnabled(total);
        pit::FindCtrl(m_page, kMaxSpin)->setEnabled(total);
    });
    QObject::connect(m_position, &QComboBox::activated, page, [this](int index) {
        m_pSettings->m_npageloc = index;
        CheckPageNumberSide();
    });
    for (int id : {kMarginUp, kMarginLeft, kMarginRight, kMarginDown, kStartPage, kMaxPage})
        QObject::connect(edit(id), &QLineEdit::editingFinished, page, [this] { UpdateData(true); });
    QObject::connect(choose, &QPushButton::clicked, page, [this] { OnPrinterButton(); });

    // The tabs come after the page's own values: the footer checks its side
    // against the page number as it starts.
    m_dlgHeader = new CPrintHeaderDlg(m_pSettings);
    m_dlgFoot = new CPrintFootDlg(m_pSettings, this);
    m_tab->AddPage(Tr(u"页眉", "Header"), m_dlgHeader, CPrintHeaderDlg::kDialogId,
                   [page] { page->setFocus(); });
    m_tab->AddPage(Tr(u"页脚", "Footer"), m_dlgFoot, CPrintFootDlg::kDialogId, [page] { page->setFocus(); });
    m_tab->Show();
    m_dlgHeader->InitDialog();
    m_dlgFoot->InitDialog();
    return page;
}

bool CPrintSetDlg::UpdateData(bool save) {
    if (!m_page)
        return true;
    CPrintSettings& s = *m_pSettings;
    struct Field {
        int id;
        int* value;
    };
    const Field fields[] = {{kMarginUp, &s.m_nmarginup},   {kMarginLeft, &s.m_nmarginleft},
                            {kMarginRight, &s.m_nmarginr}, {kMarginDown, &s.m_nmargindown},
                            {kStartPage, &s.m_nstpage},    {kMaxPage, &s.m_nMaxPage}};
    if (save) {
        // Fields before a refused one are taken, as the dialog data exchange does.
        for (const Field& f : fields) {
            const std::optional<int> v = IntOf(edit(f.id));
            if (!v) {
                TellNotInteger(edit(f.id));
                return false;
            }
            *f.value = *v;
        }
        s.m_bprpage = m_printPageNo->isChecked() ? 1 : 0;
        s.m_npagefm = std::max(0, m_form->currentIndex());
        s.m_npageloc = std::max(0, m_position->currentIndex());
        return true;
    }
    for (const Field& f : fields)
        edit(f.id)->setText(QString::number(*f.value));
    CheckQuiet(m_printPageNo, s.m_bprpage != 0);
    SelectQuiet(m_form, s.m_npagefm);
    SelectQuiet(m_position, s.m_npageloc);
    edit(kPrinter)->setText(m_strPrinter);
    return true;
}

void CPrintSetDlg::EnablePageNumberControls() {
    const bool on = m_printPageNo->isChecked();
    for (int id : {kPageForm, kStartPage, kPagePos, kStartSpin})
        pit::FindCtrl(m_page, id)->setEnabled(on);
    const bool total = on && m_pSettings->m_npagefm == 4;
    for (int id : {kMaxPage, kMaxSpin})
        pit::FindCtrl(m_page, id)->setEnabled(total);
}

int CPrintSetDlg::CheckPageNumberSide() {
    if (!m_page)
        return 1;
    const bool numbersOn = m_printPageNo->isChecked();
    const bool footerOn = m_dlgFoot && m_dlgFoot->PrintCheck()->isChecked();
    if (numbersOn && footerOn && m_position->currentIndex() == m_dlgFoot->PositionCombo()->currentIndex()) {
        const bool en = pit::ui::english();
        pit::ui::messages().show(en ? QStringLiteral("Pos of PageNo confilct with pos of foot!")
                                    : QStringLiteral("页码和页脚请勿定义在同侧!"),
                                 en ? QStringLiteral("Tips") : QStringLiteral("提示"), pit::MB_OK);
        const int next = (m_position->currentIndex() + 1) % 3;
        m_pSettings->m_npageloc = next;
        SelectQuiet(m_position, next);
        return 0;
    }
    UpdateData(true);
    return 1;
}

void CPrintSetDlg::OnSpin(int editId, int delta) {
    if (!UpdateData(true))
        return;
    CPrintSettings& s = *m_pSettings;
    auto margin = [delta](int& v) { v = std::clamp(v + delta, 0, 50); };
    auto pages = [delta](int& v) { v = std::max(0, v + delta); };
    switch (editId) {
    case kMarginUp:
        margin(s.m_nmarginup);
        break;
    case kMarginLeft:
        margin(s.m_nmarginleft);
        break;
    case kMarginRight:
        margin(s.m_nmarginr);
        break;
    case kMarginDown:
        margin(s.m_nmargindown);
        break;
    case kStartPage:
        pages(s.m_nstpage);
        break;
    case kMaxPage:
        pages(s.m_nMaxPage);
        break;
    default:
        return;
    }
    UpdateData(false);
}

void CPrintSetDlg::OnPrinterButton() {
    if (!UpdateData(true))
        return;
    if (const std::optional<QString> chosen = pit::ui::printerChooser().choose(m_page)) {
        m_strPrinter = *chosen;
        // The print hosts start from this printer for the rest of the run.
        pit::SetChosenPrinterName(*chosen);
    }
    UpdateData(false);
}

bool CPrintSetDlg::Validate() {
    return UpdateData(true);
}

void CPrintSetDlg::Apply() {
    if (m_dlgHeader)
        m_dlgHeader->UpdateData(true);
    if (m_dlgFoot)
        m_dlgFoot->UpdateData(true);
    UpdateData(true);
}
