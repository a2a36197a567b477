#include "OnvifMessages.h"

#include <cctype>
#include <cmath>
#include <string>

#include "DateTime.h"

namespace zv::onvif {

namespace {

const char kGenericPanTilt[] = "http://www.onvif.org/ver10/tptz/PanTiltSpaces/VelocityGenericSpace";
const char kGenericZoom[] = "http://www.onvif.org/ver10/tptz/ZoomSpaces/VelocityGenericSpace";

std::string Esc(const std::string& s) { return XmlEscape(s); }

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool ReadInt(XmlNode n, int& out) {
    double v = 0;
    if (!n || !ParseNumber(n.Value(), v) || v < 0 || v > 100000) return false;
    out = static_cast<int>(v);
    return true;
}

Range ReadRange(XmlNode n) {
    Range r;
    double lo = 0, hi = 0;
    if (n && ParseNumber(n.Child("Min").Value(), lo) && ParseNumber(n.Child("Max").Value(), hi) &&
        lo < hi) {
        r.min = lo;
        r.max = hi;
        r.present = true;
    }
    return r;
}

}  // namespace

// Both by hand: the C library's follow the host's locale, which may write
// and read a decimal comma.
std::string FormatNumber(double v) {
    if (!std::isfinite(v) || std::fabs(v) > 1e12) v = 0;
    long long scaled = std::llround(v * 10000);
    const bool negative = scaled < 0;
    if (negative) scaled = -scaled;
    std::string s = std::to_string(scaled / 10000);
    std::string frac = std::to_string(scaled % 10000);
    frac.insert(0, 4 - frac.size(), '0');
    while (!frac.empty() && frac.back() == '0') frac.pop_back();
    if (!frac.empty()) s += "." + frac;
    if (negative && s != "0") s.insert(0, "-");
    return s;
}

bool ParseNumber(const std::string& text, double& out) {
    if (text.empty() || text.size() > 40) return false;
    size_t i = 0;
    bool negative = false;
    if (text[i] == '+' || text[i] == '-') negative = text[i++] == '-';
    double v = 0;
    int digits = 0, scale = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        v = v * 10 + (text[i++] - '0');
        ++digits;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            v = v * 10 + (text[i++] - '0');
            ++digits;
            --scale;
        }
    }
    if (digits == 0) return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        bool eneg = false;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) eneg = text[i++] == '-';
        int e = 0, edigits = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9' && e < 1000) {
            e = e * 10 + (text[i++] - '0');
            ++edigits;
        }
        if (edigits == 0) return false;
        scale += eneg ? -e : e;
    }
    if (i != text.size()) return false;
    v *= std::pow(10.0, scale);
    if (!std::isfinite(v)) return false;
    out = negative ? -v : v;
    return true;
}

