// The web services against an in-process device: who may call what, the
// profiles and URIs, the dome and the colour settings shared with the
// device protocol, the fault switches, and hostile requests.
#include <chrono>
#include <cmath>
#include <random>
#include <thread>

#include "Device.h"
#include "IsoTime.h"
#include "JpegCodec.h"
#include "OnvifFixture.h"

using namespace zv::test;
using namespace zv::devsim;
using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

namespace {

const char* const kProfiles = "<trt:GetProfiles/>";

std::string Move(const std::string& profile, double x, double y, const std::string& extra = "") {
    return "<tptz:ContinuousMove><tptz:ProfileToken>" + profile +
           "</tptz:ProfileToken><tptz:Velocity><tt:PanTilt x=\"" + std::to_string(x) +
           "\" y=\"" + std::to_string(y) + "\"/></tptz:Velocity>" + extra +
           "</tptz:ContinuousMove>";
}

std::string ImagingSet(const std::string& settings, const std::string& source = "video_source_1") {
    return "<timg:SetImagingSettings><timg:VideoSourceToken>" + source +
           "</timg:VideoSourceToken><timg:ImagingSettings>" + settings +
           "</timg:ImagingSettings></timg:SetImagingSettings>";
}

// The decoded snapshot of a channel, through HTTP Digest as clients fetch it.
bool Snapshot(const std::string& ip, uint16_t port, int channel, Image& out, int* status = nullptr) {
    const std::string path = "/snapshot/" + std::to_string(channel) + ".jpg";
    WebClient c;
    WebResponse r;
    if (!c.Connect(ip, port) ||
        !c.Exchange("GET " + path + " HTTP/1.1\r\nHost: x\r\n\r\n", r))
        return false;
    if (r.status != 401) {
        if (status) *status = r.status;
        return false;
    }
    const std::string auth = DigestAnswer(r.Header("www-authenticate"), "admin", "admin", "GET", path);
    if (!c.Exchange("GET " + path + " HTTP/1.1\r\nHost: x\r\nAuthorization: " + auth + "\r\n\r\n",
                    r))
        return false;
    if (status) *status = r.status;
    return r.status == 200 && r.Header("content-type") == "image/jpeg" &&
           JpegCodec::Decode(reinterpret_cast<const uint8_t*>(r.body.data()), r.body.size(), out,
                             nullptr);
}

double MeanLuma(const Image& img) {
    double sum = 0;
    for (size_t i = 0; i < img.rgb.size(); ++i) sum += img.rgb[i];
    return sum / static_cast<double>(img.rgb.size());
}

}  // namespace

class Onvif : public OnvifFixture {};

TEST_F(Onvif, DateAndTimeNeedNoLoginAndFollowTheDeviceClock) {
    auto deviceTime = [&] {
        const Soap s = Call("device_service", "<tds:GetSystemDateAndTime/>", "");
        EXPECT_EQ(s.status, 200) << s.raw;
        const XmlElement* utc = s.Response() ? s.Response()->Find("UTCDateTime") : nullptr;
        if (!utc) return 0.0;
        auto v = [&](const char* n) { return std::stoi(utc->Find(n)->Value()); };
        double t = 0;
        char buf[40];
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02dZ", v("Year"), v("Month"),
                      v("Day"), v("Hour"), v("Minute"), v("Second"));
        EXPECT_TRUE(ParseDateTime(buf, t)) << buf;
        return t;
    };
    EXPECT_NEAR(deviceTime(), WallNow(), 3);
    EXPECT_EQ(Ctl(std::string("onvif-skew ") + kDev + " 3600"), "OK");
    EXPECT_NEAR(deviceTime(), WallNow() + 3600, 3);
    // Credentials on an open operation are not checked: a client learns the
    // device's time here before it can make a token the device accepts.
    EXPECT_EQ(Call("device_service", "<tds:GetSystemDateAndTime/>", Token("admin", "wrong")).status,
              200);
}

