// The web-service build of vortanet.dll (loaded from this program's folder,
// bin/onvif/):
//   1. a PTZ command (NetPtzControl, a signed ContinuousMove or Stop) against
//      a bare HTTP request/response (an unsigned GetSystemDateAndTime on a
//      kept-alive socket of our own, one send, Nagle off) to the same device;
//   2. decode and draw of one JPEG picture with the system's codecs, at the
//      stream's size and at 1280 x 720; and of H.264 pictures from files;
//   3. how many 25 fps plays run side by side with under 1 % of the
//      pictures not drawn: JPEG from the device, and H.264 from a device
//      whose channels another RTSP server streams.
//
//   zv_bench_onvif --device HOST:PORT [--h264 FILE]... [--h264-device HOST:PORT] [--rounds N]
//                  [--seconds S] [--max-streams N]
#include <winsock2.h>
#include <windows.h>
#include <ws2tcpip.h>
#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "Clock.h"
#include "ComPtr.h"
#include "JpegDepacketizer.h"
#include "OnvifDevice.h"
#include "Rtp.h"
#include "RtspClient.h"
#include "VortanetStats.h"
#include "MfH264Decoder.h"
#include "WicJpegDecoder.h"

#include <wincodec.h>

namespace {

using namespace zv::onvif;

struct Options {
    std::string device;
    std::vector<std::string> h264Files;  // Annex B with a delimiter before every picture
    std::string h264Device;              // a device whose channels are H.264 streams
    int rounds = 1000;
    int seconds = 5;
    int maxStreams = 16;
};

// One unsigned web-service call over a socket of our own: the floor.
class BareHttp {
public:
    ~BareHttp() {
        if (m_s != INVALID_SOCKET) closesocket(m_s);
    }
    bool Connect(const std::string& host, uint16_t port) {
        m_s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        BOOL one = TRUE;
        setsockopt(m_s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
        DWORD timeout = 2000;
        setsockopt(m_s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        if (inet_pton(AF_INET, host.c_str(), &a.sin_addr) != 1 || (ntohl(a.sin_addr.s_addr) >> 24) != 127)
            return false;
        if (connect(m_s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) return false;
        const std::string body =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?><s:Envelope "
            "xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\"><s:Body><GetSystemDateAndTime "
            "xmlns=\"http://www.onvif.org/ver10/device/wsdl\"/></s:Body></s:Envelope>";
        m_request = "POST /onvif/device_service HTTP/1.1\r\nHost: " + host + ":" + std::to_string(port) +
                    "\r\nContent-Type: application/soap+xml; charset=utf-8\r\nContent-Length: " +
                    std::to_string(body.size()) + "\r\n\r\n" + body;
        return true;
    }
    // One request, its whole answer read (Content-Length).
    bool RoundTrip() {
        if (send(m_s, m_request.data(), int(m_request.size()), 0) != int(m_request.size())) return false;
        std::string in;
        char buf[8192];
        size_t need = std::string::npos;
        while (need == std::string::npos || in.size() < need) {
            const int k = recv(m_s, buf, sizeof buf, 0);
            if (k <= 0) return false;
            in.append(buf, size_t(k));
            const size_t end = in.find("\r\n\r\n");
            if (need == std::string::npos && end != std::string::npos) {
                const size_t cl = in.find("Content-Length:");
                if (cl == std::string::npos || cl > end) return false;
                need = end + 4 + std::strtoul(in.c_str() + cl + 15, nullptr, 10);
            }
        }
        return in.compare(0, 12, "HTTP/1.1 200") == 0;
    }

private:
    SOCKET m_s = INVALID_SOCKET;
    std::string m_request;
};

bool SplitHostPort(const std::string& s, std::string& host, uint16_t& port) {
    const size_t c = s.rfind(':');
    if (c == std::string::npos) return false;
    host = s.substr(0, c);
    port = static_cast<uint16_t>(std::atoi(s.c_str() + c + 1));
    return port != 0;
}

using bench::Pump;

HWND Window(int x, int y, int w, int h) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        wc.lpszClassName = L"ZvOnvifBench";
        RegisterClassW(&wc);
        registered = true;
    }
    return CreateWindowExW(0, L"ZvOnvifBench", L"", WS_POPUP | WS_VISIBLE, x, y, w, h, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

// One picture (top-down BGR) drawn into the window at its own size, as the
// library draws.
void DrawPicture(HWND wnd, const uint8_t* bgr, int w, int h) {
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    HDC dc = GetDC(wnd);
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchDIBits(dc, 0, 0, w, h, 0, 0, w, h, bgr, &bi, DIB_RGB_COLORS, SRCCOPY);
    ReleaseDC(wnd, dc);
}

// 1. PTZ through the library against the bare request.
bool PtzRoundTrips(bench::Vortanet& net, const Options& o) {
    std::string host;
    uint16_t port = 0;
    BareHttp bare;
    if (!SplitHostPort(o.device, host, port) || !bare.Connect(host, port)) return false;
    int error = 0;
    const int32_t login = net.Login(o.device.c_str(), 0, "admin", "admin", nullptr, &error);
    if (!login) {
        std::printf("login failed (%d)\n", error);
        return false;
    }
    for (int i = 0; i < 50; ++i) bare.RoundTrip(), net.PtzControl(login, 0, 0, 0, 4, 0, i & 1);  // warm
    std::vector<double> floor, ptz;
    for (int i = 0; i < o.rounds; ++i) {
        // Interleaved, so that both see the same machine.
        double t = bench::NowUs();
        if (!bare.RoundTrip()) return false;
        floor.push_back(bench::NowUs() - t);
        t = bench::NowUs();
        if (!net.PtzControl(login, 0, 0 /* up */, 0, 4, 0, i & 1)) return false;
        ptz.push_back(bench::NowUs() - t);
    }
    net.PtzControl(login, 0, 0, 0, 4, 0, 1);
    net.Logout(login);
    const double f50 = bench::Percentile(floor, 0.5), p50 = bench::Percentile(ptz, 0.5);
    std::printf("  bare HTTP request/response: median %.0f us, p95 %.0f us (%d rounds)\n", f50,
                bench::Percentile(floor, 0.95), o.rounds);
    std::printf("  NetPtzControl (move/stop):  median %.0f us, p95 %.0f us\n", p50, bench::Percentile(ptz, 0.95));
    std::printf("  ratio at the median: %.2fx (target <= 1.5x)\n", p50 / f50);
    return true;
}

// 2. Decode + draw of pictures taken from the device's stream.
std::vector<std::vector<uint8_t>> GrabPictures(const std::string& address, size_t count) {
    std::vector<std::vector<uint8_t>> pictures;
    LoginError why;
    auto dev = OnvifDevice::Login(address, "admin", "admin", &why);
    StreamChoice choice;
    if (!dev || !dev->Stream(0, false, choice, NowMs() + 4000)) return pictures;
    RtspClient rtsp("admin", "admin");
    if (rtsp.Open(choice.uri, choice.ip, NowMs() + 4000) != RtspClient::Result::Ok) return pictures;
    RtpReorder reorder(0);
    JpegDepacketizer depack;
    const DWORD start = GetTickCount();
    while (pictures.size() < count && GetTickCount() - start < 5000) {
        const uint8_t* data;
        size_t n;
        if (rtsp.Receive(100, data, n) != RtspClient::Event::Packet) continue;
        reorder.Push(data, n, [&](const RtpPacket& p, uint32_t lost) {
            JpegDepacketizer::Frame f;
            if (depack.Push(p, lost, f)) pictures.push_back(std::move(f.jpeg));
        });
    }
    rtsp.Close();
    return pictures;
}

// A larger picture than the simulator sends: its pictures scaled up
// (nearest pixel) and encoded again by the system's codec at quality 0.75.
std::vector<uint8_t> EncodeScaled(zv::onvif::CWicJpegDecoder& decoder, const std::vector<uint8_t>& jpeg, int W,
                                  int H) {
    std::vector<uint8_t> small, big, out;
    int w, h, stride;
    if (!decoder.Decode(jpeg.data(), jpeg.size(), small, w, h, stride)) return out;
    const int bigStride = (W * 3 + 3) & ~3;
    big.resize(size_t(bigStride) * H);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            std::memcpy(&big[size_t(y) * bigStride + x * 3], &small[size_t(y * h / H) * stride + (x * w / W) * 3], 3);
    using zv::onvif::ComPtr;
    ComPtr<IWICImagingFactory> f;
    ComPtr<IStream> stream;
    ComPtr<IWICBitmapEncoder> enc;
    ComPtr<IWICBitmapFrameEncode> frame;
    ComPtr<IPropertyBag2> props;
    WICPixelFormatGUID fmt = GUID_WICPixelFormat24bppBGR;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                reinterpret_cast<void**>(&f))) ||
        FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &stream)) ||
        FAILED(f->CreateEncoder(GUID_ContainerFormatJpeg, nullptr, &enc)) ||
        FAILED(enc->Initialize(stream.p, WICBitmapEncoderNoCache)) || FAILED(enc->CreateNewFrame(&frame, &props)))
        return out;
    PROPBAG2 opt{};
    opt.pstrName = const_cast<LPOLESTR>(L"ImageQuality");
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_R4;
    v.fltVal = 0.75f;
    props->Write(1, &opt, &v);
    if (FAILED(frame->Initialize(props.p)) || FAILED(frame->SetSize(UINT(W), UINT(H))) ||
        FAILED(frame->SetPixelFormat(&fmt)) ||
        FAILED(frame->WritePixels(UINT(H), UINT(bigStride), UINT(big.size()), big.data())) ||
        FAILED(frame->Commit()) || FAILED(enc->Commit()))
        return out;
    HGLOBAL mem = nullptr;
    GetHGlobalFromStream(stream.p, &mem);
    STATSTG st{};
    stream->Stat(&st, STATFLAG_NONAME);
    const auto* p = static_cast<const uint8_t*>(GlobalLock(mem));
    out.assign(p, p + st.cbSize.QuadPart);
    GlobalUnlock(mem);
    return out;
}

