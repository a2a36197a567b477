#include "Soap.h"

#include "Base64.h"
#include "Crypto.h"

namespace zv::onvif {

namespace {
const char kWsse[] = "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-secext-1.0.xsd";
const char kWsu[] = "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-utility-1.0.xsd";
const char kDigestType[] =
    "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-username-token-profile-1.0#PasswordDigest";
const char kNonceEncoding[] =
    "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-soap-message-security-1.0#Base64Binary";

std::string LocalPart(const std::string& qname) {
    const size_t colon = qname.find(':');
    return colon == std::string::npos ? qname : qname.substr(colon + 1);
}
}  // namespace

std::string PasswordDigest(const uint8_t* nonce, size_t nonceLen, const std::string& created,
                           const std::string& password) {
    std::string msg(reinterpret_cast<const char*>(nonce), nonceLen);
    msg += created;
    msg += password;
    const auto d = proto::Sha1(reinterpret_cast<const uint8_t*>(msg.data()), msg.size());
    return Base64Encode(d.data(), d.size());
}

std::string BuildEnvelope(const std::string& body, const std::string& user,
                          const std::string& password, const uint8_t nonce[16],
                          const std::string& created) {
    std::string out;
    out.reserve(1024 + body.size());
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
           "<s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\""
           " xmlns:tt=\"http://www.onvif.org/ver10/schema\""
           " xmlns:tds=\"http://www.onvif.org/ver10/device/wsdl\""
           " xmlns:trt=\"http://www.onvif.org/ver10/media/wsdl\""
           " xmlns:tptz=\"http://www.onvif.org/ver20/ptz/wsdl\""
           " xmlns:timg=\"http://www.onvif.org/ver20/imaging/wsdl\">";
    if (!user.empty()) {
        out += "<s:Header><wsse:Security xmlns:wsse=\"";
        out += kWsse;
        out += "\" xmlns:wsu=\"";
        out += kWsu;
        out += "\"><wsse:UsernameToken><wsse:Username>" + XmlEscape(user) +
               "</wsse:Username><wsse:Password Type=\"";
        out += kDigestType;
        out += "\">" + PasswordDigest(nonce, 16, created, password) +
               "</wsse:Password><wsse:Nonce EncodingType=\"";
        out += kNonceEncoding;
        out += "\">" + Base64Encode(nonce, 16) + "</wsse:Nonce><wsu:Created>" + created +
               "</wsu:Created></wsse:UsernameToken></wsse:Security></s:Header>";
    }
    out += "<s:Body>" + body + "</s:Body></s:Envelope>";
    return out;
}

bool SoapReply::HasCode(const char* localPart) const {
    for (const auto& c : codes)
        if (c == localPart) return true;
    return false;
}

bool SoapReply::NotAuthorized() const {
    return kind == Kind::Fault && (HasCode("NotAuthorized") || HasCode("FailedAuthentication") ||
                                   HasCode("InvalidSecurity") || HasCode("FailedCheck"));
}

void ParseSoapReply(const std::string& xml, SoapReply& out) {
    out.kind = SoapReply::Kind::Malformed;
    out.codes.clear();
    out.reason.clear();
    out.error.clear();
    out.element = XmlNode();
    if (!out.doc.Parse(xml, &out.error)) return;
    const XmlNode env = out.doc.Root();
    if (env.Name() != "Envelope") {
        out.error = "not an envelope";
        return;
    }
    const XmlNode body = env.Child("Body");
    if (!body || !body.FirstChild()) {
        out.error = "no body element";
        return;
    }
    out.element = body.FirstChild();
    if (out.element.Name() != "Fault") {
        out.kind = SoapReply::Kind::Response;
        return;
    }
    out.kind = SoapReply::Kind::Fault;
    // SOAP 1.2: Code/Value, Code/Subcode/Value, ... SOAP 1.1: faultcode.
    int depth = 0;
    for (XmlNode c = out.element.Child("Code"); c && depth < 8; c = c.Child("Subcode"), ++depth)
        if (XmlNode v = c.Child("Value")) out.codes.push_back(LocalPart(v.Value()));
    if (XmlNode fc = out.element.Child("faultcode")) out.codes.push_back(LocalPart(fc.Value()));
    if (XmlNode r = out.element.Path({"Reason", "Text"})) out.reason = r.Value();
    else if (XmlNode fs = out.element.Child("faultstring")) out.reason = fs.Value();
    if (out.reason.size() > 256) out.reason.resize(256);
}

}  // namespace zv::onvif