TEST_F(Onvif, EveryOtherOperationNeedsAFreshValidToken) {
    const Soap none = Call("media_service", kProfiles, "");
    EXPECT_EQ(none.status, 401);
    EXPECT_EQ(none.FaultCodes(), "env:Sender/ter:NotAuthorized");
    for (const std::string& header :
         {Token("admin", "wrong"), Token("nobody", "admin"), Token("admin", "admin", -120),
          Token("admin", "admin", 120)}) {
        const Soap s = Call("media_service", kProfiles, header);
        EXPECT_EQ(s.status, 400);
        EXPECT_EQ(s.FaultCodes(), "env:Sender/ter:NotAuthorized");
    }
    const std::string token = Token("viewer", "s3cret-pass");
    EXPECT_EQ(Call("media_service", kProfiles, token).status, 200);
    // The same token again is a replay.
    const Soap replay = Call("media_service", kProfiles, token);
    EXPECT_EQ(replay.status, 400);
    EXPECT_NE(replay.raw.find("replayed"), std::string::npos);
    EXPECT_EQ(Counter("soap_replays"), 1);
    EXPECT_EQ(Counter("soap_auth_failures"), 6);
    // With the device's clock off, a client that goes by its own clock is
    // refused; one that goes by the device's time, as clients do, passes.
    EXPECT_EQ(Ctl(std::string("onvif-skew ") + kDev + " -600"), "OK");
    EXPECT_EQ(Call("media_service", kProfiles, Token()).status, 400);
    EXPECT_EQ(Call("media_service", kProfiles, Token("admin", "admin", -600)).status, 200);
    // Refusing logins refuses the right ones too.
    EXPECT_EQ(Ctl(std::string("onvif-refuse ") + kDev + " on"), "OK");
    EXPECT_EQ(Call("media_service", kProfiles, Token("admin", "admin", -600)).status, 400);
}

TEST_F(Onvif, ServicesProfilesAndUrisDescribeEachChannel) {
    const std::string base = "http://" + std::string(kDev) + ":" + std::to_string(HttpPort());
    const Soap caps = Call("device_service", "<tds:GetCapabilities/>");
    ASSERT_EQ(caps.status, 200) << caps.raw;
    EXPECT_EQ(caps.Response()->Find("Media")->Child("XAddr")->Value(), base + "/onvif/media_service");
    EXPECT_EQ(caps.Response()->Find("PTZ")->Child("XAddr")->Value(), base + "/onvif/ptz_service");
    EXPECT_EQ(caps.Response()->Find("Imaging")->Child("XAddr")->Value(),
              base + "/onvif/imaging_service");
    const Soap services = Call("device_service",
                               "<tds:GetServices><tds:IncludeCapability>true</tds:IncludeCapability>"
                               "</tds:GetServices>");
    ASSERT_EQ(services.status, 200);
    EXPECT_EQ(services.Response()->children.size(), 4u);
    EXPECT_NE(services.Response()->Find("Capabilities"), nullptr);
    const Soap info = Call("device_service", "<tds:GetDeviceInformation/>");
    EXPECT_EQ(info.Response()->Child("SerialNumber")->Value(), "DS-127.0.0.40");

    const Soap profiles = Call("media_service", kProfiles);
    ASSERT_EQ(profiles.status, 200);
    ASSERT_EQ(profiles.Response()->children.size(), static_cast<size_t>(kChannels));
    const XmlElement& p2 = profiles.Response()->children[1];
    EXPECT_EQ(*p2.Attribute("token"), "profile_2");
    EXPECT_EQ(p2.Find("VideoSourceConfiguration")->Child("SourceToken")->Value(), "video_source_2");
    EXPECT_EQ(p2.Find("Encoding")->Value(), "JPEG");
    EXPECT_EQ(p2.Find("Width")->Value(), "352");
    EXPECT_EQ(p2.Find("FrameRateLimit")->Value(), "25");
    EXPECT_EQ(p2.Find("NodeToken")->Value(), "ptz_node_2");

    const Soap stream = Call("media_service",
                             "<trt:GetStreamUri><trt:StreamSetup><tt:Stream>RTP-Unicast</tt:Stream>"
                             "<tt:Transport><tt:Protocol>RTSP</tt:Protocol></tt:Transport>"
                             "</trt:StreamSetup><trt:ProfileToken>profile_2</trt:ProfileToken>"
                             "</trt:GetStreamUri>");
    EXPECT_EQ(stream.Response()->Find("Uri")->Value(),
              "rtsp://127.0.0.40:" + std::to_string(RtspPort()) + "/ch2");
    const Soap snap = Call("media_service",
                           "<trt:GetSnapshotUri><trt:ProfileToken>profile_1</trt:ProfileToken>"
                           "</trt:GetSnapshotUri>");
    EXPECT_EQ(snap.Response()->Find("Uri")->Value(), base + "/snapshot/1.jpg");
    // Tokens that name nothing.
    for (const char* token : {"profile_3", "profile_0", "profile_01", "Profile_1", "", "profile_1x"}) {
        const Soap s = Call("media_service", std::string("<trt:GetStreamUri><trt:ProfileToken>") +
                                                 token + "</trt:ProfileToken></trt:GetStreamUri>");
        EXPECT_EQ(s.status, 400) << token;
        EXPECT_EQ(s.FaultCodes(), "env:Sender/ter:InvalidArgVal/ter:NoProfile") << token;
    }
    const Soap multicast = Call("media_service",
                                "<trt:GetStreamUri><trt:StreamSetup><tt:Stream>RTP-Multicast"
                                "</tt:Stream></trt:StreamSetup><trt:ProfileToken>profile_1"
                                "</trt:ProfileToken></trt:GetStreamUri>");
    EXPECT_EQ(multicast.status, 400);
}

