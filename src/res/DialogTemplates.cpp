// The dialog templates of the main window, the About box and the Telnet
// window. Control texts are English placeholders that each window replaces
// with string-table texts during its initialisation; items appear in tab
// order. Rectangles are x, y, width, height in dialog units.

#include "res/ResourceData.h"
#include "res/resource.h"

namespace resource_data {
namespace {

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kPushButton = kChild | BS_PUSHBUTTON | WS_TABSTOP;
constexpr DWORD kCheckBox = kChild | BS_AUTOCHECKBOX | WS_TABSTOP;
constexpr DWORD kGroupBox = kChild | BS_GROUPBOX;
constexpr DWORD kLabel = kChild | SS_LEFT | WS_GROUP;
constexpr DWORD kField = kChild | ES_LEFT | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP;
constexpr DWORD kPane = kChild | ES_MULTILINE | WS_BORDER | WS_TABSTOP;

constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;

// The main window's data-length label is never seen with its template text:
// the Korean caption stored one code-page-949 byte per character.
constexpr const char* kDataLengthPlaceholder =
    "\u00B5\u00A5\u00C0\u00CC\u00C5\u00CD\u00B1\u00E6\u00C0\u00CC";

constexpr DialogItemTemplate kMainItems[] = {
    {IDC_REMOTE_IP, WC_EDIT, "", kField, 0, 59, 324, 104, 12},
    {IDC_REMOTE_PORT, WC_EDIT, "", kField, 0, 165, 324, 46, 12},
    {IDC_BUTTON_CONNECT, WC_BUTTON, "CONNECT", kPushButton, 0, 11, 340, 50, 12},
    {IDC_BUTTON_CLOSE, WC_BUTTON, "CLOSE", kPushButton, 0, 61, 340, 50, 12},
    {IDC_BUTTON_TELNET, WC_BUTTON, "TELNET", kPushButton, 0, 111, 340, 50, 12},
    {IDC_BUTTON_EXIT, WC_BUTTON, "EXIT", kPushButton, 0, 252, 340, 78, 12},
    {IDC_BUTTON_SAVE_RECV, WC_BUTTON, "SAVE", kPushButton, 0, 10, 133, 50, 12},
    {IDC_BUTTON_CLEAR, WC_BUTTON, "CLEAR", kPushButton, 0, 60, 133, 50, 12},
    {IDC_BUTTON_LOAD, WC_BUTTON, "LOAD", kPushButton, 0, 167, 281, 50, 12},
    {IDC_BUTTON_SAVE_SEND, WC_BUTTON, "SAVE", kPushButton, 0, 218, 281, 50, 12},
    // Enter in any single-line field applies the data length.
    {IDC_BUTTON_RESIZE, WC_BUTTON, "RESIZE", kChild | BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 105, 281,
     61, 12},
    {IDC_BUTTON_SEND, WC_BUTTON, "SEND", kPushButton, 0, 268, 281, 62, 12},
    {IDC_GROUP_SEND, WC_BUTTON, "SEND", kGroupBox, 0, 4, 151, 331, 147},
    {IDC_GROUP_RECV, WC_BUTTON, "RECV", kGroupBox, 0, 4, 3, 331, 146},
    {IDC_STATIC_REMOTE_IP, WC_STATIC, "REMOTE IP", kLabel, 0, 59, 316, 95, 8},
    {IDC_STATIC_REMOTE_PORT, WC_STATIC, "PORT NO", kLabel, 0, 165, 316, 83, 8},
    {IDC_STATUS, WC_EDIT, "", kChild | ES_LEFT | ES_AUTOHSCROLL | ES_READONLY | WS_TABSTOP,
     WS_EX_STATICEDGE, 4, 356, 331, 12},
    {IDC_DATA_LENGTH, WC_EDIT, "", kField, 0, 57, 281, 35, 12},
    // No buddy: the spin's steps are applied to the data length by the window.
    {IDC_SPIN, WC_UPDOWN, "Spin1", kChild | UDS_ARROWKEYS, 0, 93, 281, 8, 12},
    {IDC_RECV_PANE, WC_RICHEDIT, "", kPane, 0, 10, 14, 320, 118},
    {IDC_SEND_PANE, WC_RICHEDIT, "", kPane, 0, 11, 162, 320, 118},
    {IDC_KEEP_ALIVE, WC_BUTTON, "Keep Alive", kCheckBox, 0, 92, 305, 56, 10},
    {IDC_STATIC_RECV_COUNT, WC_STATIC, "Receive Count : ", kLabel, 0, 114, 137, 65, 8},
    {IDC_RECV_COUNT, WC_STATIC, "Static", kChild | SS_RIGHT | WS_GROUP, 0, 182, 137, 47, 8},
    {IDC_STATIC_LOCAL_PORT, WC_STATIC, "Local Port", kLabel, 0, 11, 316, 44, 8},
    {IDC_LOCAL_PORT, WC_EDIT, "", kField, 0, 11, 324, 46, 12},
    {IDC_STATIC, WC_BUTTON, "", kGroupBox, 0, 4, 294, 331, 61},
    {IDC_STATIC_BYTES, WC_STATIC, "Byte(s)", kLabel, 0, 235, 137, 47, 8},
    {IDC_STATIC_DATA_LENGTH, WC_STATIC, kDataLengthPlaceholder, kLabel, 0, 11, 285, 46, 8},
    // The height includes the dropped-down list.
    {IDC_MODE, WC_COMBOBOX, "", kChild | CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 0, 11, 303, 80,
     67},
};

// Names for assistive technology where no label of the layout stands for
// the control.
constexpr AccessibleNameItem kMainAccessibleNames[] = {
    {IDC_STATUS, "Status", "상태", AccessibleRole::StatusBar},
    {IDC_MODE, "Connection Mode", "접속 방식"},
};

constexpr DialogItemTemplate kAboutItems[] = {
    {IDC_STATIC, WC_STATIC, "#128", kChild | SS_ICON, 0, 11, 9, 20, 20},
    {IDC_VERSION, WC_STATIC, "Velmora 1.2h (14/Oct./2008)", kLabel | SS_NOPREFIX, 0, 40, 10, 119,
     8},
    {IDC_STATIC, WC_STATIC, "Copyright (C) 2000 Korvex", kLabel, 0, 40, 21, 135, 8},
    {IDOK, WC_BUTTON, "OK", kChild | BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP, 0, 183, 7, 50, 14},
};

// No automatic horizontal scrolling, so the terminal's lines wrap.
constexpr DWORD kTerminal = kChild | ES_LEFT | ES_MULTILINE | WS_BORDER | WS_VSCROLL | WS_TABSTOP;

constexpr DialogItemTemplate kTelnetItems[] = {
    {IDC_TERMINAL, WC_EDIT, "", kTerminal, 0, 6, 49, 302, 258},
    {IDC_TX_COMBO, WC_COMBOBOX, "", kChild | CBS_DROPDOWN | WS_VSCROLL | WS_TABSTOP, 0, 58, 18, 68,
     59},
    {IDC_RX_COMBO, WC_COMBOBOX, "", kChild | CBS_DROPDOWN | WS_VSCROLL | WS_TABSTOP, 0, 58, 31, 68,
     53},
    {IDC_BUTTON_CLOSE, WC_BUTTON, "CLOSE", kPushButton, 0, 258, 11, 50, 14},
    {IDC_STATIC_TX, WC_STATIC, "TX", kLabel, 0, 13, 20, 37, 10},
    {IDC_STATIC_RX, WC_STATIC, "RX", kLabel, 0, 13, 33, 37, 10},
    {IDC_LINEMODE, WC_BUTTON, "Linemode", kCheckBox, 0, 158, 20, 84, 10},
    {IDC_GROUP_NEWLINE, WC_BUTTON, "New-line", kGroupBox, 0, 7, 7, 142, 41},
    {IDC_GROUP_LINEMODE, WC_BUTTON, "", kGroupBox, 0, 153, 7, 103, 41},
};

constexpr AccessibleNameItem kTelnetAccessibleNames[] = {
    {IDC_TERMINAL, "Terminal", "터미널"},
};

// The line-end conversions; the window puts "Don't Convert" in front of
// both lists, so an item's index is the conversion mode.
constexpr ComboInitItem kTelnetComboItems[] = {
    {IDC_TX_COMBO, "CR -> CR+LF"},
    {IDC_TX_COMBO, "CR -> LF"},
    {IDC_RX_COMBO, "CR -> CR+LF"},
    {IDC_RX_COMBO, "LF -> CR+LF"},
};

}  // namespace

constexpr DialogTemplate mainDialog{
    .id = IDD_MAIN,
    .style = kDialogStyle | WS_VISIBLE,
    .exStyle = WS_EX_APPWINDOW,
    .cx = 339,
    .cy = 377,
    .caption = "Velmora - Korvex",
    .fontFace = "Courier New",
    .pointSize = 8,
    .items = kMainItems,
    .comboItems = {},
    .accessibleNames = kMainAccessibleNames,
};

constexpr DialogTemplate aboutDialog{
    .id = IDD_ABOUTBOX,
    .style = kDialogStyle,
    .exStyle = 0,
    .cx = 240,
    .cy = 43,
    .caption = "About Velmora",
    .fontFace = "Courier New",
    .pointSize = 8,
    .items = kAboutItems,
    .comboItems = {},
};

constexpr DialogTemplate telnetDialog{
    .id = IDD_TELNET,
    .style = kDialogStyle,
    .exStyle = 0,
    .cx = 316,
    .cy = 320,
    .caption = "TELNET - Velmora",
    .fontFace = "Courier New",
    .pointSize = 8,
    .items = kTelnetItems,
    .comboItems = kTelnetComboItems,
    .accessibleNames = kTelnetAccessibleNames,
};

}  // namespace resource_data
