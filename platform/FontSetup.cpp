#include "platform/FontSetup.h"

#include <QFont>

namespace pit {

namespace {

struct Substitution {
    const char16_t* face;
    const char16_t* latin;
    const char16_t* first;
    const char16_t* second;
};

// Song and Fang Song faces are serif, Hei and YaHei sans; Kai has no
// installed match and takes the serif face. Arial, Times New Roman and
// Courier New have metric-compatible Liberation faces. The Chinese faces
// take their Latin letters and digits from a Latin face: with a CJK face
// first, Qt's PDF text layer loses digits that follow Latin letters ("ZK6",
// "C40", "JGJ 106-2014" read "ZK", "C", "JGJ -").
constexpr Substitution kSubstitutions[] = {
    {u"宋体", u"Liberation Serif", u"Noto Serif CJK SC", u"Noto Sans CJK SC"},
    {u"SimSun", u"Liberation Serif", u"Noto Serif CJK SC", u"Noto Sans CJK SC"},
    {u"新宋体", u"Liberation Serif", u"Noto Serif CJK SC", u"Noto Sans CJK SC"},
    {u"NSimSun", u"Liberation Serif", u"Noto Serif CJK SC", u"Noto Sans CJK SC"},
    {u"仿宋", u"Liberation Serif", u"Noto Serif CJK SC", u"Noto Sans CJK SC"},
    {u"FangSong", u"Liberation Serif", u"Noto Serif CJK SC", u"Noto Sans CJK SC"},
    {u"仿宋_GB2312", u"Liberation Serif", u"Noto Serif CJK SC", u"Noto Sans CJK SC"},
    {u"楷体", u"Liberation Serif", u"Noto Serif CJK SC", u"Noto Sans CJK SC"},
    {u"KaiTi", u"Liberation Serif", u"Noto Serif CJK SC", u"Noto Sans CJK SC"},
    {u"楷体_GB2312", u"Liberation Serif", u"Noto Serif CJK SC", u"Noto Sans CJK SC"},
    {u"黑体", u"Liberation Sans", u"Noto Sans CJK SC", u"Noto Serif CJK SC"},
    {u"SimHei", u"Liberation Sans", u"Noto Sans CJK SC", u"Noto Serif CJK SC"},
    {u"微软雅黑", u"Liberation Sans", u"Noto Sans CJK SC", u"Noto Serif CJK SC"},
    {u"Microsoft YaHei", u"Liberation Sans", u"Noto Sans CJK SC", u"Noto Serif CJK SC"},
    {u"Arial", u"Liberation Sans", u"Noto Sans CJK SC", u"Noto Serif CJK SC"},
    {u"Times New Roman", u"Liberation Serif", u"Noto Serif CJK SC", u"Noto Sans CJK SC"},
    {u"Courier New", u"Liberation Mono", u"Noto Sans Mono CJK SC", u"Noto Sans CJK SC"},
};

QStringList Families(const Substitution& s) {
    return {QString::fromUtf16(s.latin), QString::fromUtf16(s.first), QString::fromUtf16(s.second)};
}

} // namespace

QStringList FontSubstitutesFor(const QString& face) {
    for (const Substitution& s : kSubstitutions)
        if (face.compare(QString::fromUtf16(s.face), Qt::CaseInsensitive) == 0)
            return Families(s);
    return {};
}

void RegisterFontSubstitutions() {
    static bool done = false;
    if (done)
        return;
    done = true;
    for (const Substitution& s : kSubstitutions)
        QFont::insertSubstitutions(QString::fromUtf16(s.face), Families(s));
}

} // namespace pit