TEST_F(Onvif, ContinuousMoveDrivesTheDomeTheDeviceProtocolSees) {
    ASSERT_EQ(Call("ptz_service", Move("profile_1", 0, 0.5)).status, 200);
    EXPECT_EQ(Num(State(0), "tilt_rate"), 40);  // half of 80 degrees a second
    std::this_thread::sleep_for(milliseconds(300));
    const double tilt = Num(State(0), "tilt");
    EXPECT_GT(tilt, 5);
    // Zoom added by a zoom-only move; pan/tilt keeps going.
    ASSERT_EQ(Call("ptz_service", "<tptz:ContinuousMove><tptz:ProfileToken>profile_1"
                                  "</tptz:ProfileToken><tptz:Velocity><tt:Zoom x=\"-1\"/>"
                                  "</tptz:Velocity></tptz:ContinuousMove>")
                  .status,
              200);
    EXPECT_EQ(Num(State(0), "tilt_rate"), 40);
    EXPECT_NEAR(Num(State(0), "zoom_rate"), -1.11, 1e-9);
    const Soap status = Call("ptz_service", "<tptz:GetStatus><tptz:ProfileToken>profile_1"
                                            "</tptz:ProfileToken></tptz:GetStatus>");
    ASSERT_EQ(status.status, 200);
    EXPECT_EQ(status.Response()->Find("MoveStatus")->Child("PanTilt")->Value(), "MOVING");
    EXPECT_GT(std::stod(*status.Response()->Find("Position")->Child("PanTilt")->Attribute("y")),
              tilt / 30 - 0.01);
    // Stop with PanTilt only: zoom still moving; then a bare Stop stops all.
    ASSERT_EQ(Call("ptz_service", "<tptz:Stop><tptz:ProfileToken>profile_1</tptz:ProfileToken>"
                                  "<tptz:PanTilt>true</tptz:PanTilt><tptz:Zoom>false</tptz:Zoom>"
                                  "</tptz:Stop>")
                  .status,
              200);
    EXPECT_EQ(Num(State(0), "tilt_rate"), 0);
    EXPECT_NE(Num(State(0), "zoom_rate"), 0);
    ASSERT_EQ(Call("ptz_service", "<tptz:Stop><tptz:ProfileToken>profile_1</tptz:ProfileToken>"
                                  "</tptz:Stop>")
                  .status,
              200);
    EXPECT_EQ(State(0).at("moving"), "0");
    const double frozen = Num(State(0), "tilt");
    std::this_thread::sleep_for(milliseconds(100));
    EXPECT_EQ(Num(State(0), "tilt"), frozen);
    // The device protocol moves the same dome; the web services report it.
    TestClient c;
    ASSERT_TRUE(c.Connect(kDev, Dev().Port()));
    ASSERT_EQ(c.Login("admin", "admin"), zv::proto::kOk);
    zv::proto::Ptz right;
    right.channel = 1;
    right.code = 3;
    right.param2 = 8;
    ASSERT_EQ(c.Status(right), zv::proto::kOk);
    const Soap other = Call("ptz_service", "<tptz:GetStatus><tptz:ProfileToken>profile_2"
                                           "</tptz:ProfileToken></tptz:GetStatus>");
    EXPECT_EQ(other.Response()->Find("MoveStatus")->Child("PanTilt")->Value(), "MOVING");
    EXPECT_EQ(Num(State(1), "ptz"), 1);
    EXPECT_EQ(Num(State(0), "ptz"), 4);
}

TEST_F(Onvif, ATimeoutEndsTheMoveWithoutAStop) {
    ASSERT_EQ(Call("ptz_service", Move("profile_2", -1, 0, "<tptz:Timeout>PT0.3S</tptz:Timeout>"))
                  .status,
              200);
    EXPECT_EQ(State(1).at("moving"), "1");
    std::this_thread::sleep_for(milliseconds(600));
    const auto s = State(1);
    EXPECT_EQ(s.at("moving"), "0");
    // Panned left for 0.3 s at 80 degrees a second, to the millisecond of the deadline.
    EXPECT_NEAR(Num(s, "pan"), 360 - 0.3 * 80, 0.01);
}

