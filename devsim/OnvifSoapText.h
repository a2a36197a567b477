// The SOAP text the simulator's web services share: the namespaces, the
// envelope and the schema's number, boolean and range forms.
#pragma once

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace zv::devsim::soap {

inline const std::string kEnv = "http://www.w3.org/2003/05/soap-envelope";
inline const std::string kEnv11 = "http://schemas.xmlsoap.org/soap/envelope/";
inline const std::string kTds = "http://www.onvif.org/ver10/device/wsdl";
inline const std::string kTrt = "http://www.onvif.org/ver10/media/wsdl";
inline const std::string kTptz = "http://www.onvif.org/ver20/ptz/wsdl";
inline const std::string kTimg = "http://www.onvif.org/ver20/imaging/wsdl";
inline const std::string kWsa = "http://www.w3.org/2005/08/addressing";
inline const std::string kWsse =
    "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-secext-1.0.xsd";

inline const char* const kPanTiltVelocitySpace =
    "http://www.onvif.org/ver10/tptz/PanTiltSpaces/VelocityGenericSpace";
inline const char* const kZoomVelocitySpace =
    "http://www.onvif.org/ver10/tptz/ZoomSpaces/VelocityGenericSpace";
inline const char* const kPanTiltPositionSpace =
    "http://www.onvif.org/ver10/tptz/PanTiltSpaces/PositionGenericSpace";
inline const char* const kZoomPositionSpace =
    "http://www.onvif.org/ver10/tptz/ZoomSpaces/PositionGenericSpace";

// Longest ContinuousMove timeout honoured; longer ones are cut to it.
inline constexpr double kMaxMoveTimeout = 3600;

inline std::string Envelope(const std::string& body) {
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
inline std::string WithBindings(const std::string& answer, int count) {
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
inline std::string Num(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.4f", v);
    std::string s = buf;
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
    return s == "-0" ? "0" : s;
}

inline bool ParseNumber(const std::string& text, double& out) {
    if (text.empty() || text.size() > 32) return false;
    char* end = nullptr;
    out = std::strtod(text.c_str(), &end);
    return end && *end == '\0' && std::isfinite(out);
}

// xs:boolean; false if it is neither.
inline bool ParseBool(const std::string& text, bool& out) {
    if (text == "true" || text == "1") out = true;
    else if (text == "false" || text == "0") out = false;
    else return false;
    return true;
}

inline std::string Range(const char* element, double lo, double hi) {
    return std::string("<tt:") + element + "><tt:Min>" + Num(lo) + "</tt:Min><tt:Max>" + Num(hi) +
           "</tt:Max></tt:" + element + ">";
}

inline std::string Version(const char* prefix) {
    return std::string("<") + prefix + ":Version><tt:Major>2</tt:Major><tt:Minor>0</tt:Minor></" +
           prefix + ":Version>";
}

}  // namespace zv::devsim::soap