bool DecodeAndDraw(const std::vector<std::vector<uint8_t>>& pictures, int rounds, const char* what) {
    if (pictures.empty() || pictures[0].empty()) return false;
    zv::onvif::CWicJpegDecoder decoder;
    std::vector<uint8_t> bgr;
    int w = 0, h = 0, stride = 0;
    if (!decoder.Decode(pictures[0].data(), pictures[0].size(), bgr, w, h, stride)) return false;
    HWND wnd = Window(0, 0, w, h);
    Pump(100);
    std::vector<double> decode, draw;
    for (int i = 0; i < rounds; ++i) {
        const auto& pic = pictures[size_t(i) % pictures.size()];
        double t = bench::NowUs();
        decoder.Decode(pic.data(), pic.size(), bgr, w, h, stride);
        decode.push_back(bench::NowUs() - t);
        t = bench::NowUs();
        DrawPicture(wnd, bgr.data(), w, h);
        draw.push_back(bench::NowUs() - t);
    }
    DestroyWindow(wnd);
    const double d50 = bench::Percentile(decode, 0.5), g50 = bench::Percentile(draw, 0.5);
    std::printf("  %dx%d JPEG %s (%zu bytes): decode %.2f ms + draw %.2f ms = %.2f ms a picture, %.1f %% of "
                "a 25 fps frame time\n",
                w, h, what, pictures[0].size(), d50 / 1000, g50 / 1000, (d50 + g50) / 1000, (d50 + g50) / 400);
    return true;
}