TEST_F(Onvif, BadMovesAndStopsGetTheirFaults) {
    struct Case {
        std::string body;
        std::string codes;
    };
    const Case cases[] = {
        {Move("profile_1", 1.5, 0), "env:Sender/ter:InvalidArgVal/ter:InvalidVelocity"},
        {Move("profile_1", 0, -1.01), "env:Sender/ter:InvalidArgVal/ter:InvalidVelocity"},
        {"<tptz:ContinuousMove><tptz:ProfileToken>profile_1</tptz:ProfileToken><tptz:Velocity>"
         "<tt:PanTilt x=\"0.5\" y=\"NaN\"/></tptz:Velocity></tptz:ContinuousMove>",
         "env:Sender/ter:InvalidArgVal/ter:InvalidVelocity"},
        {"<tptz:ContinuousMove><tptz:ProfileToken>profile_1</tptz:ProfileToken><tptz:Velocity>"
         "<tt:PanTilt x=\"0.5\" y=\"0\" space=\"urn:other\"/></tptz:Velocity>"
         "</tptz:ContinuousMove>",
         "env:Sender/ter:InvalidArgVal/ter:SpaceNotSupported"},
        {"<tptz:ContinuousMove><tptz:ProfileToken>profile_1</tptz:ProfileToken>"
         "</tptz:ContinuousMove>",
         "env:Sender/ter:InvalidArgs"},
        {Move("profile_1", 0.1, 0, "<tptz:Timeout>5 seconds</tptz:Timeout>"),
         "env:Sender/ter:InvalidArgVal/ter:TimeoutNotSupported"},
        {Move("profile_9", 0.1, 0), "env:Sender/ter:InvalidArgVal/ter:NoProfile"},
        {"<tptz:Stop><tptz:ProfileToken>profile_1</tptz:ProfileToken><tptz:PanTilt>maybe"
         "</tptz:PanTilt></tptz:Stop>",
         "env:Sender/ter:InvalidArgVal"},
        {"<tptz:GetNode><tptz:NodeToken>ptz_node_7</tptz:NodeToken></tptz:GetNode>",
         "env:Sender/ter:InvalidArgVal/ter:NoEntity"},
    };
    for (const Case& c : cases) {
        const Soap s = Call("ptz_service", c.body);
        EXPECT_EQ(s.status, 400) << c.body;
        EXPECT_EQ(s.FaultCodes(), c.codes) << c.body;
    }
    // None of them moved anything.
    EXPECT_EQ(State(0).at("moving"), "0");
    EXPECT_EQ(Num(State(0), "ptz"), 0);
    const Soap nodes = Call("ptz_service", "<tptz:GetNodes/>");
    ASSERT_EQ(nodes.status, 200);
    EXPECT_EQ(nodes.Response()->children.size(), static_cast<size_t>(kChannels));
    EXPECT_NE(nodes.raw.find("VelocityGenericSpace"), std::string::npos);
}

