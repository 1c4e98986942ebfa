#include "esf/time.h"

#include "timeseam.h"

#include <string.h>

namespace esf {

namespace {
const int kFormatLimit = 128;

int formatTm(const char* fmt, const struct tm& tm, char* buf, int len)
{
    if (!fmt || !buf || len < 1)
        return 0;
    char tmp[kFormatLimit];
    size_t n = strftime(tmp, sizeof tmp, fmt, &tm);
    buf[0] = '\0';
    if (n == 0 || (int)n >= len)
        return 0;
    memcpy(buf, tmp, n + 1);
    return (int)n;
}
}

Time::Time() : m_time(TimeSeam::wallTime())
{
}

Time::Time(time_t seconds) : m_time(seconds)
{
}

Time::Time(int year, int month, int day, int hour, int minute, int second)
{
    struct tm tm;
    memset(&tm, 0, sizeof tm);
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    m_time = mktime(&tm);
}

double Time::getCurrentTimeMillis()
{
    return (double)TimeSeam::wallMs();
}

double Time::getMonotonicMillis()
{
    return (double)TimeSeam::monotonicMs();
}

struct tm Time::local() const
{
    struct tm tm;
    memset(&tm, 0, sizeof tm);
    localtime_r(&m_time, &tm);
    return tm;
}

int Time::GetYear() const { return local().tm_year + 1900; }
int Time::GetMonth() const { return local().tm_mon + 1; }
int Time::GetDay() const { return local().tm_mday; }
int Time::GetHour() const { return local().tm_hour; }
int Time::GetMinute() const { return local().tm_min; }
int Time::GetSecond() const { return local().tm_sec; }

int Time::format(const char* fmt, char* buf, int len) const
{
    return formatTm(fmt, local(), buf, len);
}

int Time::format(const char* fmt, char* buf, int len, int year, int month, int day, int hour, int minute,
    int second)
{
    return Time(year, month, day, hour, minute, second).format(fmt, buf, len);
}

int Time::getCurrentTimeString(const char* fmt, char* buf, int len)
{
    return Time().format(fmt, buf, len);
}

}