namespace body {
std::string GetSystemDateAndTime() { return "<tds:GetSystemDateAndTime/>"; }
std::string GetCapabilities() { return "<tds:GetCapabilities><tds:Category>All</tds:Category></tds:GetCapabilities>"; }
std::string GetServices() {
    return "<tds:GetServices><tds:IncludeCapability>false</tds:IncludeCapability></tds:GetServices>";
}
std::string GetDeviceInformation() { return "<tds:GetDeviceInformation/>"; }
std::string GetVideoSources() { return "<trt:GetVideoSources/>"; }
std::string GetProfiles() { return "<trt:GetProfiles/>"; }
std::string GetNode(const std::string& node) {
    return "<tptz:GetNode><tptz:NodeToken>" + Esc(node) + "</tptz:NodeToken></tptz:GetNode>";
}
std::string GetStreamUri(const std::string& profile) {
    return "<trt:GetStreamUri><trt:StreamSetup><tt:Stream>RTP-Unicast</tt:Stream><tt:Transport>"
           "<tt:Protocol>RTSP</tt:Protocol></tt:Transport></trt:StreamSetup><trt:ProfileToken>" +
           Esc(profile) + "</trt:ProfileToken></trt:GetStreamUri>";
}
std::string ContinuousMove(const std::string& profile, bool panTilt, double x, double y,
                           const std::string& ptSpace, bool zoom, double z,
                           const std::string& zoomSpace) {
    std::string b = "<tptz:ContinuousMove><tptz:ProfileToken>" + Esc(profile) +
                    "</tptz:ProfileToken><tptz:Velocity>";
    // The generic spaces are the default: naming them only gives picky
    // devices something to refuse.
    if (panTilt) {
        b += "<tt:PanTilt x=\"" + FormatNumber(x) + "\" y=\"" + FormatNumber(y) + "\"";
        if (!ptSpace.empty() && ptSpace != kGenericPanTilt) b += " space=\"" + Esc(ptSpace) + "\"";
        b += "/>";
    }
    if (zoom) {
        b += "<tt:Zoom x=\"" + FormatNumber(z) + "\"";
        if (!zoomSpace.empty() && zoomSpace != kGenericZoom) b += " space=\"" + Esc(zoomSpace) + "\"";
        b += "/>";
    }
    return b + "</tptz:Velocity></tptz:ContinuousMove>";
}
std::string PtzStop(const std::string& profile, bool panTilt, bool zoom) {
    return "<tptz:Stop><tptz:ProfileToken>" + Esc(profile) + "</tptz:ProfileToken><tptz:PanTilt>" +
           (panTilt ? "true" : "false") + "</tptz:PanTilt><tptz:Zoom>" + (zoom ? "true" : "false") +
           "</tptz:Zoom></tptz:Stop>";
}
std::string GetImagingOptions(const std::string& source) {
    return "<timg:GetOptions><timg:VideoSourceToken>" + Esc(source) +
           "</timg:VideoSourceToken></timg:GetOptions>";
}
std::string GetImagingSettings(const std::string& source) {
    return "<timg:GetImagingSettings><timg:VideoSourceToken>" + Esc(source) +
           "</timg:VideoSourceToken></timg:GetImagingSettings>";
}
std::string SetImagingSettings(const std::string& source, const bool has[3], const double levels[3]) {
    static const char* const kNames[3] = {"Brightness", "Contrast", "ColorSaturation"};
    // The schema's order: Brightness, ColorSaturation, Contrast.
    static const int kOrder[3] = {0, 2, 1};
    std::string b = "<timg:SetImagingSettings><timg:VideoSourceToken>" + Esc(source) +
                    "</timg:VideoSourceToken><timg:ImagingSettings>";
    for (int i : kOrder)
        if (has[i])
            b += std::string("<tt:") + kNames[i] + ">" + FormatNumber(levels[i]) + "</tt:" + kNames[i] + ">";
    return b + "</timg:ImagingSettings><timg:ForcePersistence>true</timg:ForcePersistence>"
               "</timg:SetImagingSettings>";
}
std::string FocusMove(const std::string& source, double speed) {
    return "<timg:Move><timg:VideoSourceToken>" + Esc(source) +
           "</timg:VideoSourceToken><timg:Focus><tt:Continuous><tt:Speed>" + FormatNumber(speed) +
           "</tt:Speed></tt:Continuous></timg:Focus></timg:Move>";
}
std::string FocusStop(const std::string& source) {
    return "<timg:Stop><timg:VideoSourceToken>" + Esc(source) + "</timg:VideoSourceToken></timg:Stop>";
}
}  // namespace body

bool ReadSystemDateAndTime(XmlNode response, double& out) {
    const XmlNode sdt = response.Child("SystemDateAndTime");
    for (const char* which : {"UTCDateTime", "LocalDateTime"}) {
        const XmlNode dt = sdt.Child(which);
        if (!dt) continue;
        int v[6] = {};
        const XmlNode d = dt.Child("Date"), t = dt.Child("Time");
        if (ReadInt(d.Child("Year"), v[0]) && ReadInt(d.Child("Month"), v[1]) &&
            ReadInt(d.Child("Day"), v[2]) && ReadInt(t.Child("Hour"), v[3]) &&
            ReadInt(t.Child("Minute"), v[4]) && ReadInt(t.Child("Second"), v[5]) &&
            CivilToUnix(v[0], v[1], v[2], v[3], v[4], v[5], out))
            return true;
    }
    return false;
}

void ReadCapabilities(XmlNode response, ServiceAddresses& out) {
    const XmlNode caps = response.Child("Capabilities");
    auto addr = [&](const char* name, std::string& into) {
        const std::string v = caps.Path({name, "XAddr"}).Value();
        if (!v.empty() && v.size() <= 2048) into = v;
    };
    addr("Device", out.device);
    addr("Media", out.media);
    addr("PTZ", out.ptz);
    addr("Imaging", out.imaging);
}

