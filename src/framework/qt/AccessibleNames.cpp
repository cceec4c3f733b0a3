#include "framework/qt/AccessibleNames.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QPointer>
#include <algorithm>
#include <charconv>
#include <optional>
#include <unordered_map>
#include <vector>

#include "framework/Dialog.h"
#include "framework/DialogTemplate.h"
#include "framework/Locale.h"
#include "framework/qt/MultiLineEdit.h"
#include "framework/qt/RichEditWidget.h"
#include "framework/qt/Utf8Text.h"
#include "framework/qt/Widgets.h"
#include "framework/qt/WindowSystem.h"

namespace {

// How far a label may stand from the control it names, in dialog units: a
// label above sits on the control's top edge or close to it; a label to the
// left leaves a little room before the field.
constexpr int kAboveGap = 4;
constexpr int kLeftGap = 12;
// An up-down control touches the field it steps.
constexpr int kBuddyGap = 2;

DWORD StyleOf(const QWidget* widget) {
    const WindowInfo* info = WndRouting::Find(widget);
    return info ? info->style : 0;
}

QString ShownText(const QWidget* widget) {
    const auto* text = dynamic_cast<const TextWindow*>(widget);
    if (!text) return {};
    const QString raw = FromUtf8(text->GetText());
    if (dynamic_cast<const StaticWidget*>(widget) && (StyleOf(widget) & SS_NOPREFIX)) return raw;
    return WithoutMnemonics(raw);
}

// ---- What the accessibility layer sees of the framework's own widgets ----

// Static texts, the data panes and the terminal: a role, the name, and
// their text for reading (a value static reads its value under its label's
// name; a pane reads the lines in view).
class TextWidgetAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    TextWidgetAccessible(QWidget* widget, QAccessible::Role role)
        : QAccessibleWidget(widget, role) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) {
            const QString assigned = widget()->accessibleName();
            if (!assigned.isEmpty() || role() != QAccessible::StaticText) return assigned;
            return ShownText(widget());
        }
        if (t == QAccessible::Value) return Content();
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        if (role() == QAccessible::EditableText) {
            s.multiLine = true;
            const auto* terminal = dynamic_cast<const MultiLineEditWidget*>(widget());
            s.readOnly = terminal && terminal->IsReadOnly();
            s.editable = !s.readOnly;
        } else {
            s.readOnly = true;
        }
        return s;
    }

    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    // QAccessibleTextInterface
    void selection(int selectionIndex, int* startOffset, int* endOffset) const override {
        *startOffset = *endOffset = 0;
        const auto [start, end] = Selection();
        if (selectionIndex == 0 && start != end) {
            *startOffset = start;
            *endOffset = end;
        }
    }
    int selectionCount() const override {
        const auto [start, end] = Selection();
        return start != end ? 1 : 0;
    }
    void addSelection(int startOffset, int endOffset) override {
        setSelection(0, startOffset, endOffset);
    }
    void removeSelection(int) override {
        const int caret = cursorPosition();
        setSelection(0, caret, caret);
    }
    void setSelection(int, int startOffset, int endOffset) override {
        if (auto* pane = dynamic_cast<RichEditWidget*>(widget()))
            pane->SetSelection(startOffset, endOffset);
        if (auto* terminal = dynamic_cast<MultiLineEditWidget*>(widget())) {
            const Utf8Text text(terminal->GetText());
            terminal->SetSelection(text.PositionOf(startOffset), text.PositionOf(endOffset));
        }
    }
    int cursorPosition() const override { return Selection().first; }
    void setCursorPosition(int position) override { setSelection(0, position, position); }
    QString text(int startOffset, int endOffset) const override {
        const QString content = Content();
        const int start = std::clamp(startOffset, 0, static_cast<int>(content.size()));
        const int end = endOffset < 0
                            ? static_cast<int>(content.size())
                            : std::clamp(endOffset, start, static_cast<int>(content.size()));
        return content.mid(start, end - start);
    }
    int characterCount() const override { return static_cast<int>(Content().size()); }
    QRect characterRect(int offset) const override {
        // The panes' cells are a fixed grid; elsewhere the toolkit's default
        // (no rectangle) tells the reader to use the whole control.
        const auto* pane = dynamic_cast<const RichEditWidget*>(widget());
        if (!pane) return {};
        const QPoint at = pane->PointOf(offset);
        return {pane->mapToGlobal(at), QSize(pane->CellWidth(), pane->RowHeight())};
    }
    int offsetAtPoint(const QPoint& point) const override {
        if (const auto* pane = dynamic_cast<const RichEditWidget*>(widget())) {
            return static_cast<int>(pane->PositionAt(pane->mapFromGlobal(point)));
        }
        if (auto* terminal = dynamic_cast<MultiLineEditWidget*>(widget())) {
            const long position = terminal->PositionAt(terminal->mapFromGlobal(point));
            return Utf8Text(terminal->GetText()).OffsetOf(position);
        }
        return -1;
    }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* startOffset, int* endOffset) const override {
        *startOffset = *endOffset = offset;
        return {};
    }

    // The text last announced to assistive technology, for the next update.
    QString m_announced = ShownText(widget());

