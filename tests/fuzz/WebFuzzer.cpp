// fuzz_web: devsim's text faces. The request parser of the web services and
// the streams (both dialects), fed in random chunks; the XML reader; and the
// web services' handler on a device that was never started, with envelopes
// built around fuzzed operations and bodies, signed with a good token or not.
//
// Invariants: a stream cut into any chunks gives the same requests and the
// same verdict as the stream in one piece; nothing the parser holds or
// returns exceeds its limits; once in error it stays there; the handler
// answers every request with a status from its short list and a bounded body.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "SimBase64.h"
#include "Crypto.h"
#include "Device.h"
#include "FuzzCheck.h"
#include "HttpParser.h"
#include "Input.h"
#include "IsoTime.h"
#include "OnvifService.h"
#include "UsernameToken.h"
#include "Xml.h"

namespace zv::fuzz {
namespace {

using devsim::HttpParser;
using devsim::HttpRequest;

struct Parsed {
    std::vector<std::string> requests;  // method, target, headers and body, flattened
    int interleaved = 0;
    bool error = false;
    int status = 0;
};

std::string Flatten(const HttpRequest& r) {
    std::string s = r.method + ' ' + r.target + ' ' + r.version + '\n';
    for (const auto& [name, value] : r.headers) s += name + ": " + value + '\n';
    return s + '\n' + r.body;
}

// Feeds `stream` in the chunk sizes given (cycled), taking requests out
// after every feed, as a connection does.
Parsed Parse(HttpParser::Dialect dialect, const std::vector<uint8_t>& stream,
             const std::vector<size_t>& chunks) {
    const HttpParser::Limits limits;
    HttpParser parser(dialect, limits);
    Parsed out;
    size_t pos = 0, k = 0;
    while (pos < stream.size() && !out.error) {
        const size_t n = std::min(stream.size() - pos, chunks.empty() ? stream.size() : chunks[k++ % chunks.size()]);
        if (!parser.Feed(stream.data() + pos, n)) {
            out.error = true;
            out.status = parser.ErrorStatus();
            break;
        }
        pos += n;
        for (;;) {
            HttpRequest req;
            const HttpParser::Status st = parser.Next(req);
            if (st == HttpParser::Status::NeedMore) break;
            if (st == HttpParser::Status::Error) {
                out.error = true;
                out.status = parser.ErrorStatus();
                FUZZ_CHECK(out.status >= 400 && out.status < 600);
                // An error is final.
                FUZZ_CHECK(parser.Next(req) == HttpParser::Status::Error);
                break;
            }
            if (st == HttpParser::Status::Interleaved) {
                FUZZ_CHECK(dialect == HttpParser::Dialect::Rtsp);
                ++out.interleaved;
                continue;
            }
            FUZZ_CHECK(!req.method.empty());
            FUZZ_CHECK(req.body.size() <= limits.maxBody);
            FUZZ_CHECK(req.headers.size() <= limits.maxHeaders);
            out.requests.push_back(Flatten(req));
        }
        // What waits in the buffer is never more than one request's worth.
        FUZZ_CHECK(parser.Buffered() <= limits.maxHeaderBytes + limits.maxBody + 2 * limits.maxLine + 65540);
    }
    return out;
}

void FuzzParser(Input& in) {
    const auto dialect = in.Bool() ? HttpParser::Dialect::Rtsp : HttpParser::Dialect::Http;
    std::vector<size_t> chunks;
    for (int i = in.Range(0, 8); i > 0; --i) chunks.push_back(in.Range<size_t>(1, 300));
    const std::vector<uint8_t> stream = in.Bytes(in.Remaining());
    const Parsed whole = Parse(dialect, stream, {});
    const Parsed cut = Parse(dialect, stream, chunks);
    // The cut stream may stop earlier (a feed over the buffer's bound), but
    // what it did return is what the whole stream returned, in order.
    FUZZ_CHECK(cut.requests.size() <= whole.requests.size() || !whole.error);
    const size_t common = std::min(cut.requests.size(), whole.requests.size());
    for (size_t i = 0; i < common; ++i) FUZZ_CHECK(cut.requests[i] == whole.requests[i]);
    if (!cut.error && !whole.error) {
        FUZZ_CHECK(cut.requests == whole.requests);
        FUZZ_CHECK(cut.interleaved == whole.interleaved);
    }
}

void FuzzXml(Input& in) {
    const std::vector<uint8_t> bytes = in.Bytes(in.Remaining());
    const std::string text(bytes.begin(), bytes.end());
    devsim::XmlElement root;
    std::string error;
    devsim::XmlReader::Parse(text, root, &error);
}

// ---- the web services' handler ----------------------------------------------

const char* const kPaths[] = {"/onvif/device_service", "/onvif/media_service", "/onvif/ptz_service",
                              "/onvif/imaging_service", "/", "/onvif/snapshot", "/nowhere"};
const char* const kNamespaces[] = {
    "http://www.onvif.org/ver10/device/wsdl", "http://www.onvif.org/ver10/media/wsdl",
    "http://www.onvif.org/ver20/ptz/wsdl", "http://www.onvif.org/ver20/imaging/wsdl", "urn:unknown"};
const char* const kOperations[] = {
    "GetSystemDateAndTime", "GetCapabilities", "GetServices", "GetDeviceInformation", "GetScopes",
    "GetProfiles", "GetProfile", "GetVideoSources", "GetStreamUri", "GetSnapshotUri", "GetNodes",
    "GetNode", "GetConfigurations", "GetConfiguration", "GetStatus", "ContinuousMove", "Stop",
    "GetImagingSettings", "SetImagingSettings", "GetOptions", "GetMoveOptions", "Move",
    "GetServiceCapabilities", "Frobnicate"};
const char* const kFragments[] = {
    "<trt:ProfileToken>profile_0</trt:ProfileToken>", "<tptz:ProfileToken>profile_1</tptz:ProfileToken>",
    "<timg:VideoSourceToken>source_0</timg:VideoSourceToken>",
    "<tptz:Velocity><tt:PanTilt x=\"0.5\" y=\"-1\"/><tt:Zoom x=\"0.2\"/></tptz:Velocity>",
    "<tptz:Timeout>PT1S</tptz:Timeout>", "<tptz:PanTilt>true</tptz:PanTilt><tptz:Zoom>false</tptz:Zoom>",
    "<timg:ImagingSettings><tt:Brightness>80</tt:Brightness><tt:ColorSaturation>-3</tt:ColorSaturation></timg:ImagingSettings>",
    "<timg:Focus><tt:Continuous><tt:Speed>0.5</tt:Speed></tt:Continuous></timg:Focus>",
    "<trt:StreamSetup><tt:Stream>RTP-Unicast</tt:Stream></trt:StreamSetup>", "<tds:Category>All</tds:Category>",
    "<x", "&amp;&#x41;&lt;", "<![CDATA[]]>"};

const char* const kMethods[] = {"POST", "POST", "GET", "PUT"};
const char* const kContentTypes[] = {"application/soap+xml; charset=utf-8", "text/xml",
                                     "application/octet-stream"};

std::string Security(Input& in, const std::string& password, double now) {
    if (!in.Bool()) return in.Bool() ? in.Text(200) : std::string();
    std::vector<uint8_t> nonce = in.Bytes(in.Range<size_t>(0, 24));
    // A good token (now, the right digest) or a skewed or wrong one.
    const double skew = in.Bool() ? 0 : in.Range(-200, 200);
    const std::string created = devsim::FormatDateTime(now + skew);
    const bool good = in.Bool();
    const std::string digest = good ? devsim::PasswordDigest(nonce, created, password) : in.Text(40);
    return "<wsse:Security xmlns:wsse=\"http://docs.oasis-open.org/wss/2004/01/"
           "oasis-200401-wss-wssecurity-secext-1.0.xsd\"><wsse:UsernameToken><wsse:Username>admin"
           "</wsse:Username><wsse:Password Type=\"http://docs.oasis-open.org/wss/2004/01/"
           "oasis-200401-wss-username-token-profile-1.0#PasswordDigest\">" +
           digest + "</wsse:Password><wsse:Nonce>" + devsim::Base64Encode(nonce.data(), nonce.size()) +
           "</wsse:Nonce><wsu:Created xmlns:wsu=\"http://docs.oasis-open.org/wss/2004/01/"
           "oasis-200401-wss-wssecurity-utility-1.0.xsd\">" +
           created + "</wsu:Created></wsse:UsernameToken></wsse:Security>";
}

class WebHarness {
public:
    WebHarness() : m_dev(Options()), m_service(m_dev) {}

