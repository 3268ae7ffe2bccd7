// Built-in date and time functions. A date-time is a real count of days since 30 Dec 1899,
// the time of day being the fraction (for negative counts the fraction still counts
// forward from midnight of the day the integer part names). Dates run from 1 Jan 0001 to
// 31 Dec 9999; anything outside fails with a clear error.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

#include "base/cp932.h"
#include "base/error.h"
#include "vars/param.h"
#include "vars/sys_func_impl.h"

namespace vesk {

namespace {

constexpr int64_t kMsPerDay = 86400000;
// Day number of 30 Dec 1899 counted with 1 Jan 0001 as day 1.
constexpr int64_t kDateDelta = 693594;
// Day number of 31 Dec 9999.
constexpr int64_t kLastDay = 3652059;

bool IsLeap(int64_t y) {
    return y % 4 == 0 && (y % 100 != 0 || y % 400 == 0);
}

int DaysInMonth(int64_t y, int64_t m) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return kDays[m - 1] + (m == 2 && IsLeap(y) ? 1 : 0);
}

struct DateTimeParts {
    int32_t year, month, day, hour, minute, second, week;  // week: 1 = Sunday
};

[[noreturn]] void BadDate(SysFuncCall& c, const std::string& what) {
    Fail(std::string(kSysFuncs[c.index].name) + ": invalid date " + what);
}

std::string RealText(Real v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15Lg", v);
    return buf;
}

// Splits a day count into its parts. The value is first rounded to whole milliseconds, so
// a time a hair before midnight carries into the next day.
DateTimeParts Decode(SysFuncCall& c, Real v) {
    Real msReal = std::nearbyint(v * Real(kMsPerDay));
    constexpr Real kLimit = Real(kLastDay + 1) * Real(kMsPerDay);
    if (!(std::fabs(msReal) < kLimit)) BadDate(c, RealText(v));
    auto ms = int64_t(msReal);
    int64_t absMs = ms < 0 ? -ms : ms;
    int64_t day = (ms < 0 ? -(absMs / kMsPerDay) : absMs / kMsPerDay) + kDateDelta;
    int64_t time = absMs % kMsPerDay;
    if (day < 1 || day > kLastDay) BadDate(c, RealText(v));

    DateTimeParts p{};
    p.week = int32_t(day % 7 + 1);
    // Day number to year, month and day by whole 400-, 100-, 4- and 1-year cycles.
    int64_t t = day - 1;
    int64_t y = 1;
    y += 400 * (t / 146097);
    t %= 146097;
    int64_t c100 = t / 36524;
    if (c100 == 4) c100 = 3;  // the last day of a 400-year cycle
    y += 100 * c100;
    t -= c100 * 36524;
    y += 4 * (t / 1461);
    t %= 1461;
    int64_t c1 = t / 365;
    if (c1 == 4) c1 = 3;  // the last day of a 4-year cycle
    y += c1;
    t -= c1 * 365;
    int64_t m = 1;
    while (t >= DaysInMonth(y, m)) t -= DaysInMonth(y, m++);
    p.year = int32_t(y);
    p.month = int32_t(m);
    p.day = int32_t(t + 1);
    p.hour = int32_t(time / 3600000);
    p.minute = int32_t(time / 60000 % 60);
    p.second = int32_t(time / 1000 % 60);
    return p;
}

void FnEncodeDate(SysFuncCall& c) {
    int64_t y = c.Arg(0).AsInt(), m = c.Arg(1).AsInt(), d = c.Arg(2).AsInt();
    if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1 || d > DaysInMonth(y, m))
        BadDate(c, std::to_string(y) + "/" + std::to_string(m) + "/" + std::to_string(d));
    int64_t days = d;
    for (int64_t k = 1; k < m; ++k) days += DaysInMonth(y, k);
    int64_t prev = y - 1;
    days += prev * 365 + prev / 4 - prev / 100 + prev / 400;
    c.dest.SetFloat(Real(days - kDateDelta));
}

void FnEncodeTime(SysFuncCall& c) {
    int64_t h = c.Arg(0).AsInt(), m = c.Arg(1).AsInt(), s = c.Arg(2).AsInt();
    if (h < 0 || h > 23 || m < 0 || m > 59 || s < 0 || s > 59)
        Fail("EncodeTime: invalid time " + std::to_string(h) + ":" + std::to_string(m) + ":" +
             std::to_string(s));
    c.dest.SetFloat(Real(h * 3600000 + m * 60000 + s * 1000) / Real(kMsPerDay));
}

void FnDecodeDate(SysFuncCall& c) {
    DateTimeParts p = Decode(c, c.Arg(0).AsFloat());
    c.Arg(1).SetInt(p.year);
    c.Arg(2).SetInt(p.month);
    c.Arg(3).SetInt(p.day);
}

void FnDecodeTime(SysFuncCall& c) {
    DateTimeParts p = Decode(c, c.Arg(0).AsFloat());
    c.Arg(1).SetInt(p.hour);
    c.Arg(2).SetInt(p.minute);
    c.Arg(3).SetInt(p.second);
}

template <int32_t DateTimeParts::*Field>
void FnGetPart(SysFuncCall& c) {
    c.dest.SetInt(Decode(c, c.Arg(0).AsFloat()).*Field);
}

void FnGetWeekStr(SysFuncCall& c) {
    static constexpr const char* kNames[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                              "Thursday", "Friday", "Saturday"};
    c.dest.SetStr(kNames[Decode(c, c.Arg(0).AsFloat()).week - 1]);
}

void FnGetWeekJStr(SysFuncCall& c) {
    // One double-byte character per day, Sunday first.
    const std::string& names = VESK_JP("日月火水木金土");
    size_t k = size_t(Decode(c, c.Arg(0).AsFloat()).week - 1);
    c.dest.SetStr(names.substr(k * 2, 2));
}

}  // namespace

void AddDateFuncs(SysFnTable& t) {
    t[SF_ENCODEDATE] = FnEncodeDate;
    t[SF_ENCODETIME] = FnEncodeTime;
    t[SF_DECODEDATE] = FnDecodeDate;
    t[SF_DECODETIME] = FnDecodeTime;
    t[SF_GETYEAR] = FnGetPart<&DateTimeParts::year>;
    t[SF_GETMONTH] = FnGetPart<&DateTimeParts::month>;
    t[SF_GETDAY] = FnGetPart<&DateTimeParts::day>;
    t[SF_GETHOUR] = FnGetPart<&DateTimeParts::hour>;
    t[SF_GETMIN] = FnGetPart<&DateTimeParts::minute>;
    t[SF_GETSEC] = FnGetPart<&DateTimeParts::second>;
    t[SF_GETWEEK] = FnGetPart<&DateTimeParts::week>;
    t[SF_GETWEEKSTR] = FnGetWeekStr;
    t[SF_GETWEEKJSTR] = FnGetWeekJStr;
}

}  // namespace vesk