private:
    QString Content() const {
        if (role() == QAccessible::StaticText) return ShownText(widget());
        if (role() == QAccessible::StatusBar)
            return FromUtf8(dynamic_cast<const TextWindow&>(*widget()).GetText());
        // The terminal paints its bytes as UTF-8 text: read it the same way,
        // and count offsets in what is read.
        if (const auto* terminal = dynamic_cast<const MultiLineEditWidget*>(widget())) {
            return Utf8Text(terminal->GetText()).Text();
        }
        const auto* text = dynamic_cast<const TextWindow*>(widget());
        // A pane shows each byte in a cell of its own: read them the same way.
        return text ? QString::fromLatin1(text->GetText()) : QString();
    }
    std::pair<int, int> Selection() const {
        if (const auto* pane = dynamic_cast<const RichEditWidget*>(widget())) {
            return {static_cast<int>(pane->SelectionStart()),
                    static_cast<int>(pane->SelectionEnd())};
        }
        if (const auto* terminal = dynamic_cast<const MultiLineEditWidget*>(widget())) {
            const Utf8Text text(terminal->GetText());
            return {text.OffsetOf(terminal->SelectionStart()),
                    text.OffsetOf(terminal->SelectionEnd())};
        }
        return {0, 0};
    }
};

// A combo box is named by its label, in every desktop's way: the toolkit's
// own interface on Linux names it by its selection instead. Its value (the
// selection) can be read as text, and it lists its drop-down list (and the
// field of an editable one) as children, as the toolkit's does.
class ComboAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit ComboAccessible(QComboBox* combo) : QAccessibleWidget(combo, QAccessible::ComboBox) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) {
            const QString assigned = widget()->accessibleName();
            return assigned.isEmpty() ? Combo()->currentText() : assigned;
        }
        if (t == QAccessible::Value) return Combo()->currentText();
        return QAccessibleWidget::text(t);
    }
    int childCount() const override { return Combo()->isEditable() ? 2 : 1; }
    QAccessibleInterface* child(int index) const override {
        if (index == 0) return QAccessible::queryAccessibleInterface(Combo()->view());
        if (index == 1 && Combo()->isEditable())
            return QAccessible::queryAccessibleInterface(Combo()->lineEdit());
        return nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        if (!child) return -1;
        if (child->object() == Combo()->view()) return 0;
        if (Combo()->isEditable() && child->object() == Combo()->lineEdit()) return 1;
        return -1;
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.editable = Combo()->isEditable();
        s.readOnly = !Combo()->isEditable();
        s.expandable = true;
        s.expanded = Combo()->view()->isVisible();
        return s;
    }
    QStringList actionNames() const override {
        return QStringList{showMenuAction(), pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& name) override {
        if (name == showMenuAction() || name == pressAction()) {
            Combo()->view()->isVisible() ? Combo()->hidePopup() : Combo()->showPopup();
            return;
        }
        QAccessibleWidget::doAction(name);
    }
    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    // QAccessibleTextInterface: the selection, read-only.
    void selection(int, int* startOffset, int* endOffset) const override {
        *startOffset = *endOffset = 0;
    }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int startOffset, int endOffset) const override {
        const QString value = Combo()->currentText();
        const int start = std::clamp(startOffset, 0, static_cast<int>(value.size()));
        const int end = endOffset < 0
                            ? static_cast<int>(value.size())
                            : std::clamp(endOffset, start, static_cast<int>(value.size()));
        return value.mid(start, end - start);
    }
    int characterCount() const override { return static_cast<int>(Combo()->currentText().size()); }
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* startOffset, int* endOffset) const override {
        *startOffset = *endOffset = offset;
        return {};
    }