bool DecodeAndDrawBoth(const std::string& address) {
    const auto pictures = GrabPictures(address, 25);
    if (!DecodeAndDraw(pictures, 200, "from the stream")) return false;
    zv::onvif::CWicJpegDecoder decoder;
    std::vector<std::vector<uint8_t>> large;
    for (size_t i = 0; i < 5 && i < pictures.size(); ++i) large.push_back(EncodeScaled(decoder, pictures[i], 1280, 720));
    return DecodeAndDraw(large, 100, "(the stream's pictures scaled up and encoded again)");
}

// 2b. The same for H.264 pictures decoded by the system's decoder.
bool DecodeAndDrawH264(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    std::vector<uint8_t> data;
    uint8_t buf[65536];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) data.insert(data.end(), buf, buf + n);
    std::fclose(f);
    const auto units = zv::onvif::SplitAtDelimiters(data.data(), data.size());
    zv::onvif::CMfH264Decoder decoder;
    if (units.empty() || !decoder.Ready()) return false;
    HWND wnd = nullptr;
    std::vector<double> decode, draw;
    std::vector<uint8_t> bgr;
    zv::onvif::Nv12Picture last;
    for (int round = 0; round < 4; ++round) {
        for (const auto& u : units) {
            double t = bench::NowUs();
            const size_t got = decoder.Decode(u.data(), u.size(), [&](const zv::onvif::Nv12Picture& p) { last = p; });
            decode.push_back(bench::NowUs() - t);
            const int w = last.width, h = last.height;
            if (!got) continue;
            if (!wnd) {
                wnd = Window(0, 0, w, h);
                Pump(100);
            }
            t = bench::NowUs();
            zv::onvif::Nv12ToBgr(last, bgr);
            DrawPicture(wnd, bgr.data(), w, h);
            draw.push_back(bench::NowUs() - t);
        }
    }
    if (wnd) DestroyWindow(wnd);
    if (draw.empty()) return false;
    const double d50 = bench::Percentile(decode, 0.5), g50 = bench::Percentile(draw, 0.5);
    std::printf("  %dx%d H.264 (%zu units, %zu bytes): decode %.2f ms + to BGR and draw %.2f ms = %.2f ms a picture, "
                "%.1f %% of a 25 fps frame time\n",
                decoder.Width(), decoder.Height(), units.size(), data.size(), d50 / 1000, g50 / 1000,
                (d50 + g50) / 1000, (d50 + g50) / 400);
    return true;
}