void ReadServices(XmlNode response, ServiceAddresses& out) {
    size_t n = 0;
    for (XmlNode s = response.Child("Service"); s && n < 64; s = s.Next("Service"), ++n) {
        const std::string ns = s.Child("Namespace").Value();
        const std::string x = s.Child("XAddr").Value();
        if (x.empty() || x.size() > 2048) continue;
        if (ns == "http://www.onvif.org/ver10/device/wsdl") out.device = x;
        else if (ns == "http://www.onvif.org/ver10/media/wsdl") out.media = x;
        else if (ns == "http://www.onvif.org/ver20/ptz/wsdl") out.ptz = x;
        else if (ns == "http://www.onvif.org/ver20/imaging/wsdl") out.imaging = x;
    }
}

void ReadDeviceInformation(XmlNode response, DeviceInformation& out) {
    out.manufacturer = response.Child("Manufacturer").Value();
    out.model = response.Child("Model").Value();
    out.firmware = response.Child("FirmwareVersion").Value();
    out.serial = response.Child("SerialNumber").Value();
}

std::vector<std::string> ReadVideoSources(XmlNode response) {
    std::vector<std::string> out;
    for (XmlNode s = response.Child("VideoSources"); s && out.size() < kMaxSources; s = s.Next("VideoSources"))
        if (const std::string* t = s.Attr("token"); t && !t->empty() && t->size() <= 64) out.push_back(*t);
    return out;
}

std::vector<MediaProfile> ReadProfiles(XmlNode response) {
    std::vector<MediaProfile> out;
    for (XmlNode p = response.Child("Profiles"); p && out.size() < kMaxProfiles; p = p.Next("Profiles")) {
        MediaProfile m;
        const std::string* t = p.Attr("token");
        if (!t || t->empty() || t->size() > 64) continue;
        m.token = *t;
        m.name = p.Child("Name").Value();
        m.sourceToken = p.Path({"VideoSourceConfiguration", "SourceToken"}).Value();
        if (const XmlNode enc = p.Child("VideoEncoderConfiguration")) {
            m.encoding = Upper(enc.Child("Encoding").Value());
            ReadInt(enc.Path({"Resolution", "Width"}), m.width);
            ReadInt(enc.Path({"Resolution", "Height"}), m.height);
        }
        if (const XmlNode ptz = p.Child("PTZConfiguration")) {
            m.hasPtz = true;
            m.ptzNodeToken = ptz.Child("NodeToken").Value();
        }
        out.push_back(std::move(m));
    }
    return out;
}

bool ReadPtzNode(XmlNode response, PtzSpaces& out) {
    const XmlNode node = response.Child("PTZNode");
    const XmlNode spaces = node.Child("SupportedPTZSpaces");
    if (!spaces) return false;
    // The generic space when offered, else the first.
    auto pick = [&](const char* name, const char* generic) {
        XmlNode first;
        for (XmlNode s = spaces.Child(name); s; s = s.Next(name)) {
            if (!first) first = s;
            if (s.Child("URI").Value() == generic) return s;
        }
        return first;
    };
    if (const XmlNode pt = pick("ContinuousPanTiltVelocitySpace", kGenericPanTilt)) {
        out.panTilt = true;
        out.panTiltUri = pt.Child("URI").Value();
        out.panX = ReadRange(pt.Child("XRange"));
        out.panY = ReadRange(pt.Child("YRange"));
    }
    if (const XmlNode z = pick("ContinuousZoomVelocitySpace", kGenericZoom)) {
        out.hasZoom = true;
        out.zoomUri = z.Child("URI").Value();
        out.zoom = ReadRange(z.Child("XRange"));
    }
    return true;
}

void ReadImagingOptions(XmlNode response, ImagingRanges& out) {
    const XmlNode o = response.Child("ImagingOptions");
    out.brightness = ReadRange(o.Child("Brightness"));
    out.contrast = ReadRange(o.Child("Contrast"));
    out.saturation = ReadRange(o.Child("ColorSaturation"));
}

void ReadImagingSettings(XmlNode response, ImagingLevels& out) {
    const XmlNode s = response.Child("ImagingSettings");
    static const char* const kNames[3] = {"Brightness", "Contrast", "ColorSaturation"};
    for (int i = 0; i < 3; ++i) {
        out.has[i] = false;
        if (const XmlNode n = s.Child(kNames[i])) out.has[i] = ParseNumber(n.Value(), out.level[i]);
    }
}

std::string ReadMediaUri(XmlNode response) {
    const std::string u = response.Path({"MediaUri", "Uri"}).Value();
    return u.size() <= 2048 ? u : std::string();
}

}  // namespace zv::onvif