private:
    [[nodiscard]] QComboBox* Combo() const { return static_cast<QComboBox*>(widget()); }
};

// The fields that up-down controls step, found from the layout.
std::unordered_map<const QWidget*, QPointer<QWidget>>& SpinFields() {
    static std::unordered_map<const QWidget*, QPointer<QWidget>> map;
    return map;
}

// The number in the field an up-down control steps; invalid when the field
// holds none.
QVariant SteppedValue(const QWidget* spin) {
    const auto it = SpinFields().find(spin);
    const auto* field =
        it == SpinFields().end() ? nullptr : dynamic_cast<const TextWindow*>(it->second.data());
    if (!field) return {};
    const std::string text = field->GetText();
    unsigned long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) return {};
    return QVariant::fromValue(value);
}

// An up-down control: its value is the number in the field it steps, and
// its two actions step it as its arrows do (up raises the number).
class SpinAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit SpinAccessible(UpDownWidget* spin) : QAccessibleWidget(spin, QAccessible::SpinBox) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return SteppedValue(widget()).toString();
        return QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override {
        return QStringList{increaseAction(), decreaseAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& name) override {
        auto* spin = static_cast<UpDownWidget*>(widget());
        if (!spin->isEnabled()) return;
        if (name == increaseAction()) {
            spin->Step(-1);
        } else if (name == decreaseAction()) {
            spin->Step(1);
        } else {
            QAccessibleWidget::doAction(name);
        }
    }
    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    // QAccessibleValueInterface: the field is where a number is typed, so
    // the value is only read here.
    QVariant currentValue() const override { return SteppedValue(widget()); }
    void setCurrentValue(const QVariant&) override {}
    QVariant maximumValue() const override { return {}; }
    QVariant minimumValue() const override { return {}; }
    QVariant minimumStepSize() const override { return 1; }
};

// The template's entry for a control, if it has one.
const AccessibleNameItem* NameItemOf(const QWidget* widget) {
    const WindowInfo* info = WndRouting::Find(widget);
    QWidget* parent = widget->parentWidget();
    const auto* dialog =
        parent ? dynamic_cast<const CDialog*>(WndRouting::NearestWnd(parent)) : nullptr;
    const DialogTemplate* tmpl = dialog ? dialog->Template() : nullptr;
    if (!info || !tmpl) return nullptr;
    for (const AccessibleNameItem& item : tmpl->accessibleNames) {
        if (item.id == info->id) return &item;
    }
    return nullptr;
}

