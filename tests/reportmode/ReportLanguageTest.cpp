// The report language across sessions in the real window: what the print
// settings pages show is what the printed pages say, after a session with
// the other interface language left its settings behind.
#include "controls/MyPropertySheet.h"
#include "core/doc/KEV_DUXDoc.h"
#include "mainwnd/CommandIds.h"
#include "mainwnd/MainFrame.h"
#include "platform/IniFile.h"
#include "reports/ProRepSetPage.h"
#include "reports/SglRepSetPage.h"
#include "tests/analysis/ReportPrintSupport.h"
#include "tests/mainwnd/FrameFixture.h"

#include <QComboBox>
#include <QListWidget>

namespace pit::test {
namespace {

// The sample project's window, closed and started again with one interface
// language or the other on the settings file the sessions share.
struct ReportLanguage : SampleFrame {
    A4PdfPrintUi printUi;
    int prints = 0, shots = 0;

    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(SampleFrame::SetUp());
        EndSession();
    }
    void TearDown() override {
        SampleFrame::TearDown();
        ui::setEnglish(false);
    }
    QString Settings() const { return tmp.filePath(QStringLiteral("DuxConfig.xml")); }

    void StartSession(bool english) {
        ui::setEnglish(english);
        ctx.english = english;
        doc = std::make_unique<CKEV_DUXDoc>(
            ctx, CKEV_DUXDoc::Files{Settings(), tmp.filePath(QStringLiteral("hist.ini"))});
        frame = std::make_unique<CMainFrame>(doc.get(), english);
        frame->resize(1100, 760);
        frame->show();
        ASSERT_TRUE(doc->OnOpenDocument(pile("ZK1.DUX")));
        QApplication::processEvents();
        frame->ExportView()->SetPrintUi(&printUi);
    }
    // Closing the window writes the settings file.
    void EndSession() {
        frame.reset();
        doc.reset();
    }

    // 打印 in report mode, read back from the PDF it writes.
    QString Printed() {
        printUi.path = tmp.filePath(QStringLiteral("print-%1.pdf").arg(++prints));
        EXPECT_TRUE(choose(cmd::kPrint));
        return PdfText(printUi.path);
    }
    // The text of a combo on the last page of 打印设置 (the page of the
    // report mode on show), as the user finds it; the sheet is then cancelled.
    QString ShownOnReportPage(int combo) {
        QString text;
        WhenModal([&](QDialog& dlg) {
            auto* sheet = qobject_cast<CMyPropertySheet*>(&dlg);
            ASSERT_NE(sheet, nullptr);
            const int last = sheet->pageList()->count() - 1;
            sheet->SelectPage(last);
            auto* c = qobject_cast<QComboBox*>(FindCtrl(sheet->pageWindow(last), combo));
            ASSERT_NE(c, nullptr);
            text = c->currentText();
            if (qEnvironmentVariableIsSet("PIT_SCREENSHOT"))
                sheet->grab().save(qEnvironmentVariable("PIT_SCREENSHOT") +
                                   QStringLiteral("report-language-%1.png").arg(++shots));
        });
        EXPECT_TRUE(choose(cmd::kPrintSetup));
        return text;
    }
    // 打印设置 in project mode: the format its page shows (after the
    // opening question, answered from the sink), then a format chosen there
    // (none for -1), then OK or 取消.
    QString SetProjectFormat(int format, bool ok) {
        QString text;
        WhenModal([&](QDialog& dlg) {
            auto* sheet = qobject_cast<CMyPropertySheet*>(&dlg);
            ASSERT_NE(sheet, nullptr);
            const int last = sheet->pageList()->count() - 1;
            sheet->SelectPage(last);
            auto* c = qobject_cast<QComboBox*>(FindCtrl(sheet->pageWindow(last), CProRepSetPage::kFormat));
            ASSERT_NE(c, nullptr);
            text = c->currentText();
            if (format >= 0) {
                c->setCurrentIndex(format);
                Q_EMIT c->activated(format);
            }
            if (ok)
                sheet->accept();
        });
        EXPECT_TRUE(choose(cmd::kPrintSetup));
        return text;
    }
};

bool SinglePileEnglish(const QString& page) {
    return page.contains(QStringLiteral("Low Strain Pile Integrity Testing Report"));
}
bool SinglePileChinese(const QString& page) {
    return page.contains(QStringLiteral("低应变反射波法单桩检测报告单"));
}
bool ProjectEnglish(const QString& page) {
    return page.contains(QStringLiteral("ID:"));
}
bool ProjectChinese(const QString& page) {
    return page.contains(QStringLiteral("桩号:"));
}

} // namespace

