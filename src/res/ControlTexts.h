#pragma once
// Control texts that a window loads from the string table while it
// initialises, replacing its template's placeholders.

#include <span>

#include "framework/Wnd.h"

struct ControlText {
    int id;
    UINT stringId;
};

// Sets each control's text to its string, in the table's order.
void SetControlTexts(CWnd& window, std::span<const ControlText> texts);
