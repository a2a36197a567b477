// The two time formats of the web services (the simulator's face and the
// web-service build of the network library): xs:dateTime ("2024-05-01T12:00:00Z",
// fractions and offsets allowed) and xs:duration ("PT5S", "PT0.5S", "P1DT2H").
#pragma once

#include <cstdint>
#include <string>

namespace zv::proto {

// Seconds since 1970-01-01 UTC; a time without zone counts as UTC. false on
// anything malformed or outside years 1970..9999.
bool ParseDateTime(const std::string& text, double& unixSeconds);
// Seconds since 1970 UTC of a civil UTC time; false outside 1970..9999 or
// for fields out of range.
bool CivilToUnix(int year, int month, int day, int hour, int minute, int second, double& out);
// "YYYY-MM-DDTHH:MM:SS.mmmZ" (UTC).
std::string FormatDateTime(double unixSeconds);
// Calendar fields of a UTC time, for the device's date and time reply.
struct CivilTime {
    int year, month, day, hour, minute, second;
};
CivilTime ToCivil(double unixSeconds);
// A duration in seconds: days, hours, minutes and seconds (with a fraction);
// years and months, negative and empty durations are refused.
bool ParseDuration(const std::string& text, double& seconds);

}  // namespace zv::proto
