// The print setup command in the main window: its pages by report kind, the
// common values not in use put back after the sheet, the report-mode signals.
#include "mainwnd/FrameCommandsBinding.h"

#include "controls/MyPropertySheet.h"
#include "tests/mainwnd/FrameFixture.h"

#include <QListWidget>

using namespace pit;
using namespace pit::frame;

namespace {

struct PrintSetup : test::Frame {
    // Triggers the command; inside runs on the open sheet, which is then
    // cancelled unless inside closed it.
    bool run(const std::function<void(CMyPropertySheet&)>& inside) {
        bool saw = false;
        QTimer::singleShot(0, [&] {
            auto* sheet = qobject_cast<CMyPropertySheet*>(QApplication::activeModalWidget());
            saw = sheet != nullptr;
            if (!sheet)
                return;
            inside(*sheet);
            if (sheet->isVisible())
                sheet->reject();
        });
        frame->Commands()->Action(cmd::kPrintSetup)->trigger();
        return saw;
    }
    static QStringList pageNames(const CMyPropertySheet& sheet) {
        QStringList names;
        for (int i = 0; i < sheet.pageList()->count(); ++i)
            names << sheet.pageList()->item(i)->text();
        return names;
    }
};

TEST_F(PrintSetup, PagesFollowTheReportKind) {
    const QStringList common = {QStringLiteral("打印样式选择"), QStringLiteral("打印页面设置"),
                                QStringLiteral("打印线型设置"), QStringLiteral("打印信息修改")};
    const struct {
        int kind;
        const char16_t* last;
        bool testingUnitFree; // the project mode locks the testing unit
        bool constructionUnitFree;
    } cases[] = {
        {0, nullptr, true, true}, {1, u"单桩报告设置", true, false}, {2, u"工程报告设置", false, false}};
    for (const auto& c : cases) {
        if (c.kind > 0)
            frame->EnterReportMode(c.kind == 2);
        QMetaObject::invokeMethod(frame->Commands()->findChild<QTimer*>(), "timeout");
        EXPECT_TRUE(frame->Commands()->Action(cmd::kPrintSetup)->isEnabled()) << c.kind;
        QStringList names;
        QString title;
        bool testingUnit = false, constructionUnit = false;
        ASSERT_TRUE(run([&](CMyPropertySheet& sheet) {
            names = pageNames(sheet);
            title = sheet.windowTitle();
            sheet.SelectPage(3);
            testingUnit = FindCtrl(sheet.pageWindow(3), 1336)->isEnabled();
            constructionUnit = FindCtrl(sheet.pageWindow(3), 1034)->isEnabled();
        }));
        QStringList expected = common;
        if (c.last)
            expected << QString::fromUtf16(c.last);
        EXPECT_EQ(names, expected) << c.kind;
        EXPECT_EQ(title, QStringLiteral("打印设置"));
        EXPECT_EQ(testingUnit, c.testingUnitFree) << c.kind;
        EXPECT_EQ(constructionUnit, c.constructionUnitFree) << c.kind;
    }
}

// The values governed by one use flag, as text.
QString fieldsOf(const CCommonInfo& c, int flag) {
    switch (flag) {
    case 0:
        return c.m_strProjectName;
    case 1:
        return c.m_strTestingUnit;
    case 2:
        return c.m_strConstructionUnit;
    case 3:
        return c.m_strTester;
    case 4:
        return c.m_testDate.toString(Qt::ISODate);
    case 5:
        return c.m_strInstrument;
    case 6:
        return c.m_strStandard;
    case 7:
        return QString::number(c.m_nShape);
    case 8:
        return QStringLiteral("%1*%2").arg(c.m_fDiameter).arg(c.m_fSecondSide);
    case 9:
        return QStringLiteral("%1*%2").arg(c.m_fEnlarged).arg(c.m_fEnlarged2);
    case 10:
        return QString::number(c.m_nGradeIndex);
    default:
        return c.m_strClass;
    }
}

CCommonInfo values(const QString& tag, int n) {
    CCommonInfo c;
    c.m_strProjectName = tag + QStringLiteral(" project");
    c.m_strTestingUnit = tag + QStringLiteral(" unit");
    c.m_strConstructionUnit = tag + QStringLiteral(" builder");
    c.m_strTester = tag + QStringLiteral(" tester");
    c.m_testDate = QDateTime(QDate(2020 + n, 1, 1), QTime(8, 0));
    c.m_strInstrument = tag + QStringLiteral(" instrument");
    c.m_strStandard = tag + QStringLiteral(" standard");
    c.m_nShape = n % 2;
    c.m_fDiameter = 500.0f + n;
    c.m_fSecondSide = 400.0f + n;
    c.m_fEnlarged = 700.0f + n;
    c.m_fEnlarged2 = 900.0f + n;
    c.m_nGradeIndex = n;
    c.m_strClass = tag + QStringLiteral(" class");
    return c;
}

TEST_F(PrintSetup, ValuesNotInUseComeBackAfterOkAndAfterCancel) {
    frame->EnterReportMode(true); // report mode was entered: the sheet keeps a snapshot
    // In use, the common values are left alone by the report form before the sheet.
    doc->m_bUseCommonInfo = 1;
    std::vector<int> formCommon, viewRefresh;
    QObject::connect(frame.get(), &CMainFrame::reportFormApplyCommonValues,
                     [&](bool load) { formCommon.push_back(load ? 1 : 0); });
    QObject::connect(frame.get(), &CMainFrame::reportViewRefresh,
                     [&](int sub) { viewRefresh.push_back(sub); });
    for (const bool ok : {true, false}) {
        const CCommonInfo old = values(QStringLiteral("old"), 1);
        const CCommonInfo changed = values(QStringLiteral("new"), 2);
        doc->m_CommonInfo = old;
        ASSERT_TRUE(run([&](CMyPropertySheet& sheet) {
            // What the pages would have written: every value, half of the flags.
            CCommonInfo& c = doc->m_CommonInfo;
            c = changed;
            for (int f = 0; f < 12; ++f)
                c.SetUse(CCommonInfo::Flag(f), (f % 2 == 0) == ok);
            ok ? sheet.accept() : sheet.reject();
        }));
        for (int f = 0; f < 12; ++f) {
            const bool used = (f % 2 == 0) == ok;
            EXPECT_EQ(fieldsOf(doc->m_CommonInfo, f), fieldsOf(used ? changed : old, f))
                << (ok ? "OK" : "Cancel") << ", flag " << f;
        }
    }
    EXPECT_EQ(formCommon, (std::vector<int>{0, 0}));
    EXPECT_EQ(viewRefresh, (std::vector<int>{0, 0}));
}

TEST_F(PrintSetup, BeforeReportModeTheSnapshotIsEmptyAndASecondSideOfZeroTakesTheDiameter) {
    std::vector<int> viewRefresh;
    QObject::connect(frame.get(), &CMainFrame::reportViewRefresh,
                     [&](int sub) { viewRefresh.push_back(sub); });
    doc->m_bUseCommonInfo = 1; // the report form leaves values in use alone
    doc->m_CommonInfo = values(QStringLiteral("old"), 1);
    doc->m_CommonInfo.m_fDiameter = 630;
    doc->m_CommonInfo.m_fSecondSide = 0;
    doc->m_CommonInfo.SetUse(CCommonInfo::Diameter, true);
    float sideInSheet = -1;
    ASSERT_TRUE(run([&](CMyPropertySheet&) { sideInSheet = doc->m_CommonInfo.m_fSecondSide; }));
    EXPECT_FLOAT_EQ(sideInSheet, 630.0f);
    EXPECT_FLOAT_EQ(doc->m_CommonInfo.m_fSecondSide, 630.0f); // in use: kept
    EXPECT_EQ(doc->m_CommonInfo.m_strProjectName, QString()); // not in use: the empty snapshot
    EXPECT_EQ(doc->m_CommonInfo.m_nGradeIndex, 0);
    EXPECT_TRUE(viewRefresh.empty()); // no report view outside report mode
}

TEST_F(PrintSetup, CommonAgeGoesToTheReportFormWhenBothFlagsAreSet) {
    // The settings print the age, so report mode keeps its age flag.
    doc->m_PrintSettings.m_bHeadInfo[13] = 1;
    doc->m_PrintSettings.m_iPrintType = 1;
    frame->EnterReportMode(false);
    doc->m_iAllAge = 21;
    std::vector<std::pair<bool, int>> dates;
    QObject::connect(frame.get(), &CMainFrame::reportFormDates, [&](bool flag, int age) {
        dates.push_back({flag, age});
    });
    for (const auto [age, use] : {std::pair{true, 0}, std::pair{false, 1}, std::pair{true, 1}}) {
        doc->m_bAllPilesAge = age;
        doc->m_bUseCommonInfo = use;
        ASSERT_TRUE(run([](CMyPropertySheet& sheet) { sheet.accept(); }));
    }
    EXPECT_EQ(dates, (std::vector<std::pair<bool, int>>{{true, 21}}));
}

} // namespace
