// SOAP 1.2 envelopes as the device services take them, signed with a
// WS-Security UsernameToken (password digest), and the device's answer read
// back: the request's response element, or the fault with its codes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "XmlDoc.h"

namespace zv::onvif {

// Base64(SHA-1(nonce + created + password)).
std::string PasswordDigest(const uint8_t* nonce, size_t nonceLen, const std::string& created,
                           const std::string& password);

// The envelope around one request body. With a user, the Security header
// carries a token made from `nonce` (16 bytes) and `created` (the device's
// clock as xs:dateTime).
std::string BuildEnvelope(const std::string& body, const std::string& user,
                          const std::string& password, const uint8_t nonce[16],
                          const std::string& created);

struct SoapReply {
    enum class Kind { Response, Fault, Malformed };
    Kind kind = Kind::Malformed;
    XmlDoc doc;
    XmlNode element;                   // the response element (or the fault)
    std::vector<std::string> codes;    // fault code and subcodes, local parts ("Sender", "NotAuthorized")
    std::string reason;                // fault reason text
    std::string error;                 // why it is malformed

    bool HasCode(const char* localPart) const;
    // A fault saying the login was refused.
    bool NotAuthorized() const;
};

// Reads an answer (SOAP 1.2 or 1.1). A body whose first element is a Fault
// gives Kind::Fault; anything that is not an envelope with a body element
// is Malformed.
void ParseSoapReply(const std::string& xml, SoapReply& out);

}  // namespace zv::onvif
