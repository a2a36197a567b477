// The device service: the clock, capabilities, services, identity and scopes.
#include "OnvifService.h"

#include "Device.h"
#include "IsoTime.h"
#include "OnvifSoapText.h"

namespace zv::devsim {

using namespace soap;

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

}  // namespace zv::devsim
