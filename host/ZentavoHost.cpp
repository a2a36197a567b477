// ZentavoHost: the sample host application for Zentavo.dll.
//
// A camera list (kept in ZentavoHost.ini beside the exe), a 2 x 2 grid of
// video tiles with Start / Stop / Audio and a connection light each, buttons
// that open the module's dome panel and colour panel beside the selected
// tile, and a status bar that says what each call answered.
//
// What to copy from here:
//   - one CAMERA_INFO per tile, filled once and passed to every call;
//   - starts, stops, audio and connection polling on worker threads
//     (DeviceWorker), because a login to an unreachable device takes seconds
//     and the module holds its lock meanwhile; the UI thread stays free;
//   - panel calls (DVR_ShowCamera, DVR_ParamSet) on the UI thread, whose
//     message loop serves the panels, and only while no start is waiting on a
//     device (they log in through the same lock);
//   - a tile that loses its device is started again every few seconds until
//     it plays or the user stops it.
//
//   ZentavoHost.exe [--ini PATH] [--tour --control-port N --shots DIR]
//                   [--tour-one-tile NAME --shots DIR]
// (--tour runs the demo's scripted tour; see Tour.cpp.)
#include <windows.h>
#include <commctrl.h>
#include <windowsx.h>

#include <cstdio>
#include <memory>
#include <string>

#include "CameraConfig.h"
#include "DeviceWorker.h"
#include "HostResource.h"
#include "HostView.h"
#include "Tour.h"
#include "ZentavoApi.h"

