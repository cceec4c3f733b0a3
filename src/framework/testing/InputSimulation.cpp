#include "framework/testing/InputSimulation.h"

#include <QApplication>
#include <QCloseEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPixmap>

#include "framework/qt/Utf8Text.h"
#include "framework/qt/Widgets.h"

namespace {

struct VkKey {
    UINT vk;
    Qt::Key key;
};

constexpr VkKey kVkKeys[] = {
    {VK_BACK, Qt::Key_Backspace}, {VK_TAB, Qt::Key_Tab},       {VK_RETURN, Qt::Key_Return},
    {VK_ESCAPE, Qt::Key_Escape},  {VK_SPACE, Qt::Key_Space},   {VK_PRIOR, Qt::Key_PageUp},
    {VK_NEXT, Qt::Key_PageDown},  {VK_END, Qt::Key_End},       {VK_HOME, Qt::Key_Home},
    {VK_LEFT, Qt::Key_Left},      {VK_UP, Qt::Key_Up},         {VK_RIGHT, Qt::Key_Right},
    {VK_DOWN, Qt::Key_Down},      {VK_INSERT, Qt::Key_Insert}, {VK_DELETE, Qt::Key_Delete},
};

Qt::Key KeyOfVk(UINT vk, std::string_view text) {
    for (const VkKey& row : kVkKeys) {
        if (row.vk == vk) return row.key;
    }
    if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) return static_cast<Qt::Key>(vk);
    if (vk >= VK_F1 && vk < VK_F1 + 12) return static_cast<Qt::Key>(Qt::Key_F1 + (vk - VK_F1));
    if (!text.empty()) {
        const QString s = FromUtf8(text);
        if (!s.isEmpty()) return static_cast<Qt::Key>(s.at(0).toUpper().unicode());
    }
    return Qt::Key_unknown;
}

UINT VkOfChar(char32_t c) {
    if (c >= 'a' && c <= 'z') return c - 'a' + 'A';
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return c;
    if (c == '\r' || c == '\n') return VK_RETURN;
    if (c == '\t') return VK_TAB;
    if (c == '\b') return VK_BACK;
    if (c == ' ') return VK_SPACE;
    return 0;
}

}  // namespace

void SimulateKey(CWnd* pTarget, UINT vk, std::string_view text, KeyModifiers modifiers,
                 KeyOrigin origin) {
    if (!pTarget || !pTarget->m_hWnd) return;
    QWidget* widget = pTarget->m_hWnd;
    widget->setFocus(Qt::OtherFocusReason);
    // Keys go to the widget that has the focus inside the target (a combo
    // box's line edit, for example).
    QWidget* receiver = widget->focusProxy() ? widget->focusProxy() : widget;
    Qt::KeyboardModifiers mods;
    if (modifiers.shift) mods |= Qt::ShiftModifier;
    if (modifiers.ctrl) mods |= Qt::ControlModifier;
    if (modifiers.alt) mods |= Qt::AltModifier;
    if (modifiers.super) mods |= Qt::MetaModifier;
    if (modifiers.altGr) mods |= Qt::GroupSwitchModifier;
    if (origin == KeyOrigin::Keypad) mods |= Qt::KeypadModifier;
    Qt::Key key = KeyOfVk(vk, text);
    if (key == Qt::Key_Tab && modifiers.shift) key = Qt::Key_Backtab;
    const QString qtext = FromUtf8(text);
    QPointer<QWidget> guard(receiver);
    QKeyEvent press(QEvent::KeyPress, key, mods, qtext);
    QApplication::sendEvent(receiver, &press);
    if (!guard) return;
    QKeyEvent release(QEvent::KeyRelease, key, mods, qtext);
    QApplication::sendEvent(receiver, &release);
}

void SimulateInputMethod(CWnd* pTarget, std::string_view preedit, std::string_view commit) {
    if (!pTarget || !pTarget->m_hWnd) return;
    QWidget* widget = pTarget->m_hWnd;
    widget->setFocus(Qt::OtherFocusReason);
    QInputMethodEvent event(FromUtf8(preedit), {});
    event.setCommitString(FromUtf8(commit));
    QApplication::sendEvent(widget, &event);
}

void SimulateTyping(CWnd* pTarget, std::string_view text) {
    const QString s = FromUtf8(text);
    for (QChar c : s) {
        const std::string one = ToUtf8(QString(c));
        SimulateKey(pTarget, VkOfChar(c.unicode()), one);
    }
}

void SimulateClick(CWnd* pTarget, CPoint point) {
    if (!pTarget || !pTarget->m_hWnd) return;
    QWidget* widget = pTarget->m_hWnd;
    const QPointF local(point.x, point.y);
    const QPointF global = widget->mapToGlobal(local);
    QPointer<QWidget> guard(widget);
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    if (!guard) return;
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

void SimulateCloseRequest(CWnd* pTopLevel) {
    if (!pTopLevel || !pTopLevel->m_hWnd) return;
    QCloseEvent close;
    QApplication::sendEvent(pTopLevel->m_hWnd->window(), &close);
}

bool SaveWindowImage(CWnd* pWnd, const char* path) {
    if (!pWnd || !pWnd->m_hWnd) return false;
    return pWnd->m_hWnd->grab().save(QString::fromUtf8(path), "PNG");
}

bool SaveIconImage(HICON icon, int size, const char* path) {
    const QImage image = IconImageOf(icon, size);
    return !image.isNull() && image.save(QString::fromUtf8(path), "PNG");
}
