#include "platform/TimeUtil.h"

#include <QTimeZone>

namespace pit {

QDateTime utcSecondsToLocal(int64_t seconds) {
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::LocalTime);
}

int64_t localToUtcSeconds(const QDateTime& local) {
    return local.toSecsSinceEpoch();
}

bool IsValidTimeValue(QDateTime& out, int32_t value) {
    if (value == 0)
        return false;
    const QDateTime t = utcSecondsToLocal(value);
    const QDate d = t.date();
    const QTime tm = t.time();
    if (!t.isValid() || d.year() < 1970 || d.year() > 2038 || d.month() < 1 || d.month() > 12 ||
        d.day() < 1 || d.day() > 31 || tm.hour() > 24 || tm.minute() > 60 || tm.second() > 60)
        return false;
    out = t;
    return true;
}

} // namespace pit