namespace {

// ---- layout (pixels) -----------------------------------------------------

constexpr int kMargin = 8;
constexpr int kListWidth = 250;
constexpr int kVideoW = 352, kVideoH = 288;
constexpr int kTileW = kVideoW + 8, kTileH = kVideoH + 36;
constexpr int kToolbarH = 30;
constexpr int kButtonH = 24;
constexpr UINT_PTR kTimerId = 1;
constexpr UINT kTimerMs = 250;
constexpr DWORD kRetryMs = 3000;  // a lost tile tries to start again this often

// ---- control ids -----------------------------------------------------------

enum : int {
    IDC_LIST = 1000,
    IDC_ADD,
    IDC_EDIT,
    IDC_REMOVE,
    IDC_ASSIGN,
    IDC_DOME,
    IDC_COLOUR,
    IDC_START_ALL,
    IDC_STOP_ALL,
    IDC_STATUS,
    IDC_TILE_START = 1100,  // + 10 * tile
    IDC_TILE_STOP,
    IDC_TILE_AUDIO,
};

constexpr UINT WM_APP_RESULT = WM_APP + 1;

// ---- state -------------------------------------------------------------------

enum class TileState { Idle, Starting, Playing, Lost, Failed };

struct Tile {
    HWND wnd = nullptr, video = nullptr, start = nullptr, stop = nullptr, audio = nullptr;
    CAMERA_INFO info{};          // the record given to the module
    TileState state = TileState::Idle;
    bool wantPlaying = false;    // started by the user: keep it playing
    bool audioOn = false;
    unsigned generation = 0;     // bumped by every start and stop: late answers are dropped
    ULONGLONG retryAt = 0;
    std::wstring text;           // what the tile says under its picture
};

struct App {
    HINSTANCE instance = nullptr;
    ZentavoApi api;
    std::unique_ptr<DeviceWorker> worker;
    std::wstring configPath;
    HostConfig config;
    HWND main = nullptr, list = nullptr, status = nullptr;
    HWND dome = nullptr, colour = nullptr;
    Tile tiles[HostConfig::kTiles];
    int selected = 0;
    HFONT font = nullptr;
};

App g;

// ---- helpers -------------------------------------------------------------------

std::wstring Widen(const char* s) {
    std::wstring w;
    for (; *s; ++s) w += static_cast<wchar_t>(static_cast<unsigned char>(*s));
    return w;
}

void Narrow(const std::wstring& w, char* out, size_t size) {
    size_t n = 0;
    for (; n + 1 < size && n < w.size(); ++n) out[n] = w[n] < 128 ? static_cast<char>(w[n]) : '?';
    out[n] = '\0';
}

std::wstring CameraName(int camera) {
    if (camera < 0 || camera >= int(g.config.cameras.size())) return L"(no camera)";
    const CameraEntry& c = g.config.cameras[camera];
    return c.address + L" ch " + std::to_wstring(c.channel);
}

std::wstring TileName(int t) { return L"tile " + std::to_wstring(t + 1) + L" (" + CameraName(g.config.tileCamera[t]) + L")"; }

void SetStatus(const std::wstring& text) { SetWindowTextW(g.status, text.c_str()); }

HWND MakeButton(HWND parent, const wchar_t* text, int id, int x, int y, int w) {
    HWND b = CreateWindowExW(0, L"BUTTON", text, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, x, y, w,
                             kButtonH, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                             g.instance, nullptr);
    SendMessageW(b, WM_SETFONT, reinterpret_cast<WPARAM>(g.font), FALSE);
    return b;
}

// The record a tile gives the module: the camera's address, user, password
// and channel, and the tile's video window. Filled once per start; the
// module writes the results back into it.
CAMERA_INFO RecordFor(int t) {
    CAMERA_INFO info;
    ZeroMemory(&info, sizeof info);
    const int camera = g.config.tileCamera[t];
    if (camera >= 0) {
        const CameraEntry& c = g.config.cameras[camera];
        Narrow(c.address, info.szDeviceAddress, sizeof info.szDeviceAddress);
        Narrow(c.user, info.szUserName, sizeof info.szUserName);
        Narrow(c.password, info.szPassword, sizeof info.szPassword);
        info.nChannel = c.channel;
    }
    info.hVideoWnd = ZV_HwndToRecord(g.tiles[t].video);
    return info;
}

// ---- tiles ------------------------------------------------------------------------

void UpdateButtons() {
    const bool waiting = g.worker && g.worker->Pending() > 0;
    for (int t = 0; t < HostConfig::kTiles; ++t) {
        Tile& tile = g.tiles[t];
        const bool assigned = g.config.tileCamera[t] >= 0;
        EnableWindow(tile.start, assigned && !tile.wantPlaying);
        EnableWindow(tile.stop, tile.wantPlaying);
        EnableWindow(tile.audio, tile.state == TileState::Playing);
        SetWindowTextW(tile.audio, tile.audioOn ? L"Audio off" : L"Audio on");
    }
    // Panels log in through the module's lock: not while a start waits on a device.
    const bool canPanel = !waiting && g.tiles[g.selected].state == TileState::Playing;
    EnableWindow(g.dome, canPanel);
    EnableWindow(g.colour, canPanel);
}

void RefreshTile(int t) {
    Tile& tile = g.tiles[t];
    switch (tile.state) {
    case TileState::Idle: tile.text = L"idle"; break;
    case TileState::Starting: tile.text = L"starting..."; break;
    case TileState::Playing: tile.text = L"connected"; break;
    case TileState::Lost: tile.text = L"LOST, retrying"; break;
    case TileState::Failed: tile.text = DescribeStartFailure(tile.info.lPlayHandle); break;
    }
    InvalidateRect(tile.wnd, nullptr, FALSE);
    InvalidateRect(tile.video, nullptr, TRUE);
    UpdateButtons();
}

// Which tiles the poller asks about: those meant to be playing.
void UpdatePolled() {
    std::vector<DeviceWorker::Polled> polled;
    for (int t = 0; t < HostConfig::kTiles; ++t)
        if (g.tiles[t].state == TileState::Playing)
            polled.push_back({t, g.tiles[t].generation, g.tiles[t].info});
    g.worker->SetPolled(std::move(polled));
}

void StartTile(int t) {
    Tile& tile = g.tiles[t];
    if (g.config.tileCamera[t] < 0) return;
    tile.info = RecordFor(t);
    tile.wantPlaying = true;
    tile.state = TileState::Starting;
    g.worker->Post(t, DeviceWorker::Op::Start, ++tile.generation, tile.info);
    UpdatePolled();
    RefreshTile(t);
}

void StopTile(int t) {
    Tile& tile = g.tiles[t];
    tile.wantPlaying = false;
    tile.audioOn = false;
    g.worker->Post(t, DeviceWorker::Op::Stop, ++tile.generation, tile.info);
    tile.state = TileState::Idle;
    UpdatePolled();
    RefreshTile(t);
}

void OnResult(DeviceWorker::Result& r) {
    Tile& tile = g.tiles[r.tile];
    const std::wstring who = Widen(r.camera.szDeviceAddress) + L" ch " + std::to_wstring(r.camera.nChannel);
    switch (r.op) {
    case DeviceWorker::Op::Start:
        SetStatus(L"DVR_StartVideo(" + who + L") = " + std::to_wstring(r.result) +
                  (r.result ? L": playing" : L": " + std::wstring(DescribeStartFailure(r.camera.lPlayHandle))) +
                  L"  (" + std::to_wstring(r.elapsedMs) + L" ms)");
        if (r.generation != tile.generation) {
            // Stopped (or restarted) while this start was on its way.
            if (r.result) g.worker->Post(r.tile, DeviceWorker::Op::Stop, tile.generation, r.camera);
            break;
        }
        tile.info = r.camera;
        if (r.result) {
            tile.state = TileState::Playing;
        } else {
            tile.state = tile.state == TileState::Lost ? TileState::Lost : TileState::Failed;
            tile.retryAt = GetTickCount64() + kRetryMs;
            if (tile.state == TileState::Failed) tile.wantPlaying = false;
        }
        break;
    case DeviceWorker::Op::Stop:
        SetStatus(L"DVR_StopVideo(" + who + L") = " + std::to_wstring(r.result) +
                  (r.result ? L": stopped" : L": no live play (already lost or never started)"));
        break;
    case DeviceWorker::Op::AudioOn:
    case DeviceWorker::Op::AudioOff:
        SetStatus(L"DVR_AudioSet(" + who + L", " + (r.op == DeviceWorker::Op::AudioOn ? L"on" : L"off") +
                  L") = " + std::to_wstring(r.result) + L", audio state " +
                  std::to_wstring(r.camera.nAudioState));
        if (r.generation == tile.generation) tile.audioOn = r.camera.nAudioState != 0;
        break;
    case DeviceWorker::Op::Poll:
        if (r.generation != tile.generation || tile.state != TileState::Playing) break;
        if (r.result == 0) {
            // The device went away: the module has dropped the play. Try again
            // later, as long as the user wants this tile playing.
            tile.state = TileState::Lost;
            tile.audioOn = false;
            tile.retryAt = GetTickCount64() + kRetryMs;
            SetStatus(L"DVR_GetConnectState(" + who + L") = 0: connection lost, retrying every " +
                      std::to_wstring(kRetryMs / 1000) + L" s");
        }
        break;
    }
    UpdatePolled();
    RefreshTile(r.tile);
}

void OnTimer() {
    const ULONGLONG now = GetTickCount64();
    for (int t = 0; t < HostConfig::kTiles; ++t) {
        Tile& tile = g.tiles[t];
        if (tile.state == TileState::Lost && tile.wantPlaying && now >= tile.retryAt) {
            tile.retryAt = now + kRetryMs;
            tile.info = RecordFor(t);
            g.worker->Post(t, DeviceWorker::Op::Start, ++tile.generation, tile.info);
        }
    }
    UpdateButtons();
}

// ---- panels ----------------------------------------------------------------------

// Beside the selected tile: right of the host's window so that no other
// tile's picture is covered, the dome panel level with the tile's top and the
// colour panel below where the dome panel goes, so both can be open at once.
constexpr int kDomePanelHeight = 300;  // at 100 %: this host is not DPI-aware
POINT BesideTile(int t, bool below) {
    RECT tile, main;
    GetWindowRect(g.tiles[t].wnd, &tile);
    GetWindowRect(g.main, &main);
    return {main.right + 4, tile.top + (below ? kDomePanelHeight + 6 : 0)};
}

void OpenDomePanel() {
    Tile& tile = g.tiles[g.selected];
    const POINT at = BesideTile(g.selected, false);
    const int r = g.api.ShowCamera(&tile.info, 1, at.x, at.y);
    SetStatus(L"DVR_ShowCamera(" + TileName(g.selected) + L") = " + std::to_wstring(r) +
              (r ? L": hold a button to move the dome" : L": the panel could not be made"));
}

void OpenColorPanel() {
    Tile& tile = g.tiles[g.selected];
    const POINT at = BesideTile(g.selected, true);
    const int r = g.api.ParamSet(&tile.info, 1, at.x, at.y);
    SetStatus(L"DVR_ParamSet(" + TileName(g.selected) + L") = " + std::to_wstring(r) +
              (r ? L": the sliders write to the device when released" : L": the panel could not be made"));
}

// ---- camera list ------------------------------------------------------------------

void FillList() {
    ListView_DeleteAllItems(g.list);
    for (size_t i = 0; i < g.config.cameras.size(); ++i) {
        const CameraEntry& c = g.config.cameras[i];
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<wchar_t*>(c.address.c_str());
        ListView_InsertItem(g.list, &item);
        std::wstring channel = std::to_wstring(c.channel);
        ListView_SetItemText(g.list, int(i), 1, &channel[0]);
        ListView_SetItemText(g.list, int(i), 2, const_cast<wchar_t*>(c.user.c_str()));
    }
}

INT_PTR CALLBACK CameraDialog(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    auto* entry = reinterpret_cast<CameraEntry*>(GetWindowLongPtrW(dlg, DWLP_USER));
    switch (msg) {
    case WM_INITDIALOG:
        SetWindowLongPtrW(dlg, DWLP_USER, lp);
        entry = reinterpret_cast<CameraEntry*>(lp);
        SetDlgItemTextW(dlg, IDC_CAM_ADDRESS, entry->address.c_str());
        SetDlgItemTextW(dlg, IDC_CAM_USER, entry->user.c_str());
        SetDlgItemTextW(dlg, IDC_CAM_PASSWORD, entry->password.c_str());
        SetDlgItemInt(dlg, IDC_CAM_CHANNEL, entry->channel, FALSE);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wp) == IDOK) {
            wchar_t buf[128];
            GetDlgItemTextW(dlg, IDC_CAM_ADDRESS, buf, 128);
            entry->address = buf;
            GetDlgItemTextW(dlg, IDC_CAM_USER, buf, 64);
            entry->user = buf;
            GetDlgItemTextW(dlg, IDC_CAM_PASSWORD, buf, 64);
            entry->password = buf;
            entry->channel = static_cast<int>(GetDlgItemInt(dlg, IDC_CAM_CHANNEL, nullptr, FALSE));
            if (entry->address.empty()) {
                MessageBoxW(dlg, L"The device address is needed.", L"Camera", MB_OK | MB_ICONWARNING);
                return TRUE;
            }
            EndDialog(dlg, IDOK);
            return TRUE;
        }
        if (LOWORD(wp) == IDCANCEL) {
            EndDialog(dlg, IDCANCEL);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

int SelectedCamera() { return ListView_GetNextItem(g.list, -1, LVNI_SELECTED); }

void SaveConfig() {
    if (!g.config.Save(g.configPath)) SetStatus(L"could not write " + g.configPath);
}

void OnCameraCommand(int id) {
    const int sel = SelectedCamera();
    if (id == IDC_ADD || (id == IDC_EDIT && sel >= 0)) {
        CameraEntry entry = id == IDC_ADD ? CameraEntry{L"127.0.0.2", L"admin", L"admin", 0} : g.config.cameras[sel];
        if (DialogBoxParamW(g.instance, MAKEINTRESOURCEW(IDD_CAMERA), g.main, CameraDialog,
                            reinterpret_cast<LPARAM>(&entry)) != IDOK)
            return;
        if (id == IDC_ADD) g.config.cameras.push_back(entry);
        else g.config.cameras[sel] = entry;
    } else if (id == IDC_REMOVE && sel >= 0) {
        for (int t = 0; t < HostConfig::kTiles; ++t) {
            if (g.config.tileCamera[t] == sel && g.tiles[t].wantPlaying) StopTile(t);
            if (g.config.tileCamera[t] == sel) g.config.tileCamera[t] = -1;
            else if (g.config.tileCamera[t] > sel) --g.config.tileCamera[t];
        }
        g.config.cameras.erase(g.config.cameras.begin() + sel);
    } else if (id == IDC_ASSIGN && sel >= 0) {
        if (g.tiles[g.selected].wantPlaying) StopTile(g.selected);
        g.config.tileCamera[g.selected] = sel;
    } else {
        return;
    }
    SaveConfig();
    FillList();
    for (int t = 0; t < HostConfig::kTiles; ++t) RefreshTile(t);
}

// ---- windows --------------------------------------------------------------------------

int TileOf(HWND wnd) { return static_cast<int>(GetWindowLongPtrW(wnd, GWLP_USERDATA)); }

void Select(int t) {
    const int old = g.selected;
    g.selected = t;
    InvalidateRect(g.tiles[old].wnd, nullptr, FALSE);
    InvalidateRect(g.tiles[t].wnd, nullptr, FALSE);
    UpdateButtons();
}

LRESULT CALLBACK VideoProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_LBUTTONDOWN:
        Select(TileOf(GetParent(wnd)));
        return 0;
    case WM_ERASEBKGND: {
        // The module draws the live picture; black only while there is none.
        const Tile& tile = g.tiles[TileOf(GetParent(wnd))];
        if (tile.state == TileState::Playing) return TRUE;
        RECT rc;
        GetClientRect(wnd, &rc);
        FillRect(reinterpret_cast<HDC>(wp), &rc, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        return TRUE;
    }
    }
    return DefWindowProcW(wnd, msg, wp, lp);
}

void PaintTile(HWND wnd) {
    const int t = TileOf(wnd);
    const Tile& tile = g.tiles[t];
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(wnd, &ps);
    RECT rc;
    GetClientRect(wnd, &rc);
    FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
    // The selected tile is framed in blue.
    HBRUSH frame = CreateSolidBrush(t == g.selected ? RGB(0, 90, 220) : RGB(160, 160, 160));
    FrameRect(dc, &rc, frame);
    if (t == g.selected) {
        RECT inner = {rc.left + 1, rc.top + 1, rc.right - 1, rc.bottom - 1};
        FrameRect(dc, &inner, frame);
    }
    DeleteObject(frame);
    // The connection light.
    COLORREF light = RGB(150, 150, 150);
    if (tile.state == TileState::Starting) light = RGB(240, 180, 0);
    if (tile.state == TileState::Playing) light = RGB(0, 200, 60);
    if (tile.state == TileState::Lost || tile.state == TileState::Failed) light = RGB(220, 30, 30);
    HBRUSH brush = CreateSolidBrush(light);
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    const int y = kVideoH + 12;
    Ellipse(dc, 8, y, 22, y + 14);
    SelectObject(dc, oldBrush);
    DeleteObject(brush);
    HGDIOBJ oldFont = SelectObject(dc, g.font);
    SetBkMode(dc, TRANSPARENT);
    const std::wstring line = CameraName(g.config.tileCamera[t]) + L": " + tile.text;
    RECT text = {28, y, 150 + 28, y + 16};
    DrawTextW(dc, line.c_str(), -1, &text, DT_LEFT | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    SelectObject(dc, oldFont);
    EndPaint(wnd, &ps);
}

LRESULT CALLBACK TileProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_PAINT:
        PaintTile(wnd);
        return 0;
    case WM_LBUTTONDOWN:
        Select(TileOf(wnd));
        return 0;
    case WM_COMMAND: {
        const int t = TileOf(wnd);
        Select(t);
        switch (LOWORD(wp) - 10 * t) {
        case IDC_TILE_START: StartTile(t); break;
        case IDC_TILE_STOP: StopTile(t); break;
        case IDC_TILE_AUDIO: {
            Tile& tile = g.tiles[t];
            g.worker->Post(t, tile.audioOn ? DeviceWorker::Op::AudioOff : DeviceWorker::Op::AudioOn,
                           tile.generation, tile.info);
            break;
        }
        }
        return 0;
    }
    }
    return DefWindowProcW(wnd, msg, wp, lp);
}

