#include "framework/qt/StaticTextFit.h"

#include <QFontMetrics>
#include <QList>

#include "framework/Dialog.h"
#include "framework/qt/Utf8Text.h"
#include "framework/qt/Widgets.h"

void FitStaticTexts(CDialog* pDialog) {
    QWidget* window = pDialog ? pDialog->m_hWnd : nullptr;
    if (!window) return;
    const QList<QWidget*> controls = window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* control : controls) {
        auto* label = dynamic_cast<StaticWidget*>(control);
        if (!label || label->isHidden() || label->GetText().empty()) continue;
        // The text is drawn from the top of the static: its letters reach
        // the ascent plus the lowest ink below the baseline.
        const QFontMetrics metrics(label->font());
        const int needed =
            metrics.ascent() + metrics.tightBoundingRect(FromUtf8(label->GetText())).bottom() + 1;
        if (needed <= label->height()) continue;
        const QRect below(label->x(), label->y() + label->height(), label->width(),
                          needed - label->height());
        bool free = true;
        for (QWidget* other : controls) {
            if (other != label && !other->isHidden() && !dynamic_cast<GroupBoxWidget*>(other) &&
                other->geometry().intersects(below)) {
                free = false;
                break;
            }
        }
        if (free) label->resize(label->width(), needed);
    }
}
