#include "framework/qt/Widgets.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDateTime>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QStyle>
#include <QStyleOption>

#include "framework/qt/WindowSystem.h"

namespace {

struct KeyRow {
    int qtKey;
    UINT vk;
    UINT scanCode;
    bool dedicated;  // a key of its own beside the main block (extended when not on the keypad)
};

// The keys whose virtual key and scan code the application can tell apart.
constexpr KeyRow kKeys[] = {
    {Qt::Key_Up, VK_UP, 0x48, true},
    {Qt::Key_Down, VK_DOWN, 0x50, true},
    {Qt::Key_Left, VK_LEFT, 0x4B, true},
    {Qt::Key_Right, VK_RIGHT, 0x4D, true},
    {Qt::Key_PageUp, VK_PRIOR, 0x49, true},
    {Qt::Key_PageDown, VK_NEXT, 0x51, true},
    {Qt::Key_Home, VK_HOME, 0x47, true},
    {Qt::Key_End, VK_END, 0x4F, true},
    {Qt::Key_Insert, VK_INSERT, 0x52, true},
    {Qt::Key_Delete, VK_DELETE, 0x53, true},
    {Qt::Key_Return, VK_RETURN, 0x1C, false},
    {Qt::Key_Enter, VK_RETURN, 0x1C, false},
    {Qt::Key_Escape, VK_ESCAPE, 0x01, false},
    {Qt::Key_Tab, VK_TAB, 0x0F, false},
    {Qt::Key_Backtab, VK_TAB, 0x0F, false},
    {Qt::Key_Backspace, VK_BACK, 0x0E, false},
    {Qt::Key_Space, VK_SPACE, 0x39, false},
    {Qt::Key_Shift, VK_SHIFT, 0x2A, false},
    {Qt::Key_Control, VK_CONTROL, 0x1D, false},
    {Qt::Key_Alt, VK_MENU, 0x38, false},
};

// One WM_CHAR per byte, each with the key's lParam.
void RouteCharacterBytes(QWidget* widget, std::string_view bytes,
                         const std::function<void(unsigned char c)>& defaultChar, LPARAM lParam) {
    QPointer<QWidget> guard(widget);
    for (const char byte : bytes) {
        if (!guard) return;
        const auto c = static_cast<unsigned char>(byte);
        WndRouting::Route(widget, WM_CHAR, c, lParam, [&defaultChar, c] { defaultChar(c); });
    }
}

}  // namespace

LPARAM KeyMessage::KeyDownLParam(bool autoRepeat) const {
    UINT flags = scanCode | (extended ? KF_EXTENDED : 0) | (autoRepeat ? KF_REPEAT : 0);
    return static_cast<LPARAM>((static_cast<DWORD>(flags) << 16) | 1u);
}

LPARAM KeyMessage::KeyUpLParam() const {
    UINT flags = scanCode | (extended ? KF_EXTENDED : 0) | KF_REPEAT | KF_UP;
    return static_cast<LPARAM>((static_cast<DWORD>(flags) << 16) | 1u);
}

KeyMessage TranslateKey(const QKeyEvent& event) {
    const int key = event.key();
    const bool keypad = event.modifiers().testFlag(Qt::KeypadModifier);
    for (const KeyRow& row : kKeys) {
        if (row.qtKey == key) {
            // The numeric keypad's cursor keys share virtual keys and scan
            // codes with the dedicated ones but lack the extended flag.
            return {row.vk, row.scanCode, row.dedicated && !keypad};
        }
    }
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return {static_cast<UINT>(key), 0, false};
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return {static_cast<UINT>(key), 0, false};
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12) {
        return {VK_F1 + static_cast<UINT>(key - Qt::Key_F1),
                0x3B + static_cast<UINT>(key - Qt::Key_F1), false};
    }
    return {0, 0, false};
}

std::string CharactersOf(const QKeyEvent& event) {
    const int key = event.key();
    // Keys whose character the toolkit leaves out or spells differently.
    if (key == Qt::Key_Return || key == Qt::Key_Enter) return "\r";
    if (key == Qt::Key_Backspace) return "\b";
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab) return "\t";
    if (key == Qt::Key_Escape) return "\x1b";
    if (key == Qt::Key_Delete) return {};
    return ToUtf8(event.text());
}