void CreateTiles(HWND main) {
    for (int t = 0; t < HostConfig::kTiles; ++t) {
        const int x = kMargin * 2 + kListWidth + (t % 2) * (kTileW + kMargin);
        const int y = kMargin + kToolbarH + (t / 2) * (kTileH + kMargin);
        Tile& tile = g.tiles[t];
        tile.wnd = CreateWindowExW(0, L"ZvHostTile", L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, x, y, kTileW,
                                   kTileH, main, nullptr, g.instance, nullptr);
        SetWindowLongPtrW(tile.wnd, GWLP_USERDATA, t);
        tile.video = CreateWindowExW(0, L"ZvHostVideo", L"", WS_CHILD | WS_VISIBLE, 4, 4, kVideoW, kVideoH,
                                     tile.wnd, nullptr, g.instance, nullptr);
        const int by = kVideoH + 8;
        tile.start = MakeButton(tile.wnd, L"Start", IDC_TILE_START + 10 * t, 184, by, 52);
        tile.stop = MakeButton(tile.wnd, L"Stop", IDC_TILE_STOP + 10 * t, 240, by, 52);
        tile.audio = MakeButton(tile.wnd, L"Audio on", IDC_TILE_AUDIO + 10 * t, 296, by, 60);
        tile.info = RecordFor(t);
        RefreshTile(t);
    }
}

