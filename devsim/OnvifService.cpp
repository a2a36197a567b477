// The simulator's web services, their common half: the operation table,
// the dispatch of SOAP and snapshot requests, authorisation and faults.
// Each service's operations are in a file of its own (device, media, PTZ,
// imaging).
#include "OnvifService.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "Device.h"
#include "JpegCodec.h"
#include "OnvifSoapText.h"

namespace zv::devsim {

using namespace soap;

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

}  // namespace zv::devsim
