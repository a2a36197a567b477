// CSkinDialog under Wine: the erase handler's pixels for each placement, the
// control-colour rule and the palette handlers, with the dialog's default
// processing recorded.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "HandleCount.h"
#include "SkinDialog.h"
#include "TestResource.h"
#include "TestSupport.h"

using zv::CSkinDialog;

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);

// The probe template with a skin chosen at initialisation, as a derived
// panel does it; records every message that reaches default processing.
class CProbeSkinDialog : public CSkinDialog {
public:
    CProbeSkinDialog(UINT nBitmap, int nPlacement)
        : CSkinDialog(IDD_PROBE, nullptr), m_nBitmap(nBitmap), m_nPlacement(nPlacement) {}

    bool Defaulted(UINT message) const {
        return std::find(defaulted.begin(), defaulted.end(), message) != defaulted.end();
    }
    bool HasPalette() const { return m_image.GetPalette() != nullptr; }

    std::vector<UINT> defaulted;
    bool bLoaded = false;

protected:
    BOOL OnInitDialog() override {
        const BOOL bFocus = CSkinDialog::OnInitDialog();
        bLoaded = SetBackgroundBitmap(m_nBitmap, m_nPlacement);
        return bFocus;
    }
    LRESULT DefaultProc(ui::CMessage& msg) override {
        defaulted.push_back(msg.message);
        return CSkinDialog::DefaultProc(msg);
    }

private:
    UINT m_nBitmap;
    int m_nPlacement;
};

std::unique_ptr<CProbeSkinDialog> MakeDialog(UINT nBitmap, int nPlacement, int cx = 100, int cy = 60) {
    auto dlg = std::make_unique<CProbeSkinDialog>(nBitmap, nPlacement);
    if (!dlg->Create()) return nullptr;
    SetWindowPos(*dlg, nullptr, 0, 0, cx, cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    dlg->defaulted.clear();
    return dlg;
}

LRESULT Erase(HWND hDlg, const CCanvas& canvas) {
    return SendMessageW(hDlg, WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas.Dc()), 0);
}

COLORREF Face() { return GetSysColor(COLOR_BTNFACE); }

struct ErasePixel {
    int placement;
    UINT bitmap;
    int x, y;
    COLORREF (*expected)();
    const char* what;
};

const ErasePixel kErasePixels[] = {
    {0, IDB_BLOCKS, 0, 0, [] { return BlockColor(0, 0); }, "top-left at natural size"},
    {0, IDB_BLOCKS, 3, 2, [] { return BlockColor(3, 2); }, "last image pixel"},
    {0, IDB_BLOCKS, 4, 0, [] { return kWhite; }, "right of the image: white fill"},
    {0, IDB_BLOCKS, 99, 59, [] { return kWhite; }, "far corner: white fill"},
    {1, IDB_BLOCKS, 12, 10, [] { return BlockColor(0, 0); }, "stretched: 25 x 20 per pixel"},
    {1, IDB_BLOCKS, 99, 59, [] { return BlockColor(3, 2); }, "stretched to the far corner"},
    {2, IDB_BLOCKS, 48, 28, [] { return BlockColor(0, 0); }, "centred: (100-4)/2, (60-3)/2"},
    {2, IDB_BLOCKS, 47, 28, Face, "class background around a centred image"},
    {2, IDB_BLOCKS, 0, 0, Face, "class background, not white"},
    {2, IDB_WIDE, 0, 27, [] { return WideColor(2, 0); }, "x = (100-105)/2 = -2, toward zero"},
    {2, IDB_WIDE, 99, 31, [] { return WideColor(101, 4); }, "negative offset, last row"},
    {2, IDB_WIDE, 0, 26, Face, "above the centred image"},
    {7, IDB_BLOCKS, 0, 0, [] { return BlockColor(0, 0); }, "unknown placement as top-left"},
    {-1, IDB_WIDE, 99, 4, [] { return WideColor(99, 4); }, "negative placement as top-left"},
};