void CreateControls(HWND main) {
    g.list = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                             WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
                             kMargin, kMargin + kToolbarH, kListWidth, 400, main,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_LIST)), g.instance, nullptr);
    SendMessageW(g.list, WM_SETFONT, reinterpret_cast<WPARAM>(g.font), FALSE);
    ListView_SetExtendedListViewStyle(g.list, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    const struct { const wchar_t* title; int width; } columns[] = {{L"Address", 120}, {L"Ch", 40}, {L"User", 80}};
    for (int i = 0; i < 3; ++i) {
        LVCOLUMNW col{};
        col.mask = LVCF_TEXT | LVCF_WIDTH;
        col.pszText = const_cast<wchar_t*>(columns[i].title);
        col.cx = columns[i].width;
        ListView_InsertColumn(g.list, i, &col);
    }
    const int by = kMargin + kToolbarH + 400 + 6;
    MakeButton(main, L"Add...", IDC_ADD, kMargin, by, 58);
    MakeButton(main, L"Edit...", IDC_EDIT, kMargin + 62, by, 58);
    MakeButton(main, L"Remove", IDC_REMOVE, kMargin + 124, by, 58);
    MakeButton(main, L"To tile", IDC_ASSIGN, kMargin + 186, by, 64);
    HWND hint = CreateWindowExW(0, L"STATIC",
                                L"Select a tile, then a camera and \"To tile\". Cameras are kept in "
                                L"ZentavoHost.ini beside the exe.",
                                WS_CHILD | WS_VISIBLE, kMargin, by + 32, kListWidth, 60, main, nullptr,
                                g.instance, nullptr);
    SendMessageW(hint, WM_SETFONT, reinterpret_cast<WPARAM>(g.font), FALSE);

    const int tx = kMargin * 2 + kListWidth;
    g.dome = MakeButton(main, L"Dome panel", IDC_DOME, tx, kMargin, 100);
    g.colour = MakeButton(main, L"Colour panel", IDC_COLOUR, tx + 104, kMargin, 100);
    MakeButton(main, L"Start all", IDC_START_ALL, tx + 232, kMargin, 80);
    MakeButton(main, L"Stop all", IDC_STOP_ALL, tx + 316, kMargin, 80);

    g.status = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, main,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_STATUS)), g.instance, nullptr);
}

