#include "framework/Dialog.h"

#include <QApplication>
#include <QEventLoop>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QPointer>
#include <charconv>

#include "framework/Controls.h"
#include "framework/DataExchange.h"
#include "framework/DialogTemplate.h"
#include "framework/Font.h"
#include "framework/KeyState.h"
#include "framework/Locale.h"
#include "framework/Resources.h"
#include "framework/RichEditCtrl.h"
#include "framework/qt/AccessibleNames.h"
#include "framework/qt/MultiLineEdit.h"
#include "framework/qt/RichEditWidget.h"
#include "framework/qt/StaticTextFit.h"
#include "framework/qt/Widgets.h"
#include "framework/qt/WindowSystem.h"

// The window side of a dialog: its toolkit window and modal loop.
class DialogHost {
public:
    QPointer<DialogWindow> window;
    QEventLoop* loop = nullptr;
    int result = 0;
    bool ended = false;
    CFont templateFont;
    CPoint baseUnits{4, 8};
};

namespace {

// Runs every key-down aimed at a framework dialog through the
// PreTranslateMessage chain of its window objects, from the target up to
// the dialog, before the widget sees it: the dialog manager's keys live there.
class DialogKeyFilter : public QObject {
public:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        auto* widget = qobject_cast<QWidget*>(object);
        if (!widget || !dynamic_cast<DialogWindow*>(widget->window())) return false;
        auto* keyEvent = static_cast<QKeyEvent*>(event);
        KeyMessage key = TranslateKey(*keyEvent);
        if (key.vk == 0) return false;
        SetCurrentKeyModifiers(keyEvent->modifiers());
        MSG msg{WndRouting::NearestWnd(widget), WM_KEYDOWN, key.vk,
                key.KeyDownLParam(keyEvent->isAutoRepeat())};
        for (CWnd* wnd = msg.hwnd; wnd; wnd = wnd->GetParent()) {
            if (wnd->PreTranslateMessage(&msg)) return true;
        }
        return false;
    }
};

void InstallKeyFilter() {
    static DialogKeyFilter* filter = nullptr;
    if (!filter) {
        filter = new DialogKeyFilter;
        qApp->installEventFilter(filter);
    }
}

// The window system's own texts for the system menu's commands, in the
// user-interface language.
struct SystemMenuTexts {
    UINT command;
    std::string_view english;
    std::string_view korean;
};

constexpr SystemMenuTexts kSystemMenuTexts[] = {
    {SC_MOVE, "&Move", "\xEC\x9D\xB4\xEB\x8F\x99(&M)"},                    // 이동(&M)
    {SC_CLOSE, "&Close\tAlt+F4", "\xEB\x8B\xAB\xEA\xB8\xB0(&C)\tAlt+F4"},  // 닫기(&C)
};

std::string_view SystemMenuText(UINT command) {
    for (const SystemMenuTexts& texts : kSystemMenuTexts) {
        if (texts.command == command) return IsKoreanUserInterface() ? texts.korean : texts.english;
    }
    return {};
}

CPoint ComputeBaseUnits(const CFont& font) {
    // As the window system does: the average width of the 52 letters,
    // rounded to whole pixels, and the font's height.
    QFontMetrics metrics(font.Font());
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {(letters / 26 + 1) / 2, metrics.height()};
}

int MulDiv(int number, int numerator, int denominator) {
    const long long product = static_cast<long long>(number) * numerator;
    return static_cast<int>((product + (product >= 0 ? denominator / 2 : -denominator / 2)) /
                            denominator);
}

HICON IconOfItem(std::string_view text) {
    unsigned id = 0;
    if (text.size() > 1 && text.front() == '#') {
        std::from_chars(text.data() + 1, text.data() + text.size(), id);
    }
    return LoadIcon(id);
}

