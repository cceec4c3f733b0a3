#pragma once
// Dialog templates as data: the window's size, styles, caption and font,
// and every control with its id, window class, text, styles and rectangle
// in dialog units. The framework builds windows from these tables.

#include <span>
#include <string_view>

#include "framework/WinDef.h"

// Window classes a template can name.
inline constexpr std::string_view WC_EDIT = "EDIT";
inline constexpr std::string_view WC_BUTTON = "BUTTON";
inline constexpr std::string_view WC_STATIC = "STATIC";
inline constexpr std::string_view WC_COMBOBOX = "COMBOBOX";
inline constexpr std::string_view WC_UPDOWN = "msctls_updown32";
inline constexpr std::string_view WC_RICHEDIT = "RICHEDIT";
inline constexpr std::string_view WC_PROGRESS = "msctls_progress32";

struct DialogItemTemplate {
    int id = IDC_STATIC;
    std::string_view windowClass;
    // The control's text; for an icon static "#<icon resource id>".
    std::string_view text;
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0;
    short y = 0;
    short cx = 0;
    short cy = 0;
};

// An item that the framework adds to a combo box when it creates the
// window, before the dialog's own initialisation runs.
struct ComboInitItem {
    int id = 0;
    std::string_view text;
};

// The name assistive technology gives a control that no label of the
// layout stands for, in both languages (it is never shown); a status line
// also says that it is one, so that its changes are spoken.
enum class AccessibleRole { OfClass, StatusBar };

struct AccessibleNameItem {
    int id = 0;
    std::string_view english;
    std::string_view korean;
    AccessibleRole role = AccessibleRole::OfClass;
};

struct DialogTemplate {
    UINT id = 0;
    DWORD style = 0;
    DWORD exStyle = 0;
    short cx = 0;
    short cy = 0;
    std::string_view caption;
    std::string_view fontFace;
    int pointSize = 8;
    std::span<const DialogItemTemplate> items;
    std::span<const ComboInitItem> comboItems;
    std::span<const AccessibleNameItem> accessibleNames = {};
};