bool IsSystemKey(const QKeyEvent& event) {
    const int key = event.key();
    if (key == Qt::Key_Alt || key == Qt::Key_Meta || key == Qt::Key_Super_L ||
        key == Qt::Key_Super_R) {
        return true;
    }
    // The toolkit reports AltGr (the third level of the layout, which types
    // characters such as "@" or "€") as a modifier of its own.
    const Qt::KeyboardModifiers modifiers = event.modifiers();
    return (modifiers.testFlag(Qt::AltModifier) && !modifiers.testFlag(Qt::GroupSwitchModifier)) ||
           modifiers.testFlag(Qt::MetaModifier);
}

bool RouteKeyPress(QWidget* widget, const QKeyEvent& event,
                   const std::function<void(UINT vk)>& defaultKeyDown,
                   const std::function<void(unsigned char c)>& defaultChar) {
    if (IsSystemKey(event)) return false;
    const KeyMessage key = TranslateKey(event);
    const LPARAM lParam = key.KeyDownLParam(event.isAutoRepeat());
    QPointer<QWidget> guard(widget);
    SetCurrentKeyModifiers(event.modifiers());
    if (key.vk != 0) {
        const UINT vk = key.vk;
        WndRouting::Route(widget, WM_KEYDOWN, vk, lParam,
                          [&defaultKeyDown, vk] { defaultKeyDown(vk); });
    }
    if (guard) RouteCharacterBytes(widget, CharactersOf(event), defaultChar, lParam);
    return true;
}

void RouteCharacters(QWidget* widget, std::string_view bytes,
                     const std::function<void(unsigned char c)>& defaultChar) {
    // No key stands behind them: a repeat count of one and no scan code.
    RouteCharacterBytes(widget, bytes, defaultChar, 1);
}

bool RouteKeyRelease(QWidget* widget, const QKeyEvent& event) {
    if (IsSystemKey(event)) return false;
    const KeyMessage key = TranslateKey(event);
    if (key.vk != 0 && !event.isAutoRepeat()) {
        WndRouting::Route(widget, WM_KEYUP, key.vk, key.KeyUpLParam(), [] {});
    }
    return true;
}

bool IsControlTab(const QEvent& event) {
    if (event.type() != QEvent::KeyPress) return false;
    const auto& key = static_cast<const QKeyEvent&>(event);
    return (key.key() == Qt::Key_Tab || key.key() == Qt::Key_Backtab) &&
           !(key.modifiers() & Qt::ControlModifier);
}

void ForwardScrollRequests(QScrollBar* bar, const bool& syncing,
                           std::function<void(UINT code, int trackPos)> send) {
    struct ActionRow {
        int action;
        UINT code;
    };
    static constexpr ActionRow kActions[] = {
        {QAbstractSlider::SliderSingleStepAdd, SB_LINEDOWN},
        {QAbstractSlider::SliderSingleStepSub, SB_LINEUP},
        {QAbstractSlider::SliderPageStepAdd, SB_PAGEDOWN},
        {QAbstractSlider::SliderPageStepSub, SB_PAGEUP},
        {QAbstractSlider::SliderToMinimum, SB_TOP},
        {QAbstractSlider::SliderToMaximum, SB_BOTTOM},
        {QAbstractSlider::SliderMove, SB_THUMBTRACK},
    };
    QObject::connect(bar, &QScrollBar::actionTriggered, bar, [bar, &syncing, send](int action) {
        if (syncing) return;
        for (const ActionRow& row : kActions) {
            if (row.action == action) send(row.code, bar->sliderPosition());
        }
    });
    QObject::connect(bar, &QScrollBar::sliderReleased, bar, [bar, send] {
        const int track = bar->sliderPosition();
        send(SB_THUMBPOSITION, track);
        send(SB_ENDSCROLL, track);
    });
}

