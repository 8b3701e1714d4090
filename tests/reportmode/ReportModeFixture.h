// Report mode's list view on a project of piles assembled byte by byte, with
// a host that records what the view asks of the main window and a builder
// factory that records what it is asked to make.
#pragma once

#include "controls/CtrlId.h"
#include "controls/SListCtrl.h"
#include "controls/UiServices.h"
#include "reportmode/ExportView.h"
#include "tests/reports/ReportFixture.h"
#include "tests/support/TestSupport.h"

#include <QCheckBox>
#include <QLineEdit>

namespace pit::test {

struct FakeReportHost : ReportModeHost {
    std::vector<std::pair<int, int>> refreshes; // code, sub
    int dates = 0;
    bool timeOrder = false;
    int leaves = 0;
    void RefreshFromReport(RefreshTarget target, int sub) override {
        refreshes.push_back({int(target), sub});
    }
    void ReportDatesChanged() override { ++dates; }
    bool formAccepts = true;
    bool StoreReportForm() override {
        refreshes.push_back({int(RefreshTarget::ReportForm), 1});
        return formAccepts;
    }
    bool PilesOrderedByTestTime() const override { return timeOrder; }
    void LeaveReportMode() override { ++leaves; }
};

// What a recorded builder was asked, in order.
struct RecordedBuilder : CReportBuilder {
    QStringList* log;
    explicit RecordedBuilder(QStringList* l) : log(l) {}
    void UpdatePileList() override { *log << QStringLiteral("update"); }
    bool ExportWord(const QString& name) override {
        *log << QStringLiteral("word:") + name;
        return true;
    }
    bool ExportExcel() override {
        *log << QStringLiteral("excel");
        return true;
    }
    bool ExportEmf() override {
        *log << QStringLiteral("emf");
        return true;
    }
    bool ExportBmp() override {
        *log << QStringLiteral("bmp");
        return true;
    }
    void SetCommonInfo(bool use, const CCommonInfo* values) override {
        *log << QStringLiteral("common:%1:%2").arg(use).arg(values != nullptr);
    }
    void SetFontRate(float rate) override { *log << QStringLiteral("font:%1").arg(double(rate)); }
    void SetDecimalPlaces(int n) override { *log << QStringLiteral("decimals:%1").arg(n); }
};

struct RecordingFactory : ReportBuilderFactory {
    QStringList log;
    std::unique_ptr<CReportBuilder> CreateSingle(const CPileRecord&, const ListRows* list) override {
        log << QStringLiteral("single:%1").arg(list != nullptr);
        return std::make_unique<RecordedBuilder>(&log);
    }
    std::unique_ptr<CReportBuilder> CreateProject(const ListRows&, bool styleA) override {
        log << (styleA ? QStringLiteral("projectA") : QStringLiteral("projectB"));
        return std::make_unique<RecordedBuilder>(&log);
    }
    std::unique_ptr<CReportBuilder> CreateCountInfo(const ListRows&, int summaryType) override {
        log << QStringLiteral("count:%1").arg(summaryType);
        return std::make_unique<RecordedBuilder>(&log);
    }
    std::unique_ptr<CReportBuilder> CreateExcel(const ListRows&, int option) override {
        log << QStringLiteral("excel:%1").arg(option);
        return std::make_unique<RecordedBuilder>(&log);
    }
};

struct ReportModeFixture : ReportFixture {
    FakeReportHost host;
    std::unique_ptr<CExportView> view;

    void SetUp() override {
        ReportFixture::SetUp();
        ui::setMessages(&sink);
        CExportView::ResetSortMemory();
    }
    void TearDown() override {
        view.reset();
        ui::setMessages(nullptr);
    }
    // A saved pile (listed: its fixed-parameter flag is set).
    QString Saved(const QString& name, const QString& pileNo, int speed,
                  const QString& testDate = QStringLiteral("2024-03-15 09:30:00")) {
        DuxAnalysis a = SavedPile(pileNo);
        a.waveSpeed = speed;
        a.testDate = testDate;
        a.constructionDate = QStringLiteral("2024-03-01");
        return WritePile(name, a);
    }
    // The view in report mode on the project of the first file.
    void Enter(bool singlePile, const QString& openPath) {
        Open(openPath);
        view = std::make_unique<CExportView>(doc.get(), &host);
        view->resize(1100, 700);
        view->OnInitialUpdate();
        view->ShowReportMode(singlePile);
    }
    QStringList Column(int col) const {
        QStringList out;
        for (int row = 0; row < view->List()->GetItemCount(); ++row)
            out << view->List()->GetItemText(row, col);
        return out;
    }
    int RowOf(const QString& fileName) const {
        return int(Column(1).indexOf(fileName + QStringLiteral("*")));
    }
    QWidget* Ctrl(int id) const { return FindCtrl(view.get(), id); }
    QString Field(int id) const { return static_cast<QLineEdit*>(Ctrl(id))->text(); }
};

} // namespace pit::test