TEST_F(Onvif, ImagingSettingsAreTheChannelsColorBytes) {
    Image before;
    ASSERT_TRUE(Snapshot(kDev, HttpPort(), 1, before));
    const Soap set = Call("imaging_service",
                          ImagingSet("<tt:Brightness>80</tt:Brightness><tt:Contrast>40</tt:Contrast>"));
    ASSERT_EQ(set.status, 200) << set.raw;
    auto s = State(0);
    EXPECT_EQ(Num(s, "brightness"), 203);
    EXPECT_EQ(Num(s, "contrast"), 102);
    EXPECT_EQ(Num(s, "saturation"), 127);  // left alone
    EXPECT_EQ(Num(State(1), "brightness"), 127);
    const Soap get = Call("imaging_service", "<timg:GetImagingSettings><timg:VideoSourceToken>"
                                             "video_source_1</timg:VideoSourceToken>"
                                             "</timg:GetImagingSettings>");
    EXPECT_EQ(get.Response()->Find("Brightness")->Value(), "80");
    EXPECT_EQ(get.Response()->Find("Contrast")->Value(), "40");
    EXPECT_EQ(get.Response()->Find("ColorSaturation")->Value(), "50");
    // The picture shows it.
    Image after;
    ASSERT_TRUE(Snapshot(kDev, HttpPort(), 1, after));
    EXPECT_GT(MeanLuma(after), MeanLuma(before) + 30);

    // The device protocol's write of the record shows through the web services.
    TestClient c;
    ASSERT_TRUE(c.Connect(kDev, Dev().Port()));
    ASSERT_EQ(c.Login("admin", "admin"), zv::proto::kOk);
    zv::proto::ConfigGet g;
    g.command = 3;
    g.channel = 1;
    g.maxLength = 4096;
    zv::proto::ConfigData d;
    ASSERT_TRUE(c.Call(g, d));
    zv::proto::ConfigSet cs;
    cs.command = 3;
    cs.channel = 1;
    cs.data = d.data;
    cs.data[210] = 128;  // saturation, a byte between two whole levels
    ASSERT_EQ(c.Status(cs), zv::proto::kOk);
    const Soap get2 = Call("imaging_service", "<timg:GetImagingSettings><timg:VideoSourceToken>"
                                              "video_source_2</timg:VideoSourceToken>"
                                              "</timg:GetImagingSettings>");
    const std::string level = get2.Response()->Find("ColorSaturation")->Value();
    EXPECT_EQ(level, "50.4");
    // Written back as read, the byte stays as it was.
    ASSERT_EQ(Call("imaging_service",
                   ImagingSet("<tt:ColorSaturation>" + level + "</tt:ColorSaturation>",
                              "video_source_2"))
                  .status,
              200);
    EXPECT_EQ(Num(State(1), "saturation"), 128);

    // Out of range: refused whole, nothing changes.
    const Soap bad = Call("imaging_service",
                          ImagingSet("<tt:Brightness>10</tt:Brightness><tt:Contrast>101</tt:Contrast>"));
    EXPECT_EQ(bad.status, 400);
    EXPECT_EQ(bad.FaultCodes(), "env:Sender/ter:InvalidArgVal/ter:SettingsInvalid");
    EXPECT_EQ(Num(State(0), "brightness"), 203);
    EXPECT_EQ(Call("imaging_service",
                   ImagingSet("<tt:Focus><tt:AutoFocusMode>AUTO</tt:AutoFocusMode></tt:Focus>"))
                  .status,
              400);
    EXPECT_EQ(Call("imaging_service", ImagingSet("<tt:Brightness>1</tt:Brightness>", "video_source_3"))
                  .FaultCodes(),
              "env:Sender/ter:InvalidArgVal/ter:NoSource");
    const Soap options = Call("imaging_service", "<timg:GetOptions><timg:VideoSourceToken>"
                                                 "video_source_1</timg:VideoSourceToken>"
                                                 "</timg:GetOptions>");
    ASSERT_EQ(options.status, 200);
    for (const char* name : {"Brightness", "ColorSaturation", "Contrast"}) {
        EXPECT_EQ(options.Response()->Find(name)->Child("Min")->Value(), "0") << name;
        EXPECT_EQ(options.Response()->Find(name)->Child("Max")->Value(), "100") << name;
    }
}

TEST_F(Onvif, FocusMovesContinuouslyUntilStopped) {
    auto focus = [&](const std::string& inner) {
        return Call("imaging_service", "<timg:Move><timg:VideoSourceToken>video_source_1"
                                       "</timg:VideoSourceToken><timg:Focus>" + inner +
                                           "</timg:Focus></timg:Move>");
    };
    ASSERT_EQ(focus("<tt:Continuous><tt:Speed>0.5</tt:Speed></tt:Continuous>").status, 200);
    EXPECT_EQ(Num(State(0), "focus_rate"), 185);
    const Soap st = Call("imaging_service", "<timg:GetStatus><timg:VideoSourceToken>video_source_1"
                                            "</timg:VideoSourceToken></timg:GetStatus>");
    EXPECT_EQ(st.Response()->Find("MoveStatus")->Value(), "MOVING");
    ASSERT_EQ(Call("imaging_service", "<timg:Stop><timg:VideoSourceToken>video_source_1"
                                      "</timg:VideoSourceToken></timg:Stop>")
                  .status,
              200);
    EXPECT_EQ(Num(State(0), "focus_rate"), 0);
    EXPECT_GT(Num(State(0), "focus"), 500);
    EXPECT_EQ(focus("<tt:Absolute><tt:Position>0.5</tt:Position></tt:Absolute>").status, 400);
    EXPECT_EQ(focus("<tt:Continuous><tt:Speed>2</tt:Speed></tt:Continuous>").status, 400);
}

class OnvifFaultSwitches : public OnvifFixture {};

