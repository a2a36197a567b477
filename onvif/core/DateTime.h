// Time as the web services write it: the device's calendar clock from its
// date-and-time answer, and xs:dateTime for the login token's Created.
#pragma once

#include "DateTimeText.h"

namespace zv::onvif {

using proto::CivilToUnix;
using proto::FormatDateTime;

}  // namespace zv::onvif
