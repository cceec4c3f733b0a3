#include "res/ControlTexts.h"

#include "framework/Resources.h"

void SetControlTexts(CWnd& window, std::span<const ControlText> texts) {
    for (const ControlText& text : texts) {
        if (CWnd* control = window.GetDlgItem(text.id))
            control->SetWindowText(LoadString(text.stringId));
    }
}