TEST_F(OnvifFaultSwitches, EachSwitchActsAndTurnsOff) {
    const std::string dev = kDev;
    // Drop: the connection closes without an answer.
    EXPECT_EQ(Ctl("onvif-drop " + dev + " on"), "OK");
    {
        WebClient c;
        ASSERT_TRUE(c.Connect(kDev, HttpPort()));
        WebResponse r;
        EXPECT_FALSE(c.Exchange(SoapPost(kDev, "/onvif/media_service",
                                         SoapEnvelope(kProfiles, Token())),
                                r, 2000));
        EXPECT_TRUE(c.WaitClosed(1000));
    }
    EXPECT_EQ(Ctl("onvif-drop " + dev + " off"), "OK");
    // Delay: the answer comes that much later.
    EXPECT_EQ(Ctl("onvif-delay " + dev + " 300"), "OK");
    auto t0 = Clock::now();
    EXPECT_EQ(Call("media_service", kProfiles).status, 200);
    EXPECT_GE(Clock::now() - t0, milliseconds(300));
    EXPECT_EQ(Ctl("onvif-delay " + dev + " 0"), "OK");
    // Malformed: the envelope is cut and no XML reader takes it.
    EXPECT_EQ(Ctl("onvif-malformed " + dev + " on"), "OK");
    const Soap cut = Call("media_service", kProfiles);
    EXPECT_EQ(cut.status, 200);
    EXPECT_FALSE(cut.parsed);
    EXPECT_EQ(Ctl("onvif-malformed " + dev + " off"), "OK");
    // Stop unsupported.
    EXPECT_EQ(Ctl("onvif-no-stop " + dev + " on"), "OK");
    ASSERT_EQ(Call("ptz_service", Move("profile_1", 0.2, 0)).status, 200);
    const Soap stop = Call("ptz_service", "<tptz:Stop><tptz:ProfileToken>profile_1"
                                          "</tptz:ProfileToken></tptz:Stop>");
    EXPECT_EQ(stop.status, 500);
    EXPECT_EQ(stop.FaultCodes(), "env:Receiver/ter:ActionNotSupported");
    EXPECT_EQ(State(0).at("moving"), "1");
    // Timeout rejected; the same move without one is taken.
    EXPECT_EQ(Ctl("onvif-no-timeout " + dev + " on"), "OK");
    EXPECT_EQ(Call("ptz_service", Move("profile_1", 0, 0.2, "<tptz:Timeout>PT1S</tptz:Timeout>"))
                  .FaultCodes(),
              "env:Sender/ter:InvalidArgVal/ter:TimeoutNotSupported");
    EXPECT_EQ(Call("ptz_service", Move("profile_1", 0, 0.2)).status, 200);
    const auto f = ParseReply(Ctl("faults " + dev));
    EXPECT_EQ(f.at("onvif_no_stop"), "1");
    EXPECT_EQ(f.at("onvif_no_timeout"), "1");
    EXPECT_EQ(f.at("onvif_delay"), "0");
    EXPECT_EQ(Ctl("onvif-no-stop " + dev + " off"), "OK");
    EXPECT_EQ(Call("ptz_service", "<tptz:Stop><tptz:ProfileToken>profile_1"
                                  "</tptz:ProfileToken></tptz:Stop>")
                  .status,
              200);
    for (const char* bad : {"onvif-drop 127.0.0.40 maybe", "onvif-delay 127.0.0.40 -1",
                            "onvif-skew 127.0.0.40 x", "onvif-refuse 127.0.0.99 on"})
        EXPECT_EQ(Ctl(bad).rfind("ERR", 0), 0u) << bad;
}

TEST_F(OnvifFaultSwitches, DropAndRestartReachTheWebServicesAndStreams) {
    WebClient http;
    ASSERT_TRUE(http.Connect(kDev, HttpPort()));
    WebResponse r;
    ASSERT_TRUE(http.Exchange(SoapPost(kDev, "/onvif/device_service",
                                       SoapEnvelope("<tds:GetSystemDateAndTime/>")),
                              r));
    WebClient rtsp;
    ASSERT_TRUE(rtsp.Connect(kDev, RtspPort()));
    ASSERT_TRUE(rtsp.Exchange("OPTIONS rtsp://127.0.0.40/ch1 RTSP/1.0\r\nCSeq: 1\r\n\r\n", r));
    EXPECT_EQ(ParseReply(Ctl(std::string("drop ") + kDev)).at("dropped"), "2");
    EXPECT_TRUE(http.WaitClosed(2000));
    EXPECT_TRUE(rtsp.WaitClosed(2000));
    // A restart keeps the ports.
    const uint16_t web = HttpPort(), stream = RtspPort();
    EXPECT_EQ(Ctl(std::string("restart ") + kDev + " 50"), "OK restarted");
    EXPECT_EQ(HttpPort(), web);
    EXPECT_EQ(RtspPort(), stream);
    EXPECT_EQ(Call("device_service", "<tds:GetSystemDateAndTime/>", "").status, 200);
}

