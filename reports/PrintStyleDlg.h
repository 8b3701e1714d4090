// The printed items page: which items the project report and the statistics
// report print, with the rules that tie some of them together.
#pragma once

#include "controls/MyPropertySheet.h"

#include <QPointer>

class CPrintSettings;

namespace pit {

// Which dependent boxes may be changed.
struct PrintItemEnables {
    bool statistics = true; // test date, test time, enlarged base, strength, remark of the statistics report
    bool vmax = true;       // needs the ordinate
    bool testTime = true;   // needs the test date
    bool toeTime = true;    // the toe reflection time needs the simulated pile
    bool spectrum = true;   // only with the smallest gap between waveforms
    bool operator==(const PrintItemEnables&) const = default;
};

// The rules as the page opens: the third statistics format prints the remark
// and no dates, enlarged base or strength; an item that needs another one
// switched off is switched off too; a gap above 3 mm prints no spectrum.
PrintItemEnables ApplyPrintItemRules(CPrintSettings& s);

} // namespace pit

class CPrintStyleDlg : public CSheetPage {
public:
    static constexpr int kDialogId = 196;
    static constexpr int kTestDate = 1050;  // head-line item 6
    static constexpr int kTestTime = 1167;  // head-line item 12
    static constexpr int kConstruct = 1073; // head-line item 13
    static constexpr int kMoniPile = 1054;  // the simulated pile
    static constexpr int kSpectrum = 1055;
    static constexpr int kVmax = 1166;      // wave item 3
    static constexpr int kOrdinate = 1171;  // wave item 4
    static constexpr int kToeTime = 1328;   // wave item 5
    static constexpr int kCountType = 1345; // statistics: construction data
    static constexpr int kWorkDate = 1127;  // project report: construction date
    static constexpr int kAge = 1019;       // project report: age
    static constexpr int kCountDate = 1128; // statistics: construction date
    static constexpr int kCountAge = 1020;  // statistics: age

    explicit CPrintStyleDlg(CPrintSettings* settings);
    ~CPrintStyleDlg() override;

    QString TabText() const override;
    QWidget* CreatePage(QWidget* parent) override;
    // Shown again: a report format changed meanwhile shows its own items.
    void OnShownInSheet(QWidget*) override { FollowStoredSet(); }
    void Apply() override;

    // save: the boxes into the fields; else the fields into the boxes.
    void UpdateData(bool save);

private:
    void UpdateData(bool save, CPrintSettings& s);
    // The rules, the enabled boxes and the fields into the boxes.
    void Load();
    // 1: the style set of "报告格式一"; 0: the set the other formats share.
    static int StyleSetOf(const CPrintSettings& s);
    void FollowStoredSet();
    void EnableBox(int id, bool on);
    void CheckPairs();

    CPrintSettings* m_pSettings;
    QPointer<QWidget> m_page;
    int m_shownSet = -1; // the style set the boxes show
};