QAccessibleInterface* FrameworkWidgetAccessible(const QString& className, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (!widget) return nullptr;
    if (className == QLatin1String("QComboBox")) {
        auto* combo = dynamic_cast<ComboWidget*>(widget);
        return combo ? new ComboAccessible(combo) : nullptr;
    }
    if (className == QLatin1String("QLineEdit")) {
        const AccessibleNameItem* item = NameItemOf(widget);
        if (item && item->role == AccessibleRole::StatusBar) {
            return new TextWidgetAccessible(widget, QAccessible::StatusBar);
        }
        return nullptr;
    }
    // The framework's painted widgets carry no meta-object of their own, so
    // the toolkit asks for them as plain widgets.
    if (className != QLatin1String("QWidget")) return nullptr;
    if (dynamic_cast<StaticWidget*>(widget))
        return new TextWidgetAccessible(widget, QAccessible::StaticText);
    if (dynamic_cast<RichEditWidget*>(widget) || dynamic_cast<MultiLineEditWidget*>(widget)) {
        return new TextWidgetAccessible(widget, QAccessible::EditableText);
    }
    if (auto* spin = dynamic_cast<UpDownWidget*>(widget)) return new SpinAccessible(spin);
    if (dynamic_cast<IconWidget*>(widget))
        return new QAccessibleWidget(widget, QAccessible::Graphic);
    if (dynamic_cast<DialogWindow*>(widget)) {
        const bool appWindow =
            (WndRouting::Find(widget) ? WndRouting::Find(widget)->exStyle : 0) & WS_EX_APPWINDOW;
        return new QAccessibleWidget(widget, appWindow ? QAccessible::Window : QAccessible::Dialog);
    }
    return nullptr;
}

void InstallFactory() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    QAccessible::installFactory(&FrameworkWidgetAccessible);
    SetLabelTextListeners({&AccessibleTextChanged, &AnnounceTextChanged});
}

// ---- Labels found from the template's layout ----

struct Item {
    const DialogItemTemplate* tmpl;
    QWidget* widget;
    [[nodiscard]] int Left() const { return tmpl->x; }
    [[nodiscard]] int Top() const { return tmpl->y; }
    [[nodiscard]] int Right() const { return tmpl->x + tmpl->cx; }
    [[nodiscard]] int Bottom() const {
        // A combo box's template height includes its dropped-down list.
        return tmpl->y +
               (tmpl->windowClass == WC_COMBOBOX ? std::min<int>(tmpl->cy, 12) : tmpl->cy);
    }
};

bool IsStaticText(const Item& item) {
    return item.tmpl->windowClass == WC_STATIC && (item.tmpl->style & SS_TYPEMASK) != SS_ICON;
}

bool IsGroupBox(const Item& item) {
    return item.tmpl->windowClass == WC_BUTTON && (item.tmpl->style & BS_TYPEMASK) == BS_GROUPBOX;
}

bool SameRow(const Item& a, const Item& b) {
    const int overlap = std::min(a.Bottom(), b.Bottom()) - std::max(a.Top(), b.Top());
    return overlap * 2 >= std::min(a.Bottom() - a.Top(), b.Bottom() - b.Top());
}

const Item* LabelLeftOf(const Item& target, const std::vector<Item>& items) {
    const Item* best = nullptr;
    for (const Item& s : items) {
        if (&s == &target || !IsStaticText(s) || !SameRow(s, target)) continue;
        const int gap = target.Left() - s.Right();
        if (gap < -1 || gap > kLeftGap) continue;
        if (!best || s.Right() > best->Right()) best = &s;
    }
    return best;
}

// A right-aligned static just right of a label shows that label's value
// (a count, a size); every other static is a label itself.
bool IsValueStatic(const Item& item, const std::vector<Item>& items) {
    return IsStaticText(item) && (item.tmpl->style & SS_TYPEMASK) == SS_RIGHT &&
           LabelLeftOf(item, items) != nullptr;
}

bool IsLabel(const Item& item, const std::vector<Item>& items) {
    return IsStaticText(item) && !IsValueStatic(item, items);
}

bool NeedsLabel(const Item& item, const std::vector<Item>& items) {
    const std::string_view cls = item.tmpl->windowClass;
    return cls == WC_EDIT || cls == WC_RICHEDIT || cls == WC_COMBOBOX || cls == WC_UPDOWN ||
           IsValueStatic(item, items);
}