std::pair<QWidget*, std::unique_ptr<CWnd>> MakeControl(QWidget* parent,
                                                       const DialogItemTemplate& item) {
    const std::string_view cls = item.windowClass;
    if (cls == WC_EDIT) {
        if (item.style & ES_MULTILINE) {
            return {new MultiLineEditWidget(parent, item.style), std::make_unique<CEdit>()};
        }
        return {new EditWidget(parent, item.style, item.exStyle), std::make_unique<CEdit>()};
    }
    if (cls == WC_BUTTON) {
        switch (item.style & BS_TYPEMASK) {
        case BS_AUTOCHECKBOX:
            return {new CheckBoxWidget(parent), std::make_unique<CButton>()};
        case BS_GROUPBOX:
            return {new GroupBoxWidget(parent), std::make_unique<CButton>()};
        default:
            return {new PushButtonWidget(parent, item.style), std::make_unique<CButton>()};
        }
    }
    if (cls == WC_STATIC) {
        if ((item.style & SS_TYPEMASK) == SS_ICON) {
            return {new IconWidget(parent, IconOfItem(item.text)), std::make_unique<CStatic>()};
        }
        return {new StaticWidget(parent, item.style), std::make_unique<CStatic>()};
    }
    if (cls == WC_COMBOBOX)
        return {new ComboWidget(parent, item.style), std::make_unique<CComboBox>()};
    if (cls == WC_UPDOWN) return {new UpDownWidget(parent), std::make_unique<CSpinButtonCtrl>()};
    if (cls == WC_PROGRESS)
        return {new ProgressBarWidget(parent), std::make_unique<CProgressCtrl>()};
    if (cls == WC_RICHEDIT) {
        return {new RichEditWidget(parent, item.style), std::make_unique<CRichEditCtrl>()};
    }
    return {new StaticWidget(parent, item.style), std::make_unique<CStatic>()};
}

}  // namespace

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDTemplate(nIDTemplate),
      m_pParentWnd(pParentWnd),
      m_pHost(std::make_unique<DialogHost>()) {}

CDialog::CDialog(const DialogTemplate& dialogTemplate, CWnd* pParentWnd)
    : m_nIDTemplate(dialogTemplate.id),
      m_pParentWnd(pParentWnd),
      m_pOwnTemplate(&dialogTemplate),
      m_pHost(std::make_unique<DialogHost>()) {}

CDialog::~CDialog() {
    DestroyWindow();
}

