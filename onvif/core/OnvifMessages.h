// The requests this library sends to a device's services, and what it reads
// from their answers. Bodies are plain text; readers take the response
// element (from ParseSoapReply) and fill small structs, tolerating the
// variety cameras answer with (elements in other orders or namespaces,
// optional parts missing). Counts are bounded.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "XmlDoc.h"

namespace zv::onvif {

constexpr size_t kMaxProfiles = 64;
constexpr size_t kMaxSources = 64;

namespace body {
std::string GetSystemDateAndTime();
std::string GetCapabilities();
std::string GetServices();
std::string GetDeviceInformation();
std::string GetVideoSources();
std::string GetProfiles();
std::string GetNode(const std::string& nodeToken);
std::string GetStreamUri(const std::string& profileToken);
// Velocities already in the node's space; a group left out is not named.
std::string ContinuousMove(const std::string& profileToken, bool panTilt, double x, double y,
                           const std::string& panTiltSpace, bool zoom, double z,
                           const std::string& zoomSpace);
std::string PtzStop(const std::string& profileToken, bool panTilt, bool zoom);
std::string GetImagingOptions(const std::string& sourceToken);
std::string GetImagingSettings(const std::string& sourceToken);
// Only the levels given (has* true) are named.
std::string SetImagingSettings(const std::string& sourceToken, const bool has[3],
                               const double levels[3]);
std::string FocusMove(const std::string& sourceToken, double speed);
std::string FocusStop(const std::string& sourceToken);
}  // namespace body

// Numbers as xs:float without exponents, at most four decimals.
std::string FormatNumber(double v);
bool ParseNumber(const std::string& text, double& out);

// Seconds since 1970 UTC of the device's clock; false without a readable
// UTC (or, failing that, local) date and time.
bool ReadSystemDateAndTime(XmlNode response, double& unixSeconds);

struct ServiceAddresses {
    std::string device, media, ptz, imaging;
};
// From GetCapabilities or GetServices; fills what it finds.
void ReadCapabilities(XmlNode response, ServiceAddresses& out);
void ReadServices(XmlNode response, ServiceAddresses& out);

struct DeviceInformation {
    std::string manufacturer, model, firmware, serial;
};
void ReadDeviceInformation(XmlNode response, DeviceInformation& out);

std::vector<std::string> ReadVideoSources(XmlNode response);

struct MediaProfile {
    std::string token, name;
    std::string sourceToken;  // of its video source configuration
    std::string encoding;     // "JPEG", "H264", ... (upper case), empty without an encoder
    int width = 0, height = 0;
    std::string ptzNodeToken;  // empty without a PTZ configuration
    bool hasPtz = false;
};
std::vector<MediaProfile> ReadProfiles(XmlNode response);

struct Range {
    double min = 0, max = 0;
    bool present = false;
};
struct PtzSpaces {
    std::string panTiltUri, zoomUri;
    Range panX, panY, zoom;
    bool panTilt = false, hasZoom = false;
};
// The node's continuous velocity spaces; the generic ones when offered.
bool ReadPtzNode(XmlNode response, PtzSpaces& out);

struct ImagingRanges {
    Range brightness, contrast, saturation;
};
void ReadImagingOptions(XmlNode response, ImagingRanges& out);

struct ImagingLevels {
    double level[3] = {0, 0, 0};  // brightness, contrast, saturation
    bool has[3] = {false, false, false};
};
void ReadImagingSettings(XmlNode response, ImagingLevels& out);

std::string ReadMediaUri(XmlNode response);

}  // namespace zv::onvif