class OnvifBadInput : public OnvifFixture {
protected:
    void Tune(DeviceOptions& d) override {
        d.loginTimeoutMs = 500;  // how long a started request may take
        d.idleTimeoutMs = 1000;
    }
    WebResponse Raw(const std::string& bytes, bool* closed = nullptr) {
        WebClient c;
        WebResponse r;
        EXPECT_TRUE(c.Connect(kDev, HttpPort()));
        c.Exchange(bytes, r, 3000);
        if (closed) *closed = c.WaitClosed(2000);
        return r;
    }
};

TEST_F(OnvifBadInput, BrokenEnvelopesGetSoapFaults) {
    struct Case {
        std::string body;
        int status;
        std::string codes;
    };
    const std::string env12 = "http://www.w3.org/2003/05/soap-envelope";
    const Case cases[] = {
        {"<s:Envelope xmlns:s=\"" + env12 + "\"><s:Body><trt:GetProfiles", 400,
         "env:Sender/ter:WellFormed"},
        {"<!DOCTYPE e [<!ENTITY a \"aaaa\">]><e>&a;</e>", 400, "env:Sender/ter:WellFormed"},
        {"<Envelope/>", 400, "env:Sender/ter:WellFormed"},
        {"<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\"><s:Body>"
         "<GetProfiles xmlns=\"http://www.onvif.org/ver10/media/wsdl\"/></s:Body></s:Envelope>",
         500, "env:VersionMismatch"},
        {SoapEnvelope("<trt:GetProfiles/><trt:GetProfiles/>"), 400, "env:Sender/ter:InvalidArgs"},
        {SoapEnvelope(""), 400, "env:Sender/ter:InvalidArgs"},
        {SoapEnvelope("<trt:FormatDisk/>"), 500, "env:Receiver/ter:ActionNotSupported"},
        {SoapEnvelope("<GetProfiles xmlns=\"urn:elsewhere\"/>"), 500,
         "env:Receiver/ter:ActionNotSupported"},
        {SoapEnvelope("<tds:GetSystemDateAndTime/>",
                      "<x:Trace xmlns:x=\"urn:x\" s:mustUnderstand=\"true\"/>"),
         500, "env:MustUnderstand"},
    };
    for (const Case& c : cases) {
        const WebResponse r = Raw(SoapPost(kDev, "/onvif/device_service", c.body));
        EXPECT_EQ(r.status, c.status) << c.body;
        Soap s;
        ASSERT_TRUE(XmlReader::Parse(r.body, s.envelope, nullptr)) << r.body;
        EXPECT_EQ(s.FaultCodes(), c.codes) << c.body;
        EXPECT_EQ(r.Header("content-type"), "application/soap+xml; charset=utf-8");
    }
    EXPECT_GE(Counter("soap_faults"), 9);
    // A header the client need not have understood is ignored.
    EXPECT_EQ(Raw(SoapPost(kDev, "/onvif/device_service",
                           SoapEnvelope("<tds:GetSystemDateAndTime/>",
                                        "<x:Trace xmlns:x=\"urn:x\" s:mustUnderstand=\"0\"/>")))
                  .status,
              200);
}

TEST_F(OnvifBadInput, OversizedTruncatedAndStrayRequestsEndCleanly) {
    bool closed = false;
    // A body over the limit is refused from its header, before it is sent.
    WebResponse r = Raw("POST /onvif/media_service HTTP/1.1\r\nContent-Length: 1000000\r\n\r\n",
                        &closed);
    EXPECT_EQ(r.status, 413);
    EXPECT_TRUE(closed);
    // Chunks adding up past it, too.
    std::string chunked = "POST /onvif/media_service HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n";
    for (int i = 0; i < 20; ++i) chunked += "1000\r\n" + std::string(4096, 'x') + "\r\n";
    EXPECT_EQ(Raw(chunked, &closed).status, 413);
    EXPECT_TRUE(closed);
    // A chunked body cut off: the connection ends after the request timeout.
    auto t0 = Clock::now();
    r = Raw("POST /onvif/media_service HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n"
            "10\r\n<s:Envelope",
            &closed);
    EXPECT_EQ(r.status, 408);
    EXPECT_TRUE(closed);
    EXPECT_LT(Clock::now() - t0, milliseconds(3000));
    EXPECT_EQ(Raw("GET /onvif/device_service HTTP/1.1\r\n\r\n").status, 405);
    EXPECT_EQ(Raw("POST /cgi-bin/anything HTTP/1.1\r\nContent-Length: 0\r\n\r\n").status, 404);
    EXPECT_EQ(Raw("GET /snapshot/9.jpg HTTP/1.1\r\n\r\n").status, 404);
    EXPECT_EQ(Raw("GET /snapshot/1.jpg HTTP/1.1\r\nAuthorization: Basic YWRtaW46YWRtaW4=\r\n\r\n")
                  .status,
              401);
    EXPECT_EQ(Raw("BREW /pot HTTP/9.9\r\n\r\n", &closed).status, 505);
    EXPECT_TRUE(closed);
    EXPECT_EQ(Raw(std::string(20000, 'A'), &closed).status, 431);
    EXPECT_TRUE(closed);
    // An idle keep-alive connection is closed after the idle timeout.
    WebClient idle;
    ASSERT_TRUE(idle.Connect(kDev, HttpPort()));
    EXPECT_TRUE(idle.WaitClosed(3000));
    EXPECT_GE(Counter("http_bad"), 4);
    // Through all of it the service kept answering.
    EXPECT_EQ(Call("media_service", kProfiles).status, 200);
}

