// The imaging service: the picture settings, their options, and the focus moves.
#include "OnvifService.h"

#include "Device.h"
#include "OnvifSoapText.h"

namespace zv::devsim {

using namespace soap;

OnvifService::Result OnvifService::GetImagingSettings(const XmlElement& req) {
    const int ch = ChannelOf("video_source_", req, "VideoSourceToken");
    ColorBytes c;
    if (ch < 0 || !m_dev.Color(ch, c)) return NoSuch("source");
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
    ColorBytes c;
    if (ch < 0 || !m_dev.Color(ch, c)) return NoSuch("source");
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
    m_dev.SetColor(ch, c);
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