    void Run(Input& in) {
        for (int requests = in.Range(1, 6); requests > 0 && in.Remaining(); --requests) {
            HttpRequest req;
            req.method = in.Pick(kMethods);
            req.target = in.Pick(kPaths);
            req.version = "HTTP/1.1";
            req.headers.push_back({"Content-Type", in.Pick(kContentTypes)});
            if (in.Bool()) {
                req.body = in.Text(512);  // anything at all
            } else {
                // Read in this order (the seeds are written in it).
                const std::string op = in.Pick(kOperations);
                std::string content;
                for (int f = in.Range(0, 3); f > 0; --f) content += in.Pick(kFragments);
                const std::string security = Security(in, "admin", m_dev.WallClock());
                const std::string ns = in.Pick(kNamespaces);
                req.body = "<?xml version=\"1.0\"?><env:Envelope xmlns:env=\"http://www.w3.org/2003/05/soap-envelope\""
                           " xmlns:tt=\"http://www.onvif.org/ver10/schema\" xmlns:trt=\"http://www.onvif.org/ver10/media/wsdl\""
                           " xmlns:tptz=\"http://www.onvif.org/ver20/ptz/wsdl\" xmlns:timg=\"http://www.onvif.org/ver20/imaging/wsdl\""
                           " xmlns:tds=\"http://www.onvif.org/ver10/device/wsdl\"><env:Header>" +
                           security + "</env:Header><env:Body><m:" + op + " xmlns:m=\"" + ns + "\">" + content + "</m:" + op + "></env:Body></env:Envelope>";
            }
            const devsim::HttpServer::Outcome out = m_service.Handle(req);
            const int s = out.response.status;
            Trace("%s %s (%zu bytes) -> %d, %zu bytes", req.method.c_str(), req.target.c_str(), req.body.size(), s,
                  out.response.body.size());
            FUZZ_CHECK(s == 200 || s == 400 || s == 401 || s == 403 || s == 404 || s == 405 ||
                       s == 413 || s == 415 || s == 500 || s == 501 || s == 503);
            FUZZ_CHECK(out.response.body.size() < 256 * 1024);
            FUZZ_CHECK(out.delayMs >= 0 && out.delayMs <= 600000);
        }
    }

private:
    static devsim::DeviceOptions Options() {
        devsim::DeviceOptions o;
        o.address = "127.0.0.9";
        o.port = 0;
        o.channels = 2;
        o.users = {{"admin", "admin"}};
        return o;
    }

    devsim::Device m_dev;
    devsim::OnvifService m_service;
};

}  // namespace
}  // namespace zv::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    zv::fuzz::Input in(data, size);
    switch (in.Range(0, 2)) {
    case 0: zv::fuzz::FuzzParser(in); break;
    case 1: zv::fuzz::FuzzXml(in); break;
    default: {
        zv::fuzz::WebHarness harness;
        harness.Run(in);
        break;
    }
    }
    return 0;
}
