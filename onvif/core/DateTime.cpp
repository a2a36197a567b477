#include "DateTime.h"

#include <cmath>
#include <cstdio>

namespace zv::onvif {

namespace {
// Days since 1970-01-01 of a proleptic Gregorian date.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}
bool Leap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }
}  // namespace

bool CivilToUnix(int year, int month, int day, int hour, int minute, int second, double& out) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1970 || year > 9999 || month < 1 || month > 12 || day < 1 || hour < 0 ||
        hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 60)
        return false;
    const int dim = kDays[month - 1] + (month == 2 && Leap(year) ? 1 : 0);
    if (day > dim) return false;
    out = static_cast<double>(DaysFromCivil(year, static_cast<unsigned>(month),
                                            static_cast<unsigned>(day)) * 86400 +
                              hour * 3600 + minute * 60 + second);
    return true;
}

std::string FormatDateTime(double t) {
    if (!(t >= 0)) t = 0;
    int64_t ms = static_cast<int64_t>(std::llround(t * 1000));
    int64_t secs = ms / 1000;
    const int milli = static_cast<int>(ms % 1000);
    int64_t days = secs / 86400;
    const int64_t rem = secs % 86400;
    // Civil from days (the inverse of DaysFromCivil).
    days += 719468;
    const int64_t era = days / 146097;
    const unsigned doe = static_cast<unsigned>(days - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    int64_t y = static_cast<int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    y += m <= 2;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02u-%02uT%02d:%02d:%02d.%03dZ", static_cast<int>(y), m, d,
                  static_cast<int>(rem / 3600), static_cast<int>(rem / 60 % 60),
                  static_cast<int>(rem % 60), milli);
    return buf;
}

}  // namespace zv::onvif