QImage IconImageOf(HICON icon, int size) {
    if (!icon || icon->images.empty()) return {};
    const IconImage* best = &icon->images.front();
    for (const IconImage& image : icon->images) {
        if (std::abs(image.size - size) < std::abs(best->size - size)) best = &image;
    }
    QImage image(best->size, best->size, QImage::Format_ARGB32);
    for (int y = 0; y < best->size; ++y) {
        for (int x = 0; x < best->size; ++x) {
            char digit = best->pixels[static_cast<std::size_t>(y * best->size + x)];
            int index = digit <= '9' ? digit - '0' : (digit | 0x20) - 'a' + 10;
            std::uint32_t argb =
                index >= 0 && static_cast<std::size_t>(index) < best->palette.size()
                    ? best->palette[static_cast<std::size_t>(index)]
                    : 0;
            image.setPixel(x, y, argb);
        }
    }
    return best->size == size ? image : image.scaled(size, size);
}

QPixmap IconPixmap(HICON icon, int size) {
    return QPixmap::fromImage(IconImageOf(icon, size));
}

QIcon ToQIcon(HICON icon) {
    QIcon result;
    if (!icon) return result;
    for (const IconImage& image : icon->images) result.addPixmap(IconPixmap(icon, image.size));
    return result;
}

// ---- DialogWindow ----

DialogWindow::DialogWindow(QWidget* parent) : QWidget(parent, Qt::Dialog) {
    setAttribute(Qt::WA_DeleteOnClose, false);
}

std::string DialogWindow::GetText() const {
    return ToUtf8(windowTitle());
}

void DialogWindow::SetText(std::string_view text) {
    setWindowTitle(FromUtf8(text));
}

void DialogWindow::closeEvent(QCloseEvent* event) {
    // The close box and Alt+F4 arrive as the SC_CLOSE system command; the
    // window closes only when its own handling ends it.
    event->ignore();
    if (CWnd* wnd = WndRouting::NearestWnd(this)) wnd->SendMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
}

void DialogWindow::contextMenuEvent(QContextMenuEvent* event) {
    ShowSystemMenu(event->globalPos());
    event->accept();
}

void DialogWindow::ShowSystemMenu(QPoint globalPos) {
    CWnd* wnd = WndRouting::NearestWnd(this);
    WindowInfo* info = WndRouting::Find(this);
    if (!wnd || !info || !info->systemMenu) return;
    QMenu menu(this);
    for (const CMenu::Item& item : info->systemMenu->Items()) {
        if (item.flags & MF_SEPARATOR) {
            menu.addSeparator();
            continue;
        }
        QAction* action = menu.addAction(FromUtf8(item.text));
        action->setData(item.id);
    }
    QAction* chosen = menu.exec(globalPos);
    if (chosen) wnd->SendMessage(WM_SYSCOMMAND, chosen->data().toUInt(), 0);
}

void DialogWindow::paintEvent(QPaintEvent* event) {
    WndRouting::Route(this, WM_PAINT, 0, 0, [this, event] { QWidget::paintEvent(event); });
}

// ---- Edit ----

EditWidget::EditWidget(QWidget* parent, DWORD style, DWORD exStyle) : QLineEdit(parent) {
    setFrame((style & WS_BORDER) != 0);
    setReadOnly((style & ES_READONLY) != 0);
    if (exStyle & WS_EX_STATICEDGE) {
        setStyleSheet(QStringLiteral(
            "QLineEdit { border: 1px solid palette(mid); background: palette(window); }"));
    }
    setFocusPolicy((style & WS_TABSTOP) ? Qt::StrongFocus : Qt::ClickFocus);
    setMaxLength(32767);
    connect(this, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_text = ToUtf8(text); });
}

std::string EditWidget::GetText() const {
    return m_text;
}

void EditWidget::SetText(std::string_view value) {
    // Every stored value is written back on every read: compare with the
    // kept copy, and touch the field only when its text changes.
    if (value != m_text) setText(FromUtf8(value));
}

void EditWidget::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    WndRouting::NotifyParent(this, EN_SETFOCUS);
}

// ---- Labels ----

namespace {
LabelTextListeners g_labelListeners;

void LabelRenamed(QWidget* label) {
    if (g_labelListeners.renamed) g_labelListeners.renamed(label);
}
}  // namespace

void SetLabelTextListeners(LabelTextListeners listeners) {
    g_labelListeners = listeners;
}

// ---- Buttons ----

