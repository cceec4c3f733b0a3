#pragma once
// The state of the modifier keys during the key message being handled.

#include "framework/WinDef.h"

// Negative while the key (VK_SHIFT, VK_CONTROL, VK_MENU) is down.
[[nodiscard]] short GetKeyState(int nVirtKey);