// What the tour may read of the host (asked for with SendMessage, so it is
// read on the UI thread); it drives the host with real input only.
void FillTourSnapshot(HostSnapshot& s) {
    auto screen = [](HWND w) {
        RECT rc{};
        GetWindowRect(w, &rc);
        return rc;
    };
    s.main = g.main;
    s.domeButton = screen(g.dome);
    s.colourButton = screen(g.colour);
    s.selected = g.selected;
    s.pendingCalls = g.worker->Pending();
    for (int t = 0; t < HostConfig::kTiles; ++t) {
        const Tile& tile = g.tiles[t];
        HostSnapshot::TileView& v = s.tiles[t];
        v.playing = tile.state == TileState::Playing;
        v.lost = tile.state == TileState::Lost;
        v.audioOn = tile.audioOn;
        v.camera = tile.info;
        v.video = screen(tile.video);
        v.start = screen(tile.start);
        v.stop = screen(tile.stop);
        v.audio = screen(tile.audio);
    }
}

LRESULT CALLBACK MainProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE:
        g.main = wnd;
        g.worker = std::make_unique<DeviceWorker>(g.api, wnd, WM_APP_RESULT);
        CreateControls(wnd);
        CreateTiles(wnd);
        FillList();
        SetTimer(wnd, kTimerId, kTimerMs, nullptr);
        SetStatus(L"Zentavo.dll loaded. Start a tile, then open its dome or colour panel.");
        return 0;
    case WM_SIZE:
        SendMessageW(g.status, WM_SIZE, 0, 0);
        return 0;
    case WM_TIMER:
        if (wp == kTimerId) OnTimer();
        return 0;
    case WM_APP_RESULT: {
        std::unique_ptr<DeviceWorker::Result> r(reinterpret_cast<DeviceWorker::Result*>(lp));
        OnResult(*r);
        return 0;
    }
    case WM_APP_TOUR_SNAPSHOT:
        FillTourSnapshot(*reinterpret_cast<HostSnapshot*>(lp));
        return 1;
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case IDC_DOME: OpenDomePanel(); break;
        case IDC_COLOUR: OpenColorPanel(); break;
        case IDC_START_ALL:
            for (int t = 0; t < HostConfig::kTiles; ++t)
                if (!g.tiles[t].wantPlaying) StartTile(t);
            break;
        case IDC_STOP_ALL:
            for (int t = 0; t < HostConfig::kTiles; ++t)
                if (g.tiles[t].wantPlaying) StopTile(t);
            break;
        default: OnCameraCommand(LOWORD(wp)); break;
        }
        return 0;
    case WM_NOTIFY: {
        const auto* hdr = reinterpret_cast<const NMHDR*>(lp);
        if (hdr->idFrom == IDC_LIST && hdr->code == NM_DBLCLK) OnCameraCommand(IDC_ASSIGN);
        return 0;
    }
    case WM_CLOSE:
        // The dome panel first, then the worker threads, then the plays; the
        // module would do all of it at unload too (the colour panel lives
        // until then), but a host says what it means.
        g.api.FreeCamera(0);
        KillTimer(wnd, kTimerId);
        g.worker->Stop();
        for (int t = 0; t < HostConfig::kTiles; ++t)
            if (g.tiles[t].wantPlaying) g.api.StopVideo(&g.tiles[t].info);
        DestroyWindow(wnd);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(wnd, msg, wp, lp);
}

