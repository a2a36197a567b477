// The media service: profiles, video sources and encoders, stream and snapshot addresses.
#include "OnvifService.h"

#include "Device.h"
#include "OnvifSoapText.h"

namespace zv::devsim {

using namespace soap;

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

}  // namespace zv::devsim
