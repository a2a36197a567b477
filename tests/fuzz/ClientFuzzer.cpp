// fuzz_client: what the web-service build of the network library reads from
// a device. Responses cut in random chunks (both dialects); XML and SOAP
// answers with every reader run over them; login challenges answered;
// session descriptions; addresses and URLs; RTSP header values (Session,
// CSeq and other numbers).
//
// Invariants: a stream cut into any chunks gives the same messages as the
// stream in one piece, and never holds more than one message's bound; an
// error is final; readers return bounded lists; a URL that parses prints
// back as one that parses to the same place; Basic is never answered; a
// Session header gives a bounded id and a timeout of 1..3600 s; a number
// reads back as written or is refused.
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "HttpAuth.h"
#include "HttpMessage.h"
#include "Input.h"
#include "OnvifMessages.h"
#include "RtspClient.h"
#include "Sdp.h"
#include "Soap.h"
#include "Url.h"
#include "XmlDoc.h"

namespace zv::fuzz {
namespace {

using namespace zv::onvif;

struct Parsed {
    std::vector<std::string> messages;
    bool error = false;
};

Parsed Parse(ResponseParser::Dialect d, const std::vector<uint8_t>& stream, const std::vector<size_t>& chunks,
             bool close) {
    const ResponseParser::Limits lim;
    ResponseParser p(d, lim);
    Parsed out;
    size_t pos = 0, k = 0;
    auto drain = [&] {
        for (;;) {
            Response r;
            const auto st = p.Next(r);
            if (st == ResponseParser::Status::NeedMore) return;
            if (st == ResponseParser::Status::Error) {
                out.error = true;
                FUZZ_CHECK(p.Next(r) == ResponseParser::Status::Error);
                return;
            }
            if (st == ResponseParser::Status::Interleaved) {
                FUZZ_CHECK(d == ResponseParser::Dialect::Rtsp);
                FUZZ_CHECK(p.InterleavedData().size() <= 65535);
                out.messages.push_back("$" + std::to_string(p.InterleavedChannel()) + p.InterleavedData());
                continue;
            }
            FUZZ_CHECK(r.status >= 100 && r.status <= 999);
            FUZZ_CHECK(r.body.size() <= lim.maxBody);
            FUZZ_CHECK(r.headers.size() <= lim.maxHeaders);
            out.messages.push_back(std::to_string(r.status) + r.reason + "\n" + r.body);
        }
    };
    while (pos < stream.size() && !out.error) {
        const size_t n = std::min(stream.size() - pos, chunks.empty() ? stream.size() : chunks[k++ % chunks.size()]);
        if (!p.Feed(stream.data() + pos, n)) {
            out.error = true;
            break;
        }
        pos += n;
        drain();
        FUZZ_CHECK(p.Buffered() <= lim.maxHeadBytes + lim.maxBody + 2 * lim.maxLine + 65540);
    }
    if (close && !out.error) {
        p.Finish();
        drain();
    }
    return out;
}

void FuzzResponses(Input& in) {
    const auto d = in.Bool() ? ResponseParser::Dialect::Rtsp : ResponseParser::Dialect::Http;
    const bool close = in.Bool();
    std::vector<size_t> chunks;
    for (int i = in.Range(0, 8); i > 0; --i) chunks.push_back(in.Range<size_t>(1, 300));
    const std::vector<uint8_t> stream = in.Bytes(in.Remaining());
    const Parsed whole = Parse(d, stream, {}, close);
    const Parsed cut = Parse(d, stream, chunks, close);
    const size_t common = std::min(whole.messages.size(), cut.messages.size());
    for (size_t i = 0; i < common; ++i) FUZZ_CHECK(whole.messages[i] == cut.messages[i]);
    if (!whole.error && !cut.error) FUZZ_CHECK(whole.messages == cut.messages);
}

void Walk(XmlNode n, int depth, size_t& seen) {
    FUZZ_CHECK(depth <= 64);
    for (XmlNode c = n.FirstChild(); c; c = c.Next()) {
        ++seen;
        c.Value();
        c.Attr("token");
        Walk(c, depth + 1, seen);
    }
}

void FuzzSoap(Input& in) {
    const std::vector<uint8_t> bytes = in.Bytes(in.Remaining());
    const std::string text(bytes.begin(), bytes.end());
    SoapReply r;
    ParseSoapReply(text, r);
    if (r.doc.Root()) {
        size_t seen = 1;
        Walk(r.doc.Root(), 1, seen);
        FUZZ_CHECK(seen == r.doc.NodeCount());
    }
    if (r.kind == SoapReply::Kind::Malformed) return;
    FUZZ_CHECK(r.element);
    FUZZ_CHECK(r.reason.size() <= 256);
    const XmlNode e = r.element;
    double t;
    ReadSystemDateAndTime(e, t);
    ServiceAddresses a;
    ReadCapabilities(e, a);
    ReadServices(e, a);
    DeviceInformation info;
    ReadDeviceInformation(e, info);
    FUZZ_CHECK(ReadVideoSources(e).size() <= kMaxSources);
    FUZZ_CHECK(ReadProfiles(e).size() <= kMaxProfiles);
    PtzSpaces s;
    ReadPtzNode(e, s);
    FUZZ_CHECK(!s.panX.present || s.panX.min < s.panX.max);
    ImagingRanges ir;
    ReadImagingOptions(e, ir);
    ImagingLevels il;
    ReadImagingSettings(e, il);
    FUZZ_CHECK(ReadMediaUri(e).size() <= 2048);
}

void FuzzAuth(Input& in) {
    std::vector<std::string> values;
    for (int i = in.Range(1, 3); i > 0; --i) values.push_back(in.Text(400));
    const auto all = ParseChallenges(values);
    FUZZ_CHECK(all.size() <= 16);
    for (const auto& c : all) FUZZ_CHECK(c.params.size() <= 32);
    HttpAuth auth(in.Text(20), in.Text(20));
    for (int round = 0; round < 3; ++round) {
        if (!auth.OnChallenge(values)) break;
        const std::string h = auth.Authorization("DESCRIBE", "rtsp://h/s");
        FUZZ_CHECK(!h.empty());
        FUZZ_CHECK(h.rfind("Digest ", 0) == 0);
        FUZZ_CHECK(h.find('\n') == std::string::npos || auth.Active() == HttpAuth::Scheme::Digest);
    }
}

void FuzzText(Input& in) {
    const std::string text = in.Text(3000);
    Sdp sdp;
    if (ParseSdp(text, sdp)) {
        FUZZ_CHECK(sdp.media.size() <= 16);
        for (const auto& m : sdp.media) {
            FmtpParameter(m.fmtp, "sprop-parameter-sets");
            ResolveControl("rtsp://h/s", m.control);
        }
    }
    Url u;
    if (ParseUrl(text, u)) {
        Url again;
        FUZZ_CHECK(ParseUrl(u.ToString(), again));
        FUZZ_CHECK(again.host == u.host && again.port == u.port && again.path == u.path);
    }
    if (ParseDeviceAddress(text, u)) {
        FUZZ_CHECK(u.scheme == "http" && !u.host.empty() && u.port != 0);
        Url again;
        FUZZ_CHECK(ParseUrl(u.ToString(), again));
    }
}

void FuzzRtspHeaders(Input& in) {
    const std::string value = in.Text(300);
    std::string id;
    int timeout = 60;
    if (ParseSessionHeader(value, id, timeout)) {
        FUZZ_CHECK(!id.empty() && id.size() <= 256 && id.find(';') == std::string::npos);
    }
    FUZZ_CHECK(timeout >= 1 && timeout <= 3600);
    const uint32_t max = in.Int<uint32_t>();
    uint32_t n = 0;
    if (ParseDecimal(value, max, n)) {
        FUZZ_CHECK(n <= max);
        if (value.size() == 1 || value[0] != '0') FUZZ_CHECK(std::to_string(n) == value);
    }
}

}  // namespace
}  // namespace zv::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    zv::fuzz::Input in(data, size);
    switch (in.Range(0, 4)) {
    case 0: zv::fuzz::FuzzResponses(in); break;
    case 1: zv::fuzz::FuzzSoap(in); break;
    case 2: zv::fuzz::FuzzAuth(in); break;
    case 3: zv::fuzz::FuzzText(in); break;
    default: zv::fuzz::FuzzRtspHeaders(in); break;
    }
    return 0;
}