// 3. Plays side by side: what share of the pictures sent was drawn, how
// late (a picture's arrival to drawn: depacketising, decoding, converting
// and drawing) and this process's CPU per play.
bool Streams(bench::Vortanet& net, const Options& o, const std::string& device, const char* what) {
    using StartFn = int32_t(WINAPI*)(int32_t, int32_t, HWND);
    using StopFn = int32_t(WINAPI*)(int32_t);
    using StatsFn = int(__cdecl*)(int32_t, VN_PLAY_STATS*);
    auto Start = net.Ordinal<StartFn>(11);
    auto Stop = net.Ordinal<StopFn>(12);
    auto Stats = reinterpret_cast<StatsFn>(reinterpret_cast<void*>(GetProcAddress(net.dll, "NetGetPlayStats")));
    int error = 0;
    const int32_t login = net.Login(device.c_str(), 0, "admin", "admin", nullptr, &error);
    if (!login || !Start || !Stop || !Stats) return false;
    int best = 0;
    std::printf("  %s: plays, pictures drawn a second each, %% not drawn, arrival -> drawn p50 (median) / "
                "p95 (worst play) ms, host CPU %% of a core per play\n", what);
    for (int n : {1, 2, 4, 8, 12, 16}) {
        if (n > o.maxStreams) break;
        std::vector<HWND> panes;
        std::vector<int32_t> plays;
        for (int i = 0; i < n; ++i) {
            panes.push_back(Window((i % 4) * 180, (i / 4) * 148, 176, 144));
            const int32_t p = Start(login, i, panes.back());
            if (p) plays.push_back(p);
        }
        Pump(1500);  // every stream running
        auto drawn = [&] {
            uint64_t sum = 0;
            for (int32_t p : plays) {
                VN_PLAY_STATS s{};
                s.cbSize = sizeof s;
                if (Stats(p, &s)) sum += s.framesDrawn;
            }
            return sum;
        };
        const uint64_t d0 = drawn();
        const double t0 = bench::NowUs(), cpu0 = bench::CpuSeconds();
        Pump(DWORD(o.seconds) * 1000);
        const double secs = (bench::NowUs() - t0) / 1e6, cpu = bench::CpuSeconds() - cpu0;
        const uint64_t d1 = drawn();
        const double expected = 25.0 * secs * n;
        const double share = double(d1 - d0) / expected;
        std::vector<double> p50s;
        double p95 = 0;
        for (int32_t p : plays) {
            VN_PLAY_STATS st{};
            st.cbSize = sizeof st;
            if (!Stats(p, &st)) continue;
            p50s.push_back(st.drawP50Us / 1000.0);
            p95 = std::max(p95, st.drawP95Us / 1000.0);
        }
        std::printf("  %2d %s plays (%d started): %.1f pictures drawn a second each, %.2f %% not drawn, "
                    "arrival -> drawn p50 %.1f / p95 %.1f ms, host CPU %.2f %% per play\n", n, what,
                    int(plays.size()), double(d1 - d0) / secs / n, std::max(0.0, 100 * (1 - share)),
                    bench::Percentile(p50s, 0.5), p95, 100 * cpu / secs / n);
        for (int32_t p : plays) Stop(p);
        for (HWND w : panes) DestroyWindow(w);
        Pump(200);
        if (int(plays.size()) == n && share > 0.99) best = n;
        else break;
    }
    net.Logout(login);
    std::printf("  %s plays sustained with < 1 %% not drawn: %d (of at most %d tried; 2 cores shared with the "
                "servers)\n", what, best, std::min(16, o.maxStreams));
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string k = argv[i], v = argv[i + 1];
        if (k == "--device") o.device = v;
        else if (k == "--h264") o.h264Files.push_back(v);
        else if (k == "--h264-device") o.h264Device = v;
        else if (k == "--rounds") o.rounds = std::max(10, std::atoi(v.c_str()));
        else if (k == "--seconds") o.seconds = std::max(1, std::atoi(v.c_str()));
        else if (k == "--max-streams") o.maxStreams = std::max(1, std::atoi(v.c_str()));
    }
    if (o.device.empty()) {
        std::fprintf(stderr, "usage: zv_bench_onvif --device HOST:PORT [--rounds N] "
                             "[--seconds S] [--max-streams N]\n");
        return 2;
    }
    setvbuf(stdout, nullptr, _IONBF, 0);
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    zv::net::Startup();
    bench::Vortanet net;
    if (!net.Load() || !net.Init(bench::OnDisconnect, 0)) {
        std::printf("vortanet.dll (web-service build) did not load\n");
        return 1;
    }
    int rc = 0;
    std::printf("PTZ command round trip\n");
    if (!PtzRoundTrips(net, o)) rc = 1, std::printf("  failed\n");
    std::printf("decode + draw a picture\n");
    if (!DecodeAndDrawBoth(o.device)) rc = 1, std::printf("  failed\n");
    for (const auto& file : o.h264Files)
        if (!DecodeAndDrawH264(file)) rc = 1, std::printf("  H.264 %s: no decoder or no pictures\n", file.c_str());
    std::printf("plays side by side\n");
    if (!Streams(net, o, o.device, "JPEG")) rc = 1, std::printf("  failed\n");
    if (!o.h264Device.empty() && !Streams(net, o, o.h264Device, "H.264"))
        rc = 1, std::printf("  H.264 plays failed\n");
    net.Cleanup();
    return rc;
}