TEST_F(OnvifBadInput, KeepAliveCarriesManyRequestsAndTheConnectionsAreCapped) {
    WebClient c;
    ASSERT_TRUE(c.Connect(kDev, HttpPort()));
    for (int i = 0; i < 5; ++i) EXPECT_EQ(Exchange(c, "media_service", kProfiles, Token()).status, 200);
    // Pipelined: both answered, in order.
    const std::string two = SoapPost(kDev, "/onvif/device_service",
                                     SoapEnvelope("<tds:GetSystemDateAndTime/>")) +
                            SoapPost(kDev, "/onvif/media_service", SoapEnvelope(kProfiles, Token()));
    ASSERT_TRUE(c.Send(two));
    WebResponse a, b;
    ASSERT_TRUE(c.Read(a));
    ASSERT_TRUE(c.Read(b));
    EXPECT_NE(a.body.find("GetSystemDateAndTimeResponse"), std::string::npos);
    EXPECT_NE(b.body.find("GetProfilesResponse"), std::string::npos);
    // Sixteen connections at most; the next is told the device is busy.
    std::vector<std::unique_ptr<WebClient>> held;
    for (int i = 0; i < 15; ++i) {
        held.push_back(std::make_unique<WebClient>());
        ASSERT_TRUE(held.back()->Connect(kDev, HttpPort()));
    }
    std::this_thread::sleep_for(milliseconds(300));
    WebClient extra;
    ASSERT_TRUE(extra.Connect(kDev, HttpPort()));
    WebResponse busy;
    ASSERT_TRUE(extra.Read(busy));
    EXPECT_EQ(busy.status, 503);
    EXPECT_EQ(Counter("http_rejected"), 1);
    held.clear();
}

TEST_F(OnvifBadInput, RandomRequestsNeverStopTheService) {
    std::mt19937 rng(11);
    auto mutate = [&](std::string s, int edits) {
        for (int e = 0; e < edits; ++e) {
            const size_t at = rng() % s.size();
            switch (rng() % 3) {
            case 0: s[at] = "<>&;\"'=/:x#"[rng() % 11]; break;
            case 1: s.erase(at, 1 + rng() % 20); break;
            case 2: s.insert(at, s.substr(rng() % s.size(), rng() % 50)); break;
            }
        }
        return s;
    };
    // Envelopes mangled inside well-framed requests: each gets an answer.
    WebClient c;
    ASSERT_TRUE(c.Connect(kDev, HttpPort()));
    for (int round = 0; round < 300; ++round) {
        const std::string env = mutate(SoapEnvelope(Move("profile_1", 0.1, 0.1), Token()),
                                       1 + static_cast<int>(rng() % 6));
        WebResponse r;
        ASSERT_TRUE(c.Exchange(SoapPost(kDev, "/onvif/ptz_service", env), r)) << round;
        EXPECT_TRUE(r.status == 200 || r.status == 400 || r.status == 401 || r.status == 500)
            << r.status;
    }
    // Mangled framing: an answer or a close, never silence past the timeout.
    const std::string seed = SoapPost(kDev, "/onvif/ptz_service",
                                      SoapEnvelope(Move("profile_1", 0.1, 0.1), Token()));
    for (int round = 0; round < 12; ++round) {
        WebClient raw;
        ASSERT_TRUE(raw.Connect(kDev, HttpPort()));
        raw.Send(mutate(seed, 3));
        WebResponse r;
        if (!raw.Read(r, 2000)) {
            EXPECT_TRUE(raw.WaitClosed(2000)) << round;
        }
    }
    EXPECT_EQ(Call("media_service", kProfiles).status, 200);
}