bool CDialog::CreateFromTemplate() {
    m_pTemplate = m_pOwnTemplate ? m_pOwnTemplate : FindDialogTemplate(m_nIDTemplate);
    if (!m_pTemplate) return false;
    InstallKeyFilter();
    // Before any control exists: the first look at a control must already
    // get the framework's interface for it.
    InstallAccessibleInterfaces();
    DialogHost& host = *m_pHost;
    host.ended = false;
    host.result = 0;
    host.templateFont.CreatePointFont(m_pTemplate->pointSize, m_pTemplate->fontFace);
    host.baseUnits = ComputeBaseUnits(host.templateFont);

    QWidget* parentWidget = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    auto* window = new DialogWindow(parentWidget);
    host.window = window;
    Qt::WindowFlags flags = (m_pTemplate->exStyle & WS_EX_APPWINDOW) ? Qt::Window : Qt::Dialog;
    flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (m_pTemplate->style & WS_SYSMENU)
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (m_pTemplate->style & WS_MINIMIZEBOX) flags |= Qt::WindowMinimizeButtonHint;
    window->setWindowFlags(flags);
    window->setFont(host.templateFont.Font());
    window->SetText(m_pTemplate->caption);

    WindowInfo& info =
        WndRouting::Register(window, 0, m_pTemplate->style, m_pTemplate->exStyle, nullptr);
    WndRouting::Bind(window, this);
    if (m_pTemplate->style & WS_SYSMENU) {
        info.systemMenu = std::make_unique<CMenu>();
        info.systemMenu->AppendMenu(MF_STRING, SC_MOVE, SystemMenuText(SC_MOVE));
        info.systemMenu->AppendMenu(MF_SEPARATOR);
        info.systemMenu->AppendMenu(MF_STRING, SC_CLOSE, SystemMenuText(SC_CLOSE));
    }

    CRect client{0, 0, m_pTemplate->cx, m_pTemplate->cy};
    MapDialogRect(&client);
    window->setFixedSize(client.Width(), client.Height());

    for (const DialogItemTemplate& item : m_pTemplate->items) {
        auto [widget, object] = MakeControl(window, item);
        CRect rect{item.x, item.y, item.x + item.cx, item.y + item.cy};
        MapDialogRect(&rect);
        int height = rect.Height();
        // A combo box's template height includes its dropped-down list; its
        // selection field is as tall as an edit field (12 dialog units).
        if (item.windowClass == WC_COMBOBOX) {
            CRect field{0, 0, 0, 12};
            MapDialogRect(&field);
            height = std::min(height, field.Height());
        }
        widget->setGeometry(rect.left, rect.top, rect.Width(), height);
        widget->setVisible((item.style & WS_VISIBLE) != 0);
        widget->setEnabled((item.style & WS_DISABLED) == 0);
        WindowInfo& itemInfo =
            WndRouting::Register(widget, item.id, item.style, item.exStyle, std::move(object));
        RenewAccessibleInterface(widget);
        itemInfo.font = &host.templateFont;
        widget->setFont(host.templateFont.Font());
        if (auto* text = dynamic_cast<TextWindow*>(widget)) text->SetText(item.text);
        if (dynamic_cast<GroupBoxWidget*>(widget)) widget->lower();
    }
    for (const ComboInitItem& comboItem : m_pTemplate->comboItems) {
        if (auto* combo = dynamic_cast<CComboBox*>(GetDlgItem(comboItem.id))) {
            combo->AddString(comboItem.text);
        }
    }

    if (OnInitDialog()) {
        // The first control that takes the focus with Tab gets it.
        for (QObject* child : window->children()) {
            auto* widget = qobject_cast<QWidget*>(child);
            if (widget && (widget->focusPolicy() & Qt::TabFocus) && widget->isEnabled() &&
                !widget->isHidden()) {
                widget->setFocus(Qt::TabFocusReason);
                break;
            }
        }
    }
    // The control texts and fonts are final now: let static texts fit their
    // letters, and name the label-less controls after their labels.
    FitStaticTexts(this);
    AssignAccessibleNames(this);
    return true;
}

bool CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd) {
    if (nIDTemplate) m_nIDTemplate = nIDTemplate;
    if (pParentWnd) m_pParentWnd = pParentWnd;
    if (!CreateFromTemplate()) return false;
    if (m_pHost->window && !m_pHost->ended) {
        m_pHost->window->show();
        m_pHost->window->activateWindow();
    }
    return true;
}

std::intptr_t CDialog::DoModal() {
    if (!CreateFromTemplate()) return -1;
    DialogHost& host = *m_pHost;
    if (!host.ended && host.window) {
        host.window->setWindowModality(Qt::ApplicationModal);
        host.window->show();
        host.window->activateWindow();
        QEventLoop loop;
        host.loop = &loop;
        loop.exec(QEventLoop::DialogExec);
        host.loop = nullptr;
    }
    const int result = host.result;
    DestroyWindow();
    return result;
}

void CDialog::DestroyWindow() {
    if (!m_pHost || !m_pHost->window) return;
    DialogWindow* window = m_pHost->window;
    m_pHost->window = nullptr;
    window->hide();
    delete window;
    m_hWnd = nullptr;
}

void CDialog::EndDialog(int nResult) {
    DialogHost& host = *m_pHost;
    host.result = nResult;
    host.ended = true;
    if (host.loop) host.loop->exit(nResult);
    if (host.window) host.window->hide();
}

bool CDialog::IsModalRunning() const {
    return m_pHost->loop != nullptr;
}

bool CDialog::UpdateData(bool bSaveAndValidate) {
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return !dx.Failed();
}

