#include "ColorAdjustDlg.h"

#include <commctrl.h>

#include <string>

#include "DataExchange.h"

namespace zv {

namespace {

// In the panel's order of the values: brightness, contrast, hue, saturation.
constexpr int kSliderIds[] = {IDC_COLOR_BRIGHTNESS_SLIDER, IDC_COLOR_CONTRAST_SLIDER,
                              IDC_COLOR_HUE_SLIDER, IDC_COLOR_SATURATION_SLIDER};
constexpr int kEditIds[] = {IDC_COLOR_BRIGHTNESS_EDIT, IDC_COLOR_CONTRAST_EDIT, IDC_COLOR_HUE_EDIT,
                            IDC_COLOR_SATURATION_EDIT};
constexpr int kDefaults[] = {kDefaultColorValues.nBrightness, kDefaultColorValues.nContrast,
                             kDefaultColorValues.nHue, kDefaultColorValues.nSaturation};

constexpr Color kSliderFace = MakeRgb(0, 0, 255);
constexpr Color kSliderSelection = MakeRgb(64, 64, 255);
constexpr Color kSliderChannel = MakeRgb(196, 196, 255);
constexpr int kValueMin = 0;
constexpr int kValueMax = 255;
constexpr int kTickFrequency = 10;
constexpr int kPageSize = 25;

// The keys with which a focused trackbar moves its thumb.
bool MovesATrackbar(WPARAM key) {
    switch (key) {
    case VK_UP: case VK_DOWN: case VK_LEFT: case VK_RIGHT:
    case VK_PRIOR: case VK_NEXT: case VK_HOME: case VK_END:
        return true;
    default:
        return false;
    }
}

// Sets a flag for the length of a scope, exceptions included.
class CFlagScope {
public:
    explicit CFlagScope(bool& bFlag) : m_bFlag(bFlag) { m_bFlag = true; }
    ~CFlagScope() { m_bFlag = false; }
    CFlagScope(const CFlagScope&) = delete;
    CFlagScope& operator=(const CFlagScope&) = delete;

private:
    bool& m_bFlag;
};

}  // namespace

CColorAdjustDlg::CColorAdjustDlg(HWND hParent, INetLibrary& net)
    : CPanelBase(IDD_COLOR_PANEL, hParent, 0, -1, -1),
      m_config(net),
      m_nBrightness(kDefaultColorValues.nBrightness),
      m_nContrast(kDefaultColorValues.nContrast),
      m_nHue(kDefaultColorValues.nHue),
      m_nSaturation(kDefaultColorValues.nSaturation) {
    for (int nId : {IDB_EXIT_NORMAL, IDB_EXIT_PRESSED, IDB_EXIT_HOVER, IDB_DEFAULT_NORMAL,
                    IDB_DEFAULT_PRESSED, IDB_DEFAULT_HOVER})
        m_images.Load(nId);
    m_btnExit.SetSendsHold(false);  // acts on its click alone
    OnScaleApplied();
}

void CColorAdjustDlg::OnScaleApplied() {
    m_btnExit.UseBitmaps(m_images.Get(IDB_EXIT_NORMAL), m_images.Get(IDB_EXIT_PRESSED),
                         m_images.Get(IDB_EXIT_HOVER), nullptr);
    m_btnDefault.UseBitmaps(m_images.Get(IDB_DEFAULT_NORMAL), m_images.Get(IDB_DEFAULT_PRESSED),
                            m_images.Get(IDB_DEFAULT_HOVER), nullptr);
    m_btnExit.FitToImage();  // once bound; binding fits them the first time
    m_btnDefault.FitToImage();
    SetImageZoom(m_layout.Halves(), kScaleHalves100);
}


CColorAdjustDlg::~CColorAdjustDlg() {
    // While the controls' wrappers and the edit font still exist.
    DestroyPanelWindow();
}

// ---- IPanel -----------------------------------------------------------------

void CColorAdjustDlg::SetLogin(int32_t lLoginHandle, const CAMERA_INFO& camera) {
    m_lLoginHandle = lLoginHandle;
    m_cameraInfo = camera;
}

bool CColorAdjustDlg::CreateFromTemplate() {
    // The template's sliders need their window class.
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    return Create();
}

void CColorAdjustDlg::DestroyPanelWindow() {
    if (!m_hWnd) return;
    m_bClosing = true;
    DestroyWindow();
}

// ---- initialisation ---------------------------------------------------------

BOOL CColorAdjustDlg::OnInitDialog() {
    m_bClosing = false;
    m_bReadingEdits = false;
    m_hKeySlider = nullptr;
    CPanelBase::OnInitDialog();  // on the grid; attaches the sliders and buttons, fills the edits
    SetBackgroundBitmap(IDB_COLOR_SKIN, PLACE_TOPLEFT);
    SetUpSliders();
    ReadDeviceValues();
    WriteEdits();
    PlaceOnInit(true);  // shown (or hidden) at a given place, else beside its first rectangle
    return TRUE;  // the focus goes to the first control that takes it
}

void CColorAdjustDlg::DoDataExchange(ui::CDataExchange& dx) {
    CPanelBase::DoDataExchange(dx);
    for (int i = 0; i < kValueCount; ++i) dx.Control(kSliderIds[i], m_sliders[i]);
    dx.Control(IDC_COLOR_EXIT, m_btnExit);
    dx.Control(IDC_COLOR_DEFAULT, m_btnDefault);
    for (int i = 0; i < kValueCount; ++i) dx.Int(kEditIds[i], ValueAt(i), kValueMin, kValueMax);
}

void CColorAdjustDlg::SetUpSliders() {
    for (int i = 0; i < kValueCount; ++i) {
        CSkinSlider& slider = m_sliders[i];
        slider.SetFaceColor(kSliderFace);
        slider.SetSelectionColor(kSliderSelection);
        slider.SetChannelColor(kSliderChannel);
        slider.SetRange(kValueMin, kValueMax, false);
        // The position is the value itself: the minimum stays at the top.
        slider.SetPos(kDefaults[i]);
        slider.SetTicFreq(kTickFrequency);
        slider.SetPageSize(kPageSize);
    }
}

// ---- values, edits and the device -------------------------------------------

int& CColorAdjustDlg::ValueAt(int i) {
    int* const values[kValueCount] = {&m_nBrightness, &m_nContrast, &m_nHue, &m_nSaturation};
    return *values[i];
}

ColorValues CColorAdjustDlg::Values() const {
    return ColorValues{m_nBrightness, m_nContrast, m_nHue, m_nSaturation};
}

void CColorAdjustDlg::SetValues(const ColorValues& values) {
    m_nBrightness = values.nBrightness;
    m_nContrast = values.nContrast;
    m_nHue = values.nHue;
    m_nSaturation = values.nSaturation;
}

int CColorAdjustDlg::SliderIndex(HWND hWnd) const {
    for (int i = 0; i < kValueCount; ++i)
        if (hWnd && m_sliders[i].Handle() == hWnd) return i;
    return -1;
}

void CColorAdjustDlg::WriteEdits() {
    // Only the edits whose text changes: setting an edit's text costs a
    // layout of it, which would otherwise add to every write to the device.
    for (int i = 0; i < kValueCount; ++i) {
        const std::wstring text = std::to_wstring(ValueAt(i));
        wchar_t shown[16] = L"";
        const int nShown = GetDlgItemTextW(m_hWnd, kEditIds[i], shown, 16);
        if (nShown >= 15 || text != shown) SetDlgItemTextW(m_hWnd, kEditIds[i], text.c_str());
    }
}

bool CColorAdjustDlg::ReadEdits() {
    CFlagScope reading(m_bReadingEdits);
    return UpdateData(true);
}

void CColorAdjustDlg::ReadDeviceValues() {
    ColorValues values = Values();
    if (!m_config.ReadDeviceValues(m_lLoginHandle, m_cameraInfo.nChannel, values)) return;
    SetValues(values);
    for (int i = 0; i < kValueCount; ++i) m_sliders[i].SetPos(ValueAt(i));
}

void CColorAdjustDlg::ApplyToDevice() {
    // Nothing is reported either way: a device that did not answer keeps
    // what it had, and the panel what it shows.
    m_config.ApplyToDevice(m_lLoginHandle, m_cameraInfo.nChannel, Values());
}

void CColorAdjustDlg::ApplySliderPositions() {
    ReadEdits();
    for (int i = 0; i < kValueCount; ++i) ValueAt(i) = m_sliders[i].GetPos();
    ApplyToDevice();
    WriteEdits();
}

void CColorAdjustDlg::ResetToDefaults() {
    for (int i = 0; i < kValueCount; ++i) m_sliders[i].SetPos(kDefaults[i]);
    ReadEdits();
    SetValues(kDefaultColorValues);
    ApplyToDevice();
    WriteEdits();
    Redraw();
}

// ---- messages ---------------------------------------------------------------

bool CColorAdjustDlg::PreTranslateMessage(MSG& msg) {
    if (msg.message == WM_KEYDOWN) {
        if (msg.wParam == VK_UP || msg.wParam == VK_DOWN) ApplySliderPositions();
        if (MovesATrackbar(msg.wParam) && SliderIndex(msg.hwnd) >= 0) m_hKeySlider = msg.hwnd;
    }
    return CPanelBase::PreTranslateMessage(msg);
}

bool CColorAdjustDlg::ProcessMessage(ui::CMessage& msg) {
    // Commands that come while the edits are read (the validation message
    // moving the focus) are dropped, or a kill-focus would read them again.
    if (m_bReadingEdits && msg.message == WM_COMMAND) return true;
    return ui::Dispatch(*this, kMessages, msg) || CPanelBase::ProcessMessage(msg);
}

LRESULT CColorAdjustDlg::OnDestroy(ui::CMessage& msg) {
    m_bClosing = true;
    ShowWindow(m_hWnd, SW_HIDE);
    // The drag area is a picture control that loaded the skin bitmap from
    // the template itself and does not free it: take it back and free it.
    HBITMAP hPicture = reinterpret_cast<HBITMAP>(
        SendDlgItemMessageW(m_hWnd, IDC_COLOR_DRAG_AREA, STM_SETIMAGE, IMAGE_BITMAP, 0));
    if (hPicture) DeleteObject(hPicture);
    return DefaultProc(msg);
}

LRESULT CColorAdjustDlg::OnSliderReleased(ui::CMessage& msg) {
    const auto* pHeader = reinterpret_cast<const NMHDR*>(msg.lParam);
    const int i = SliderIndex(pHeader->hwndFrom);
    if (i < 0) return 0;
    ReadEdits();
    ValueAt(i) = m_sliders[i].GetPos();
    // The device first: the edits' texts and the repaint cost more than
    // the write itself under some systems, and the device is what waits.
    ApplyToDevice();
    WriteEdits();
    Redraw();
    return 0;
}

LRESULT CColorAdjustDlg::OnDefaultsClicked(ui::CMessage&) {
    ResetToDefaults();
    return 0;
}

LRESULT CColorAdjustDlg::OnEditKillFocus(ui::CMessage& msg) {
    if (m_bClosing) return 0;
    const int nId = LOWORD(msg.wParam);
    ReadEdits();
    for (int i = 0; i < kValueCount; ++i)
        if (kEditIds[i] == nId) m_sliders[i].SetPos(ValueAt(i));
    ApplyToDevice();
    WriteEdits();
    Redraw();
    return 0;
}

LRESULT CColorAdjustDlg::OnLButtonDown(ui::CMessage& msg) {
    DefaultProc(msg);
    const POINT pt{static_cast<short>(LOWORD(msg.lParam)), static_cast<short>(HIWORD(msg.lParam))};
    RECT rcDrag{};
    HWND hDragArea = GetDlgItem(IDC_COLOR_DRAG_AREA);
    if (!hDragArea || !GetWindowRect(hDragArea, &rcDrag)) return 0;
    MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&rcDrag), 2);
    if (PtInRect(&rcDrag, pt))
        StartCaptionDrag(static_cast<LPARAM>((static_cast<DWORD>(pt.y) << 16) | (pt.x & 0xFFFF)));
    return 0;
}

LRESULT CColorAdjustDlg::OnVScroll(ui::CMessage& msg) {
    // The key filter wrote the positions from before the key; once the key
    // has moved the slider (its end of track comes at the key's release),
    // the device gets the position shown. Mouse moves end with the release
    // notification instead.
    HWND hSlider = reinterpret_cast<HWND>(msg.lParam);
    if (LOWORD(msg.wParam) == TB_ENDTRACK && hSlider && hSlider == m_hKeySlider) {
        m_hKeySlider = nullptr;
        ApplySliderPositions();
    }
    return 0;
}

}  // namespace zv
