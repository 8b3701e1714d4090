#include "core/project/NaturalOrder.h"

namespace pit {

namespace {

bool isDigit(QChar c) {
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

// The end of the run of the class of s[from] (digits or anything else).
qsizetype runEnd(const QString& s, qsizetype from) {
    const bool digits = isDigit(s[from]);
    qsizetype i = from;
    while (i < s.size() && isDigit(s[i]) == digits)
        ++i;
    return i;
}

// Digit runs by value without any limit: leading zeros dropped, then the
// longer run is the larger, then the digits decide.
int compareDigitRuns(QStringView a, QStringView b) {
    auto strip = [](QStringView v) {
        qsizetype k = 0;
        while (k < v.size() - 1 && v[k] == u'0')
            ++k;
        return v.mid(k);
    };
    const QStringView x = strip(a), y = strip(b);
    if (x.size() != y.size())
        return x.size() < y.size() ? -1 : 1;
    const int c = x.compare(y, Qt::CaseSensitive);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

} // namespace

int CompareNatural(const QString& a, const QString& b) {
    if (a.isEmpty() || b.isEmpty())
        return a.isEmpty() ? (b.isEmpty() ? 0 : -1) : 1;
    const bool da = isDigit(a[0]), db = isDigit(b[0]);
    if (da != db)
        return da ? -1 : 1;
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        // Runs alternate in class, and the first runs share theirs, so the
        // runs at the same position are always of the same class.
        const qsizetype ie = runEnd(a, i), je = runEnd(b, j);
        const QStringView ra = QStringView(a).mid(i, ie - i), rb = QStringView(b).mid(j, je - j);
        int c;
        if (isDigit(a[i])) {
            c = compareDigitRuns(ra, rb);
        } else {
            c = ra.compare(rb, Qt::CaseSensitive);
            c = c < 0 ? -1 : (c > 0 ? 1 : 0);
        }
        if (c != 0)
            return c;
        i = ie;
        j = je;
    }
    if (i < a.size())
        return 1;
    if (j < b.size())
        return -1;
    return 0;
}

bool CompareFileNamesNatural(const QString& a, const QString& b) {
    const int c = CompareNatural(a, b);
    return c != 0 ? c < 0 : a < b;
}

} // namespace pit
