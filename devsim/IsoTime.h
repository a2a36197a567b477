// The web services' time formats, shared with the network library's
// web-service build.
#pragma once

#include "DateTimeText.h"

namespace zv::devsim {

using proto::CivilTime;
using proto::FormatDateTime;
using proto::ParseDateTime;
using proto::ParseDuration;
using proto::ToCivil;

}  // namespace zv::devsim
