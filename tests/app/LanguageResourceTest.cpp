#include "controls/CtrlId.h"
#include "core/doc/LanguageFiles.h"
#include "reportmode/ExportForm.h"
#include "reportmode/ExportView.h"
#include "mainwnd/KEVInputDlg.h"
#include "reportmode/LinkCodeInput.h"
#include "mainwnd/PITDataConvertDlg.h"
#include "res/StringTable.h"

#include <QAbstractButton>
#include <QFile>
#include <QGroupBox>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

using namespace pit;

namespace {

IniFile englishFile() {
    IniFile lng;
    EXPECT_TRUE(lng.load(QStringLiteral(PIT_RES_DIR "/English.lng")));
    return lng;
}

} // namespace

// Every text of the program's own string table has its English text, and
// the build puts the language file beside the program.
TEST(EnglishLanguageFile, CarriesEveryStringIdOfTheProgram) {
    const QString path = QStringLiteral(PIT_RES_DIR "/English.lng");
    EXPECT_EQ(LanguageFiles::FileLanguage(path), LanguageFiles::kEnglish);
    const IniFile lng = englishFile();
    for (const auto& [id, chinese] : res::BuiltinStrings())
        EXPECT_FALSE(lng.readString(QStringLiteral("String"), QString::number(id)).isEmpty())
            << "no English text for string " << id << " (" << chinese.toStdString() << ")";

    QFile installed(QStringLiteral(PIT_BIN_DIR "/English.lng"));
    QFile source(path);
    ASSERT_TRUE(installed.open(QIODevice::ReadOnly));
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    EXPECT_EQ(installed.readAll(), source.readAll());
}

// Every dialog of the program (add new ones to the list): its caption and
// each numbered button, check box, radio button and group box have a key in
// the dialog's section.
TEST(EnglishLanguageFile, CarriesEveryControlTextOfTheDialogs) {
    const std::vector<std::function<std::unique_ptr<QWidget>()>> dialogs = {
        [] { return std::make_unique<CKEVInputDlg>(QStringLiteral("/x/A.KEV"), KevInputSettings{}); },
        [] { return std::make_unique<CPITDataConvertDlg>(); },
        [] { return std::make_unique<CLinkCodeInput>(QString(), QString()); },
        [] { return std::make_unique<CExportView>(nullptr, nullptr); },
        [] { return std::make_unique<CExportForm>(nullptr); },
    };
    const IniFile lng = englishFile();
    for (const auto& make : dialogs) {
        const std::unique_ptr<QWidget> dlg = make();
        const QString section = QString::number(CtrlId(dlg.get()));
        ASSERT_NE(section, QStringLiteral("0"));
        EXPECT_FALSE(lng.readString(section, section).isEmpty())
            << "caption of dialog " << section.toStdString();
        for (QWidget* w : dlg->findChildren<QWidget*>()) {
            const int id = CtrlId(w);
            const bool hasText =
                (qobject_cast<QAbstractButton*>(w) && !qobject_cast<QAbstractButton*>(w)->text().isEmpty()) ||
                (qobject_cast<QGroupBox*>(w) && !qobject_cast<QGroupBox*>(w)->title().isEmpty());
            if (id != 0 && hasText)
                EXPECT_FALSE(lng.readString(section, QString::number(id)).isEmpty())
                    << "dialog " << section.toStdString() << ", control " << id;
        }
    }
}