// An English session made project reports (its format raised to an English
// one); the next session has the Chinese interface. Each page shows the
// language that prints before and after the sheet was opened.
TEST_F(ReportLanguage, PagesShowTheLanguageThatPrintsAfterAnEnglishSession) {
    ASSERT_NO_FATAL_FAILURE(StartSession(true));
    ASSERT_TRUE(choose(cmd::kProjectReport));
    EXPECT_TRUE(ProjectEnglish(Printed()));
    EndSession();
    IniFile stored;
    ASSERT_TRUE(stored.load(Settings()));
    ASSERT_EQ(stored.readString(QStringLiteral("REZPrintInfo"), QStringLiteral("m_bLanguage")),
              QStringLiteral("1"));
    ASSERT_EQ(stored.readString(QStringLiteral("REZPrintInfo"), QStringLiteral("m_nProType")),
              QStringLiteral("2"));

    const QString englishSession = tmp.filePath(QStringLiteral("english-session.xml"));
    ASSERT_TRUE(QFile::copy(Settings(), englishSession));

    struct Step {
        int command;
        bool english; // the language that prints
    };
    const struct {
        const char* what;
        std::vector<Step> steps;
    } sessions[] = {
        // The report language is the stored one, whatever the interface, until
        // project reports, where the Chinese interface lowers the format to a
        // Chinese one.
        {"single-pile reports first",
         {{cmd::kSingleReport, true}, {cmd::kProjectReport, false}, {cmd::kSingleReport, false}}},
        {"project reports first", {{cmd::kProjectReport, false}, {cmd::kSingleReport, false}}},
    };
    for (const auto& session : sessions) {
        SCOPED_TRACE(session.what);
        ASSERT_TRUE(QFile::remove(Settings()));
        ASSERT_TRUE(QFile::copy(englishSession, Settings()));
        ASSERT_NO_FATAL_FAILURE(StartSession(false));
        for (const Step& s : session.steps) {
            const bool project = s.command == cmd::kProjectReport;
            SCOPED_TRACE(project ? "project mode" : "single-pile mode");
            ASSERT_TRUE(choose(s.command));
            QApplication::processEvents();
            const QString before = Printed();
            const QString shown =
                ShownOnReportPage(project ? CProRepSetPage::kFormat : CSglRepSetPage::kLanguage);
            const QString after = Printed();
            if (project) {
                EXPECT_EQ(shown, s.english ? QStringLiteral("活动英文") : QStringLiteral("活动中文"));
                for (const QString& page : {before, after}) {
                    EXPECT_EQ(ProjectEnglish(page), s.english) << page.toStdString();
                    EXPECT_EQ(ProjectChinese(page), !s.english) << page.toStdString();
                }
            } else {
                EXPECT_EQ(shown, s.english ? QStringLiteral("英文") : QStringLiteral("中文"));
                for (const QString& page : {before, after}) {
                    EXPECT_EQ(SinglePileEnglish(page), s.english) << page.toStdString();
                    EXPECT_EQ(SinglePileChinese(page), !s.english) << page.toStdString();
                }
            }
            ASSERT_TRUE(choose(cmd::kReportBack));
            QApplication::processEvents();
        }
        EndSession();
    }
}

// The question that offers to match the format to the interface changes
// nothing before OK: 取消 leaves format and language together, 否 keeps the
// English format that prints, 是 and OK print Chinese.
TEST_F(ReportLanguage, ProjectFormatQuestionStoresBothOrNeither) {
    ASSERT_NO_FATAL_FAILURE(StartSession(false));
    ASSERT_TRUE(choose(cmd::kProjectReport));
    QApplication::processEvents();
    EXPECT_TRUE(ProjectChinese(Printed()));
    EXPECT_EQ(SetProjectFormat(2, true), QStringLiteral("活动中文"));
    EXPECT_TRUE(ProjectEnglish(Printed()));

    const struct {
        const char* what;
        int answer;
        bool ok;
        const char* shown;
        bool english; // what prints afterwards
    } steps[] = {
        {"是, 取消", IDYES, false, "活动中文", true},
        {"否, 取消", IDNO, false, "活动英文", true},
        {"否, 确定", IDNO, true, "活动英文", true},
        {"是, 确定", IDYES, true, "活动中文", false},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.what);
        sink.shown.clear();
        sink.answers = {s.answer};
        EXPECT_EQ(SetProjectFormat(-1, s.ok), QString::fromUtf8(s.shown));
        ASSERT_EQ(sink.shown.size(), 1u);
        EXPECT_EQ(sink.shown[0].text, QStringLiteral("工程报告格式与软件当前语言不一致，是否自动调整？"));
        const QString page = Printed();
        EXPECT_EQ(ProjectEnglish(page), s.english) << page.toStdString();
        EXPECT_EQ(ProjectChinese(page), !s.english) << page.toStdString();
        EXPECT_EQ(doc->m_PrintSettings.m_bLanguage, s.english ? 1 : 0);
    }
    // Matched now: no question, and the page shows what prints.
    sink.shown.clear();
    EXPECT_EQ(SetProjectFormat(-1, false), QStringLiteral("活动中文"));
    EXPECT_TRUE(sink.shown.empty());
}

} // namespace pit::test