const Item* LabelAbove(const Item& target, const std::vector<Item>& items) {
    const Item* best = nullptr;
    int bestGap = 0;
    for (const Item& s : items) {
        if (&s == &target || !IsLabel(s, items)) continue;
        const int gap = target.Top() - s.Bottom();
        if (gap < -1 || gap > kAboveGap) continue;
        if (std::min(s.Right(), target.Right()) <= std::max(s.Left(), target.Left())) continue;
        if (!best || gap < bestGap) {
            best = &s;
            bestGap = gap;
        }
    }
    return best;
}

const Item* EnclosingGroup(const Item& target, const std::vector<Item>& items) {
    const Item* best = nullptr;
    for (const Item& g : items) {
        if (!IsGroupBox(g) || ShownText(g.widget).isEmpty()) continue;
        if (g.Left() > target.Left() || g.Top() > target.Top() || g.Right() < target.Right() ||
            g.Bottom() < target.Bottom()) {
            continue;
        }
        const auto area = [](const Item& i) {
            return (i.Right() - i.Left()) * (i.Bottom() - i.Top());
        };
        if (!best || area(g) < area(*best)) best = &g;
    }
    return best;
}

const Item* FieldLeftOf(const Item& spin, const std::vector<Item>& items) {
    for (const Item& f : items) {
        if (&f == &spin || f.tmpl->windowClass != WC_EDIT || !SameRow(f, spin)) continue;
        const int gap = spin.Left() - f.Right();
        if (gap >= -1 && gap <= kBuddyGap) return &f;
    }
    return nullptr;
}

const Item* LabelOf(const Item& target, const std::vector<Item>& items, int depth = 0) {
    if (target.tmpl->windowClass == WC_UPDOWN && depth == 0) {
        if (const Item* buddy = FieldLeftOf(target, items)) {
            if (const Item* label = LabelOf(*buddy, items, depth + 1)) return label;
        }
    }
    if (const Item* above = LabelAbove(target, items)) return above;
    if (const Item* left = LabelLeftOf(target, items); left && IsLabel(*left, items)) return left;
    return EnclosingGroup(target, items);
}

// The controls that a label names, kept so that they follow its text.
std::unordered_multimap<const QWidget*, QPointer<QWidget>>& NamedBy() {
    static std::unordered_multimap<const QWidget*, QPointer<QWidget>> map;
    return map;
}

// Names the control and the parts that belong to it: a combo box's list
// and field, a text control's scroll bar.
void SetName(QWidget* target, const QString& name) {
    target->setAccessibleName(name);
    if (auto* combo = qobject_cast<QComboBox*>(target)) {
        combo->view()->setAccessibleName(name);
        if (combo->lineEdit()) combo->lineEdit()->setAccessibleName(name);
    }
    for (QScrollBar* bar : target->findChildren<QScrollBar*>(Qt::FindDirectChildrenOnly)) {
        bar->setAccessibleName(name);
    }
}

void Bind(QWidget* label, QWidget* target) {
    auto& map = NamedBy();
    // A label outlives none of its bindings: forget them with it.
    if (map.find(label) == map.end()) {
        QObject::connect(label, &QObject::destroyed, [label] { NamedBy().erase(label); });
    }
    map.emplace(label, target);
    SetName(target, ShownText(label));
}

// An up-down control's value is its field's: tell assistive technology
// when the field's number changes.
void BindSpinField(QWidget* spin, QWidget* field) {
    if (SpinFields().find(spin) == SpinFields().end()) {
        QObject::connect(spin, &QObject::destroyed, [spin] { SpinFields().erase(spin); });
    }
    SpinFields()[spin] = field;
    if (auto* edit = qobject_cast<QLineEdit*>(field)) {
        QObject::connect(edit, &QLineEdit::textChanged, spin, [spin] {
            if (!QAccessible::isActive()) return;
            QAccessibleValueChangeEvent changed(spin, SteppedValue(spin));
            QAccessible::updateAccessibility(&changed);
        });
    }
}