PushButtonWidget::PushButtonWidget(QWidget* parent, DWORD style)
    : QPushButton(parent), m_bDefault((style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
    setAutoDefault(false);
    setDefault(m_bDefault);
    setFocusPolicy((style & WS_TABSTOP) ? Qt::StrongFocus : Qt::ClickFocus);
    connect(this, &QPushButton::clicked, this,
            [this] { WndRouting::NotifyParent(this, BN_CLICKED); });
}

std::string PushButtonWidget::GetText() const {
    return ToUtf8(text());
}

void PushButtonWidget::SetText(std::string_view value) {
    setText(FromUtf8(value));
}

CheckBoxWidget::CheckBoxWidget(QWidget* parent) : QCheckBox(parent) {
    connect(this, &QCheckBox::clicked, this,
            [this] { WndRouting::NotifyParent(this, BN_CLICKED); });
}

std::string CheckBoxWidget::GetText() const {
    return ToUtf8(text());
}

void CheckBoxWidget::SetText(std::string_view value) {
    setText(FromUtf8(value));
}

GroupBoxWidget::GroupBoxWidget(QWidget* parent) : QGroupBox(parent) {
    // A group box is only a frame drawn behind its neighbours, its title
    // standing on the frame's top line.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    setStyleSheet(QStringLiteral(
        "QGroupBox { border: 1px solid palette(mid); margin-top: 0.5em; }"
        "QGroupBox::title { subcontrol-origin: margin; left: 6px; padding: 0 2px; top: 0px; }"));
}

std::string GroupBoxWidget::GetText() const {
    return ToUtf8(title());
}

void GroupBoxWidget::SetText(std::string_view value) {
    setTitle(FromUtf8(value));
    LabelRenamed(this);
}

// ---- Statics ----

StaticWidget::StaticWidget(QWidget* parent, DWORD style) : QWidget(parent), m_style(style) {
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void StaticWidget::SetText(std::string_view text) {
    if (text == m_text) return;
    m_text.assign(text);
    ScheduleRepaint();
    LabelRenamed(this);
}

void FillOnThisThread(QPainter& painter, const QRect& area, const QColor& color) {
    // The engine splits a fill of 96 scanlines or more among its threads.
    constexpr int kBand = 64;
    for (int top = area.top(); top <= area.bottom(); top += kBand) {
        painter.fillRect(
            QRect(area.left(), top, area.width(), std::min(kBand, area.bottom() + 1 - top)), color);
    }
}

void FrameOnThisThread(QPainter& painter, const QRect& area, const QColor& color) {
    if (area.isEmpty()) return;
    painter.fillRect(QRect(area.left(), area.top(), area.width(), 1), color);
    painter.fillRect(QRect(area.left(), area.bottom(), area.width(), 1), color);
    FillOnThisThread(painter, QRect(area.left(), area.top(), 1, area.height()), color);
    FillOnThisThread(painter, QRect(area.right(), area.top(), 1, area.height()), color);
}

LPARAM PointLParam(QPoint point) {
    return static_cast<LPARAM>((static_cast<DWORD>(point.y() & 0xFFFF) << 16) |
                               (static_cast<DWORD>(point.x()) & 0xFFFF));
}

QString WithoutMnemonics(const QString& text) {
    QString shown;
    shown.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'&' && i + 1 < text.size()) ++i;
        shown += text[i];
    }
    return shown;
}

QString StaticWidget::DisplayText() const {
    const QString text = FromUtf8(m_text);
    return (m_style & SS_NOPREFIX) ? text : WithoutMnemonics(text);
}

void StaticWidget::ScheduleRepaint() {
    // A count that changes on every read is shown at most once a frame.
    if (m_repaintPending) return;
    m_repaintPending = true;
    QTimer::singleShot(kFrameMs, this, [this] {
        m_repaintPending = false;
        update();
        // Assistive technology hears of the new text once a frame, too.
        if (g_labelListeners.shown) g_labelListeners.shown(this);
    });
}

void StaticWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // Opaque, so that a changed text does not repaint what lies behind it.
    painter.fillRect(rect(), palette().color(QPalette::Window));
    painter.setFont(font());
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    const int align = (m_style & SS_TYPEMASK) == SS_RIGHT ? Qt::AlignRight : Qt::AlignLeft;
    painter.drawText(rect(), align | Qt::AlignTop | Qt::TextSingleLine, DisplayText());
}

