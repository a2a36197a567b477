// A host name or dotted quad to the IPv4 address the socket layer takes.
#pragma once

#include <string>

namespace zv::onvif {

// Dotted quads pass as they are; names go through the system's resolver.
bool ResolveIPv4(const std::string& host, std::string& dotted);

}  // namespace zv::onvif
