// The host's camera list and which camera each tile shows, kept in an INI
// file beside the exe (plain text a user can edit by hand too).
#pragma once

#include <string>
#include <vector>

struct CameraEntry {
    std::wstring address;  // e.g. 127.0.0.2
    std::wstring user;
    std::wstring password;
    int channel = 0;       // 0-based
};

struct HostConfig {
    static constexpr int kTiles = 4;

    std::vector<CameraEntry> cameras;
    int tileCamera[kTiles] = {-1, -1, -1, -1};  // index into cameras, -1 none

    // Reads `path`; a missing file gives the two demo devices' four cameras.
    static HostConfig Load(const std::wstring& path);
    bool Save(const std::wstring& path) const;
};

// The INI file beside the running exe (ZentavoHost.ini).
std::wstring DefaultConfigPath();
