#include "CameraConfig.h"

#include <windows.h>

namespace {

std::wstring ReadString(const std::wstring& path, const std::wstring& section, const wchar_t* key) {
    wchar_t buf[256] = L"";
    GetPrivateProfileStringW(section.c_str(), key, L"", buf, 256, path.c_str());
    return buf;
}

}  // namespace

HostConfig HostConfig::Load(const std::wstring& path) {
    HostConfig config;
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        // First run: the devices that make demo starts.
        for (const wchar_t* address : {L"127.0.0.2", L"127.0.0.3"})
            for (int channel = 0; channel < 2; ++channel)
                config.cameras.push_back({address, L"admin", L"admin", channel});
        for (int t = 0; t < kTiles; ++t) config.tileCamera[t] = t;
        return config;
    }
    const int count = GetPrivateProfileIntW(L"Cameras", L"Count", 0, path.c_str());
    for (int i = 1; i <= count && i <= 64; ++i) {
        const std::wstring section = L"Camera" + std::to_wstring(i);
        CameraEntry c;
        c.address = ReadString(path, section, L"Address");
        c.user = ReadString(path, section, L"User");
        c.password = ReadString(path, section, L"Password");
        c.channel = GetPrivateProfileIntW(section.c_str(), L"Channel", 0, path.c_str());
        if (!c.address.empty()) config.cameras.push_back(c);
    }
    for (int t = 0; t < kTiles; ++t) {
        const int camera = GetPrivateProfileIntW(L"Tiles", (L"Tile" + std::to_wstring(t + 1)).c_str(), 0,
                                                 path.c_str()) - 1;
        config.tileCamera[t] = camera >= 0 && camera < int(config.cameras.size()) ? camera : -1;
    }
    return config;
}

bool HostConfig::Save(const std::wstring& path) const {
    // Rewritten whole, so removed cameras leave no sections behind.
    DeleteFileW(path.c_str());
    bool ok = WritePrivateProfileStringW(L"Cameras", L"Count", std::to_wstring(cameras.size()).c_str(),
                                         path.c_str()) != FALSE;
    for (size_t i = 0; i < cameras.size(); ++i) {
        const std::wstring section = L"Camera" + std::to_wstring(i + 1);
        const CameraEntry& c = cameras[i];
        ok &= WritePrivateProfileStringW(section.c_str(), L"Address", c.address.c_str(), path.c_str()) != FALSE;
        ok &= WritePrivateProfileStringW(section.c_str(), L"User", c.user.c_str(), path.c_str()) != FALSE;
        ok &= WritePrivateProfileStringW(section.c_str(), L"Password", c.password.c_str(), path.c_str()) != FALSE;
        ok &= WritePrivateProfileStringW(section.c_str(), L"Channel", std::to_wstring(c.channel).c_str(),
                                         path.c_str()) != FALSE;
    }
    for (int t = 0; t < kTiles; ++t)
        ok &= WritePrivateProfileStringW(L"Tiles", (L"Tile" + std::to_wstring(t + 1)).c_str(),
                                         std::to_wstring(tileCamera[t] + 1).c_str(), path.c_str()) != FALSE;
    return ok;
}

std::wstring DefaultConfigPath() {
    wchar_t exe[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring path = exe;
    const size_t dot = path.rfind(L'.');
    if (dot != std::wstring::npos && dot > path.rfind(L'\\')) path.resize(dot);
    return path + L".ini";
}
