// The page setup page of the print settings sheet: margins, page numbers,
// the printer, and the page header and footer on two tabs. Every change is
// written into the document's print settings at once.
#pragma once

#include "controls/MyPropertySheet.h"

#include <QFont>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <optional>

class CPrintSettings;
class CPrintSetDlg;
class CTabSheet;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace pit {

// The point size of entry index of the 23-entry header and footer size table
// (clamped to the table).
double BandPointSize(int sizeIndex);
// The first entry whose size is exactly tenths / 10 points; -1 when none is.
int BandSizeIndex(int pointTenths);

// The installed face that draws face: face itself when installed (or empty),
// else its substitute.
QString InstalledFaceFor(const QString& face);

// What the font dialog answered.
struct ChosenFont {
    QString face;
    int pointTenths = 0;
    int weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
};
// The chosen font into the header (footer) fields: a face without the
// vertical font's leading "@" unless empty, the size index when the size is
// in the table, bold exactly at weight 700, the style flags.
void StoreChosenFont(const ChosenFont& chosen, CPrintSettings& s, bool footer);

} // namespace pit

// The header (template 141) or footer (template 142) tab of the page setup.
class CPrintBandDlg : public QWidget {
    Q_OBJECT
public:
    static constexpr int kTitle = 1142;
    static constexpr int kPosition = 1143;
    static constexpr int kSize = 1144;
    static constexpr int kFont = 1145;

    // The footer tells page of its changes (the page number must not share its side).
    CPrintBandDlg(CPrintSettings* settings, bool footer, CPrintSetDlg* page, QWidget* parent = nullptr);

    void InitDialog();
    // save: controls into the fields; else the fields into the controls.
    void UpdateData(bool save);
    void OnFontButton();

    bool IsFooter() const { return m_footer; }
    QCheckBox* PrintCheck() const { return m_print; }
    QComboBox* PositionCombo() const { return m_position; }

    // The font dialog (QFontDialog unless a test sets its own); nothing on Cancel.
    std::function<std::optional<QFont>(const QFont& initial, QWidget* parent)> chooseFont;

private:
    void EnableControls();
    int& printField();
    int& sizeField();
    int& positionField();
    QString& titleField();
    QString& faceField();

    CPrintSettings* m_pSettings;
    bool m_footer;
    CPrintSetDlg* m_page;
    QCheckBox* m_print = nullptr;
    QLineEdit* m_title = nullptr;
    QLineEdit* m_face = nullptr;
    QComboBox* m_size = nullptr;
    QComboBox* m_position = nullptr;
    QPushButton* m_fontButton = nullptr;
};

class CPrintHeaderDlg : public CPrintBandDlg {
    Q_OBJECT
public:
    static constexpr int kDialogId = 141;
    static constexpr int kPrintHeader = 1141;
    static constexpr int kFace = 1156;
    explicit CPrintHeaderDlg(CPrintSettings* settings, QWidget* parent = nullptr)
        : CPrintBandDlg(settings, false, nullptr, parent) {}
};

class CPrintFootDlg : public CPrintBandDlg {
    Q_OBJECT
public:
    static constexpr int kDialogId = 142;
    static constexpr int kPrintFoot = 1146;
    static constexpr int kFace = 1157;
    CPrintFootDlg(CPrintSettings* settings, CPrintSetDlg* page, QWidget* parent = nullptr)
        : CPrintBandDlg(settings, true, page, parent) {}
};

class CPrintSetDlg : public CSheetPage {
public:
    static constexpr int kDialogId = 140;
    static constexpr int kMarginUp = 1123;
    static constexpr int kMarginLeft = 1122;
    static constexpr int kMarginRight = 10750;
    static constexpr int kMarginDown = 1073;
    static constexpr int kSpinUp = 1043;
    static constexpr int kSpinLeft = 1140;
    static constexpr int kSpinRight = 1044;
    static constexpr int kSpinDown = 1045;
    static constexpr int kPrintPageNo = 1060;
    static constexpr int kPageForm = 1124;
    static constexpr int kStartPage = 1076;
    static constexpr int kStartSpin = 1046;
    static constexpr int kPagePos = 1126;
    static constexpr int kMaxPage = 1077;
    static constexpr int kMaxSpin = 1047;
    static constexpr int kPrinter = 1148;
    static constexpr int kPrinterButton = 1147;
    static constexpr int kTabs = 1068;

    explicit CPrintSetDlg(CPrintSettings* settings);

    QString TabText() const override;
    QWidget* CreatePage(QWidget* parent) override;
    // The fields must read as integers.
    bool Validate() override;
    // Header, footer, then the page take their values from their controls.
    void Apply() override;

    // Page number and footer may not share a side: on a clash the user is
    // told and the page number moves on to the next side (0 returned);
    // otherwise the page takes its values (1).
    int CheckPageNumberSide();
    // An arrow of the spin beside edit editId: the field moves by delta and
    // stays in its range (margins 0..50, pages at least 0).
    void OnSpin(int editId, int delta);
    void OnPrinterButton();

    CPrintHeaderDlg* Header() const { return m_dlgHeader; }
    CPrintFootDlg* Footer() const { return m_dlgFoot; }
    const QString& PrinterName() const { return m_strPrinter; }

private:
    bool UpdateData(bool save);
    void EnablePageNumberControls();
    QLineEdit* edit(int id) const;

    CPrintSettings* m_pSettings;
    QPointer<QWidget> m_page;
    CTabSheet* m_tab = nullptr;
    QPointer<CPrintHeaderDlg> m_dlgHeader;
    QPointer<CPrintFootDlg> m_dlgFoot;
    QComboBox* m_form = nullptr;
    QComboBox* m_position = nullptr;
    QCheckBox* m_printPageNo = nullptr;
    QString m_strPrinter;
};
