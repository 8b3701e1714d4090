// The common print information page: the values a whole group of piles
// shares on the reports, each with the flag that makes it replace the
// piles' own values; and what the print setup does to them around its sheet.
#pragma once

#include "controls/MyPropertySheet.h"

#include <QPointer>
#include <array>
#include <vector>

class CCommonInfo;
class CProInfoHistory;
class QComboBox;

namespace pit {

// Before the print setup sheet: a second side outside 1..999999 mm takes the diameter.
void PrepareCommonValues(CCommonInfo& common);
// After it: every value whose use flag is clear goes back to the snapshot
// (the diameter and the enlarged base with their second sides).
void RestoreUnusedCommonValues(CCommonInfo& common, const CCommonInfo& snapshot);

// What a report mode locks on the page: flags cleared and disabled, fields disabled.
struct GroupModeLocks {
    std::vector<int> flags;
    std::vector<int> fields;
};
GroupModeLocks ModifyGroupModeLocks(int mode);

} // namespace pit

class CModifyGroupPage : public CSheetPage {
public:
    static constexpr int kDialogId = 167;
    static constexpr int kProjectName = 1335;
    static constexpr int kTestingUnit = 1336;
    static constexpr int kConstructionUnit = 1034;
    static constexpr int kTester = 1337;
    static constexpr int kDiameter = 1125;
    static constexpr int kEnlarged = 1126;
    static constexpr int kSecondSide = 1127;
    static constexpr int kEnlarged2 = 1128;
    static constexpr int kSecondMark = 1182;
    static constexpr int kEnlarged2Mark = 1183;
    static constexpr int kTestDate = 1136;
    static constexpr int kInstrument = 1066;
    static constexpr int kStandard = 1067;
    static constexpr int kShape = 1068;
    static constexpr int kGrade = 1069;
    static constexpr int kClass = 1074;
    // The use flags in the record's flag order.
    static constexpr std::array<int, 12> kFlags = {1345, 1346, 1347, 1348, 1349, 1350,
                                                   1351, 1352, 1353, 1354, 1146, 1355};
    // The history combos, list 0 to 3.
    static constexpr std::array<int, 4> kHistoryCombos = {kProjectName, kTestingUnit, kConstructionUnit,
                                                          kTester};

    // mode: 1 while report mode shows single-pile reports, 2 project reports, else 0.
    CModifyGroupPage(CCommonInfo* common, CProInfoHistory* history, int mode);
    ~CModifyGroupPage() override;

    QString TabText() const override;
    QWidget* CreatePage(QWidget* parent) override;
    // The numbers must read as numbers.
    bool Validate() override;
    void Apply() override;
    // The report-mode form applies the common values, the report-mode view takes the common date.
    std::vector<std::pair<int, int>> RefreshCodes() const override { return {{15, 2}, {6, 1}}; }

private:
    bool UpdateData(bool save);
    void ShowShapeFields();
    void FillHistory(int list);
    QComboBox* combo(int id) const;

    CCommonInfo* m_pCommon;
    CProInfoHistory* m_pHistory;
    int m_nMode;
    QPointer<QWidget> m_page;
};
