#include "framework/KeyState.h"

#include <QGuiApplication>

#include "framework/qt/Widgets.h"

namespace {
Qt::KeyboardModifiers g_modifiers;
bool g_haveEventModifiers = false;
}  // namespace

void SetCurrentKeyModifiers(Qt::KeyboardModifiers modifiers) {
    g_modifiers = modifiers;
    g_haveEventModifiers = true;
}

short GetKeyState(int nVirtKey) {
    // The modifiers of the key event being handled; outside key handling
    // the toolkit's last known state.
    const Qt::KeyboardModifiers modifiers =
        g_haveEventModifiers ? g_modifiers : QGuiApplication::keyboardModifiers();
    bool down = false;
    switch (nVirtKey) {
    case VK_SHIFT:
        down = modifiers.testFlag(Qt::ShiftModifier);
        break;
    case VK_CONTROL:
        down = modifiers.testFlag(Qt::ControlModifier);
        break;
    case VK_MENU:
        down = modifiers.testFlag(Qt::AltModifier);
        break;
    default:
        break;
    }
    return down ? static_cast<short>(0x8000) : 0;
}