bool RegisterClasses() {
    WNDCLASSW wc{};
    wc.hInstance = g.instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpfnWndProc = MainProc;
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = L"ZvHostMain";
    if (!RegisterClassW(&wc)) return false;
    wc.lpfnWndProc = TileProc;
    wc.lpszClassName = L"ZvHostTile";
    if (!RegisterClassW(&wc)) return false;
    wc.lpfnWndProc = VideoProc;
    wc.hbrBackground = nullptr;
    wc.lpszClassName = L"ZvHostVideo";
    return RegisterClassW(&wc) != 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    g.instance = instance;
    TourOptions tour;
    g.configPath = DefaultConfigPath();
    for (int i = 1; i < __argc; ++i) {
        const std::wstring a = __wargv[i];
        const bool more = i + 1 < __argc;
        if (a == L"--ini" && more) g.configPath = __wargv[++i];
        else if (a == L"--tour") tour.enabled = true;
        else if (a == L"--control-port" && more) tour.controlPort = _wtoi(__wargv[++i]);
        else if (a == L"--shots" && more) tour.shotsDir = __wargv[++i];
        else if (a == L"--tour-one-tile" && more) {
            tour.enabled = true;
            const std::wstring name = __wargv[++i];
            tour.oneTile.assign(name.begin(), name.end());  // a file name of ASCII letters
        }
    }
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);

    std::wstring error;
    if (!g.api.Load(L"Zentavo.dll", error)) {
        MessageBoxW(nullptr, error.c_str(), L"ZentavoHost", MB_OK | MB_ICONERROR);
        std::fwprintf(stderr, L"ZentavoHost: %ls\n", error.c_str());
        return 1;
    }
    g.config = HostConfig::Load(g.configPath);
    NONCLIENTMETRICSW ncm{};
    ncm.cbSize = sizeof ncm;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0);
    g.font = CreateFontIndirectW(&ncm.lfMessageFont);

    if (!RegisterClasses()) return 1;
    RECT rc = {0, 0, kMargin * 3 + kListWidth + 2 * kTileW + kMargin, kMargin * 2 + kToolbarH + 2 * kTileH + kMargin + 24};
    const DWORD style = WS_OVERLAPPEDWINDOW & ~(WS_THICKFRAME | WS_MAXIMIZEBOX);
    AdjustWindowRect(&rc, style, FALSE);
    HWND main = CreateWindowExW(0, L"ZvHostMain", L"Zentavo sample host", style | WS_CLIPCHILDREN, 10, 10,
                                rc.right - rc.left, rc.bottom - rc.top, nullptr, nullptr, instance, nullptr);
    if (!main) return 1;
    ShowWindow(main, show);
    UpdateWindow(main);

    std::unique_ptr<Tour> running;
    if (tour.enabled) running = std::make_unique<Tour>(tour, main);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    const int tourResult = running ? running->Finish() : 0;
    g.worker.reset();
    // Unloading the module closes its panels, stops what still plays and logs out.
    g.api.Unload();
    DeleteObject(g.font);
    return tourResult;
}
