// Message tables: each window class lists the messages it handles in a
// static constexpr array of entries and forwards what it does not handle to
// its base class, as in
//
//   static constexpr ui::MessageEntry<CMyDialog> kMessages[] = {
//       {WM_ERASEBKGND, &CMyDialog::OnEraseBkgnd},
//       {WM_COMMAND, BN_CLICKED, IDC_RESET, &CMyDialog::OnReset},
//       {WM_NOTIFY, NM_RELEASEDCAPTURE, IDC_SLIDER, &CMyDialog::OnReleased},
//       {ui::Reflected(WM_NOTIFY), NM_CUSTOMDRAW, ui::kAnyId, &CMyDialog::OnCustomDraw},
//   };
//   bool CMyDialog::ProcessMessage(ui::CMessage& msg) {
//       return ui::Dispatch(*this, kMessages, msg) || CBase::ProcessMessage(msg);
//   }
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstddef>

namespace ui {

// One message on its way through a window's handlers. A handler returns the
// message's result; it clears `handled` to let the message go on to the next
// entry, the base class and finally default processing.
struct CMessage {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool handled = true;
    LRESULT result = 0;
    bool bReflected = false;  // a child's notification handed back by its parent
};

// A notification that a parent hands back to the control that sent it
// arrives at the control as this message number (the classic reflection
// offset, so it cannot collide with a control's own messages below WM_USER).
constexpr UINT Reflected(UINT message) { return message + 0x2000; }

// Stands for all seven WM_CTLCOLOR* messages in a table; the handler reads the
// kind as message - WM_CTLCOLORMSGBOX (CTLCOLOR_MSGBOX .. CTLCOLOR_STATIC).
constexpr UINT kAnyCtlColor = 0x0019;

constexpr UINT kAnyId = 0xFFFFFFFFu;

template <class T>
struct MessageEntry {
    using Handler = LRESULT (T::*)(CMessage&);

    // A plain window message.
    constexpr MessageEntry(UINT msg, Handler h)
        : message(msg), code(0), id(kAnyId), bMatchCode(false), handler(h) {}
    // WM_COMMAND or WM_NOTIFY (or their reflections) with one notification
    // code, from one control id or from any (kAnyId).
    constexpr MessageEntry(UINT msg, UINT notifyCode, UINT ctrlId, Handler h)
        : message(msg), code(notifyCode), id(ctrlId), bMatchCode(true), handler(h) {}

    UINT message;
    UINT code;
    UINT id;
    bool bMatchCode;
    Handler handler;
};

namespace detail {

// Whether a table entry applies to a message; the code and id of commands and
// notifications come from wParam/lParam as the platform packs them.
bool EntryMatches(UINT entryMessage, UINT entryCode, UINT entryId, bool bMatchCode,
                  const CMessage& msg);

}  // namespace detail

// Runs the first entry of `table` that matches and keeps its result. Returns
// whether a handler took the message.
template <class T, std::size_t N>
bool Dispatch(T& self, const MessageEntry<T> (&table)[N], CMessage& msg) {
    for (const MessageEntry<T>& entry : table) {
        if (!detail::EntryMatches(entry.message, entry.code, entry.id, entry.bMatchCode, msg))
            continue;
        msg.handled = true;
        LRESULT result = (self.*entry.handler)(msg);
        if (msg.handled) {
            msg.result = result;
            return true;
        }
    }
    msg.handled = false;
    return false;
}

}  // namespace ui