IconWidget::IconWidget(QWidget* parent, HICON icon) : QWidget(parent), m_icon(icon) {
    setFocusPolicy(Qt::NoFocus);
}

void IconWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, IconPixmap(m_icon, 32));
}

// ---- Combo box ----

ComboWidget::ComboWidget(QWidget* parent, DWORD style) : QComboBox(parent) {
    setEditable((style & CBS_TYPEMASK) == CBS_DROPDOWN);
    setInsertPolicy(QComboBox::NoInsert);
    setFocusPolicy((style & WS_TABSTOP) ? Qt::StrongFocus : Qt::ClickFocus);
    setCurrentIndex(-1);
    connect(this, &QComboBox::activated, this,
            [this](int) { WndRouting::NotifyParent(this, CBN_SELCHANGE); });
}

std::string ComboWidget::GetText() const {
    return ToUtf8(currentText());
}

void ComboWidget::SetText(std::string_view value) {
    if (isEditable()) setEditText(FromUtf8(value));
}

// ---- Up-down ----

UpDownWidget::UpDownWidget(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
    m_repeat.setInterval(50);
    connect(&m_repeat, &QTimer::timeout, this, [this] { Repeat(); });
}

LRESULT UpDownWidget::Step(int nDelta) {
    WindowInfo* info = WndRouting::Find(this);
    CWnd* parent = parentWidget() ? WndRouting::NearestWnd(parentWidget()) : nullptr;
    if (!info || !parent) return 1;
    NMUPDOWN notify;
    notify.hdr.hwndFrom = info->wnd;
    notify.hdr.idFrom = static_cast<std::uintptr_t>(info->id);
    notify.hdr.code = UDN_DELTAPOS;
    notify.iPos = m_nPos;
    notify.iDelta = nDelta;
    LRESULT refused = parent->SendMessage(WM_NOTIFY, static_cast<WPARAM>(info->id),
                                          reinterpret_cast<LPARAM>(&notify));
    if (!refused) {
        const int low = std::min(m_nLower, m_nUpper);
        const int high = std::max(m_nLower, m_nUpper);
        m_nPos = std::clamp(m_nPos + notify.iDelta, low, high);
    }
    update();
    return refused;
}

void UpDownWidget::Repeat() {
    // Held down, the steps grow as the classic control's acceleration table says.
    const qint64 held = QDateTime::currentMSecsSinceEpoch() - m_nPressedAt;
    const int size = held >= 5000 ? 20 : held >= 2000 ? 5 : 1;
    m_repeat.setInterval(50);
    Step(m_nDirection * size);
}

void UpDownWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !isEnabled()) return;
    m_nDirection = event->position().y() < height() / 2.0 ? -1 : 1;
    m_nPressedAt = QDateTime::currentMSecsSinceEpoch();
    Step(m_nDirection);
    m_repeat.start(400);
}

void UpDownWidget::mouseReleaseEvent(QMouseEvent*) {
    m_repeat.stop();
    m_nDirection = 0;
    update();
}

void UpDownWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QStyleOption option;
    option.initFrom(this);
    const int half = height() / 2;
    const QRect up(0, 0, width(), half);
    const QRect down(0, half, width(), height() - half);
    for (const auto& [area, arrow, pressed] :
         {std::tuple{up, QStyle::PE_IndicatorArrowUp, m_nDirection < 0},
          std::tuple{down, QStyle::PE_IndicatorArrowDown, m_nDirection > 0}}) {
        QStyleOptionButton button;
        button.initFrom(this);
        button.rect = area;
        button.state |= pressed ? QStyle::State_Sunken : QStyle::State_Raised;
        style()->drawPrimitive(QStyle::PE_PanelButtonBevel, &button, &painter, this);
        QStyleOption arrowOption = option;
        arrowOption.rect = area.adjusted(2, 2, -2, -2);
        style()->drawPrimitive(arrow, &arrowOption, &painter, this);
    }
}

ProgressBarWidget::ProgressBarWidget(QWidget* parent) : QProgressBar(parent) {
    setFocusPolicy(Qt::NoFocus);
    setTextVisible(false);
    setRange(0, 100);
    setValue(0);
}
