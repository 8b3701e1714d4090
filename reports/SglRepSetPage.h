// The single-pile report settings page: language and format of the report,
// the statistics format, the wave line thickness and the ruler unit.
#pragma once

#include "controls/MyPropertySheet.h"

#include <QPointer>

class CKEV_DUXDoc;
class CPrintSettings;

class CSglRepSetPage : public CSheetPage {
public:
    static constexpr int kDialogId = 184;
    static constexpr int kInfoType = 1061;
    static constexpr int kRuler = 1035;
    static constexpr int kThickness = 1134;
    static constexpr int kFormat = 1138;
    static constexpr int kLanguage = 1074;

    CSglRepSetPage(CKEV_DUXDoc* doc, CPrintSettings* settings);
    ~CSglRepSetPage() override;

    QString TabText() const override;
    QWidget* CreatePage(QWidget* parent) override;
    std::vector<std::pair<int, int>> RefreshCodes() const override { return {{6, 0}}; }

private:
    CKEV_DUXDoc* m_doc;
    CPrintSettings* m_pSettings;
    QPointer<QWidget> m_page;
};
