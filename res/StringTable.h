// The program's own string table (the Chinese texts). A language file's
// section "String" replaces them by id; res/English.lng holds every one.
#pragma once

#include "res/ids.h"

#include <QString>
#include <map>

namespace pit::res {

inline std::map<unsigned, QString> BuiltinStrings() {
    return {
        {ids::IDS_LANGUAGE_PROMPT, QStringLiteral("选择界面语言，下次启动时生效")},
    };
}

} // namespace pit::res