TEST(SkinDialogErase, PaintsEachPlacement) {
    for (const ErasePixel& c : kErasePixels) {
        SCOPED_TRACE(c.what);
        auto dlg = MakeDialog(c.bitmap, c.placement);
        ASSERT_TRUE(dlg && dlg->bLoaded);
        const RECT rc = dlg->GetClientRect();
        ASSERT_EQ(rc.right, 100);
        ASSERT_EQ(rc.bottom, 60);
        CCanvas canvas(100, 60);
        EXPECT_EQ(Erase(*dlg, canvas), TRUE);
        EXPECT_EQ(canvas.Pixel(c.x, c.y), c.expected()) << c.x << "," << c.y;
        EXPECT_EQ(dlg->Defaulted(WM_ERASEBKGND), c.placement == 2);
    }
}

// A print into another context (as a test or a thumbnail asks) draws the
// same background as the erase of a paint.
TEST(SkinDialogErase, PrintClientDrawsWhatTheEraseDraws) {
    for (const ErasePixel& c : kErasePixels) {
        SCOPED_TRACE(c.what);
        auto dlg = MakeDialog(c.bitmap, c.placement);
        ASSERT_TRUE(dlg && dlg->bLoaded);
        CCanvas canvas(100, 60);
        SendMessageW(*dlg, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT);
        EXPECT_EQ(canvas.Pixel(c.x, c.y), c.expected()) << c.x << "," << c.y;
    }
}

TEST(SkinDialogErase, ZeroSizeClientOnlyFillsAndStillAnswersErased) {
    for (const SIZE size : {SIZE{0, 60}, SIZE{100, 0}}) {
        auto dlg = MakeDialog(IDB_BLOCKS, 0, size.cx, size.cy);
        ASSERT_TRUE(dlg && dlg->bLoaded);
        const RECT rc = dlg->GetClientRect();
        ASSERT_EQ(rc.right * rc.bottom, 0);
        CCanvas canvas(10, 10);
        EXPECT_EQ(Erase(*dlg, canvas), TRUE);
        EXPECT_TRUE(canvas.IsAll(kBackdrop)) << "no image drawn";
        EXPECT_TRUE(dlg->defaulted.empty());
    }
}

TEST(SkinDialogErase, EmptyImageBehavesLikeAPlainDialog) {
    auto dlg = MakeDialog(IDB_MISSING, 1);
    ASSERT_TRUE(dlg);
    EXPECT_FALSE(dlg->bLoaded);
    CCanvas canvas(100, 60);
    EXPECT_NE(Erase(*dlg, canvas), 0);
    EXPECT_TRUE(dlg->Defaulted(WM_ERASEBKGND));
    EXPECT_TRUE(canvas.IsAll(Face()));

    CCanvas dc(1, 1);
    HWND hLabel = dlg->GetDlgItem(IDC_LABEL);
    const LRESULT brush = SendMessageW(*dlg, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.Dc()),
                                       reinterpret_cast<LPARAM>(hLabel));
    EXPECT_TRUE(dlg->Defaulted(WM_CTLCOLORSTATIC));
    EXPECT_NE(brush, reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH)));
}

struct CtlColorCase {
    UINT message;
    int control;  // 0: the dialog itself
    bool transparent;
    const char* what;
};

const CtlColorCase kCtlColors[] = {
    {WM_CTLCOLORSTATIC, IDC_LABEL, true, "static text"},
    {WM_CTLCOLORBTN, IDC_PUSH, true, "push button"},
    {WM_CTLCOLORSTATIC, IDC_PUSH, true, "any non-trackbar asking as static"},
    {WM_CTLCOLOREDIT, IDC_EDIT1, false, "edit"},
    {WM_CTLCOLORSTATIC, IDC_SLIDER, false, "trackbar"},
    {WM_CTLCOLORLISTBOX, IDC_EDIT1, false, "list box kind"},
    {WM_CTLCOLORDLG, 0, false, "dialog kind"},
};

