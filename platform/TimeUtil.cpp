#include "platform/TimeUtil.h"

#include <QTimeZone>
#include <cstdio>
#include <ctime>

namespace pit {

void PinLocalTimeZone() {
    if (qEnvironmentVariableIsSet("TZ"))
        return;
    // The C library's and Qt's name for the system's own zone.
    qputenv("TZ", ":/etc/localtime");
    tzset();
}

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

QString LocalDateTimeText(const QDateTime& t) {
    if (!t.isValid())
        return {};
    const qint64 ms = t.toMSecsSinceEpoch();
    const time_t secs = time_t(ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000));
    struct tm tm {};
    if (!localtime_r(&secs, &tm))
        return {};
    char buf[48];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", tm.tm_year + 1900, tm.tm_mon + 1,
                  tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
    return QString::fromLatin1(buf);
}

bool IsLaterThanTimeLimit(const QDateTime& t) {
    static const QDateTime limit(QDate(2038, 1, 18), QTime(19, 14, 7));
    return t > limit;
}

} // namespace pit
