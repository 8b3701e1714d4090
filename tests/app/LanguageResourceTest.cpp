#include "core/LanguageFiles.h"
#include "res/StringTable.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace pit;

// Every text of the program's own string table has its English text, and
// the build puts the language file beside the program.
TEST(EnglishLanguageFile, CarriesEveryStringIdOfTheProgram) {
    const QString path = QStringLiteral(PIT_RES_DIR "/English.lng");
    EXPECT_EQ(LanguageFiles::FileLanguage(path), LanguageFiles::kEnglish);
    IniFile lng;
    ASSERT_TRUE(lng.load(path));
    for (const auto& [id, chinese] : res::BuiltinStrings())
        EXPECT_FALSE(lng.readString(QStringLiteral("String"), QString::number(id)).isEmpty())
            << "no English text for string " << id << " (" << chinese.toStdString() << ")";

    QFile installed(QStringLiteral(PIT_BIN_DIR "/English.lng"));
    QFile source(path);
    ASSERT_TRUE(installed.open(QIODevice::ReadOnly));
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    EXPECT_EQ(installed.readAll(), source.readAll());
}
