#include "PanelFont.h"

#include <cwchar>

#include "ClientDC.h"
#include "PanelGrid.h"

namespace zv {

namespace {

// The template's own face first, then other Song/Ming faces, then sans
// faces: the artwork was drawn for a Song face. Each with its other name,
// under which the same family may be installed.
struct FaceName {
    const wchar_t* name;
    const wchar_t* otherName;
};
constexpr FaceName kFaces[] = {
    {L"宋体", L"SimSun"},
    {L"SimSun", L"宋体"},
    {L"新宋体", L"NSimSun"},
    {L"NSimSun", L"新宋体"},
    {L"AR PL UMing CN", nullptr},
    {L"AR PL SungtiL GB", nullptr},
    {L"Noto Serif CJK SC", nullptr},
    {L"Source Han Serif SC", nullptr},
    {L"微软雅黑", L"Microsoft YaHei"},
    {L"Microsoft YaHei", L"微软雅黑"},
    {L"黑体", L"SimHei"},
    {L"SimHei", L"黑体"},
    {L"Noto Sans CJK SC", nullptr},
    {L"Source Han Sans SC", nullptr},
    {L"WenQuanYi Zen Hei", nullptr},
    {L"WenQuanYi Micro Hei", nullptr},
    {L"Droid Sans Fallback", nullptr},
};
constexpr int kCellHeightPx = 12;  // the artwork's line of text

bool StartsWith(const wchar_t* text, const wchar_t* prefix) {
    return prefix && wcsncmp(text, prefix, wcslen(prefix)) == 0;
}

struct Search {
    const FaceName* face;
    bool found;
};

int CALLBACK NoteFound(const LOGFONTW* lf, const TEXTMETRICW*, DWORD, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    // A face that the system only maps to another font (a substitute) is not
    // that face: the font's own full name tells.
    const wchar_t* full = reinterpret_cast<const ENUMLOGFONTEXW*>(lf)->elfFullName;
    if (StartsWith(full, search->face->name) || StartsWith(full, search->face->otherName)) {
        search->found = true;
        return 0;
    }
    return 1;
}

bool IsInstalled(HDC hDC, const FaceName& face) {
    LOGFONTW lf{};
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(lf.lfFaceName, face.name, LF_FACESIZE);
    Search search{&face, false};
    EnumFontFamiliesExW(hDC, &lf, &NoteFound, reinterpret_cast<LPARAM>(&search), 0);
    return search.found;
}

}  // namespace

const wchar_t* CPanelFont::Face() {
    static const wchar_t* const face = [] {
        ui::CClientDC screen(nullptr);
        for (const FaceName& f : kFaces)
            if (IsInstalled(screen, f)) return f.name;
        return L"";
    }();
    return face;
}

bool CPanelFont::Create(int nScaleHalves, BYTE quality) {
    LOGFONTW lf{};
    lf.lfHeight = ScalePx(kCellHeightPx, nScaleHalves);  // positive: the cell, not the em
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = GB2312_CHARSET;
    lf.lfQuality = quality;
    lstrcpynW(lf.lfFaceName, Face(), LF_FACESIZE);
    m_font.Attach(CreateFontIndirectW(&lf));
    return static_cast<bool>(m_font);
}

void CPanelFont::ApplyTo(HWND hDlg) const {
    if (!m_font) return;
    for (HWND hChild = GetWindow(hDlg, GW_CHILD); hChild; hChild = GetWindow(hChild, GW_HWNDNEXT))
        SendMessageW(hChild, WM_SETFONT, reinterpret_cast<WPARAM>(m_font.Get()), FALSE);
}

}  // namespace zv
