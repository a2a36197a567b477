#include "DialogTemplate.h"

#include <cstring>

#include "ResourceContext.h"

namespace zv {

namespace {

// Reads little-endian fields with a bound; any read past the end fails the
// whole parse.
class CReader {
public:
    CReader(const BYTE* p, size_t n) : m_p(p), m_n(n) {}
    bool Ok() const { return m_ok; }
    WORD Word() {
        WORD w = 0;
        Take(&w, 2);
        return w;
    }
    DWORD Dword() {
        DWORD d = 0;
        Take(&d, 4);
        return d;
    }
    short Short() { return static_cast<short>(Word()); }
    // A name or an ordinal: 0, 0xFFFF + ordinal, or a NUL-terminated string.
    void SkipNameOrOrdinal() {
        const WORD first = Word();
        if (first == 0xFFFF) Word();
        else if (first != 0) SkipString();
    }
    void SkipString() {
        while (m_ok && Word() != 0) {}
    }
    void Skip(size_t n) {
        if (n > m_n - m_pos) m_ok = false;
        else m_pos += n;
    }
    // Items start on 4-byte boundaries; the last one may end short of one.
    void AlignDword() {
        const size_t pad = (4 - m_pos % 4) % 4;
        m_pos = pad > m_n - m_pos ? m_n : m_pos + pad;
    }

private:
    void Take(void* out, size_t n) {
        if (!m_ok || n > m_n - m_pos) {
            m_ok = false;
            return;
        }
        std::memcpy(out, m_p + m_pos, n);
        m_pos += n;
    }
    const BYTE* m_p;
    size_t m_n;
    size_t m_pos = 0;
    bool m_ok = true;
};

}  // namespace

bool ParseDialogTemplate(const BYTE* pData, size_t cbData, TemplateLayout& layout) {
    if (!pData) return false;
    CReader r(pData, cbData);
    const WORD version = r.Word(), signature = r.Word();
    if (!r.Ok() || version != 1 || signature != 0xFFFF) return false;
    r.Dword();  // help id
    r.Dword();  // extended style
    const DWORD style = r.Dword();
    const WORD nItems = r.Word();
    TemplateLayout out;
    out.x = r.Short();
    out.y = r.Short();
    out.cx = r.Short();
    out.cy = r.Short();
    r.SkipNameOrOrdinal();  // menu
    r.SkipNameOrOrdinal();  // window class
    r.SkipString();         // title
    if (style & (DS_SETFONT | DS_SHELLFONT)) {
        r.Word();  // point size
        r.Word();  // weight
        r.Skip(2);  // italic, charset
        r.SkipString();
    }
    for (WORD i = 0; i < nItems && r.Ok(); ++i) {
        r.AlignDword();
        r.Dword();  // help id
        r.Dword();  // extended style
        r.Dword();  // style
        TemplateControl c{};
        c.x = r.Short();
        c.y = r.Short();
        c.cx = r.Short();
        c.cy = r.Short();
        c.id = static_cast<int>(static_cast<LONG>(r.Dword()));
        r.SkipNameOrOrdinal();  // class
        r.SkipNameOrOrdinal();  // title
        r.Skip(r.Word());       // creation data
        if (r.Ok()) out.controls.push_back(c);
    }
    if (!r.Ok()) return false;
    layout = std::move(out);
    return true;
}

bool ReadDialogTemplate(UINT nId, TemplateLayout& layout) {
    HINSTANCE hInstance = ui::ResourceInstance();
    HRSRC hInfo = FindResourceW(hInstance, MAKEINTRESOURCEW(nId), MAKEINTRESOURCEW(5) /* dialog */);
    if (!hInfo) return false;
    HGLOBAL hData = LoadResource(hInstance, hInfo);
    const void* pData = hData ? LockResource(hData) : nullptr;
    return ParseDialogTemplate(static_cast<const BYTE*>(pData), SizeofResource(hInstance, hInfo), layout);
}

}  // namespace zv
