// Shared by the benchmark programs: a clock, percentiles, the network
// library bound by ordinal, and the bare request/response that every figure
// is compared with (PING/PONG on a socket of our own to the same device).
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "Messages.h"
#include "Wire.h"

namespace bench {

// The command line the round-trip programs share:
//   [--device ADDR] [--channel N] [--rounds N] [--user NAME:PASSWORD]
struct Args {
    std::string device = "127.0.0.4";
    std::string user = "admin", password = "admin";
    int channel = 0;
    int rounds = 500;
};

inline bool ParseArgs(int argc, char** argv, Args& a) {
    for (int i = 1; i < argc; ++i) {
        const std::string k = argv[i];
        if (i + 1 >= argc) return false;
        const std::string v = argv[++i];
        if (k == "--device") a.device = v;
        else if (k == "--channel") a.channel = std::atoi(v.c_str());
        else if (k == "--rounds") a.rounds = std::max(10, std::atoi(v.c_str()));
        else if (k == "--user") {
            const size_t c = v.find(':');
            if (c == std::string::npos) return false;
            a.user = v.substr(0, c);
            a.password = v.substr(c + 1);
        } else return false;
    }
    return true;
}

// The library's disconnect notice during a run: said, not fatal.
inline void WINAPI OnDisconnect(int32_t login, const char* address, uint32_t, uintptr_t) {
    std::printf("  (device %s dropped login %d during the run)\n", address ? address : "?", login);
    std::fflush(stdout);
}

inline double NowUs() {
    static const double perUs = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart) / 1e6;
    }();
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / perUs;
}

