#ifndef ESF_TIME_H
#define ESF_TIME_H

#include <time.h>

namespace esf {

// A time value in whole seconds, plus the clock reads the Modbus master uses.
class Time {
public:
    Time();
    explicit Time(time_t seconds);
    Time(int year, int month, int day, int hour, int minute, int second);
    virtual ~Time() {}

    // Wall clock in milliseconds; 0.0 when the clock cannot be read. For time stamps only.
    static double getCurrentTimeMillis();
    // Monotonic milliseconds: what intervals are measured on, so a clock step cannot
    // shorten or stretch them.
    static double getMonotonicMillis();

    time_t getTime() const { return m_time; }
    int GetYear() const;
    int GetMonth() const;
    int GetDay() const;
    int GetHour() const;
    int GetMinute() const;
    int GetSecond() const;
    // strftime into buf; buf is left empty when it is too short. Returns the length written.
    int format(const char* fmt, char* buf, int len) const;
    static int format(const char* fmt, char* buf, int len, int year, int month, int day, int hour,
        int minute, int second);
    static int getCurrentTimeString(const char* fmt, char* buf, int len);

private:
    struct tm local() const;
    time_t m_time;
};

}

#endif
