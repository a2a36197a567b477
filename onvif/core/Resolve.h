// A host name or dotted quad to the IPv4 address the socket layer takes.
// The system's resolver cannot be interrupted, so a name is looked up on a
// thread of its own and waited for only until the caller's deadline or
// abort; a lookup that outlasts it ends on its own later.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

namespace zv::onvif {

// Dotted quads pass as they are; names go through the resolver. false when
// nothing came by deadlineMs (the monotonic clock, Clock.h) or *abort.
bool ResolveIPv4(const std::string& host, std::string& dotted, int64_t deadlineMs,
                 const std::atomic<bool>* abort = nullptr);

// Tests: the look-up itself (blocking; false when the name is unknown).
using NameLookup = bool (*)(const std::string& host, std::string& dotted);
void SetNameLookup(NameLookup lookup);

}  // namespace zv::onvif
