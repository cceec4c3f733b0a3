#pragma once
// Input as the user gives it, for tests and tools: key presses and clicks
// go through the same path as real ones (the dialog manager's key rules,
// the controls' own handling, the message maps).

#include <string_view>

#include "framework/Wnd.h"

enum class KeyOrigin { Dedicated, Keypad };

struct KeyModifiers {
    bool shift = false;
    bool ctrl = false;
    bool alt = false;
    bool super = false;
    bool altGr = false;  // the layout's third level (AltGr+q types "@" on many layouts)
};

// Presses and releases a key on the window (which takes the focus first).
// `text` is the character the key produces ("" for none).
void SimulateKey(CWnd* pTarget, UINT vk, std::string_view text = {}, KeyModifiers modifiers = {},
                 KeyOrigin origin = KeyOrigin::Dedicated);
// An input method's composition (`preedit`, shown while composing) and its
// committed text, as one event to the window (which takes the focus first).
void SimulateInputMethod(CWnd* pTarget, std::string_view preedit, std::string_view commit);
// Types text on the window, one key per character.
void SimulateTyping(CWnd* pTarget, std::string_view text);
// A left click (press and release) at a point of the window's client area.
void SimulateClick(CWnd* pTarget, CPoint point);
// The window manager's close request (close box, Alt+F4).
void SimulateCloseRequest(CWnd* pTopLevel);
// Saves a picture of the window (its client area) as a PNG file.
bool SaveWindowImage(CWnd* pWnd, const char* path);
// Saves an icon resource at `size` pixels square as a PNG file; works
// without a window system.
bool SaveIconImage(HICON icon, int size, const char* path);
