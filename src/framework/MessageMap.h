#pragma once
// Per-class message maps: static tables whose rows are (message,
// notification code, control id, member function). A row's member function
// is bound at compile time into a small thunk, so each table is constexpr
// data and a class's map chains to its base class's map.
//
//   const MessageMap* CLinkDlg::GetMessageMap() const {
//       static constexpr MessageMapEntry kEntries[] = {
//           OnCommand<&CLinkDlg::OnButtonSend>(BN_CLICKED, IDC_BUTTON_SEND),
//           OnSysCommandEntry<&CLinkDlg::OnSysCommand>(),
//       };
//       static constexpr MessageMap kMap{&CDialog::GetThisMessageMap, kEntries};
//       return &kMap;
//   }

#include <span>
#include <type_traits>

#include "framework/WinDef.h"

class CWnd;

// Invokes one row's member function with the message's arguments and
// returns the message result.
using MessageThunk = LRESULT (*)(CWnd* self, WPARAM wParam, LPARAM lParam);

struct MessageMapEntry {
    UINT message = 0;
    UINT code = 0;  // notification code for WM_COMMAND and WM_NOTIFY rows
    int id = 0;     // control id for WM_COMMAND and WM_NOTIFY rows
    MessageThunk thunk = nullptr;
};

struct MessageMap {
    const MessageMap* (*base)() = nullptr;  // the base class's map, or null
    std::span<const MessageMapEntry> entries;
};

namespace message_map_detail {

template <class>
struct MemberOf;
template <class R, class T, class... A>
struct MemberOf<R (T::*)(A...)> {
    using Class = T;
};

template <auto Fn>
using ClassOf = typename MemberOf<decltype(Fn)>::Class;

template <auto Fn>
ClassOf<Fn>* Self(CWnd* wnd) {
    return static_cast<ClassOf<Fn>*>(wnd);
}

}  // namespace message_map_detail

// BN_CLICKED, CBN_SELCHANGE, EN_SETFOCUS: void Handler().
template <auto Fn>
constexpr MessageMapEntry OnCommand(UINT code, int id) {
    return {WM_COMMAND, code, id, [](CWnd* w, WPARAM, LPARAM) -> LRESULT {
                (message_map_detail::Self<Fn>(w)->*Fn)();
                return 0;
            }};
}

// WM_NOTIFY: void Handler(NMHDR* header, LRESULT* result).
template <auto Fn>
constexpr MessageMapEntry OnNotify(UINT code, int id) {
    return {WM_NOTIFY, code, id, [](CWnd* w, WPARAM, LPARAM lParam) -> LRESULT {
                LRESULT result = 0;
                (message_map_detail::Self<Fn>(w)->*Fn)(reinterpret_cast<NMHDR*>(lParam), &result);
                return result;
            }};
}

// WM_SYSCOMMAND: void Handler(UINT nID, LPARAM lParam).
template <auto Fn>
constexpr MessageMapEntry OnSysCommandEntry() {
    return {WM_SYSCOMMAND, 0, 0, [](CWnd* w, WPARAM wParam, LPARAM lParam) -> LRESULT {
                (message_map_detail::Self<Fn>(w)->*Fn)(static_cast<UINT>(wParam), lParam);
                return 0;
            }};
}

// WM_KEYDOWN, WM_KEYUP, WM_CHAR: void Handler(UINT nChar, UINT nRepCnt, UINT nFlags),
// with nFlags the high word of lParam (scan code and the extended-key flag).
template <auto Fn>
constexpr MessageMapEntry OnKeyMessage(UINT message) {
    return {message, 0, 0, [](CWnd* w, WPARAM wParam, LPARAM lParam) -> LRESULT {
                (message_map_detail::Self<Fn>(w)->*Fn)(static_cast<UINT>(wParam), LOWORD(lParam),
                                                       HIWORD(lParam));
                return 0;
            }};
}

// Mouse button messages: void Handler(UINT nFlags, CPoint point).
template <auto Fn>
constexpr MessageMapEntry OnMouseMessage(UINT message) {
    return {message, 0, 0, [](CWnd* w, WPARAM wParam, LPARAM lParam) -> LRESULT {
                CPoint point{static_cast<std::int16_t>(LOWORD(lParam)),
                             static_cast<std::int16_t>(HIWORD(lParam))};
                (message_map_detail::Self<Fn>(w)->*Fn)(static_cast<UINT>(wParam), point);
                return 0;
            }};
}

// WM_VSCROLL: void Handler(UINT nSBCode, UINT nPos, CWnd* scrollBar).
template <auto Fn>
constexpr MessageMapEntry OnVScrollEntry() {
    return {WM_VSCROLL, 0, 0, [](CWnd* w, WPARAM wParam, LPARAM lParam) -> LRESULT {
                (message_map_detail::Self<Fn>(w)->*Fn)(LOWORD(wParam), HIWORD(wParam),
                                                       reinterpret_cast<CWnd*>(lParam));
                return 0;
            }};
}

// Messages without arguments whose handler returns the result
// (WM_CREATE: int Handler(); WM_PAINT: void Handler(); WM_QUERYDRAGICON).
template <auto Fn>
constexpr MessageMapEntry OnMessage(UINT message) {
    return {message, 0, 0, [](CWnd* w, WPARAM, LPARAM) -> LRESULT {
                auto* self = message_map_detail::Self<Fn>(w);
                using R = decltype((self->*Fn)());
                if constexpr (std::is_void_v<R>) {
                    (self->*Fn)();
                    return 0;
                } else if constexpr (std::is_pointer_v<R>) {
                    return reinterpret_cast<LRESULT>((self->*Fn)());
                } else {
                    return static_cast<LRESULT>((self->*Fn)());
                }
            }};
}
