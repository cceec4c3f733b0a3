#include "framework/qt/TextScrollBar.h"

#include <QEvent>
#include <QStyle>
#include <QStyleOptionSlider>

TextScrollBar::TextScrollBar(QWidget* parent) : QScrollBar(Qt::Vertical, parent) {
    setEnabled(false);
    setRange(0, 0);
    setSingleStep(1);
}

QRect TextScrollBar::ThumbOf(const State& state) const {
    QStyleOptionSlider option;
    option.initFrom(this);
    option.orientation = Qt::Vertical;
    option.subControls = QStyle::SC_All;
    option.minimum = state.scrollable ? state.minimum : 0;
    option.maximum = state.scrollable ? state.maximum : 0;
    option.sliderPosition = option.sliderValue = state.scrollable ? state.position : 0;
    option.pageStep = state.page;
    option.singleStep = 1;
    return style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this);
}

TextScrollBar::State TextScrollBar::Shown() const {
    // A scrollable state always has a range wider than one position; the
    // enabled look is the one set here, whatever the owner's.
    return {maximum() > minimum(),
            !testAttribute(Qt::WA_ForceDisabled),
            minimum(),
            maximum(),
            pageStep(),
            sliderPosition()};
}

void TextScrollBar::SetState(bool scrollable, bool ownerEnabled, int minimum, int maximum, int page,
                             int position) {
    m_wanted = {scrollable, scrollable && ownerEnabled, minimum, maximum, page, position};
    m_heldBack = true;
    const State shown = Shown();
    const bool looksTheSame = m_wanted.scrollable == shown.scrollable &&
                              m_wanted.enabled == shown.enabled &&
                              (!scrollable || ThumbOf(m_wanted) == ThumbOf(shown));
    if (!looksTheSame || isSliderDown()) Apply();
}

void TextScrollBar::Apply() {
    if (!m_heldBack) return;
    m_heldBack = false;
    m_applying = true;
    const State& s = m_wanted;
    setEnabled(s.enabled);
    if (s.scrollable) {
        setRange(s.minimum, s.maximum);
        setPageStep(s.page);
        // While the user drags the thumb it stays under the mouse.
        if (!isSliderDown()) {
            setSliderPosition(s.position);
            setValue(s.position);
        }
    } else {
        setRange(0, 0);
    }
    m_applying = false;
}

bool TextScrollBar::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::ContextMenu:
    case QEvent::Resize:
    case QEvent::Show:
        // The user acts on what the owner set last.
        Apply();
        break;
    default:
        break;
    }
    return QScrollBar::event(event);
}