// This process's CPU time (user and kernel), seconds.
inline double CpuSeconds() {
    FILETIME c, e, k, u;
    if (!GetProcessTimes(GetCurrentProcess(), &c, &e, &k, &u)) return 0;
    auto s = [](const FILETIME& f) {
        return static_cast<double>((static_cast<uint64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 1e7;
    };
    return s(k) + s(u);
}

// Keeps the windows responsive for ms milliseconds.
inline void Pump(DWORD ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    for (;;) {
        const ULONGLONG now = GetTickCount64();
        if (now >= end) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

// Nearest-rank percentile; q in 0..1.
inline double Percentile(std::vector<double> v, double q) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    size_t k = static_cast<size_t>(q * static_cast<double>(v.size()) + 0.999999);
    k = std::min(std::max<size_t>(k, 1), v.size());
    return v[k - 1];
}

// vortanet.dll's functions, stdcall, resolved by ordinal as Zentavo binds them.
struct Vortanet {
    using DisconnectFn = void(WINAPI*)(int32_t login, const char* address, uint32_t, uintptr_t user);
    using InitFn = int32_t(WINAPI*)(DisconnectFn, uintptr_t);
    using CleanupFn = int32_t(WINAPI*)();
    using LoginFn = int32_t(WINAPI*)(const char*, uint16_t, const char*, const char*, unsigned char*, int*);
    using LogoutFn = int32_t(WINAPI*)(int32_t);
    using PtzFn = int32_t(WINAPI*)(int32_t, int32_t, uint32_t, uint8_t, uint8_t, uint8_t, int32_t);
    using GetConfigFn = int32_t(WINAPI*)(int32_t, int32_t, int32_t, void*, int32_t, int32_t*, int32_t);
    using SetConfigFn = int32_t(WINAPI*)(int32_t, int32_t, int32_t, void*, int32_t, int32_t);

    HMODULE dll = nullptr;
    InitFn Init = nullptr;
    CleanupFn Cleanup = nullptr;
    LoginFn Login = nullptr;
    LogoutFn Logout = nullptr;
    PtzFn PtzControl = nullptr;
    GetConfigFn GetDevConfig = nullptr;
    SetConfigFn SetDevConfig = nullptr;

    template <class T>
    T Ordinal(int n) {
        return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(dll, MAKEINTRESOURCEA(n))));
    }
    bool Load() {
        dll = LoadLibraryW(L"vortanet.dll");
        if (!dll) return false;
        Init = Ordinal<InitFn>(1);
        Cleanup = Ordinal<CleanupFn>(2);
        Login = Ordinal<LoginFn>(5);
        Logout = Ordinal<LogoutFn>(6);
        PtzControl = Ordinal<PtzFn>(41);
        GetDevConfig = Ordinal<GetConfigFn>(72);
        SetDevConfig = Ordinal<SetConfigFn>(73);
        return Init && Cleanup && Login && Logout && PtzControl && GetDevConfig && SetDevConfig;
    }
};

// A plain blocking TCP connection to the device that sends PING and waits
// for the PONG: the cheapest request/response the two processes can have.
class BarePinger {
public:
    ~BarePinger() { Close(); }

    bool Connect(const std::string& address, uint16_t port) {
        Close();
        m_s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (m_s == INVALID_SOCKET) return false;
        BOOL one = TRUE;
        setsockopt(m_s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
        DWORD timeout = 2000;
        setsockopt(m_s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        if (inet_pton(AF_INET, address.c_str(), &a.sin_addr) != 1 ||
            (ntohl(a.sin_addr.s_addr) >> 24) != 127)  // loopback only
            return false;
        return connect(m_s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    }

    void Close() {
        if (m_s != INVALID_SOCKET) closesocket(m_s);
        m_s = INVALID_SOCKET;
    }

    // One PING answered by its PONG; a PING from the device is answered on the way.
    bool RoundTrip() { return Send() && Receive(m_seq); }

    // The two halves, for a caller that receives on another thread.
    bool Send() {
        const uint32_t seq = ++m_seq ? m_seq : ++m_seq;
        std::vector<uint8_t> out;
        zv::proto::WriteHeader(out, zv::proto::MsgType::Ping, seq, 8);
        zv::proto::ByteWriter w(out);
        zv::proto::Ping ping;
        ping.token = 0x5A56424E00000000ull | seq;
        ping.Write(w);
        return SendAll(out.data(), out.size());
    }
    // Waits for the PONG of seq (0: any PONG).
    bool Receive(uint32_t seq) {
        for (int frames = 0; frames < 16; ++frames) {
            uint8_t head[zv::proto::kHeaderSize];
            if (!RecvAll(head, sizeof head)) return false;
            zv::proto::FrameHeader h;
            if (zv::proto::ParseHeader(head, sizeof head, h) != zv::proto::DecodeError::None) return false;
            std::vector<uint8_t> payload(h.length);
            if (h.length && !RecvAll(payload.data(), h.length)) return false;
            if (h.type == zv::proto::MsgType::Pong && (seq == 0 || h.seq == seq)) return true;
            if (h.type == zv::proto::MsgType::Ping) {
                std::vector<uint8_t> pong;
                zv::proto::WriteHeader(pong, zv::proto::MsgType::Pong, h.seq, h.length);
                pong.insert(pong.end(), payload.begin(), payload.end());
                if (!SendAll(pong.data(), pong.size())) return false;
            } else if (h.type == zv::proto::MsgType::Error) {
                return false;
            }
        }
        return false;
    }

private:
    bool SendAll(const uint8_t* p, size_t n) {
        while (n) {
            const int k = send(m_s, reinterpret_cast<const char*>(p), static_cast<int>(n), 0);
            if (k <= 0) return false;
            p += k;
            n -= static_cast<size_t>(k);
        }
        return true;
    }
    bool RecvAll(uint8_t* p, size_t n) {
        while (n) {
            const int k = recv(m_s, reinterpret_cast<char*>(p), static_cast<int>(n), 0);
            if (k <= 0) return false;
            p += k;
            n -= static_cast<size_t>(k);
        }
        return true;
    }

    SOCKET m_s = INVALID_SOCKET;
    uint32_t m_seq = 0;
};

// One command to devsim's control port (loopback): its reply line, or "" on
// any failure.
inline std::string ControlCommand(uint16_t port, const std::string& line) {
    WSADATA wsa;
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) return "";
    std::string reply;
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    DWORD timeout = 2000;
    if (s != INVALID_SOCKET &&
        setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout) == 0 &&
        connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
        const std::string out = line + "\n";
        if (send(s, out.data(), static_cast<int>(out.size()), 0) == static_cast<int>(out.size())) {
            char c;
            while (recv(s, &c, 1, 0) == 1 && c != '\n') reply += c;
        }
    }
    if (s != INVALID_SOCKET) closesocket(s);
    WSACleanup();
    if (!reply.empty() && reply.back() == '\r') reply.pop_back();
    return reply;
}

// The number after " key=" in a control reply; 0 when missing.
inline double ReplyValue(const std::string& reply, const std::string& key) {
    const size_t at = reply.find(" " + key + "=");
    return at == std::string::npos ? 0 : std::atof(reply.c_str() + at + key.size() + 2);
}

}  // namespace bench
