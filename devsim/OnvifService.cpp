#include "OnvifService.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "Device.h"
#include "IsoTime.h"
#include "JpegCodec.h"

namespace zv::devsim {

namespace {

const std::string kEnv = "http://www.w3.org/2003/05/soap-envelope";
const std::string kEnv11 = "http://schemas.xmlsoap.org/soap/envelope/";
const std::string kTds = "http://www.onvif.org/ver10/device/wsdl";
const std::string kTrt = "http://www.onvif.org/ver10/media/wsdl";
const std::string kTptz = "http://www.onvif.org/ver20/ptz/wsdl";
const std::string kTimg = "http://www.onvif.org/ver20/imaging/wsdl";
const std::string kWsa = "http://www.w3.org/2005/08/addressing";
const std::string kWsse =
    "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-secext-1.0.xsd";

const char* const kPanTiltVelocitySpace =
    "http://www.onvif.org/ver10/tptz/PanTiltSpaces/VelocityGenericSpace";
const char* const kZoomVelocitySpace =
    "http://www.onvif.org/ver10/tptz/ZoomSpaces/VelocityGenericSpace";
const char* const kPanTiltPositionSpace =
    "http://www.onvif.org/ver10/tptz/PanTiltSpaces/PositionGenericSpace";
const char* const kZoomPositionSpace =
    "http://www.onvif.org/ver10/tptz/ZoomSpaces/PositionGenericSpace";

// Longest ContinuousMove timeout honoured; longer ones are cut to it.
constexpr double kMaxMoveTimeout = 3600;

std::string Envelope(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<env:Envelope xmlns:env=\"" + kEnv +
           "\" xmlns:tt=\"http://www.onvif.org/ver10/schema\" xmlns:tds=\"" + kTds +
           "\" xmlns:trt=\"" + kTrt + "\" xmlns:tptz=\"" + kTptz + "\" xmlns:timg=\"" + kTimg +
           "\" xmlns:ter=\"http://www.onvif.org/ver10/error\"><env:Body>" + body +
           "</env:Body></env:Envelope>\n";
}

// The answer with `count` namespace bindings in scope over a run of
// elements inside its response element, which readers pass over: 60 to an
// element (under any reader's attribute cap), nested, around 500 leaves.
std::string WithBindings(const std::string& answer, int count) {
    const size_t open = answer.find('>');
    if (open == std::string::npos || open == 0 || answer[open - 1] == '/') return answer;
    std::string pad;
    int levels = 0;
    for (int bound = 0; bound < count; ++levels) {
        pad += "<tt:Padding";
        for (int i = 0; i < 60 && bound < count; ++i, ++bound)
            pad += " xmlns:p" + std::to_string(bound) + "=\"urn:devsim:padding:" + std::to_string(bound) + "\"";
        pad += ">";
    }
    for (int i = 0; i < 500; ++i) pad += "<tt:Leaf/>";
    for (int i = 0; i < levels; ++i) pad += "</tt:Padding>";
    return answer.substr(0, open + 1) + pad + answer.substr(open + 1);
}

// Numbers as the schema's xs:float, without exponents or trailing zeros.
std::string Num(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.4f", v);
    std::string s = buf;
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
    return s == "-0" ? "0" : s;
}

bool ParseNumber(const std::string& text, double& out) {
    if (text.empty() || text.size() > 32) return false;
    char* end = nullptr;
    out = std::strtod(text.c_str(), &end);
    return end && *end == '\0' && std::isfinite(out);
}

// xs:boolean; false if it is neither.
bool ParseBool(const std::string& text, bool& out) {
    if (text == "true" || text == "1") out = true;
    else if (text == "false" || text == "0") out = false;
    else return false;
    return true;
}

std::string Range(const char* element, double lo, double hi) {
    return std::string("<tt:") + element + "><tt:Min>" + Num(lo) + "</tt:Min><tt:Max>" + Num(hi) +
           "</tt:Max></tt:" + element + ">";
}

std::string Version(const char* prefix) {
    return std::string("<") + prefix + ":Version><tt:Major>2</tt:Major><tt:Minor>0</tt:Minor></" +
           prefix + ":Version>";
}

}  // namespace

const OnvifService::Operation OnvifService::kOperations[] = {
    {"http://www.onvif.org/ver10/device/wsdl", "GetSystemDateAndTime", true,
     &OnvifService::GetSystemDateAndTime},
    {"http://www.onvif.org/ver10/device/wsdl", "GetCapabilities", false,
     &OnvifService::GetCapabilities},
    {"http://www.onvif.org/ver10/device/wsdl", "GetServices", false, &OnvifService::GetServices},
    {"http://www.onvif.org/ver10/device/wsdl", "GetServiceCapabilities", false,
     &OnvifService::GetDeviceServiceCapabilities},
    {"http://www.onvif.org/ver10/device/wsdl", "GetDeviceInformation", false,
     &OnvifService::GetDeviceInformation},
    {"http://www.onvif.org/ver10/device/wsdl", "GetScopes", false, &OnvifService::GetScopes},
    {"http://www.onvif.org/ver10/media/wsdl", "GetProfiles", false, &OnvifService::GetProfiles},
    {"http://www.onvif.org/ver10/media/wsdl", "GetProfile", false, &OnvifService::GetProfile},
    {"http://www.onvif.org/ver10/media/wsdl", "GetVideoSources", false,
     &OnvifService::GetVideoSources},
    {"http://www.onvif.org/ver10/media/wsdl", "GetVideoSourceConfigurations", false,
     &OnvifService::GetVideoSourceConfigurations},
    {"http://www.onvif.org/ver10/media/wsdl", "GetVideoEncoderConfigurations", false,
     &OnvifService::GetVideoEncoderConfigurations},
    {"http://www.onvif.org/ver10/media/wsdl", "GetStreamUri", false, &OnvifService::GetStreamUri},
    {"http://www.onvif.org/ver10/media/wsdl", "GetSnapshotUri", false,
     &OnvifService::GetSnapshotUri},
    {"http://www.onvif.org/ver10/media/wsdl", "GetServiceCapabilities", false,
     &OnvifService::GetMediaServiceCapabilities},
    {"http://www.onvif.org/ver20/ptz/wsdl", "GetNodes", false, &OnvifService::GetNodes},
    {"http://www.onvif.org/ver20/ptz/wsdl", "GetNode", false, &OnvifService::GetNode},
    {"http://www.onvif.org/ver20/ptz/wsdl", "GetConfigurations", false,
     &OnvifService::GetConfigurations},
    {"http://www.onvif.org/ver20/ptz/wsdl", "GetConfiguration", false,
     &OnvifService::GetConfiguration},
    {"http://www.onvif.org/ver20/ptz/wsdl", "GetStatus", false, &OnvifService::GetPtzStatus},
    {"http://www.onvif.org/ver20/ptz/wsdl", "ContinuousMove", false,
     &OnvifService::ContinuousMove},
    {"http://www.onvif.org/ver20/ptz/wsdl", "Stop", false, &OnvifService::PtzStop},
    {"http://www.onvif.org/ver20/ptz/wsdl", "GetServiceCapabilities", false,
     &OnvifService::GetPtzServiceCapabilities},
    {"http://www.onvif.org/ver20/imaging/wsdl", "GetImagingSettings", false,
     &OnvifService::GetImagingSettings},
    {"http://www.onvif.org/ver20/imaging/wsdl", "SetImagingSettings", false,
     &OnvifService::SetImagingSettings},
    {"http://www.onvif.org/ver20/imaging/wsdl", "GetOptions", false,
     &OnvifService::GetImagingOptions},
    {"http://www.onvif.org/ver20/imaging/wsdl", "GetMoveOptions", false,
     &OnvifService::GetMoveOptions},
    {"http://www.onvif.org/ver20/imaging/wsdl", "Move", false, &OnvifService::FocusMove},
    {"http://www.onvif.org/ver20/imaging/wsdl", "Stop", false, &OnvifService::FocusStop},
    {"http://www.onvif.org/ver20/imaging/wsdl", "GetStatus", false,
     &OnvifService::GetImagingStatus},
    {"http://www.onvif.org/ver20/imaging/wsdl", "GetServiceCapabilities", false,
     &OnvifService::GetImagingServiceCapabilities},
};

OnvifService::OnvifService(Device& device)
    : m_dev(device), m_tokens(kClockTolerance, kMaxNonces), m_digest("devsim", 300) {}

double OnvifService::ToLevel(uint8_t byte) {
    // A whole level is reported as such when it is the byte's own level, so
    // a client that sets 80 reads 80 back; other bytes to a tenth, which
    // still gives the same byte when written back.
    const double whole = std::round(byte / 2.54);
    if (ToByte(whole) == byte) return std::min(100.0, whole);
    return std::min(100.0, std::round(byte / 0.254) / 10);
}

uint8_t OnvifService::ToByte(double level) {
    return static_cast<uint8_t>(std::clamp(std::lround(level * 2.54), 0L, 255L));
}

std::string OnvifService::HostInAnswers() const {
    const std::string foreign = m_dev.GetFaults().onvif.foreignHost;
    return foreign.empty() ? m_dev.Address() : foreign;
}

std::string OnvifService::Base() const {
    return "http://" + HostInAnswers() + ":" + std::to_string(m_dev.OnvifPort());
}

OnvifService::Result OnvifService::Fault(int http, const std::string& code,
                                         const std::string& subcode, const std::string& detail,
                                         const std::string& reason) {
    Result r;
    r.http = http;
    r.code = code;
    r.subcode = subcode;
    r.detail = detail;
    r.reason = reason;
    return r;
}

OnvifService::Result OnvifService::NoSuch(const char* what) const {
    const std::string w = what;
    const std::string detail = w == "source" ? "ter:NoSource"
                               : w == "configuration" ? "ter:NoConfig"
                               : w == "node" ? "ter:NoEntity"
                                             : "ter:NoProfile";
    return Fault(400, "env:Sender", "ter:InvalidArgVal", detail, "no such " + w);
}

int OnvifService::ChannelOf(const std::string& prefix, const XmlElement& request,
                            const std::string& element) const {
    const XmlElement* e = request.Child(element);
    if (!e) return -1;
    const std::string t = e->Value();
    if (t.size() <= prefix.size() || t.size() > prefix.size() + 2 ||
        t.compare(0, prefix.size(), prefix) != 0)
        return -1;
    const std::string digits = t.substr(prefix.size());
    if (digits[0] == '0' || digits.find_first_not_of("0123456789") != std::string::npos) return -1;
    const int n = std::atoi(digits.c_str());
    return n >= 1 && n <= m_dev.Channels() ? n - 1 : -1;
}

// --- dispatch ---------------------------------------------------------------------

HttpServer::Outcome OnvifService::Handle(const HttpRequest& req) {
    const OnvifFaults faults = m_dev.GetFaults().onvif;
    HttpServer::Outcome o;
    if (faults.frozen) {
        o.holdWhile = [this] { return m_dev.GetFaults().onvif.frozen; };
        return o;
    }
    if (faults.basicOnly) {
        // Basic is taken, and counted: a client that sends it has let the
        // password go in the clear.
        const std::string* a = req.Header("Authorization");
        if (a && a->size() > 6 && EqualsNoCase(a->substr(0, 6), "Basic ")) {
            m_dev.Stats().httpBasicSeen++;
        } else {
            o.response.status = 401;
            o.response.Set("WWW-Authenticate", "Basic realm=\"devsim\"");
            return o;
        }
    }
    const std::string path = req.Path();
    if (path.rfind("/snapshot/", 0) == 0) return SnapshotRequest(req);
    const bool service = path == "/onvif/device_service" || path == "/onvif/media_service" ||
                         path == "/onvif/ptz_service" || path == "/onvif/imaging_service";
    if (!service) {
        o.response.status = 404;
        o.response.Set("Content-Type", "text/plain");
        o.response.body = "no such service\n";
        return o;
    }
    if (req.method != "POST") {
        o.response.status = 405;
        o.response.Set("Allow", "POST");
        return o;
    }
    return Soap(req);
}

HttpServer::Outcome OnvifService::Soap(const HttpRequest& req) {
    const OnvifFaults faults = m_dev.GetFaults().onvif;
    HttpServer::Outcome o;
    o.drop = faults.drop;
    o.delayMs = faults.delayMs;
    if (o.drop) return o;

    Result r;
    XmlElement doc;
    std::string error;
    const XmlElement* header = nullptr;
    const XmlElement* request = nullptr;
    if (!XmlReader::Parse(req.body, doc, &error)) {
        r = Fault(400, "env:Sender", "ter:WellFormed", "", "not well-formed XML: " + error);
    } else if (doc.name != "Envelope" || (doc.ns != kEnv && doc.ns != kEnv11)) {
        r = Fault(400, "env:Sender", "ter:WellFormed", "", "not a SOAP envelope");
    } else if (doc.ns == kEnv11) {
        r = Fault(500, "env:VersionMismatch", "", "", "SOAP 1.2 envelopes only");
    } else {
        header = doc.Child(kEnv, "Header");
        const XmlElement* body = doc.Child(kEnv, "Body");
        if (!body || body->children.size() != 1) {
            r = Fault(400, "env:Sender", "ter:InvalidArgs", "", "the body must hold one request");
        } else {
            request = &body->children[0];
            // Headers the client insists on must be ones we act on.
            if (header)
                for (const auto& h : header->children) {
                    const std::string* mu = nullptr;
                    for (const auto& a : h.attributes)
                        if (a.name == "mustUnderstand" && a.ns == kEnv) mu = &a.value;
                    if (mu && (*mu == "1" || *mu == "true") && h.ns != kWsse && h.ns != kWsa) {
                        r = Fault(500, "env:MustUnderstand", "", "",
                                  "header " + h.name + " not understood");
                        request = nullptr;
                        break;
                    }
                }
        }
    }
    if (request) {
        const Operation* op = nullptr;
        for (const auto& candidate : kOperations)
            if (request->name == candidate.name && request->ns == candidate.ns) op = &candidate;
        if (!op) {
            r = Fault(500, "env:Receiver", "ter:ActionNotSupported", "",
                      "operation " + request->name + " not supported");
        } else if (op->open || Authorise(header, r)) {
            r = (this->*(op->fn))(*request);
        }
    }

    if (!r.code.empty()) {
        m_dev.Stats().soapFaults++;
        std::string code = "<env:Code><env:Value>" + r.code + "</env:Value>";
        if (!r.subcode.empty()) {
            code += "<env:Subcode><env:Value>" + r.subcode + "</env:Value>";
            if (!r.detail.empty())
                code += "<env:Subcode><env:Value>" + r.detail + "</env:Value></env:Subcode>";
            code += "</env:Subcode>";
        }
        code += "</env:Code>";
        r.body = "<env:Fault>" + code + "<env:Reason><env:Text xml:lang=\"en\">" +
                 XmlEscape(r.reason) + "</env:Text></env:Reason></env:Fault>";
    }
    o.response.status = r.http;
    o.response.Set("Content-Type", "application/soap+xml; charset=utf-8");
    o.response.body = Envelope(faults.xmlnsBindings > 0 ? WithBindings(r.body, faults.xmlnsBindings) : r.body);
    // Cut mid-element: no client's parser can take it.
    if (faults.malformed) o.response.body.resize(o.response.body.size() / 2);
    return o;
}

bool OnvifService::Authorise(const XmlElement* header, Result& fault) {
    UsernameToken token;
    if (!header || !FindUsernameToken(*header, token)) {
        m_dev.Stats().soapAuthFailures++;
        fault = Fault(401, "env:Sender", "ter:NotAuthorized", "", "Sender not authorized");
        return false;
    }
    const User* user = m_dev.FindUser(token.user);
    const TokenVerdict v =
        m_tokens.Check(token, user ? &user->password : nullptr, m_dev.WallClock());
    if (v == TokenVerdict::Ok && !m_dev.GetFaults().onvif.refuse) return true;
    m_dev.Stats().soapAuthFailures++;
    if (v == TokenVerdict::Replayed) m_dev.Stats().soapReplays++;
    fault = Fault(400, "env:Sender", "ter:NotAuthorized", "",
                  std::string("Sender not authorized (") +
                      (v == TokenVerdict::Ok ? "refused" : ToString(v)) + ")");
    return false;
}

HttpServer::Outcome OnvifService::SnapshotRequest(const HttpRequest& req) {
    HttpServer::Outcome o;
    const OnvifFaults faults = m_dev.GetFaults().onvif;
    o.drop = faults.drop;
    o.delayMs = faults.delayMs;
    if (o.drop) return o;
    if (req.method != "GET" && req.method != "HEAD") {
        o.response.status = 405;
        o.response.Set("Allow", "GET, HEAD");
        return o;
    }
    // "/snapshot/<1-based channel>.jpg"
    const std::string name = req.Path().substr(10);
    int ch = -1;
    if (name.size() > 4 && name.size() <= 6 && name.compare(name.size() - 4, 4, ".jpg") == 0 &&
        name[0] != '0' && name.find_first_not_of("0123456789") == name.size() - 4)
        ch = std::atoi(name.c_str()) - 1;
    if (ch < 0 || ch >= m_dev.Channels()) {
        o.response.status = 404;
        return o;
    }
    const double now = m_dev.WallClock();
    const DigestAuth::Verdict v = m_digest.Check(req.Header("Authorization"), req.method,
                                                 req.target, m_dev.Options().users, now, nullptr);
    if (v != DigestAuth::Verdict::Ok || faults.refuse) {
        if (v != DigestAuth::Verdict::Missing) m_dev.Stats().snapshotAuthFailures++;
        o.response.status = 401;
        o.response.Set("WWW-Authenticate",
                       m_digest.Challenge(now, v == DigestAuth::Verdict::Stale));
        return o;
    }
    Image img;
    std::vector<uint8_t> jpeg;
    std::string error;
    if (!m_dev.Snapshot(ch, img) ||
        !JpegCodec::Encode(img, m_dev.Options().jpegQuality, 0, jpeg, &error)) {
        o.response.status = 500;
        return o;
    }
    m_dev.Stats().snapshots++;
    o.response.Set("Content-Type", "image/jpeg");
    o.response.Set("Cache-Control", "no-store");
    o.response.body.assign(jpeg.begin(), jpeg.end());
    if (req.method == "HEAD") o.response.body.clear();
    return o;
}

// --- device ---------------------------------------------------------------------

OnvifService::Result OnvifService::GetSystemDateAndTime(const XmlElement&) {
    const CivilTime c = ToCivil(m_dev.WallClock());
    auto dt = [&](const char* element) {
        return std::string("<tt:") + element + "><tt:Time><tt:Hour>" + std::to_string(c.hour) +
               "</tt:Hour><tt:Minute>" + std::to_string(c.minute) + "</tt:Minute><tt:Second>" +
               std::to_string(c.second) + "</tt:Second></tt:Time><tt:Date><tt:Year>" +
               std::to_string(c.year) + "</tt:Year><tt:Month>" + std::to_string(c.month) +
               "</tt:Month><tt:Day>" + std::to_string(c.day) + "</tt:Day></tt:Date></tt:" +
               element + ">";
    };
    Result r;
    r.body = "<tds:GetSystemDateAndTimeResponse><tds:SystemDateAndTime>"
             "<tt:DateTimeType>Manual</tt:DateTimeType>"
             "<tt:DaylightSavings>false</tt:DaylightSavings>"
             "<tt:TimeZone><tt:TZ>UTC0</tt:TZ></tt:TimeZone>" +
             dt("UTCDateTime") + dt("LocalDateTime") +
             "</tds:SystemDateAndTime></tds:GetSystemDateAndTimeResponse>";
    return r;
}

OnvifService::Result OnvifService::GetCapabilities(const XmlElement& req) {
    // Categories: All (the default), or one of ours.
    bool all = false, dev = false, media = false, ptz = false, imaging = false, any = false;
    for (const auto& c : req.children) {
        if (c.name != "Category") continue;
        const std::string v = c.Value();
        any = true;
        if (v == "All") all = true;
        else if (v == "Device") dev = true;
        else if (v == "Media") media = true;
        else if (v == "PTZ") ptz = true;
        else if (v == "Imaging") imaging = true;
        else
            return Fault(500, "env:Receiver", "ter:ActionNotSupported", "ter:NoSuchService",
                         "no " + v + " service");
    }
    if (all || !any) dev = media = ptz = imaging = true;
    const std::string base = Base();
    std::string caps;
    if (dev)
        caps += "<tt:Device><tt:XAddr>" + base + "/onvif/device_service</tt:XAddr>"
                "<tt:Network><tt:IPFilter>false</tt:IPFilter><tt:ZeroConfiguration>false"
                "</tt:ZeroConfiguration><tt:IPVersion6>false</tt:IPVersion6><tt:DynDNS>false"
                "</tt:DynDNS></tt:Network><tt:System><tt:DiscoveryResolve>false"
                "</tt:DiscoveryResolve><tt:DiscoveryBye>false</tt:DiscoveryBye>"
                "<tt:RemoteDiscovery>false</tt:RemoteDiscovery><tt:SystemBackup>false"
                "</tt:SystemBackup><tt:SystemLogging>false</tt:SystemLogging>"
                "<tt:FirmwareUpgrade>false</tt:FirmwareUpgrade><tt:SupportedVersions>"
                "<tt:Major>2</tt:Major><tt:Minor>0</tt:Minor></tt:SupportedVersions></tt:System>"
                "<tt:IO><tt:InputConnectors>0</tt:InputConnectors><tt:RelayOutputs>0"
                "</tt:RelayOutputs></tt:IO><tt:Security><tt:TLS1.1>false</tt:TLS1.1>"
                "<tt:TLS1.2>false</tt:TLS1.2><tt:OnboardKeyGeneration>false"
                "</tt:OnboardKeyGeneration><tt:AccessPolicyConfig>false</tt:AccessPolicyConfig>"
                "<tt:X.509Token>false</tt:X.509Token><tt:SAMLToken>false</tt:SAMLToken>"
                "<tt:KerberosToken>false</tt:KerberosToken><tt:RELToken>false</tt:RELToken>"
                "</tt:Security></tt:Device>";
    if (imaging)
        caps += "<tt:Imaging><tt:XAddr>" + base + "/onvif/imaging_service</tt:XAddr></tt:Imaging>";
    if (media)
        caps += "<tt:Media><tt:XAddr>" + base + "/onvif/media_service</tt:XAddr>"
                "<tt:StreamingCapabilities><tt:RTPMulticast>false</tt:RTPMulticast>"
                "<tt:RTP_TCP>true</tt:RTP_TCP><tt:RTP_RTSP_TCP>true</tt:RTP_RTSP_TCP>"
                "</tt:StreamingCapabilities></tt:Media>";
    if (ptz) caps += "<tt:PTZ><tt:XAddr>" + base + "/onvif/ptz_service</tt:XAddr></tt:PTZ>";
    Result r;
    r.body = "<tds:GetCapabilitiesResponse><tds:Capabilities>" + caps +
             "</tds:Capabilities></tds:GetCapabilitiesResponse>";
    return r;
}

OnvifService::Result OnvifService::GetServices(const XmlElement& req) {
    bool withCaps = false;
    if (const XmlElement* e = req.Child("IncludeCapability"))
        if (!ParseBool(e->Value(), withCaps))
            return Fault(400, "env:Sender", "ter:InvalidArgVal", "", "IncludeCapability");
    auto service = [&](const std::string& ns, const char* path, const std::string& caps) {
        return "<tds:Service><tds:Namespace>" + ns + "</tds:Namespace><tds:XAddr>" + Base() +
               path + "</tds:XAddr>" +
               (withCaps ? "<tds:Capabilities>" + caps + "</tds:Capabilities>" : "") +
               Version("tds") + "</tds:Service>";
    };
    const XmlElement none;
    Result r;
    r.body = "<tds:GetServicesResponse>" +
             service(kTds, "/onvif/device_service", GetDeviceServiceCapabilities(none).body) +
             service(kTrt, "/onvif/media_service", GetMediaServiceCapabilities(none).body) +
             service(kTptz, "/onvif/ptz_service", GetPtzServiceCapabilities(none).body) +
             service(kTimg, "/onvif/imaging_service", GetImagingServiceCapabilities(none).body) +
             "</tds:GetServicesResponse>";
    return r;
}

// The service-capability answers' inner elements double as GetServices'
// capabilities; each is wrapped by its caller.
OnvifService::Result OnvifService::GetDeviceServiceCapabilities(const XmlElement& req) {
    Result r;
    r.body = "<tds:Capabilities><tds:Network IPFilter=\"false\" ZeroConfiguration=\"false\" "
             "IPVersion6=\"false\" DynDNS=\"false\"/><tds:Security TLS1.0=\"false\" "
             "TLS1.1=\"false\" TLS1.2=\"false\" OnboardKeyGeneration=\"false\" "
             "AccessPolicyConfig=\"false\" DefaultAccessPolicy=\"false\" Dot1X=\"false\" "
             "RemoteUserHandling=\"false\" X.509Token=\"false\" SAMLToken=\"false\" "
             "KerberosToken=\"false\" UsernameToken=\"true\" HttpDigest=\"false\" "
             "RELToken=\"false\"/><tds:System DiscoveryResolve=\"false\" DiscoveryBye=\"false\" "
             "RemoteDiscovery=\"false\" SystemBackup=\"false\" SystemLogging=\"false\" "
             "FirmwareUpgrade=\"false\"/></tds:Capabilities>";
    if (!req.name.empty())
        r.body = "<tds:GetServiceCapabilitiesResponse>" + r.body +
                 "</tds:GetServiceCapabilitiesResponse>";
    return r;
}

OnvifService::Result OnvifService::GetDeviceInformation(const XmlElement&) {
    Result r;
    r.body = "<tds:GetDeviceInformationResponse><tds:Manufacturer>Zentavo</tds:Manufacturer>"
             "<tds:Model>devsim</tds:Model><tds:FirmwareVersion>1.0.0</tds:FirmwareVersion>"
             "<tds:SerialNumber>DS-" + XmlEscape(m_dev.Address()) + "</tds:SerialNumber>"
             "<tds:HardwareId>devsim-" + std::to_string(m_dev.Channels()) + "ch</tds:HardwareId>"
             "</tds:GetDeviceInformationResponse>";
    return r;
}

OnvifService::Result OnvifService::GetScopes(const XmlElement&) {
    auto scope = [](const std::string& uri) {
        return "<tds:Scopes><tt:ScopeDef>Fixed</tt:ScopeDef><tt:ScopeItem>" + uri +
               "</tt:ScopeItem></tds:Scopes>";
    };
    Result r;
    r.body = "<tds:GetScopesResponse>" + scope("onvif://www.onvif.org/Profile/Streaming") +
             scope("onvif://www.onvif.org/type/ptz") + scope("onvif://www.onvif.org/name/devsim") +
             scope("onvif://www.onvif.org/hardware/devsim") + "</tds:GetScopesResponse>";
    return r;
}

// --- media ----------------------------------------------------------------------

std::string OnvifService::VideoSourceConfigXml(int ch, const char* element) const {
    const std::string n = std::to_string(ch + 1);
    return std::string("<") + element + " token=\"video_source_config_" + n +
           "\"><tt:Name>Source " + n + "</tt:Name><tt:UseCount>1</tt:UseCount>"
           "<tt:SourceToken>video_source_" + n + "</tt:SourceToken><tt:Bounds x=\"0\" y=\"0\" "
           "width=\"" + std::to_string(m_dev.Options().width) + "\" height=\"" +
           std::to_string(m_dev.Options().height) + "\"/></" + element + ">";
}

std::string OnvifService::VideoEncoderConfigXml(int ch, const char* element) const {
    const std::string n = std::to_string(ch + 1);
    const DeviceOptions& o = m_dev.Options();
    const bool h264 = o.h264Streams.count(ch) != 0;
    const std::string codec = h264 ? "H264" : "JPEG";
    return std::string("<") + element + " token=\"" + (h264 ? "h264" : "jpeg") + "_encoder_" + n +
           "\"><tt:Name>" + codec + " " + n + "</tt:Name><tt:UseCount>1</tt:UseCount><tt:Encoding>" + codec +
           "</tt:Encoding>"
           "<tt:Resolution><tt:Width>" + std::to_string(o.width) + "</tt:Width><tt:Height>" +
           std::to_string(o.height) + "</tt:Height></tt:Resolution><tt:Quality>" +
           std::to_string(o.jpegQuality) + "</tt:Quality><tt:RateControl>"
           "<tt:FrameRateLimit>25</tt:FrameRateLimit><tt:EncodingInterval>1</tt:EncodingInterval>"
           "<tt:BitrateLimit>8000</tt:BitrateLimit></tt:RateControl><tt:Multicast><tt:Address>"
           "<tt:Type>IPv4</tt:Type><tt:IPv4Address>0.0.0.0</tt:IPv4Address></tt:Address>"
           "<tt:Port>0</tt:Port><tt:TTL>0</tt:TTL><tt:AutoStart>false</tt:AutoStart>"
           "</tt:Multicast><tt:SessionTimeout>PT60S</tt:SessionTimeout></" + element + ">";
}

std::string OnvifService::PtzConfigXml(int ch, const char* element) const {
    const std::string n = std::to_string(ch + 1);
    return std::string("<") + element + " token=\"ptz_config_" + n + "\"><tt:Name>PTZ " + n +
           "</tt:Name><tt:UseCount>1</tt:UseCount><tt:NodeToken>ptz_node_" + n +
           "</tt:NodeToken><tt:DefaultContinuousPanTiltVelocitySpace>" + kPanTiltVelocitySpace +
           "</tt:DefaultContinuousPanTiltVelocitySpace><tt:DefaultContinuousZoomVelocitySpace>" +
           kZoomVelocitySpace + "</tt:DefaultContinuousZoomVelocitySpace>"
           "<tt:PanTiltLimits><tt:Range><tt:URI>" + kPanTiltPositionSpace + "</tt:URI>" +
           Range("XRange", -1, 1) + Range("YRange", -1, 1) + "</tt:Range></tt:PanTiltLimits>"
           "<tt:ZoomLimits><tt:Range><tt:URI>" + kZoomPositionSpace + "</tt:URI>" +
           Range("XRange", 0, 1) + "</tt:Range></tt:ZoomLimits></" + element + ">";
}

std::string OnvifService::ProfileXml(int ch) const {
    const std::string n = std::to_string(ch + 1);
    return "<trt:Profiles token=\"profile_" + n + "\" fixed=\"true\"><tt:Name>CH" + n +
           "</tt:Name>" + VideoSourceConfigXml(ch, "tt:VideoSourceConfiguration") +
           VideoEncoderConfigXml(ch, "tt:VideoEncoderConfiguration") +
           PtzConfigXml(ch, "tt:PTZConfiguration") + "</trt:Profiles>";
}

OnvifService::Result OnvifService::GetProfiles(const XmlElement&) {
    Result r;
    r.body = "<trt:GetProfilesResponse>";
    for (int ch = 0; ch < m_dev.Channels(); ++ch) r.body += ProfileXml(ch);
    r.body += "</trt:GetProfilesResponse>";
    return r;
}

OnvifService::Result OnvifService::GetProfile(const XmlElement& req) {
    const int ch = ChannelOf("profile_", req, "ProfileToken");
    if (ch < 0) return NoSuch("profile");
    std::string p = ProfileXml(ch);
    // The same element, named Profile here.
    p.replace(0, std::string("<trt:Profiles").size(), "<trt:Profile");
    p.replace(p.size() - std::string("</trt:Profiles>").size(), std::string::npos,
              "</trt:Profile>");
    Result r;
    r.body = "<trt:GetProfileResponse>" + p + "</trt:GetProfileResponse>";
    return r;
}

OnvifService::Result OnvifService::GetVideoSources(const XmlElement&) {
    Result r;
    r.body = "<trt:GetVideoSourcesResponse>";
    for (int ch = 0; ch < m_dev.Channels(); ++ch)
        r.body += "<trt:VideoSources token=\"video_source_" + std::to_string(ch + 1) +
                  "\"><tt:Framerate>25</tt:Framerate><tt:Resolution><tt:Width>" +
                  std::to_string(m_dev.Options().width) + "</tt:Width><tt:Height>" +
                  std::to_string(m_dev.Options().height) +
                  "</tt:Height></tt:Resolution></trt:VideoSources>";
    r.body += "</trt:GetVideoSourcesResponse>";
    return r;
}

OnvifService::Result OnvifService::GetVideoSourceConfigurations(const XmlElement&) {
    Result r;
    r.body = "<trt:GetVideoSourceConfigurationsResponse>";
    for (int ch = 0; ch < m_dev.Channels(); ++ch)
        r.body += VideoSourceConfigXml(ch, "trt:Configurations");
    r.body += "</trt:GetVideoSourceConfigurationsResponse>";
    return r;
}

OnvifService::Result OnvifService::GetVideoEncoderConfigurations(const XmlElement&) {
    Result r;
    r.body = "<trt:GetVideoEncoderConfigurationsResponse>";
    for (int ch = 0; ch < m_dev.Channels(); ++ch)
        r.body += VideoEncoderConfigXml(ch, "trt:Configurations");
    r.body += "</trt:GetVideoEncoderConfigurationsResponse>";
    return r;
}

OnvifService::Result OnvifService::GetStreamUri(const XmlElement& req) {
    const int ch = ChannelOf("profile_", req, "ProfileToken");
    if (ch < 0) return NoSuch("profile");
    if (const XmlElement* setup = req.Child("StreamSetup")) {
        const XmlElement* stream = setup->Child("Stream");
        if (stream && stream->Value() != "RTP-Unicast")
            return Fault(400, "env:Sender", "ter:InvalidArgVal", "ter:InvalidStreamSetup",
                         "unicast streams only");
    }
    const auto external = m_dev.Options().h264Streams.find(ch);
    const std::string uri = external != m_dev.Options().h264Streams.end()
                                ? XmlEscape(external->second)
                                : "rtsp://" + HostInAnswers() + ":" + std::to_string(m_dev.RtspPort()) + "/ch" +
                                      std::to_string(ch + 1);
    Result r;
    r.body = "<trt:GetStreamUriResponse><trt:MediaUri><tt:Uri>" + uri + "</tt:Uri><tt:InvalidAfterConnect>false</tt:InvalidAfterConnect>"
             "<tt:InvalidAfterReboot>false</tt:InvalidAfterReboot><tt:Timeout>PT60S</tt:Timeout>"
             "</trt:MediaUri></trt:GetStreamUriResponse>";
    return r;
}

OnvifService::Result OnvifService::GetSnapshotUri(const XmlElement& req) {
    const int ch = ChannelOf("profile_", req, "ProfileToken");
    if (ch < 0) return NoSuch("profile");
    Result r;
    r.body = "<trt:GetSnapshotUriResponse><trt:MediaUri><tt:Uri>" + Base() + "/snapshot/" +
             std::to_string(ch + 1) + ".jpg</tt:Uri><tt:InvalidAfterConnect>false"
             "</tt:InvalidAfterConnect><tt:InvalidAfterReboot>false</tt:InvalidAfterReboot>"
             "<tt:Timeout>PT0S</tt:Timeout></trt:MediaUri></trt:GetSnapshotUriResponse>";
    return r;
}

OnvifService::Result OnvifService::GetMediaServiceCapabilities(const XmlElement& req) {
    Result r;
    r.body = "<trt:Capabilities SnapshotUri=\"true\" Rotation=\"false\" VideoSourceMode=\"false\" "
             "OSD=\"false\"><trt:ProfileCapabilities MaximumNumberOfProfiles=\"" +
             std::to_string(m_dev.Channels()) +
             "\"/><trt:StreamingCapabilities RTPMulticast=\"false\" RTP_TCP=\"true\" "
             "RTP_RTSP_TCP=\"true\" NonAggregateControl=\"false\"/></trt:Capabilities>";
    if (!req.name.empty())
        r.body = "<trt:GetServiceCapabilitiesResponse>" + r.body +
                 "</trt:GetServiceCapabilitiesResponse>";
    return r;
}

// --- PTZ ------------------------------------------------------------------------

std::string OnvifService::PtzNodeXml(int ch, const char* element) const {
    const std::string n = std::to_string(ch + 1);
    return std::string("<") + element + " token=\"ptz_node_" + n +
           "\" FixedHomePosition=\"false\"><tt:Name>Dome " + n +
           "</tt:Name><tt:SupportedPTZSpaces><tt:ContinuousPanTiltVelocitySpace><tt:URI>" +
           kPanTiltVelocitySpace + "</tt:URI>" + Range("XRange", -1, 1) + Range("YRange", -1, 1) +
           "</tt:ContinuousPanTiltVelocitySpace><tt:ContinuousZoomVelocitySpace><tt:URI>" +
           kZoomVelocitySpace + "</tt:URI>" + Range("XRange", -1, 1) +
           "</tt:ContinuousZoomVelocitySpace></tt:SupportedPTZSpaces>"
           "<tt:MaximumNumberOfPresets>0</tt:MaximumNumberOfPresets>"
           "<tt:HomeSupported>false</tt:HomeSupported></" + element + ">";
}

OnvifService::Result OnvifService::GetNodes(const XmlElement&) {
    Result r;
    r.body = "<tptz:GetNodesResponse>";
    for (int ch = 0; ch < m_dev.Channels(); ++ch) r.body += PtzNodeXml(ch, "tptz:PTZNode");
    r.body += "</tptz:GetNodesResponse>";
    return r;
}

OnvifService::Result OnvifService::GetNode(const XmlElement& req) {
    const int ch = ChannelOf("ptz_node_", req, "NodeToken");
    if (ch < 0) return NoSuch("node");
    Result r;
    r.body = "<tptz:GetNodeResponse>" + PtzNodeXml(ch, "tptz:PTZNode") + "</tptz:GetNodeResponse>";
    return r;
}

OnvifService::Result OnvifService::GetConfigurations(const XmlElement&) {
    Result r;
    r.body = "<tptz:GetConfigurationsResponse>";
    for (int ch = 0; ch < m_dev.Channels(); ++ch)
        r.body += PtzConfigXml(ch, "tptz:PTZConfiguration");
    r.body += "</tptz:GetConfigurationsResponse>";
    return r;
}

OnvifService::Result OnvifService::GetConfiguration(const XmlElement& req) {
    const int ch = ChannelOf("ptz_config_", req, "PTZConfigurationToken");
    if (ch < 0) return NoSuch("configuration");
    Result r;
    r.body = "<tptz:GetConfigurationResponse>" + PtzConfigXml(ch, "tptz:PTZConfiguration") +
             "</tptz:GetConfigurationResponse>";
    return r;
}

OnvifService::Result OnvifService::GetPtzStatus(const XmlElement& req) {
    const int ch = ChannelOf("profile_", req, "ProfileToken");
    if (ch < 0) return NoSuch("profile");
    const ChannelReport rep = m_dev.Report(ch);
    // Generic position space: pan -1..1 over the circle (0 straight ahead),
    // tilt -1..1 over the dome's range, zoom 0..1 over ln(zoom).
    const double pan = rep.position.pan <= 180 ? rep.position.pan / 180
                                               : (rep.position.pan - 360) / 180;
    const double tilt = rep.position.tilt / Camera::kTiltMax;
    const double zoom = std::log(rep.position.zoom) / std::log(Camera::kZoomMax);
    const bool ptMoving = rep.motion.pan != 0 || rep.motion.tilt != 0;
    Result r;
    r.body = "<tptz:GetStatusResponse><tptz:PTZStatus><tt:Position><tt:PanTilt x=\"" + Num(pan) +
             "\" y=\"" + Num(tilt) + "\" space=\"" + kPanTiltPositionSpace + "\"/><tt:Zoom x=\"" +
             Num(zoom) + "\" space=\"" + kZoomPositionSpace +
             "\"/></tt:Position><tt:MoveStatus><tt:PanTilt>" + (ptMoving ? "MOVING" : "IDLE") +
             "</tt:PanTilt><tt:Zoom>" + (rep.motion.zoom != 0 ? "MOVING" : "IDLE") +
             "</tt:Zoom></tt:MoveStatus><tt:UtcTime>" + FormatDateTime(m_dev.WallClock()) +
             "</tt:UtcTime></tptz:PTZStatus></tptz:GetStatusResponse>";
    return r;
}

OnvifService::Result OnvifService::ContinuousMove(const XmlElement& req) {
    const int ch = ChannelOf("profile_", req, "ProfileToken");
    if (ch < 0) return NoSuch("profile");
    const XmlElement* velocity = req.Child("Velocity");
    if (!velocity) return Fault(400, "env:Sender", "ter:InvalidArgs", "", "Velocity missing");
    auto invalid = [] {
        return Fault(400, "env:Sender", "ter:InvalidArgVal", "ter:InvalidVelocity",
                     "velocities run from -1 to 1");
    };
    auto coordinate = [](const XmlElement& e, const char* name, double& out) {
        const std::string* v = e.Attribute(name);
        out = 0;
        return !v || (ParseNumber(*v, out) && out >= -1 && out <= 1);
    };
    double pan = 0, tilt = 0, zoom = 0;
    const XmlElement* pt = velocity->Child("PanTilt");
    const XmlElement* z = velocity->Child("Zoom");
    if (!pt && !z) return invalid();
    if (pt) {
        const std::string* space = pt->Attribute("space");
        if (space && *space != kPanTiltVelocitySpace)
            return Fault(400, "env:Sender", "ter:InvalidArgVal", "ter:SpaceNotSupported",
                         "pan/tilt space not supported");
        if (!coordinate(*pt, "x", pan) || !coordinate(*pt, "y", tilt)) return invalid();
    }
    if (z) {
        const std::string* space = z->Attribute("space");
        if (space && *space != kZoomVelocitySpace)
            return Fault(400, "env:Sender", "ter:InvalidArgVal", "ter:SpaceNotSupported",
                         "zoom space not supported");
        if (!coordinate(*z, "x", zoom)) return invalid();
    }
    double timeout = 0;
    if (const XmlElement* t = req.Child("Timeout")) {
        if (m_dev.GetFaults().onvif.noTimeout)
            return Fault(400, "env:Sender", "ter:InvalidArgVal", "ter:TimeoutNotSupported",
                         "Timeout not supported");
        if (!ParseDuration(t->Value(), timeout) || timeout <= 0)
            return Fault(400, "env:Sender", "ter:InvalidArgVal", "ter:TimeoutNotSupported",
                         "bad Timeout");
        timeout = std::min(timeout, kMaxMoveTimeout);
    }
    m_dev.PtzDrive(ch, pt != nullptr, pan, tilt, z != nullptr, zoom, timeout);
    Result r;
    r.body = "<tptz:ContinuousMoveResponse/>";
    return r;
}

OnvifService::Result OnvifService::PtzStop(const XmlElement& req) {
    if (m_dev.GetFaults().onvif.noStop)
        return Fault(500, "env:Receiver", "ter:ActionNotSupported", "",
                     "Stop not supported by this dome");
    const int ch = ChannelOf("profile_", req, "ProfileToken");
    if (ch < 0) return NoSuch("profile");
    bool panTilt = true, zoom = true;  // absent flags stop both
    if (const XmlElement* e = req.Child("PanTilt"))
        if (!ParseBool(e->Value(), panTilt))
            return Fault(400, "env:Sender", "ter:InvalidArgVal", "", "PanTilt is a boolean");
    if (const XmlElement* e = req.Child("Zoom"))
        if (!ParseBool(e->Value(), zoom))
            return Fault(400, "env:Sender", "ter:InvalidArgVal", "", "Zoom is a boolean");
    m_dev.PtzHalt(ch, panTilt, zoom, false);
    Result r;
    r.body = "<tptz:StopResponse/>";
    return r;
}

OnvifService::Result OnvifService::GetPtzServiceCapabilities(const XmlElement& req) {
    Result r;
    r.body = "<tptz:Capabilities EFlip=\"false\" Reverse=\"false\" GetCompatibleConfigurations="
             "\"false\" MoveStatus=\"true\" StatusPosition=\"true\"/>";
    if (!req.name.empty())
        r.body = "<tptz:GetServiceCapabilitiesResponse>" + r.body +
                 "</tptz:GetServiceCapabilitiesResponse>";
    return r;
}

// --- imaging --------------------------------------------------------------------

OnvifService::Result OnvifService::GetImagingSettings(const XmlElement& req) {
    const int ch = ChannelOf("video_source_", req, "VideoSourceToken");
    ColourBytes c;
    if (ch < 0 || !m_dev.Colour(ch, c)) return NoSuch("source");
    Result r;
    r.body = "<timg:GetImagingSettingsResponse><timg:ImagingSettings><tt:Brightness>" +
             Num(ToLevel(c.brightness)) + "</tt:Brightness><tt:ColorSaturation>" +
             Num(ToLevel(c.saturation)) + "</tt:ColorSaturation><tt:Contrast>" +
             Num(ToLevel(c.contrast)) + "</tt:Contrast><tt:Focus><tt:AutoFocusMode>MANUAL"
             "</tt:AutoFocusMode></tt:Focus></timg:ImagingSettings>"
             "</timg:GetImagingSettingsResponse>";
    return r;
}

OnvifService::Result OnvifService::SetImagingSettings(const XmlElement& req) {
    const int ch = ChannelOf("video_source_", req, "VideoSourceToken");
    ColourBytes c;
    if (ch < 0 || !m_dev.Colour(ch, c)) return NoSuch("source");
    const XmlElement* s = req.Child("ImagingSettings");
    if (!s) return Fault(400, "env:Sender", "ter:InvalidArgs", "", "ImagingSettings missing");
    auto invalid = [](const std::string& why) {
        return Fault(400, "env:Sender", "ter:InvalidArgVal", "ter:SettingsInvalid", why);
    };
    // All checked before any is applied: a refused set changes nothing.
    const std::pair<const char*, uint8_t*> fields[] = {
        {"Brightness", &c.brightness}, {"ColorSaturation", &c.saturation},
        {"Contrast", &c.contrast}};
    for (const auto& [name, byte] : fields) {
        const XmlElement* e = s->Child(name);
        if (!e) continue;
        double v = 0;
        if (!ParseNumber(e->Value(), v) || v < 0 || v > 100)
            return invalid(std::string(name) + " runs from 0 to 100");
        *byte = ToByte(v);
    }
    if (const XmlElement* f = s->Child("Focus"))
        if (const XmlElement* mode = f->Child("AutoFocusMode"))
            if (mode->Value() != "MANUAL") return invalid("manual focus only");
    m_dev.SetColour(ch, c);
    Result r;
    r.body = "<timg:SetImagingSettingsResponse/>";
    return r;
}

OnvifService::Result OnvifService::GetImagingOptions(const XmlElement& req) {
    if (ChannelOf("video_source_", req, "VideoSourceToken") < 0) return NoSuch("source");
    Result r;
    r.body = "<timg:GetOptionsResponse><timg:ImagingOptions>" + Range("Brightness", 0, 100) +
             Range("ColorSaturation", 0, 100) + Range("Contrast", 0, 100) +
             "<tt:Focus><tt:AutoFocusModes>MANUAL</tt:AutoFocusModes></tt:Focus>"
             "</timg:ImagingOptions></timg:GetOptionsResponse>";
    return r;
}

OnvifService::Result OnvifService::GetMoveOptions(const XmlElement& req) {
    if (ChannelOf("video_source_", req, "VideoSourceToken") < 0) return NoSuch("source");
    Result r;
    r.body = "<timg:GetMoveOptionsResponse><timg:MoveOptions><tt:Continuous>" +
             Range("Speed", -1, 1) + "</tt:Continuous></timg:MoveOptions>"
             "</timg:GetMoveOptionsResponse>";
    return r;
}

OnvifService::Result OnvifService::FocusMove(const XmlElement& req) {
    const int ch = ChannelOf("video_source_", req, "VideoSourceToken");
    if (ch < 0) return NoSuch("source");
    const XmlElement* focus = req.Child("Focus");
    const XmlElement* cont = focus ? focus->Child("Continuous") : nullptr;
    if (!cont)
        return Fault(400, "env:Sender", "ter:InvalidArgVal", "ter:NoImagingForSource",
                     "continuous focus moves only");
    const XmlElement* speed = cont->Child("Speed");
    double v = 0;
    if (!speed || !ParseNumber(speed->Value(), v) || v < -1 || v > 1)
        return Fault(400, "env:Sender", "ter:InvalidArgVal", "ter:SettingsInvalid",
                     "speed runs from -1 to 1");
    m_dev.FocusDrive(ch, v);
    Result r;
    r.body = "<timg:MoveResponse/>";
    return r;
}

OnvifService::Result OnvifService::FocusStop(const XmlElement& req) {
    const int ch = ChannelOf("video_source_", req, "VideoSourceToken");
    if (ch < 0) return NoSuch("source");
    m_dev.PtzHalt(ch, false, false, true);
    Result r;
    r.body = "<timg:StopResponse/>";
    return r;
}

OnvifService::Result OnvifService::GetImagingStatus(const XmlElement& req) {
    const int ch = ChannelOf("video_source_", req, "VideoSourceToken");
    if (ch < 0) return NoSuch("source");
    const ChannelReport rep = m_dev.Report(ch);
    Result r;
    r.body = "<timg:GetStatusResponse><timg:Status><tt:FocusStatus20><tt:Position>" +
             Num(rep.position.focus / 1000) + "</tt:Position><tt:MoveStatus>" +
             (rep.motion.focus != 0 ? "MOVING" : "IDLE") +
             "</tt:MoveStatus></tt:FocusStatus20></timg:Status></timg:GetStatusResponse>";
    return r;
}

OnvifService::Result OnvifService::GetImagingServiceCapabilities(const XmlElement& req) {
    Result r;
    r.body = "<timg:Capabilities ImageStabilization=\"false\" Presets=\"false\"/>";
    if (!req.name.empty())
        r.body = "<timg:GetServiceCapabilitiesResponse>" + r.body +
                 "</timg:GetServiceCapabilitiesResponse>";
    return r;
}

}  // namespace zv::devsim
