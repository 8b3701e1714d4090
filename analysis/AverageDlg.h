// The averaging-source dialog: which blows of the current pile form the
// averaged wave. Only blows in the average at opening can be chosen, so the
// dialog can only remove blows from it.
#pragma once

#include "controls/ColDialog.h"

#include <array>

class CPileRecord;
class QCheckBox;

class CAverageDlg : public CColDialog {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 139;
    static constexpr int kFirstCheck = 1044; // "波形1"; 1058 is "波形15"
    static constexpr int kBlows = 15;

    // Edits the pile's blow-selection flags in place on OK.
    CAverageDlg(CPileRecord& pile, QWidget* parent = nullptr);

    QCheckBox* Check(int blow) const { return m_checks[size_t(blow)]; }

public Q_SLOTS:
    void accept() override;

private:
    CPileRecord& m_pile;
    std::array<QCheckBox*, kBlows> m_checks{};
};
