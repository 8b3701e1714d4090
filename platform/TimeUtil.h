// Header times are UTC seconds since 1970, shown in local time.
#pragma once

#include <QDateTime>
#include <cstdint>

namespace pit {

// Local times follow /etc/localtime. While TZ is unset the C library looks
// that file up again at every local conversion (a file-system call each);
// naming the same zone in TZ keeps it and spares the look-ups. A TZ that is
// set stays. For the start of main, before any thread runs.
void PinLocalTimeZone();

QDateTime utcSecondsToLocal(int64_t seconds);
int64_t localToUtcSeconds(const QDateTime& local);

// False for 0 and for a value whose local time lies outside 1970..2038
// (or has fields out of range); else the local time goes to out.
bool IsValidTimeValue(QDateTime& out, int32_t value);

// Whether a test date lies past the last second a header time can hold
// (2038-01-18 19:14:07 local time).
bool IsLaterThanTimeLimit(const QDateTime& t);

// "yyyy-MM-dd HH:mm:ss" of the instant t in local time, whatever its time
// zone setting; empty for an invalid t. The C library converts it with the zone it
// loaded first, without the reload of the zone that every local QDateTime
// costs (a file-system look-up each).
QString LocalDateTimeText(const QDateTime& t);

} // namespace pit
