// Time as the web services write it: the device's calendar clock from its
// date-and-time answer, and xs:dateTime for the login token's Created.
#pragma once

#include <cstdint>
#include <string>

namespace zv::onvif {

// Seconds since 1970 UTC of a civil UTC time; false outside 1970..9999 or
// for fields out of range.
bool CivilToUnix(int year, int month, int day, int hour, int minute, int second, double& out);
// "YYYY-MM-DDTHH:MM:SS.mmmZ".
std::string FormatDateTime(double unixSeconds);

}  // namespace zv::onvif