// The template items and the widgets the dialog made from them: the
// control at the item's place with the item's id.
std::vector<Item> ItemsOf(CDialog* dialog) {
    std::vector<Item> items;
    const DialogTemplate* tmpl = dialog->Template();
    QWidget* window = dialog->m_hWnd;
    if (!tmpl || !window) return items;
    for (const DialogItemTemplate& t : tmpl->items) {
        CRect rect{t.x, t.y, t.x + t.cx, t.y + t.cy};
        dialog->MapDialogRect(&rect);
        for (QObject* child : window->children()) {
            auto* widget = qobject_cast<QWidget*>(child);
            const WindowInfo* info = widget ? WndRouting::Find(widget) : nullptr;
            if (info && info->id == t.id && widget->pos() == QPoint(rect.left, rect.top)) {
                items.push_back({&t, widget});
                break;
            }
        }
    }
    return items;
}

}  // namespace

void AssignAccessibleNames(CDialog* pDialog) {
    InstallFactory();
    const std::vector<Item> items = ItemsOf(pDialog);
    const bool korean = IsKoreanUserInterface();
    for (const Item& item : items) {
        if (item.tmpl->windowClass == WC_UPDOWN) {
            if (const Item* field = FieldLeftOf(item, items))
                BindSpinField(item.widget, field->widget);
        }
        if (const AccessibleNameItem* named = NameItemOf(item.widget)) {
            SetName(item.widget, FromUtf8(korean ? named->korean : named->english));
            continue;
        }
        if (!NeedsLabel(item, items)) continue;
        if (const Item* label = LabelOf(item, items)) Bind(label->widget, item.widget);
    }
}

void InstallAccessibleInterfaces() {
    InstallFactory();
}

void RenewAccessibleInterface(QWidget* pControl) {
    const AccessibleNameItem* item = NameItemOf(pControl);
    if (!item || item->role != AccessibleRole::StatusBar) return;
    // Building the field (making it read-only, for one) told the toolkit
    // of it before its id was known, so the toolkit made a plain field's
    // interface then: replace it with the status line's.
    QAccessibleInterface* made = QAccessible::queryAccessibleInterface(pControl);
    if (made && made->role() != QAccessible::StatusBar) {
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
    }
}

void AccessibleTextChanged(QWidget* pLabel) {
    auto [first, last] = NamedBy().equal_range(pLabel);
    if (first != last) {
        const QString name = ShownText(pLabel);
        for (auto it = first; it != last; ++it) {
            if (it->second) SetName(it->second, name);
        }
    }
}

void AnnounceTextChanged(QWidget* pLabel) {
    // A static's name and text are read from it when asked (a group box
    // announces its own title): tell the reader what changed.
    if (!QAccessible::isActive() || !dynamic_cast<StaticWidget*>(pLabel)) return;
    auto* iface =
        dynamic_cast<TextWidgetAccessible*>(QAccessible::queryAccessibleInterface(pLabel));
    if (!iface) return;
    const QString now = ShownText(pLabel);
    if (pLabel->accessibleName().isEmpty()) {
        QAccessibleEvent named(pLabel, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&named);
    }
    QAccessibleTextUpdateEvent update(pLabel, 0, iface->m_announced, now);
    iface->m_announced = now;
    QAccessible::updateAccessibility(&update);
}

std::string GetAccessibleName(const CWnd* pWnd) {
    QWidget* widget = pWnd ? pWnd->m_hWnd : nullptr;
    if (!widget) return {};
    if (!widget->accessibleName().isEmpty()) return ToUtf8(widget->accessibleName());
    InstallFactory();
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget);
    return iface ? ToUtf8(iface->text(QAccessible::Name)) : std::string();
}