TEST(SkinDialogCtlColor, ButtonsAndStaticsTransparentTrackbarsAndEditsDefault) {
    auto dlg = MakeDialog(IDB_BLOCKS, 0);
    ASSERT_TRUE(dlg && dlg->bLoaded);
    for (const CtlColorCase& c : kCtlColors) {
        SCOPED_TRACE(c.what);
        HWND hCtl = c.control ? dlg->GetDlgItem(c.control) : dlg->Handle();
        CCanvas dc(1, 1), reference(1, 1);
        SetBkMode(dc.Dc(), OPAQUE);
        dlg->defaulted.clear();
        const LRESULT brush = SendMessageW(*dlg, c.message, reinterpret_cast<WPARAM>(dc.Dc()),
                                           reinterpret_cast<LPARAM>(hCtl));
        if (c.transparent) {
            EXPECT_EQ(brush, reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH)));
            EXPECT_EQ(GetBkMode(dc.Dc()), TRANSPARENT);
            EXPECT_TRUE(dlg->defaulted.empty());
        } else {
            const LRESULT expected = DefWindowProcW(*dlg, c.message,
                reinterpret_cast<WPARAM>(reference.Dc()), reinterpret_cast<LPARAM>(hCtl));
            EXPECT_EQ(brush, expected);
            EXPECT_EQ(GetBkMode(dc.Dc()), OPAQUE);
            EXPECT_TRUE(dlg->Defaulted(c.message));
        }
    }
}

TEST(SkinDialogPalette, OwnAndChildChangesGoToDefaultProcessing) {
    auto dlg = MakeDialog(IDB_INDEXED, 0);
    auto other = MakeDialog(IDB_BLOCKS, 0);
    ASSERT_TRUE(dlg && other && dlg->HasPalette());
    struct {
        HWND cause;
        bool toDefault;
    } const cases[] = {{*dlg, true}, {dlg->GetDlgItem(IDC_PUSH), true}, {*other, false}};
    for (const auto& c : cases) {
        dlg->defaulted.clear();
        EXPECT_EQ(SendMessageW(*dlg, WM_PALETTECHANGED, reinterpret_cast<WPARAM>(c.cause), 0), 0);
        EXPECT_EQ(dlg->Defaulted(WM_PALETTECHANGED), c.toDefault);
    }
    dlg->defaulted.clear();
    const LRESULT realised = SendMessageW(*dlg, WM_QUERYNEWPALETTE, 0, 0);
    EXPECT_FALSE(dlg->Defaulted(WM_QUERYNEWPALETTE));
    RECT rcUpdate{};
    EXPECT_EQ(GetUpdateRect(*dlg, &rcUpdate, FALSE) != FALSE, realised == TRUE)
        << "invalidated exactly when entries were mapped";
}

TEST(SkinDialogPalette, TrueColorSkinPassesBothMessagesOn) {
    auto dlg = MakeDialog(IDB_BLOCKS, 0);
    auto other = MakeDialog(IDB_BLOCKS, 0);
    ASSERT_TRUE(dlg && other && !dlg->HasPalette());
    SendMessageW(*dlg, WM_PALETTECHANGED, reinterpret_cast<WPARAM>(other->Handle()), 0);
    SendMessageW(*dlg, WM_QUERYNEWPALETTE, 0, 0);
    EXPECT_TRUE(dlg->Defaulted(WM_PALETTECHANGED));
    EXPECT_TRUE(dlg->Defaulted(WM_QUERYNEWPALETTE));
}

TEST(SkinDialog, ReleasesEverythingItMade) {
    const ui::HandleCounts before = ui::CurrentHandleCounts();
    {
        auto dlg = MakeDialog(IDB_INDEXED, 2);
        ASSERT_TRUE(dlg);
        EXPECT_EQ(ui::CurrentHandleCounts().user, before.user + 2) << "window and message hook";
        CCanvas canvas(100, 60);
        Erase(*dlg, canvas);
        SendMessageW(*dlg, WM_QUERYNEWPALETTE, 0, 0);
        SendMessageW(*dlg, WM_PALETTECHANGED, reinterpret_cast<WPARAM>(GetDesktopWindow()), 0);
        EXPECT_EQ(ui::CurrentHandleCounts().gdi, before.gdi + 1) << "the image's palette only";
        dlg->DestroyWindow();
        EXPECT_EQ(ui::CurrentHandleCounts().user, before.user);
    }
    EXPECT_EQ(ui::CurrentHandleCounts().gdi, before.gdi);
}

}  // namespace
