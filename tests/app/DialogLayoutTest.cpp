// Dialog units, the controls built from a template, and the message map's
// routing of a control's notification.

#include <gtest/gtest.h>

#include "app/LinkDlg.h"
#include "framework/DialogTemplate.h"
#include "framework/Font.h"
#include "framework/Resources.h"
#include "testkit/MainWindow.h"

TEST(DialogUnits, WholePixelBaseUnitsFromTheTemplateFont) {
    EnglishScope language;
    TestMainWindow w;
    const CPoint base = w.dlg.BaseUnits();
    // 8-point Courier (Liberation Mono) at 96 pixels per inch.
    EXPECT_EQ(base.x, 7);
    EXPECT_EQ(base.y, 12);
    CRect rect{10, 14, 330, 132};
    w.dlg.MapDialogRect(&rect);
    EXPECT_EQ(rect.left, 18);  // 10 * 7 / 4 = 17.5, rounded
    EXPECT_EQ(rect.top, 21);
    EXPECT_EQ(rect.right, 578);
    EXPECT_EQ(rect.bottom, 198);
}

TEST(DialogUnits, EveryControlStandsWhereItsTemplateSays) {
    EnglishScope language;
    TestMainWindow w;
    const DialogTemplate* tmpl = FindDialogTemplate(IDD_MAIN);
    ASSERT_NE(tmpl, nullptr);
    CRect client;
    w.dlg.GetClientRect(&client);
    CRect size{0, 0, tmpl->cx, tmpl->cy};
    w.dlg.MapDialogRect(&size);
    EXPECT_EQ(client.Width(), size.Width());
    EXPECT_EQ(client.Height(), size.Height());
    for (const DialogItemTemplate& item : tmpl->items) {
        if (item.id == IDC_STATIC) continue;
        SCOPED_TRACE(item.id);
        CRect expected{item.x, item.y, item.x + item.cx, item.y + item.cy};
        w.dlg.MapDialogRect(&expected);
        CRect actual;
        CWnd* control = w.Item(item.id);
        ASSERT_NE(control, nullptr);
        control->GetWindowRect(&actual);
        EXPECT_EQ(actual.Width(), expected.Width());
        if (item.windowClass != WC_COMBOBOX) {
            EXPECT_EQ(actual.Height(), expected.Height());
        }
    }
}

TEST(DialogUnits, PanesHoldAWholeDumpLineInBothFonts) {
    for (bool korean : {false, true}) {
        SCOPED_TRACE(korean ? "korean" : "english");
        LanguageScope language(korean, korean ? LANG_ID_KOREAN : LANG_ID_ENGLISH_US);
        TestMainWindow w;
        for (CHexView* pane : {&w.SendPane(), &w.RecvPane()}) {
            CRect rect;
            pane->GetClientRect(&rect);
            const int cell = pane->GetFont()->CellWidth();
            // The border and the scroll bar take their share of the width.
            const int columns = (rect.Width() - 2 - 18) / cell;
            EXPECT_GE(columns, 77);
            EXPECT_LE(columns, 85);
        }
    }
}

TEST(MessageMap, TemplateControlsAreCreatedOnceEach) {
    EnglishScope language;
    TestMainWindow w;
    const DialogTemplate* tmpl = FindDialogTemplate(IDD_MAIN);
    int count = 0;
    for (const DialogItemTemplate& item : tmpl->items) {
        if (item.id != IDC_STATIC) {
            EXPECT_NE(w.Item(item.id), nullptr) << item.id;
        }
        ++count;
    }
    EXPECT_EQ(count, 30);
}
