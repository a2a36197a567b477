#include "DateTimeText.h"

#include <cmath>
#include <cstdio>

namespace zv::proto {

namespace {

// Days since 1970-01-01 of a civil date (Howard Hinnant's algorithm).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

bool Digits(const std::string& s, size_t& p, int n, int& out) {
    out = 0;
    for (int i = 0; i < n; ++i, ++p) {
        if (p >= s.size() || s[p] < '0' || s[p] > '9') return false;
        out = out * 10 + (s[p] - '0');
    }
    return true;
}

bool Expect(const std::string& s, size_t& p, char c) {
    if (p >= s.size() || s[p] != c) return false;
    ++p;
    return true;
}

int DaysInMonth(int y, int m) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return m == 2 && leap ? 29 : kDays[m - 1];
}

}  // namespace

bool CivilToUnix(int year, int month, int day, int hour, int minute, int second, double& out) {
    if (year < 1970 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) ||
        hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 60)
        return false;
    const int64_t days = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
    out = static_cast<double>(days * 86400 + hour * 3600 + minute * 60 + second);
    return true;
}

bool ParseDateTime(const std::string& s, double& out) {
    if (s.size() > 40) return false;
    size_t p = 0;
    int y, mo, d, h, mi, sec;
    if (!Digits(s, p, 4, y) || !Expect(s, p, '-') || !Digits(s, p, 2, mo) || !Expect(s, p, '-') ||
        !Digits(s, p, 2, d) || !Expect(s, p, 'T') || !Digits(s, p, 2, h) || !Expect(s, p, ':') ||
        !Digits(s, p, 2, mi) || !Expect(s, p, ':') || !Digits(s, p, 2, sec))
        return false;
    if (y < 1970 || mo < 1 || mo > 12 || d < 1 || d > DaysInMonth(y, mo) || h > 23 || mi > 59 ||
        sec > 60)
        return false;
    double frac = 0;
    if (p < s.size() && s[p] == '.') {
        ++p;
        double scale = 0.1;
        const size_t start = p;
        while (p < s.size() && s[p] >= '0' && s[p] <= '9') {
            if (p - start < 9) frac += (s[p] - '0') * scale;
            scale /= 10;
            ++p;
        }
        if (p == start) return false;
    }
    int offset = 0;
    if (p < s.size() && s[p] == 'Z') {
        ++p;
    } else if (p < s.size() && (s[p] == '+' || s[p] == '-')) {
        const int sign = s[p++] == '-' ? -1 : 1;
        int oh, om;
        if (!Digits(s, p, 2, oh) || !Expect(s, p, ':') || !Digits(s, p, 2, om) || oh > 14 ||
            om > 59)
            return false;
        offset = sign * (oh * 3600 + om * 60);
    }
    if (p != s.size()) return false;
    const int64_t days = DaysFromCivil(y, static_cast<unsigned>(mo), static_cast<unsigned>(d));
    out = static_cast<double>(days * 86400 + h * 3600 + mi * 60 + sec - offset) + frac;
    return true;
}

CivilTime ToCivil(double unixSeconds) {
    const int64_t t = static_cast<int64_t>(std::floor(unixSeconds));
    const int64_t days = t >= 0 ? t / 86400 : (t - 86399) / 86400;
    const int64_t secs = t - days * 86400;
    const int64_t z = days + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    CivilTime c;
    c.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    c.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    c.year = static_cast<int>(yoe + era * 400 + (c.month <= 2 ? 1 : 0));
    c.hour = static_cast<int>(secs / 3600);
    c.minute = static_cast<int>(secs / 60 % 60);
    c.second = static_cast<int>(secs % 60);
    return c;
}

std::string FormatDateTime(double unixSeconds) {
    const CivilTime c = ToCivil(unixSeconds);
    const int ms = static_cast<int>((unixSeconds - std::floor(unixSeconds)) * 1000) % 1000;
    char buf[40];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", c.year, c.month, c.day,
                  c.hour, c.minute, c.second, ms);
    return buf;
}

bool ParseDuration(const std::string& s, double& out) {
    if (s.size() < 3 || s.size() > 40 || s[0] != 'P') return false;
    size_t p = 1;
    bool timePart = false, any = false;
    double total = 0;
    char lastUnit = 0;
    // Units in their order; each at most once.
    const std::string dateUnits = "D", timeUnits = "HMS";
    while (p < s.size()) {
        if (s[p] == 'T') {
            if (timePart) return false;
            timePart = true;
            lastUnit = 0;
            ++p;
            if (p == s.size()) return false;
            continue;
        }
        const size_t start = p;
        double v = 0;
        while (p < s.size() && s[p] >= '0' && s[p] <= '9') {
            if (p - start >= 9) return false;
            v = v * 10 + (s[p] - '0');
            ++p;
        }
        if (p == start) return false;
        if (p < s.size() && s[p] == '.') {
            ++p;
            double scale = 0.1;
            const size_t fs = p;
            while (p < s.size() && s[p] >= '0' && s[p] <= '9') {
                if (p - fs < 9) v += (s[p] - '0') * scale;
                scale /= 10;
                ++p;
            }
            if (p == fs || p >= s.size() || s[p] != 'S') return false;
        }
        if (p >= s.size()) return false;
        const char unit = s[p++];
        const std::string& allowed = timePart ? timeUnits : dateUnits;
        const size_t idx = allowed.find(unit);
        if (idx == std::string::npos) return false;
        if (lastUnit && allowed.find(lastUnit) >= idx) return false;
        lastUnit = unit;
        any = true;
        switch (unit) {
        case 'D': total += v * 86400; break;
        case 'H': total += v * 3600; break;
        case 'M': total += v * 60; break;
        case 'S': total += v; break;
        }
    }
    if (!any) return false;
    out = total;
    return true;
}

}  // namespace zv::proto
