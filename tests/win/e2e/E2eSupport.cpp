#include "E2eSupport.h"

#include <cstdlib>
#include <cstring>
#include <sstream>

#include <gtest/gtest.h>

#include "CameraRecord.h"
#include "ControlClient.h"

namespace e2e {

using zv::devsim::ControlClient;

namespace {

const char* DeviceAddress(int index, const char* fallback) {
    static std::string addresses[2];
    const char* env = std::getenv("ZV_E2E_DEVICES");
    if (!env) return fallback;
    std::istringstream in(env);
    in >> addresses[0] >> addresses[1];
    return addresses[index].empty() ? fallback : addresses[index].c_str();
}

// One devsim.exe for the whole test program, ended after the last test.
class CDevsimEnvironment : public ::testing::Environment {
public:
    CDevsim devsim;
    int state = 0;  // 0 not started, 1 up, -1 failed
    void TearDown() override {
        if (state == 1) devsim.Stop();
    }
};
CDevsimEnvironment* g_env =
    static_cast<CDevsimEnvironment*>(::testing::AddGlobalTestEnvironment(new CDevsimEnvironment));

}  // namespace

const char* const kDeviceA = DeviceAddress(0, "127.0.0.12");
const char* const kDeviceB = DeviceAddress(1, "127.0.0.13");
// The control port's address: another one (ZV_E2E_CONTROL_ADDRESS) keeps two
// runs side by side apart, whose Wine processes may have the same id. Not a
// device's address: dropping a device refuses everything on its address.
const char* const kControl = [] {
    const char* env = std::getenv("ZV_E2E_CONTROL_ADDRESS");
    return env && *env ? env : "127.0.0.1";
}();

CDevsim* SharedDevsim() {
    if (g_env->state == 0) g_env->state = g_env->devsim.Start() ? 1 : -1;
    return g_env->state == 1 ? &g_env->devsim : nullptr;
}

void Pump(DWORD ms) {
    const DWORD start = GetTickCount();
    MSG msg;
    while (GetTickCount() - start < ms) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

bool CDevsim::Start() {
    m_port = uint16_t(38000 + GetCurrentProcessId() % 1000);
    std::ostringstream cmd;
    cmd << "devsim.exe --device " << kDeviceA << " --device " << kDeviceB
        << " --channels 4 --user admin:admin --user guest:guest --control-address " << kControl
        << " --control-port " << m_port;
    std::string line = cmd.str();
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    HANDLE nul = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    si.hStdInput = si.hStdOutput = si.hStdError = nul;
    SetHandleInformation(nul, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    const BOOL ok = CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &m_pi);
    CloseHandle(nul);
    if (!ok) return false;
    return WaitFor(10000, [&] { return Command("ping").rfind("OK", 0) == 0; }) >= 0;
}

void CDevsim::Stop() {
    if (!m_pi.hProcess) return;
    Command("quit");
    if (WaitForSingleObject(m_pi.hProcess, 5000) != WAIT_OBJECT_0) TerminateProcess(m_pi.hProcess, 1);
    CloseHandle(m_pi.hProcess);
    CloseHandle(m_pi.hThread);
    m_pi = {};
}

std::string CDevsim::Command(const std::string& text) { return ControlClient(m_port, kControl).Command(text); }

double CDevsim::Field(const std::string& command, const std::string& key) {
    return ControlClient(m_port, kControl).Field(command, key);
}

namespace {

LRESULT CALLBACK CameraWndProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcW(h, m, w, l); }

}  // namespace

HWND CameraWindow(int x, int y) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = CameraWndProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"ZvCameraWindow";
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        RegisterClassW(&wc);
        registered = true;
    }
    return CreateWindowExW(WS_EX_TOOLWINDOW, L"ZvCameraWindow", L"", WS_POPUP | WS_VISIBLE, x, y, 352,
                           288, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

std::vector<COLORREF> Grab(HWND wnd, RECT part) {
    HDC dc = GetDC(wnd);
    std::vector<COLORREF> px;
    for (int y = part.top; y < part.bottom; y += 2)
        for (int x = part.left; x < part.right; x += 2) px.push_back(GetPixel(dc, x, y));
    ReleaseDC(wnd, dc);
    return px;
}

int Differing(const std::vector<COLORREF>& a, const std::vector<COLORREF>& b) {
    int n = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) n += a[i] != b[i];
    return n;
}

double MeanLevel(const std::vector<COLORREF>& px) {
    double sum = 0;
    for (COLORREF c : px) sum += GetRValue(c) + GetGValue(c) + GetBValue(c);
    return px.empty() ? 0 : sum / (3.0 * px.size());
}

CAMERA_INFO Camera(const char* address, int channel, HWND wnd, const char* user, const char* password) {
    return zv::test::CameraRecord(address, channel, wnd, user, password);
}

void MouseTo(POINT pt) {
    SetCursorPos(pt.x, pt.y);
    Pump(30);
}
void MouseButton(bool down) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
    SendInput(1, &in, sizeof in);
    Pump(50);
}

POINT CentreOf(HWND hWnd) {
    RECT rc{};
    GetWindowRect(hWnd, &rc);
    return {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

std::string EditText(HWND panel, int id) {
    char s[32] = "";
    GetDlgItemTextA(panel, id, s, sizeof s);
    return s;
}

}  // namespace e2e
