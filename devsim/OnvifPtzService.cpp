// The PTZ service: nodes, configurations, status, continuous moves and stops.
#include "OnvifService.h"

#include <algorithm>
#include <cmath>

#include "Device.h"
#include "IsoTime.h"
#include "OnvifSoapText.h"

namespace zv::devsim {

using namespace soap;

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

}  // namespace zv::devsim
