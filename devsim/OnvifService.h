// The web services of one device (device, media, PTZ and imaging) and its
// snapshot URL, over HTTP requests already cut by HttpServer. SOAP 1.2
// envelopes in, answers or faults out, the way cameras give them: a Sender
// fault with HTTP 400 for what the client got wrong, 401 when credentials
// are missing, a Receiver fault with 500 for what the device does not do.
// Everything is backed by the Device: the same domes, colour bytes and
// pictures as the private protocol.
#pragma once

#include <string>

#include "DigestAuth.h"
#include "HttpServer.h"
#include "UsernameToken.h"
#include "Xml.h"

namespace zv::devsim {

class Device;

class OnvifService {
public:
    // How far a token's Created may be from the device's clock.
    static constexpr double kClockTolerance = 60;
    static constexpr size_t kMaxNonces = 8192;

    explicit OnvifService(Device& device);

    HttpServer::Outcome Handle(const HttpRequest& req);

    // Web-service value 0..100 <-> colour byte 0..255 (50 is the neutral 127).
    static double ToLevel(uint8_t byte);
    static uint8_t ToByte(double level);

    struct Result {
        std::string body;  // the operation's response element, or empty for a fault
        int http = 200;
        std::string code, subcode, detail, reason;  // a fault when code is set
    };

private:
    using Op = Result (OnvifService::*)(const XmlElement& request);
    struct Operation {
        const char* ns;
        const char* name;
        bool open;  // answered without credentials
        Op fn;
    };
    static const Operation kOperations[];

    HttpServer::Outcome Soap(const HttpRequest& req);
    HttpServer::Outcome SnapshotRequest(const HttpRequest& req);
    // Checks the header's credentials; a fault Result if they do not pass.
    bool Authorise(const XmlElement* header, Result& fault);

    static Result Fault(int http, const std::string& code, const std::string& subcode,
                        const std::string& detail, const std::string& reason);
    std::string Base() const;
    // The host the answers name: the device's, or a foreign one (a fault).
    std::string HostInAnswers() const;
    // Channel of a token "<prefix><1-based number>", or -1.
    int ChannelOf(const std::string& prefix, const XmlElement& request,
                  const std::string& element) const;
    Result NoSuch(const char* what) const;

    // Device.
    Result GetSystemDateAndTime(const XmlElement&);
    Result GetCapabilities(const XmlElement&);
    Result GetServices(const XmlElement&);
    Result GetDeviceServiceCapabilities(const XmlElement&);
    Result GetDeviceInformation(const XmlElement&);
    Result GetScopes(const XmlElement&);
    // Media.
    Result GetProfiles(const XmlElement&);
    Result GetProfile(const XmlElement&);
    Result GetVideoSources(const XmlElement&);
    Result GetVideoSourceConfigurations(const XmlElement&);
    Result GetVideoEncoderConfigurations(const XmlElement&);
    Result GetStreamUri(const XmlElement&);
    Result GetSnapshotUri(const XmlElement&);
    Result GetMediaServiceCapabilities(const XmlElement&);
    // PTZ.
    Result GetNodes(const XmlElement&);
    Result GetNode(const XmlElement&);
    Result GetConfigurations(const XmlElement&);
    Result GetConfiguration(const XmlElement&);
    Result GetPtzStatus(const XmlElement&);
    Result ContinuousMove(const XmlElement&);
    Result PtzStop(const XmlElement&);
    Result GetPtzServiceCapabilities(const XmlElement&);
    // Imaging.
    Result GetImagingSettings(const XmlElement&);
    Result SetImagingSettings(const XmlElement&);
    Result GetImagingOptions(const XmlElement&);
    Result GetMoveOptions(const XmlElement&);
    Result FocusMove(const XmlElement&);
    Result FocusStop(const XmlElement&);
    Result GetImagingStatus(const XmlElement&);
    Result GetImagingServiceCapabilities(const XmlElement&);

    // XML pieces.
    std::string ProfileXml(int ch) const;
    std::string VideoSourceConfigXml(int ch, const char* element) const;
    std::string VideoEncoderConfigXml(int ch, const char* element) const;
    std::string PtzConfigXml(int ch, const char* element) const;
    std::string PtzNodeXml(int ch, const char* element) const;

    Device& m_dev;
    UsernameTokenVerifier m_tokens;
    DigestAuth m_digest;
};

}  // namespace zv::devsim
