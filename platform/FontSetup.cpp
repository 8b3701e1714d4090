#include "platform/FontSetup.h"

#include <QFont>

namespace pit {

namespace {

struct Substitution {
    const char16_t* face;
    const char16_t* first;
    const char16_t* second;
};

// Song and Fang Song faces are serif, Hei and YaHei sans; Kai has no
// installed match and takes the serif face. Arial, Times New Roman and
// Courier New have metric-compatible Liberation faces.
constexpr Substitution kSubstitutions[] = {
    {u"宋体", u"Noto Serif CJK SC", u"Noto Sans CJK SC"},
    {u"SimSun", u"Noto Serif CJK SC", u"Noto Sans CJK SC"},
    {u"新宋体", u"Noto Serif CJK SC", u"Noto Sans CJK SC"},
    {u"NSimSun", u"Noto Serif CJK SC", u"Noto Sans CJK SC"},
    {u"仿宋", u"Noto Serif CJK SC", u"Noto Sans CJK SC"},
    {u"FangSong", u"Noto Serif CJK SC", u"Noto Sans CJK SC"},
    {u"仿宋_GB2312", u"Noto Serif CJK SC", u"Noto Sans CJK SC"},
    {u"楷体", u"Noto Serif CJK SC", u"Noto Sans CJK SC"},
    {u"KaiTi", u"Noto Serif CJK SC", u"Noto Sans CJK SC"},
    {u"楷体_GB2312", u"Noto Serif CJK SC", u"Noto Sans CJK SC"},
    {u"黑体", u"Noto Sans CJK SC", u"Noto Serif CJK SC"},
    {u"SimHei", u"Noto Sans CJK SC", u"Noto Serif CJK SC"},
    {u"微软雅黑", u"Noto Sans CJK SC", u"Noto Serif CJK SC"},
    {u"Microsoft YaHei", u"Noto Sans CJK SC", u"Noto Serif CJK SC"},
    {u"Arial", u"Liberation Sans", u"Noto Sans CJK SC"},
    {u"Times New Roman", u"Liberation Serif", u"Noto Serif CJK SC"},
    {u"Courier New", u"Liberation Mono", u"Noto Sans Mono CJK SC"},
};

} // namespace

QStringList FontSubstitutesFor(const QString& face) {
    for (const Substitution& s : kSubstitutions)
        if (face.compare(QString::fromUtf16(s.face), Qt::CaseInsensitive) == 0)
            return {QString::fromUtf16(s.first), QString::fromUtf16(s.second)};
    return {};
}

void RegisterFontSubstitutions() {
    static bool done = false;
    if (done)
        return;
    done = true;
    for (const Substitution& s : kSubstitutions)
        QFont::insertSubstitutions(QString::fromUtf16(s.face),
                                   {QString::fromUtf16(s.first), QString::fromUtf16(s.second)});
}

} // namespace pit