void CDialog::GotoDlgCtrl(CWnd* pWndCtrl) {
    if (!pWndCtrl) return;
    pWndCtrl->SetFocus();
    if (auto* edit = dynamic_cast<CEdit*>(pWndCtrl)) edit->SetSel(0, -1);
}

void CDialog::NextDlgCtrl() {
    if (m_pHost->window) m_pHost->window->MoveFocus(true);
}

void CDialog::PrevDlgCtrl() {
    if (m_pHost->window) m_pHost->window->MoveFocus(false);
}

int CDialog::GetDefID() const {
    if (m_pTemplate) {
        for (const DialogItemTemplate& item : m_pTemplate->items) {
            if (item.windowClass == WC_BUTTON && (item.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
                return item.id;
            }
        }
    }
    return IDOK;
}

void CDialog::MapDialogRect(CRect* pRect) const {
    const CPoint base = m_pHost->baseUnits;
    pRect->left = MulDiv(pRect->left, base.x, 4);
    pRect->right = MulDiv(pRect->right, base.x, 4);
    pRect->top = MulDiv(pRect->top, base.y, 8);
    pRect->bottom = MulDiv(pRect->bottom, base.y, 8);
}

CPoint CDialog::BaseUnits() const {
    return m_pHost->baseUnits;
}

bool CDialog::IsDialogMessage(MSG* pMsg) {
    if (pMsg->message != WM_KEYDOWN || !m_pHost->window) return false;
    CWnd* target = pMsg->hwnd;
    const UINT code = target && target != this ? target->GetDlgCode() : 0;
    const bool ctrl = GetKeyState(VK_CONTROL) < 0;
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    const bool alt = GetKeyState(VK_MENU) < 0;
    switch (pMsg->wParam) {
    case VK_TAB:
        if ((code & (DLGC_WANTTAB | DLGC_WANTALLKEYS)) && !ctrl) return false;
        shift ? PrevDlgCtrl() : NextDlgCtrl();
        return true;
    case VK_RETURN: {
        if (code & DLGC_WANTALLKEYS) return false;
        if (auto* button = dynamic_cast<PushButtonWidget*>(target ? target->m_hWnd : nullptr)) {
            button->click();
            return true;
        }
        const int id = GetDefID();
        CWnd* button = GetDlgItem(id);
        if (button && !button->IsWindowEnabled()) return true;
        SendMessage(WM_COMMAND, MAKEWPARAM(static_cast<UINT>(id), BN_CLICKED),
                    reinterpret_cast<LPARAM>(button));
        return true;
    }
    case VK_ESCAPE:
        if (code & DLGC_WANTALLKEYS) return false;
        SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        return true;
    case VK_SPACE:
        if (!alt) return false;
        m_pHost->window->ShowSystemMenu(m_pHost->window->mapToGlobal(QPoint(0, 0)));
        return true;
    default:
        return false;
    }
}

bool CDialog::PreTranslateMessage(MSG* pMsg) {
    return IsDialogMessage(pMsg);
}

bool CDialog::OnInitDialog() {
    UpdateData(false);
    return true;
}

void CDialog::OnOK() {
    if (!UpdateData(true)) return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

void CDialog::DoDataExchange(CDataExchange*) {}

const MessageMap* CDialog::GetThisMessageMap() {
    static constexpr MessageMapEntry kEntries[] = {
        OnCommand<&CDialog::OnOK>(BN_CLICKED, IDOK),
        OnCommand<&CDialog::OnCancel>(BN_CLICKED, IDCANCEL),
    };
    static constexpr MessageMap kMap{&CWnd::GetThisMessageMap, kEntries};
    return &kMap;
}

const MessageMap* CDialog::GetMessageMap() const {
    return GetThisMessageMap();
}

bool CDialog::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    return CWnd::OnWndMsg(message, wParam, lParam, pResult);
}

LRESULT CDialog::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // The dialog manager turns WM_CLOSE into the Cancel command.
    if (message == WM_CLOSE) return SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    return CWnd::DefWindowProc(message, wParam, lParam);
}
